// Recordset writes: field values while editing, AddNew with the columns' defaults, Update and
// Delete through the database. A row is found by its row id, else by its primary key, and
// every stored column must still hold the value read: a row changed or deleted meanwhile is
// reported, never overwritten.
#include <algorithm>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/connection.h"
#include "ado/field_types.h"
#include "ado/recordset.h"
#include "ado/row_store.h"

namespace korvex::ado {

namespace {

constexpr std::string_view kSource = "ADODB.Recordset";

[[noreturn]] void NotUpdatable() {
  RaiseAdo(err::kNotCapable, kSource,
           "Current Recordset does not support updating. This may be a limitation of the "
           "provider, or of the selected locktype.");
}

[[noreturn]] void NoBaseTable() {
  RaiseAdo(err::kUnspecified, kSource,
           "Insufficient base table information for updating or refreshing.");
}

}  // namespace

// ---- Field values --------------------------------------------------------------------------

DbValue Recordset::CurrentRaw(size_t index) {
  if (pinned_) return (*pinned_)[index];
  RequireCurrent();
  return rows_->Value(position_, index);
}

Variant Recordset::FieldValue(size_t index) {
  RequireOpen();
  const FieldDef& def = defs_[index];
  if (edit_.mode != kEditNone) {
    if (edit_.values[index]) return DecodeValue(*edit_.values[index], def);
    if (edit_.mode == kEditAdd) return DecodeValue(edit_.defaults[index], def);
  }
  return DecodeValue(CurrentRaw(index), def);
}

Variant Recordset::FieldOriginalValue(size_t index) {
  RequireOpen();
  if (edit_.mode == kEditAdd) return Variant::Null();
  return DecodeValue(CurrentRaw(index), defs_[index]);
}

int32_t Recordset::FieldActualSize(size_t index) {
  DbValue v = edit_.mode != kEditNone && edit_.values[index] ? *edit_.values[index]
              : edit_.mode == kEditAdd                       ? edit_.defaults[index]
                                                             : CurrentRaw(index);
  switch (v.kind) {
    case DbValue::Kind::Null:
      return 0;
    case DbValue::Kind::Text:
      return static_cast<int32_t>(std::min<size_t>(CountChars(v.bytes), INT32_MAX));
    case DbValue::Kind::Blob:
      return static_cast<int32_t>(std::min<size_t>(v.bytes.size(), INT32_MAX));
    default:
      return defs_[index].defined_size;
  }
}

void Recordset::RequireUpdatable() const {
  RequireOpen();
  if (lock_type_ == kLockReadOnly) NotUpdatable();
  if (session_ && (!source_ || source_->write_table.empty())) NoBaseTable();
}

void Recordset::SetFieldValue(size_t index, const Variant& value) {
  RequireUpdatable();
  const FieldDef& def = defs_[index];
  // A computed column has nowhere to go.
  if (session_ && def.base_column.empty()) RaiseAdo(err::kCannotConvert, "ADODB.Field");
  DbValue encoded = EncodeValue(value, def);
  if (edit_.mode == kEditNone) {
    RequireCurrent();
    edit_.mode = kEditInProgress;
    edit_.values.assign(defs_.size(), std::nullopt);
  }
  edit_.values[index] = std::move(encoded);
}

// ---- AddNew, Update, CancelUpdate ----------------------------------------------------------

void Recordset::AddNew() {
  RequireUpdatable();
  LeaveRecord();
  current_deleted_ = false;
  Edit edit;
  edit.mode = kEditAdd;
  edit.values.assign(defs_.size(), std::nullopt);
  edit.defaults.assign(defs_.size(), DbValue::Null());
  // The new record shows what the database would fill in: each column's default.
  if (session_ && source_->write_info) {
    std::string select;
    std::vector<size_t> with_default;
    for (size_t i = 0; i < defs_.size(); ++i) {
      if (defs_[i].base_column.empty()) continue;
      // A generated key's default would draw a number from its sequence for nothing.
      for (const ColumnInfo& c : source_->write_info->columns)
        if (c.default_sql && !c.auto_increment && EqualsNoCase(c.name, defs_[i].base_column)) {
          select += (select.empty() ? "SELECT " : ", ") + *c.default_sql;
          with_default.push_back(i);
        }
    }
    if (!with_default.empty()) {
      try {
        auto cursor = session_->Query(select, {});
        if (cursor->Next())
          for (size_t k = 0; k < with_default.size(); ++k)
            edit.defaults[with_default[k]] = cursor->Value(k);
      } catch (const AutomationError&) {
        // A default the database evaluates only on insert stays Null here.
      }
    }
  }
  edit_ = std::move(edit);
}

void Recordset::CancelUpdate() {
  RequireOpen();
  edit_ = Edit();
}

std::string Recordset::StoredColumnList() const {
  const TableInfo& table = *source_->write_info;
  const SqlDialect& dialect = session_->Dialect();
  std::string list;
  for (const FieldDef& def : defs_) {
    if (!list.empty()) list += ", ";
    bool stored = !def.base_column.empty() && EqualsNoCase(def.base_table, table.name);
    list += stored ? dialect.QuoteIdentifier(def.base_column) : "NULL";
  }
  if (has_row_id_) list += ", " + *table.rowid;
  return list;
}

std::vector<DbValue> Recordset::WriteReturningRow(const std::string& sql,
                                                  std::span<const DbValue> params) {
  auto cursor = session_->Query(sql + " RETURNING " + StoredColumnList(), params);
  if (!cursor->Next()) return {};
  std::vector<DbValue> row;
  for (size_t i = 0; i < cursor->ColumnCount(); ++i) row.push_back(cursor->Value(i));
  return row;
}

std::string Recordset::WhereCurrentRow(std::vector<DbValue>& params) {
  const TableInfo& table = *source_->write_info;
  const SqlDialect& dialect = session_->Dialect();
  std::string where;
  if (has_row_id_ && table.rowid) {
    where = *table.rowid + " = ?";
    params.push_back(CurrentRaw(defs_.size()));
  } else {
    bool has_key = false, complete = true;
    for (const ColumnInfo& c : table.columns) {
      if (c.primary_key_ordinal == 0) continue;
      has_key = true;
      complete =
          complete && std::any_of(defs_.begin(), defs_.end(), [&](const FieldDef& d) {
            return EqualsNoCase(d.base_column, c.name) && EqualsNoCase(d.base_table, table.name);
          });
    }
    if (!has_key || !complete)
      RaiseAdo(err::kUnspecified, kSource,
               "Insufficient key column information for updating or refreshing.");
    where = "1 = 1";
  }
  // Every stored column must still hold what was read.
  for (size_t i = 0; i < defs_.size(); ++i) {
    const FieldDef& def = defs_[i];
    if (def.base_column.empty() || !EqualsNoCase(def.base_table, table.name)) continue;
    where += " AND " + dialect.QuoteIdentifier(def.base_column) + " ";
    where.append(dialect.null_safe_equal).append(" ?");
    params.push_back(CurrentRaw(i));
  }
  return where;
}

std::optional<RowWrite> Recordset::DescribeWrite(RowWrite::Action action) {
  if (!connection_ || !connection_->ListensToWrites()) return std::nullopt;
  const std::string& table = source_->write_info->name;
  RowWrite write;
  write.action = action;
  write.table = table;
  for (size_t i = 0; i < defs_.size(); ++i) {
    const FieldDef& def = defs_[i];
    if (def.base_column.empty() || !EqualsNoCase(def.base_table, table)) continue;
    write.columns.push_back(def.base_column);
    write.key.push_back(def.key_column || def.auto_increment);
    if (action != RowWrite::Action::kInsert) write.before.push_back(CurrentRaw(i));
  }
  return write;
}

void Recordset::TellWrite(std::optional<RowWrite> write, const std::vector<DbValue>& stored) {
  if (!write) return;
  if (write->action != RowWrite::Action::kDelete) {
    const std::string& table = source_->write_info->name;
    for (size_t i = 0; i < defs_.size() && i < stored.size(); ++i) {
      const FieldDef& def = defs_[i];
      if (!def.base_column.empty() && EqualsNoCase(def.base_table, table))
        write->after.push_back(stored[i]);
    }
  }
  connection_->RowWritten(std::move(*write));
}

void Recordset::Update() {
  RequireOpen();
  if (edit_.mode == kEditNone) return;
  size_t columns = defs_.size() + (has_row_id_ ? 1 : 0);
  std::vector<DbValue> row(columns);
  bool adding = edit_.mode == kEditAdd;
  for (size_t i = 0; i < defs_.size(); ++i)
    row[i] = edit_.values[i] ? *edit_.values[i] : adding ? edit_.defaults[i] : CurrentRaw(i);
  if (!adding && has_row_id_) row[defs_.size()] = CurrentRaw(defs_.size());

  if (session_) {
    const TableInfo& table = *source_->write_info;
    const SqlDialect& dialect = session_->Dialect();
    std::string quoted_table = dialect.QuoteIdentifier(table.name);
    std::vector<DbValue> params;
    std::string names, marks;
    for (size_t i = 0; i < defs_.size(); ++i) {
      if (!edit_.values[i]) continue;
      names += (names.empty() ? "" : ", ") + dialect.QuoteIdentifier(defs_[i].base_column);
      marks += marks.empty() ? "?" : ", ?";
      params.push_back(*edit_.values[i]);
    }
    // Taken before the statement: afterwards the current row may read as it is stored now.
    std::optional<RowWrite> told =
        DescribeWrite(adding ? RowWrite::Action::kInsert : RowWrite::Action::kUpdate);
    // The row comes back as the database stored it: generated keys, defaults, conversions.
    std::vector<DbValue> stored;
    if (adding) {
      stored = WriteReturningRow(
          names.empty() ? "INSERT INTO " + quoted_table + " DEFAULT VALUES"
                        : "INSERT INTO " + quoted_table + " (" + names + ") VALUES (" + marks + ")",
          params);
    } else if (!params.empty()) {
      std::string set;
      for (size_t i = 0; i < defs_.size(); ++i)
        if (edit_.values[i])
          set += (set.empty() ? "" : ", ") + dialect.QuoteIdentifier(defs_[i].base_column) + " = ?";
      std::string where = WhereCurrentRow(params);
      stored =
          WriteReturningRow("UPDATE " + quoted_table + " SET " + set + " WHERE " + where, params);
      if (stored.empty()) RaiseAdo(err::kRowChanged, kSource);
    }
    if (!stored.empty()) {
      TellWrite(std::move(told), stored);
      row = std::move(stored);
    }
  }
  edit_ = Edit();
  rows_known_ = 0;
  if (rows_->InMemory()) {
    pinned_.reset();
    if (adding) {
      position_ = *rows_->RowAdded(std::move(row));
    } else {
      rows_->RowChanged(position_, std::move(row));
    }
    return;
  }
  if (adding) {
    rows_->RowAdded(row);
    added_position_unknown_ = true;
  } else {
    rows_->RowChanged(position_, row);
  }
  pinned_ = std::move(row);
}

void Recordset::UpdateForScript(Variant fields, Variant values) {
  if (!fields.IsMissing()) {
    if (values.IsMissing()) RaiseAdo(err::kInvalidArgument, kSource);
    std::vector<Variant> names{fields}, assigned{values};
    if (fields.IsObject()) {
      auto n = RequireObject(fields)->Enumerate();
      auto v = RequireObject(values)->Enumerate();
      if (!n || !v || n->size() != v->size()) RaiseAdo(err::kInvalidArgument, kSource);
      names = std::move(*n);
      assigned = std::move(*v);
    }
    for (size_t i = 0; i < names.size(); ++i) fields_->Item(names[i])->Value(assigned[i]);
  }
  Update();
}

// ---- Delete --------------------------------------------------------------------------------

void Recordset::Delete() {
  RequireUpdatable();
  if (edit_.mode == kEditAdd) {
    edit_ = Edit();
    return;
  }
  edit_ = Edit();
  RequireCurrent();
  if (session_) {
    std::vector<DbValue> params;
    std::string where = WhereCurrentRow(params);
    std::string table = session_->Dialect().QuoteIdentifier(source_->write_info->name);
    std::optional<RowWrite> told = DescribeWrite(RowWrite::Action::kDelete);
    if (session_->Execute("DELETE FROM " + table + " WHERE " + where, params) == 0)
      RaiseAdo(err::kRowChanged, kSource,
               "Row cannot be located for deletion. Some values may have been changed since it "
               "was last read.");
    TellWrite(std::move(told), {});
  }
  ResolveAddedPosition();
  pinned_.reset();
  rows_known_ = 0;
  rows_->RowRemoved(position_);
  current_deleted_ = true;
}

void Recordset::DeleteForScript(std::optional<int32_t> affect_records) {
  if (affect_records && *affect_records != 1) RaiseAdo(err::kNotCapable, kSource);
  Delete();
}

}  // namespace korvex::ado
