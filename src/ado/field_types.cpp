// Declared types to published field types, and the value conversions in both directions.
#include "ado/field_types.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <string>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"

namespace korvex::ado {

namespace {

constexpr int32_t kMemoSize = 536870910;
constexpr int32_t kBlobSize = 1073741823;
constexpr int32_t kDefaultTextSize = 255;

struct Declared {
  std::string name;  // upper case, blanks collapsed, without the (size)
  int size = -1, scale = -1;
};

Declared ParseDeclared(std::string_view text) {
  Declared d;
  size_t i = 0;
  bool blank = false;
  for (; i < text.size() && text[i] != '('; ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
      blank = !d.name.empty();
      continue;
    }
    if (blank) d.name += ' ';
    blank = false;
    d.name += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  if (i < text.size()) {
    int* target = &d.size;
    for (++i; i < text.size() && text[i] != ')'; ++i) {
      char c = text[i];
      if (c >= '0' && c <= '9') {
        if (*target < 0) *target = 0;
        if (*target < 100000000) *target = *target * 10 + (c - '0');
      } else if (c == ',') {
        target = &d.scale;
      }
    }
  }
  return d;
}

bool Is(const std::string& name, std::initializer_list<std::string_view> names) {
  for (std::string_view n : names)
    if (name == n) return true;
  return false;
}

bool Contains(const std::string& name, std::string_view part) {
  return name.find(part) != std::string::npos;
}

int32_t ClassifyDeclared(const Declared& d) {
  const std::string& n = d.name;
  if (Is(n, {"SMALLINT", "INT2", "SHORT", "INTEGER2"})) return type::kSmallInt;
  if (Is(n, {"INT", "INTEGER", "INT4", "LONG", "MEDIUMINT", "COUNTER", "AUTOINCREMENT", "SERIAL",
             "INTEGER4"}))
    return type::kInteger;
  if (Is(n, {"BIGINT", "INT8", "BIGSERIAL", "UNSIGNED BIG INT"})) return type::kNumeric;
  if (Is(n, {"REAL", "FLOAT4", "SINGLE", "IEEESINGLE"})) return type::kSingle;
  if (Is(n, {"DOUBLE", "DOUBLE PRECISION", "FLOAT", "FLOAT8", "IEEEDOUBLE", "NUMBER"}))
    return type::kDouble;
  if (Is(n, {"MONEY", "CURRENCY", "SMALLMONEY"})) return type::kCurrency;
  if (Is(n, {"NUMERIC", "DECIMAL", "DEC"})) return type::kNumeric;
  if (Is(n, {"TINYINT", "BYTE", "INTEGER1"})) return type::kUnsignedTinyInt;
  if (Is(n, {"DATE", "DATETIME", "TIME", "SMALLDATETIME"})) return type::kDate;
  if (n.rfind("TIMESTAMP", 0) == 0) return type::kDBTimeStamp;
  if (Is(n, {"BOOLEAN", "BOOL", "BIT", "YESNO", "LOGICAL", "LOGICAL1"})) return type::kBoolean;
  if (Is(n, {"GUID", "UUID", "UNIQUEIDENTIFIER"})) return type::kGuid;
  if (Is(n, {"CHAR", "NCHAR", "CHARACTER", "NATIONAL CHARACTER", "NATIONAL CHAR"}))
    return type::kWChar;
  if (Is(n, {"VARCHAR", "NVARCHAR", "CHARACTER VARYING", "NATIONAL CHARACTER VARYING", "VARCHAR2",
             "NVARCHAR2", "VARYING CHARACTER", "NATIVE CHARACTER", "ALPHANUMERIC", "STRING"}))
    return type::kVarWChar;
  if (n == "TEXT") return d.size > 0 ? type::kVarWChar : type::kLongVarWChar;
  if (Is(n, {"MEMO", "CLOB", "NTEXT", "LONGTEXT", "MEDIUMTEXT", "LONGCHAR", "NOTE", "TINYTEXT"}))
    return type::kLongVarWChar;
  if (Is(n, {"BLOB", "BINARY", "BYTEA", "VARBINARY", "IMAGE", "LONGBINARY", "OLEOBJECT", "GENERAL",
             "LONGBLOB", "MEDIUMBLOB"}))
    return type::kLongVarBinary;
  if (n.empty()) return type::kEmpty;
  // The database's own affinity rules for anything else.
  if (Contains(n, "INT")) return type::kInteger;
  if (Contains(n, "CHAR") || Contains(n, "CLOB") || Contains(n, "TEXT"))
    return d.size > 0 ? type::kVarWChar : type::kLongVarWChar;
  if (Contains(n, "BLOB")) return type::kLongVarBinary;
  if (Contains(n, "REAL") || Contains(n, "FLOA") || Contains(n, "DOUB")) return type::kDouble;
  return type::kNumeric;
}

std::optional<double> ParseNumberText(std::string_view text) {
  return ParseNumber(text);
}

// Variants for integral numbers: Integer for the small types, Long when it fits, else Double.
Variant IntegralVariant(int64_t v, int32_t field_type) {
  if ((field_type == type::kSmallInt || field_type == type::kUnsignedTinyInt ||
       field_type == type::kUnsignedSmallInt || field_type == type::kTinyInt) &&
      v >= -32768 && v <= 32767)
    return Variant(static_cast<int16_t>(v));
  return Variant(v);
}

Variant NumberVariant(double d, int32_t field_type) {
  if (std::trunc(d) == d && std::fabs(d) < 9.0e15) {
    if (field_type == type::kSingle || field_type == type::kDouble) return Variant(d);
    return IntegralVariant(static_cast<int64_t>(d), field_type);
  }
  return Variant(d);
}

std::string RealText(double d) {
  return ToText(Variant(d));
}

std::string IntegerText(int64_t v) {
  return std::to_string(v);
}

std::string GuidFromBytes(std::string_view b) {
  static const char* kHex = "0123456789ABCDEF";
  std::string out = "{";
  for (size_t i = 0; i < 16; ++i) {
    if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
    unsigned char c = static_cast<unsigned char>(b[i]);
    out += kHex[c >> 4];
    out += kHex[c & 15];
  }
  return out + "}";
}

bool IsGuidText(std::string_view s) {
  if (s.size() == 38 && s.front() == '{' && s.back() == '}') s = s.substr(1, 36);
  if (s.size() != 36) return false;
  for (size_t i = 0; i < 36; ++i) {
    bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? s[i] != '-' : !std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  }
  return true;
}

std::optional<bool> BoolFromText(std::string_view t) {
  std::string f = FoldCase(t);
  if (f == "true" || f == "yes" || f == "on") return true;
  if (f == "false" || f == "no" || f == "off") return false;
  if (auto n = ParseNumber(t)) return *n != 0;
  return std::nullopt;
}

Variant DateFromDb(const DbValue& v) {
  switch (v.kind) {
    case DbValue::Kind::Text:
      if (auto d = ParseDate(v.bytes)) return Variant(*d);
      return Variant(v.bytes);
    // Numbers in a date column: a REAL is a Julian day and an INTEGER seconds since 1970,
    // the two numeric forms the database's own date functions read.
    case DbValue::Kind::Real:
      return Variant(DateValue{v.real - 2415018.5});
    case DbValue::Kind::Integer:
      return Variant(DateValue{25569.0 + static_cast<double>(v.integer) / 86400.0});
    default:
      return Variant(v.bytes);
  }
}

}  // namespace

FieldDef DefFromDeclaredType(std::string_view declared) {
  Declared d = ParseDeclared(declared);
  FieldDef def;
  int32_t t = ClassifyDeclared(d);
  int32_t size = d.size;
  if (t == type::kWChar || t == type::kVarWChar) size = d.size > 0 ? d.size : kDefaultTextSize;
  CompleteDefForType(def, t, size);
  if (t == type::kNumeric && d.size > 0) {
    def.precision = static_cast<uint8_t>(std::min(d.size, 255));
    def.numeric_scale = static_cast<uint8_t>(d.scale > 0 ? std::min(d.scale, 255) : 0);
  }
  return def;
}

void CompleteDefForType(FieldDef& def, int32_t t, int32_t defined_size) {
  def.type = t;
  def.precision = 255;
  def.numeric_scale = 255;
  def.attributes &= ~(attr::kFixed | attr::kLong);
  int32_t size = 0;
  bool fixed = true;
  switch (t) {
    case type::kSmallInt:
      size = 2, def.precision = 5;
      break;
    case type::kInteger:
      size = 4, def.precision = 10;
      break;
    case type::kBigInt:
      size = 8, def.precision = 19;
      break;
    case type::kSingle:
      size = 4, def.precision = 7;
      break;
    case type::kDouble:
      size = 8, def.precision = 15;
      break;
    case type::kCurrency:
      size = 8, def.precision = 19;
      break;
    case type::kNumeric:
    case type::kDecimal:
      size = 19, def.precision = 19, def.numeric_scale = 0;
      break;
    case type::kTinyInt:
    case type::kUnsignedTinyInt:
      size = 1, def.precision = 3;
      break;
    case type::kUnsignedSmallInt:
      size = 2, def.precision = 5;
      break;
    case type::kUnsignedInt:
      size = 4, def.precision = 10;
      break;
    case type::kDate:
      size = 8;
      break;
    case type::kDBTimeStamp:
      size = 16, def.precision = 19, def.numeric_scale = 0;
      break;
    case type::kBoolean:
      size = 2;
      break;
    case type::kGuid:
      size = 16;
      break;
    case type::kChar:
    case type::kWChar:
      size = defined_size > 0 ? defined_size : 1;
      break;
    case type::kVarChar:
    case type::kVarWChar:
    case type::kBinary:
    case type::kVarBinary:
      size = defined_size > 0 ? defined_size : kDefaultTextSize;
      fixed = false;
      break;
    case type::kLongVarChar:
    case type::kLongVarWChar:
      size = defined_size > 0 ? defined_size : kMemoSize;
      fixed = false;
      def.attributes |= attr::kLong;
      break;
    case type::kLongVarBinary:
      size = defined_size > 0 ? defined_size : kBlobSize;
      fixed = false;
      def.attributes |= attr::kLong;
      break;
    default:
      size = defined_size > 0 ? defined_size : 16;
      fixed = false;
      break;
  }
  def.defined_size = size;
  if (fixed) def.attributes |= attr::kFixed;
}

int32_t TypeOfValue(const DbValue& value) {
  switch (value.kind) {
    case DbValue::Kind::Integer:
      return type::kInteger;
    case DbValue::Kind::Real:
      return type::kDouble;
    case DbValue::Kind::Blob:
      return type::kLongVarBinary;
    default:
      return type::kVarWChar;
  }
}

TypeClass ClassOf(int32_t t) {
  switch (t) {
    case type::kSmallInt:
    case type::kInteger:
    case type::kBigInt:
    case type::kNumeric:
    case type::kDecimal:
    case type::kTinyInt:
    case type::kUnsignedTinyInt:
    case type::kUnsignedSmallInt:
    case type::kUnsignedInt:
    case type::kSingle:
    case type::kDouble:
      return TypeClass::Number;
    case type::kCurrency:
      return TypeClass::Currency;
    case type::kDate:
    case type::kDBTimeStamp:
      return TypeClass::Date;
    case type::kBoolean:
      return TypeClass::Boolean;
    case type::kGuid:
      return TypeClass::Guid;
    case type::kChar:
    case type::kWChar:
    case type::kVarChar:
    case type::kVarWChar:
    case type::kLongVarChar:
    case type::kLongVarWChar:
      return TypeClass::Text;
    case type::kBinary:
    case type::kVarBinary:
    case type::kLongVarBinary:
      return TypeClass::Binary;
    default:
      return TypeClass::Other;
  }
}

Variant DecodeValue(const DbValue& v, const FieldDef& def) {
  if (v.IsNull()) return Variant::Null();
  const int32_t t = def.type;
  switch (ClassOf(t)) {
    case TypeClass::Number:
      switch (v.kind) {
        case DbValue::Kind::Integer:
          if (t == type::kSingle || t == type::kDouble)
            return Variant(static_cast<double>(v.integer));
          return IntegralVariant(v.integer, t);
        case DbValue::Kind::Real:
          return NumberVariant(v.real, t);
        default:
          if (auto n = ParseNumberText(v.bytes)) return NumberVariant(*n, t);
          return Variant(v.bytes);
      }
    case TypeClass::Currency:
      switch (v.kind) {
        case DbValue::Kind::Integer:
          return Variant(CurrencyValue{v.integer * 10000});
        case DbValue::Kind::Real:
          return Variant(CurrencyValue{static_cast<int64_t>(std::llround(v.real * 10000.0))});
        default:
          if (auto n = ParseNumberText(v.bytes))
            return Variant(CurrencyValue{static_cast<int64_t>(std::llround(*n * 10000.0))});
          return Variant(v.bytes);
      }
    case TypeClass::Date:
      return DateFromDb(v);
    case TypeClass::Boolean:
      switch (v.kind) {
        case DbValue::Kind::Integer:
          return Variant(v.integer != 0);
        case DbValue::Kind::Real:
          return Variant(v.real != 0);
        default:
          if (auto b = BoolFromText(v.bytes)) return Variant(*b);
          return Variant(v.bytes);
      }
    case TypeClass::Guid:
      if (v.kind == DbValue::Kind::Blob && v.bytes.size() == 16)
        return Variant(GuidFromBytes(v.bytes));
      break;
    default:
      break;
  }
  bool natural = t == type::kEmpty || t == type::kVariant;
  switch (v.kind) {
    case DbValue::Kind::Integer:
      return natural ? Variant(v.integer) : Variant(IntegerText(v.integer));
    case DbValue::Kind::Real:
      return natural ? Variant(v.real) : Variant(RealText(v.real));
    default:
      return Variant(v.bytes);
  }
}

namespace {

[[noreturn]] void CannotConvert() {
  RaiseAdo(err::kCannotConvert, "ADODB.Field");
}

// Runs a Basic conversion, turning its Type mismatch or Overflow into the field error.
template <class F>
auto Converted(F&& convert) -> decltype(convert()) {
  try {
    return convert();
  } catch (const AutomationError&) {
    CannotConvert();
  }
}

DbValue EncodeNumber(const Variant& v, int32_t t) {
  double d = Converted([&] { return CDbl(v); });
  if (!std::isfinite(d)) CannotConvert();
  switch (t) {
    case type::kSmallInt:
    case type::kUnsignedSmallInt:
      return DbValue::Int(Converted([&] { return static_cast<int64_t>(CInt(v)); }));
    case type::kInteger:
    case type::kUnsignedInt:
      return DbValue::Int(Converted([&] { return static_cast<int64_t>(CLng(v)); }));
    case type::kTinyInt:
    case type::kUnsignedTinyInt: {
      int64_t i = Converted([&] { return static_cast<int64_t>(CInt(v)); });
      if (i < 0 || i > 255) CannotConvert();
      return DbValue::Int(i);
    }
    case type::kSingle:
    case type::kDouble:
      return DbValue::Real(d);
    default:  // big integers, numerics and decimals keep whole numbers exact
      if (std::trunc(d) == d && std::fabs(d) < 9.2e18) {
        if (v.type() == VarType::String) {
          // A long integral text keeps all of its digits.
          std::string text = v.AsString();
          size_t b = text.find_first_not_of(" \t"), e = text.find_last_not_of(" \t");
          text = b == std::string::npos ? "" : text.substr(b, e - b + 1);
          if (!text.empty() && text.find_first_not_of("+-0123456789") == std::string::npos) {
            try {
              return DbValue::Int(std::stoll(text));
            } catch (...) {
            }
          }
        }
        return DbValue::Int(static_cast<int64_t>(d));
      }
      return DbValue::Real(d);
  }
}

}  // namespace

DbValue EncodeValue(const Variant& in, const FieldDef& def) {
  Variant v = in;
  if (v.IsObject() && v.AsObject()) v = Converted([&] { return v.AsObject()->CallDefault({}); });
  if (v.IsEmpty() || v.IsNull() || v.IsMissing() || v.IsObject()) return DbValue::Null();
  const int32_t t = def.type;
  switch (ClassOf(t)) {
    case TypeClass::Number:
      return EncodeNumber(v, t);
    case TypeClass::Currency: {
      CurrencyValue c = Converted([&] { return CCur(v); });
      return DbValue::Real(static_cast<double>(c.scaled) / 10000.0);
    }
    case TypeClass::Date: {
      DateValue d = Converted([&] { return CDate(v); });
      CivilTime civil = BreakDate(d);
      if (civil.year < 100 || civil.year > 9999) CannotConvert();
      return DbValue::Text(FormatDate(d));
    }
    case TypeClass::Boolean:
      return DbValue::Int(Converted([&] { return CBool(v); }) ? 1 : 0);
    case TypeClass::Guid: {
      std::string text = Converted([&] { return ToText(v); });
      if (!IsGuidText(text)) CannotConvert();
      return DbValue::Text(text);
    }
    case TypeClass::Text: {
      std::string text = Converted([&] { return ToText(v); });
      if (def.defined_size > 0 && CountChars(text) > static_cast<size_t>(def.defined_size))
        CannotConvert();
      return DbValue::Text(std::move(text));
    }
    case TypeClass::Binary:
      return DbValue::Blob(Converted([&] { return ToText(v); }));
    default:
      return ToDbValue(v);
  }
}

DbValue ToDbValue(const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      return DbValue::Int(v.AsBool() ? 1 : 0);
    case VarType::Integer:
    case VarType::Long:
      return DbValue::Int(v.AsLong());
    case VarType::Double:
      return DbValue::Real(v.AsDouble());
    case VarType::Currency:
      return DbValue::Real(static_cast<double>(v.AsCurrencyScaled()) / 10000.0);
    case VarType::Date:
      return DbValue::Text(FormatDate(DateValue{v.AsDouble()}));
    case VarType::String:
      return DbValue::Text(v.AsString());
    case VarType::Object:
      if (v.AsObject()) return ToDbValue(v.AsObject()->CallDefault({}));
      return DbValue::Null();
    default:
      return DbValue::Null();
  }
}

}  // namespace korvex::ado
