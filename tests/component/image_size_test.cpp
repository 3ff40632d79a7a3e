// Image headers read for their size: each format's fields, the JPEG segment walk, files that
// are short, missing or not images, the thumbnail attribute, and Tools on a real site folder.
#include "component/image_size.h"

#include <gtest/gtest.h>

#include <cmath>

#include "component/tools.h"
#include "host/memory_host.h"
#include "host/temp_folder.h"
#include "support/error_number.h"

namespace korvex {
namespace {

using host::testing::TempFolder;

std::string Le16(int v) {
  return {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
}
std::string Be16(int v) {
  return {static_cast<char>((v >> 8) & 0xFF), static_cast<char>(v & 0xFF)};
}
std::string Be32(int v) {
  return Be16(v >> 16) + Be16(v);
}

std::string Gif(int width, int height, char packed) {
  return "GIF89a" + Le16(width) + Le16(height) + packed + std::string("\0\0", 2);
}

std::string Bmp(int width, int height, int bits) {
  std::string file = "BM" + std::string(16, '\0');  // file header and the info header's size
  file += Le16(width) + Le16(0) + Le16(height) + Le16(0) + Le16(1) + Le16(bits);
  return file + std::string(24, '\0');
}

std::string Png(int width, int height, int depth, int colour_type) {
  return "\x89PNG\r\n\x1a\n" + Be32(13) + "IHDR" + Be32(width) + Be32(height) +
         static_cast<char>(depth) + static_cast<char>(colour_type) + std::string(3, '\0');
}

// SOI, an APP0 segment, optional fill bytes, then a frame marker with its header.
std::string Jpeg(int frame_marker, int width, int height, int components,
                 std::string_view fill = "") {
  std::string file = "\xFF\xD8\xFF\xE0" + Be16(16) + "JFIF" + std::string(10, '\0');
  file += std::string(fill) + "\xFF" + static_cast<char>(frame_marker) + Be16(8 + 3 * components);
  file += '\x08' + Be16(height) + Be16(width) + static_cast<char>(components);
  return file + std::string(3 * components, '\x11') + "\xFF\xD9";
}

TEST(ImageSize, ReadsEachFormatAsItsHeaderSays) {
  struct Case {
    const char* what;
    std::string bytes;
    bool recognised;
    int width, height;
    double colours;
    const char* type;
  };
  const Case cases[] = {
      {"1x1 GIF, packed 0xF7", Gif(1, 1, '\xF7'), true, 1, 1, 256, "GIF"},
      {"GIF screen 300x20, 2 colours", Gif(300, 20, '\x80'), true, 300, 20, 2, "GIF"},
      {"24-bit BMP", Bmp(640, 480, 24), true, 640, 480, std::pow(2.0, 24), "BMP"},
      {"PNG RGBA 8", Png(300, 200, 8, 6), true, 300, 200, std::pow(2.0, 32), "PNG"},
      {"PNG palette 4", Png(16, 16, 4, 3), true, 16, 16, 16, "PNG"},
      {"PNG grey+alpha 16", Png(2, 3, 16, 4), true, 2, 3, std::pow(2.0, 32), "PNG"},
      {"PNG unknown colour type", Png(10, 20, 8, 5), false, 10, 20, -1, "PNG"},
      {"PNG 40000 wide: the word does not fit", Png(40000, 20, 8, 0), true, 0, 20, 256, "PNG"},
      {"baseline JPEG", Jpeg(0xC0, 1024, 768, 3), true, 1024, 768, std::pow(2.0, 24), "JPG"},
      {"progressive JPEG after fill bytes", Jpeg(0xC2, 50, 60, 3, "\xFF\xFF"), true, 50, 60,
       std::pow(2.0, 24), "JPG"},
      {"lossless JPEG, one component", Jpeg(0xC3, 7, 9, 1), true, 7, 9, 256, "JPG"},
      {"JPEG after other bytes", "junk" + Jpeg(0xC1, 5, 6, 3), true, 5, 6, std::pow(2.0, 24),
       "JPG"},
      {"JPEG whose only frame marker is above 195", Jpeg(0xC5, 5, 6, 3), false, -1, -1, -1, "JPG"},
      {"text starting with BM", "BM is not a picture", true, 0, 0, 1, "BMP"},
      {"plain text", "hello, world", false, 0, 0, 0, "(unknown)"},
      {"empty file", "", false, 0, 0, 0, "(unknown)"},
  };
  TempFolder folder;
  for (const Case& c : cases) {
    ImageSize size = GetImageSize(folder.Write("image", c.bytes));
    EXPECT_EQ(size.recognised, c.recognised) << c.what;
    EXPECT_EQ(size.width, c.width) << c.what;
    EXPECT_EQ(size.height, c.height) << c.what;
    EXPECT_EQ(size.colours, c.colours) << c.what;
    EXPECT_EQ(size.type, c.type) << c.what;
  }
  ImageSize missing = GetImageSize(folder.path() / "no such file");
  EXPECT_FALSE(missing.recognised);
  EXPECT_EQ(missing.type, "(unknown)");
}

TEST(ImageSize, ThumbnailGivesOnlyTheDimensionThatLimits) {
  TempFolder folder;
  const Variant box(int16_t{100});
  EXPECT_EQ(ThumbnailAttribute(folder.Write("wide.gif", Gif(400, 200, 0)), box, box),
            "width=\"100\"");
  EXPECT_EQ(ThumbnailAttribute(folder.Write("tall.gif", Gif(200, 400, 0)), box, box),
            "height=\"100\"");
  EXPECT_EQ(ThumbnailAttribute(folder.Write("square.gif", Gif(30, 30, 0)), Variant(int16_t{60}),
                               Variant(int16_t{60})),
            "height=\"60\"");
  // A zero height (a truncated header) is taken as very wide instead of dividing by zero.
  EXPECT_EQ(ThumbnailAttribute(folder.Write("flat.gif", "GIF89a" + Le16(5)), box, box),
            "width=\"100\"");
  EXPECT_EQ(ThumbnailAttribute(folder.Write("text.gif", "not an image"), box, box), "");
}

TEST(Tools, MapsVirtualPathsThroughThePagesServer) {
  TempFolder site;
  site.Write("img/wide.png", Png(400, 200, 8, 2));
  site.Write("img/notes.txt", "plain text");
  site.Write("outside.png", Png(1, 1, 8, 2));
  host::MemoryHost host(site.path() / "img");
  std::vector<std::string> results;
  host.Serve(host::MakeRequest("GET", "/page.ksp"), [&](host::ScriptingContext& context) {
    auto tools = std::make_shared<Tools>();
    EXPECT_EQ(testing::ErrorNumberOf([&] { tools->GetImageWidth(Variant("wide.png")); }),
              err::kObjectRequired);
    tools->OnStartPage(context.shared_from_this());
    auto call = [&](std::string_view member, std::vector<Variant> args) {
      return ToText(tools->Call(member, args));
    };
    results.push_back(call("ThumbNail", {Variant("/wide.png"), Variant(100), Variant(100)}));
    results.push_back(call("GetImageWidth", {Variant("wide.png")}));
    results.push_back(call("GetImageHeight", {Variant("/wide.png")}));
    results.push_back(call("GetImageWidth", {Variant("/notes.txt")}));
    results.push_back(call("ThumbNail", {Variant("/notes.txt"), Variant(10), Variant(10)}));
    EXPECT_EQ(testing::ErrorNumberOf([&] { call("GetImageWidth", {Variant("../outside.png")}); }),
              err::kPermissionDenied);
  });
  EXPECT_EQ(results, (std::vector<std::string>{"width=\"100\"", "400", "200", "False", ""}));
}

}  // namespace
}  // namespace korvex
