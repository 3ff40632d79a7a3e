// Basic authentication: header parsing, base64 and the constant-time comparison.
#include "host/http/basic_auth.h"

#include <algorithm>
#include <cstdint>

#include "core/text.h"

namespace korvex::host::http {

namespace {

int Base64Value(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Standard alphabet; "=" padding is optional but, when present, must close the text.
std::optional<std::string> DecodeBase64(std::string_view text) {
  size_t padding = 0;
  while (!text.empty() && text.back() == '=' && padding < 2) {
    text.remove_suffix(1);
    ++padding;
  }
  if (text.size() % 4 == 1 || (padding > 0 && (text.size() + padding) % 4 != 0)) {
    return std::nullopt;
  }
  std::string out;
  uint32_t bits = 0;
  int count = 0;
  for (char c : text) {
    int v = Base64Value(c);
    if (v < 0) return std::nullopt;
    bits = (bits << 6) | static_cast<uint32_t>(v);
    count += 6;
    if (count >= 8) {
      count -= 8;
      out += static_cast<char>((bits >> count) & 0xFF);
    }
  }
  return out;
}

}  // namespace

std::optional<BasicCredentials> ParseBasicAuthorization(std::string_view value) {
  constexpr std::string_view kScheme = "Basic";
  if (value.size() <= kScheme.size() || !EqualsNoCase(value.substr(0, kScheme.size()), kScheme) ||
      value[kScheme.size()] != ' ') {
    return std::nullopt;
  }
  value.remove_prefix(kScheme.size());
  while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
  while (!value.empty() && value.back() == ' ') value.remove_suffix(1);
  auto decoded = DecodeBase64(value);
  if (!decoded) return std::nullopt;
  size_t colon = decoded->find(':');
  if (colon == std::string::npos) return std::nullopt;
  return BasicCredentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

bool ConstantTimeEquals(std::string_view a, std::string_view b) {
  // Walks the longer text whole; only the lengths can be learned, not the contents.
  size_t n = std::max(a.size(), b.size());
  volatile unsigned char diff = a.size() == b.size() ? 0 : 1;
  for (size_t i = 0; i < n; ++i) {
    unsigned char x = i < a.size() ? static_cast<unsigned char>(a[i]) : 0;
    unsigned char y = i < b.size() ? static_cast<unsigned char>(b[i]) : 0;
    diff = diff | (x ^ y);
  }
  return diff == 0;
}

bool BasicAuth::Accepts(std::string_view header_value) const {
  auto given = ParseBasicAuthorization(header_value);
  if (!given) return false;
  // Both parts are always compared, so a right user name is not told apart by timing.
  bool user_ok = ConstantTimeEquals(given->user, expected_.user);
  bool password_ok = ConstantTimeEquals(given->password, expected_.password);
  return user_ok & password_ok;
}

std::string BasicAuth::Challenge() {
  return "Basic realm=\"Korvex\", charset=\"UTF-8\"";
}

}  // namespace korvex::host::http
