// A temporary SQLite file for the translator tests, driven through the C API directly so the
// translated text is checked against the real database without the rest of the data layer.
#pragma once

#include <sqlite3.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

namespace korvex::ado::testing {

class ScratchDb {
 public:
  ScratchDb() {
    char path[] = "/tmp/korvex-sqlparse-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) throw std::runtime_error("mkstemp failed");
    close(fd);
    path_ = path;
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) throw std::runtime_error("open failed");
  }
  ~ScratchDb() {
    sqlite3_close(db_);
    unlink(path_.c_str());
  }
  ScratchDb(const ScratchDb&) = delete;
  ScratchDb& operator=(const ScratchDb&) = delete;

  sqlite3* handle() const { return db_; }

  void Exec(const std::string& sql) {
    char* message = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &message) != SQLITE_OK) {
      std::string text = message ? message : "?";
      sqlite3_free(message);
      throw std::runtime_error(text + " in: " + sql);
    }
  }

  /// Every row of a query, each column as text ("<null>" for NULL); throws with the
  /// database's message when the statement does not prepare or run.
  std::vector<std::vector<std::string>> Query(const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK)
      throw std::runtime_error(std::string(sqlite3_errmsg(db_)) + " in: " + sql);
    std::vector<std::vector<std::string>> rows;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
      std::vector<std::string> row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        const unsigned char* text = sqlite3_column_text(stmt, i);
        row.push_back(text ? reinterpret_cast<const char*>(text) : "<null>");
      }
      rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db_));
    return rows;
  }

  /// The first column of every row, joined by commas: compact to compare.
  std::string Column(const std::string& sql) {
    std::string out;
    for (const auto& row : Query(sql)) out += (out.empty() ? "" : ",") + row.at(0);
    return out;
  }

 private:
  std::string path_;
  sqlite3* db_ = nullptr;
};

}  // namespace korvex::ado::testing
