// The SQLite provider: database files named by a connection string's Data Source, for the
// Provider values "SQLite" and any containing "Microsoft.Jet" (the embedded default).
#pragma once

#include <sqlite3.h>

#include <memory>

#include "ado/provider.h"
#include "ado/sqlite/handle_pool.h"

namespace korvex::ado::sqlite {

/// Makes the provider known to Connection.Open; safe to call more than once.
void RegisterSqliteProvider();

/// Opens the file of params' "data source" (or "database") key, relative to
/// params.base_directory; "Mode=Read" opens it read-only.
std::unique_ptr<ProviderConnection> OpenSqlite(const ConnectionParams& params);

class SqliteSession : public ProviderConnection {
 public:
  explicit SqliteSession(std::unique_ptr<PooledHandle> handle);
  ~SqliteSession() override;

  const SqlDialect& Dialect() const override { return SqliteDialect(); }
  std::unique_ptr<ProviderCursor> Query(std::string_view sql,
                                        std::span<const DbValue> params) override;
  int64_t Execute(std::string_view sql, std::span<const DbValue> params) override;
  int64_t Count(const std::string& count_sql) override;
  bool ReturnsRows(std::string_view sql) override;
  uint64_t ChangeCounter() override;
  std::shared_ptr<const RowIdMap> KeptRowIdMap(
      const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) override;

  void Begin(int depth) override;
  void Commit(int depth) override;
  void Rollback(int depth) override;

  std::vector<TableInfo> Tables() override;
  std::optional<TableInfo> DescribeTable(std::string_view name) override;
  std::vector<ForeignKeyInfo> ForeignKeys() override;
  std::vector<IndexInfo> Indexes() override;
  std::string CatalogName() override;
  std::vector<std::pair<std::string, Variant>> Properties() override;

  sqlite3* db() const { return handle_->db(); }

 private:
  sqlite3_stmt* Prepare(std::string_view sql, std::span<const DbValue> params);
  /// Each row of a query as text values (catalogue queries).
  std::vector<std::vector<DbValue>> Rows(const std::string& sql);
  std::optional<std::string> RowIdName(const TableInfo& table);
  std::vector<TableInfo> ReadTables();
  std::optional<TableInfo> ReadDescription(std::string_view name);
  std::vector<ForeignKeyInfo> ReadForeignKeys();
  std::vector<IndexInfo> ReadIndexes();
  PooledHandle::Catalog& KeptCatalog();

  // Shared with the session's open cursors: the handle goes back to the pool when the last of
  // them is done, so no cursor touches a handle another thread has taken meanwhile.
  std::shared_ptr<PooledHandle> handle_;
  bool catalog_wrote_ = false;               // a statement that may write ran since the last check
  std::optional<unsigned> catalog_version_;  // the data version the last check saw
};

}  // namespace korvex::ado::sqlite
