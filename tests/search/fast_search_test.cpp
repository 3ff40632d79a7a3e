// The fast search: the filter made of the keywords (all words or any, blanks in a row, quotes,
// the page's own filter), kept in the session for the result's later pages, shown as the list
// and as the report.
#include "search/fast_search.h"

#include <gtest/gtest.h>

#include "search/search_fixture.h"

namespace korvex::testing {
namespace {

TEST(FastSearch, FilterOfTheKeywords) {
  TempFolder folder;
  const std::string db =
      MakeDatabase(folder, "cars.db",
                   "CREATE TABLE Cars (ID INTEGER PRIMARY KEY, Name VARCHAR(30), "
                   "Price MONEY, Notes TEXT, Owner VARCHAR(20));");
  const std::string red_car_all =
      "([Name] LIKE '%red%' AND [Name] LIKE '%car%') OR ([Notes] LIKE '%red%' AND [Notes] LIKE "
      "'%car%')";
  const std::string red_car_any =
      "([Name] LIKE '%red%' OR [Name] LIKE '%car%') OR ([Notes] LIKE '%red%' OR [Notes] LIKE "
      "'%car%')";
  struct Case {
    std::string keywords, all_words, own_filter, filter;
  };
  const Case cases[] = {
      {"red car", "1", "", red_car_all},
      {"red car", "0", "", red_car_any},
      {" red  car ", "True", "", red_car_all},  // no empty word between the two blanks
      {"red car", "what", "", red_car_any},
      {"O'Hara", "1", "", "([Name] LIKE '%O''Hara%') OR ([Notes] LIKE '%O''Hara%')"},
      {"   ", "1", "Price > 5", "Price > 5"},
      // The page's filter is narrowed, not undone by the OR between the columns.
      {"red", "1", "Price > 5 OR Price < 1",
       "(Price > 5 OR Price < 1) AND (([Name] LIKE '%red%') OR ([Notes] LIKE '%red%'))"},
  };
  for (const Case& c : cases) {
    std::string filter, kept;
    RunPage(
        host::MakeFormPost(
            "/c.ksp?PageKorVex=-1&RecordsetKorVex=Cars",
            {{"FastSearchKorVex", c.keywords}, {"updatefilter", "1"}, {"AllWords", c.all_words}}),
        [&](AdminRecordset& page) {
          UseDatabase(page, db);
          page.recordset("Cars");
          page.HideField("Owner");
          page.Report->Filter = Variant(c.own_filter);
          ApplyFastSearch(page, page.Report.get());
          filter = TextOrEmpty(page.Report->Filter);
          kept = TextOrEmpty(page.Session().Value("FilterKorVex"));
        });
    EXPECT_EQ(filter, c.filter) << c.keywords << " / " << c.all_words;
    // An empty box clears what an earlier search kept.
    EXPECT_EQ(kept, Trim(c.keywords).empty() ? "" : c.filter) << c.keywords;
  }
}

void FastCustomers(AdminRecordset& page) {
  page.recordset("Customers");
  page.SearchForm->Style = Variant(int32_t{1});
}

const host::NameValueList kCustomerOne = {
    {"FastSearchKorVex", "Customer 1"}, {"updatefilter", "1"}, {"AllWords", "1"}};

TEST(FastSearch, LaterPagesKeepTheFilterThroughTheSession) {
  TempFolder folder;
  const std::string db = MakeDatabase(folder, "shop.db", CustomersSql(20));
  SearchSite site(db);
  PageResult first =
      site.Post("/s.ksp?PageKorVex=-1&RecordsetKorVex=Customers", kCustomerOne, FastCustomers);
  EXPECT_NE(first.body.find("Record 1 to 7 on a total of 11"), std::string::npos) << first.body;
  PageResult second = site.Get(LinkWith(first.body, "CPKorVex=2"), FastCustomers);
  EXPECT_NE(second.body.find("Record 8 to 11 on a total of 11"), std::string::npos) << second.body;
  EXPECT_NE(second.body.find("value=\"Customer 19\""), std::string::npos);
  EXPECT_EQ(second.body.find("value=\"Customer 2\""), std::string::npos);

  // Another visitor, who has searched for nothing, leaving out updatefilter: the page's own
  // filter still holds.
  SearchSite other(db);
  PageResult bare =
      other.Get("/s.ksp?PageKorVex=-1&RecordsetKorVex=Customers", [](AdminRecordset& page) {
        FastCustomers(page);
        page.EditingList->Filter = Variant("ID < 15");
      });
  EXPECT_NE(bare.body.find("on a total of 14"), std::string::npos) << bare.body;
}

TEST(FastSearch, ResultAsTheReport) {
  TempFolder folder;
  SearchSite site(MakeDatabase(folder, "shop.db", CustomersSql(20)));
  PageResult report =
      site.Post("/s.ksp?PageKorVex=-2&RecordsetKorVex=Customers", kCustomerOne, FastCustomers);
  ASSERT_FALSE(report.error) << report.error->description();
  EXPECT_EQ(site.action(), 256);
  EXPECT_NE(report.body.find("Name: Customer 10<"), std::string::npos) << report.body;
  EXPECT_EQ(report.body.find("Name: Customer 2<"), std::string::npos);
}

}  // namespace
}  // namespace korvex::testing
