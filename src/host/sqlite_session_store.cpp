// SQLite session store: one row per session and one row per value, the value in the column
// type that keeps it exactly (integers, reals, text) beside its Variant kind.
#include "host/sqlite_session_store.h"

#include <sqlite3.h>

#include <stdexcept>
#include <string>

#include "host/sqlite_statement.h"

namespace korvex::host {

namespace {

using sqlite_file::Exec;
using sqlite_file::Statement;

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
    Exec(store_.db_, store_.label_, "BEGIN IMMEDIATE");
  }
  ~Transaction() {
    if (!committed_) sqlite3_exec(store_.db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  void Commit() {
    Exec(store_.db_, store_.label_, "COMMIT");
    committed_ = true;
  }

 private:
  SqliteSessionStore& store_;
  bool committed_ = false;
};

SqliteSessionStore::SqliteSessionStore(const std::filesystem::path& file, SessionClock clock)
    : file_(file), label_("session store " + file.string()), clock_(std::move(clock)) {
  int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX;
  if (sqlite3_open_v2(file_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    std::string message = db_ ? sqlite3_errmsg(db_) : "out of memory";
    sqlite3_close(db_);
    db_ = nullptr;
    throw std::runtime_error(label_ + ": cannot open: " + message);
  }
  try {
    sqlite3_busy_timeout(db_, kBusyTimeoutMs);
    Exec(db_, label_, "PRAGMA journal_mode=WAL");
    Exec(db_, label_, "PRAGMA synchronous=NORMAL");
    Transaction transaction(*this);
    Exec(db_, label_, kSchema);
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
  Statement touch(db_, label_,
                  "UPDATE sessions SET expires_at = ?1 + 60 * timeout_minutes "
                  "WHERE id = ?2 AND expires_at > ?1 RETURNING timeout_minutes");
  touch.Bind(1, now).Bind(2, std::string_view(id));
  if (!touch.Step()) return std::nullopt;
  SessionState state;
  state.timeout_minutes = static_cast<int32_t>(touch.Int(0));
  touch.Run();

  Statement values(db_, label_,
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
  Statement purge_values(db_, label_,
                         "DELETE FROM session_values WHERE session_id IN "
                         "(SELECT id FROM sessions WHERE expires_at <= ?1)");
  purge_values.Bind(1, now).Run();
  Statement purge(db_, label_, "DELETE FROM sessions WHERE expires_at <= ?1");
  purge.Bind(1, now).Run();

  Statement upsert(db_, label_,
                   "INSERT INTO sessions(id, expires_at, timeout_minutes) VALUES(?1, ?2, ?3) "
                   "ON CONFLICT(id) DO UPDATE SET expires_at = excluded.expires_at, "
                   "timeout_minutes = excluded.timeout_minutes");
  upsert.Bind(1, std::string_view(id))
      .Bind(2, now + int64_t{60} * timeout)
      .Bind(3, int64_t{timeout});
  upsert.Run();
  Statement clear(db_, label_, "DELETE FROM session_values WHERE session_id = ?1");
  clear.Bind(1, std::string_view(id)).Run();

  Statement insert(db_, label_,
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
  Statement values(db_, label_, "DELETE FROM session_values WHERE session_id = ?1");
  values.Bind(1, std::string_view(id)).Run();
  Statement session(db_, label_, "DELETE FROM sessions WHERE id = ?1");
  session.Bind(1, std::string_view(id)).Run();
  transaction.Commit();
}

}  // namespace korvex::host
