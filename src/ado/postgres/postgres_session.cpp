// The PostgreSQL provider's session: statements through libpq with numbered parameters,
// results read whole (positioned queries ask for batches, see ResultBatch), transactions
// nested as savepoints, and the connection string's keys as libpq keywords.
#include <functional>
#include <mutex>

#include "ado/ado_errors.h"
#include "ado/postgres/postgres_errors.h"
#include "ado/postgres/postgres_provider.h"
#include "ado/postgres/postgres_values.h"
#include "ado/statement_log.h"

namespace korvex::ado::postgres {

namespace {

// Rows a positioned query asks for first; a walk past them asks for more each time.
constexpr int64_t kFirstBatch = 100;

class PostgresCursor : public ProviderCursor {
 public:
  PostgresCursor(PostgresSession& session, Result result) : result_(std::move(result)) {
    int n = PQnfields(result_.get());
    rows_ = PQntuples(result_.get());
    columns_.reserve(static_cast<size_t>(n));
    types_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      Oid type = PQftype(result_.get(), i);
      ColumnMeta meta{
          PQfname(result_.get(), i), DeclaredType(type, PQfmod(result_.get(), i)), {}, {}};
      if (Oid table = PQftable(result_.get(), i); table != InvalidOid) {
        PostgresSession::ColumnOrigin origin =
            session.OriginOf(table, PQftablecol(result_.get(), i));
        meta.base_table = std::move(origin.table);
        meta.base_column = std::move(origin.column);
        // The column's own declaration, where a domain may say more than its base type.
        if (!origin.declared_type.empty()) meta.declared_type = std::move(origin.declared_type);
      }
      columns_.push_back(std::move(meta));
      types_.push_back(type);
    }
  }

  bool Next() override {
    if (row_ + 1 >= rows_) {
      row_ = rows_;
      return false;
    }
    ++row_;
    return true;
  }
  size_t ColumnCount() const override { return columns_.size(); }
  const ColumnMeta& Column(size_t index) const override { return columns_[index]; }
  DbValue Value(size_t index) const override {
    int column = static_cast<int>(index);
    if (row_ < 0 || row_ >= rows_ || PQgetisnull(result_.get(), row_, column))
      return DbValue::Null();
    return ValueFromText(types_[index], PQgetvalue(result_.get(), row_, column),
                         PQgetlength(result_.get(), row_, column));
  }

 private:
  Result result_;
  int rows_ = 0;
  int row_ = -1;
  std::vector<ColumnMeta> columns_;
  std::vector<Oid> types_;
};

bool Succeeded(const PGresult* result) {
  ExecStatusType status = PQresultStatus(result);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY;
}

int64_t RowsChanged(const PGresult* result) {
  const char* text = PQcmdTuples(const_cast<PGresult*>(result));
  return text && *text ? std::strtoll(text, nullptr, 10) : 0;
}

std::optional<std::string> Key(const ConnectionParams& params,
                               std::initializer_list<const char*> names) {
  for (const char* name : names) {
    auto it = params.keys.find(name);
    if (it != params.keys.end() && !it->second.empty()) return it->second;
  }
  return std::nullopt;
}

}  // namespace

bool IsPostgresUri(std::string_view text) {
  return text.rfind("postgresql://", 0) == 0 || text.rfind("postgres://", 0) == 0;
}

std::vector<std::pair<std::string, std::string>> ConnectionKeywords(
    const ConnectionParams& params) {
  std::vector<std::pair<std::string, std::string>> keywords;
  auto source = Key(params, {"data source"});
  // A URI first: libpq lets the keywords after it override its parts.
  if (source && IsPostgresUri(*source)) keywords.emplace_back("dbname", *source);
  auto add = [&](const char* keyword, std::initializer_list<const char*> names) {
    if (auto value = Key(params, names)) keywords.emplace_back(keyword, *value);
  };
  if (source && !IsPostgresUri(*source)) keywords.emplace_back("host", *source);
  add("host", {"host", "server"});
  add("port", {"port"});
  add("dbname", {"database", "initial catalog", "dbname"});
  if (!params.user.empty())
    keywords.emplace_back("user", params.user);
  else
    add("user", {"uid", "user", "username"});
  if (!params.password.empty())
    keywords.emplace_back("password", params.password);
  else
    add("password", {"pwd"});
  add("sslmode", {"ssl mode", "sslmode"});
  add("connect_timeout", {"timeout", "connect timeout", "connect_timeout"});
  add("application_name", {"application name", "application_name"});
  std::string options = Key(params, {"options"}).value_or("");
  if (auto path = Key(params, {"search path", "search_path"})) {
    // Blanks and backslashes escaped: libpq splits the options on blanks.
    std::string escaped;
    for (char c : *path) {
      if (c == ' ' || c == '\\') escaped += '\\';
      escaped += c;
    }
    options += (options.empty() ? "" : " ") + std::string("-c search_path=") + escaped;
  }
  if (!options.empty()) keywords.emplace_back("options", options);
  keywords.emplace_back("client_encoding", "UTF8");
  return keywords;
}

PostgresSession::PostgresSession(std::unique_ptr<PooledConnection> connection)
    : connection_(std::move(connection)) {}

PostgresSession::~PostgresSession() {
  if (depth_ > 0) Command("ROLLBACK");
  GiveBackConnection(std::move(connection_));
}

void PostgresSession::Command(const char* sql) {
  Result result(PQexec(conn(), sql));
  if (!Succeeded(result.get())) RaisePostgres(conn(), result.get());
}

Result PostgresSession::RunOnce(const std::string& sql, std::span<const DbValue> params) {
  Result result;
  if (params.empty()) {
    result.reset(PQexecParams(conn(), sql.c_str(), 0, nullptr, nullptr, nullptr, nullptr, 0));
  } else {
    Parameters p(params);
    result.reset(PQexecParams(conn(), NumberParameterMarks(sql).c_str(), p.Count(), p.Types(),
                              p.Values(), p.Lengths(), p.Formats(), 0));
  }
  if (!Succeeded(result.get())) RaisePostgres(conn(), result.get());
  return result;
}

void PostgresSession::Guarded(const std::function<void()>& statement) {
  if (depth_ == 0) return statement();
  Command("SAVEPOINT korvex_statement");
  try {
    statement();
  } catch (const AutomationError&) {
    Result undo(PQexec(conn(),
                       "ROLLBACK TO SAVEPOINT korvex_statement; "
                       "RELEASE SAVEPOINT korvex_statement"));
    throw;
  }
  Command("RELEASE SAVEPOINT korvex_statement");
}

Result PostgresSession::Run(std::string_view sql, std::span<const DbValue> params) {
  std::string text(sql);
  Result result;
  Guarded([&] { result = RunOnce(text, params); });
  return result;
}

Result PostgresSession::RunPrepared(const char* name, const std::string& sql,
                                    std::span<const DbValue> params) {
  Result result;
  Guarded([&] {
    if (!connection_->prepared().count(name)) {
      Result prepared(PQprepare(conn(), name, NumberParameterMarks(sql).c_str(),
                                static_cast<int>(params.size()), nullptr));
      if (!Succeeded(prepared.get())) RaisePostgres(conn(), prepared.get());
      connection_->prepared().insert(name);
    }
    Parameters p(params);
    result.reset(PQexecPrepared(conn(), name, p.Count(), p.Values(), p.Lengths(), p.Formats(), 0));
    if (!Succeeded(result.get())) RaisePostgres(conn(), result.get());
  });
  return result;
}

std::unique_ptr<ProviderCursor> PostgresSession::Query(std::string_view sql,
                                                       std::span<const DbValue> params) {
  LogStatement(sql);
  catalog_checked_ = false;
  return std::make_unique<PostgresCursor>(*this, Run(sql, params));
}

int64_t PostgresSession::Execute(std::string_view sql, std::span<const DbValue> params) {
  LogStatement(sql);
  ++changes_;
  // The statement may have made or dropped tables: from here on the session reads the
  // catalogue afresh, into a cache of its own.
  private_catalog_ = true;
  catalog_checked_ = false;
  if (!params.empty()) return RowsChanged(Run(sql, params).get());
  // Several statements may come in one text; only the simple protocol takes that.
  std::string text(sql);
  int64_t changed = 0;
  Guarded([&] {
    if (!PQsendQuery(conn(), text.c_str())) RaisePostgres(conn(), nullptr);
    Result failure;
    while (PGresult* next = PQgetResult(conn())) {
      Result result(next);
      if (!Succeeded(result.get())) {
        if (!failure) failure = std::move(result);
        continue;
      }
      changed += RowsChanged(result.get());
    }
    if (failure) RaisePostgres(conn(), failure.get());
  });
  return changed;
}

int64_t PostgresSession::Count(const std::string& count_sql) {
  LogStatement(count_sql);
  auto number = [](const PGresult* r, int column) -> int64_t {
    if (PQntuples(r) < 1 || PQgetisnull(r, 0, column)) return 0;
    return std::strtoll(PQgetvalue(r, 0, column), nullptr, 10);
  };
  // Inside a transaction the session sees its own changes: no kept count applies.
  if (depth_ > 0) return number(Run(count_sql, {}).get(), 0);
  const std::string& key = connection_->key();
  if (auto kept = KeptCount(key, count_sql, CurrentSnapshot())) return *kept;
  // The count and the snapshot it saw, from one statement.
  Result r = Run("SELECT pg_current_snapshot()::text, (" + count_sql + ")", {});
  int64_t count = number(r.get(), 1);
  KeepCount(key, count_sql, PQgetvalue(r.get(), 0, 0), count);
  return count;
}

std::shared_ptr<const RowIdMap> PostgresSession::KeptRowIdMap(
    const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) {
  // Inside a transaction the data may still roll back: nothing is kept or built.
  if (depth_ > 0) return nullptr;
  const std::string before = CurrentSnapshot();
  return SharedRowIdMap(connection_->key(), sql, before, [&]() -> std::optional<RowIdMap> {
    std::optional<RowIdMap> map = build();
    // Read outside a transaction: a commit meanwhile moved the snapshot, and the map may mix
    // the rows before and after it.
    if (map && CurrentSnapshot() != before) return std::nullopt;
    return map;
  });
}

bool PostgresSession::ReturnsRows(std::string_view sql) {
  catalog_checked_ = false;
  // Prepared and described, never run: the statement may change data.
  std::string text(sql);
  int fields = 0;
  Guarded([&] {
    Result prepared(PQprepare(conn(), "", text.c_str(), 0, nullptr));
    if (!Succeeded(prepared.get())) RaisePostgres(conn(), prepared.get());
    Result described(PQdescribePrepared(conn(), ""));
    if (!Succeeded(described.get())) RaisePostgres(conn(), described.get());
    fields = PQnfields(described.get());
  });
  return fields > 0;
}

int64_t PostgresSession::ResultBatch() const {
  return kFirstBatch;
}

uint64_t PostgresSession::ChangeCounter() {
  // The snapshot changes with every commit anywhere on the server; the session's own changes
  // inside a transaction are counted apart.
  return std::hash<std::string>{}(CurrentSnapshot()) + changes_;
}

std::string PostgresSession::CurrentSnapshot() {
  Result now = RunPrepared("korvex_snapshot", "SELECT pg_current_snapshot()::text", {});
  return PQgetvalue(now.get(), 0, 0);
}

void PostgresSession::Begin(int depth) {
  Command(depth <= 1 ? "BEGIN" : ("SAVEPOINT korvex_" + std::to_string(depth)).c_str());
  depth_ = depth;
}

void PostgresSession::Commit(int depth) {
  Command(depth <= 1 ? "COMMIT" : ("RELEASE SAVEPOINT korvex_" + std::to_string(depth)).c_str());
  depth_ = depth - 1;
}

void PostgresSession::Rollback(int depth) {
  if (depth <= 1) {
    Command("ROLLBACK");
  } else {
    std::string name = "korvex_" + std::to_string(depth);
    Command(("ROLLBACK TO SAVEPOINT " + name + "; RELEASE SAVEPOINT " + name).c_str());
  }
  depth_ = depth - 1;
}

std::unique_ptr<ProviderConnection> OpenPostgres(const ConnectionParams& params) {
  return std::make_unique<PostgresSession>(TakeConnection(ConnectionKeywords(params)));
}

void RegisterPostgresProvider() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterProvider(
        [](std::string_view provider) {
          return EqualsNoCase(provider, "PostgreSQL") || EqualsNoCase(provider, "Postgres");
        },
        OpenPostgres);
  });
}

}  // namespace korvex::ado::postgres
