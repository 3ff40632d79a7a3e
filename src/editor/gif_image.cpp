// GIF89a encoding: header, palette, a graphic control extension naming the transparent
// colour, one image compressed with variable-width LZW as the format requires.
#include "editor/gif_image.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace korvex {

namespace {

constexpr int kMinCodeSize = 4;  // 16 colours
constexpr int kMaxCodeWidth = 12;
constexpr int kTableLimit = 1 << kMaxCodeWidth;

// Codes are packed least significant bit first, as GIF decoders read them.
class BitWriter {
 public:
  void Write(int code, int width) {
    buffer_ |= static_cast<uint32_t>(code) << count_;
    count_ += width;
    while (count_ >= 8) {
      bytes_ += static_cast<char>(buffer_ & 0xff);
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  std::string Finish() {
    if (count_ > 0) bytes_ += static_cast<char>(buffer_ & 0xff);
    buffer_ = 0;
    count_ = 0;
    return std::move(bytes_);
  }

 private:
  std::string bytes_;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

std::string Lzw(const std::vector<uint8_t>& indices) {
  const int clear = 1 << kMinCodeSize;
  const int end = clear + 1;
  BitWriter out;
  std::unordered_map<uint32_t, int> table;
  int width = kMinCodeSize + 1;
  int next = end + 1;
  out.Write(clear, width);
  int prefix = indices[0];
  for (size_t i = 1; i < indices.size(); ++i) {
    const uint32_t key = static_cast<uint32_t>(prefix) << 8 | indices[i];
    if (auto found = table.find(key); found != table.end()) {
      prefix = found->second;
      continue;
    }
    out.Write(prefix, width);
    table.emplace(key, next++);
    // The decoder adds its entry one code later than we do, so it widens its codes when our
    // count has passed the limit, not when it reaches it.
    if (next > (1 << width) && width < kMaxCodeWidth) ++width;
    if (next == kTableLimit) {
      out.Write(clear, width);
      table.clear();
      width = kMinCodeSize + 1;
      next = end + 1;
    }
    prefix = indices[i];
  }
  out.Write(prefix, width);
  // Reading that last code, the decoder adds one more entry and may widen before the end code.
  if (next == (1 << width) && width < kMaxCodeWidth) ++width;
  out.Write(end, width);
  return out.Finish();
}

void Word(std::string& out, int value) {
  out += static_cast<char>(value & 0xff);
  out += static_cast<char>((value >> 8) & 0xff);
}

}  // namespace

std::string EncodeGif(int width, int height, const std::vector<uint8_t>& indices,
                      const std::array<GifColor, 16>& palette) {
  if (width <= 0 || height <= 0 || indices.size() != static_cast<size_t>(width) * height)
    throw std::invalid_argument("EncodeGif: the pixels do not fill the image");
  for (uint8_t index : indices)
    if (index >= palette.size()) throw std::invalid_argument("EncodeGif: index beyond palette");

  std::string gif = "GIF89a";
  Word(gif, width);
  Word(gif, height);
  gif += static_cast<char>(0xB3);  // global palette of 2^4 entries, 4 bits per primary
  gif += '\0';                     // background: entry 0
  gif += '\0';                     // square pixels
  for (const GifColor& c : palette) {
    gif += static_cast<char>(c.r);
    gif += static_cast<char>(c.g);
    gif += static_cast<char>(c.b);
  }
  gif += std::string("\x21\xF9\x04\x01\x00\x00\x00\x00", 8);  // entry 0 is transparent
  gif += '\x2C';
  Word(gif, 0);
  Word(gif, 0);
  Word(gif, width);
  Word(gif, height);
  gif += '\0';  // no local palette, not interlaced
  gif += static_cast<char>(kMinCodeSize);
  const std::string data = Lzw(indices);
  for (size_t at = 0; at < data.size(); at += 255) {
    const size_t n = std::min<size_t>(255, data.size() - at);
    gif += static_cast<char>(n);
    gif.append(data, at, n);
  }
  gif += '\0';
  gif += '\x3B';
  return gif;
}

}  // namespace korvex
