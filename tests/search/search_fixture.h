// Shared by the search tests: a site whose page calls DoSearchForm through the screens the
// facade installs, served by one in-memory host, so that a visitor's session and the links
// of one answer carry over to the next request; and what the SQLite file holds, read with
// sqlite3 itself.
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <regex>
#include <string>

#include "korvex.h"
#include "support/list_fixture.h"

namespace korvex::testing {

class SearchSite {
 public:
  using Configure = std::function<void(AdminRecordset&)>;

  explicit SearchSite(std::string database) : database_(std::move(database)) {
    RegisterAllClasses();
  }

  /// A GET of url (path and query) to the search page.
  PageResult Get(const std::string& url, const Configure& configure = {}) {
    return Serve(host::MakeRequest("GET", url), configure);
  }
  /// A POST of form to url, as the search form posts.
  PageResult Post(const std::string& url, const host::NameValueList& form,
                  const Configure& configure = {}) {
    return Serve(host::MakeFormPost(url, form), configure);
  }

  /// What ActionPerformed held after the last request.
  int16_t action() const { return action_; }

 private:
  PageResult Serve(host::RequestData request, const Configure& configure) {
    PageResult result;
    auto response = host_.Serve(std::move(request), [&](host::ScriptingContext& context) {
      auto page = std::make_shared<AdminRecordset>();
      page->OnStartPage(context.shared_from_this());
      UseDatabase(*page, database_);
      if (configure) configure(*page);
      try {
        page->DoSearchForm();
      } catch (const AutomationError& e) {
        result.error = e;
      }
      action_ = page->ActionPerformed;
    });
    result.body = response.body;
    return result;
  }

  std::string database_;
  host::MemoryHost host_;
  int16_t action_ = 0;
};

/// The first link of a page body whose href holds piece, as the browser would follow it.
inline std::string LinkWith(const std::string& body, const std::string& piece) {
  std::smatch match;
  std::string rest = body;
  while (std::regex_search(rest, match, std::regex("href='([^']*)'"))) {
    if (match[1].str().find(piece) != std::string::npos) return match[1].str();
    rest = match.suffix();
  }
  ADD_FAILURE() << "no link with " << piece << " in " << body;
  return "";
}

/// The single number a query gives, read with sqlite3 itself; -1 when it fails.
inline int64_t StoredNumber(const std::string& database, const std::string& sql) {
  if (OnPostgres()) {
    std::string rows = PostgresRows(database, sql);
    return rows.empty() || rows.starts_with("error") ? -1 : std::stoll(rows);
  }
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  int64_t n = -1;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK &&
      sqlite3_step(statement) == SQLITE_ROW)
    n = sqlite3_column_int64(statement, 0);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return n;
}

}  // namespace korvex::testing
