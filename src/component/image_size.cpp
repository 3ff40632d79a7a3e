// Header reading for GIF, BMP and PNG (fixed offsets near the start) and JPEG (a walk over the
// segments up to the first start-of-frame marker). Positions in comments are 1-based byte
// positions in the file, as the formats' documentation counts them.
#include "component/image_size.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>

namespace korvex {

namespace {

// Everything the fixed-offset formats read lies in the first 29 bytes.
constexpr size_t kHeaderBytes = 29;

std::string ReadFileBytes(const std::filesystem::path& file, size_t limit) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::string bytes;
  if (limit == std::string::npos) {
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } else {
    bytes.resize(limit);
    in.read(bytes.data(), static_cast<std::streamsize>(limit));
    bytes.resize(static_cast<size_t>(in.gcount()));
  }
  return bytes;
}

// Byte access by 0-based index; a byte past the end reads as 0, as an empty value does.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  size_t size() const { return data_.size(); }
  int At(size_t i) const { return i < data_.size() ? static_cast<unsigned char>(data_[i]) : 0; }
  // A signed 16-bit word: a high byte of 128 or more, or a missing byte, gives 0.
  int16_t WordLE(size_t i) const { return Word(i + 1, i); }
  int16_t WordBE(size_t i) const { return Word(i, i + 1); }

 private:
  int16_t Word(size_t high, size_t low) const {
    if (high >= data_.size() || low >= data_.size() || At(high) >= 128) return 0;
    return static_cast<int16_t>(At(high) * 256 + At(low));
  }
  std::string_view data_;
};

// PNG bits per pixel from the bit depth and colour type; nothing for an unknown type.
std::optional<int> PngBitsPerPixel(int depth, int colour_type) {
  switch (colour_type) {
    case 0:  // grey
    case 3:  // palette
      return depth;
    case 2:  // RGB
      return 3 * depth;
    case 4:  // grey and alpha
      return 2 * depth;
    case 6:  // RGB and alpha
      return 4 * depth;
    default:
      return std::nullopt;
  }
}

void ReadJpeg(std::string_view data, ImageSize& size) {
  size_t start = data.find("\xFF\xD8\xFF");
  if (start == std::string_view::npos) return;
  size.type = "JPG";
  Bytes bytes(data);
  size_t at = start + 2;  // the first marker's 255
  bool found = false;
  while (at < bytes.size() && !found) {
    while (at < bytes.size() && bytes.At(at) == 255) ++at;
    int code = bytes.At(at);
    // Start-of-frame types 0 to 3 (baseline, extended, progressive, lossless) carry the size.
    if (code < 192 || code > 195) {
      at += static_cast<size_t>(bytes.WordBE(at + 1)) + 1;  // the segment length counts itself
    } else {
      found = true;
    }
  }
  if (!found) {
    size.width = size.height = -1;
    size.colours = -1;
    return;
  }
  size.height = bytes.WordBE(at + 4);
  size.width = bytes.WordBE(at + 6);
  size.colours = std::pow(2.0, 8 * bytes.At(at + 8));
  size.recognised = true;
}

// head: the first kHeaderBytes bytes (or all there are); whole gives every byte, read only
// for a JPEG, whose size lies anywhere.
template <typename WholeFile>
ImageSize SizeFromBytes(std::string_view head_data, WholeFile whole) {
  ImageSize size;
  Bytes head(head_data);
  const std::string_view start = std::string_view(head_data).substr(0, 3);
  int bits = 0;
  if (start == "GIF") {
    // The logical screen (positions 7-10) and the global colour table's size (11).
    size.type = "GIF";
    size.width = head.WordLE(6);
    size.height = head.WordLE(8);
    bits = (head.At(10) & 7) + 1;
  } else if (start.substr(0, 2) == "BM") {
    // The information header's width (19) and height (23), low halves, and bit count (29).
    size.type = "BMP";
    size.width = head.WordLE(18);
    size.height = head.WordLE(22);
    bits = head.At(28);
  } else if (head.At(0) == 137 && head.At(1) == 80 && head.At(2) == 78) {
    // IHDR: width (17-20) and height (21-24) big-endian, low halves; depth 25, colour type 26.
    size.type = "PNG";
    size.width = head.WordBE(18);
    size.height = head.WordBE(22);
    std::optional<int> png_bits = PngBitsPerPixel(head.At(24), head.At(25));
    if (!png_bits) {
      size.colours = -1;
      return size;
    }
    bits = *png_bits;
  } else {
    ReadJpeg(whole(), size);
    return size;
  }
  size.colours = std::pow(2.0, bits);
  size.recognised = true;
  return size;
}

}  // namespace

ImageSize GetImageSize(const std::filesystem::path& file) {
  return SizeFromBytes(ReadFileBytes(file, kHeaderBytes),
                       [&] { return ReadFileBytes(file, std::string::npos); });
}

ImageSize ImageSizeOfBytes(std::string_view data) {
  return SizeFromBytes(data.substr(0, kHeaderBytes), [&] { return data; });
}

std::string ThumbnailAttribute(const ImageSize& image, const Variant& desired_width,
                               const Variant& desired_height) {
  if (!image.recognised) return "";
  // width / height > desired width / desired height, multiplied out so that a zero height
  // cannot divide.
  const double wide = static_cast<double>(image.width) * CDbl(desired_height);
  const double tall = CDbl(desired_width) * static_cast<double>(image.height);
  if (wide > tall) return "width=\"" + ToText(desired_width) + "\"";
  return "height=\"" + ToText(desired_height) + "\"";
}

std::string ThumbnailAttribute(const std::filesystem::path& file, const Variant& desired_width,
                               const Variant& desired_height) {
  return ThumbnailAttribute(GetImageSize(file), desired_width, desired_height);
}

}  // namespace korvex
