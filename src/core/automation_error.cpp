// Standard texts of the run-time errors raised by the automation layer itself.
#include "core/automation_error.h"

namespace korvex {

AutomationError::AutomationError(int32_t number, std::string description, std::string source)
    : std::runtime_error(description),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

const char* RuntimeErrorText(int32_t number) {
  switch (number) {
    case err::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case err::kOverflow:
      return "Overflow";
    case err::kSubscriptOutOfRange:
      return "Subscript out of range";
    case err::kDivisionByZero:
      return "Division by zero";
    case err::kTypeMismatch:
      return "Type mismatch";
    case err::kFileNotFound:
      return "File not found";
    case err::kFileAlreadyExists:
      return "File already exists";
    case err::kPermissionDenied:
      return "Permission denied";
    case err::kPathNotFound:
      return "Path not found";
    case err::kInvalidUseOfNull:
      return "Invalid use of Null";
    case err::kObjectRequired:
      return "Object required";
    case err::kNotSupported:
      return "Object doesn't support this property or method";
    case err::kArgumentNotOptional:
      return "Argument not optional";
    case err::kWrongArgumentCount:
      return "Wrong number of arguments or invalid property assignment";
    case err::kDuplicateKey:
      return "This key is already associated with an element of this collection";
    case err::kInvalidClassString:
      return "Invalid class string";
    default:
      return "";
  }
}

void RaiseRuntimeError(int32_t number) {
  throw AutomationError(number, RuntimeErrorText(number), "Korvex runtime");
}

}  // namespace korvex
