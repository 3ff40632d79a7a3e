// HTMLJavaScripts's members, its default alert texts, and the escaping that keeps each text
// ready for a single-quoted script string.
#include "component/settings/html_java_scripts.h"

#include "core/member_table.h"
#include "host/encoding.h"

namespace korvex {

HTMLJavaScripts::HTMLJavaScripts() {
  // The initial texts pass through the setters like any other, so they read back escaped.
  InvalidDateMessage("Date is invalid!");
  IsNumericErrorMessage(
      "The field value is not numeric!\r\nPlease provide a numeric value for the field");
  MaxLenghtErrorMessage(
      " are too many characters for the field! \r\nThe size limit for this field is ");
  RequiredErrorMessage("The field is required! \r\nPlease provide a value.");
}

const MemberTable& HTMLJavaScripts::Members() const {
  using C = HTMLJavaScripts;
  static const MemberTable table(
      "HTMLJavaScripts",
      {
          Prop<&C::CheckMaxLenght>("CheckMaxLenght"),
          Prop<&C::CheckRequired>("CheckRequired"),
          Prop<&C::CheckIsNumeric>("CheckIsNumeric"),
          Prop<&C::CheckIsDate>("CheckIsDate"),
          Accessor("InvalidDateMessage", &C::InvalidDateMessage, &C::InvalidDateMessage),
          Accessor("IsNumericErrorMessage", &C::IsNumericErrorMessage, &C::IsNumericErrorMessage),
          Accessor("MaxLenghtErrorMessage", &C::MaxLenghtErrorMessage, &C::MaxLenghtErrorMessage),
          Accessor("RequiredErrorMessage", &C::RequiredErrorMessage, &C::RequiredErrorMessage),
      });
  return table;
}

std::string HTMLJavaScripts::JsEscape(std::string_view text) {
  // One pass gives the same result as the five replacements in their order: none of them
  // produces text that a later one would match.
  std::string escaped;
  escaped.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
      case '\\':
        escaped += "\\\\";
        break;
      case '"':
        escaped += "\\\"";
        break;
      case '\'':
        escaped += "\\'";
        break;
      case '\t':
        escaped += "\\t";
        break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') {
          escaped += "\\n";
          ++i;
        } else {
          escaped += c;
        }
        break;
      default:
        escaped += c;
    }
  }
  return escaped;
}

std::string HTMLJavaScripts::JsEscapeForAttribute(std::string_view text) {
  return host::EncodeHtml(JsEscape(text));
}

}  // namespace korvex
