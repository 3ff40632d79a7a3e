// The page controller: which screen each generating method reaches for each page code, with
// which arguments and recordset name, how the page code is read, and the screens this build
// does not provide yet.
#include <gtest/gtest.h>

#include "ado/jet_sql.h"

#include "component/admin_recordset.h"
#include "component/errors.h"
#include "support/component_fixture.h"

namespace korvex {
namespace {

using testing::RecordingScreens;
using testing::RunPage;

// A recorded call as the run's backend makes it: the list's SQL quotes names with the
// provider's separators, brackets for the Jet provider DatabasePath names, double quotes for
// the server.
std::string OnBackend(const std::string& call) {
  if (!testing::OnPostgres() || call.rfind("EditingList(", 0) != 0) return call;
  size_t open = call.find('('), close = call.rfind(')');
  return call.substr(0, open + 1) +
         ado::TranslateJetSql(call.substr(open + 1, close - open - 1), ado::PostgresDialect()) +
         call.substr(close);
}

TEST(PageController, EachMethodAndPageCodeReachesItsScreen) {
  // The method's argument when it takes one; the screen calls made, joined by "; ".
  struct Case {
    const char* method;
    const char* arg;
    std::string query;
    const char* calls;
  };
  const char* where = "WHERE ID=3";
  const Case cases[] = {
      {"DoEditingList", nullptr, "", "EditingList(SELECT * FROM [Books] ) [Books]"},
      {"DoEditingList", "WHERE Year > 1990", "PageKorVex=-1",
       "EditingList(SELECT * FROM [Books] WHERE Year > 1990) [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=1&RecordsetKorVex=Authors",
       "EditForm(F,F,,F) [Authors]"},
      // The request's name replaces the page's, even when the request has none.
      {"DoEditingList", nullptr, "PageKorVex=1", "EditForm(F,F,,F) []"},
      {"DoEditingList", nullptr, "PageKorVex=2&RecordsetKorVex=Authors", "SaveRecord [Authors]"},
      {"DoEditingList", nullptr, "PageKorVex=11", "FileManFrameset [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=12", "FileManList [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=13", "FileManConsole(,) [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=14", "ReceiveUpload [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=15", "FileManDelete [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=16", "FileManRename [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=20", "HTMLEditorPage [Books]"},
      {"DoEditingList", nullptr, "PageKorVex=17", "EditingList(SELECT * FROM [Books] ) [Books]"},
      {"DoSearchForm", nullptr, "", "SearchForm [Books]"},
      {"DoSearchForm", nullptr,
       "PageKorVex=-2&RecordsetKorVex=Authors&SQLKorVex=SELECT+1&SQLSignKorVex=" +
           testing::TestSqlSignature("SELECT 1"),
       "Report(SELECT 1) [Authors]"},
      {"DoSearchForm", nullptr, "PageKorVex=-1&RecordsetKorVex=Authors",
       "BuildCriteriaSql [Authors]; EditingList(SELECT * FROM criteria) [Authors]"},
      {"DoSearchForm", nullptr, "PageKorVex=1&RecordsetKorVex=Authors",
       "EditForm(F,F,,F) [Authors]"},
      {"DoSearchForm", nullptr, "PageKorVex=2", "SaveRecord []"},
      {"DoSearchForm", nullptr, "PageKorVex=15", "FileManDelete [Books]"},
      {"DoSearchForm", nullptr, "PageKorVex=3", "SearchForm [Books]"},
      {"EditItem", where, "", "EditForm(F,T,WHERE ID=3,F) [Books]"},
      // Outside the list's codes the page's own name wins over the request's.
      {"EditItem", where, "PageKorVex=2&RecordsetKorVex=Authors", "SaveRecord [Books]"},
      {"EditItem", where, "PageKorVex=1", "EditForm(F,T,WHERE ID=3,F) [Books]"},
      {"EditItem", where, "PageKorVex=20", "HTMLEditorPage [Books]"},
      {"DeleteItem", where, "", "EditForm(F,T,WHERE ID=3,T) [Books]"},
      {"DeleteItem", where, "PageKorVex=11", "EditForm(F,T,WHERE ID=3,T) [Books]"},
      {"DeleteItem", where, "PageKorVex=2", "SaveRecord [Books]"},
      {"AddNew", nullptr, "", "EditForm(T,F,,F) [Books]"},
      {"AddNew", nullptr, "PageKorVex=1", "EditForm(T,F,,F) [Books]"},
      {"AddNew", nullptr, "PageKorVex=2", "SaveRecord [Books]"},
      {"AddNew", nullptr, "PageKorVex=14", "ReceiveUpload [Books]"},
      {"DoReport", nullptr, "", "Report(Books) [Books]"},
      {"DoReport", nullptr, "PageKorVex=-2", "Report(Books) [Books]"},
      {"DoReport", nullptr, "PageKorVex=11", "Report(Books) [Books]"},
      {"DoReport", nullptr, "PageKorVex=-1", ""},
      {"DoReport", nullptr, "PageKorVex=1", ""},
      {"DoReport", nullptr, "PageKorVex=2", ""},
  };
  testing::TempFolder folder;
  const std::string db = testing::MakeDatabase(
      folder, "books.db",
      "CREATE TABLE Books (ID INTEGER PRIMARY KEY); CREATE TABLE Authors (ID INTEGER);");
  for (const Case& c : cases) {
    RecordingScreens screens;
    auto result = RunPage(
        std::string("/books.ksp?") + c.query,
        [&](AdminRecordset& page) {
          testing::UseDatabase(page, db);
          page.recordset("Books");
          page.LinkSecret = testing::kTestLinkSecret;
          std::vector<Variant> args;
          if (c.arg) args.emplace_back(c.arg);
          page.Call(c.method, args);
        },
        &screens);
    EXPECT_FALSE(result.error) << c.method << " " << c.query << ": " << result.error->description();
    std::string calls;
    for (const std::string& call : screens.calls) calls += (calls.empty() ? "" : "; ") + call;
    EXPECT_EQ(calls, OnBackend(c.calls)) << c.method << " " << c.query;
  }
}

// A page without a recordset takes the request's, quoted with the page's separators. The name
// reaches SQL only when the database has such a table or view; any other is refused with the
// list's notice, its text encoded, and no screen runs.
TEST(PageController, TheListTakesOnlyARecordsetNameTheDatabaseHas) {
  testing::TempFolder folder;
  const std::string db = testing::MakeDatabase(folder, "shop.db",
                                               "CREATE TABLE \"x]y\" (ID INTEGER PRIMARY KEY);"
                                               "CREATE TABLE \"Order Lines\" (ID INTEGER);"
                                               "CREATE VIEW \"v\"\"w\" AS SELECT 1 AS One;");
  struct Case {
    const char* query;
    const char* separator;  // the page's own on both sides, when set
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"RecordsetKorVex=X%5DY", "", {"EditingList(SELECT * FROM [X]]Y] ) [X]Y]"}},
      {"RecordsetKorVex=v%22w", "", {"EditingList(SELECT * FROM [v\"w] ) [v\"w]"}},
      {"RecordsetKorVex=Order+Lines",
       "`",
       {"EditingList(SELECT * FROM `Order Lines` ) [Order Lines]"}},
      {"RecordsetKorVex=x%5D+%3Cb%3E", "", {}},
      {"RecordsetKorVex=sqlite_master", "", {}},
      {"", "", {}},
  };
  for (const Case& c : cases) {
    RecordingScreens screens;
    auto result = RunPage(
        std::string("/l.ksp?") + c.query,
        [&](AdminRecordset& page) {
          testing::UseDatabase(page, db);
          if (*c.separator) {
            page.IdentifierLSeparator(c.separator);
            page.IdentifierRSeparator(c.separator);
          }
          page.DoEditingList(std::nullopt);
        },
        &screens);
    std::vector<std::string> expected;
    for (const std::string& call : c.calls) expected.push_back(OnBackend(call));
    EXPECT_EQ(screens.calls, expected) << c.query;
    if (c.calls.empty()) {
      EXPECT_TRUE(result.body.starts_with("<BR><b>E R R O R:  -2147217865</B><BR>The recordset "))
          << result.body;
      EXPECT_EQ(result.body.find('<', 40), std::string::npos) << result.body;
    }
  }
}

TEST(PageController, FastSearchHandsTheScreenSettingsOverAndKeepsWhatComesBack) {
  testing::TempFolder folder;
  const std::string db =
      testing::MakeDatabase(folder, "books.db", "CREATE TABLE Books (ID INTEGER PRIMARY KEY);");
  RecordingScreens screens;
  auto replacement = std::make_shared<HTMLEditingList>();
  screens.fast_search_result = replacement;
  std::shared_ptr<HTMLEditingList> list_after;
  RunPage(
      "/a.ksp?PageKorVex=-1&RecordsetKorVex=Books",
      [&](AdminRecordset& page) {
        testing::UseDatabase(page, db);
        page.SearchForm->Style = Variant("1");
        page.DoSearchForm();
        list_after = page.EditingList.get();
      },
      &screens);
  EXPECT_EQ(screens.calls, (std::vector<std::string>{"ApplyFastSearch(HTMLEditingList) [Books]",
                                                     "EditingList(Books) [Books]"}));
  EXPECT_EQ(list_after, replacement);

  // The report's settings go the same way; an object of another class is refused.
  RecordingScreens report_screens;
  auto result = RunPage(
      "/a.ksp?PageKorVex=-2&RecordsetKorVex=Books",
      [&](AdminRecordset& page) {
        testing::UseDatabase(page, db);
        page.SearchForm->Style = Variant(int32_t{2});
        report_screens.fast_search_result = page.EditingList.get();
        page.DoSearchForm();
      },
      &report_screens);
  ASSERT_TRUE(result.error);
  EXPECT_EQ(result.error->number(), err::kTypeMismatch);
  EXPECT_EQ(report_screens.calls, std::vector<std::string>{"ApplyFastSearch(HTMLReport) [Books]"});
}

TEST(PageController, PageCodeComesFromTheQueryStringAsA16BitNumber) {
  // The other failing codes are followed through a real page in component_e2e_test.
  const std::vector<std::pair<std::string, int32_t>> failures = {
      {"PageKorVex=abc", err::kTypeMismatch},
      {"PageKorVex=-32769", err::kOverflow},
  };
  for (const auto& [query, number] : failures) {
    RecordingScreens screens;
    auto result = RunPage(
        "/a.ksp?" + query, [](AdminRecordset& page) { page.AddNew(); }, &screens);
    ASSERT_TRUE(result.error) << query;
    EXPECT_EQ(result.error->number(), number) << query;
    EXPECT_TRUE(screens.calls.empty()) << query;
  }

  // A posted code is not a page code.
  RecordingScreens posted;
  RunPage(
      host::MakeFormPost("/a.ksp", {{"PageKorVex", "2"}}),
      [](AdminRecordset& page) { page.AddNew(); }, &posted);
  EXPECT_EQ(posted.calls, std::vector<std::string>{"EditForm(T,F,,F) []"});

  // The suffix is read when the name is built.
  RecordingScreens suffixed;
  RunPage(
      "/a.ksp?PageKorVex=2&PageZ=1&RecordsetZ=Authors",
      [](AdminRecordset& page) {
        page.CriptoPrefix = "Z";
        page.DoEditingList(std::nullopt);
      },
      &suffixed);
  EXPECT_EQ(suffixed.calls, std::vector<std::string>{"EditForm(F,F,,F) [Authors]"});
}

// The product's screens refuse by name until they are built; this follows the last ones to
// come (drop a case when its screen arrives).
TEST(PageController, ScreensNotBuiltYetRefuseByName) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"PageKorVex=20", "The HTML editor page is not available in this build"},
      {"PageKorVex=14", "The file upload receiver is not available in this build"},
  };
  for (const auto& [query, description] : cases) {
    int16_t action = 0;
    auto result = RunPage("/a.ksp?" + query, [&](AdminRecordset& page) {
      action = page.ActionPerformed;
      page.AddNew();
    });
    ASSERT_TRUE(result.error) << query;
    EXPECT_EQ(result.error->number(), err::kScreenNotAvailable);
    EXPECT_EQ(result.error->description(), description);
    EXPECT_EQ(result.body, "");
    EXPECT_EQ(action, 1);
  }
}

}  // namespace
}  // namespace korvex
