// The report template as text: its split into header, repeated section and footer at the loop
// keys, and the replacement of keys and field placeholders. Where the text comes from and what
// the keys are replaced by is the report's business (template_report.cpp).
#pragma once

#include <span>
#include <string>
#include <string_view>

namespace korvex {

/// The three parts of a template, or in missing the notice to write instead.
struct TemplateParts {
  std::string header;        // before the first begin key
  std::string section;       // written once per record
  std::string footer;        // after the end key
  std::string_view missing;  // "Begin Loop Key Not Found", "End Loop Key Not Found" or ""
};

/// Splits text at the first begin key and the first end key after it. The section starts right
/// after the begin key and is (end position - begin position - end key length - 3) long: with
/// the default keys one character shorter than the text between them, so the line feed before
/// the end key is not repeated. A shorter distance gives an empty section.
TemplateParts SplitTemplate(std::string_view text, std::string_view begin_key,
                            std::string_view end_key);

struct Placeholder {
  std::string_view key;
  std::string_view value;
};

/// text with every occurrence of each key replaced by its value, in one pass: a replacement is
/// never searched again, so a value holding a key or a placeholder is written as it is. Where
/// two keys start at the same place the one listed first wins; an empty key matches nothing.
std::string Substitute(std::string_view text, std::span<const Placeholder> placeholders);

}  // namespace korvex
