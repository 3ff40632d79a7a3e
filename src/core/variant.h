// The automation value: what crosses between page scripts, the component, the web host and
// the data access layer. Conversion rules follow the classic Basic ones; see variant.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "core/text.h"

namespace korvex {

class Dispatch;

/// Kinds carry their published numbers, so VarType-style checks read naturally.
enum class VarType : uint16_t {
  Empty = 0,
  Null = 1,
  Integer = 2,  // 16-bit
  Long = 3,     // 32-bit
  Double = 5,
  Currency = 6,  // fixed point, four decimals
  Date = 7,
  String = 8,
  Object = 9,
  Missing = 10,  // an omitted optional argument
  Boolean = 11,
};

/// A date as days since 1899-12-30, the time of day as the fraction.
struct DateValue {
  double serial = 0;
  friend bool operator==(DateValue a, DateValue b) { return a.serial == b.serial; }
};

/// Currency as a count of ten-thousandths.
struct CurrencyValue {
  int64_t scaled = 0;
  friend bool operator==(CurrencyValue a, CurrencyValue b) { return a.scaled == b.scaled; }
};

class Variant {
 public:
  Variant() = default;  // Empty
  Variant(bool b) : type_(VarType::Boolean), data_(b) {}
  Variant(int16_t i) : type_(VarType::Integer), data_(int32_t{i}) {}
  Variant(int32_t l) : type_(VarType::Long), data_(l) {}
  Variant(int64_t l);  // Long when it fits, else Double
  Variant(double d) : type_(VarType::Double), data_(d) {}
  Variant(DateValue d) : type_(VarType::Date), data_(d.serial) {}
  Variant(CurrencyValue c) : type_(VarType::Currency), data_(c.scaled) {}
  Variant(std::string s) : type_(VarType::String), data_(std::move(s)) {}
  Variant(std::string_view s) : type_(VarType::String), data_(std::string(s)) {}
  Variant(const char* s) : type_(VarType::String), data_(std::string(s)) {}
  Variant(std::shared_ptr<Dispatch> o) : type_(VarType::Object), data_(std::move(o)) {}
  template <class T>
  Variant(std::shared_ptr<T> o) : Variant(std::shared_ptr<Dispatch>(std::move(o))) {}

  static Variant Null() { return Variant(VarType::Null); }
  static Variant Missing() { return Variant(VarType::Missing); }
  static Variant Nothing() { return Variant(std::shared_ptr<Dispatch>()); }

  VarType type() const noexcept { return type_; }
  bool IsEmpty() const noexcept { return type_ == VarType::Empty; }
  bool IsNull() const noexcept { return type_ == VarType::Null; }
  bool IsMissing() const noexcept { return type_ == VarType::Missing; }
  bool IsObject() const noexcept { return type_ == VarType::Object; }
  bool IsString() const noexcept { return type_ == VarType::String; }
  bool IsNumeric() const noexcept;  // Integer, Long, Double, Currency (not Boolean, not Date)

  // Raw accessors; only valid for the matching kind.
  bool AsBool() const { return std::get<bool>(data_); }
  int32_t AsLong() const { return std::get<int32_t>(data_); }  // Integer and Long
  double AsDouble() const { return std::get<double>(data_); }  // Double and Date
  int64_t AsCurrencyScaled() const { return std::get<int64_t>(data_); }
  const std::string& AsString() const { return std::get<std::string>(data_); }
  const std::shared_ptr<Dispatch>& AsObject() const {
    return std::get<std::shared_ptr<Dispatch>>(data_);
  }

 private:
  explicit Variant(VarType t) : type_(t) {}

  VarType type_ = VarType::Empty;
  std::variant<std::monostate, bool, int32_t, int64_t, double, std::string,
               std::shared_ptr<Dispatch>>
      data_;
};

// ---- Conversions (the Basic rules) -------------------------------------------------------
// Each raises AutomationError: 94 on Null where a value is needed, 13 on a value of the wrong
// kind (an empty text included, for numbers), 6 when the result is out of range.

/// Text form: Boolean "True"/"False", numbers plainly, dates "YYYY-MM-DD[ HH:MM:SS]".
/// An object gives the text of its default member. Null raises 94.
std::string ToText(const Variant& v);
/// As ToText, but Null (and Missing) give "": the rule of joining a value with an empty text.
std::string TextOrEmpty(const Variant& v);
bool CBool(const Variant& v);
int16_t CInt(const Variant& v);  // rounds half to even
int32_t CLng(const Variant& v);  // rounds half to even
double CDbl(const Variant& v);
CurrencyValue CCur(const Variant& v);
DateValue CDate(const Variant& v);
/// The number a numeric text stands for (blanks around allowed), or nothing.
std::optional<double> ParseNumber(std::string_view text);

// ---- Dates ---------------------------------------------------------------------------------

struct CivilTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
};
/// Nothing when a field is out of range (month 13, 31 April, hour 24 ...).
std::optional<DateValue> MakeDate(const CivilTime& t);
CivilTime BreakDate(DateValue d);
/// "YYYY-MM-DD[ HH:MM[:SS]]" or "M/D/Y[ H:M[:S]]" (a two-digit year 00-29 is 20xx, 30-99 19xx).
std::optional<DateValue> ParseDate(std::string_view text);
std::string FormatDate(DateValue d);
DateValue Now();

// ---- Comparison ----------------------------------------------------------------------------

/// -1, 0 or 1; nothing when either side is Null. Numbers against numeric texts compare as
/// numbers, texts compare exactly (byte order), Empty is 0 or "" as the other side needs.
std::optional<int> CompareVariants(const Variant& a, const Variant& b);
/// Null equals nothing, not even Null.
bool VariantEquals(const Variant& a, const Variant& b);

}  // namespace korvex
