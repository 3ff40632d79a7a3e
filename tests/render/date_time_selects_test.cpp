#include "render/date_time_selects.h"

#include <gtest/gtest.h>

#include "component/settings/cal_calendar.h"
#include "support/error_number.h"
#include "support/list_fixture.h"

namespace korvex {
namespace {

using testing::ErrorNumberOf;
using testing::Occurrences;

TEST(DateTimeSelects, PreselectsEveryPartOfTheValue) {
  calCalendar cal;
  cal.FromYear = 2002;
  cal.ToYear = 2004;
  std::string html = DateTimeSelects("Born", Variant("2003-03-14 15:04:09"), cal);

  EXPECT_EQ(html.rfind("<select name='Borndd'><option  value=1 >1</option>", 0), 0u);
  EXPECT_NE(html.find("<option  selected  value=14 >14</option>"), std::string::npos);
  EXPECT_NE(html.find("<option  value=31 >31</option></select><select name='Bornmm'>"
                      "<option  value=1>jan</option>"),
            std::string::npos);
  EXPECT_NE(html.find("<option  value=3 selected >mar</option>"), std::string::npos);
  EXPECT_NE(html.find("<select name='Bornaaaa'><option  value=2002>2002</option>"
                      "<option  value=2003 selected >2003</option>"
                      "<option  value=2004>2004</option></select>"),
            std::string::npos);
  EXPECT_NE(html.find("<select name='Bornhh'><option  value=0>00</option>"), std::string::npos);
  EXPECT_NE(html.find("<option  value=15 selected >15</option>"), std::string::npos);
  EXPECT_NE(html.find("<option  value=4 selected >04</option>"), std::string::npos);
  EXPECT_NE(html.find("<option  value=59>59</option></select>"
                      "<input type=hidden name ='Bornsec' value=00>"),
            std::string::npos);
  EXPECT_TRUE(html.ends_with("</select><input type=hidden name ='Bornsec' value=00>"));
  EXPECT_EQ(Occurrences(html, " selected "), 5u);
  EXPECT_EQ(Occurrences(html, "<option "), 31u + 12u + 3u + 24u + 60u);
}

TEST(DateTimeSelects, EmptyValueIsFirstOfJanuary2001YearMayFallOutsideAndTextIsNoDate) {
  calCalendar cal;
  cal.FromYear = 1990;
  cal.ToYear = 1995;
  cal.ShowHours = false;
  cal.ShowMinutes = false;
  std::string html = DateTimeSelects("D", Variant(""), cal);
  EXPECT_NE(html.find("<option  selected  value=1 >1</option>"), std::string::npos);
  EXPECT_NE(html.find("<option  value=1 selected >jan</option>"), std::string::npos);
  EXPECT_EQ(Occurrences(html, " selected "), 2u);  // 2001 lies outside 1990-1995
  EXPECT_NE(html.find("</select><input type=hidden name ='Dhh' value=00>"
                      "<input type=hidden name ='Dmin' value=00>"
                      "<input type=hidden name ='Dsec' value=00>"),
            std::string::npos);

  // A stored date of a year outside the list keeps its year (else saving the form unchanged
  // would move it to the first year listed).
  for (const auto& [value, years] : {
           std::pair{"1987-06-01",
                     "<option  value=1987 selected >1987</option>"
                     "<option  value=1990>1990</option>"},
           std::pair{"2030-06-01",
                     "<option  value=1995>1995</option>"
                     "<option  value=2030 selected >2030</option></select>"},
       }) {
    html = DateTimeSelects("D", Variant(value), cal);
    EXPECT_NE(html.find(years), std::string::npos) << value;
    EXPECT_EQ(Occurrences(html, "<option "), 31u + 12u + 6u + 1u) << value;
  }

  cal.FromYear = 2000;
  cal.ToYear = 1999;
  EXPECT_NE(DateTimeSelects("D", Variant(), cal).find("<select name='Daaaa'></select>"),
            std::string::npos);
  // A value that is no date raises a type mismatch.
  EXPECT_EQ(ErrorNumberOf([&] { DateTimeSelects("D", Variant("soon"), cal); }), 13);
}

}  // namespace
}  // namespace korvex
