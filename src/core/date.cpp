// Dates as serial day numbers from 1899-12-30, their text form, and the forms pages post.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

#include "core/date_range.h"
#include "core/variant.h"

namespace korvex {

namespace {

// Days from 1970-01-01 for a proleptic Gregorian date (H. Hinnant's algorithm).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t yy = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yy + (m <= 2));
}

constexpr int64_t kEpochOffset = 25569;  // 1970-01-01 as a serial day

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads an unsigned decimal number of at most max_digits; advances pos.
bool ReadNumber(std::string_view s, size_t& pos, int max_digits, int& out, int& digits) {
  out = 0;
  digits = 0;
  while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9' && digits < max_digits) {
    out = out * 10 + (s[pos] - '0');
    ++pos;
    ++digits;
  }
  return digits > 0;
}

bool ReadTime(std::string_view s, size_t& pos, CivilTime& t) {
  int digits;
  if (!ReadNumber(s, pos, 2, t.hour, digits)) return false;
  if (pos >= s.size() || s[pos] != ':') return false;
  ++pos;
  if (!ReadNumber(s, pos, 2, t.minute, digits)) return false;
  if (pos < s.size() && s[pos] == ':') {
    ++pos;
    if (!ReadNumber(s, pos, 2, t.second, digits)) return false;
  }
  return true;
}

}  // namespace

std::optional<DateValue> MakeDate(const CivilTime& t) {
  if (t.year < 100 || t.year > 9999 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > DaysInMonth(t.year, t.month) || t.hour < 0 || t.hour > 23 || t.minute < 0 ||
      t.minute > 59 || t.second < 0 || t.second > 59)
    return std::nullopt;
  int64_t days = DaysFromCivil(t.year, t.month, t.day) + kEpochOffset;
  double fraction = (t.hour * 3600 + t.minute * 60 + t.second) / 86400.0;
  // Before the epoch day the fraction still counts forward from midnight, so it is subtracted
  // from a negative day number, as the serial date format has it.
  return DateValue{days < 0 ? days - fraction : days + fraction};
}

CivilTime BreakDate(DateValue d) {
  // A serial beyond the years 100 to 9999 (a database may hold one) breaks as the nearest end
  // of that range: its day number would not fit the integer it is converted to.
  const double last_second = 86399.0 / 86400.0;
  const double serial = std::isnan(d.serial) ? 0.0
                                             : std::clamp(d.serial, kFirstDateSerial - last_second,
                                                          kLastDateSerial + last_second);
  double whole = std::trunc(serial);
  double fraction = std::fabs(serial - whole);
  int64_t seconds = std::llround(fraction * 86400.0);
  int64_t days = static_cast<int64_t>(whole);
  if (seconds >= 86400) {  // rounding reached the next midnight
    seconds -= 86400;
    days += serial < 0 ? -1 : 1;
  }
  CivilTime t;
  CivilFromDays(days - kEpochOffset, t.year, t.month, t.day);
  t.hour = static_cast<int>(seconds / 3600);
  t.minute = static_cast<int>(seconds / 60 % 60);
  t.second = static_cast<int>(seconds % 60);
  return t;
}

std::optional<DateValue> ParseDate(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  CivilTime t;
  t.year = t.month = t.day = 0;
  size_t pos = 0;
  int a, b, c, da, db, dc;
  if (!ReadNumber(text, pos, 4, a, da) || pos >= text.size()) return std::nullopt;
  if (text[pos] == '-' && da == 4) {  // ISO: YYYY-MM-DD
    ++pos;
    if (!ReadNumber(text, pos, 2, b, db) || pos >= text.size() || text[pos] != '-')
      return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 2, c, dc)) return std::nullopt;
    t.year = a, t.month = b, t.day = c;
  } else if (text[pos] == '/' && da <= 2) {  // M/D/Y
    ++pos;
    if (!ReadNumber(text, pos, 2, b, db) || pos >= text.size() || text[pos] != '/')
      return std::nullopt;
    ++pos;
    if (!ReadNumber(text, pos, 4, c, dc) || dc == 3) return std::nullopt;
    if (dc <= 2) c += c < 30 ? 2000 : 1900;
    t.year = c, t.month = a, t.day = b;
  } else {
    return std::nullopt;
  }
  if (pos < text.size()) {
    if (text[pos] != ' ' && text[pos] != 'T') return std::nullopt;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == 'T')) ++pos;
    if (!ReadTime(text, pos, t) || pos != text.size()) return std::nullopt;
  }
  return MakeDate(t);
}

std::string FormatDate(DateValue d) {
  CivilTime t = BreakDate(d);
  char buf[40];
  if (t.hour == 0 && t.minute == 0 && t.second == 0)
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", t.year, t.month, t.day);
  else
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
  return buf;
}

DateValue Now() {
  using namespace std::chrono;
  auto now = system_clock::now();
  time_t tt = system_clock::to_time_t(now);
  struct tm local;
  localtime_r(&tt, &local);
  CivilTime t{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
              local.tm_hour,        local.tm_min,     local.tm_sec};
  return *MakeDate(t);
}

}  // namespace korvex
