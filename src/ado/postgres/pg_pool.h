// The process-wide pool of open server connections, one list per set of connection keywords.
// A page opens and closes its connection on every request; taking an idle connection instead
// of logging in again keeps that cheap.
#pragma once

#include <libpq-fe.h>

#include <cstddef>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvex::ado::postgres {

class PooledConnection {
 public:
  PooledConnection(PGconn* conn, std::string key) : conn_(conn), key_(std::move(key)) {}
  ~PooledConnection() { PQfinish(conn_); }
  PooledConnection(const PooledConnection&) = delete;
  PooledConnection& operator=(const PooledConnection&) = delete;

  PGconn* conn() const { return conn_; }
  const std::string& key() const { return key_; }

 private:
  PGconn* conn_;
  std::string key_;
};

/// An idle connection made with these keywords, or a new one (logged in and set up for the
/// provider: UTF-8, ISO dates in UTC, plain money text). A server that cannot be reached or
/// refuses the login raises -2147467259 with libpq's message.
std::unique_ptr<PooledConnection> TakeConnection(
    const std::vector<std::pair<std::string, std::string>>& keywords);
/// Gives a connection back: kept when it is healthy and outside any transaction.
void GiveBackConnection(std::unique_ptr<PooledConnection> connection);

/// Idle connections across all servers; for tests and diagnostics.
size_t IdleConnectionCount();
void CloseIdleConnections();

}  // namespace korvex::ado::postgres
