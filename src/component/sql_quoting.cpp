// Identifier and text quoting of the SQL the component writes.
#include "component/sql_quoting.h"

namespace korvex {

namespace {

std::string Doubling(std::string_view text, std::string_view mark) {
  if (mark.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size() + 2);
  for (size_t at = 0;;) {
    size_t found = text.find(mark, at);
    if (found == std::string_view::npos) {
      out += text.substr(at);
      return out;
    }
    out += text.substr(at, found + mark.size() - at);
    out += mark;
    at = found + mark.size();
  }
}

}  // namespace

std::string SqlQuoting::QuoteIdentifier(std::string_view name) const {
  return left_ + Doubling(name, right_) + right_;
}

std::string SqlQuoting::QuoteText(std::string_view text) {
  return "'" + Doubling(text, "'") + "'";
}

}  // namespace korvex
