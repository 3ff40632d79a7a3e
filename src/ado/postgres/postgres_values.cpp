// The server's type oids, the texts its output functions write, and parameter marks.
#include "ado/postgres/postgres_values.h"

#include <cctype>
#include <charconv>
#include <cstdlib>

#include "ado/jet_sql.h"

namespace korvex::ado::postgres {

namespace {

// The built-in type oids, fixed by the server's catalogue.
enum : Oid {
  kBool = 16,
  kBytea = 17,
  kChar = 18,
  kName = 19,
  kInt8 = 20,
  kInt2 = 21,
  kInt4 = 23,
  kText = 25,
  kOid = 26,
  kFloat4 = 700,
  kFloat8 = 701,
  kMoney = 790,
  kBpchar = 1042,
  kVarchar = 1043,
  kDate = 1082,
  kTime = 1083,
  kTimestamp = 1114,
  kTimestampTz = 1184,
  kTimeTz = 1266,
  kNumeric = 1700,
  kUuid = 2950,
};

// Header bytes the server adds to a length modifier.
constexpr int kModifierHeader = 4;

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string BytesFromBytea(std::string_view text) {
  if (text.size() >= 2 && text[0] == '\\' && text[1] == 'x') {
    std::string out;
    out.reserve((text.size() - 2) / 2);
    for (size_t i = 2; i + 1 < text.size(); i += 2)
      out += static_cast<char>(HexDigit(text[i]) * 16 + HexDigit(text[i + 1]));
    return out;
  }
  // The older escape format, should a server still be set to it.
  size_t length = 0;
  std::string nul_terminated(text);
  unsigned char* raw =
      PQunescapeBytea(reinterpret_cast<const unsigned char*>(nul_terminated.c_str()), &length);
  std::string out = raw ? std::string(reinterpret_cast<char*>(raw), length) : std::string();
  PQfreemem(raw);
  return out;
}

// "2003-03-14 15:04:09.25+00" -> "2003-03-14 15:04:09": the stored form has whole seconds and
// the session's zone is UTC.
std::string WholeSeconds(std::string_view text) {
  size_t colon = text.find(':');
  if (colon == std::string_view::npos) return std::string(text);
  size_t end = colon;
  while (end < text.size() && ((text[end] >= '0' && text[end] <= '9') || text[end] == ':')) ++end;
  std::string out(text.substr(0, end));
  // A date and time without a time of day reads as the date alone.
  if (out.size() > 9 && out.compare(out.size() - 9, 9, " 00:00:00") == 0)
    out.resize(out.size() - 9);
  return out;
}

DbValue Integer(std::string_view text) {
  int64_t v = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (ec != std::errc() || end != text.data() + text.size())
    return DbValue::Text(std::string(text));
  return DbValue::Int(v);
}

DbValue Real(std::string_view text) {
  std::string nul_terminated(text);
  char* end = nullptr;
  double v = std::strtod(nul_terminated.c_str(), &end);
  if (end == nul_terminated.c_str()) return DbValue::Text(std::move(nul_terminated));
  return DbValue::Real(v);
}

// "-$1,234.50" -> -1234.5
DbValue Money(std::string_view text) {
  std::string digits;
  for (char c : text)
    if ((c >= '0' && c <= '9') || c == '.' || c == '-') digits += c;
  return Real(digits);
}

}  // namespace

std::string DeclaredType(Oid type, int modifier) {
  switch (type) {
    case kBool:
      return "BOOLEAN";
    case kBytea:
      return "BYTEA";
    case kChar:
      return "CHAR(1)";
    case kName:
      return "VARCHAR(63)";
    case kInt2:
      return "SMALLINT";
    case kInt4:
      return "INTEGER";
    case kInt8:
    case kOid:
      return "BIGINT";
    case kFloat4:
      return "REAL";
    case kFloat8:
      return "DOUBLE";
    case kMoney:
      return "MONEY";
    case kNumeric:
      if (modifier >= kModifierHeader) {
        int packed = modifier - kModifierHeader;
        return "NUMERIC(" + std::to_string((packed >> 16) & 0xffff) + "," +
               std::to_string(packed & 0xffff) + ")";
      }
      return "NUMERIC";
    case kBpchar:
      return modifier > kModifierHeader ? "CHAR(" + std::to_string(modifier - kModifierHeader) + ")"
                                        : "CHAR";
    case kVarchar:
      // Without a length a varchar holds any text, as a text column does.
      return modifier > kModifierHeader
                 ? "VARCHAR(" + std::to_string(modifier - kModifierHeader) + ")"
                 : "TEXT";
    case kDate:
      return "DATE";
    case kTime:
    case kTimeTz:
      return "TIME";
    case kTimestamp:
    case kTimestampTz:
      return "TIMESTAMP";
    case kUuid:
      return "UUID";
    default:
      return "TEXT";
  }
}

DbValue ValueFromText(Oid type, const char* data, int length) {
  std::string_view text(data, static_cast<size_t>(length));
  switch (type) {
    case kInt2:
    case kInt4:
    case kInt8:
    case kOid:
      return Integer(text);
    case kFloat4:
    case kFloat8:
      return Real(text);
    case kMoney:
      return Money(text);
    case kBool:
      return DbValue::Int(text == "t" ? 1 : 0);
    case kBytea:
      return DbValue::Blob(BytesFromBytea(text));
    case kBpchar:
      // The server pads a fixed-length text with blanks it treats as insignificant; the
      // value is the text without them.
      while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
      return DbValue::Text(std::string(text));
    case kDate:
      return DbValue::Text(std::string(text));
    case kTimestamp:
    case kTimestampTz:
      return DbValue::Text(WholeSeconds(text));
    case kUuid: {
      // In the form GUID values take everywhere else: braced, upper case.
      std::string guid = "{";
      for (char c : text) guid += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      return DbValue::Text(guid + "}");
    }
    case kTime:
    case kTimeTz:
      // A time of day is a date on the zero day, as Date values hold it.
      return DbValue::Text("1899-12-30 " + WholeSeconds(text));
    default:
      return DbValue::Text(std::string(text));
  }
}

Parameters::Parameters(std::span<const DbValue> values) {
  texts_.reserve(values.size());
  for (const DbValue& v : values) {
    int format = 0;
    Oid type = 0;
    switch (v.kind) {
      case DbValue::Kind::Null:
        texts_.emplace_back();
        break;
      case DbValue::Kind::Integer:
        texts_.push_back(std::to_string(v.integer));
        break;
      case DbValue::Kind::Real: {
        char buffer[32];
        auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, v.real);
        texts_.emplace_back(buffer, ec == std::errc() ? end : buffer);
        break;
      }
      case DbValue::Kind::Text:
        texts_.push_back(v.bytes);
        break;
      case DbValue::Kind::Blob:
        texts_.push_back(v.bytes);
        format = 1;
        type = kBytea;
        break;
    }
    types_.push_back(type);
    formats_.push_back(format);
    lengths_.push_back(static_cast<int>(texts_.back().size()));
  }
  for (size_t i = 0; i < values.size(); ++i)
    pointers_.push_back(values[i].IsNull() ? nullptr : texts_[i].c_str());
}

std::string NumberParameterMarks(std::string_view sql) {
  std::string out;
  out.reserve(sql.size() + 8);
  int n = 0;
  for (const JetToken& t : TokenizeJet(sql)) {
    if (t.kind == JetTokenKind::Punct && t.text == "?") {
      out += '$';
      out += std::to_string(++n);
    } else {
      out += t.text;
    }
  }
  return out;
}

}  // namespace korvex::ado::postgres
