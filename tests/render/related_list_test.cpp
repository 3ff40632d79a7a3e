#include "render/related_list.h"

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "component/settings/html_related_records.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

std::string CitiesDatabase(const TempFolder& folder) {
  return MakeDatabase(
      folder, "cities.db",
      "CREATE TABLE Countries (ID INTEGER PRIMARY KEY, Name VARCHAR(30));"
      "CREATE TABLE Cities (Code VARCHAR(5) PRIMARY KEY, Name VARCHAR(30), Photo BLOB);"
      "CREATE TABLE People (ID INTEGER PRIMARY KEY, Name VARCHAR(30), "
      "CityCode VARCHAR(5) REFERENCES Cities(Code), CountryID INTEGER REFERENCES Countries(ID));"
      "INSERT INTO Countries VALUES (1, 'Utopia'), (2, 'Erewhon');"
      "INSERT INTO Cities VALUES ('O''X', 'Oxbridge <old>', x'00'), ('ZZ', 'Zed', NULL);");
}

std::string Related(const std::string& db, const std::function<void(AdminRecordset&)>& configure,
                    std::string_view table, std::string_view field, const Variant& key,
                    int32_t type) {
  std::string html;
  PageResult result = RunListPage("/p.ksp", db, [&](AdminRecordset& page) {
    page.recordset("People");
    if (configure) configure(page);
    html = RenderRelatedList(page, *page.EditingList->RelatedRecords, *page.Connection(), table,
                             field, key, type, Variant::Missing());
  });
  if (result.error) ADD_FAILURE() << result.error->description();
  return html;
}

TEST(RelatedList, TextKeyShowsTheRecordWithButtonsAndHiddenCopies) {
  TempFolder folder;
  std::string html = Related(
      CitiesDatabase(folder),
      [](AdminRecordset& page) {
        page.EditingList->RelatedRecords->FieldAliases->Add(Variant("<b>Town</b>"),
                                                            std::string("Name"));
      },
      "Cities", "Code", Variant("O'X"), 202);
  EXPECT_EQ(html,
            "<form name=pino2 method=post action='/p.ksp?PageKorVex=1&RecordsetKorVex=Cities'>"
            "<TABLE border=1><TR><TD> L A B E L </TD><TD> D A T A </TD></TR>\r\n"
            "<TR><TD>Code</TD><TD>O&#39;X</TD></TR>"
            "<TR><TD><b>Town</b></TD><TD>Oxbridge &lt;old&gt;</TD></TR>"
            "<TR><TD>Photo</TD><TD>Field Type Not Supported</TD></TR>"
            "<TR><TD colspan=2 align=center>"
            "<input type=submit class='subformbutton' value='Edit'>"
            "<input name='DELETEKorVex' type=submit class='subformbutton' value='Delete'>"
            "<input type=hidden name='Code' value=\"O&#39;X\">"
            "<input type=hidden name='Name' value=\"Oxbridge &lt;old&gt;\"></TD></TR>"
            "</TABLE></form>");
}

TEST(RelatedList, NumericKeyThatIsNoNumberMatchesNothing) {
  TempFolder folder;
  std::string db = CitiesDatabase(folder);
  std::string found = Related(db, {}, "Countries", "ID", Variant(int32_t{2}), 3);
  EXPECT_NE(found.find("<TD>Erewhon</TD>"), std::string::npos);
  std::string none = Related(db, {}, "Countries", "ID", Variant("99"), 3);
  EXPECT_EQ(none.find("<TD>ID</TD>"), std::string::npos);
  // Were any of these run, the ones that are no valid SQL would raise.
  for (const char* hostile : {"1 OR 1=1", "0 or ID>0", "1)--", "abc", "1 +", "2;"})
    EXPECT_EQ(Related(db, {}, "Countries", "ID", Variant(hostile), 3), none) << hostile;
}

TEST(RelatedList, EmptyKeyNoFormAndDebugOutput) {
  TempFolder folder;
  std::string db = CitiesDatabase(folder);
  EXPECT_EQ(Related(db, {}, "Cities", "Code", Variant(""), 202), "");
  EXPECT_EQ(Related(db, {}, "Cities", "Code", Variant::Null(), 202), "");

  auto debug = [](AdminRecordset& page) { page.DebugMode = true; };
  EXPECT_EQ(Related(db, debug, "Countries", "ID", Variant("1 OR 1=1"), 3),
            "<!--KORVEX DEBUG MESSAGE:  No related records found for key 1 OR 1=1-->");
  std::string marked = Related(
      db,
      [](AdminRecordset& page) {
        page.DebugMode = true;
        HTMLRelatedRecords& related = *page.EditingList->RelatedRecords;
        related.AllowEdit = false;
        related.AllowDelete = false;
        related.HiddenFields->Add(Variant("Name"));
      },
      "Countries", "ID", Variant(int32_t{1}), 3);
  EXPECT_TRUE(
      marked.starts_with("<!-- TableTag -->\r\n<TABLE border=1>\r\n<!-- END TableTag -->"
                         "\r\n<!-- TitleTR -->\r\n<TR>\r\n<!-- END TitleTR -->\r\n"))
      << marked;
  EXPECT_NE(marked.find("<TR><!-- LabelTD -->\r\n<TD>\r\n<!-- END LabelTD -->\r\nID"),
            std::string::npos);
  EXPECT_EQ(marked.find("Utopia"), std::string::npos);
  EXPECT_EQ(marked.find("form"), std::string::npos);
}

TEST(SchemaRelations, ForeignKeysBecomeRelationsUnlessThePageDecidedFirst) {
  TempFolder folder;
  std::string db = CitiesDatabase(folder);
  PageResult result = RunListPage("/p.ksp", db, [](AdminRecordset& page) {
    page.recordset("People");
    HTMLRelatedRecords& related = *page.EditingList->RelatedRecords;
    related.Add("CountryID", "Name", "Countries");
    AddSchemaRelations(page, related);
    ASSERT_EQ(related.Count(), 2);
    EXPECT_EQ(related.Item(Variant("CountryID"))->RelatedField, "Name");
    EXPECT_EQ(related.Item(Variant("CityCode"))->RelatedTable, "Cities");
    EXPECT_EQ(related.Item(Variant("CityCode"))->RelatedField, "Code");

    HTMLRelatedRecords& form = *page.EditForm->RelatedRecords;
    form.Remove("CityCode");
    AddSchemaRelations(page, form);
    EXPECT_EQ(form.Count(), 1);
    EXPECT_FALSE(form.HasRelation("CityCode"));
  });
  EXPECT_FALSE(result.error);
}

}  // namespace
}  // namespace korvex::testing
