// Sessions in one table of a PostgreSQL database, shared by every instance of the server that
// names it: a visitor's values follow him whichever instance a balancer sends him to, and
// survive an instance's restart. Bound and idle time-out behave as in the memory store.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "host/session_store.h"

struct pg_conn;

namespace korvex::host {

/// libpq connection keywords and values, in the order libpq reads them.
using PostgresKeywords = std::vector<std::pair<std::string, std::string>>;

class PostgresSessionStore : public SessionStore {
 public:
  /// The table holding the sessions, in the first schema of the connection's search path.
  static constexpr const char* kTable = "korvex_sessions";

  /// Connects once at once (so a wrong address is reported at start) and creates the table
  /// when it is missing. Throws std::runtime_error with libpq's message when it cannot.
  explicit PostgresSessionStore(PostgresKeywords keywords,
                                size_t max_sessions = MemorySessionStore::kDefaultMaxSessions,
                                SessionClock clock = SystemSeconds);
  ~PostgresSessionStore() override;
  PostgresSessionStore(const PostgresSessionStore&) = delete;
  PostgresSessionStore& operator=(const PostgresSessionStore&) = delete;

  std::optional<SessionState> Load(const std::string& id) override;
  void Save(const std::string& id, const SessionState& state) override;
  void Remove(const std::string& id) override;
  /// Sessions in the table, expired ones not yet swept included; for tests and diagnostics.
  size_t size();

 private:
  class Lease;

  pg_conn* Connect();
  void Give(pg_conn* conn);
  void Trim(Lease& lease, int64_t now);

  PostgresKeywords keywords_;
  size_t max_sessions_;
  SessionClock clock_;
  std::mutex mutex_;
  std::vector<pg_conn*> idle_;  // connections not in use, one per concurrent request at most
};

/// The keywords of a "postgresql://" (or "postgres://") URI, or of a connection string of
/// "key=value" pairs as libpq reads them; client_encoding is set to UTF8.
PostgresKeywords PostgresKeywordsOf(const std::string& conninfo);

}  // namespace korvex::host
