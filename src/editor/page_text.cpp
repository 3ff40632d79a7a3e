// See page_text.h.
#include "editor/page_text.h"

#include <cstdio>
#include <stdexcept>

namespace korvex {

PageLines& PageLines::Line(std::string_view text) {
  text_ += text;
  text_ += "\r\n";
  return *this;
}

PageLines& PageLines::Lines(std::string_view block) {
  if (!block.empty() && block.back() != '\n')
    throw std::logic_error("PageLines::Lines: a block ends with a line break");
  for (char c : block) {
    if (c == '\n') {
      text_ += "\r\n";
    } else {
      text_ += c;
    }
  }
  return *this;
}

std::string JsStringLiteral(std::string_view text) {
  std::string out = "'";
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    // U+2028 and U+2029 end a line in older script engines: E2 80 A8 / E2 80 A9.
    if (c == 0xE2 && i + 2 < text.size() && static_cast<unsigned char>(text[i + 1]) == 0x80 &&
        (static_cast<unsigned char>(text[i + 2]) & 0xFE) == 0xA8) {
      out += static_cast<unsigned char>(text[i + 2]) == 0xA8 ? "\\u2028" : "\\u2029";
      i += 2;
      continue;
    }
    if (c < 0x20 || c == '<' || c == '>' || c == '&') {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", c);
      out += escape;
    } else if (c == '\\' || c == '\'' || c == '"') {
      out += '\\';
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "'";
}

}  // namespace korvex
