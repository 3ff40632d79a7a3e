// Which keys may enter the SQL of the relation and many-to-many lists, and how.
#include "render/sql_keys.h"

#include "component/field_model.h"

namespace korvex {

KeyQuoting KeyQuotingOf(int32_t ado_type) {
  switch (ClassOfType(ado_type)) {
    case FieldClass::Text:
      return KeyQuoting::Text;
    case FieldClass::Number:
    case FieldClass::Date:
    case FieldClass::Timestamp:
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

}  // namespace korvex
