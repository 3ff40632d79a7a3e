// Standard descriptions of the data access errors, as pages have always seen them.
#include "ado/ado_errors.h"

namespace korvex::ado {

std::string_view AdoErrorText(int32_t number) {
  switch (number) {
    case err::kInvalidArgument:
      return "Arguments are of the wrong type, are out of acceptable range, or are in conflict "
             "with one another.";
    case err::kNoCurrentRecord:
      return "Either BOF or EOF is True, or the current record has been deleted. Requested "
             "operation requires a current record.";
    case err::kNotCapable:
      return "Object or provider is not capable of performing requested operation.";
    case err::kItemNotFound:
      return "Item cannot be found in the collection corresponding to the requested name or "
             "ordinal.";
    case err::kObjectClosed:
      return "Operation is not allowed when the object is closed.";
    case err::kObjectOpen:
      return "Operation is not allowed when the object is open.";
    case err::kProviderNotFound:
      return "Provider cannot be found. It may not be properly installed.";
    case err::kConnectionUnusable:
      return "The connection cannot be used to perform this operation. It is either closed or "
             "invalid in this context.";
    case err::kCannotConvert:
      return "Multiple-step operation generated errors. Check each status value.";
    case err::kRowChanged:
      return "Row cannot be located for updating. Some values may have been changed since it "
             "was last read.";
    default:
      return "Unspecified error";
  }
}

void RaiseAdo(int32_t number, std::string_view source) {
  throw AutomationError(number, std::string(AdoErrorText(number)), std::string(source));
}

void RaiseAdo(int32_t number, std::string_view source, std::string description) {
  throw AutomationError(number, std::move(description), std::string(source));
}

}  // namespace korvex::ado
