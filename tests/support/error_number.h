// The number of the AutomationError an action raises, or 0 when it raises none: lets a test
// state the expected error in one line.
#pragma once

#include <cstdint>
#include <functional>

#include "core/automation_error.h"

namespace korvex::testing {

inline int32_t ErrorNumberOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace korvex::testing
