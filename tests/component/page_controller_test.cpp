// The page controller: which screen each generating method reaches for each page code, with
// which arguments and recordset name, how the page code is read, and the screens this build
// does not provide yet.
#include <gtest/gtest.h>

#include "component/admin_recordset.h"
#include "component/errors.h"
#include "support/component_fixture.h"

namespace korvex {
namespace {

using testing::RecordingScreens;
using testing::RunPage;

struct Dispatched {
  const char* method;
  std::vector<Variant> args;
  const char* query;
  std::vector<std::string> calls;
};

TEST(PageController, EachMethodAndPageCodeReachesItsScreen) {
  const std::vector<Dispatched> cases = {
      {"DoEditingList", {}, "", {"EditingList(SELECT * FROM [Books] ) [Books]"}},
      {"DoEditingList",
       {Variant("WHERE Year > 1990")},
       "PageKorVex=-1",
       {"EditingList(SELECT * FROM [Books] WHERE Year > 1990) [Books]"}},
      {"DoEditingList", {}, "PageKorVex=1&RecordsetKorVex=Authors", {"EditForm(F,F,,F) [Authors]"}},
      // The request's name replaces the page's, even when the request has none.
      {"DoEditingList", {}, "PageKorVex=1", {"EditForm(F,F,,F) []"}},
      {"DoEditingList", {}, "PageKorVex=2&RecordsetKorVex=Authors", {"SaveRecord [Authors]"}},
      {"DoEditingList", {}, "PageKorVex=11", {"FileManFrameset [Books]"}},
      {"DoEditingList", {}, "PageKorVex=12", {"FileManList [Books]"}},
      {"DoEditingList", {}, "PageKorVex=13", {"FileManConsole(,) [Books]"}},
      {"DoEditingList", {}, "PageKorVex=14", {"ReceiveUpload [Books]"}},
      {"DoEditingList", {}, "PageKorVex=15", {"FileManDelete [Books]"}},
      {"DoEditingList", {}, "PageKorVex=16", {"FileManRename [Books]"}},
      {"DoEditingList", {}, "PageKorVex=20", {"HTMLEditorPage [Books]"}},
      {"DoEditingList", {}, "PageKorVex=17", {"EditingList(SELECT * FROM [Books] ) [Books]"}},
      {"DoSearchForm", {}, "", {"SearchForm [Books]"}},
      {"DoSearchForm",
       {},
       "PageKorVex=-2&RecordsetKorVex=Authors&SQLKorVex=SELECT+1",
       {"Report(SELECT 1) [Authors]"}},
      {"DoSearchForm",
       {},
       "PageKorVex=-1&RecordsetKorVex=Authors",
       {"BuildCriteriaSql [Authors]", "EditingList(SELECT * FROM criteria) [Authors]"}},
      {"DoSearchForm", {}, "PageKorVex=1&RecordsetKorVex=Authors", {"EditForm(F,F,,F) [Authors]"}},
      {"DoSearchForm", {}, "PageKorVex=2", {"SaveRecord []"}},
      {"DoSearchForm", {}, "PageKorVex=15", {"FileManDelete [Books]"}},
      {"DoSearchForm", {}, "PageKorVex=3", {"SearchForm [Books]"}},
      {"EditItem", {Variant("WHERE ID=3")}, "", {"EditForm(F,T,WHERE ID=3,F) [Books]"}},
      // Outside the list's codes the page's own name wins over the request's.
      {"EditItem",
       {Variant("WHERE ID=3")},
       "PageKorVex=2&RecordsetKorVex=Authors",
       {"SaveRecord [Books]"}},
      {"EditItem", {Variant("WHERE ID=3")}, "PageKorVex=1", {"EditForm(F,T,WHERE ID=3,F) [Books]"}},
      {"EditItem", {Variant("WHERE ID=3")}, "PageKorVex=20", {"HTMLEditorPage [Books]"}},
      {"DeleteItem", {Variant("WHERE ID=3")}, "", {"EditForm(F,T,WHERE ID=3,T) [Books]"}},
      {"DeleteItem",
       {Variant("WHERE ID=3")},
       "PageKorVex=11",
       {"EditForm(F,T,WHERE ID=3,T) [Books]"}},
      {"DeleteItem", {Variant("WHERE ID=3")}, "PageKorVex=2", {"SaveRecord [Books]"}},
      {"AddNew", {}, "", {"EditForm(T,F,,F) [Books]"}},
      {"AddNew", {}, "PageKorVex=1", {"EditForm(T,F,,F) [Books]"}},
      {"AddNew", {}, "PageKorVex=2", {"SaveRecord [Books]"}},
      {"AddNew", {}, "PageKorVex=14", {"ReceiveUpload [Books]"}},
      {"DoReport", {}, "", {"Report(Books) [Books]"}},
      {"DoReport", {}, "PageKorVex=-2", {"Report(Books) [Books]"}},
      {"DoReport", {}, "PageKorVex=11", {"Report(Books) [Books]"}},
      {"DoReport", {}, "PageKorVex=-1", {}},
      {"DoReport", {}, "PageKorVex=1", {}},
      {"DoReport", {}, "PageKorVex=2", {}},
  };
  testing::TempFolder folder;
  const std::string db =
      testing::MakeDatabase(folder, "books.db", "CREATE TABLE Books (ID INTEGER PRIMARY KEY);");
  for (const Dispatched& c : cases) {
    RecordingScreens screens;
    auto result = RunPage(
        std::string("/books.ksp?") + c.query,
        [&](AdminRecordset& page) {
          page.DatabasePath(db);
          page.recordset("Books");
          page.Call(c.method, c.args);
        },
        &screens);
    EXPECT_FALSE(result.error) << c.method << " " << c.query << ": " << result.error->description();
    EXPECT_EQ(screens.calls, c.calls) << c.method << " " << c.query;
  }
}

TEST(PageController, APageWithoutRecordsetTakesTheRequestsAndItsSeparators) {
  testing::TempFolder folder;
  const std::string db = testing::MakeDatabase(
      folder, "shop.db", "CREATE TABLE \"Order Lines\" (ID INTEGER PRIMARY KEY);");
  RecordingScreens screens;
  RunPage(
      "/a.ksp?RecordsetKorVex=Order+Lines",
      [&](AdminRecordset& page) {
        page.DatabasePath(db);
        page.IdentifierLSeparator("`");
        page.IdentifierRSeparator("`");
        page.DoEditingList(std::nullopt);
      },
      &screens);
  EXPECT_EQ(screens.calls,
            std::vector<std::string>{"EditingList(SELECT * FROM `Order Lines` ) [Order Lines]"});
}

// A name from the request reaches SQL only when the database has such a table or view; any
// other is refused with the list's notice, its text encoded, and no screen runs.
TEST(PageController, TheListRefusesARecordsetNameTheDatabaseDoesNotHave) {
  testing::TempFolder folder;
  const std::string db = testing::MakeDatabase(folder, "shop.db",
                                               "CREATE TABLE \"x]y\" (ID INTEGER PRIMARY KEY);"
                                               "CREATE VIEW \"v\"\"w\" AS SELECT 1 AS One;");
  struct Case {
    const char* query;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {"RecordsetKorVex=X%5DY", {"EditingList(SELECT * FROM [X]]Y] ) [X]Y]"}},
      {"RecordsetKorVex=v%22w", {"EditingList(SELECT * FROM [v\"w] ) [v\"w]"}},
      {"RecordsetKorVex=x%5D+%3Cb%3E", {}},
      {"RecordsetKorVex=sqlite_master", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    RecordingScreens screens;
    auto result = RunPage(
        std::string("/l.ksp?") + c.query,
        [&](AdminRecordset& page) {
          page.DatabasePath(db);
          page.DoEditingList(std::nullopt);
        },
        &screens);
    EXPECT_EQ(screens.calls, c.calls) << c.query;
    if (c.calls.empty()) {
      EXPECT_TRUE(result.body.starts_with("<BR><b>E R R O R:  -2147217865</B><BR>The recordset "))
          << result.body;
      EXPECT_EQ(result.body.find('<', 40), std::string::npos) << result.body;
    }
  }
}

TEST(PageController, FastSearchHandsTheScreenSettingsOverAndKeepsWhatComesBack) {
  RecordingScreens screens;
  auto replacement = std::make_shared<HTMLEditingList>();
  screens.fast_search_result = replacement;
  std::shared_ptr<HTMLEditingList> list_after;
  RunPage(
      "/a.ksp?PageKorVex=-1&RecordsetKorVex=Books",
      [&](AdminRecordset& page) {
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
  const std::vector<std::pair<std::string, int32_t>> failures = {
      {"PageKorVex=abc", err::kTypeMismatch},
      {"PageKorVex=", err::kTypeMismatch},
      {"PageKorVex=99999", err::kOverflow},
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
