// The one error type of the automation layer: a number, a description and a source,
// as a page script sees them. Every subsystem and provider raises its failures as this.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace korvex {

/// Run-time error numbers shared across the code; providers and the component add their own.
namespace err {
inline constexpr int32_t kInvalidProcedureCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kDivisionByZero = 11;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kFileAlreadyExists = 58;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kInvalidUseOfNull = 94;
inline constexpr int32_t kObjectRequired = 424;
inline constexpr int32_t kNotSupported = 438;
inline constexpr int32_t kArgumentNotOptional = 449;
inline constexpr int32_t kWrongArgumentCount = 450;
inline constexpr int32_t kDuplicateKey = 457;
inline constexpr int32_t kInvalidClassString = -2147221005;
}  // namespace err

class AutomationError : public std::runtime_error {
 public:
  AutomationError(int32_t number, std::string description, std::string source = "Korvex");

  int32_t number() const noexcept { return number_; }
  const std::string& description() const noexcept { return description_; }
  const std::string& source() const noexcept { return source_; }

 private:
  int32_t number_;
  std::string description_;
  std::string source_;
};

/// The standard text of a run-time error number ("Overflow" for 6), or "" when it has none.
const char* RuntimeErrorText(int32_t number);

/// Raises a run-time error with its standard text; the source is the language run time.
[[noreturn]] void RaiseRuntimeError(int32_t number);

}  // namespace korvex
