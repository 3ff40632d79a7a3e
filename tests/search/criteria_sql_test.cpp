// Criteria to SQL, and the result links: the statement of a posted criteria form (the Books
// example exactly, each column class, ORDER BY, TOP and DISTINCT), the refusal of whatever the
// form does not offer, and the signed SQL text of the result's page links. Hostile requests
// go through DoSearchForm to the real list and report: they show no data and change nothing.
#include "search/criteria_sql.h"

#include <gtest/gtest.h>

#include <regex>

#include "component/errors.h"
#include "search/search_fixture.h"

namespace korvex::testing {
namespace {

/// Names in a statement the page wrote, as its provider quotes them: the Jet provider's
/// [name] (also URL-encoded) is "name" on the server.
std::string ProviderQuotes(std::string text) {
  if (!OnPostgres()) return text;
  text = std::regex_replace(text, std::regex(R"(\[([^\]]*)\])"), "\"$1\"");
  return std::regex_replace(text, std::regex("%5B([^%&']*)%5D"), "%22$1%22");
}

std::string BooksDatabase(const TempFolder& folder) {
  return MakeDatabase(folder, "books.db",
                      "CREATE TABLE Books (ID INTEGER PRIMARY KEY, Title VARCHAR(300), "
                      "Year INTEGER, Added DATE, Stamp TIMESTAMP, InPrint BOOLEAN, Notes TEXT, "
                      "Secret VARCHAR(9));"
                      "INSERT INTO Books VALUES (1, 'Gone', 1936, '1936-06-30', "
                      "'1936-06-30 10:00:00', TRUE, NULL, 'hush');");
}

// The statement for a posted form, or the refusal's description prefixed "refused: ".
std::string StatementFor(const std::string& db, const host::NameValueList& form) {
  std::string out;
  PageResult page =
      RunPage(host::MakeFormPost("/b.ksp?PageKorVex=-1", form), [&](AdminRecordset& page) {
        UseDatabase(page, db);
        page.recordset("Books");
        page.HideField("Secret");
        out = BuildCriteriaSql(page);
      });
  if (page.error) {
    EXPECT_EQ(page.error->number(), err::kSearchRefused) << page.error->description();
    return "refused: " + page.error->description();
  }
  return out;
}

TEST(CriteriaSql, StatementOfEachColumnClassAndTheRowsBelow) {
  TempFolder folder;
  const std::string db = BooksDatabase(folder);
  struct Case {
    host::NameValueList form;
    std::string statement;
  };
  const std::string long_title(300, 'x');
  const Case cases[] = {
      {{{"Title", "O'Hara%"},
        {"TitleCRITERION", "LIKE"},
        {"Year", "1990"},
        {"YearCRITERION", ">="}},
       "SELECT    * FROM [Books]  WHERE [Title] LIKE 'O''Hara%' AND [Year] >= 1990 "},
      {{{"Added", "1936-06-30"},
        {"AddedCRITERION", "<="},
        {"Stamp", "6/30/36 10:00"},
        {"StampCRITERION", "="},
        {"InPrint", "True"},
        {"InPrintCRITERION", "="}},
       "SELECT    * FROM [Books]  WHERE [Added] <= #1936-06-30# AND [Stamp] = '6/30/36 10:00' "
       "AND [InPrint] = True "},
      // A value without an operator, or an operator without a value, is no criterion.
      {{{"Title", "x"}, {"YearCRITERION", "="}, {"Year", ""}}, "SELECT    * FROM [Books] "},
      {{{"Title", long_title}, {"TitleCRITERION", "="}},
       "SELECT    * FROM [Books]  WHERE [Title] = '" + long_title.substr(0, 255) + "' "},
      // A hidden column is not offered, but the page's own form may post it.
      {{{"Secret", "hush"}, {"SecretCRITERION", "="}, {"Year", "-1.5e3"}, {"YearCRITERION", "<>"}},
       "SELECT    * FROM [Books]  WHERE [Year] <> -1.5e3 AND [Secret] = 'hush' "},
      {{{"DISTINCTKorVex", "DISTINCT"},
        {"TOPKorVex", "TOP 10 PERCENT"},
        {"ORDERBYKorVex", "Year"},
        {"ORDERBYKorVexCRITERION", "DESC"}},
       "SELECT DISTINCT  TOP 10 PERCENT * FROM [Books] \r\nORDER BY [Year] DESC"},
      {{{"ORDERBYKorVex", "Year"}, {"ORDERBYKorVexCRITERION", ""}}, "SELECT    * FROM [Books] "},

      // What the form does not offer is refused, naming the field; nothing is built.
      {{{"Year", "1"}, {"YearCRITERION", "= 1 OR 1=1 --"}},
       "refused: The search field \"Year\" does not offer the operator \"= 1 OR 1=1 --\"; "
       "nothing was run."},
      {{{"Title", "a"}, {"TitleCRITERION", "<>"}},
       "refused: The search field \"Title\" does not offer the operator \"<>\"; nothing was run."},
      {{{"InPrint", "True"}, {"InPrintCRITERION", "<"}},
       "refused: The search field \"InPrint\" does not offer the operator \"<\"; nothing was run."},
      {{{"TOPKorVex", "TOP 1 * FROM [Secret] --"}},
       "refused: The search field \"TOP\" does not offer \"TOP 1 * FROM [Secret] --\"; nothing "
       "was run."},
      {{{"DISTINCTKorVex", "DISTINCTROW"}},
       "refused: The search field \"DISTINCT\" is not \"DISTINCTROW\"; nothing was run."},
      {{{"Year", "1; DROP TABLE x"}, {"YearCRITERION", "="}},
       "refused: The search field \"Year\" takes a number, not \"1; DROP TABLE x\"; nothing was "
       "run."},
      {{{"Added", "1936-06-30# OR 1=1 OR #1936-06-30"}, {"AddedCRITERION", "="}},
       "refused: The search field \"Added\" takes a date, not \"1936-06-30# OR 1=1 OR "
       "#1936-06-30\"; nothing was run."},
      {{{"InPrint", "1=1"}, {"InPrintCRITERION", "="}},
       "refused: The search field \"InPrint\" takes True or False, not \"1=1\"; nothing was run."},
      {{{"Notes", "x"}, {"NotesCRITERION", "LIKE"}},
       "refused: The search field \"Notes\" takes no criterion; nothing was run."},
      {{{"ORDERBYKorVex", "Year]; DROP TABLE x; --"}, {"ORDERBYKorVexCRITERION", "ASC"}},
       "refused: The search field \"ORDER BY\" does not offer the column \"Year]; DROP TABLE x; "
       "--\"; nothing was run."},
      {{{"ORDERBYKorVex", "Secret"}, {"ORDERBYKorVexCRITERION", "ASC"}},
       "refused: The search field \"ORDER BY\" does not offer the column \"Secret\"; nothing was "
       "run."},
      {{{"ORDERBYKorVex", "Year"}, {"ORDERBYKorVexCRITERION", "DESC, (SELECT 1)"}},
       "refused: The search field \"ORDER BY\" does not offer the direction \"DESC, (SELECT 1)\"; "
       "nothing was run."},
  };
  for (const Case& c : cases) {
    std::string posted;
    for (const auto& [name, value] : c.form) posted += name + "=" + value.substr(0, 40) + " ";
    EXPECT_EQ(StatementFor(db, c.form),
              c.statement.starts_with("refused") ? c.statement : ProviderQuotes(c.statement))
        << posted;
  }
}

// Customers 1 to 20; x and Secret stand by to show that nothing was dropped or read.
std::string ShopDatabase(const TempFolder& folder) {
  return MakeDatabase(folder, "shop.db",
                      CustomersSql(20) +
                          "CREATE TABLE x (ID INTEGER); INSERT INTO x VALUES (1);"
                          "CREATE TABLE Secret (Word VARCHAR(10)); "
                          "INSERT INTO Secret VALUES ('classified');");
}

void Customers(AdminRecordset& page) {
  page.recordset("Customers");
  page.EditingList->PageSize = 3;
}

bool ShowsData(const std::string& body) {
  return body.find("Customer ") != std::string::npos ||
         body.find("classified") != std::string::npos;
}

TEST(CriteriaSearch, HostileCriteriaShowNoDataAndChangeNothing) {
  TempFolder folder;
  const std::string db = ShopDatabase(folder);
  SearchSite site(db);
  const host::NameValueList hostile[] = {
      {{"Amount", "1"}, {"AmountCRITERION", "= 1 OR 1=1 --"}},
      {{"TOPKorVex", "TOP 1 * FROM [Secret] --"}},
      {{"Amount", "1; DROP TABLE x"}, {"AmountCRITERION", "="}},
  };
  for (const host::NameValueList& form : hostile) {
    PageResult list = site.Post("/s.ksp?PageKorVex=-1&RecordsetKorVex=Customers", form, Customers);
    EXPECT_TRUE(list.body.starts_with("<BR><b>E R R O R:  -2147024809</B><BR>The search field "))
        << list.body;
    EXPECT_FALSE(ShowsData(list.body)) << list.body;
    EXPECT_EQ(site.action(), 2);
    // The report raises the same refusal, and writes nothing.
    PageResult report =
        site.Post("/s.ksp?PageKorVex=-2&RecordsetKorVex=Customers", form, Customers);
    ASSERT_TRUE(report.error);
    EXPECT_EQ(report.error->number(), err::kSearchRefused);
    EXPECT_EQ(report.body, "");
  }
  EXPECT_EQ(StoredNumber(db, "SELECT COUNT(*) FROM x"), 1);
  EXPECT_EQ(StoredNumber(db, "SELECT COUNT(*) FROM Customers"), 20);
}

// The result's page links carry the statement and its signature; a link that was made
// elsewhere, or changed by one character, runs nothing.
TEST(CriteriaSearch, PageLinksCarryASignedStatementAndNothingElseRuns) {
  TempFolder folder;
  const std::string db = ShopDatabase(folder);
  SearchSite site(db);
  PageResult first = site.Post("/s.ksp?PageKorVex=-1&RecordsetKorVex=Customers",
                               {{"City", "Town 1"}, {"CityCRITERION", "="}}, Customers);
  EXPECT_NE(first.body.find("Record 1 to 3 on a total of 7"), std::string::npos) << first.body;
  const std::string next = LinkWith(first.body, "CPKorVex=2");
  EXPECT_NE(next.find(ProviderQuotes("&SQLKorVex=SELECT++++%2A+FROM+%5BCustomers%5D++WHERE+"
                                     "%5BCity%5D+%3D+%27Town+1%27+&SQLSignKorVex=")),
            std::string::npos)
      << next;
  PageResult second = site.Get(next, Customers);
  EXPECT_NE(second.body.find("Record 4 to 6 on a total of 7"), std::string::npos) << second.body;
  EXPECT_NE(second.body.find("value=\"Customer 10\""), std::string::npos);
  EXPECT_EQ(second.body.find("value=\"Customer 1\""), std::string::npos);

  // The same statement is accepted by a page with the same secret only.
  EXPECT_FALSE(ShowsData(site.Get(next,
                                  [](AdminRecordset& page) {
                                    Customers(page);
                                    page.LinkSecret = "another site's secret";
                                  })
                             .body));

  const std::string unsigned_sql =
      "/s.ksp?PageKorVex=-1&RecordsetKorVex=Customers&SQLKorVex=DELETE+FROM+Customers";
  std::string changed_sql = next;
  changed_sql.replace(changed_sql.find("Town+1"), 6, "Town+2");
  std::string changed_signature = next;
  char& last = changed_signature.back();
  last = last == '0' ? '1' : '0';
  const std::string stolen_signature = unsigned_sql + next.substr(next.find("&SQLSignKorVex="));
  for (const std::string& url : {unsigned_sql, changed_sql, changed_signature, stolen_signature}) {
    PageResult list = site.Get(url, Customers);
    EXPECT_TRUE(list.body.starts_with(
        "<BR><b>E R R O R:  -2147024891</B><BR>The SQL text of this search result link is not "
        "signed by this site"))
        << url << "\n"
        << list.body;
    EXPECT_FALSE(ShowsData(list.body)) << url;
    EXPECT_EQ(site.action(), 2);
    std::string report_url = url;
    report_url.replace(report_url.find("PageKorVex=-1"), 13, "PageKorVex=-2");
    PageResult report = site.Get(report_url, Customers);
    ASSERT_TRUE(report.error) << report_url;
    EXPECT_EQ(report.error->number(), err::kUnsignedSql);
    EXPECT_EQ(report.body, "");
  }
  EXPECT_EQ(StoredNumber(db, "SELECT COUNT(*) FROM Customers"), 20);

  // A name the database does not have is refused before any search is made.
  PageResult unknown =
      site.Post("/s.ksp?PageKorVex=-1&RecordsetKorVex=sqlite_master", {}, Customers);
  EXPECT_TRUE(unknown.body.starts_with("<BR><b>E R R O R:  -2147217865</B><BR>")) << unknown.body;
}

// Code -2 shows the criteria result as the report; its page links keep the search too.
TEST(CriteriaSearch, ResultAsTheReport) {
  TempFolder folder;
  SearchSite site(ShopDatabase(folder));
  auto report = [](AdminRecordset& page) {
    Customers(page);
    page.Report->PageSize = 2;
  };
  PageResult first = site.Post("/s.ksp?PageKorVex=-2&RecordsetKorVex=Customers",
                               {{"Name", "Customer 1%"},
                                {"NameCRITERION", "LIKE"},
                                {"ORDERBYKorVex", "ID"},
                                {"ORDERBYKorVexCRITERION", "DESC"}},
                               report);
  ASSERT_FALSE(first.error) << first.error->description();
  EXPECT_EQ(site.action(), 256);
  EXPECT_NE(first.body.find("Customer 19"), std::string::npos);
  EXPECT_NE(first.body.find("Customer 18"), std::string::npos);
  EXPECT_EQ(first.body.find("Customer 17"), std::string::npos);
  PageResult last = site.Get(LinkWith(first.body, "CPKorVex=6"), report);
  ASSERT_FALSE(last.error) << last.error->description();
  EXPECT_NE(last.body.find("Customer 1<"), std::string::npos) << last.body;
  EXPECT_EQ(last.body.find("Customer 19"), std::string::npos);
}

}  // namespace
}  // namespace korvex::testing
