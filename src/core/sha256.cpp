// SHA-256 as FIPS 180-4 gives it: 64-byte blocks, big-endian words, 64 rounds.
#include "core/sha256.h"

namespace korvex {

namespace {

constexpr uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr uint32_t RotateRight(uint32_t x, int n) {
  return (x >> n) | (x << (32 - n));
}

class Sha256State {
 public:
  void Add(std::string_view bytes) {
    for (char c : bytes) {
      block_[filled_++] = static_cast<uint8_t>(c);
      if (filled_ == 64) Compress();
    }
    length_ += bytes.size();
  }

  Sha256Digest Finish() {
    const uint64_t bits = length_ * 8;
    block_[filled_++] = 0x80;
    if (filled_ > 56) {
      while (filled_ < 64) block_[filled_++] = 0;
      Compress();
    }
    while (filled_ < 56) block_[filled_++] = 0;
    for (int i = 7; i >= 0; --i) block_[filled_++] = static_cast<uint8_t>(bits >> (8 * i));
    Compress();
    Sha256Digest digest;
    for (size_t i = 0; i < 8; ++i)
      for (size_t j = 0; j < 4; ++j)
        digest[4 * i + j] = static_cast<uint8_t>(hash_[i] >> (24 - 8 * j));
    return digest;
  }

 private:
  void Compress() {
    uint32_t w[64];
    for (size_t i = 0; i < 16; ++i)
      w[i] = uint32_t{block_[4 * i]} << 24 | uint32_t{block_[4 * i + 1]} << 16 |
             uint32_t{block_[4 * i + 2]} << 8 | uint32_t{block_[4 * i + 3]};
    for (size_t i = 16; i < 64; ++i) {
      uint32_t s0 = RotateRight(w[i - 15], 7) ^ RotateRight(w[i - 15], 18) ^ (w[i - 15] >> 3);
      uint32_t s1 = RotateRight(w[i - 2], 17) ^ RotateRight(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    uint32_t a = hash_[0], b = hash_[1], c = hash_[2], d = hash_[3], e = hash_[4], f = hash_[5],
             g = hash_[6], h = hash_[7];
    for (size_t i = 0; i < 64; ++i) {
      uint32_t t1 = h + (RotateRight(e, 6) ^ RotateRight(e, 11) ^ RotateRight(e, 25)) +
                    ((e & f) ^ (~e & g)) + kRoundConstants[i] + w[i];
      uint32_t t2 = (RotateRight(a, 2) ^ RotateRight(a, 13) ^ RotateRight(a, 22)) +
                    ((a & b) ^ (a & c) ^ (b & c));
      h = g, g = f, f = e, e = d + t1, d = c, c = b, b = a, a = t1 + t2;
    }
    hash_[0] += a, hash_[1] += b, hash_[2] += c, hash_[3] += d;
    hash_[4] += e, hash_[5] += f, hash_[6] += g, hash_[7] += h;
    filled_ = 0;
  }

  uint32_t hash_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                       0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
  uint8_t block_[64] = {};
  size_t filled_ = 0;
  uint64_t length_ = 0;
};

std::string_view AsText(const Sha256Digest& digest) {
  return {reinterpret_cast<const char*>(digest.data()), digest.size()};
}

}  // namespace

Sha256Digest Sha256(std::string_view message) {
  Sha256State state;
  state.Add(message);
  return state.Finish();
}

Sha256Digest HmacSha256(std::string_view key, std::string_view message) {
  constexpr size_t kBlock = 64;
  Sha256Digest hashed_key;
  if (key.size() > kBlock) {
    hashed_key = Sha256(key);
    key = AsText(hashed_key);
  }
  std::string inner_pad(kBlock, '\x36'), outer_pad(kBlock, '\x5c');
  for (size_t i = 0; i < key.size(); ++i) {
    inner_pad[i] = static_cast<char>(inner_pad[i] ^ key[i]);
    outer_pad[i] = static_cast<char>(outer_pad[i] ^ key[i]);
  }
  Sha256State inner;
  inner.Add(inner_pad);
  inner.Add(message);
  const Sha256Digest inner_digest = inner.Finish();
  Sha256State outer;
  outer.Add(outer_pad);
  outer.Add(AsText(inner_digest));
  return outer.Finish();
}

std::string HexOf(const Sha256Digest& digest) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out;
  out.reserve(2 * digest.size());
  for (uint8_t b : digest) {
    out += kHex[b >> 4];
    out += kHex[b & 0xF];
  }
  return out;
}

bool EqualInConstantTime(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  unsigned char differences = 0;
  for (size_t i = 0; i < a.size(); ++i) differences |= static_cast<unsigned char>(a[i] ^ b[i]);
  return differences == 0;
}

}  // namespace korvex
