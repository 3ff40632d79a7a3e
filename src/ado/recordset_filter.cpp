// Recordset Filter and Sort: parsing the sort list, and arranging the rows either in memory
// or, for rows read through the database, as the query's WHERE and ORDER BY.
#include <functional>

#include "ado/ado_errors.h"
#include "ado/field_types.h"
#include "ado/recordset.h"
#include "ado/row_store.h"
#include "ado/sql_dialect.h"
#include "core/text.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Recordset";

}  // namespace

std::vector<Recordset::SortKey> Recordset::ParseSort(std::string_view text) const {
  std::vector<SortKey> keys;
  size_t i = 0;
  while (i < text.size()) {
    // One item: a name (brackets may hold commas) and an optional direction.
    size_t end = i;
    bool bracket = false;
    for (; end < text.size() && (bracket || text[end] != ','); ++end) {
      if (text[end] == '[') bracket = true;
      if (text[end] == ']') bracket = false;
    }
    std::string item(Trim(text.substr(i, end - i)));
    i = end + 1;
    if (item.empty()) RaiseAdo(err::kInvalidArgument, kSource);
    bool descending = false;
    for (std::string_view dir : {" ASC", " DESC"}) {
      if (item.size() > dir.size() &&
          EqualsNoCase(std::string_view(item).substr(item.size() - dir.size()), dir)) {
        descending = dir == " DESC";
        item = Trim(item.substr(0, item.size() - dir.size()));
        break;
      }
    }
    if (item.size() >= 2 && ((item.front() == '[' && item.back() == ']') ||
                             (item.front() == '"' && item.back() == '"')))
      item = item.substr(1, item.size() - 2);
    auto index = fields_->IndexOf(item);
    if (!index) RaiseAdo(err::kItemNotFound, kSource);
    keys.push_back({*index, descending});
  }
  return keys;
}

void Recordset::Arrange(const FilterExpression& filter, const std::vector<SortKey>& sort) {
  rows_known_ = 0;
  if (auto* memory = dynamic_cast<MemoryRows*>(rows_.get())) {
    auto decode = [this](const std::vector<DbValue>& row, size_t i) {
      return DecodeValue(row[i], defs_[i]);
    };
    std::function<bool(const std::vector<DbValue>&)> keep;
    if (!filter.IsEmpty())
      keep = [&](const std::vector<DbValue>& row) {
        return filter.Matches(
            [&](std::string_view name) { return decode(row, *fields_->IndexOf(name)); });
      };
    std::function<bool(const std::vector<DbValue>&, const std::vector<DbValue>&)> less;
    if (!sort.empty())
      less = [&](const std::vector<DbValue>& a, const std::vector<DbValue>& b) {
        for (const SortKey& key : sort) {
          Variant x = decode(a, key.field), y = decode(b, key.field);
          // Null first; texts exactly, as the database orders them on the server side.
          int c = x.IsNull() || y.IsNull() ? (x.IsNull() ? 0 : 1) - (y.IsNull() ? 0 : 1)
                                           : CompareVariants(x, y).value_or(0);
          if (c != 0) return key.descending ? c > 0 : c < 0;
        }
        return false;
      };
    memory->Arrange(keep, less);
    return;
  }
  // Rows read through the database: the filter and the order become part of the query.
  const SqlDialect& dialect = session_->Dialect();
  RowQuery query{source_, filter.ToSqlCondition(dialect), ""};
  for (const SortKey& key : sort) {
    if (!query.order_by.empty()) query.order_by += ", ";
    query.order_by += dialect.OrderTerm(defs_[key.field].name, key.descending);
  }
  auto first = StartRows(*session_, query);
  rows_ = std::make_unique<ServerRows>(session_, std::move(query), std::move(first));
}

void Recordset::Filter(Variant filter) {
  RequireOpen();
  LeaveRecord();
  FilterExpression expression;
  Variant stored = Variant(int32_t{0});
  if (filter.IsString()) {
    if (!Trim(filter.AsString()).empty()) {
      expression = FilterExpression::Parse(filter.AsString());
      stored = filter;
    }
  } else if (filter.IsNumeric()) {
    if (CDbl(filter) != 0) RaiseAdo(err::kInvalidArgument, kSource);
  } else if (!filter.IsEmpty() && !filter.IsNull()) {
    RaiseAdo(err::kInvalidArgument, kSource);
  }
  for (const std::string& name : expression.FieldNames())
    if (!fields_->IndexOf(name)) RaiseAdo(err::kItemNotFound, kSource);
  if (!rows_->InMemory() && !expression.IsEmpty()) {
    try {
      Arrange(expression, ParseSort(sort_));
    } catch (const AutomationError& e) {
      // The database refused the condition (a comparison it cannot make): a bad filter.
      if (e.number() == err::kItemNotFound) throw;
      RaiseAdo(err::kInvalidArgument, kSource);
    }
  } else {
    Arrange(expression, ParseSort(sort_));
  }
  filter_ = stored;
  filter_expression_ = std::move(expression);
  current_deleted_ = false;
  position_ = 0;
}

void Recordset::Sort(std::string sort) {
  RequireOpen();
  LeaveRecord();
  std::vector<SortKey> keys = ParseSort(sort);
  Arrange(filter_expression_, keys);
  sort_ = std::move(sort);
  current_deleted_ = false;
  position_ = 0;
}

}  // namespace korvex::ado
