// The number (or number and description) of the AutomationError an action raises: lets a test
// state the expected error in one line.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/automation_error.h"

namespace korvex::testing {

/// The error's number, or 0 when the action raises none.
inline int32_t ErrorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

/// "number:description" of the error, or "no error".
inline std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& e) {
    return std::to_string(e.number()) + ":" + e.description();
  }
  return "no error";
}

}  // namespace korvex::testing
