// The pixel size of GIF, BMP, PNG and JPEG files read from their few header bytes, and the
// size attribute that fits an image into a box. Shared by Tools (for pages) and the file
// manager's list; no imaging library, no decoding.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

struct ImageSize {
  /// The format was recognised and its size and colour count were read.
  bool recognised = false;
  /// Low 16 bits of each dimension; a value of 32768 or more, or a byte past the end of the
  /// file, reads as 0. -1 for a JPEG file without a frame header.
  int16_t width = 0;
  int16_t height = 0;
  /// 2 ^ bits per pixel; -1 when it cannot be told.
  double colours = 0;
  /// "GIF", "BMP", "PNG", "JPG" or "(unknown)".
  std::string type = "(unknown)";
};

/// Reads the dimensions of the file at a physical path. A missing or short file gives what
/// its bytes allow, never an error.
ImageSize GetImageSize(const std::filesystem::path& file);
/// The same for a file's bytes in memory.
ImageSize ImageSizeOfBytes(std::string_view data);

/// width="desired_width" when the image is relatively wider than the box, otherwise
/// height="desired_height" (ties included), so the browser keeps the aspect ratio; "" for an
/// image not recognised.
std::string ThumbnailAttribute(const ImageSize& image, const Variant& desired_width,
                               const Variant& desired_height);
std::string ThumbnailAttribute(const std::filesystem::path& file, const Variant& desired_width,
                               const Variant& desired_height);

}  // namespace korvex
