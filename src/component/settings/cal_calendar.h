// Settings of the date and time selects: month texts, year range, which time parts show.
#pragma once

#include <cstdint>
#include <string>

#include "core/dispatch.h"

namespace korvex {

class calCalendar : public Dispatch {
 public:
  calCalendar();
  const MemberTable& Members() const override;

  std::string m1 = "jan", m2 = "feb", m3 = "mar", m4 = "apr", m5 = "may", m6 = "jun";
  std::string m7 = "jul", m8 = "aug", m9 = "sep", m10 = "oct", m11 = "nov", m12 = "dec";
  int16_t FromYear;  // the current year minus 5, taken at creation
  int16_t ToYear;    // the current year plus 5
  bool ShowHours = true;
  bool ShowMinutes = true;
  bool ShowSeconds = false;

  /// The option text of month 1 to 12.
  const std::string& MonthName(int month) const;
};

}  // namespace korvex
