// Building the editor pages: text appended line by line with CR LF line ends whatever the
// source's, and the one literal form of a setting placed inside the current-browser page's
// script.
#pragma once

#include <string>
#include <string_view>

namespace korvex {

class PageLines {
 public:
  /// One line: text, then CR LF.
  PageLines& Line(std::string_view text);
  /// A block of lines written with LF in the source: every LF is written as CR LF, and the
  /// block must end with one.
  PageLines& Lines(std::string_view block);

  std::string Take() { return std::move(text_); }

 private:
  std::string text_;
};

/// A single-quoted script string holding text exactly. Besides quotes and backslashes, line
/// breaks, "<", ">", "&" and U+2028/U+2029 are written as escapes, so no text can end the
/// script block or the string.
std::string JsStringLiteral(std::string_view text);

}  // namespace korvex
