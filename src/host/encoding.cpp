// HTML and URL encoding and the decoders of request text. Decoders never fail: a malformed
// escape is kept as written and invalid UTF-8 becomes U+FFFD, as a browser would show it.
#include "host/encoding.h"

#include "core/variant.h"

namespace korvex::host {

namespace {

// The blanks HTTP allows around header parameters.
constexpr std::string_view kHeaderBlanks = " \t";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsAsciiAlnum(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

std::string PercentDecodeImpl(std::string_view text, bool plus_is_blank) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '+' && plus_is_blank) {
      out += ' ';
    } else if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
               HexValue(text[i + 2]) >= 0) {
      out += static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
      i += 2;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string EncodeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 8);
  AppendEscapedMarkup(out, text, MarkupEscape::Html);
  return out;
}

std::string EncodeUrl(std::string_view text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size() * 3);
  for (char c : text) {
    if (IsAsciiAlnum(c)) {
      out += c;
    } else if (c == ' ') {
      out += '+';
    } else {
      auto byte = static_cast<unsigned char>(c);
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 0xF];
    }
  }
  return out;
}

std::string PercentDecode(std::string_view text) {
  return PercentDecodeImpl(text, false);
}

std::string DecodeUrl(std::string_view text) {
  return SanitizeUtf8(PercentDecodeImpl(text, true));
}

NameValueList ParseUrlEncoded(std::string_view text) {
  NameValueList pairs;
  while (!text.empty()) {
    size_t amp = text.find('&');
    std::string_view piece = text.substr(0, amp);
    text = amp == std::string_view::npos ? std::string_view() : text.substr(amp + 1);
    if (piece.empty()) continue;
    size_t eq = piece.find('=');
    if (eq == std::string_view::npos) {
      pairs.emplace_back(DecodeUrl(piece), std::string());
    } else {
      pairs.emplace_back(DecodeUrl(piece.substr(0, eq)), DecodeUrl(piece.substr(eq + 1)));
    }
  }
  return pairs;
}

NameValueList ParseCookieHeader(std::string_view header) {
  NameValueList pairs;
  while (!header.empty()) {
    size_t semi = header.find(';');
    std::string_view piece = Trim(header.substr(0, semi), kHeaderBlanks);
    header = semi == std::string_view::npos ? std::string_view() : header.substr(semi + 1);
    size_t eq = piece.find('=');
    if (piece.empty() || eq == 0 || eq == std::string_view::npos) continue;
    std::string_view value = Trim(piece.substr(eq + 1), kHeaderBlanks);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    pairs.emplace_back(DecodeUrl(Trim(piece.substr(0, eq), kHeaderBlanks)), DecodeUrl(value));
  }
  return pairs;
}

bool HasMediaType(std::string_view content_type, std::string_view media_type) {
  return EqualsNoCase(Trim(content_type.substr(0, content_type.find(';')), kHeaderBlanks),
                      media_type);
}

}  // namespace korvex::host
