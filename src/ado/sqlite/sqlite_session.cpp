// The SQLite provider's session: queries stepped lazily, statements without rows, counts
// answered from the handle's cache when still exact, and nested transactions as savepoints.
#include <cstring>
#include <mutex>

#include "ado/ado_errors.h"
#include "ado/sqlite/sqlite_errors.h"
#include "ado/sqlite/sqlite_provider.h"
#include "ado/statement_log.h"

namespace korvex::ado::sqlite {

namespace {

[[noreturn]] void FailStatement(sqlite3* db, sqlite3_stmt* statement, int rc) {
  std::string message = sqlite3_errmsg(db);
  sqlite3_finalize(statement);
  RaiseSqlite(db, rc, std::move(message));
}

void Bind(sqlite3* db, sqlite3_stmt* statement, std::span<const DbValue> params) {
  int count = sqlite3_bind_parameter_count(statement);
  for (int i = 0; i < count && static_cast<size_t>(i) < params.size(); ++i) {
    const DbValue& v = params[static_cast<size_t>(i)];
    int rc = SQLITE_OK;
    switch (v.kind) {
      case DbValue::Kind::Null:
        rc = sqlite3_bind_null(statement, i + 1);
        break;
      case DbValue::Kind::Integer:
        rc = sqlite3_bind_int64(statement, i + 1, v.integer);
        break;
      case DbValue::Kind::Real:
        rc = sqlite3_bind_double(statement, i + 1, v.real);
        break;
      case DbValue::Kind::Text:
        rc = sqlite3_bind_text64(statement, i + 1, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT,
                                 SQLITE_UTF8);
        break;
      case DbValue::Kind::Blob:
        rc =
            sqlite3_bind_blob64(statement, i + 1, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT);
        break;
    }
    if (rc != SQLITE_OK) FailStatement(db, statement, rc);
  }
}

const char* OrEmpty(const char* s) {
  return s ? s : "";
}

class SqliteCursor : public ProviderCursor {
 public:
  SqliteCursor(std::shared_ptr<PooledHandle> handle, sqlite3_stmt* statement)
      : handle_(std::move(handle)), db_(handle_->db()), statement_(statement) {
    int n = sqlite3_column_count(statement);
    columns_.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      columns_.push_back(ColumnMeta{OrEmpty(sqlite3_column_name(statement, i)),
                                    OrEmpty(sqlite3_column_decltype(statement, i)),
                                    OrEmpty(sqlite3_column_table_name(statement, i)),
                                    OrEmpty(sqlite3_column_origin_name(statement, i))});
    }
  }
  ~SqliteCursor() override { handle_->GiveBackStatement(statement_); }

  bool Next() override {
    handle_->Ran();
    int rc = sqlite3_step(statement_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    RaiseSqlite(db_, rc);
  }
  size_t ColumnCount() const override { return columns_.size(); }
  const ColumnMeta& Column(size_t index) const override { return columns_[index]; }
  DbValue Value(size_t index) const override {
    int i = static_cast<int>(index);
    switch (sqlite3_column_type(statement_, i)) {
      case SQLITE_INTEGER:
        return DbValue::Int(sqlite3_column_int64(statement_, i));
      case SQLITE_FLOAT:
        return DbValue::Real(sqlite3_column_double(statement_, i));
      case SQLITE_TEXT: {
        const char* text = reinterpret_cast<const char*>(sqlite3_column_text(statement_, i));
        return DbValue::Text(
            std::string(text, static_cast<size_t>(sqlite3_column_bytes(statement_, i))));
      }
      case SQLITE_BLOB: {
        const char* blob = static_cast<const char*>(sqlite3_column_blob(statement_, i));
        size_t size = static_cast<size_t>(sqlite3_column_bytes(statement_, i));
        return DbValue::Blob(blob ? std::string(blob, size) : std::string());
      }
      default:
        return DbValue::Null();
    }
  }

 private:
  std::shared_ptr<PooledHandle> handle_;
  sqlite3* db_;
  sqlite3_stmt* statement_;
  std::vector<ColumnMeta> columns_;
};

bool OnlyBlanks(const char* from, const char* to) {
  for (; from < to; ++from)
    if (*from != ' ' && *from != '\t' && *from != '\r' && *from != '\n' && *from != ';')
      return false;
  return true;
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

SqliteSession::SqliteSession(std::unique_ptr<PooledHandle> handle)
    : handle_(handle.release(),
              [](PooledHandle* h) { GiveBackHandle(std::unique_ptr<PooledHandle>(h)); }) {}

SqliteSession::~SqliteSession() {
  // A transaction the connection left open ends with it, even while a cursor still reads.
  if (!sqlite3_get_autocommit(db())) {
    handle_->Ran();
    sqlite3_exec(db(), "ROLLBACK", nullptr, nullptr, nullptr);
  }
}

sqlite3_stmt* SqliteSession::Prepare(std::string_view sql, std::span<const DbValue> params) {
  handle_->Ran();  // preparing may read the schema
  sqlite3_stmt* statement = handle_->TakeStatement(sql);
  if (!statement) {
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v3(db(), sql.data(), static_cast<int>(sql.size()),
                                SQLITE_PREPARE_PERSISTENT, &statement, &tail);
    if (rc != SQLITE_OK) FailStatement(db(), statement, rc);
    if (!statement) RaiseAdo(err::kStatementRejected, "SQLite", "The statement is empty.");
    if (tail && !OnlyBlanks(tail, sql.data() + sql.size())) {
      sqlite3_finalize(statement);
      RaiseAdo(err::kStatementRejected, "SQLite", "Characters found after end of SQL statement.");
    }
  }
  Bind(db(), statement, params);
  return statement;
}

std::unique_ptr<ProviderCursor> SqliteSession::Query(std::string_view sql,
                                                     std::span<const DbValue> params) {
  LogStatement(sql);
  sqlite3_stmt* statement = Prepare(sql, params);
  if (!sqlite3_stmt_readonly(statement)) catalog_wrote_ = true;
  return std::make_unique<SqliteCursor>(handle_, statement);
}

bool SqliteSession::ReturnsRows(std::string_view sql) {
  sqlite3_stmt* statement = Prepare(sql, {});
  bool rows = sqlite3_column_count(statement) > 0;
  handle_->GiveBackStatement(statement);
  return rows;
}

int64_t SqliteSession::Execute(std::string_view sql, std::span<const DbValue> params) {
  LogStatement(sql);
  handle_->Ran();
  catalog_wrote_ = true;
  const char* next = sql.data();
  const char* end = sql.data() + sql.size();
  int64_t changed = 0;
  bool first = true;
  while (next < end && !OnlyBlanks(next, end)) {
    sqlite3_stmt* statement = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db(), next, static_cast<int>(end - next), &statement, &tail);
    if (rc != SQLITE_OK) FailStatement(db(), statement, rc);
    next = tail ? tail : end;
    if (!statement) continue;
    if (first) Bind(db(), statement, params);
    first = false;
    int64_t before = sqlite3_total_changes64(db());
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    if (rc != SQLITE_DONE) FailStatement(db(), statement, rc);
    if (!sqlite3_stmt_readonly(statement) && sqlite3_total_changes64(db()) != before)
      changed += sqlite3_changes64(db());
    sqlite3_finalize(statement);
  }
  return changed;
}

int64_t SqliteSession::Count(const std::string& count_sql) {
  LogStatement(count_sql);
  if (auto cached = handle_->CachedCount(count_sql)) return *cached;
  PooledHandle::Stamp before = handle_->CurrentStamp();
  SqliteCursor cursor(handle_, Prepare(count_sql, {}));
  int64_t count = 0;
  if (cursor.Next()) {
    DbValue v = cursor.Value(0);
    count = v.kind == DbValue::Kind::Integer ? v.integer : static_cast<int64_t>(v.real);
  }
  // A count taken inside a transaction may be rolled back; only committed states are kept.
  if (sqlite3_get_autocommit(db())) handle_->StoreCount(count_sql, count, before);
  return count;
}

uint64_t SqliteSession::ChangeCounter() {
  PooledHandle::Stamp s = handle_->CurrentStamp();
  return static_cast<uint64_t>(s.data_version) * 1000003u ^
         static_cast<uint64_t>(s.total_changes) * 8191u ^ static_cast<uint64_t>(s.schema_version);
}

std::shared_ptr<const RowIdMap> SqliteSession::KeptRowIdMap(
    const std::string& sql, const std::function<std::optional<RowIdMap>()>& build) {
  return handle_->KeptRowIdMap(sql, build);
}

void SqliteSession::Begin(int depth) {
  // IMMEDIATE: the write lock is taken here, where the busy timeout waits for it, instead of
  // at the first write after a read, where SQLite answers "database is locked" without waiting.
  if (depth <= 1) {
    Execute(handle_->read_only() ? "BEGIN" : "BEGIN IMMEDIATE", {});
  } else {
    Execute("SAVEPOINT korvex_" + std::to_string(depth), {});
  }
}

void SqliteSession::Commit(int depth) {
  Execute(depth <= 1 ? std::string("COMMIT") : "RELEASE korvex_" + std::to_string(depth), {});
}

void SqliteSession::Rollback(int depth) {
  if (depth <= 1) {
    Execute("ROLLBACK", {});
  } else {
    std::string name = "korvex_" + std::to_string(depth);
    Execute("ROLLBACK TO " + name + "; RELEASE " + name, {});
  }
}

std::unique_ptr<ProviderConnection> OpenSqlite(const ConnectionParams& params) {
  auto source = Key(params, {"data source", "database", "dbq"});
  if (!source) RaiseAdo(err::kUnspecified, "SQLite", "The connection string names no Data Source.");
  std::filesystem::path file(*source);
  if (file.is_relative()) file = params.base_directory / file;
  bool read_only = false;
  if (auto mode = Key(params, {"mode"})) read_only = EqualsNoCase(*mode, "Read");
  return std::make_unique<SqliteSession>(TakeHandle(file, read_only));
}

void RegisterSqliteProvider() {
  static std::once_flag once;
  std::call_once(once, [] {
    // Before the library's first use: without its memory statistics, which nothing here reads,
    // every allocation SQLite makes skips a process-wide mutex that the worker threads
    // otherwise queue on. Refused (and harmless) when the library is already in use.
    sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
    RegisterProvider(
        [](std::string_view provider) {
          return provider.empty() || EqualsNoCase(provider, "SQLite") ||
                 FoldCase(provider).find("microsoft.jet") != std::string::npos;
        },
        OpenSqlite);
  });
}

}  // namespace korvex::ado::sqlite
