// Settings of the client-side validation script: which checks are generated and the alert
// texts, which are kept already escaped for a single-quoted script string.
#pragma once

#include <string>
#include <string_view>

#include "core/dispatch.h"

namespace korvex {

class HTMLJavaScripts : public Dispatch {
 public:
  HTMLJavaScripts();
  const MemberTable& Members() const override;

  bool CheckMaxLenght = false;
  bool CheckRequired = false;
  bool CheckIsNumeric = false;
  bool CheckIsDate = false;

  /// The message setters store JsEscape(text); the getters return the stored, escaped text.
  const std::string& InvalidDateMessage() const { return invalid_date_message_; }
  void InvalidDateMessage(const std::string& text) { invalid_date_message_ = JsEscape(text); }
  const std::string& IsNumericErrorMessage() const { return is_numeric_error_message_; }
  void IsNumericErrorMessage(const std::string& text) {
    is_numeric_error_message_ = JsEscape(text);
  }
  const std::string& MaxLenghtErrorMessage() const { return max_lenght_error_message_; }
  void MaxLenghtErrorMessage(const std::string& text) {
    max_lenght_error_message_ = JsEscape(text);
  }
  const std::string& RequiredErrorMessage() const { return required_error_message_; }
  void RequiredErrorMessage(const std::string& text) { required_error_message_ = JsEscape(text); }

  /// Makes text safe inside a single-quoted script string: backslash, double quote, single
  /// quote and tab are escaped, and each CR LF pair becomes \n; a lone CR or LF stays.
  static std::string JsEscape(std::string_view text);
  /// JsEscape, then HTML-encoded: a script string standing inside an HTML attribute, which
  /// the browser decodes before the script reads it.
  static std::string JsEscapeForAttribute(std::string_view text);

 private:
  std::string invalid_date_message_;
  std::string is_numeric_error_message_;
  std::string max_lenght_error_message_;
  std::string required_error_message_;
};

}  // namespace korvex
