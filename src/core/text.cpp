// Text helpers every layer shares: ASCII case folding, blanks, UTF-8 counting and repair, and
// the one escaper of markup text.
#include "core/text.h"

#include <cstdint>

namespace korvex {

namespace {
char FoldChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}
}  // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldChar(a[i]) != FoldChar(b[i])) return false;
  return true;
}

std::string FoldCase(std::string_view s) {
  std::string r(s);
  for (char& c : r) c = FoldChar(c);
  return r;
}

size_t CountChars(std::string_view utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

std::string_view LeftChars(std::string_view utf8, size_t n) {
  size_t count = 0;
  for (size_t i = 0; i < utf8.size(); ++i) {
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) {
      if (count == n) return utf8.substr(0, i);
      ++count;
    }
  }
  return utf8;
}

std::string SanitizeUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    size_t len = 0;
    uint32_t cp = 0;
    if (c < 0x80)
      len = 1, cp = c;
    else if (c >= 0xC2 && c <= 0xDF)
      len = 2, cp = c & 0x1F;
    else if (c >= 0xE0 && c <= 0xEF)
      len = 3, cp = c & 0x0F;
    else if (c >= 0xF0 && c <= 0xF4)
      len = 4, cp = c & 0x07;
    bool ok = len > 0 && i + len <= s.size();
    for (size_t k = 1; ok && k < len; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (cc & 0x3F);
    }
    // Overlong forms, surrogates and values past U+10FFFF are invalid too.
    if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
      ok = false;
    if (ok) {
      out.append(s.substr(i, len));
      i += len;
    } else {
      out.append("\xEF\xBF\xBD");
      ++i;
    }
  }
  return out;
}

std::string_view Trim(std::string_view s, std::string_view blanks) {
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(blanks) - first + 1);
}

void AppendEscapedMarkup(std::string& out, std::string_view text, MarkupEscape rules) {
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += rules == MarkupEscape::Html ? "&#39;" : "&apos;";
        break;
      case '\r':
      case '\n':
      case '\t':
        // An XML attribute keeps these only as character references.
        if (rules == MarkupEscape::XmlAttribute)
          out += c == '\r' ? "&#xD;" : c == '\n' ? "&#xA;" : "&#x9;";
        else
          out += c;
        break;
      default:
        // Other control characters cannot appear in an XML 1.0 document at all.
        if (rules == MarkupEscape::XmlAttribute && static_cast<unsigned char>(c) < 0x20)
          out += "\xEF\xBF\xBD";
        else
          out += c;
    }
  }
}

}  // namespace korvex
