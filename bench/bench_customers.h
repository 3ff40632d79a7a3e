// Shared by the benchmarks: the 1,000,000-row customers table they page through (integer key,
// names, e-mail, city, date, boolean, amount, memo), generated once into $KORVEX_BENCH_DB
// (default /tmp/korvex-bench-customers.db) and, when a PostgreSQL server is named, into its
// schema korvex_bench, and reused by later runs; the database's own SELECT COUNT(*) as the
// yardstick; and the process's peak memory as a counter.
#pragma once

#include <benchmark/benchmark.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "ado/connection.h"
#include "ado/postgres/postgres_provider.h"

namespace korvex::bench {

inline constexpr int kCustomerRows = 1'000'000;

inline void BenchExec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "sqlite error";
    sqlite3_free(message);
    throw std::runtime_error(text);
  }
}

// One statement fills the table; values cycle through small lists so texts repeat as real
// names do, and the memo varies in length from 40 to 160 characters.
inline void GenerateCustomers(const std::string& path) {
  std::string partial = path + ".partial";
  std::filesystem::remove(partial);
  sqlite3* db = nullptr;
  if (sqlite3_open(partial.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + partial);
  BenchExec(db,
            "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
            "CREATE TABLE Customers (id INTEGER PRIMARY KEY, FirstName VARCHAR(40),"
            " LastName VARCHAR(40), Email VARCHAR(80), City VARCHAR(40), Born DATE,"
            " Active BOOLEAN, Amount MONEY, Notes TEXT);"
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)"
            " INSERT INTO Customers SELECT i,"
            " rtrim(substr('Anna  Bruno Carla Dario Elena Fabio Gina  Hugo  Irene Luca  Marta "
            "Nico  Olga  Paolo ', 1 + (i % 14) * 6, 6)),"
            " rtrim(substr('Rossi  BianchiVerdi  Neri   Gallo  Costa  FontanaConti  Greco  "
            "Moretti', 1 + (i / 14 % 10) * 7, 7)),"
            " 'customer' || i || '@example.com',"
            " rtrim(substr('Rome    Milan   Turin   Naples  Genoa   Bologna FlorenceBari    ',"
            "  1 + (i % 8) * 8, 8)),"
            " date('1940-01-01', '+' || (i * 37 % 21900) || ' days'), i % 2,"
            " (i * 7919 % 1000000) / 100.0,"
            " substr('Prefers contact by mail; pays on time; asks for paper invoices. ' ||"
            " 'Visited the shop in spring and again in autumn, bought mostly books and maps. ' ||"
            " 'Likes the newsletter.', 1, 40 + i % 121) FROM n;");
  sqlite3_close(db);
  std::filesystem::rename(partial, path);
}

inline const std::string& CustomersDatabase() {
  static const std::string path = [] {
    const char* env = std::getenv("KORVEX_BENCH_DB");
    std::string p = env ? env : "/tmp/korvex-bench-customers.db";
    if (!std::filesystem::exists(p)) GenerateCustomers(p);
    return p;
  }();
  return path;
}

/// The PostgreSQL server of the benchmarks ($KORVEX_BENCH_POSTGRES, else the test server of
/// $KORVEX_TEST_POSTGRES), as a connection string; empty when none is named.
inline std::string BenchServer() {
  for (const char* name : {"KORVEX_BENCH_POSTGRES", "KORVEX_TEST_POSTGRES"})
    if (const char* value = std::getenv(name); value && *value) return value;
  return "";
}

inline void ServerExec(PGconn* conn, const std::string& sql) {
  PGresult* r = PQexec(conn, sql.c_str());
  bool ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
  std::string message = ok ? "" : PQresultErrorMessage(r);
  PQclear(r);
  if (!ok) throw std::runtime_error(message);
}

/// A libpq connection for an ADO-style connection string ("Host=...;Port=...;...").
inline PGconn* ConnectToServer(const std::string& connection_string) {
  ado::ConnectionParams params;
  params.keys = ado::ParseConnectionString(connection_string);
  params.user = params.keys["user id"];
  params.password = params.keys["password"];
  auto keywords = ado::postgres::ConnectionKeywords(params);
  std::vector<const char*> names, values;
  for (const auto& [name, value] : keywords) {
    names.push_back(name.c_str());
    values.push_back(value.c_str());
  }
  names.push_back(nullptr);
  values.push_back(nullptr);
  PGconn* conn = PQconnectdbParams(names.data(), values.data(), 1);
  if (PQstatus(conn) != CONNECTION_OK) throw std::runtime_error(PQerrorMessage(conn));
  return conn;
}

/// The same customers table on the server, in the schema korvex_bench, generated once (with
/// the same values) and reused by later runs; the connection string that reaches it.
inline const std::string& CustomersOnServer() {
  static const std::string connection_string = [] {
    std::string server = BenchServer();
    if (server.empty()) throw std::runtime_error("no PostgreSQL server named");
    PGconn* conn = ConnectToServer(server);
    PGresult* r = PQexec(conn, "SELECT to_regclass('korvex_bench.\"Customers\"') IS NOT NULL");
    bool present = PQntuples(r) == 1 && std::string(PQgetvalue(r, 0, 0)) == "t";
    PQclear(r);
    if (!present)
      ServerExec(
          conn,
          "SET client_min_messages = warning; DROP SCHEMA IF EXISTS korvex_bench CASCADE;"
          "CREATE SCHEMA korvex_bench; SET search_path = korvex_bench;"
          "CREATE TABLE \"Customers\" (id integer PRIMARY KEY, \"FirstName\" varchar(40),"
          " \"LastName\" varchar(40), \"Email\" varchar(80), \"City\" varchar(40),"
          " \"Born\" date, \"Active\" boolean, \"Amount\" money, \"Notes\" text);"
          "INSERT INTO \"Customers\" SELECT i,"
          " rtrim(substr('Anna  Bruno Carla Dario Elena Fabio Gina  Hugo  Irene Luca  Marta "
          "Nico  Olga  Paolo ', 1 + (i % 14) * 6, 6)),"
          " rtrim(substr('Rossi  BianchiVerdi  Neri   Gallo  Costa  FontanaConti  Greco  "
          "Moretti', 1 + (i / 14 % 10) * 7, 7)),"
          " 'customer' || i || '@example.com',"
          " rtrim(substr('Rome    Milan   Turin   Naples  Genoa   Bologna FlorenceBari    ',"
          "  1 + (i % 8) * 8, 8)),"
          " date '1940-01-01' + (i * 37 % 21900), i % 2 = 1,"
          " ((i::bigint * 7919 % 1000000) / 100.0)::numeric::money,"
          " substr('Prefers contact by mail; pays on time; asks for paper invoices. ' ||"
          " 'Visited the shop in spring and again in autumn, bought mostly books and maps. ' ||"
          " 'Likes the newsletter.', 1, 40 + i % 121) FROM generate_series(1, 1000000) AS i;");
    if (!present) ServerExec(conn, "VACUUM ANALYZE korvex_bench.\"Customers\"");
    PQfinish(conn);
    return server + ";Search Path=korvex_bench";
  }();
  return connection_string;
}

/// The server's own count of a query's rows, for the yardstick benchmarks.
inline void CountWithServer(benchmark::State& state, const char* sql) {
  PGconn* conn = ConnectToServer(CustomersOnServer());
  for (auto _ : state) {
    PGresult* r = PQexec(conn, sql);
    benchmark::DoNotOptimize(PQgetvalue(r, 0, 0));
    PQclear(r);
  }
  PQfinish(conn);
}

inline void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

/// The database's own count of a query's rows, for the yardstick benchmarks.
inline void CountWithSqlite(benchmark::State& state, const char* sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(CustomersDatabase().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    sqlite3_step(statement);
    benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  ReportPeakMemory(state);
}

}  // namespace korvex::bench
