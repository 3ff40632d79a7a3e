// The range of dates, shared by the conversions (variant.cpp) and the calendar arithmetic
// (date.cpp): a number outside it is no date, and a serial outside it breaks as its nearest end.
#pragma once

namespace korvex {

/// The serials of the first and the last day a date can be: 100-01-01 and 9999-12-31.
inline constexpr double kFirstDateSerial = -657434;
inline constexpr double kLastDateSerial = 2958465;

}  // namespace korvex
