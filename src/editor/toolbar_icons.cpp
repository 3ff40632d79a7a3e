// The toolbar images: each drawn on a small palette canvas with a few primitives (boxes,
// lines, a five-by-seven letter font), in the flat style of the buttons they sit on.
#include "editor/toolbar_icons.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string_view>
#include <utility>

#include "editor/gif_image.h"

namespace korvex {

namespace {

// Palette entries; 0 is transparent (the button face).
enum Ink : uint8_t {
  kClear,
  kBlack,
  kDark,
  kSilver,
  kWhite,
  kRed,
  kNavy,
  kBlue,
  kYellow,
  kGreen,
  kBrown,
  kSky,
  kOrange,
  kTeal,
  kPale,
  kMaroon,
};

constexpr std::array<GifColor, 16> kPalette = {{
    {0xC0, 0xC0, 0xC0},
    {0x00, 0x00, 0x00},
    {0x80, 0x80, 0x80},
    {0xC0, 0xC0, 0xC0},
    {0xFF, 0xFF, 0xFF},
    {0xD0, 0x10, 0x10},
    {0x00, 0x00, 0x80},
    {0x20, 0x60, 0xC0},
    {0xFF, 0xE0, 0x40},
    {0x00, 0x80, 0x00},
    {0x80, 0x60, 0x20},
    {0xA0, 0xC8, 0xF0},
    {0xE0, 0x80, 0x20},
    {0x00, 0x80, 0x80},
    {0xE8, 0xE8, 0xE8},
    {0x80, 0x00, 0x00},
}};

// Five columns by seven rows, '#' set.
using Glyph = std::array<std::string_view, 7>;

const Glyph* GlyphOf(char c) {
  static const Glyph kA = {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"};
  static const Glyph kB = {"#### ", "#   #", "#   #", "#### ", "#   #", "#   #", "#### "};
  static const Glyph kI = {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "};
  static const Glyph kU = {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "};
  static const Glyph k1 = {"  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "};
  static const Glyph k2 = {" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"};
  static const Glyph k3 = {"#### ", "    #", "    #", " ### ", "    #", "    #", "#### "};
  switch (c) {
    case 'A':
      return &kA;
    case 'B':
      return &kB;
    case 'I':
      return &kI;
    case 'U':
      return &kU;
    case '1':
      return &k1;
    case '2':
      return &k2;
    case '3':
      return &k3;
    default:
      return nullptr;
  }
}

class Canvas {
 public:
  Canvas() : pixels_(kIconWidth * kIconHeight, kClear) {}

  void Dot(int x, int y, uint8_t ink) {
    if (x >= 0 && x < kIconWidth && y >= 0 && y < kIconHeight) pixels_[y * kIconWidth + x] = ink;
  }
  void Fill(int x, int y, int w, int h, uint8_t ink) {
    for (int j = y; j < y + h; ++j)
      for (int i = x; i < x + w; ++i) Dot(i, j, ink);
  }
  void Frame(int x, int y, int w, int h, uint8_t ink) {
    Fill(x, y, w, 1, ink);
    Fill(x, y + h - 1, w, 1, ink);
    Fill(x, y, 1, h, ink);
    Fill(x + w - 1, y, 1, h, ink);
  }
  // A framed box with a filling.
  void Box(int x, int y, int w, int h, uint8_t fill, uint8_t edge = kBlack) {
    Fill(x, y, w, h, fill);
    Frame(x, y, w, h, edge);
  }
  void DottedFrame(int x, int y, int w, int h, uint8_t ink) {
    for (int i = x; i < x + w; i += 2) {
      Dot(i, y, ink);
      Dot(i, y + h - 1, ink);
    }
    for (int j = y; j < y + h; j += 2) {
      Dot(x, j, ink);
      Dot(x + w - 1, j, ink);
    }
  }
  void Line(int x0, int y0, int x1, int y1, uint8_t ink) {
    const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
      Dot(x0, y0, ink);
      if (x0 == x1 && y0 == y1) return;
      const int twice = 2 * error;
      if (twice >= dy) {
        error += dy;
        x0 += sx;
      }
      if (twice <= dx) {
        error += dx;
        y0 += sy;
      }
    }
  }
  void Ring(int cx, int cy, int r, uint8_t ink) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x) {
        const int d = x * x + y * y;
        if (d <= r * r + r && d >= r * r - r) Dot(cx + x, cy + y, ink);
      }
  }
  void Disc(int cx, int cy, int r, uint8_t ink) {
    for (int y = -r; y <= r; ++y)
      for (int x = -r; x <= r; ++x)
        if (x * x + y * y <= r * r + r) Dot(cx + x, cy + y, ink);
  }
  // A letter of the small font, each of its pixels scale x scale; slant shifts the rows right
  // by one pixel for every `slant` rows above the baseline (0: upright).
  void Letter(char c, int x, int y, int scale, uint8_t ink, int slant = 0) {
    const Glyph* glyph = GlyphOf(c);
    if (!glyph) return;
    for (int row = 0; row < 7; ++row) {
      for (int col = 0; col < 5; ++col) {
        if ((*glyph)[row][col] != '#') continue;
        for (int j = 0; j < scale; ++j) {
          const int py = y + row * scale + j;
          const int shift = slant ? (y + 7 * scale - py) / slant : 0;
          Fill(x + col * scale + shift, py, scale, 1, ink);
        }
      }
    }
  }
  void MirrorLeftRight() {
    for (int y = 0; y < kIconHeight; ++y)
      for (int x = 0; x < kIconWidth / 2; ++x)
        std::swap(pixels_[y * kIconWidth + x], pixels_[y * kIconWidth + kIconWidth - 1 - x]);
  }

  std::string Gif() const { return EncodeGif(kIconWidth, kIconHeight, pixels_, kPalette); }

 private:
  std::vector<uint8_t> pixels_;
};

// ---- Shared motifs ----

void Page(Canvas& c, int x, int y, int w, int h) {
  c.Box(x, y, w, h, kWhite);
  for (int i = 0; i < 4; ++i) c.Fill(x + w - 4 + i, y, 4 - i, 1, kClear);
  c.Line(x + w - 4, y, x + w - 1, y + 3, kBlack);
  c.Fill(x + w - 4, y, 1, 4, kBlack);
  c.Fill(x + w - 4, y + 3, 4, 1, kBlack);
  for (int line = y + 5; line < y + h - 2; line += 2) c.Fill(x + 2, line, w - 4, 1, kSilver);
}

// Horizontal text lines from y0 every `step` pixels; width(i) gives each line's extent.
void TextLines(Canvas& c, int y0, int step, int count,
               const std::function<std::pair<int, int>(int)>& extent) {
  for (int i = 0; i < count; ++i) {
    auto [x, w] = extent(i);
    c.Fill(x, y0 + i * step, w, 1, kBlack);
  }
}

void Arrow(Canvas& c, int x, int y, int length, int direction, uint8_t ink) {
  // direction: -1 points left, +1 right
  const int tip = direction > 0 ? x + length - 1 : x;
  c.Fill(x, y, length, 1, ink);
  for (int i = 1; i <= 3; ++i) c.Fill(tip - direction * i, y - i, 1, 2 * i + 1, ink);
}

// A 3 by 3 table at (2, 4), 13 by 13; the marks name cells by column and row, from 0.
void SmallTable(Canvas& c) {
  c.Box(2, 4, 13, 13, kWhite);
  c.Fill(2, 8, 13, 1, kBlack);
  c.Fill(2, 12, 13, 1, kBlack);
  c.Fill(6, 4, 1, 13, kBlack);
  c.Fill(10, 4, 1, 13, kBlack);
}
void MarkCell(Canvas& c, int column, int row, uint8_t ink) {
  c.Fill(3 + column * 4, 5 + row * 4, 3, 3, ink);
}
void Plus(Canvas& c, int x, int y) {
  c.Fill(x, y + 2, 5, 1, kGreen);
  c.Fill(x + 2, y, 1, 5, kGreen);
  c.Fill(x, y + 3, 5, 1, kGreen);
  c.Fill(x + 3, y, 1, 5, kGreen);
}
void Cross(Canvas& c, int x, int y) {
  c.Line(x, y, x + 4, y + 4, kRed);
  c.Line(x + 1, y, x + 5, y + 4, kRed);
  c.Line(x + 4, y, x, y + 4, kRed);
  c.Line(x + 5, y, x + 1, y + 4, kRed);
}

void TableIcon(Canvas& c, const std::function<void(Canvas&)>& marks, bool adds) {
  SmallTable(c);
  marks(c);
  if (adds) {
    Plus(c, 16, 2);
  } else {
    Cross(c, 16, 2);
  }
}

void UndoArrow(Canvas& c) {
  c.Fill(8, 8, 8, 2, kBlue);
  c.Fill(16, 9, 2, 1, kBlue);
  c.Fill(17, 10, 2, 4, kBlue);
  c.Fill(16, 14, 2, 1, kBlue);
  c.Fill(9, 15, 8, 2, kBlue);
  for (int i = 0; i <= 4; ++i) c.Fill(8 - i, 9 - i, 1, 2 * i, kBlue);
  c.Fill(4, 9, 4, 1, kBlue);
}

using Drawing = void (*)(Canvas&);

struct IconEntry {
  const char* file_name;
  Drawing draw;
};

const IconEntry kIcons[] = {
    {"newdoc.gif", [](Canvas& c) { Page(c, 5, 2, 13, 18); }},
    {"save.gif",
     [](Canvas& c) {
       c.Box(3, 3, 17, 17, kNavy, kBlack);
       c.Fill(6, 4, 11, 7, kWhite);
       c.Fill(7, 6, 9, 1, kSilver);
       c.Fill(7, 8, 9, 1, kSilver);
       c.Fill(7, 14, 9, 6, kSilver);
       c.Fill(8, 15, 2, 4, kNavy);
     }},
    {"cut.gif",
     [](Canvas& c) {
       c.Line(8, 13, 15, 2, kDark);
       c.Line(9, 13, 16, 2, kBlack);
       c.Line(14, 13, 7, 2, kDark);
       c.Line(13, 13, 6, 2, kBlack);
       c.Ring(7, 16, 3, kNavy);
       c.Ring(15, 16, 3, kNavy);
     }},
    {"copy.gif",
     [](Canvas& c) {
       Page(c, 3, 2, 10, 13);
       Page(c, 9, 7, 11, 14);
     }},
    {"paste.gif",
     [](Canvas& c) {
       c.Box(3, 4, 13, 16, kBrown);
       c.Box(6, 2, 7, 4, kSilver);
       Page(c, 10, 8, 10, 13);
     }},
    {"undo.gif", UndoArrow},
    {"redo.gif",
     [](Canvas& c) {
       UndoArrow(c);
       c.MirrorLeftRight();
     }},
    {"find.gif",
     [](Canvas& c) {
       c.Disc(9, 9, 5, kSky);
       c.Ring(9, 9, 5, kBlack);
       c.Line(13, 13, 18, 18, kBlack);
       c.Line(14, 13, 19, 18, kBlack);
       c.Line(13, 14, 18, 19, kBlack);
     }},
    {"bold.gif", [](Canvas& c) { c.Letter('B', 6, 4, 2, kBlack); }},
    {"italic.gif", [](Canvas& c) { c.Letter('I', 5, 4, 2, kBlack, 3); }},
    {"under.gif",
     [](Canvas& c) {
       c.Letter('U', 6, 2, 2, kBlack);
       c.Fill(4, 18, 15, 2, kBlack);
     }},
    {"fgcolor.gif",
     [](Canvas& c) {
       c.Letter('A', 6, 1, 2, kBlack);
       c.Fill(3, 17, 17, 4, kRed);
     }},
    {"bgcolor.gif",
     [](Canvas& c) {
       c.Box(3, 2, 17, 18, kYellow, kDark);
       c.Letter('A', 7, 4, 2, kBlack);
     }},
    {"left.gif",
     [](Canvas& c) { TextLines(c, 4, 3, 5, [](int i) {
                       return std::pair{4, i % 2 ? 10 : 15};
                     }); }},
    {"center.gif",
     [](Canvas& c) {
       TextLines(c, 4, 3, 5, [](int i) { return i % 2 ? std::pair{6, 11} : std::pair{4, 15}; });
     }},
    {"right.gif",
     [](Canvas& c) {
       TextLines(c, 4, 3, 5, [](int i) { return i % 2 ? std::pair{9, 10} : std::pair{4, 15}; });
     }},
    {"numlist.gif",
     [](Canvas& c) {
       const char digits[] = {'1', '2', '3'};
       for (int i = 0; i < 3; ++i) {
         c.Letter(digits[i], 2, 1 + i * 7, 1, kNavy);
         c.Fill(9, 4 + i * 7, 11, 1, kBlack);
       }
     }},
    {"bullist.gif",
     [](Canvas& c) {
       for (int i = 0; i < 3; ++i) {
         c.Fill(4, 4 + i * 6, 3, 3, kNavy);
         c.Fill(10, 5 + i * 6, 10, 1, kBlack);
       }
     }},
    {"outdent.gif",
     [](Canvas& c) {
       TextLines(c, 3, 3, 6, [](int i) {
         return i == 0 || i == 5 ? std::pair{3, 17} : std::pair{10, 10};
       });
       Arrow(c, 2, 10, 7, -1, kBlue);
     }},
    {"indent.gif",
     [](Canvas& c) {
       TextLines(c, 3, 3, 6, [](int i) {
         return i == 0 || i == 5 ? std::pair{3, 17} : std::pair{10, 10};
       });
       Arrow(c, 2, 10, 7, 1, kBlue);
     }},
    {"link.gif",
     [](Canvas& c) {
       c.Frame(2, 10, 11, 6, kDark);
       c.Frame(3, 11, 9, 4, kDark);
       c.Frame(10, 6, 11, 6, kTeal);
       c.Frame(11, 7, 9, 4, kTeal);
     }},
    {"borders.gif",
     [](Canvas& c) {
       c.DottedFrame(3, 3, 17, 16, kBlack);
       for (int i = 3; i < 20; i += 2) c.Dot(i, 11, kDark);
       for (int j = 3; j < 19; j += 2) c.Dot(11, j, kDark);
     }},
    {"details.gif",
     [](Canvas& c) {
       c.Fill(5, 3, 12, 1, kBlack);
       c.Disc(8, 7, 3, kBlack);
       c.Fill(11, 3, 2, 16, kBlack);
       c.Fill(14, 3, 2, 16, kBlack);
     }},
    {"abspos.gif",
     [](Canvas& c) {
       c.Box(2, 8, 11, 11, kWhite, kDark);
       c.Box(9, 3, 11, 11, kSky, kBlue);
       Arrow(c, 3, 5, 5, 1, kRed);
     }},
    {"lock.gif",
     [](Canvas& c) {
       c.Fill(8, 2, 7, 2, kDark);
       c.Fill(7, 3, 2, 7, kDark);
       c.Fill(14, 3, 2, 7, kDark);
       c.Box(4, 9, 15, 11, kYellow, kBrown);
       c.Fill(11, 12, 2, 5, kBlack);
     }},
    {"zorder.gif",
     [](Canvas& c) {
       c.Box(2, 2, 10, 10, kWhite, kDark);
       c.Box(6, 6, 10, 10, kSilver, kDark);
       c.Box(10, 10, 10, 10, kSky, kBlue);
     }},
    {"snapgrid.gif",
     [](Canvas& c) {
       for (int y = 3; y < 20; y += 4)
         for (int x = 3; x < 21; x += 4) c.Dot(x, y, kDark);
       c.Box(7, 7, 9, 9, kSky, kBlue);
     }},
    {"instable.gif",
     [](Canvas& c) {
       c.Box(2, 3, 19, 16, kWhite);
       c.Fill(3, 4, 17, 3, kBlue);
       c.Fill(2, 11, 19, 1, kBlack);
       c.Fill(2, 7, 19, 1, kBlack);
       c.Fill(2, 15, 19, 1, kBlack);
       c.Fill(8, 3, 1, 16, kBlack);
       c.Fill(14, 3, 1, 16, kBlack);
     }},
    {"insrow.gif",
     [](Canvas& c) {
       TableIcon(
           c,
           [](Canvas& t) {
             for (int i = 0; i < 3; ++i) MarkCell(t, i, 1, kSky);
           },
           true);
     }},
    {"delrow.gif",
     [](Canvas& c) {
       TableIcon(
           c,
           [](Canvas& t) {
             for (int i = 0; i < 3; ++i) MarkCell(t, i, 1, kOrange);
           },
           false);
     }},
    {"inscol.gif",
     [](Canvas& c) {
       TableIcon(
           c,
           [](Canvas& t) {
             for (int i = 0; i < 3; ++i) MarkCell(t, 1, i, kSky);
           },
           true);
     }},
    {"delcol.gif",
     [](Canvas& c) {
       TableIcon(
           c,
           [](Canvas& t) {
             for (int i = 0; i < 3; ++i) MarkCell(t, 1, i, kOrange);
           },
           false);
     }},
    {"inscell.gif",
     [](Canvas& c) {
       TableIcon(
           c, [](Canvas& t) { MarkCell(t, 1, 1, kSky); }, true);
     }},
    {"delcell.gif",
     [](Canvas& c) {
       TableIcon(
           c, [](Canvas& t) { MarkCell(t, 1, 1, kOrange); }, false);
     }},
    {"mrgcell.gif",
     [](Canvas& c) {
       c.Box(2, 6, 19, 10, kWhite);
       c.Fill(11, 7, 1, 8, kPale);
       Arrow(c, 3, 10, 6, 1, kBlue);
       Arrow(c, 14, 10, 6, -1, kBlue);
     }},
    {"spltcell.gif",
     [](Canvas& c) {
       c.Box(2, 6, 19, 10, kWhite);
       for (int j = 7; j < 15; j += 2) c.Dot(11, j, kBlack);
       Arrow(c, 3, 10, 6, -1, kBlue);
       Arrow(c, 14, 10, 6, 1, kBlue);
     }},
};

}  // namespace

std::vector<ToolbarIcon> ToolbarIcons() {
  std::vector<ToolbarIcon> icons;
  for (const IconEntry& entry : kIcons) {
    Canvas canvas;
    entry.draw(canvas);
    icons.push_back({entry.file_name, canvas.Gif()});
  }
  return icons;
}

}  // namespace korvex
