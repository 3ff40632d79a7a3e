// The SQLite provider's catalogue: tables and views from the schema table, columns, keys and
// indexes from the table pragmas, in the shapes the schema rowsets are built from.
#include <algorithm>

#include "ado/ado_errors.h"
#include "ado/sqlite/sqlite_provider.h"

namespace korvex::ado::sqlite {

namespace {

std::string Text(const DbValue& v) {
  switch (v.kind) {
    case DbValue::Kind::Integer:
      return std::to_string(v.integer);
    case DbValue::Kind::Null:
      return "";
    default:
      return v.bytes;
  }
}

int64_t Int(const DbValue& v) {
  if (v.kind == DbValue::Kind::Integer) return v.integer;
  if (v.kind == DbValue::Kind::Real) return static_cast<int64_t>(v.real);
  return 0;
}

TableKind KindOf(const std::string& type, const std::string& name) {
  if (type == "view") return TableKind::View;
  return FoldCase(name).rfind("sqlite_", 0) == 0 ? TableKind::SystemTable : TableKind::Table;
}

std::string RuleName(const std::string& rule) {
  if (rule == "CASCADE" || rule == "SET NULL" || rule == "SET DEFAULT") return rule;
  return "NO ACTION";
}

}  // namespace

std::vector<std::vector<DbValue>> SqliteSession::Rows(const std::string& sql) {
  std::vector<std::vector<DbValue>> rows;
  auto cursor = Query(sql, {});
  while (cursor->Next()) {
    std::vector<DbValue> row;
    for (size_t i = 0; i < cursor->ColumnCount(); ++i) row.push_back(cursor->Value(i));
    rows.push_back(std::move(row));
  }
  return rows;
}

std::vector<TableInfo> SqliteSession::ReadTables() {
  std::vector<TableInfo> tables;
  for (auto& row : Rows("SELECT name, type, sql FROM sqlite_master "
                        "WHERE type IN ('table', 'view') ORDER BY name")) {
    TableInfo t;
    t.name = Text(row[0]);
    t.kind = KindOf(Text(row[1]), t.name);
    if (t.kind == TableKind::View) t.definition = Text(row[2]);
    tables.push_back(std::move(t));
  }
  return tables;
}

std::optional<std::string> SqliteSession::RowIdName(const TableInfo& table) {
  if (table.kind == TableKind::View) return std::nullopt;
  for (const char* alias : {"rowid", "_rowid_", "oid"}) {
    bool taken = std::any_of(table.columns.begin(), table.columns.end(),
                             [&](const ColumnInfo& c) { return EqualsNoCase(c.name, alias); });
    if (taken) continue;
    // A table declared WITHOUT ROWID refuses the name.
    std::string probe = std::string("SELECT ") + alias + " FROM " +
                        Dialect().QuoteIdentifier(table.name) + " LIMIT 0";
    sqlite3_stmt* statement = nullptr;
    handle_->Ran();
    int rc = sqlite3_prepare_v2(db(), probe.c_str(), -1, &statement, nullptr);
    sqlite3_finalize(statement);
    return rc == SQLITE_OK ? std::optional<std::string>(alias) : std::nullopt;
  }
  return std::nullopt;
}

std::optional<TableInfo> SqliteSession::ReadDescription(std::string_view name) {
  // The table and its columns in one statement, so under one read lock.
  std::vector<DbValue> param{DbValue::Text(std::string(name))};
  auto cursor = Query(
      "SELECT m.name, m.type, m.sql, p.name, p.type, p.\"notnull\", p.dflt_value, p.pk "
      "FROM sqlite_master m LEFT JOIN pragma_table_info(m.name) p "
      "WHERE m.type IN ('table', 'view') AND m.name = ? COLLATE NOCASE ORDER BY p.cid",
      param);
  std::optional<TableInfo> found;
  int key_columns = 0;
  while (cursor->Next()) {
    if (!found) {
      found.emplace();
      found->name = Text(cursor->Value(0));
      found->kind = KindOf(Text(cursor->Value(1)), found->name);
      if (found->kind == TableKind::View) found->definition = Text(cursor->Value(2));
    }
    if (cursor->Value(3).IsNull()) continue;
    ColumnInfo c;
    c.name = Text(cursor->Value(3));
    c.declared_type = Text(cursor->Value(4));
    c.not_null = Int(cursor->Value(5)) != 0;
    if (DbValue d = cursor->Value(6); !d.IsNull()) c.default_sql = Text(d);
    c.primary_key_ordinal = static_cast<int>(Int(cursor->Value(7)));
    if (c.primary_key_ordinal > 0) ++key_columns;
    found->columns.push_back(std::move(c));
  }
  cursor.reset();
  if (!found) return std::nullopt;
  TableInfo& t = *found;
  t.rowid = RowIdName(t);
  // A lone INTEGER PRIMARY KEY is the row id under another name: the database fills it.
  if (key_columns == 1 && t.rowid) {
    for (ColumnInfo& c : t.columns)
      if (c.primary_key_ordinal == 1 && EqualsNoCase(c.declared_type, "INTEGER")) {
        c.auto_increment = true;
        c.not_null = true;
      }
  }
  return found;
}

std::vector<ForeignKeyInfo> SqliteSession::ReadForeignKeys() {
  std::vector<ForeignKeyInfo> keys;
  for (const TableInfo& table : Tables()) {
    if (table.kind != TableKind::Table) continue;
    for (auto& row :
         Rows("PRAGMA foreign_key_list(" + Dialect().QuoteIdentifier(table.name) + ")")) {
      ForeignKeyInfo k;
      int64_t id = Int(row[0]);
      k.ordinal = static_cast<int>(Int(row[1])) + 1;
      k.fk_table = table.name;
      k.fk_column = Text(row[3]);
      k.pk_table = Text(row[2]);
      k.pk_column = Text(row[4]);
      k.update_rule = RuleName(Text(row[5]));
      k.delete_rule = RuleName(Text(row[6]));
      if (auto parent = DescribeTable(k.pk_table)) {
        k.pk_table = parent->name;
        if (row[4].IsNull()) {  // REFERENCES parent without columns: the parent's key
          for (const ColumnInfo& c : parent->columns)
            if (c.primary_key_ordinal == k.ordinal) k.pk_column = c.name;
        }
      }
      k.name = std::string("FK_").append(k.fk_table).append("_").append(k.pk_table);
      if (id > 0) k.name.append("_").append(std::to_string(id));
      keys.push_back(std::move(k));
    }
  }
  return keys;
}

std::vector<IndexInfo> SqliteSession::ReadIndexes() {
  std::vector<IndexInfo> indexes;
  for (const TableInfo& listed : Tables()) {
    if (listed.kind != TableKind::Table) continue;
    auto table = DescribeTable(listed.name);
    if (!table) continue;
    for (const ColumnInfo& c : table->columns)
      if (c.auto_increment)
        indexes.push_back(IndexInfo{table->name, "PrimaryKey", true, true, {c.name}});
    for (auto& row : Rows("PRAGMA index_list(" + Dialect().QuoteIdentifier(table->name) + ")")) {
      IndexInfo index;
      index.table = table->name;
      index.name = Text(row[1]);
      index.unique = Int(row[2]) != 0;
      index.primary_key = Text(row[3]) == "pk";
      for (auto& column : Rows("PRAGMA index_info(" + Dialect().QuoteIdentifier(index.name) + ")"))
        index.columns.push_back(Text(column[2]));
      indexes.push_back(std::move(index));
    }
  }
  return indexes;
}

// Every page request reads the catalogue (the tables a site lists, the columns and keys a
// screen is built from); kept per handle until the schema changes. A session reads the schema
// version (a read transaction) at its first lookup, after a statement of its own that may have
// written, and when the data version moved: each read transaction of the handle counts another
// connection's commit, a schema change included, so after the session's own reads the data
// version tells whether a new read is needed, without a transaction of its own.
PooledHandle::Catalog& SqliteSession::KeptCatalog() {
  if (!catalog_version_ || catalog_wrote_ || *catalog_version_ != handle_->DataVersion()) {
    handle_->CheckCatalog();
    catalog_version_ = handle_->DataVersion();
    catalog_wrote_ = false;
  }
  return handle_->catalog();
}

std::vector<TableInfo> SqliteSession::Tables() {
  if (!KeptCatalog().tables) {
    std::vector<TableInfo> tables = ReadTables();
    KeptCatalog().tables = std::move(tables);
  }
  return *handle_->catalog().tables;
}

std::optional<TableInfo> SqliteSession::DescribeTable(std::string_view name) {
  std::string key = FoldCase(name);
  auto& described = KeptCatalog().described;
  if (auto it = described.find(key); it != described.end()) return it->second;
  std::optional<TableInfo> table = ReadDescription(name);
  auto& kept = KeptCatalog().described;
  if (kept.size() >= 256) kept.clear();
  kept.emplace(std::move(key), table);
  return table;
}

std::vector<ForeignKeyInfo> SqliteSession::ForeignKeys() {
  if (!KeptCatalog().foreign_keys) {
    std::vector<ForeignKeyInfo> keys = ReadForeignKeys();
    KeptCatalog().foreign_keys = std::move(keys);
  }
  return *handle_->catalog().foreign_keys;
}

std::vector<IndexInfo> SqliteSession::Indexes() {
  if (!KeptCatalog().indexes) {
    std::vector<IndexInfo> indexes = ReadIndexes();
    KeptCatalog().indexes = std::move(indexes);
  }
  return *handle_->catalog().indexes;
}

std::string SqliteSession::CatalogName() {
  const char* file = sqlite3_db_filename(db(), "main");
  return file ? file : "";
}

std::vector<std::pair<std::string, Variant>> SqliteSession::Properties() {
  return {
      {"Provider Name", Variant("SQLite")},
      {"Provider Friendly Name", Variant("SQLite database file")},
      {"DBMS Name", Variant("SQLite")},
      {"DBMS Version", Variant(sqlite3_libversion())},
      {"Data Source", Variant(CatalogName())},
      {"Read-Only Data Source", Variant(sqlite3_db_readonly(db(), "main") == 1)},
      {"Current Catalog", Variant(CatalogName())},
      {"Transaction DDL", Variant(int32_t{8})},
      {"Identifier Case Sensitivity", Variant(int32_t{8})},
  };
}

}  // namespace korvex::ado::sqlite
