// The six selects (day, month, year, hour, minute, second) that edit one date field. The
// write path rebuilds the date from the six posted values N+"dd", "mm", "aaaa", "hh", "min",
// "sec".
#pragma once

#include <string>
#include <string_view>

#include "core/variant.h"

namespace korvex {

class calCalendar;

/// The controls for field name with value preselected. An empty value (Empty, Null or "")
/// stands for 1 January 2001 at midnight; a value that is no date raises 13.
std::string DateTimeSelects(std::string_view name, const Variant& value,
                            const calCalendar& calendar);

}  // namespace korvex
