// The --sessions option: "memory", or a PostgreSQL server given as a URI or in the connection
// string form pages use (the site's own --connection string works as it is).
#include "app/session_choice.h"

#include <stdexcept>

#include "ado/connection.h"
#include "ado/postgres/postgres_provider.h"
#include "core/text.h"
#include "host/postgres_session_store.h"

namespace korvex::app {

namespace {

bool NamesPostgres(const std::string& value) {
  auto keys = ado::ParseConnectionString(value);
  auto provider = keys.find("provider");
  return provider != keys.end() && EqualsNoCase(provider->second, "PostgreSQL");
}

// The server and database, never the password: the start line goes to a log.
std::string Where(const host::PostgresKeywords& keywords) {
  std::string host = "local socket", port, database;
  for (const auto& [name, value] : keywords) {
    if (name == "host") host = value;
    if (name == "port") port = value;
    if (name == "dbname") database = value;
  }
  if (database.find("://") != std::string::npos) {
    // A URI: its part after the user information, up to the query.
    std::string rest = database.substr(database.find("://") + 3);
    if (size_t at = rest.rfind('@'); at != std::string::npos) rest = rest.substr(at + 1);
    return rest.substr(0, rest.find('?'));
  }
  return host + (port.empty() ? "" : ":" + port) + (database.empty() ? "" : "/" + database);
}

}  // namespace

bool IsSessionsOption(const std::string& value) {
  return value == "memory" || ado::postgres::IsPostgresUri(value) || NamesPostgres(value);
}

SessionChoice OpenSessions(const std::string& value, size_t max_sessions) {
  if (value.empty() || value == "memory")
    return {std::make_unique<host::MemorySessionStore>(max_sessions), "in memory"};
  host::PostgresKeywords keywords;
  if (ado::postgres::IsPostgresUri(value)) {
    keywords = host::PostgresKeywordsOf(value);
  } else {
    ado::ConnectionParams params;
    params.keys = ado::ParseConnectionString(value);
    params.user = params.keys["user id"];
    params.password = params.keys["password"];
    keywords = ado::postgres::ConnectionKeywords(params);
  }
  keywords.emplace_back("application_name", "korvex sessions");
  return {
      std::make_unique<host::PostgresSessionStore>(keywords, max_sessions),
      "in PostgreSQL (" + Where(keywords) + ", table " + host::PostgresSessionStore::kTable + ")"};
}

}  // namespace korvex::app
