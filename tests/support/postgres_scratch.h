// A schema of its own on the test PostgreSQL server for one test, and the connection string
// that shows it (its Search Path). The server is the one KORVEX_TEST_POSTGRES names (.ci/run
// starts a throw-away one; see test_database.h for the runs that use it).
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/postgres/postgres_provider.h"

namespace korvex::testing {

/// The test server's connection string, when one is given.
inline std::optional<std::string> TestPostgresServer() {
  const char* server = std::getenv("KORVEX_TEST_POSTGRES");
  if (!server || !*server) return std::nullopt;
  return std::string(server);
}

/// Skips the calling test when no server is given.
#define KORVEX_SKIP_WITHOUT_POSTGRES()          \
  if (!::korvex::testing::TestPostgresServer()) \
  GTEST_SKIP() << "KORVEX_TEST_POSTGRES names no PostgreSQL server to test on"

class PostgresScratch {
 public:
  /// A new, empty schema; setup_sql (PostgreSQL's own dialect) runs in it.
  explicit PostgresScratch(const std::string& setup_sql = "") {
    // Process ids come round again, and a test that died leaves its schema behind: a random
    // part keeps the name new.
    static std::atomic<int> counter{0};
    std::random_device random;
    schema_ = "korvex_t" + std::to_string(getpid()) + "_" + std::to_string(++counter) + "_" +
              std::to_string(random() % 1000000000u);
    server_ = TestPostgresServer().value_or("");
    conn_ = Connect(server_);
    Exec("CREATE SCHEMA " + schema_ + "; SET search_path = " + schema_);
    if (!setup_sql.empty()) Exec(setup_sql);
  }
  ~PostgresScratch() {
    PQclear(PQexec(conn_, ("DROP SCHEMA IF EXISTS " + schema_ + " CASCADE").c_str()));
    PQfinish(conn_);
  }
  PostgresScratch(const PostgresScratch&) = delete;
  PostgresScratch& operator=(const PostgresScratch&) = delete;

  const std::string& schema() const { return schema_; }
  /// Reaches the tables of this schema only.
  std::string ConnectionString() const { return server_ + ";Search Path=" + schema_; }

  /// Runs SQL on a connection of its own, as another program would.
  void Exec(const std::string& sql) const {
    PGresult* r = PQexec(conn_, sql.c_str());
    std::string failure = Failure(r);
    PQclear(r);
    if (!failure.empty()) throw std::runtime_error(failure + " in: " + sql);
  }

  /// The first column of every row, joined by commas ("<null>" for NULL).
  std::string Column(const std::string& sql) const {
    PGresult* r = PQexec(conn_, sql.c_str());
    std::string failure = Failure(r);
    std::string out;
    for (int row = 0; failure.empty() && row < PQntuples(r); ++row)
      out +=
          (row ? "," : "") + std::string(PQgetisnull(r, row, 0) ? "<null>" : PQgetvalue(r, row, 0));
    PQclear(r);
    if (!failure.empty()) throw std::runtime_error(failure + " in: " + sql);
    return out;
  }

  /// A libpq connection for an ADO-style connection string, as the provider makes it.
  static PGconn* Connect(const std::string& connection_string) {
    ado::ConnectionParams params;
    params.keys = ado::ParseConnectionString(connection_string);
    params.user = params.keys["user id"];
    params.password = params.keys["password"];
    std::vector<const char*> names, values;
    auto keywords = ado::postgres::ConnectionKeywords(params);
    for (const auto& [name, value] : keywords) {
      names.push_back(name.c_str());
      values.push_back(value.c_str());
    }
    names.push_back(nullptr);
    values.push_back(nullptr);
    PGconn* conn = PQconnectdbParams(names.data(), values.data(), 1);
    if (PQstatus(conn) != CONNECTION_OK) {
      std::string message = PQerrorMessage(conn);
      PQfinish(conn);
      throw std::runtime_error("cannot reach the test server: " + message);
    }
    PQclear(PQexec(conn, "SET client_min_messages = warning"));
    return conn;
  }

 private:
  static std::string Failure(const PGresult* r) {
    ExecStatusType status = PQresultStatus(r);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_EMPTY_QUERY)
      return "";
    return PQresultErrorMessage(r);
  }

  std::string schema_, server_;
  PGconn* conn_ = nullptr;
};

}  // namespace korvex::testing
