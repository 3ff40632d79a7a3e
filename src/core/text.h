// Text helpers every layer shares: ASCII case folding (the rule for member names, collection
// keys and request names), blanks, UTF-8 counting and repair, and the one markup escaper.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace korvex {

/// ASCII case folding.
bool EqualsNoCase(std::string_view a, std::string_view b);
std::string FoldCase(std::string_view s);

/// s without leading and trailing characters of blanks.
std::string_view Trim(std::string_view s, std::string_view blanks = " \t\r\n");

/// Number of Unicode code points in a UTF-8 text.
size_t CountChars(std::string_view utf8);
/// The first n code points of a UTF-8 text, never splitting a sequence.
std::string_view LeftChars(std::string_view utf8, size_t n);
/// Replaces every invalid UTF-8 sequence by U+FFFD.
std::string SanitizeUtf8(std::string_view bytes);

enum class MarkupEscape {
  /// & < > " ' as &amp; &lt; &gt; &quot; &#39;, everything else as it is.
  Html,
  /// The same with &apos;, CR, LF and tab as character references, and other control
  /// characters (which XML cannot hold) as U+FFFD.
  XmlAttribute,
};
void AppendEscapedMarkup(std::string& out, std::string_view text, MarkupEscape rules);

}  // namespace korvex
