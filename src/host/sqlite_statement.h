// The small SQLite wrapper of the host's own files (the session store, the built-in site's
// history): failures become std::runtime_error naming the file, statements finalize themselves.
#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace korvex::host::sqlite_file {

/// label names the file in messages: "session store /path/sessions.db".
[[noreturn]] inline void Fail(sqlite3* db, std::string_view label, std::string_view what) {
  throw std::runtime_error(std::string(label) + ": " + std::string(what) + ": " +
                           (db ? sqlite3_errmsg(db) : "out of memory"));
}

inline void Exec(sqlite3* db, std::string_view label, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) Fail(db, label, sql);
}

class Statement {
 public:
  Statement(sqlite3* db, std::string_view label, const char* sql) : db_(db), label_(label) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) Fail(db, label, sql);
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
    if (rc != SQLITE_DONE) Fail(db_, label_, sqlite3_sql(stmt_));
    return false;
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
    if (rc != SQLITE_OK) Fail(db_, label_, "bind");
    return *this;
  }

  sqlite3* db_;
  std::string_view label_;  // the caller's, outliving the statement
  sqlite3_stmt* stmt_ = nullptr;
};

}  // namespace korvex::host::sqlite_file
