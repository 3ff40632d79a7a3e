// The search form: the criteria form over every column class (hidden, aliased and related
// columns included), in plain and debug output, compared whole with golden files; the keyword
// box; the page code each Action posts.
#include "search/search_form.h"

#include <gtest/gtest.h>

#include "search/search_fixture.h"

namespace korvex::testing {
namespace {

// One column of each type the data layer maps; Kind refers to Kinds by a foreign key, and
// Memo (long text, which gets no row of its own) is related by the page.
std::string ItemsDatabase(const TempFolder& folder) {
  return MakeDatabase(
      folder, "items.db",
      "CREATE TABLE Kinds (Code VARCHAR(4) PRIMARY KEY, Label VARCHAR(20));"
      "INSERT INTO Kinds VALUES ('B', 'Book'), ('M', 'Map & <Chart>');"
      "CREATE TABLE Items (ID INTEGER PRIMARY KEY, Small SMALLINT, Ratio REAL, Weight DOUBLE, "
      "Price MONEY, Amount NUMERIC, Tiny TINYINT, Added DATE, Stamp TIMESTAMP, "
      "InStock BOOLEAN, Ref GUID, Code CHAR(3), Title VARCHAR(40), "
      "Kind VARCHAR(4) REFERENCES Kinds(Code), Notes TEXT, Picture BLOB, Secret VARCHAR(9), "
      "Memo TEXT);");
}

void DeclareItems(AdminRecordset& page) {
  page.recordset("Items");
  page.HideField("Secret");
  page.AliasField("<i>Title</i>", "Title");
  page.AddRelation("Memo", "Code", "Kinds");
}

TEST(SearchForm, CriteriaFormOverEveryColumnClassPlainAndInDebugMode) {
  TempFolder folder;
  SearchSite site(ItemsDatabase(folder));
  PageResult plain = site.Get("/find.ksp", DeclareItems);
  ASSERT_FALSE(plain.error) << plain.error->description();
  EXPECT_EQ(site.action(), 128);
  ExpectGolden("criteria_form.html", plain.body);

  // A posted related value is shown selected again; the skin's own tags are kept as given.
  PageResult debug = site.Post("/find.ksp", {{"Kind", "M"}}, [](AdminRecordset& page) {
    DeclareItems(page);
    page.DebugMode = true;
    page.SearchForm->Table->OddTR = "<TR class=odd>";
    page.SearchForm->SelectText = "(any)";
    page.SearchForm->Action = Variant(int32_t{2});
  });
  ASSERT_FALSE(debug.error) << debug.error->description();
  ExpectGolden("criteria_form_debug.html", debug.body);
}

TEST(SearchForm, KeywordBoxAndWhereEachActionPosts) {
  TempFolder folder;
  SearchSite site(ItemsDatabase(folder));
  const std::string form =
      "<FORM NAME=PW ACTION=\"/find.ksp?PageKorVex=-1&RecordsetKorVex=Items\" METHOD=POST >"
      "<input type='text' maxlength=25 size=20 name='FastSearchKorVex' >"
      "<input type=hidden name='RecordsetKorVex' value='Items' >"
      "<input type=hidden name='updatefilter' value=1><br>"
      "All Words<input type=radio name=AllWords value=1  >"
      "Any Word<input type=radio name=AllWords value=0 checked><br>"
      "<input type=reset class='Button' value='Reset Form' >"
      "<input type=submit class=Button value='Submit Query' ></FORM>";
  EXPECT_EQ(site.Get("/find.ksp",
                     [](AdminRecordset& page) {
                       page.recordset("Items");
                       page.SearchForm->Style = Variant("1");
                     })
                .body,
            form);
  EXPECT_EQ(site.action(), 128);

  const std::string hidden_choice =
      "<FORM NAME=PW ACTION=\"/find.ksp?PageKorVex=-2&RecordsetKorVex=Items\" METHOD=POST >"
      "<p><input type='text' maxlength=9 size=4 name='FastSearchKorVex' >"
      "<input type=hidden name='RecordsetKorVex' value='Items' >"
      "<input type=hidden name='updatefilter' value=1><br>"
      "<input type=hidden name=AllWords value=True >"
      "<input type=submit class=Button value='Find' ></FORM>";
  EXPECT_EQ(site.Get("/find.ksp",
                     [](AdminRecordset& page) {
                       page.recordset("Items");
                       HTMLSearchForm& form = *page.SearchForm;
                       form.Style = Variant(int32_t{2});
                       form.Action = Variant(int32_t{2});
                       form.ShowResetButton = false;
                       form.SubmitCaption = "Find";
                       form.FastSearch->AfterFormOpenHTML = "<p>";
                       form.FastSearch->MaxLength = 9;
                       form.FastSearch->Size = 4;
                       form.FastSearch->ShowAllAnySelector = false;
                       form.FastSearch->DefaultToAllWords = true;
                     })
                .body,
            hidden_choice);

  // Any other Action posts no page code: the form comes back.
  const std::string again = site.Get("/find.ksp",
                                     [](AdminRecordset& page) {
                                       page.recordset("Items");
                                       page.SearchForm->Action = Variant(int32_t{3});
                                     })
                                .body;
  EXPECT_TRUE(again.starts_with(
      "<FORM NAME=PW ACTION=\"/find.ksp?PageKorVex=&RecordsetKorVex=Items\" METHOD=POST >"));
}

// Only long text and binary columns: no criteria row, an ORDER BY list with only its empty
// option, the TOP row and the buttons; the two hidden rows leave the submit row alone.
TEST(SearchForm, TableWithoutSearchableColumns) {
  TempFolder folder;
  SearchSite site(MakeDatabase(folder, "m.db", "CREATE TABLE M (Body TEXT, Image BLOB);"));
  const std::string body =
      site.Get("/m.ksp", [](AdminRecordset& page) { page.recordset("M"); }).body;
  EXPECT_NE(body.find("<TR><TD> L A B E L </TD><TD>C R I T</TD><TD> D A T A </TD></TR><TR>"
                      "<TD>ORDER </TD>"),
            std::string::npos)
      << body;
  EXPECT_NE(body.find("<SELECT name='ORDERBYKorVex'><OPTION value=''> Select...</OPTION>"
                      "</SELECT>"),
            std::string::npos);
  EXPECT_NE(body.find("<TD>SELECT </TD>"), std::string::npos);

  const std::string bare = site.Get("/m.ksp",
                                    [](AdminRecordset& page) {
                                      page.recordset("M");
                                      page.SearchForm->HideOrderByRow = true;
                                      page.SearchForm->HideTopDistinctRow = true;
                                    })
                               .body;
  EXPECT_NE(bare.find("<TD> D A T A </TD></TR><TR><TD colspan=3 align=center>"
                      "<input type=reset class='Button' value='Reset Form' >"),
            std::string::npos)
      << bare;
}

}  // namespace
}  // namespace korvex::testing
