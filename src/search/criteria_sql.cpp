// Criteria to SQL. The statement is built from the posted values only after each was checked
// against what the search form offers for its column (search_offers.h): names go through
// the quoting helper, texts and dates through SqlSafeValue between their quotes, and numbers
// and truth values, written bare, only once they have been read as such.
#include "search/criteria_sql.h"

#include <algorithm>
#include <memory>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/errors.h"
#include "component/field_model.h"
#include "core/text.h"
#include "render/field_widgets.h"
#include "render/related_list.h"
#include "search/search_offers.h"

namespace korvex {

namespace {

// A posted text as a refusal quotes it; the notice encodes it.
std::string Quoted(std::string_view posted) {
  return "\"" + std::string(LeftChars(posted, 255)) + "\"";
}

[[noreturn]] void Refuse(std::string_view field, std::string_view what) {
  throw SearchRefusedError("The search field \"" + std::string(field) + "\" " + std::string(what));
}

template <class List>
bool Lists(const List& list, std::string_view value) {
  return std::find(std::begin(list), std::end(list), value) != std::end(list);
}

bool Offers(std::span<const OperatorOption> operators, std::string_view op) {
  return std::any_of(operators.begin(), operators.end(),
                     [&](const OperatorOption& o) { return o.value == op; });
}

// The literal of a value for a column, between the quotes its type takes. Numbers and truth
// values are written bare, so they must be what they claim.
std::string Literal(const std::string& name, int32_t type, const std::string& value) {
  std::string safe = SqlSafeValue(Variant(value));
  switch (ClassOfType(type)) {
    case FieldClass::Number:
      if (!ParseNumber(safe)) Refuse(name, "takes a number, not " + Quoted(value));
      return safe;
    case FieldClass::Boolean:
      if (EqualsNoCase(safe, "True")) return "True";
      if (EqualsNoCase(safe, "False")) return "False";
      Refuse(name, "takes True or False, not " + Quoted(value));
    case FieldClass::Date:
      if (!ParseDate(safe)) Refuse(name, "takes a date, not " + Quoted(value));
      return "#" + safe + "#";
    case FieldClass::Timestamp:
      if (!ParseDate(safe)) Refuse(name, "takes a date, not " + Quoted(value));
      return "'" + safe + "'";
    default:
      // The character types, and whatever a related select posts for another type.
      return "'" + safe + "'";
  }
}

class CriteriaBuilder {
 public:
  explicit CriteriaBuilder(AdminRecordset& page)
      : page_(page), form_(*page.SearchForm), quoting_(page.Quoting()) {}

  std::string Build() {
    const std::string distinct = Posted("DISTINCT");
    const std::string top = Posted("TOP");
    if (!distinct.empty() && distinct != kDistinct)
      Refuse("DISTINCT", "is not " + Quoted(distinct));
    if (!top.empty() && !Lists(kTopValues, top)) Refuse("TOP", "does not offer " + Quoted(top));
    const std::string table = quoting_.QuoteIdentifier(page_.recordset());
    std::string sql = "SELECT " + distinct + "  " + top + " * FROM " + table + " ";

    auto recordset = std::make_shared<ado::Recordset>();
    recordset->Open(Variant(table), Variant(page_.Connection()), ado::kOpenUnspecified,
                    ado::kLockUnspecified, ado::kCmdUnspecified);
    AddSchemaRelations(page_, *form_.RelatedRecords);
    ado::Fields& fields = recordset->Fields();
    std::string conditions;
    for (int32_t i = 0; i < fields.Count(); ++i)
      conditions += Condition(fields[static_cast<size_t>(i)]);
    if (!conditions.empty()) {
      conditions.resize(conditions.size() - 4);  // the last "AND ", keeping the blank before it
      sql += " WHERE " + conditions;
    }
    sql += OrderBy(fields);
    recordset->Close();
    return sql;
  }

 private:
  std::string Posted(std::string_view base) const {
    return page_.RequestItem(page_.ParamName(base));
  }

  // Every column, shown by the form or not, whose value and operator were both posted.
  std::string Condition(ado::Field& field) {
    const std::string name = field.Name();
    const std::string value = page_.RequestItem(name);
    const std::string op = page_.RequestItem(name + "CRITERION");
    if (value.empty() || op.empty()) return "";
    const int32_t type = field.Type();
    const CriterionKind kind =
        CriterionKindOf(type, FindRelation(name, *form_.RelatedRecords).found);
    if (kind == CriterionKind::None) Refuse(name, "takes no criterion");
    if (!Offers(OperatorsOf(kind), op)) Refuse(name, "does not offer the operator " + Quoted(op));
    return quoting_.QuoteIdentifier(name) + " " + op + " " + Literal(name, type, value) + " AND ";
  }

  // A column and a direction, both as the form lists them; either alone adds nothing.
  std::string OrderBy(ado::Fields& fields) {
    const std::string column = Posted("ORDERBY");
    const std::string direction = page_.RequestItem(page_.ParamName("ORDERBY") + "CRITERION");
    if (column.empty() || direction.empty()) return "";
    std::shared_ptr<ado::Field> field = fields.Find(column);
    if (!field || field->Name() != column || !IsOrderable(field->Type()) ||
        IsInCollection(Variant(column), *form_.HiddenFields)) {
      Refuse("ORDER BY", "does not offer the column " + Quoted(column));
    }
    if (!Lists(kDirections, direction))
      Refuse("ORDER BY", "does not offer the direction " + Quoted(direction));
    return "\r\nORDER BY " + quoting_.QuoteIdentifier(column) + " " + direction;
  }

  AdminRecordset& page_;
  HTMLSearchForm& form_;
  const SqlQuoting quoting_;
};

}  // namespace

std::string BuildCriteriaSql(AdminRecordset& page) {
  return CriteriaBuilder(page).Build();
}

}  // namespace korvex
