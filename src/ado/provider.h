// The provider interface: what a database backend gives the data access objects. SQLite
// implements it in ado/sqlite, PostgreSQL in ado/postgres. Connection, Recordset and the schema
// rowsets talk to a backend only through these classes. SQL handed to a provider uses ? for
// its parameters, whatever the backend's own marks are.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ado/sql_dialect.h"
#include "core/variant.h"

namespace korvex::ado {

/// A value as the database holds it, before it is given a field type.
struct DbValue {
  enum class Kind : uint8_t { Null, Integer, Real, Text, Blob };
  Kind kind = Kind::Null;
  int64_t integer = 0;
  double real = 0;
  std::string bytes;  // Text (UTF-8) and Blob

  static DbValue Null() { return {}; }
  static DbValue Int(int64_t v) { return {Kind::Integer, v, 0, {}}; }
  static DbValue Real(double v) { return {Kind::Real, 0, v, {}}; }
  static DbValue Text(std::string v) { return {Kind::Text, 0, 0, std::move(v)}; }
  static DbValue Blob(std::string v) { return {Kind::Blob, 0, 0, std::move(v)}; }
  bool IsNull() const noexcept { return kind == Kind::Null; }
  friend bool operator==(const DbValue&, const DbValue&) = default;
};

/// One column of a query result, known once the statement is prepared (before any row).
struct ColumnMeta {
  std::string name;
  std::string declared_type;  // "VARCHAR(50)"; empty for a computed column
  std::string base_table;     // the table the column comes from; empty when computed
  std::string base_column;
};

/// A running query. Rows are read forward, one at a time; a value is decoded only when asked.
class ProviderCursor {
 public:
  virtual ~ProviderCursor() = default;
  /// Moves to the next row; false past the last one.
  virtual bool Next() = 0;
  virtual size_t ColumnCount() const = 0;
  virtual const ColumnMeta& Column(size_t index) const = 0;
  /// A value of the current row.
  virtual DbValue Value(size_t index) const = 0;
};

/// Row ids of a row-ordered query at a regular step, so a far position is reached from the
/// nearest noted row instead of by skipping every row before it.
struct RowIdMap {
  int64_t step = 0;
  std::vector<int64_t> ids;  // ids[j]: the row id of the row at position (j + 1) * step - 1
};

/// A column of a table in the catalogue.
struct ColumnInfo {
  std::string name;
  std::string declared_type;
  bool not_null = false;
  std::optional<std::string> default_sql;  // the default expression as declared
  int primary_key_ordinal = 0;  // position within the primary key from 1; 0 when outside it
  bool auto_increment = false;  // the database fills it (row id alias, serial, identity)
  bool generated = false;       // the database computes it from other columns: never written
};

enum class TableKind { Table, View, SystemTable };

struct TableInfo {
  std::string name;  // as the catalogue spells it
  TableKind kind = TableKind::Table;
  std::vector<ColumnInfo> columns;
  /// The expression naming the row id, when the table has one: rows can then be ordered and
  /// found by it. Nothing for views and tables without one.
  std::optional<std::string> rowid;
  std::string definition;  // a view's SELECT text
};

struct ForeignKeyInfo {
  std::string name;
  std::string pk_table, pk_column, fk_table, fk_column;
  int ordinal = 1;  // position of the column pair within the key, from 1
  std::string update_rule = "NO ACTION", delete_rule = "NO ACTION";
};

struct IndexInfo {
  std::string table, name;
  bool primary_key = false, unique = false;
  std::vector<std::string> columns;
};

/// What Connection.Open hands the provider.
struct ConnectionParams {
  std::string provider;  // the Provider key as given
  /// Every key of the connection string, keys folded to lower case.
  std::map<std::string, std::string> keys;
  std::string user, password;
  /// Folder a relative Data Source is taken from.
  std::filesystem::path base_directory;
};

/// One open session with a database. Every failure is raised as AutomationError through the
/// provider's one error-translation function.
class ProviderConnection {
 public:
  virtual ~ProviderConnection() = default;

  virtual const SqlDialect& Dialect() const = 0;
  /// The catalogue's spelling of a bare name in Jet SQL when the backend would not find the
  /// name as written (it folds unquoted names); nothing otherwise, and for words it must not
  /// touch (its reserved words).
  virtual std::optional<std::string> ResolveName(std::string_view) { return std::nullopt; }
  /// Prepares and starts a query; params bind to the ? marks in order.
  virtual std::unique_ptr<ProviderCursor> Query(std::string_view sql,
                                                std::span<const DbValue> params = {}) = 0;
  /// Runs statements that return no rows (several may be separated by ;); rows changed.
  virtual int64_t Execute(std::string_view sql, std::span<const DbValue> params = {}) = 0;
  /// The single number a COUNT query gives. May come from a cache that the database's change
  /// counter proves still exact.
  virtual int64_t Count(const std::string& count_sql) = 0;
  /// Whether a statement gives rows, found without running it.
  virtual bool ReturnsRows(std::string_view sql) = 0;
  /// How many rows a positioned query should ask for at a time: a provider that reads every
  /// row of a result before handing it over takes batches; 0 when results are read lazily and
  /// one unlimited query serves.
  virtual int64_t ResultBatch() const { return 0; }
  /// Changes whenever any data may have changed, through this session or another one.
  virtual uint64_t ChangeCounter() = 0;
  /// The row id map of the query sql, kept while the database proves its data unchanged.
  /// build reads one; it is called only when the same unchanged data was asked for before, so
  /// data that changes between every request never pays for a whole read. Nothing when no map
  /// is kept (the caller skips rows as before).
  virtual std::shared_ptr<const RowIdMap> KeptRowIdMap(
      const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) {
    (void)sql;
    (void)build;
    return nullptr;
  }

  /// Transactions nest: depth 1 is the outer one, deeper ones are savepoints.
  virtual void Begin(int depth) = 0;
  virtual void Commit(int depth) = 0;
  virtual void Rollback(int depth) = 0;

  // Catalogue.
  virtual std::vector<TableInfo> Tables() = 0;  // names and kinds, columns left empty
  /// A table or view with its columns; nothing when there is none of that name (compared
  /// without regard to case).
  virtual std::optional<TableInfo> DescribeTable(std::string_view name) = 0;
  virtual std::vector<ForeignKeyInfo> ForeignKeys() = 0;
  virtual std::vector<IndexInfo> Indexes() = 0;
  virtual std::string CatalogName() = 0;
  /// Name and value pairs shown as Connection.Properties.
  virtual std::vector<std::pair<std::string, Variant>> Properties() = 0;
};

using ProviderFactory =
    std::function<std::unique_ptr<ProviderConnection>(const ConnectionParams& params)>;

/// Makes a provider available to Connection.Open for every Provider value `matches` accepts.
/// Later registrations are tried first.
void RegisterProvider(std::function<bool(std::string_view provider)> matches,
                      ProviderFactory factory);
/// The factory for a Provider value; nothing when no provider accepts it.
std::optional<ProviderFactory> FindProvider(std::string_view provider);

}  // namespace korvex::ado
