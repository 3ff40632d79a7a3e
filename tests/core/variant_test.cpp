#include "core/variant.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "support/error_number.h"

#include "core/automation_error.h"

namespace korvex {
namespace {

using korvex::testing::ErrorNumberOf;

TEST(VariantConversion, IntegersRoundHalfToEven) {
  EXPECT_EQ(CInt(Variant(2.5)), 2);
  EXPECT_EQ(CInt(Variant(3.5)), 4);
  EXPECT_EQ(CInt(Variant(-2.5)), -2);
  EXPECT_EQ(CLng(Variant("1.5")), 2);
  EXPECT_EQ(CLng(Variant(" 42 ")), 42);
  EXPECT_EQ(CInt(Variant(true)), -1);
  EXPECT_EQ(CInt(Variant()), 0);
}

TEST(VariantConversion, OutOfRangeIsOverflowAndNonNumbersAreMismatch) {
  EXPECT_EQ(ErrorNumberOf([] { CInt(Variant(32767.5)); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { CInt(Variant("99999")); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { CLng(Variant(3e9)); }), 6);
  EXPECT_EQ(ErrorNumberOf([] { CInt(Variant("")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CInt(Variant("abc")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CDbl(Variant("1e")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CLng(Variant::Null()); }), 94);
  EXPECT_EQ(CInt(Variant(32767.4)), 32767);
}

TEST(VariantConversion, BooleansFromTextAndNumbers) {
  EXPECT_TRUE(CBool(Variant("true")));
  EXPECT_TRUE(CBool(Variant("TRUE")));
  EXPECT_FALSE(CBool(Variant("False")));
  EXPECT_FALSE(CBool(Variant("0")));
  EXPECT_TRUE(CBool(Variant("-1")));
  EXPECT_TRUE(CBool(Variant(0.5)));
  EXPECT_EQ(ErrorNumberOf([] { CBool(Variant("yes")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CBool(Variant("")); }), 13);
}

TEST(VariantText, FormsOfEachKind) {
  EXPECT_EQ(ToText(Variant(true)), "True");
  EXPECT_EQ(ToText(Variant(false)), "False");
  EXPECT_EQ(ToText(Variant(int16_t{-7})), "-7");
  EXPECT_EQ(ToText(Variant(0.1 + 0.2)), "0.3");
  EXPECT_EQ(ToText(Variant(2.50)), "2.5");
  EXPECT_EQ(ToText(Variant(1e20)), "1E+20");
  EXPECT_EQ(ToText(Variant(CurrencyValue{123450})), "12.345");
  EXPECT_EQ(ToText(Variant()), "");
  EXPECT_EQ(ErrorNumberOf([] { ToText(Variant::Null()); }), 94);
  EXPECT_EQ(TextOrEmpty(Variant::Null()), "");
}

TEST(VariantDate, ParsesIsoAndMonthDayYear) {
  EXPECT_EQ(FormatDate(CDate(Variant("1/1/1"))), "2001-01-01");
  EXPECT_EQ(FormatDate(CDate(Variant("3/14/2003"))), "2003-03-14");
  EXPECT_EQ(FormatDate(CDate(Variant("12/31/99"))), "1999-12-31");
  EXPECT_EQ(FormatDate(CDate(Variant("2003-03-14 15:04:09"))), "2003-03-14 15:04:09");
  EXPECT_EQ(FormatDate(CDate(Variant("3/14/2003 3:04"))), "2003-03-14 03:04:00");
  EXPECT_EQ(CDate(Variant("1899-12-30")).serial, 0);
  EXPECT_EQ(CDate(Variant("2000-01-01")).serial, 36526);
  EXPECT_EQ(ErrorNumberOf([] { CDate(Variant("2003-02-29")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CDate(Variant("13/1/2003")); }), 13);
  EXPECT_EQ(ErrorNumberOf([] { CDate(Variant("2003-03-14 25:00")); }), 13);
  EXPECT_EQ(ToText(Variant(CDate(Variant("1850-06-01 12:00:00")))), "1850-06-01 12:00:00");
}

// Numbers beyond the years 100 to 9999 are no dates; a serial from elsewhere (a database) that
// is one still breaks into a date of that range.
TEST(VariantDate, NumbersBeyondTheYears100To9999Overflow) {
  for (const Variant& v : {Variant("1e309"), Variant(2958466.0), Variant(-657435.0),
                           Variant(-1e300), Variant(std::numeric_limits<double>::quiet_NaN())})
    EXPECT_EQ(ErrorNumberOf([&] { CDate(v); }), 6) << ToText(v);
  EXPECT_EQ(FormatDate(CDate(Variant("2958465.5"))), "9999-12-31 12:00:00");
  EXPECT_EQ(BreakDate(CDate(Variant(-657434.5))).year, 100);
  struct {
    double serial;
    int year, month, day, second;
  } breaks[] = {{std::numeric_limits<double>::infinity(), 9999, 12, 31, 59},
                {-1e300, 100, 1, 1, 59},
                {std::numeric_limits<double>::quiet_NaN(), 1899, 12, 30, 0}};
  for (const auto& b : breaks) {
    CivilTime t = BreakDate(DateValue{b.serial});
    EXPECT_EQ(std::vector<int>({t.year, t.month, t.day, t.second}),
              std::vector<int>({b.year, b.month, b.day, b.second}))
        << b.serial;
  }
}

TEST(VariantCompare, NumbersTextsAndNull) {
  EXPECT_EQ(CompareVariants(Variant(10), Variant("9")), 1);  // numerically, not as text
  EXPECT_EQ(CompareVariants(Variant("10"), Variant("9")), -1);
  EXPECT_EQ(CompareVariants(Variant("a"), Variant("A")), 1);
  EXPECT_TRUE(VariantEquals(Variant(int16_t{3}), Variant(3.0)));
  EXPECT_TRUE(VariantEquals(Variant(), Variant("")));
  EXPECT_TRUE(VariantEquals(Variant(), Variant(0)));
  EXPECT_FALSE(VariantEquals(Variant::Null(), Variant::Null()));
  EXPECT_FALSE(CompareVariants(Variant::Null(), Variant(1)).has_value());
}

TEST(Utf8, CountsAndCutsWholeCharacters) {
  EXPECT_EQ(CountChars("h\xC3\xA9llo"), 5u);
  EXPECT_EQ(LeftChars("h\xC3\xA9llo", 2), "h\xC3\xA9");
  EXPECT_EQ(LeftChars("ab", 5), "ab");
  EXPECT_EQ(SanitizeUtf8("a\xFF"
                         "b\xC3"),
            "a\xEF\xBF\xBD"
            "b\xEF\xBF\xBD");
  EXPECT_EQ(SanitizeUtf8("\xC0\xAF"), "\xEF\xBF\xBD\xEF\xBF\xBD");  // overlong "/"
  EXPECT_EQ(SanitizeUtf8("\xE2\x82\xAC"), "\xE2\x82\xAC");
}

}  // namespace
}  // namespace korvex
