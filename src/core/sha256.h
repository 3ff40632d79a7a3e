// SHA-256 and HMAC-SHA-256, for the links the site signs. Written here rather than taken from
// a crypto library: this is all the program needs of one, and it keeps the build's
// dependencies where they were. Checked against the FIPS 180-4 and RFC 4231 vectors.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace korvex {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view message);
/// HMAC (RFC 2104) over SHA-256; a key longer than the 64-byte block is hashed first.
Sha256Digest HmacSha256(std::string_view key, std::string_view message);

/// Lower-case hexadecimal, two digits a byte.
std::string HexOf(const Sha256Digest& digest);
/// Whether a and b are equal, in a time that depends on their lengths only, so that a forger
/// cannot learn a signature byte by byte from how fast it is refused.
bool EqualInConstantTime(std::string_view a, std::string_view b);

}  // namespace korvex
