// Shared pieces of the component tests: a page run through the in-memory host with an
// AdminRecordset created as a page creates it, test databases, and a Screens
// implementation that records which screen the controller reached and with what.
#pragma once

#include <sqlite3.h>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "component/admin_recordset.h"
#include "component/screens.h"
#include "host/intrinsics.h"
#include "host/memory_host.h"
#include "host/temp_folder.h"
#include "support/test_database.h"

namespace korvex::testing {

using host::testing::TempFolder;

/// A new database made by running sql (SQLite's dialect): a file named name in folder, or in
/// the PostgreSQL run a schema on the test server. Gives what UseDatabase points a page at.
inline std::string MakeDatabase(const TempFolder& folder, const std::string& name,
                                const std::string& sql) {
  if (OnPostgres()) return PostgresTestDatabase(sql);
  std::string file = (folder.path() / name).string();
  sqlite3* db = nullptr;
  if (sqlite3_open(file.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open " + file);
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string failure = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(failure);
  return file;
}

/// Runs sql (SQLite's dialect) on a database MakeDatabase made, as another program would.
inline void RunSql(const std::string& database, const std::string& sql) {
  if (database.rfind("Provider=", 0) == 0) {
    PGconn* conn = PostgresScratch::Connect(database);
    PGresult* r = PQexec(conn, PostgresSetupSql(sql).c_str());
    std::string failure = PQresultStatus(r) == PGRES_COMMAND_OK ? "" : PQresultErrorMessage(r);
    PQclear(r);
    PQfinish(conn);
    if (!failure.empty()) throw std::runtime_error(failure);
    return;
  }
  sqlite3* db = nullptr;
  if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
    sqlite3_close(db);
    throw std::runtime_error("open " + database);
  }
  char* message = nullptr;
  int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &message);
  std::string failure = message ? message : "";
  sqlite3_free(message);
  sqlite3_close(db);
  if (rc != SQLITE_OK) throw std::runtime_error(failure);
}

/// The connection string of a database MakeDatabase made.
inline std::string ConnectionStringOf(const std::string& database) {
  return database.rfind("Provider=", 0) == 0 ? database : "Provider=SQLite;Data Source=" + database;
}

/// A name as the page quotes it on the run's backend: [name] for the Jet provider DatabasePath
/// names, "name" for the server.
inline std::string Q(std::string_view name) {
  return OnPostgres() ? "\"" + std::string(name) + "\"" : "[" + std::string(name) + "]";
}

/// Points page at a database MakeDatabase made: DatabasePath for a file, ConnectionString for
/// the server.
inline void UseDatabase(AdminRecordset& page, const std::string& database) {
  if (database.rfind("Provider=", 0) == 0)
    page.ConnectionString(database);
  else
    page.DatabasePath(database);
}

/// The link secret test pages set, so that signed page links are the same bytes every run.
inline constexpr const char* kTestLinkSecret = "korvex test link secret";

/// The signature a page holding kTestLinkSecret gives an SQL text.
inline std::string TestSqlSignature(std::string_view sql) {
  AdminRecordset page;
  page.LinkSecret = kTestLinkSecret;
  return page.SqlSignature(sql);
}

struct PageResult {
  std::string body;
  /// An error that escaped the page body.
  std::optional<AutomationError> error;
};

/// Serves request to a page that creates an AdminRecordset (OnStartPage included), optionally
/// gives it screens, and runs body on it.
inline PageResult RunPage(host::RequestData request,
                          const std::function<void(AdminRecordset&)>& body,
                          Screens* screens = nullptr) {
  host::MemoryHost host;
  PageResult result;
  auto response = host.Serve(std::move(request), [&](host::ScriptingContext& context) {
    auto page = std::make_shared<AdminRecordset>();
    if (screens) page->UseScreens(*screens);
    page->OnStartPage(context.shared_from_this());
    try {
      body(*page);
    } catch (const AutomationError& e) {
      result.error = e;
    }
  });
  result.body = response.body;
  return result;
}

inline PageResult RunPage(std::string_view url, const std::function<void(AdminRecordset&)>& body,
                          Screens* screens = nullptr) {
  return RunPage(host::MakeRequest("GET", url), body, screens);
}

/// Records every screen call as one line: the entry, its arguments and the page's stored
/// recordset name at that moment.
class RecordingScreens : public Screens {
 public:
  std::vector<std::string> calls;
  /// What ApplyFastSearch gives back; the object it was given when unset.
  std::shared_ptr<Dispatch> fast_search_result;

  void RenderEditingList(AdminRecordset& page, const std::string& sql) override {
    Record(page, "EditingList(" + sql + ")");
  }
  void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                      const std::string& where_criterion, bool is_delete) override {
    Record(page, "EditForm(" + Flag(is_new) + "," + Flag(load_record) + "," + where_criterion +
                     "," + Flag(is_delete) + ")");
  }
  void SaveRecord(AdminRecordset& page) override { Record(page, "SaveRecord"); }
  void RenderSearchForm(AdminRecordset& page) override { Record(page, "SearchForm"); }
  std::string BuildCriteriaSql(AdminRecordset& page) override {
    Record(page, "BuildCriteriaSql");
    return "SELECT * FROM criteria";
  }
  std::shared_ptr<Dispatch> ApplyFastSearch(AdminRecordset& page,
                                            std::shared_ptr<Dispatch> target) override {
    Record(page, "ApplyFastSearch(" + std::string(target->ClassName()) + ")");
    return fast_search_result ? fast_search_result : target;
  }
  void RenderTemplateReport(AdminRecordset& page, const std::string& source) override {
    Record(page, "Report(" + source + ")");
  }
  void RenderFileManFrameset(AdminRecordset& page) override { Record(page, "FileManFrameset"); }
  void RenderFileManList(AdminRecordset& page) override { Record(page, "FileManList"); }
  void RenderFileManConsole(AdminRecordset& page, const std::string& message,
                            const std::string& file_name) override {
    Record(page, "FileManConsole(" + message + "," + file_name + ")");
  }
  void ReceiveUpload(AdminRecordset& page) override { Record(page, "ReceiveUpload"); }
  void RenderFileManDelete(AdminRecordset& page) override { Record(page, "FileManDelete"); }
  void RenderFileManRename(AdminRecordset& page) override { Record(page, "FileManRename"); }
  void RenderHTMLEditorPage(AdminRecordset& page) override { Record(page, "HTMLEditorPage"); }

 private:
  static std::string Flag(bool b) { return b ? "T" : "F"; }
  void Record(AdminRecordset& page, std::string call) {
    calls.push_back(std::move(call) + " [" + page.StoredRecordset() + "]");
  }
};

}  // namespace korvex::testing
