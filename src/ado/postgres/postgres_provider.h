// The PostgreSQL provider: a server reached through libpq, for the Provider value "PostgreSQL"
// (any letter case). The connection string names the server with Host (or Server, or a
// non-URI Data Source), Port, Database (or Initial Catalog), User ID and Password, or gives a
// whole "postgresql://" URI as its Data Source; the keys given beside a URI override it.
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ado/postgres/catalog_cache.h"
#include "ado/postgres/pg_pool.h"
#include "ado/provider.h"

namespace korvex::ado::postgres {

/// Makes the provider known to Connection.Open; safe to call more than once.
void RegisterPostgresProvider();

/// A "postgresql://" or "postgres://" URI, as libpq takes it whole.
bool IsPostgresUri(std::string_view text);

/// The libpq keywords and values a connection string gives, in the order libpq reads them.
std::vector<std::pair<std::string, std::string>> ConnectionKeywords(const ConnectionParams& params);

std::unique_ptr<ProviderConnection> OpenPostgres(const ConnectionParams& params);

/// A finished result, owned.
struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

class PostgresSession : public ProviderConnection {
 public:
  explicit PostgresSession(std::unique_ptr<PooledConnection> connection);
  ~PostgresSession() override;

  const SqlDialect& Dialect() const override { return PostgresDialect(); }
  std::optional<std::string> ResolveName(std::string_view word) override;
  std::unique_ptr<ProviderCursor> Query(std::string_view sql,
                                        std::span<const DbValue> params) override;
  int64_t Execute(std::string_view sql, std::span<const DbValue> params) override;
  int64_t Count(const std::string& count_sql) override;
  std::shared_ptr<const RowIdMap> KeptRowIdMap(
      const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) override;
  bool ReturnsRows(std::string_view sql) override;
  int64_t ResultBatch() const override;
  uint64_t ChangeCounter() override;

  void Begin(int depth) override;
  void Commit(int depth) override;
  void Rollback(int depth) override;

  std::vector<TableInfo> Tables() override;
  std::optional<TableInfo> DescribeTable(std::string_view name) override;
  std::vector<ForeignKeyInfo> ForeignKeys() override;
  std::vector<IndexInfo> Indexes() override;
  std::string CatalogName() override;
  std::vector<std::pair<std::string, Variant>> Properties() override;

  PGconn* conn() const { return connection_->conn(); }

  /// Runs one statement and gives its result; raises the statement's error. Inside a
  /// transaction a failing statement is undone alone, as other databases do, instead of
  /// spoiling the whole transaction.
  Result Run(std::string_view sql, std::span<const DbValue> params);
  /// Run for the provider's own catalogue statements: prepared once per connection under name,
  /// so that the server plans each only once.
  Result RunPrepared(const char* name, const std::string& sql, std::span<const DbValue> params);

  /// The table and column names behind a result column (the oid and number libpq reports).
  struct ColumnOrigin {
    std::string table, column;
    std::string declared_type;  // as the catalogue describes the column
  };
  ColumnOrigin OriginOf(Oid table, int column);
  /// The server's current snapshot as text: it changes with every commit anywhere on the
  /// server, so what was read under one snapshot is current while it stays the same.
  std::string CurrentSnapshot();

 private:
  Result RunOnce(const std::string& sql, std::span<const DbValue> params);
  /// Runs statement inside its own savepoint while a transaction is open, so that its failure
  /// undoes it alone.
  void Guarded(const std::function<void()>& statement);
  void Command(const char* sql);

  std::unique_ptr<PooledConnection> connection_;
  int depth_ = 0;  // transactions open through Begin
  uint64_t changes_ = 0;
  /// The catalogue cache this session reads through: the one shared with every session of the
  /// server's current snapshot, until the session itself runs a statement that may change the
  /// catalogue (or opens a transaction); then one of its own, fresh after each statement.
  CatalogCache& Catalog();

  std::shared_ptr<CatalogCache> catalog_;
  bool catalog_checked_ = false;  // since the last statement of the session's own
  bool private_catalog_ = false;
};

}  // namespace korvex::ado::postgres
