// Recordset.Save in the XML persistence format: the rowset schema namespaces, one s:Schema
// describing the fields, then one z:row per record with each non-null value as an attribute.
#include <filesystem>
#include <fstream>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/field_types.h"
#include "ado/recordset.h"
#include "ado/row_store.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Recordset";

void AppendEscaped(std::string& out, std::string_view text) {
  AppendEscapedMarkup(out, SanitizeUtf8(text), MarkupEscape::XmlAttribute);
}

std::string Attribute(std::string_view name, std::string_view value) {
  std::string out = " ";
  out += name;
  out += "='";
  AppendEscaped(out, value);
  return out + "'";
}

bool IsXmlName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80;
    bool other = (c >= '0' && c <= '9') || c == '-' || c == '.';
    if (!(letter || (i > 0 && other))) return false;
  }
  // Names starting with "xml" in any case are reserved.
  return !(name.size() >= 3 && EqualsNoCase(name.substr(0, 3), "xml"));
}

struct XmlType {
  const char* type;
  const char* dbtype = nullptr;
};

XmlType XmlTypeOf(int32_t t) {
  switch (t) {
    case type::kSmallInt:
      return {"i2"};
    case type::kInteger:
      return {"int"};
    case type::kBigInt:
      return {"i8"};
    case type::kSingle:
      return {"r4"};
    case type::kDouble:
      return {"float"};
    case type::kCurrency:
      return {"number", "currency"};
    case type::kNumeric:
    case type::kDecimal:
      return {"number", "numeric"};
    case type::kTinyInt:
      return {"i1"};
    case type::kUnsignedTinyInt:
      return {"ui1"};
    case type::kUnsignedSmallInt:
      return {"ui2"};
    case type::kUnsignedInt:
      return {"ui4"};
    case type::kDate:
      return {"dateTime", "variantdate"};
    case type::kDBTimeStamp:
      return {"dateTime", "timestamp"};
    case type::kBoolean:
      return {"boolean"};
    case type::kGuid:
      return {"uuid"};
    case type::kChar:
    case type::kVarChar:
    case type::kLongVarChar:
      return {"string", "str"};
    case type::kBinary:
    case type::kVarBinary:
    case type::kLongVarBinary:
      return {"bin.hex"};
    default:
      return {"string"};
  }
}

std::string ValueText(const Variant& v, int32_t field_type) {
  if (v.type() == VarType::Date) {
    CivilTime t = BreakDate(DateValue{v.AsDouble()});
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
  }
  if (ClassOf(field_type) == TypeClass::Binary) {
    static const char* kHex = "0123456789abcdef";
    std::string bytes = ToText(v), hex;
    for (unsigned char c : bytes) {
      hex += kHex[c >> 4];
      hex += kHex[c & 15];
    }
    return hex;
  }
  return ToText(v);
}

void AppendSchema(std::string& out, const FieldDef& def, size_t index,
                  const std::string& xml_name) {
  bool nullable = (def.attributes & attr::kIsNullable) != 0;
  out += "\t\t<s:AttributeType" + Attribute("name", xml_name);
  if (xml_name != def.name) out += Attribute("rs:name", def.name);
  out += Attribute("rs:number", std::to_string(index + 1));
  if (nullable) out += " rs:nullable='true'";
  out += " rs:maydefer='true'";
  if (def.attributes & attr::kUpdatable) out += " rs:writeunknown='true'";
  if (!def.base_table.empty()) out += Attribute("rs:basetable", def.base_table);
  if (!def.base_column.empty()) out += Attribute("rs:basecolumn", def.base_column);
  if (def.key_column) out += " rs:keycolumn='true'";
  if (def.auto_increment) out += " rs:autoincrement='true'";
  out += ">\n";
  XmlType xt = XmlTypeOf(def.type);
  out += "\t\t\t<s:datatype" + Attribute("dt:type", xt.type);
  if (xt.dbtype) out += Attribute("rs:dbtype", xt.dbtype);
  out += Attribute("dt:maxLength", std::to_string(def.defined_size));
  if (def.numeric_scale != 255) out += Attribute("rs:scale", std::to_string(def.numeric_scale));
  if (def.precision != 255) out += Attribute("rs:precision", std::to_string(def.precision));
  if (def.attributes & attr::kFixed) out += " rs:fixedlength='true'";
  out += nullable ? " rs:maybenull='true'" : " rs:maybenull='false'";
  if (def.attributes & attr::kLong) out += " rs:long='true'";
  out += "/>\n\t\t</s:AttributeType>\n";
}

}  // namespace

std::string Recordset::SaveXml() {
  RequireOpen();
  LeaveRecord();
  std::vector<std::string> names;
  for (size_t i = 0; i < defs_.size(); ++i)
    names.push_back(IsXmlName(defs_[i].name) ? defs_[i].name
                                             : std::string("c").append(std::to_string(i)));

  std::string out =
      "<xml xmlns:s='uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882'\n"
      "\txmlns:dt='uuid:C2F41010-65B3-11d1-A29F-00AA00C14882'\n"
      "\txmlns:rs='urn:schemas-microsoft-com:rowset'\n"
      "\txmlns:z='#RowsetSchema'>\n"
      "<s:Schema id='RowsetSchema'>\n"
      "\t<s:ElementType name='row' content='eltOnly'";
  if (lock_type_ != kLockReadOnly) out += " rs:updatable='true'";
  out += ">\n";
  for (size_t i = 0; i < defs_.size(); ++i) AppendSchema(out, defs_[i], i, names[i]);
  out += "\t\t<s:extends type='rs:rowbase'/>\n\t</s:ElementType>\n</s:Schema>\n<rs:data>\n";
  for (int64_t row = 0; rows_->Exists(row); ++row) {
    out += "\t<z:row";
    for (size_t i = 0; i < defs_.size(); ++i) {
      Variant v = DecodeValue(rows_->Value(row, i), defs_[i]);
      if (v.IsNull()) continue;
      out += Attribute(names[i], ValueText(v, defs_[i].type));
    }
    out += "/>\n";
  }
  out += "</rs:data>\n</xml>\n";
  return out;
}

void Recordset::Save(Variant destination, std::optional<int32_t> format) {
  RequireOpen();
  if (format && *format != kPersistXML) RaiseAdo(err::kNotCapable, kSource);
  if (destination.IsObject()) {
    std::shared_ptr<Dispatch> stream = RequireObject(destination);
    Variant text[] = {Variant(SaveXml())};
    stream->Call("WriteText", text);
    return;
  }
  if (destination.IsMissing() || destination.IsEmpty() || destination.IsNull())
    RaiseAdo(err::kInvalidArgument, kSource);
  std::filesystem::path file(ToText(destination));
  if (file.is_relative() && base_directory_) file = *base_directory_ / file;
  if (std::filesystem::exists(file))
    RaiseAdo(err::kFileAlreadyExists, kSource, RuntimeErrorText(err::kFileAlreadyExists));
  std::string xml = SaveXml();
  std::ofstream stream(file, std::ios::binary);
  if (!stream) RaiseAdo(err::kPathNotFound, kSource, RuntimeErrorText(err::kPathNotFound));
  stream << xml;
  if (!stream.flush()) RaiseAdo(err::kPermissionDenied, kSource, "Could not write the file.");
}

}  // namespace korvex::ado
