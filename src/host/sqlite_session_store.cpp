// SQLite session store: one row per session and one row per value, the value in the column
// type that keeps it exactly (integers, reals, text) beside its Variant kind.
#include "host/sqlite_session_store.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>

namespace korvex::host {

namespace {

constexpr int kBusyTimeoutMs = 10000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS sessions(
  id TEXT PRIMARY KEY,
  expires_at INTEGER NOT NULL,
  timeout_minutes INTEGER NOT NULL);
CREATE INDEX IF NOT EXISTS sessions_by_expiry ON sessions(expires_at);
CREATE TABLE IF NOT EXISTS session_values(
  session_id TEXT NOT NULL,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  kind INTEGER NOT NULL,
  value,
  PRIMARY KEY(session_id, position)) WITHOUT ROWID;
)sql";

[[noreturn]] void Fail(sqlite3* db, const std::filesystem::path& file, std::string_view what) {
  throw std::runtime_error("session store " + file.string() + ": " + std::string(what) + ": " +
                           (db ? sqlite3_errmsg(db) : "out of memory"));
}

void Exec(sqlite3* db, const std::filesystem::path& file, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db, file, sql);
}

class Statement {
 public:
  Statement(sqlite3* db, const std::filesystem::path& file, const char* sql)
      : db_(db), file_(file) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail(db, file, sql);
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  Statement& Bind(int i, int64_t v) { return Check(sqlite3_bind_int64(stmt_, i, v)); }
  Statement& Bind(int i, double v) { return Check(sqlite3_bind_double(stmt_, i, v)); }
  Statement& Bind(int i, std::string_view v) {
    return Check(
        sqlite3_bind_text(stmt_, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT));
  }
  Statement& BindNull(int i) { return Check(sqlite3_bind_null(stmt_, i)); }

  /// True while rows come; false when done.
  bool Step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    Fail(db_, file_, "step");
  }
  void Run() {
    while (Step()) {
    }
  }
  void Reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

  int64_t Int(int col) const { return sqlite3_column_int64(stmt_, col); }
  double Real(int col) const { return sqlite3_column_double(stmt_, col); }
  std::string Text(int col) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return text ? std::string(text, static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
                : std::string();
  }

 private:
  Statement& Check(int rc) {
    if (rc != SQLITE_OK) Fail(db_, file_, "bind");
    return *this;
  }

  sqlite3* db_;
  const std::filesystem::path& file_;
  sqlite3_stmt* stmt_ = nullptr;
};

void BindValue(Statement& s, int i, const Variant& v) {
  switch (v.type()) {
    case VarType::Boolean:
      s.Bind(i, int64_t{v.AsBool() ? 1 : 0});
      break;
    case VarType::Integer:
    case VarType::Long:
      s.Bind(i, int64_t{v.AsLong()});
      break;
    case VarType::Double:
    case VarType::Date:
      s.Bind(i, v.AsDouble());
      break;
    case VarType::Currency:
      s.Bind(i, v.AsCurrencyScaled());
      break;
    case VarType::String:
      s.Bind(i, std::string_view(v.AsString()));
      break;
    case VarType::Empty:
    case VarType::Null:
      s.BindNull(i);
      break;
    default:
      throw std::logic_error("a session value must be a scalar");
  }
}

Variant ColumnValue(const Statement& s, int kind_col, int value_col) {
  switch (static_cast<VarType>(s.Int(kind_col))) {
    case VarType::Null:
      return Variant::Null();
    case VarType::Boolean:
      return Variant(s.Int(value_col) != 0);
    case VarType::Integer:
      return Variant(static_cast<int16_t>(s.Int(value_col)));
    case VarType::Long:
      return Variant(static_cast<int32_t>(s.Int(value_col)));
    case VarType::Double:
      return Variant(s.Real(value_col));
    case VarType::Date:
      return Variant(DateValue{s.Real(value_col)});
    case VarType::Currency:
      return Variant(CurrencyValue{s.Int(value_col)});
    case VarType::String:
      return Variant(s.Text(value_col));
    default:
      return Variant();
  }
}

}  // namespace

/// BEGIN IMMEDIATE takes the write lock up front, so two processes never deadlock upgrading
/// a read; the busy timeout makes the later one wait instead of failing.
class SqliteSessionStore::Transaction {
 public:
  explicit Transaction(SqliteSessionStore& store) : store_(store) {
    Exec(store_.db_, store_.file_, "BEGIN IMMEDIATE");
  }
  ~Transaction() {
    if (!committed_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    Exec(store_.db_, store_.file_, "COMMIT");
    committed_ = true;
  }

 private:
  SqliteSessionStore& store_;
  bool committed_ = false;
};

SqliteSessionStore::SqliteSessionStore(const std::filesystem::path& file, SessionClock clock)
    : file_(file), clock_(std::move(clock)) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error("session store " + file_.string() + ": cannot open: " + message);
  }
  try {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    Exec(db_, file_, "PRAGMA journal_mode=WAL");
    Exec(db_, file_, "PRAGMA synchronous=NORMAL");
    Transaction transaction(*this);
    Exec(db_, file_, kSchema);
    transaction.Commit();
  } catch (...) {
    sqlite3_close(db_);
    db_ = nullptr;
    throw;
  }
}

SqliteSessionStore::~SqliteSessionStore() {
  sqlite3_close(db_);
}

std::optional<SessionState> SqliteSessionStore::Load(const std::string& id) {
  int64_t now = clock_();
  std::lock_guard lock(mutex_);
  Transaction transaction(*this);
  Statement touch(db_, file_,
                  "UPDATE sessions SET expires_at = ?1 + 60 * timeout_minutes "
                  "WHERE id = ?2 AND expires_at > ?1 RETURNING timeout_minutes");
  touch.Bind(1, now).Bind(2, std::string_view(id));
  if (!touch.Step()) return std::nullopt;
  SessionState state;
  state.timeout_minutes = static_cast<int32_t>(touch.Int(0));
  touch.Run();

  Statement values(db_, file_,
                   "SELECT name, kind, value FROM session_values WHERE session_id = ?1 "
                   "ORDER BY position");
  values.Bind(1, std::string_view(id));
  while (values.Step()) state.values.emplace_back(values.Text(0), ColumnValue(values, 1, 2));
  transaction.Commit();
  return state;
}

void SqliteSessionStore::Save(const std::string& id, const SessionState& state) {
  int64_t now = clock_();
  int32_t timeout = ClampTimeout(state.timeout_minutes);
  std::lock_guard lock(mutex_);
  Transaction transaction(*this);
  // Expired sessions go on every save; the expiry index keeps that to the rows that go.
  Statement purge_values(db_, file_,
                         "DELETE FROM session_values WHERE session_id IN "
                         "(SELECT id FROM sessions WHERE expires_at <= ?1)");
  purge_values.Bind(1, now).Run();
  Statement purge(db_, file_, "DELETE FROM sessions WHERE expires_at <= ?1");
  purge.Bind(1, now).Run();

  Statement upsert(db_, file_,
                   "INSERT INTO sessions(id, expires_at, timeout_minutes) VALUES(?1, ?2, ?3) "
                   "ON CONFLICT(id) DO UPDATE SET expires_at = excluded.expires_at, "
                   "timeout_minutes = excluded.timeout_minutes");
  upsert.Bind(1, std::string_view(id))
      .Bind(2, now + int64_t{60} * timeout)
      .Bind(3, int64_t{timeout});
  upsert.Run();
  Statement clear(db_, file_, "DELETE FROM session_values WHERE session_id = ?1");
  clear.Bind(1, std::string_view(id)).Run();

  Statement insert(db_, file_,
                   "INSERT INTO session_values(session_id, position, name, kind, value) "
                   "VALUES(?1, ?2, ?3, ?4, ?5)");
  int64_t position = 0;
  for (const auto& [name, value] : state.values) {
    insert.Reset();
    insert.Bind(1, std::string_view(id)).Bind(2, position++).Bind(3, std::string_view(name));
    insert.Bind(4, static_cast<int64_t>(value.type()));
    BindValue(insert, 5, value);
    insert.Run();
  }
  transaction.Commit();
}

void SqliteSessionStore::Remove(const std::string& id) {
  std::lock_guard lock(mutex_);
  Transaction transaction(*this);
  Statement values(db_, file_, "DELETE FROM session_values WHERE session_id = ?1");
  values.Bind(1, std::string_view(id)).Run();
  Statement session(db_, file_, "DELETE FROM sessions WHERE id = ?1");
  session.Bind(1, std::string_view(id)).Run();
  transaction.Commit();
}

}  // namespace korvex::host
