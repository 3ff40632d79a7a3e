// The process-wide pool of open server connections, one list per set of connection keywords.
// A page opens and closes its connection on every request; taking an idle connection instead
// of logging in again keeps that cheap.
#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ado/provider.h"

namespace korvex::ado::postgres {

class PooledConnection {
 public:
  PooledConnection(PGconn* conn, std::string key) : conn_(conn), key_(std::move(key)) {}
  ~PooledConnection() { PQfinish(conn_); }
  PooledConnection(const PooledConnection&) = delete;
  PooledConnection& operator=(const PooledConnection&) = delete;

  PGconn* conn() const { return conn_; }
  const std::string& key() const { return key_; }
  /// Names of the statements prepared on this connection (they live as long as it does).
  std::set<std::string>& prepared() { return prepared_; }

 private:
  PGconn* conn_;
  std::string key_;
  std::set<std::string> prepared_;
};

/// An idle connection made with these keywords, or a new one (logged in and set up for the
/// provider: UTF-8, ISO dates in UTC, plain money text). A server that cannot be reached or
/// refuses the login raises -2147467259 with libpq's message.
std::unique_ptr<PooledConnection> TakeConnection(
    const std::vector<std::pair<std::string, std::string>>& keywords);
/// Gives a connection back: kept when it is healthy and outside any transaction.
void GiveBackConnection(std::unique_ptr<PooledConnection> connection);

/// Exact counts kept between requests, each with the snapshot it was taken in: while the
/// server's current snapshot is the same one, no transaction has committed since, so the count
/// still holds. Keyed by the connection's keywords and the count's SQL.
std::optional<int64_t> KeptCount(const std::string& key, const std::string& sql,
                                 const std::string& snapshot);
void KeepCount(const std::string& key, const std::string& sql, const std::string& snapshot,
               int64_t count);

/// Row id maps for far jumps (ProviderConnection::KeptRowIdMap), kept like the counts: each
/// with the snapshot it was read in. Under an unchanged snapshot the first request only notes
/// the query, the second builds the map (outside the pool's lock); a map whose building saw a
/// commit is not kept.
std::shared_ptr<const RowIdMap> SharedRowIdMap(
    const std::string& key, const std::string& sql, const std::string& snapshot,
    const std::function<std::optional<RowIdMap>()>& build);

/// Idle connections across all servers; for tests and diagnostics.
size_t IdleConnectionCount();
void CloseIdleConnections();

}  // namespace korvex::ado::postgres
