// Template text operations; see report_template.h.
#include "reports/report_template.h"

#include <algorithm>
#include <cstdint>

namespace korvex {

TemplateParts SplitTemplate(std::string_view text, std::string_view begin_key,
                            std::string_view end_key) {
  TemplateParts parts;
  const size_t begin = text.find(begin_key);
  if (begin == std::string_view::npos) {
    parts.missing = "Begin Loop Key Not Found";
    return parts;
  }
  // Only an end key after the begin key closes the section: one standing before it would
  // give a negative length.
  const size_t section_start = begin + begin_key.size();
  const size_t end = text.find(end_key, section_start);
  if (end == std::string_view::npos) {
    parts.missing = "End Loop Key Not Found";
    return parts;
  }
  const int64_t length =
      static_cast<int64_t>(end - begin) - static_cast<int64_t>(end_key.size()) - 3;
  parts.header = text.substr(0, begin);
  if (length > 0) parts.section = text.substr(section_start, static_cast<size_t>(length));
  parts.footer = text.substr(end + end_key.size());
  return parts;
}

std::string Substitute(std::string_view text, std::span<const Placeholder> placeholders) {
  std::string out;
  out.reserve(text.size());
  size_t at = 0;
  while (at < text.size()) {
    const Placeholder* match = nullptr;
    for (const Placeholder& p : placeholders) {
      if (!p.key.empty() && p.key[0] == text[at] && text.substr(at, p.key.size()) == p.key) {
        match = &p;
        break;
      }
    }
    if (match) {
      out += match->value;
      at += match->key.size();
    } else {
      out += text[at++];
    }
  }
  return out;
}

}  // namespace korvex
