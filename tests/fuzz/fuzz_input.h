// Helpers for the libFuzzer harnesses: the input as text, and the input cut into parts at NUL
// bytes, so one input can carry several arguments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace korvex::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

/// The input's first parts - 1 pieces up to a NUL each, then the rest; missing pieces are
/// empty.
inline std::vector<std::string_view> SplitInput(std::string_view input, size_t parts) {
  std::vector<std::string_view> pieces;
  while (pieces.size() + 1 < parts) {
    size_t nul = input.find('\0');
    if (nul == std::string_view::npos) break;
    pieces.push_back(input.substr(0, nul));
    input.remove_prefix(nul + 1);
  }
  pieces.push_back(input);
  pieces.resize(parts);
  return pieces;
}

}  // namespace korvex::fuzz
