#include "editing/result_page.h"

#include <gtest/gtest.h>

#include "ado/recordset.h"
#include "editing/write_fixture.h"

namespace korvex::testing {
namespace {

// Things has a column of every kind the page shows differently: an auto-increment key, texts,
// a boolean, a binary and a foreign key; ThingTags links things to tags.
std::string ThingsDatabase(const TempFolder& folder) {
  return MakeDatabase(
      folder, "things.db",
      "CREATE TABLE Shelves (Code VARCHAR(5) PRIMARY KEY, Room VARCHAR(20));"
      "INSERT INTO Shelves VALUES ('S1', 'Hall');"
      "CREATE TABLE Things (ID INTEGER PRIMARY KEY, Name VARCHAR(20), Memo TEXT, Flag BOOLEAN,"
      " Hide VARCHAR(5), Pic BLOB, Shelf VARCHAR(5) REFERENCES Shelves(Code));"
      "CREATE TABLE Tags (ID INTEGER PRIMARY KEY, Label VARCHAR(10));"
      "INSERT INTO Tags VALUES (1, 'red'), (2, 'blue');"
      "CREATE TABLE ThingTags (ThingID INTEGER, TagID INTEGER);");
}

WriteResult AddThing(const std::string& db, host::NameValueList form,
                     const std::function<void(AdminRecordset&)>& configure = {}) {
  form.insert(form.begin(), {"NuovoRecordKorVex", "TRUE"});
  return SendForm(db, "Things", form, [&](AdminRecordset& page) {
    page.EditForm->HiddenFields->Add(Variant("Hide"));
    if (configure) configure(page);
  });
}

TEST(ResultPage, ShowsEveryVisibleFieldThenTheLinksInAlternatingRows) {
  TempFolder folder;
  WriteResult r = AddThing(ThingsDatabase(folder),
                           {{"Name", "<b>x</b>"},
                            {"Memo", "a\r\nb"},
                            {"Flag", "True"},
                            {"Hide", "h"},
                            {"Shelf", "S1"},
                            {"ThingTagsDESTKorVex", "2"}},
                           [](AdminRecordset& page) {
                             page.EditForm->FieldAliases->Add(Variant("<i>Title</i>"), "Name");
                             HTMLTable& table = *page.ResultPage->Table;
                             table.OddTR = "<TR o>";
                             table.OddTRClose = "</TR o>";
                             table.EvenTR = "<TR e>";
                             table.EvenTRClose = "</TR e>";
                             page.AddManyToMany("Tags", "ID", "ThingTags", "ThingID", "TagID", "ID",
                                                "Tags", std::nullopt);
                           });
  ASSERT_FALSE(r.page.error) << r.page.error->description();
  // The key is shown as the record held it before the database gave it one.
  EXPECT_EQ(r.page.body,
            " The following new record has been added:<br><br><TABLE border=1>"
            "<TR><TD> L A B E L </TD><TD> D A T A </TD></TR>"
            "<TR o><TD>ID</TD><TD></TD></TR o>"
            "<TR e><TD><i>Title</i></TD><TD>&lt;b&gt;x&lt;/b&gt;</TD></TR e>"
            "<TR o><TD>Memo</TD><TD>a<BR>b</TD></TR o>"
            "<TR e><TD>Flag</TD><TD><form name='thisisfakefornetscape'>"
            "<input type=checkbox class=chk  checked  disabled ></form></TD></TR e>"
            "<TR o><TD>Pic</TD><TD>Field Type Not Supported</TD></TR o>"
            "<TR e><TD>Shelf</TD><TD><TABLE border=1><TR><TD> L A B E L </TD>"
            "<TD> D A T A </TD></TR>\r\n<TR><TD>Code</TD><TD>S1</TD></TR>"
            "<TR><TD>Room</TD><TD>Hall</TD></TR></TABLE></TD></TR e>"
            "<TR o><TD>Tags</TD><TD><form name='thisisfake'><select name=\"ThingTagsSRCKorVex\""
            " multiple size='5' ><option value=\"\"> ________________ </option>"
            "<option value=\"2\">blue </option></select></form></TD></TR o>"
            "</TABLE><br>Click back on your browser");
}

TEST(ResultPage, CutsLongValuesBeforeEncodingThem) {
  TempFolder folder;
  const std::string db = ThingsDatabase(folder);
  struct Case {
    int32_t longest;
    std::string value, shown;
  };
  const Case cases[] = {
      {2147483647, std::string(5000, 'm'), std::string(5000, 'm')},
      {10, "abcdefghijk", "abcdefghij[...]"},
      {10, "abcdefghij", "abcdefghij"},
      {3, "<b>x", "&lt;b&gt;[...]"},
      {4, "a\r\nbc", "a<BR>b[...]"},
      {0, "a", "[...]"},
      {0, "", ""},
  };
  for (const Case& c : cases) {
    WriteResult r = AddThing(db, {{"Memo", c.value}}, [&](AdminRecordset& page) {
      page.ResultPage->MaxFieldsLenght = c.longest;
    });
    EXPECT_NE(r.page.body.find("<TD>Memo</TD><TD>" + c.shown + "</TD>"), std::string::npos)
        << c.longest << " " << c.value;
  }
}

TEST(ResultPage, ForeignKeysArePlainWithoutRelatedRecordsAndUncheckedBooleansShowSo) {
  TempFolder folder;
  WriteResult r = AddThing(ThingsDatabase(folder), {{"Shelf", "S1"}}, [](AdminRecordset& page) {
    page.ResultPage->RelatedRecords->Show = false;
  });
  EXPECT_NE(r.page.body.find("<TD>Flag</TD><TD><form name='thisisfakefornetscape'>"
                             "<input type=checkbox class=chk  disabled ></form></TD>"),
            std::string::npos);
  EXPECT_NE(r.page.body.find("<TD>Shelf</TD><TD>S1</TD>"), std::string::npos) << r.page.body;
}

// No SQLite column reports a type outside the known ones: a fabricated recordset does.
TEST(ResultPage, ShowsTheTypeNumberOfAColumnOfUnknownType) {
  TempFolder folder;
  const std::string db = ThingsDatabase(folder);
  PageResult r = RunPage("/t.ksp", [&](AdminRecordset& page) {
    UseDatabase(page, db);
    page.recordset("Things");
    auto record = std::make_shared<ado::Recordset>();
    record->Fields().Append("Big", 20);
    record->Fields().Append("Raw", 128, 4);
    record->Open();
    record->AddNew();
    ResultPage result(page);
    result.Head("top");
    result.FieldRows(*record);
    result.Write("bottom");
  });
  ASSERT_FALSE(r.error) << r.error->description();
  EXPECT_EQ(r.body,
            " top<TABLE border=1><TR><TD> L A B E L </TD><TD> D A T A </TD></TR>"
            "<TR><TD>Big</TD><TD>20</TD></TR>"
            "<TR><TD>Raw</TD><TD>Field Type Not Supported</TD></TR></TABLE>bottom");
}

}  // namespace
}  // namespace korvex::testing
