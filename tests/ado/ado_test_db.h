// A real database for the data access tests, on the run's backend (a SQLite file in a fresh
// temporary folder, or a schema on the test server), and a second, independent connection to
// it that plays "another program".
#pragma once

#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "ado/connection.h"
#include "ado/recordset.h"
#include "support/test_database.h"

namespace korvex::ado::testing {

class TestDb {
 public:
  /// schema_sql in SQLite's dialect (carried over to the server in the PostgreSQL run).
  explicit TestDb(const std::string& schema_sql) {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvex-ado-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    file_ = dir_ / "test.db";
    if (korvex::testing::OnPostgres()) {
      server_ = std::make_unique<korvex::testing::PostgresScratch>(
          korvex::testing::PostgresSetupSql(schema_sql));
      return;
    }
    Exec(schema_sql);
  }
  ~TestDb() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  /// Runs SQL through a connection of its own, as another program would.
  void Exec(const std::string& sql) const {
    if (server_) return server_->Exec(korvex::testing::PostgresSetupSql(sql));
    sqlite3* db = nullptr;
    sqlite3_open(file_.c_str(), &db);
    char* message = nullptr;
    std::string batch = "BEGIN;" + sql + ";COMMIT;";
    int rc = sqlite3_exec(db, batch.c_str(), nullptr, nullptr, &message);
    std::string text = message ? message : "";
    sqlite3_free(message);
    sqlite3_close(db);
    if (rc != SQLITE_OK) throw std::runtime_error("setup SQL failed: " + text);
  }

  const std::filesystem::path& file() const { return file_; }
  const std::filesystem::path& dir() const { return dir_; }
  std::string ConnectionString() const {
    return server_ ? server_->ConnectionString() : "Provider=SQLite;Data Source=" + file_.string();
  }

  std::shared_ptr<Connection> Open() const {
    auto c = std::make_shared<Connection>();
    c->Open(ConnectionString());
    return c;
  }

  /// A recordset on source through connection, with the given cursor, lock and location.
  static std::shared_ptr<Recordset> Query(const std::shared_ptr<Connection>& connection,
                                          const std::string& source, int32_t cursor = 1,
                                          int32_t lock = 1, int32_t location = 2) {
    auto rs = std::make_shared<Recordset>();
    rs->CursorLocation(location);
    rs->Open(Variant(source), Variant(connection), cursor, lock);
    return rs;
  }

 private:
  std::filesystem::path dir_, file_;
  std::unique_ptr<korvex::testing::PostgresScratch> server_;
};

/// The error number an expression raises, or 0 when it raises nothing.
template <class F>
int32_t ErrorOf(F&& f) {
  try {
    f();
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

}  // namespace korvex::ado::testing
