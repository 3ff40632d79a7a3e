#include "render/many_to_many_editor.h"

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "component/settings/html_many_to_many.h"
#include "support/library_fixture.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

PageResult Editor(const std::string& db, std::string_view local_value, bool delete_mode,
                  const char* link_table = "BookAuthors", bool debug = false) {
  return RunListPage("/b.ksp", db, [&](AdminRecordset& page) {
    page.recordset("Books");
    page.DebugMode = debug;
    page.AddManyToMany("Authors", "ID", "BookAuthors", "BookID", "AuthorID", "ID", "Authors", {});
    page.AddManyToMany("Shelf", "Shelf", "ShelfAuthors", "ShelfCode", "AuthorID", "ID", "Authors",
                       {});
    auto link = page.EditForm->ManyToMany->Item(Variant(link_table));
    RenderManyToManyEditor(page, *link, *page.Connection(), local_value, delete_mode);
  });
}

std::string Options(std::initializer_list<std::pair<int, const char*>> authors) {
  std::string out = "<option value=\"\"> ________________ </option>";
  for (auto [id, name] : authors)
    out += "<option value=\"" + std::to_string(id) + "\">" + name + " </option>";
  return out;
}

TEST(ManyToManyEditor, ShowsAvailableAndActiveAuthorsOfABook) {
  TempFolder folder;
  PageResult result = Editor(LibraryDatabase(folder), "1", false);
  ASSERT_FALSE(result.error) << result.error->description();
  EXPECT_EQ(result.body,
            "<table><TR><TD><font size=1>Available</font></TD><TD><font size=1>&nbsp;</font>"
            "</TD><TD><font size=1>Active</font></TD></TR><TR><TD>"
            "<select name=\"BookAuthorsSRCKorVex\" multiple size='5' >" +
                Options({{1, "Ann"}}) +
                "</select></TD><TD><input type=button CLASS='Button' name='BookAuthorsADD' "
                "value='&gt;'  onClick=\" MoveElements('BookAuthorsSRCKorVex',"
                "'BookAuthorsDESTKorVex')\"><br><input type=button CLASS='Button' "
                "name='BookAuthorsREMOVE' value='&lt;' onClick=\" MoveElements("
                "'BookAuthorsDESTKorVex', 'BookAuthorsSRCKorVex')\"></TD><TD>"
                "<select name=\"BookAuthorsDESTKorVex\" multiple size='5' >" +
                Options({{2, "Bob"}, {3, "Cy"}}) + "</select></TD></TR></TABLE>");
}

TEST(ManyToManyEditor, NewRecordHasEverythingAvailableAndNothingActive) {
  TempFolder folder;
  std::string db = LibraryDatabase(folder);
  for (std::string_view key : {"", "1 OR 1=1", "x"}) {
    PageResult result = Editor(db, key, false);
    ASSERT_FALSE(result.error) << key << ": " << result.error->description();
    EXPECT_NE(result.body.find("<select name=\"BookAuthorsSRCKorVex\" multiple size='5' >" +
                               Options({{1, "Ann"}, {2, "Bob"}, {3, "Cy"}}) + "</select>"),
              std::string::npos)
        << key;
    EXPECT_NE(result.body.find("<select name=\"BookAuthorsDESTKorVex\" multiple size='5' >" +
                               Options({}) + "</select>"),
              std::string::npos)
        << key;
  }
}

TEST(ManyToManyEditor, TextKeyAndDeleteMode) {
  TempFolder folder;
  std::string db = LibraryDatabase(folder);
  PageResult shelf = Editor(db, "A'1", true, "ShelfAuthors");
  ASSERT_FALSE(shelf.error) << shelf.error->description();
  EXPECT_EQ(shelf.body,
            "<select name=\"\" multiple size='5' >" + Options({{1, "Ann"}}) + "</select>");

  PageResult marked = Editor(db, "2", false, "BookAuthors", true);
  EXPECT_TRUE(
      marked.body.starts_with("<!-- TableTag --><table><!-- END TableTag -->\r\n"
                              "<!-- TitleTR --><TR><!-- END TitleTR -->\r\n"
                              "<!-- LabelTitleTD --><TD><!-- END LabelTitleTD -->\r\n"
                              "<!--LabelTitle --><font size=1>Available</font>"))
      << marked.body.substr(0, 300);
}

TEST(ManyToManyEditor, ValueQuoteFollowsTheColumnType) {
  TempFolder folder;
  PageResult result = RunListPage("/b.ksp", LibraryDatabase(folder), [](AdminRecordset& page) {
    EXPECT_EQ(ValueQuote(page, "ShelfAuthors", "ShelfCode"), "'");
    EXPECT_EQ(ValueQuote(page, "BookAuthors", "BookID"), "");
  });
  EXPECT_FALSE(result.error);
}

}  // namespace
}  // namespace korvex::testing
