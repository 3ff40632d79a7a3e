// CSV and JSON text of a recordset's rows; see table_export.h.
#include "app/table_export.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "core/text.h"
#include "core/variant.h"

namespace korvex::app {

namespace {

bool IsBinary(int32_t type) {
  return type == ado::type::kBinary || type == ado::type::kVarBinary ||
         type == ado::type::kLongVarBinary;
}

void AppendBase64(std::string& out, std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const uint32_t n = (uint32_t{static_cast<unsigned char>(bytes[i])} << 16) |
                       (uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += kDigits[n >> 18];
    out += kDigits[(n >> 12) & 63];
    out += kDigits[(n >> 6) & 63];
    out += kDigits[n & 63];
  }
  if (i == bytes.size()) return;
  uint32_t n = uint32_t{static_cast<unsigned char>(bytes[i])} << 16;
  if (i + 1 < bytes.size()) n |= uint32_t{static_cast<unsigned char>(bytes[i + 1])} << 8;
  out += kDigits[n >> 18];
  out += kDigits[(n >> 12) & 63];
  out += i + 1 < bytes.size() ? kDigits[(n >> 6) & 63] : '=';
  out += '=';
}

// The shortest text that reads back as the same double; the system's own 15 digits would
// change a stored value on its way out.
void AppendDouble(std::string& out, double value) {
  char digits[32];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

void AppendCurrency(std::string& out, int64_t scaled) {
  const bool negative = scaled < 0;
  const uint64_t magnitude =
      negative ? uint64_t{0} - static_cast<uint64_t>(scaled) : static_cast<uint64_t>(scaled);
  char text[32];
  int n = std::snprintf(text, sizeof text, "%s%llu.%04llu", negative ? "-" : "",
                        static_cast<unsigned long long>(magnitude / 10000),
                        static_cast<unsigned long long>(magnitude % 10000));
  std::string_view kept(text, static_cast<size_t>(n));
  while (kept.back() == '0') kept.remove_suffix(1);
  if (kept.back() == '.') kept.remove_suffix(1);
  out += kept;
}

// ISO 8601: the system's date text with a "T" between the day and the time.
std::string IsoDate(const Variant& value) {
  std::string text = FormatDate(DateValue{value.AsDouble()});
  if (text.size() > 10) text[10] = 'T';
  return text;
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text)
    if (c >= 0x80) return false;
  return true;
}

void AppendJsonString(std::string& out, std::string_view text) {
  // Both formats are UTF-8: a stored text that is not gets U+FFFD for its bad bytes.
  std::string sanitized;
  if (!IsAscii(text)) {
    sanitized = SanitizeUtf8(text);
    text = sanitized;
  }
  out += '"';
  for (char c : text) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escape[8];
          std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned char>(c));
          out += escape;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void AppendCsvCell(std::string& out, std::string_view text) {
  std::string sanitized;
  if (!IsAscii(text)) {
    sanitized = SanitizeUtf8(text);
    text = sanitized;
  }
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out += text;
    return;
  }
  out += '"';
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  out += '"';
}

void AppendJsonValue(std::string& out, const Variant& value, int32_t type) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      out += "null";
      return;
    case VarType::Boolean:
      out += value.AsBool() ? "true" : "false";
      return;
    case VarType::Integer:
    case VarType::Long:
      out += std::to_string(value.AsLong());
      return;
    case VarType::Double:
      // JSON has no infinity: such a value goes out as text rather than break the array.
      if (!std::isfinite(value.AsDouble())) return AppendJsonString(out, ToText(value));
      return AppendDouble(out, value.AsDouble());
    case VarType::Currency:
      return AppendCurrency(out, value.AsCurrencyScaled());
    case VarType::Date:
      return AppendJsonString(out, IsoDate(value));
    case VarType::String:
      if (IsBinary(type)) {
        out += '"';
        AppendBase64(out, value.AsString());
        out += '"';
        return;
      }
      return AppendJsonString(out, value.AsString());
    case VarType::Object:
      return AppendJsonString(out, TextOrEmpty(value));
  }
}

void AppendCsvValue(std::string& out, const Variant& value, int32_t type) {
  switch (value.type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      return;
    case VarType::Boolean:
      out += value.AsBool() ? "true" : "false";
      return;
    case VarType::Integer:
    case VarType::Long:
      out += std::to_string(value.AsLong());
      return;
    case VarType::Double:
      return AppendDouble(out, value.AsDouble());
    case VarType::Currency:
      return AppendCurrency(out, value.AsCurrencyScaled());
    case VarType::Date:
      out += IsoDate(value);
      return;
    case VarType::String:
      if (IsBinary(type)) return AppendBase64(out, value.AsString());
      return AppendCsvCell(out, value.AsString());
    case VarType::Object:
      return AppendCsvCell(out, TextOrEmpty(value));
  }
}

}  // namespace

std::optional<ExportFormat> ExportFormatNamed(std::string_view name) {
  if (EqualsNoCase(name, "csv")) return ExportFormat::kCsv;
  if (EqualsNoCase(name, "json")) return ExportFormat::kJson;
  return std::nullopt;
}

RowExport::RowExport(std::shared_ptr<ado::Connection> connection,
                     std::shared_ptr<ado::Recordset> rows, ExportFormat format)
    : connection_(std::move(connection)), rows_(std::move(rows)), format_(format) {
  ado::Fields& fields = rows_->Fields();
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    std::string name;
    if (format_ == ExportFormat::kCsv) {
      AppendCsvCell(name, field.Name());
    } else {
      AppendJsonString(name, field.Name());
      name += ':';
    }
    names_.push_back(std::move(name));
    types_.push_back(field.Type());
  }
}

RowExport::~RowExport() {
  try {
    rows_->Close();
    connection_->Close();
  } catch (...) {
    // Closing what was only read cannot lose anything; a destructor must not throw.
  }
}

void RowExport::AppendHead(std::string& out) {
  if (format_ == ExportFormat::kJson) {
    out += '[';
    return;
  }
  for (size_t i = 0; i < names_.size(); ++i) {
    if (i > 0) out += ',';
    out += names_[i];
  }
  out += "\r\n";
}

void RowExport::AppendRow(std::string& out) {
  if (format_ == ExportFormat::kJson) {
    out += written_ > 0 ? ",\n{" : "\n{";
    for (size_t i = 0; i < names_.size(); ++i) {
      if (i > 0) out += ',';
      out += names_[i];
      AppendJsonValue(out, rows_->FieldValue(i), types_[i]);
    }
    out += '}';
  } else {
    for (size_t i = 0; i < names_.size(); ++i) {
      if (i > 0) out += ',';
      AppendCsvValue(out, rows_->FieldValue(i), types_[i]);
    }
    out += "\r\n";
  }
  ++written_;
}

bool RowExport::Next(std::string& out, size_t piece_bytes) {
  if (finished_) return false;
  const size_t limit = out.size() + piece_bytes;
  if (!started_) {
    AppendHead(out);
    started_ = true;
  }
  while (out.size() < limit) {
    if (rows_->IsEOF()) {
      if (format_ == ExportFormat::kJson) out += "\n]\n";
      finished_ = true;
      return false;
    }
    AppendRow(out);
    rows_->MoveNext();
  }
  return true;
}

}  // namespace korvex::app
