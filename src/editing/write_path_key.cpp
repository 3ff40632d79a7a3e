// The key statement of an update or delete. Key values come back from the browser, so a value
// written bare into the SQL (a number) must be a plain number, and a statement without any
// criterion is never sent: it would select nothing the visitor meant, or fail at the database
// after the screen had promised a write.
#include "editing/write_path_key.h"

#include <algorithm>

#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "component/field_model.h"
#include "editing/posted_form.h"
#include "render/field_widgets.h"
#include "render/sql_keys.h"

namespace korvex {

namespace {

[[noreturn]] void NoKey(AdminRecordset& page) {
  RaiseError(err::kNoUniqueIdentifier, page.QuotedIdentifier(page.recordset()));
}

// A number as the form carried it, with a decimal comma read as a point.
std::string BareNumber(AdminRecordset& page, std::string value) {
  std::replace(value.begin(), value.end(), ',', '.');
  if (!IsSqlNumber(value)) NoKey(page);
  return value;
}

std::string TextCondition(AdminRecordset& page, const std::string& name, const std::string& value) {
  return page.QuotedIdentifier(name) + " = '" + SqlSafeValue(Variant(value)) + "'";
}

std::string NumberCondition(AdminRecordset& page, const std::string& name,
                            const std::string& value) {
  return page.QuotedIdentifier(name) + " =" + BareNumber(page, value);
}

// The auto-increment column identifies the record alone.
std::string AutoIncrementCriterion(AdminRecordset& page, ado::Field& field) {
  const std::string name = field.Name();
  const std::string value = PostedText(page, name + "HIDDEN");
  switch (ClassOfType(field.Type())) {
    case FieldClass::Text:
      return TextCondition(page, name, value);
    case FieldClass::Number:
    case FieldClass::Date:
    case FieldClass::Timestamp:
      return NumberCondition(page, name, value);
    default:
      return "";
  }
}

// Every posted key copy of a number or text column, joined by AND.
std::string CopiesCriterion(AdminRecordset& page, ado::Fields& fields) {
  std::string criterion;
  for (int32_t i = 0; i < fields.Count(); ++i) {
    ado::Field& field = fields[static_cast<size_t>(i)];
    const std::string name = field.Name();
    const std::string value = PostedText(page, name + "HIDDEN");
    if (value.empty()) continue;
    switch (ClassOfType(field.Type())) {
      case FieldClass::Number:
        criterion += NumberCondition(page, name, value) + " AND ";
        break;
      case FieldClass::Text:
        criterion += TextCondition(page, name, value) + " AND ";
        break;
      default:
        break;
    }
  }
  // The last "AND " goes; the blank before it stays.
  if (!criterion.empty()) criterion.resize(criterion.size() - 4);
  return criterion;
}

}  // namespace

std::string BuildKeyQuery(AdminRecordset& page, ado::Recordset& recordset) {
  ado::Fields& fields = recordset.Fields();
  std::string criterion;
  ado::Field* auto_increment = nullptr;
  for (int32_t i = 0; i < fields.Count() && !auto_increment; ++i)
    if (IsAutoIncrementField(fields[static_cast<size_t>(i)]))
      auto_increment = &fields[static_cast<size_t>(i)];
  criterion = auto_increment ? AutoIncrementCriterion(page, *auto_increment)
                             : CopiesCriterion(page, fields);
  if (criterion.empty()) NoKey(page);
  return "SELECT * from " + page.QuotedIdentifier(page.recordset()) + " where " + criterion;
}

}  // namespace korvex
