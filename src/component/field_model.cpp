// Field classes and field tests. The required-column tests are AdminRecordset members because
// they read and fill its RequiredFields.
#include "component/field_model.h"

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/settings/html_related_records.h"

namespace korvex {

FieldClass ClassOfType(int32_t type) {
  namespace t = ado::type;
  switch (type) {
    case t::kSmallInt:
    case t::kInteger:
    case t::kSingle:
    case t::kDouble:
    case t::kCurrency:
    case t::kUnsignedTinyInt:
    case t::kNumeric:
      return FieldClass::Number;
    case t::kDate:
      return FieldClass::Date;
    case t::kDBTimeStamp:
      return FieldClass::Timestamp;
    case t::kBoolean:
      return FieldClass::Boolean;
    case t::kGuid:
    case t::kChar:
    case t::kWChar:
    case t::kVarChar:
    case t::kVarWChar:
      return FieldClass::Text;
    case t::kLongVarChar:
    case t::kLongVarWChar:
      return FieldClass::LongText;
    case t::kBinary:
    case t::kVarBinary:
    case t::kLongVarBinary:
      return FieldClass::Binary;
    default:
      return FieldClass::Unsupported;
  }
}

bool IsSupportedType(int32_t type) {
  FieldClass c = ClassOfType(type);
  return c != FieldClass::Binary && c != FieldClass::Unsupported;
}

bool IsInCollection(const Variant& value, const Collection& collection) {
  for (const Variant& item : collection.Items())
    if (VariantEquals(item, value)) return true;
  return false;
}

bool IsAutoIncrementField(ado::Field& field) {
  try {
    return CBool(field.Properties().Item(Variant("ISAUTOINCREMENT"))->Value());
  } catch (const AutomationError&) {
    return false;
  }
}

RelationMatch FindRelation(std::string_view field_name, const HTMLRelatedRecords& relations) {
  RelationMatch match;
  if (!relations.Show) return match;
  for (const auto& relation : relations.Relations()) {
    if (relation->FieldName != field_name) continue;
    match.found = true;
    match.RelatedTable = relation->RelatedTable;
    match.RelatedField = relation->RelatedField;
  }
  return match;
}

bool AdminRecordset::IsRequiredField(ado::Field& field) {
  int32_t attributes = field.Attributes();
  bool nullable = (attributes & ado::attr::kIsNullable) && (attributes & ado::attr::kMayBeNull);
  return !(nullable && !IsInCollection(Variant(field.Name()), *RequiredFields));
}

void AdminRecordset::CollectRequiredColumns(const std::string& table) {
  // The columns schema rowset answers what the catalogue's column attributes would: a column
  // is required when IS_NULLABLE is False.
  auto columns = Connection()->OpenSchema(
      ado::schema::kColumns, std::vector<Variant>{Variant(), Variant(), Variant(table)});
  Collection& required = *RequiredFields;
  for (; !columns->IsEOF(); columns->MoveNext()) {
    auto& fields = columns->Fields();
    if (CBool(fields.Item(Variant("IS_NULLABLE"))->Value())) continue;
    std::string name = ToText(fields.Item(Variant("COLUMN_NAME"))->Value());
    // A second form on the same page finds the names of the first already there.
    if (required.HasKey(name) || IsInCollection(Variant(name), required)) continue;
    required.Add(Variant(name), name);
  }
  columns->Close();
}

}  // namespace korvex
