// The database backend a run of the tests uses. CTest runs each database test program twice:
// as is, on SQLite files, and with KORVEX_TEST_BACKEND=postgresql, on schemas of the server
// KORVEX_TEST_POSTGRES names (that run is skipped, and reported so, when no server is given).
// Test databases are described once, in SQLite's dialect; PostgresSetupSql carries such a
// description over to the server.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ado/jet_sql.h"
#include "core/text.h"
#include "support/postgres_scratch.h"

namespace korvex::testing {

inline bool OnPostgres() {
  const char* backend = std::getenv("KORVEX_TEST_BACKEND");
  return backend && EqualsNoCase(backend, "postgresql");
}

/// Skips a test of SQLite files themselves (handles, paths, the Jet provider names) in the
/// PostgreSQL run.
#define KORVEX_SQLITE_ONLY() \
  if (::korvex::testing::OnPostgres()) GTEST_SKIP() << "about SQLite files only"

/// A test of the PostgreSQL provider itself runs in the PostgreSQL run only.
#define KORVEX_POSTGRES_ONLY() \
  if (!::korvex::testing::OnPostgres()) GTEST_SKIP() << "about the PostgreSQL provider only"

/// The PostgreSQL run without a server skips every test of the program, as skipped.
class BackendEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (OnPostgres() && !TestPostgresServer())
      GTEST_SKIP() << "KORVEX_TEST_POSTGRES names no PostgreSQL server to test on";
  }
};
inline const bool kBackendEnvironmentAdded =
    (::testing::AddGlobalTestEnvironment(new BackendEnvironment), true);

/// A test database's SQL for the server: every name quoted as written (SQLite compares names
/// without regard to case, the server folds unquoted ones), the row id key made an identity
/// column, and SQLite's type names the server lacks given its own. Literals and everything
/// else pass unchanged, so a description the server cannot take fails loudly.
inline std::string PostgresNames(std::string_view sql) {
  static const std::vector<std::string_view> kKeywords = {
      "ADD",          "ALL",       "ALTER",       "AND",      "AS",      "ASC",
      "BEGIN",        "BETWEEN",   "BIGINT",      "BOOLEAN",  "BY",      "CASCADE",
      "CASE",         "CHAR",      "CHARACTER",   "CHECK",    "COLUMN",  "COMMIT",
      "CONSTRAINT",   "CREATE",    "DATE",        "DECIMAL",  "DEFAULT", "DELETE",
      "DESC",         "DISTINCT",  "DROP",        "ELSE",     "END",     "EXISTS",
      "FALSE",        "FLOAT",     "FOREIGN",     "FROM",     "GROUP",   "IF",
      "IN",           "INDEX",     "INNER",       "INSERT",   "INT",     "INTEGER",
      "INTO",         "IS",        "JOIN",        "KEY",      "LEFT",    "LIKE",
      "LIMIT",        "MONEY",     "NOT",         "NULL",     "NUMERIC", "ON",
      "OR",           "ORDER",     "PRECISION",   "PRIMARY",  "REAL",    "REFERENCES",
      "SELECT",       "SET",       "SMALLINT",    "TABLE",    "TEXT",    "THEN",
      "TIME",         "TIMESTAMP", "TRANSACTION", "TRUE",     "UNIQUE",  "UPDATE",
      "VALUES",       "VARCHAR",   "VARYING",     "VIEW",     "WHEN",    "WHERE",
      "WITH",         "ACTION",    "NO",          "RESTRICT", "NULLS",   "FIRST",
      "LAST",         "UNION",     "COUNT",       "MAX",      "MIN",     "SUM",
      "COALESCE",     "CAST",      "USING",       "OFFSET",   "LOWER",   "UPPER",
      "REPLACE",      "SUBSTR",    "LENGTH",      "ZONE",     "WITHOUT", "CURRENT_TIMESTAMP",
      "CURRENT_DATE", "GENERATED", "ALWAYS",      "STORED"};
  // SQLite spellings and the server's.
  static const std::vector<std::pair<std::string_view, std::string_view>> kTypes = {
      {"DOUBLE", "DOUBLE PRECISION"},
      {"DATETIME", "datetime"},
      {"DATE", "datetime"},
      {"BLOB", "BYTEA"},
      {"TINYINT", "tinyint"},
      {"GUID", "UUID"},
      {"MEMO", "TEXT"},
      {"CURRENCY", "MONEY"},
      {"YESNO", "BOOLEAN"},
      {"AUTOINCREMENT", ""},
      {"NVARCHAR", "VARCHAR"}};
  std::vector<ado::JetToken> tokens = ado::TokenizeJet(sql);
  auto next_word = [&](size_t i) -> std::string_view {
    for (++i; i < tokens.size(); ++i)
      if (tokens[i].kind != ado::JetTokenKind::Space) return tokens[i].text;
    return {};
  };
  std::string out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    const ado::JetToken& t = tokens[i];
    if (t.kind == ado::JetTokenKind::BracketName) {
      out += "\"" + ado::TokenContents(t) + "\"";
      continue;
    }
    if (t.kind != ado::JetTokenKind::Word) {
      out += t.text;
      continue;
    }
    // x'0A1B', a blob, is the server's bytea '\x0A1B'.
    if ((t.text == "x" || t.text == "X") && i + 1 < tokens.size() &&
        tokens[i + 1].kind == ado::JetTokenKind::Text) {
      out += "'\\x" + ado::TokenContents(tokens[++i]) + "'::bytea";
      continue;
    }
    std::string upper(t.text);
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // Keywords and types are written in capitals; a word in mixed case is a name.
    bool capitals = upper == t.text, lower = FoldCase(t.text) == t.text;
    bool replaced = false;
    for (const auto& [from, to] : kTypes)
      if (capitals && upper == from &&
          !(upper == "DOUBLE" && EqualsNoCase(next_word(i), "PRECISION"))) {
        out += to;
        replaced = true;
      }
    if (replaced) continue;
    // The server's tables have no row ids to do without.
    if (upper == "WITHOUT" && EqualsNoCase(next_word(i), "ROWID")) {
      while (++i < tokens.size() && !EqualsNoCase(tokens[i].text, "ROWID")) {
      }
      continue;
    }
    if (capitals && upper == "INTEGER" && EqualsNoCase(next_word(i), "PRIMARY")) {
      out += "INTEGER GENERATED BY DEFAULT AS IDENTITY";
      continue;
    }
    bool keyword = false;
    for (std::string_view k : kKeywords) keyword = keyword || ((capitals || lower) && upper == k);
    out += keyword ? std::string(t.text) : "\"" + std::string(t.text) + "\"";
  }
  return out;
}

/// A whole test database description for the server: PostgresNames, then the identities
/// moved past the keys the rows were given explicitly.
inline std::string PostgresSetupSql(std::string_view sql) {
  std::string out = PostgresNames(sql);
  // The server has no one-byte integer: a domain of that name stands for it.
  // and its date is a day only: the domain the provider reads as a Jet date holds a time too.
  if (out.find("tinyint") != std::string::npos)
    out =
        "DO $$ BEGIN CREATE DOMAIN tinyint AS smallint CHECK (VALUE BETWEEN 0 AND 255); "
        "EXCEPTION WHEN duplicate_object THEN NULL; END $$;" +
        out;
  if (out.find("datetime") != std::string::npos)
    out =
        "DO $$ BEGIN CREATE DOMAIN datetime AS timestamp(0); "
        "EXCEPTION WHEN duplicate_object THEN NULL; END $$;" +
        out;
  out += R"(;
DO $$ DECLARE r record; BEGIN
  FOR r IN SELECT c.relname, a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid
           WHERE c.relnamespace = current_schema()::regnamespace AND a.attidentity <> '' LOOP
    EXECUTE format('SELECT setval(pg_get_serial_sequence(%L, %L), COALESCE(max(%I), 0) + 1,
                    false) FROM %I', format('%I', r.relname), r.attname, r.attname, r.relname);
  END LOOP;
END $$;)";
  return out;
}

/// The rows of a query (SQLite's dialect) as "a|b;c|d", NULL as "NULL", each value as SQLite
/// would write it: booleans as 1 and 0, money as its amount.
inline std::string PostgresRows(const std::string& connection_string, const std::string& sql) {
  PGconn* conn = PostgresScratch::Connect(connection_string);
  PGresult* r = PQexec(conn, PostgresNames(sql).c_str());
  std::string rows;
  if (PQresultStatus(r) != PGRES_TUPLES_OK) {
    rows = std::string("error: ") + PQresultErrorMessage(r);
  } else {
    for (int row = 0; row < PQntuples(r); ++row) {
      if (row) rows += ";";
      for (int column = 0; column < PQnfields(r); ++column) {
        std::string value = PQgetisnull(r, row, column) ? "NULL" : PQgetvalue(r, row, column);
        if (PQftype(r, column) == 16 && value != "NULL") value = value == "t" ? "1" : "0";
        if (PQftype(r, column) == 790)
          std::erase_if(value, [](char c) { return c == '$' || c == ','; });
        // A date stored without a time of day reads as the date alone.
        if (PQftype(r, column) == 1114 && value.ends_with(" 00:00:00"))
          value.resize(value.size() - 9);
        // SQLite writes a whole REAL with ".0".
        bool real = PQftype(r, column) == 700 || PQftype(r, column) == 701;
        if (real && value != "NULL" && value.find_first_of(".eEna") == std::string::npos)
          value += ".0";
        rows += (column ? "|" : "") + value;
      }
    }
  }
  PQclear(r);
  PQfinish(conn);
  return rows;
}

/// A schema on the test server made by running setup_sql (SQLite's dialect), kept until the
/// program ends; its connection string.
inline std::string PostgresTestDatabase(const std::string& setup_sql) {
  static std::vector<std::unique_ptr<PostgresScratch>> schemas;
  schemas.push_back(std::make_unique<PostgresScratch>(PostgresSetupSql(setup_sql)));
  return schemas.back()->ConnectionString();
}

}  // namespace korvex::testing
