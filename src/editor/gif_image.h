// The toolbar icons' file format: a GIF89a writer for small palette images, with index 0 as
// the transparent colour so a button's face shows through whatever its state.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace korvex {

struct GifColor {
  uint8_t r, g, b;
};

/// A width x height image of palette indices (row by row), written as one GIF89a with a
/// 16-colour global palette whose first entry is transparent.
std::string EncodeGif(int width, int height, const std::vector<uint8_t>& indices,
                      const std::array<GifColor, 16>& palette);

}  // namespace korvex
