// Date and time selects. The option markup differs between the parts on purpose (the day
// puts " selected " before its value, the others after), and pages style them as they are.
#include "render/date_time_selects.h"

#include <cstdio>

#include "component/settings/cal_calendar.h"

namespace korvex {

namespace {

std::string TwoDigits(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}

std::string SelectOpen(std::string_view name, std::string_view suffix) {
  std::string out = "<select name='";
  out += name;
  out += suffix;
  out += "'>";
  return out;
}

// One option of the month, year and time selects: " value=" first, then the selection.
std::string Option(int value, bool selected, std::string_view text) {
  std::string out = "<option  value=" + std::to_string(value);
  if (selected) out += " selected ";
  out += ">";
  out += text;
  out += "</option>";
  return out;
}

// Hour, minute or second: a select of two-digit texts, or a hidden zero when not shown.
std::string TimePart(std::string_view name, std::string_view suffix, bool shown, int last,
                     int current) {
  if (!shown) {
    std::string out = "<input type=hidden name ='";
    out += name;
    out += suffix;
    out += "' value=00>";
    return out;
  }
  std::string out = SelectOpen(name, suffix);
  for (int v = 0; v <= last; ++v) out += Option(v, v == current, TwoDigits(v));
  return out + "</select>";
}

}  // namespace

std::string DateTimeSelects(std::string_view name, const Variant& value,
                            const calCalendar& calendar) {
  bool empty = value.IsEmpty() || value.IsNull() || (value.IsString() && value.AsString().empty());
  CivilTime t = BreakDate(empty ? *ParseDate("1/1/1") : CDate(value));

  std::string out = SelectOpen(name, "dd");
  for (int d = 1; d <= 31; ++d) {
    out += "<option ";
    if (d == t.day) out += " selected ";
    out += " value=" + std::to_string(d) + " >" + std::to_string(d) + "</option>";
  }
  out += "</select>";

  out += SelectOpen(name, "mm");
  for (int m = 1; m <= 12; ++m) out += Option(m, m == t.month, calendar.MonthName(m));
  out += "</select>";

  // A stored date whose year lies outside the calendar's years gets that year as an option of
  // its own, selected, where it sorts: without it the browser would select the first year, and
  // saving the form unchanged would move the date.
  const bool outside = !empty && (t.year < calendar.FromYear || t.year > calendar.ToYear);
  const bool before = outside && t.year < calendar.FromYear;
  out += SelectOpen(name, "aaaa");
  if (before) out += Option(t.year, true, std::to_string(t.year));
  for (int y = calendar.FromYear; y <= calendar.ToYear; ++y)
    out += Option(y, y == t.year, std::to_string(y));
  if (outside && !before) out += Option(t.year, true, std::to_string(t.year));
  out += "</select>";

  out += TimePart(name, "hh", calendar.ShowHours, 23, t.hour);
  out += TimePart(name, "min", calendar.ShowMinutes, 59, t.minute);
  out += TimePart(name, "sec", calendar.ShowSeconds, 59, t.second);
  return out;
}

}  // namespace korvex
