// PostgreSQL session store: one row per session, its values packed into one bytea (texts may
// hold any byte, NUL included, which a text column would refuse). Every statement is prepared
// once per connection; a request costs one round trip to read its session, and one more to
// write it when the page changed it.
#include "host/postgres_session_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace korvex::host {

namespace {

// A read counts as activity, but writing the new idle deadline on every request would turn
// each page view into a write: it is moved only once it is this old. A session may therefore
// expire up to this many seconds before the memory store would have dropped it.
constexpr int64_t kTouchAfterSeconds = 10;
// Idle connections kept for the next requests; more are closed when given back.
constexpr size_t kMaxIdleConnections = 64;
// Any constant: serialises the creation of the table between instances starting together.
constexpr int64_t kCreateLock = 0x6b6f7276'73657373;

constexpr Oid kInt4 = 23, kInt8 = 20, kText = 25, kBytea = 17;

struct Statement {
  const char* name;
  const char* sql;
  std::vector<Oid> types;
};

std::string Sql(std::string sql) {
  for (size_t at; (at = sql.find("$T")) != std::string::npos;)
    sql.replace(at, 2, PostgresSessionStore::kTable);
  return sql;
}

const std::vector<Statement>& Statements() {
  static const std::vector<Statement> statements = {
      {"korvex_session_load",
       "SELECT timeout_minutes, state, touched_at FROM $T WHERE id = $1 AND expires_at > $2",
       {kText, kInt8}},
      {"korvex_session_touch",
       "UPDATE $T SET touched_at = $2, expires_at = $2 + 60 * timeout_minutes "
       "WHERE id = $1 AND expires_at > $2",
       {kText, kInt8}},
      {"korvex_session_save",
       "INSERT INTO $T(id, expires_at, touched_at, timeout_minutes, state) "
       "VALUES($1, $2 + 60 * $3::bigint, $2, $3, $4) ON CONFLICT (id) DO UPDATE SET "
       "expires_at = excluded.expires_at, touched_at = excluded.touched_at, "
       "timeout_minutes = excluded.timeout_minutes, state = excluded.state "
       "RETURNING xmax = 0",
       {kText, kInt8, kInt4, kBytea}},
      {"korvex_session_remove", "DELETE FROM $T WHERE id = $1", {kText}},
      {"korvex_session_count", "SELECT count(*) FROM $T", {}},
      {"korvex_session_expire", "DELETE FROM $T WHERE expires_at <= $1", {kInt8}},
      // The most recently used max_sessions stay; the new session was just touched.
      {"korvex_session_bound",
       "DELETE FROM $T WHERE id IN "
       "(SELECT id FROM $T ORDER BY touched_at DESC, id OFFSET $1)",
       {kInt8}},
  };
  return statements;
}

struct ResultDeleter {
  void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

bool Succeeded(const PGresult* result) {
  ExecStatusType status = PQresultStatus(result);
  return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

std::string Trimmed(const char* message) {
  std::string text = message ? message : "";
  while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
  return text;
}

[[noreturn]] void Fail(PGconn* conn, std::string_view what) {
  throw std::runtime_error("session store: " + std::string(what) + ": " +
                           Trimmed(conn ? PQerrorMessage(conn) : "out of memory"));
}

// ---- the packed values ---------------------------------------------------------------------
// A format byte, then per value: name length (4 bytes), name, kind (1 byte), and the value:
// nothing for Empty and Null, 8 bytes for numbers, dates and currency, length and bytes for a
// text. Numbers in network order, like everything else PostgreSQL sends.

constexpr unsigned char kFormat = 1;

void PutUint(std::string& out, uint64_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8)
    out += static_cast<char>((value >> shift) & 0xFF);
}

void PutText(std::string& out, std::string_view text) {
  PutUint(out, text.size(), 4);
  out += text;
}

std::string Pack(const SessionState& state) {
  std::string out(1, static_cast<char>(kFormat));
  for (const auto& [name, value] : state.values) {
    PutText(out, name);
    out += static_cast<char>(value.type());
    switch (value.type()) {
      case VarType::Empty:
      case VarType::Null:
        break;
      case VarType::Boolean:
        PutUint(out, value.AsBool() ? 1 : 0, 8);
        break;
      case VarType::Integer:
      case VarType::Long:
        PutUint(out, static_cast<uint64_t>(int64_t{value.AsLong()}), 8);
        break;
      case VarType::Double:
      case VarType::Date:
        PutUint(out, std::bit_cast<uint64_t>(value.AsDouble()), 8);
        break;
      case VarType::Currency:
        PutUint(out, static_cast<uint64_t>(value.AsCurrencyScaled()), 8);
        break;
      case VarType::String:
        PutText(out, value.AsString());
        break;
      default:
        throw std::logic_error("a session value must be a scalar");
    }
  }
  return out;
}

class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}
  bool done() const { return at_ == bytes_.size(); }
  std::optional<uint64_t> Uint(size_t bytes) {
    if (bytes_.size() - at_ < bytes) return std::nullopt;
    uint64_t value = 0;
    for (size_t i = 0; i < bytes; ++i)
      value = value << 8 | static_cast<unsigned char>(bytes_[at_++]);
    return value;
  }
  std::optional<std::string> Text() {
    std::optional<uint64_t> size = Uint(4);
    if (!size || bytes_.size() - at_ < *size) return std::nullopt;
    std::string text(bytes_.substr(at_, *size));
    at_ += *size;
    return text;
  }

 private:
  std::string_view bytes_;
  size_t at_ = 0;
};

// Nothing for bytes not written by Pack: a damaged row reads as no session at all.
std::optional<std::vector<std::pair<std::string, Variant>>> Unpack(std::string_view bytes) {
  Reader in(bytes);
  if (in.Uint(1) != kFormat) return std::nullopt;
  std::vector<std::pair<std::string, Variant>> values;
  while (!in.done()) {
    std::optional<std::string> name = in.Text();
    std::optional<uint64_t> kind = in.Uint(1);
    if (!name || !kind) return std::nullopt;
    auto type = static_cast<VarType>(*kind);
    Variant value;
    if (type == VarType::String) {
      std::optional<std::string> text = in.Text();
      if (!text) return std::nullopt;
      value = Variant(std::move(*text));
    } else if (type == VarType::Null) {
      value = Variant::Null();
    } else if (type != VarType::Empty) {
      std::optional<uint64_t> bits = in.Uint(8);
      if (!bits) return std::nullopt;
      switch (type) {
        case VarType::Boolean:
          value = Variant(*bits != 0);
          break;
        case VarType::Integer:
          value = Variant(static_cast<int16_t>(static_cast<int64_t>(*bits)));
          break;
        case VarType::Long:
          value = Variant(static_cast<int32_t>(static_cast<int64_t>(*bits)));
          break;
        case VarType::Double:
          value = Variant(std::bit_cast<double>(*bits));
          break;
        case VarType::Date:
          value = Variant(DateValue{std::bit_cast<double>(*bits)});
          break;
        case VarType::Currency:
          value = Variant(CurrencyValue{static_cast<int64_t>(*bits)});
          break;
        default:
          return std::nullopt;
      }
    }
    values.emplace_back(std::move(*name), std::move(value));
  }
  return values;
}

// ---- statements ----------------------------------------------------------------------------

// A parameter list: text values, and at most one binary one (the packed state).
struct Parameters {
  std::vector<std::string> texts;
  std::vector<const char*> values;
  std::vector<int> lengths, formats;

  Parameters& Text(std::string value) {
    texts.push_back(std::move(value));
    return *this;
  }
  Parameters& Binary(std::string value) {
    formats.resize(texts.size(), 0);
    formats.push_back(1);
    texts.push_back(std::move(value));
    return *this;
  }
  void Seal() {
    formats.resize(texts.size(), 0);
    for (const std::string& text : texts) {
      values.push_back(text.data());
      lengths.push_back(static_cast<int>(text.size()));
    }
  }
};

}  // namespace

PostgresKeywords PostgresKeywordsOf(const std::string& conninfo) {
  // dbname with expansion on takes a URI or key=value pairs whole, as psql does.
  return {{"dbname", conninfo}, {"client_encoding", "UTF8"}};
}

/// A connection of the pool for the length of one call; a broken one is closed, never given
/// back.
class PostgresSessionStore::Lease {
 public:
  explicit Lease(PostgresSessionStore& store) : store_(store) {
    {
      std::lock_guard lock(store_.mutex_);
      if (!store_.idle_.empty()) {
        conn_ = store_.idle_.back();
        store_.idle_.pop_back();
      }
    }
    if (!conn_) conn_ = store_.Connect();
  }
  ~Lease() { store_.Give(conn_); }
  Lease(const Lease&) = delete;
  Lease& operator=(const Lease&) = delete;

  /// Runs a prepared statement; binary results when asked. A connection found broken (the
  /// server restarted since it was opened) is replaced and the statement sent once more:
  /// every statement here may safely run twice.
  Result Run(const char* statement, Parameters params, bool binary = false) {
    params.Seal();
    for (int attempt = 0;; ++attempt) {
      Result result(PQexecPrepared(conn_, statement, static_cast<int>(params.values.size()),
                                   params.values.data(), params.lengths.data(),
                                   params.formats.data(), binary ? 1 : 0));
      if (Succeeded(result.get())) return result;
      if (attempt == 0 && PQstatus(conn_) == CONNECTION_BAD) {
        PQfinish(conn_);
        conn_ = nullptr;
        conn_ = store_.Connect();
        continue;
      }
      Fail(conn_, statement);
    }
  }

 private:
  PostgresSessionStore& store_;
  PGconn* conn_ = nullptr;
};

PostgresSessionStore::PostgresSessionStore(PostgresKeywords keywords, size_t max_sessions,
                                           SessionClock clock)
    : keywords_(std::move(keywords)),
      max_sessions_(std::max<size_t>(max_sessions, 1)),
      clock_(std::move(clock)) {
  Give(Connect());
}

PostgresSessionStore::~PostgresSessionStore() {
  for (PGconn* conn : idle_) PQfinish(conn);
}

PGconn* PostgresSessionStore::Connect() {
  std::vector<const char*> names, values;
  for (const auto& [name, value] : keywords_) {
    names.push_back(name.c_str());
    values.push_back(value.c_str());
  }
  names.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(names.data(), values.data(), 1);
  auto fail = [&](std::string_view what) {
    std::string message = Trimmed(conn ? PQerrorMessage(conn) : "out of memory");
    PQfinish(conn);
    throw std::runtime_error("session store: " + std::string(what) + ": " + message);
  };
  if (PQstatus(conn) != CONNECTION_OK) fail("cannot connect");

  // Created by whichever instance comes first; the lock keeps two from racing the catalogue.
  const std::string create =
      Sql("BEGIN; SELECT pg_advisory_xact_lock(" + std::to_string(kCreateLock) +
          "); CREATE TABLE IF NOT EXISTS $T(id text PRIMARY KEY, expires_at bigint NOT NULL, "
          "touched_at bigint NOT NULL, timeout_minutes integer NOT NULL, state bytea NOT NULL); "
          "CREATE INDEX IF NOT EXISTS $T_by_expiry ON $T(expires_at); "
          "CREATE INDEX IF NOT EXISTS $T_by_use ON $T(touched_at); COMMIT");
  if (Result r(PQexec(conn, "SET client_min_messages = warning")); !Succeeded(r.get()))
    fail("cannot set up the connection");
  if (Result r(PQexec(conn, create.c_str())); !Succeeded(r.get())) fail("cannot create its table");
  for (const Statement& s : Statements()) {
    Result r(PQprepare(conn, s.name, Sql(s.sql).c_str(), static_cast<int>(s.types.size()),
                       s.types.data()));
    if (!Succeeded(r.get())) fail(std::string("cannot prepare ") + s.name);
  }
  return conn;
}

void PostgresSessionStore::Give(PGconn* conn) {
  if (!conn) return;
  if (PQstatus(conn) == CONNECTION_OK && PQtransactionStatus(conn) == PQTRANS_IDLE) {
    std::lock_guard lock(mutex_);
    if (idle_.size() < kMaxIdleConnections) {
      idle_.push_back(conn);
      return;
    }
  }
  PQfinish(conn);
}

std::optional<SessionState> PostgresSessionStore::Load(const std::string& id) {
  const int64_t now = clock_();
  Lease lease(*this);
  Result row = lease.Run("korvex_session_load", Parameters().Text(id).Text(std::to_string(now)),
                         /*binary=*/true);
  if (PQntuples(row.get()) == 0) return std::nullopt;
  // Binary columns: int4 and int8 in network order, as Reader reads them.
  auto number = [&](int column, size_t bytes) {
    return Reader(std::string_view(PQgetvalue(row.get(), 0, column), bytes)).Uint(bytes).value();
  };
  SessionState state;
  state.timeout_minutes = static_cast<int32_t>(number(0, 4));
  auto values = Unpack(std::string_view(PQgetvalue(row.get(), 0, 1),
                                        static_cast<size_t>(PQgetlength(row.get(), 0, 1))));
  if (!values) return std::nullopt;
  state.values = std::move(*values);
  if (now - static_cast<int64_t>(number(2, 8)) >= kTouchAfterSeconds)
    lease.Run("korvex_session_touch", Parameters().Text(id).Text(std::to_string(now)));
  return state;
}

void PostgresSessionStore::Save(const std::string& id, const SessionState& state) {
  const int64_t now = clock_();
  const int32_t timeout = ClampTimeout(state.timeout_minutes);
  Lease lease(*this);
  Result inserted = lease.Run("korvex_session_save", Parameters()
                                                         .Text(id)
                                                         .Text(std::to_string(now))
                                                         .Text(std::to_string(timeout))
                                                         .Binary(Pack(state)));
  // Only a new session can push the table past its bound or needs the room of expired ones.
  if (PQntuples(inserted.get()) == 1 && *PQgetvalue(inserted.get(), 0, 0) == 't') Trim(lease, now);
}

void PostgresSessionStore::Trim(Lease& lease, int64_t now) {
  lease.Run("korvex_session_expire", Parameters().Text(std::to_string(now)));
  lease.Run("korvex_session_bound", Parameters().Text(std::to_string(max_sessions_)));
}

void PostgresSessionStore::Remove(const std::string& id) {
  Lease lease(*this);
  lease.Run("korvex_session_remove", Parameters().Text(id));
}

size_t PostgresSessionStore::size() {
  Lease lease(*this);
  Result count = lease.Run("korvex_session_count", Parameters());
  return static_cast<size_t>(std::stoull(PQgetvalue(count.get(), 0, 0)));
}

}  // namespace korvex::host
