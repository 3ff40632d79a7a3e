// Where `korvex serve` (and the other long-running front ends) keep their visitors' sessions:
// in this process's memory by default, or in a PostgreSQL table shared by several instances.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "host/session_store.h"

namespace korvex::app {

struct SessionChoice {
  std::unique_ptr<host::SessionStore> store;
  std::string description;  // for the start line: "in memory", "in PostgreSQL (host:port/db)"
};

/// True for the values --sessions takes: "memory", a "postgresql://" URI, or a connection
/// string naming Provider=PostgreSQL.
bool IsSessionsOption(const std::string& value);

/// Opens the store value names (empty: memory), keeping at most max_sessions. Throws
/// std::runtime_error saying why when the server cannot be reached or its table made.
SessionChoice OpenSessions(const std::string& value, size_t max_sessions);

}  // namespace korvex::app
