// Conversions between automation values, following the classic Basic rules the component and
// the pages rely on: banker's rounding for integers, 6 on overflow, 13 on a wrong kind.
#include "core/variant.h"

#include <cfenv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

#include "core/automation_error.h"
#include "core/date_range.h"
#include "core/dispatch.h"
#include "core/text.h"

namespace korvex {

Variant::Variant(int64_t l) {
  if (l >= std::numeric_limits<int32_t>::min() && l <= std::numeric_limits<int32_t>::max()) {
    type_ = VarType::Long;
    data_ = static_cast<int32_t>(l);
  } else {
    type_ = VarType::Double;
    data_ = static_cast<double>(l);
  }
}

bool Variant::IsNumeric() const noexcept {
  switch (type_) {
    case VarType::Integer:
    case VarType::Long:
    case VarType::Double:
    case VarType::Currency:
      return true;
    default:
      return false;
  }
}

namespace {

std::string FormatDouble(double d) {
  if (std::isnan(d)) return "NaN";
  if (std::isinf(d)) return d > 0 ? "Infinity" : "-Infinity";
  if (d == 0) return "0";  // also for -0
  char buf[40];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  std::string s(buf);
  // Basic writes exponents as "1E+20" and "1E-07".
  if (auto e = s.find('e'); e != std::string::npos) s[e] = 'E';
  return s;
}

std::string FormatCurrency(int64_t scaled) {
  bool negative = scaled < 0;
  uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  std::string s = std::to_string(magnitude / 10000);
  uint64_t frac = magnitude % 10000;
  if (frac != 0) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04u", static_cast<unsigned>(frac));
    std::string f(buf);
    while (!f.empty() && f.back() == '0') f.pop_back();
    s += "." + f;
  }
  return negative ? "-" + s : s;
}

// Half-to-even rounding, independent of the current floating-point mode.
double RoundHalfEven(double d) {
  double r = std::nearbyint(d);
  if (std::fegetround() != FE_TONEAREST) {
    double fl = std::floor(d), diff = d - fl;
    if (diff > 0.5)
      r = fl + 1;
    else if (diff < 0.5)
      r = fl;
    else
      r = std::fmod(fl, 2) == 0 ? fl : fl + 1;
  }
  return r;
}

// The number a value stands for, for the integer conversions; raises 94 / 13.
double NumberOf(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return 0;
    case VarType::Null:
      RaiseRuntimeError(err::kInvalidUseOfNull);
    case VarType::Boolean:
      return v.AsBool() ? -1 : 0;
    case VarType::Integer:
    case VarType::Long:
      return v.AsLong();
    case VarType::Double:
    case VarType::Date:
      return v.AsDouble();
    case VarType::Currency:
      return static_cast<double>(v.AsCurrencyScaled()) / 10000.0;
    case VarType::String: {
      if (auto n = ParseNumber(v.AsString())) return *n;
      if (auto d = ParseDate(v.AsString())) return d->serial;
      RaiseRuntimeError(err::kTypeMismatch);
    }
    case VarType::Object: {
      if (!v.AsObject()) RaiseRuntimeError(err::kObjectRequired);
      return NumberOf(v.AsObject()->CallDefault({}));
    }
    case VarType::Missing:
      RaiseRuntimeError(err::kTypeMismatch);
  }
  RaiseRuntimeError(err::kTypeMismatch);
}

}  // namespace

std::optional<double> ParseNumber(std::string_view text) {
  std::string_view t = Trim(text);
  if (t.empty()) return std::nullopt;
  // Only decimal forms: digits, one point, an optional exponent, an optional sign in front.
  size_t i = 0;
  if (t[i] == '+' || t[i] == '-') ++i;
  size_t digits = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
  if (i < t.size() && t[i] == '.') {
    ++i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
    size_t j = i + 1;
    if (j < t.size() && (t[j] == '+' || t[j] == '-')) ++j;
    size_t exp_digits = 0;
    while (j < t.size() && std::isdigit(static_cast<unsigned char>(t[j]))) ++j, ++exp_digits;
    if (exp_digits == 0) return std::nullopt;
    i = j;
  }
  if (i != t.size()) return std::nullopt;
  std::string copy(t);
  return std::strtod(copy.c_str(), nullptr);
}

std::string ToText(const Variant& v) {
  switch (v.type()) {
    case VarType::Empty:
      return "";
    case VarType::Null:
      RaiseRuntimeError(err::kInvalidUseOfNull);
    case VarType::Boolean:
      return v.AsBool() ? "True" : "False";
    case VarType::Integer:
    case VarType::Long:
      return std::to_string(v.AsLong());
    case VarType::Double:
      return FormatDouble(v.AsDouble());
    case VarType::Currency:
      return FormatCurrency(v.AsCurrencyScaled());
    case VarType::Date:
      return FormatDate(DateValue{v.AsDouble()});
    case VarType::String:
      return v.AsString();
    case VarType::Object:
      if (!v.AsObject()) RaiseRuntimeError(err::kObjectRequired);
      return ToText(v.AsObject()->CallDefault({}));
    case VarType::Missing:
      RaiseRuntimeError(err::kTypeMismatch);
  }
  RaiseRuntimeError(err::kTypeMismatch);
}

std::string TextOrEmpty(const Variant& v) {
  if (v.IsNull() || v.IsMissing()) return "";
  return ToText(v);
}

bool CBool(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return v.AsBool();
    case VarType::String: {
      std::string_view t = Trim(v.AsString());
      if (EqualsNoCase(t, "true")) return true;
      if (EqualsNoCase(t, "false")) return false;
      if (auto n = ParseNumber(t)) return *n != 0;
      RaiseRuntimeError(err::kTypeMismatch);
    }
    default:
      return NumberOf(v) != 0;
  }
}

int16_t CInt(const Variant& v) {
  double r = RoundHalfEven(NumberOf(v));
  if (!(r >= -32768.0 && r <= 32767.0)) RaiseRuntimeError(err::kOverflow);
  return static_cast<int16_t>(r);
}

int32_t CLng(const Variant& v) {
  double r = RoundHalfEven(NumberOf(v));
  if (!(r >= -2147483648.0 && r <= 2147483647.0)) RaiseRuntimeError(err::kOverflow);
  return static_cast<int32_t>(r);
}

double CDbl(const Variant& v) {
  return NumberOf(v);
}

CurrencyValue CCur(const Variant& v) {
  if (v.type() == VarType::Currency) return CurrencyValue{v.AsCurrencyScaled()};
  double r = RoundHalfEven(NumberOf(v) * 10000.0);
  if (!(std::fabs(r) < 9.2233720368547e18)) RaiseRuntimeError(err::kOverflow);
  return CurrencyValue{static_cast<int64_t>(r)};
}

namespace {

// A number is a date only within the years 100 to 9999 (up to their last second).
DateValue DateOfNumber(double serial) {
  if (!(serial > kFirstDateSerial - 1 && serial < kLastDateSerial + 1))
    RaiseRuntimeError(err::kOverflow);
  return DateValue{serial};
}

}  // namespace

DateValue CDate(const Variant& v) {
  switch (v.type()) {
    case VarType::Date:
      return DateValue{v.AsDouble()};
    case VarType::String: {
      if (auto d = ParseDate(v.AsString())) return *d;
      if (auto n = ParseNumber(v.AsString())) return DateOfNumber(*n);
      RaiseRuntimeError(err::kTypeMismatch);
    }
    default:
      return DateOfNumber(NumberOf(v));
  }
}

// ---- Comparison ----------------------------------------------------------------------------

namespace {

bool IsNumberLike(const Variant& v) {
  return v.IsNumeric() || v.type() == VarType::Boolean || v.type() == VarType::Date;
}

int Sign(double d) {
  return d < 0 ? -1 : (d > 0 ? 1 : 0);
}

}  // namespace

std::optional<int> CompareVariants(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return std::nullopt;
  // An object compares by its default value.
  if (a.IsObject() && a.AsObject()) return CompareVariants(a.AsObject()->CallDefault({}), b);
  if (b.IsObject() && b.AsObject()) return CompareVariants(a, b.AsObject()->CallDefault({}));
  const Variant& x = a;
  const Variant& y = b;

  if (x.IsEmpty() && y.IsEmpty()) return 0;
  if (IsNumberLike(x) && IsNumberLike(y)) return Sign(NumberOf(x) - NumberOf(y));
  if (x.IsEmpty()) return y.IsString() ? CompareVariants(Variant(""), y) : CompareVariants(0, y);
  if (y.IsEmpty()) return x.IsString() ? CompareVariants(x, Variant("")) : CompareVariants(x, 0);
  if (IsNumberLike(x) && y.IsString()) {
    if (auto n = ParseNumber(y.AsString())) return Sign(NumberOf(x) - *n);
  }
  if (x.IsString() && IsNumberLike(y)) {
    if (auto n = ParseNumber(x.AsString())) return Sign(*n - NumberOf(y));
  }
  int c = ToText(x).compare(ToText(y));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

bool VariantEquals(const Variant& a, const Variant& b) {
  auto c = CompareVariants(a, b);
  return c && *c == 0;
}

}  // namespace korvex
