#include "render/sql_keys.h"

namespace korvex {

KeyQuoting KeyQuotingOf(int32_t ado_type) {
  switch (ado_type) {
    case 72:
    case 129:
    case 130:
    case 200:
    case 202:
      return KeyQuoting::Text;
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 17:
    case 131:
    case 135:
      return KeyQuoting::Number;
    default:
      return KeyQuoting::None;
  }
}

bool IsSqlNumber(std::string_view text) {
  size_t i = 0;
  auto digits = [&] {
    size_t start = i;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i;
    return i - start;
  };
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t whole = digits();
  size_t fraction = 0;
  if (i < text.size() && text[i] == '.') {
    ++i;
    fraction = digits();
  }
  if (whole + fraction == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (digits() == 0) return false;
  }
  return i == text.size();
}

std::string QuoteName(std::string_view left, std::string_view name, std::string_view right) {
  std::string out(left);
  out += name;
  out += right;
  return out;
}

}  // namespace korvex
