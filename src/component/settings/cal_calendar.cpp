// calCalendar's members: the twelve month texts, the year range (five years either side of
// today by default) and which time parts the selects show.
#include "component/settings/cal_calendar.h"

#include "core/member_table.h"

namespace korvex {

calCalendar::calCalendar() {
  int16_t year = static_cast<int16_t>(BreakDate(Now()).year);
  FromYear = static_cast<int16_t>(year - 5);
  ToYear = static_cast<int16_t>(year + 5);
}

const std::string& calCalendar::MonthName(int month) const {
  const std::string* names[] = {&m1, &m2, &m3, &m4, &m5, &m6, &m7, &m8, &m9, &m10, &m11, &m12};
  return *names[month - 1];
}

const MemberTable& calCalendar::Members() const {
  static const MemberTable table("calCalendar", {
                                                    Prop<&calCalendar::m1>("m1"),
                                                    Prop<&calCalendar::m2>("m2"),
                                                    Prop<&calCalendar::m3>("m3"),
                                                    Prop<&calCalendar::m4>("m4"),
                                                    Prop<&calCalendar::m5>("m5"),
                                                    Prop<&calCalendar::m6>("m6"),
                                                    Prop<&calCalendar::m7>("m7"),
                                                    Prop<&calCalendar::m8>("m8"),
                                                    Prop<&calCalendar::m9>("m9"),
                                                    Prop<&calCalendar::m10>("m10"),
                                                    Prop<&calCalendar::m11>("m11"),
                                                    Prop<&calCalendar::m12>("m12"),
                                                    Prop<&calCalendar::FromYear>("FromYear"),
                                                    Prop<&calCalendar::ToYear>("ToYear"),
                                                    Prop<&calCalendar::ShowHours>("ShowHours"),
                                                    Prop<&calCalendar::ShowMinutes>("ShowMinutes"),
                                                    Prop<&calCalendar::ShowSeconds>("ShowSeconds"),
                                                });
  return table;
}

}  // namespace korvex
