// Shared by the write path and result page tests: a posted edit form served to a page that
// calls DoEditingList, as the edit form's post reaches it, and the stored rows read back
// past the data access layer (sqlite3 itself, or libpq).
#pragma once

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <functional>
#include <string>

#include "editing/write_path.h"
#include "listing/editing_list.h"
#include "support/list_fixture.h"

namespace korvex::testing {

/// The screens a posted form and the list after it reach.
class WriteScreens : public RenderScreens {
 public:
  void SaveRecord(AdminRecordset& page) override { korvex::SaveRecord(page); }
  void RenderEditingList(AdminRecordset& page, const std::string& sql) override {
    korvex::RenderEditingList(page, sql);
  }
};

struct WriteResult {
  PageResult page;
  int16_t action = 0;
};

/// Serves a request for table with page code 2 (a POST of form, or a GET with the form in the
/// query string when method is "GET"), after configure adjusted the page.
inline WriteResult SendForm(const std::string& database, const std::string& table,
                            const host::NameValueList& form,
                            const std::function<void(AdminRecordset&)>& configure = {},
                            const std::string& method = "POST") {
  static WriteScreens screens;
  const std::string url = "/t.ksp?PageKorVex=2&RecordsetKorVex=" + host::EncodeUrl(table);
  std::string query;
  for (const auto& [name, value] : form)
    query += "&" + host::EncodeUrl(name) + "=" + host::EncodeUrl(value);
  host::RequestData request =
      method == "POST" ? host::MakeFormPost(url, form) : host::MakeRequest(method, url + query);
  WriteResult result;
  result.page = RunPage(
      std::move(request),
      [&](AdminRecordset& page) {
        UseDatabase(page, database);
        if (configure) configure(page);
        // ActionPerformed is read however the call ends.
        struct Keep {
          AdminRecordset& page;
          int16_t& action;
          ~Keep() { action = page.ActionPerformed; }
        } keep{page, result.action};
        page.DoEditingList(std::nullopt);
      },
      &screens);
  return result;
}

/// The rows of a query as "a|b;c|d", NULL written as "NULL".
inline std::string StoredRows(const std::string& database, const std::string& sql) {
  if (OnPostgres()) return PostgresRows(database, sql);
  sqlite3* db = nullptr;
  sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* statement = nullptr;
  std::string rows;
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
    rows = std::string("error: ") + sqlite3_errmsg(db);
  } else {
    while (sqlite3_step(statement) == SQLITE_ROW) {
      if (!rows.empty()) rows += ";";
      for (int i = 0; i < sqlite3_column_count(statement); ++i) {
        const unsigned char* text = sqlite3_column_text(statement, i);
        rows += (i ? "|" : "") + std::string(text ? reinterpret_cast<const char*>(text) : "NULL");
      }
    }
  }
  sqlite3_finalize(statement);
  sqlite3_close(db);
  return rows;
}

}  // namespace korvex::testing
