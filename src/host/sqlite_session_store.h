// Sessions in one SQLite file, shared safely by many processes at once (WAL journal, waits
// on a busy file): what CGI needs, where every request is a new process.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>

#include "host/session_store.h"

struct sqlite3;

namespace korvex::host {

class SqliteSessionStore : public SessionStore {
 public:
  /// Opens the file, creating it and its tables when needed. Throws std::runtime_error
  /// naming the file when it cannot.
  explicit SqliteSessionStore(const std::filesystem::path& file,
                              SessionClock clock = SystemSeconds);
  ~SqliteSessionStore() override;
  SqliteSessionStore(const SqliteSessionStore&) = delete;
  SqliteSessionStore& operator=(const SqliteSessionStore&) = delete;

  std::optional<SessionState> Load(const std::string& id) override;
  void Save(const std::string& id, const SessionState& state) override;
  void Remove(const std::string& id) override;

 private:
  class Transaction;

  std::filesystem::path file_;
  std::string label_;  // "session store <file>", for messages
  SessionClock clock_;
  std::mutex mutex_;  // one connection, shared by the threads of a process
  sqlite3* db_ = nullptr;
};

}  // namespace korvex::host
