#include "listing/editing_list.h"

#include <gtest/gtest.h>

#include "support/library_fixture.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

// The customers table plus a binary column, so that one screen shows every display class.
std::string ShopDatabase(const TempFolder& folder, int count) {
  return MakeDatabase(folder, "shop.db",
                      CustomersSql(count) +
                          "ALTER TABLE Customers ADD COLUMN Photo BLOB;"
                          "UPDATE Customers SET Photo = x'FFD8', Notes = 'a < b' "
                          "WHERE ID = 2;");
}

PageResult ListCustomers(const std::string& url, const std::string& db,
                         const std::function<void(AdminRecordset&)>& configure = {}) {
  return RunListPage(url, db, [&](AdminRecordset& page) {
    page.recordset("Customers");
    if (configure) configure(page);
    RenderEditingList(page, "SELECT * FROM [Customers] ");
    EXPECT_EQ(page.ActionPerformed, 64);
  });
}

TEST(EditingList, TenRecordsInPagesOfSevenWholeScreens) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 10);
  ExpectGolden("ten_records_page1.html", ListCustomers("/shop/list.ksp", db).body);
  ExpectGolden("ten_records_page2.html", ListCustomers("/shop/list.ksp?CPKorVex=2", db).body);
}

TEST(EditingList, FarPagesOfThreeHundredRecords) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db", CustomersSql(300));
  const std::string signature = TestSqlSignature("SELECT * FROM [Customers] ");
  auto link = [&](int page, std::string_view text) {
    return " <a href='/l.ksp?PageKorVex=-1&CPKorVex=" + std::to_string(page) +
           "&RecordsetKorVex=Customers&SQLKorVex=SELECT+%2A+FROM+%5BCustomers%5D+&SQLSignKorVex=" +
           signature + "'>" + std::string(text) + "</a> \r\n";
  };
  auto ten = [](AdminRecordset& page) { page.EditingList->PageSize = 10; };

  std::string middle = ListCustomers("/l.ksp?CPKorVex=15", db, ten).body;
  EXPECT_NE(middle.find("<br>Record 141 to 150 on a total of 300\r\n"), std::string::npos);
  EXPECT_NE(middle.find("<BR>Page: " + link(1, "1") + link(5, "&lt;") + link(6, "6")),
            std::string::npos);
  EXPECT_NE(middle.find(link(14, "14") + "<b>15</b> " + link(16, "16")), std::string::npos);
  EXPECT_TRUE(middle.ends_with(link(24, "24") + link(24, "&gt;") + link(30, "30") + "<br>"));
  EXPECT_NE(middle.find("<input type=hidden name='ID' value=\"141\">"), std::string::npos);
  EXPECT_NE(middle.find("<input type=hidden name='ID' value=\"150\">"), std::string::npos);
  EXPECT_EQ(Occurrences(middle, "<form name=pino "), 10u);

  std::string late = ListCustomers("/l.ksp?CPKorVex=25", db, ten).body;
  EXPECT_NE(late.find("<BR>Page: " + link(1, "1") + link(15, "&lt;") + link(16, "16")),
            std::string::npos);
  EXPECT_TRUE(late.ends_with(link(24, "24") + "<b>25</b> " + link(26, "26") + link(27, "27") +
                             link(28, "28") + link(29, "29") + link(30, "30") + "<br>"));
  EXPECT_EQ(late.find("&gt;"), std::string::npos);
  EXPECT_NE(late.find("<input type=hidden name='ID' value=\"241\">"), std::string::npos);
}

TEST(EditingList, EveryPageStartsWithAnOddRow) {
  TempFolder folder;
  std::string body = ListCustomers("/l.ksp?CPKorVex=2", ShopDatabase(folder, 10), [](auto& page) {
                       HTMLTable& table = *page.EditingList->Table;
                       table.OddTR = "<TR class=odd>";
                       table.EvenTR = "<TR class=even>";
                       table.OddTRClose = "</TR odd>";
                     }).body;
  EXPECT_NE(body.find("</TR>\r\n<TR class=odd>\r\n<TD colspan=0>"), std::string::npos);
  EXPECT_EQ(Occurrences(body, "<TR class=odd>"), 2u);
  EXPECT_EQ(Occurrences(body, "</TR odd><TR class=even>"), 1u);
  EXPECT_TRUE(body.find("</TD></TR odd></TABLE>") != std::string::npos);
}

TEST(EditingList, PageBeyondTheLastShowsTheHeaderAndNoRows) {
  TempFolder folder;
  std::string body = ListCustomers("/l.ksp?CPKorVex=3", ShopDatabase(folder, 10)).body;
  EXPECT_NE(body.find("Record 15 to 10 on a total of 10\r\n"), std::string::npos);
  EXPECT_NE(body.find("</TR>\r\n</TABLE>\r\n<BR>Page: "), std::string::npos);
  EXPECT_EQ(body.find("<form name=pino "), std::string::npos);

  std::string empty = MakeDatabase(folder, "empty.db", CustomersSql(0));
  std::string nothing = ListCustomers("/l.ksp", empty).body;
  EXPECT_NE(nothing.find("<br>Record 0 to 0 on a total of 0\r\n"), std::string::npos);
  EXPECT_TRUE(nothing.ends_with("</TR>\r\n</TABLE>\r\n<BR>Page: <br>"));
}

TEST(EditingList, FailureBeforeTheTitleRowIsWrittenAsNotice) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 10);
  PageResult zero = RunListPage("/l.ksp", db, [](AdminRecordset& page) {
    page.EditingList->PageSize = 0;
    page.EditingList->TopText = "<h1>Customers</h1>";
    RenderEditingList(page, "SELECT * FROM [Customers] ");
    EXPECT_EQ(page.ActionPerformed, 2);
  });
  EXPECT_FALSE(zero.error);
  EXPECT_EQ(zero.body,
            "<h1>Customers</h1>SELECT * FROM [Customers] <br>"
            "<BR><b>E R R O R:  11</B><BR>Division by zero");

  PageResult missing = RunListPage("/l.ksp", db, [](AdminRecordset& page) {
    RenderEditingList(page, "SELECT * FROM [Nowhere]");
    EXPECT_EQ(page.ActionPerformed, 2);
  });
  EXPECT_FALSE(missing.error);
  EXPECT_TRUE(missing.body.starts_with("<BR><b>E R R O R:  -2147217865</B><BR>")) << missing.body;
  EXPECT_NE(missing.body.find("Nowhere"), std::string::npos);
}

TEST(EditingList, SqlTextIsShownEncoded) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 3);
  PageResult result = RunListPage("/l.ksp", db, [](AdminRecordset& page) {
    page.recordset("Customers");
    RenderEditingList(page, "SELECT * FROM [Customers] WHERE Name <> '<script>x</script>'");
  });
  EXPECT_TRUE(result.body.starts_with(
      "SELECT * FROM [Customers] WHERE Name &lt;&gt; &#39;&lt;script&gt;x&lt;/script&gt;&#39;"
      "<br>Record 1 to 3 on a total of 3"))
      << result.body.substr(0, 200);
}

TEST(EditingList, LongMemoIsCutBeforeEncoding) {
  TempFolder folder;
  std::string memo = "<" + std::string(2999, 'm');
  std::string db = MakeDatabase(folder, "memo.db",
                                "CREATE TABLE Notes (ID INTEGER PRIMARY KEY, Body TEXT);"
                                "INSERT INTO Notes VALUES (1, '" +
                                    memo + "'), (2, 'two\r\nlines');");
  PageResult result = RunListPage("/l.ksp", db, [](AdminRecordset& page) {
    page.recordset("Notes");
    page.EditingList->MaxFieldsLenght = 100;
    RenderEditingList(page, "");
  });
  EXPECT_NE(result.body.find("<TD>&lt;" + std::string(99, 'm') + "[...]\r\n</TD>"),
            std::string::npos);
  // The hidden copy keeps the whole value, line breaks included; the cell shows them as <br>.
  EXPECT_NE(result.body.find("value=\"&lt;" + std::string(2999, 'm') + "\">"), std::string::npos);
  EXPECT_NE(result.body.find("<input type=hidden name='Body' value=\"two\r\nlines\">"),
            std::string::npos);
  EXPECT_NE(result.body.find("<TD>two<br>lines\r\n</TD>"), std::string::npos);
}

TEST(EditingList, AliasesHiddenFieldsAndButtonsFollowTheSettings) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 2);
  PageResult result = ListCustomers("/l.ksp", db, [](AdminRecordset& page) {
    HTMLEditingList& list = *page.EditingList;
    list.FieldAliases->Add(Variant("<i>Who</i>"), std::string("Name"));
    list.FieldAliases->Add(Variant("<i>Who</i>"), std::string("Email"));
    list.HiddenFields->Add(Variant("City"), std::string("City"));
    list.HiddenFields->Add(Variant("notes"), std::string("notes"));  // another case: shown
    list.AllowEdit = false;
    list.AllowDelete = false;
    page.FileFields->Add(Variant("Email"));
    page.FileMan->Path("/files");
  });
  EXPECT_NE(result.body.find(
                "<!-- Titles TR -->\r\n<TR>\r\n\t<TD>E D I T</TD>\r\n\t<TD>ID</TD>\r\n"
                "\t<TD><i>Who</i></TD>\r\n\t<TD><i>Who</i></TD>\r\n\t<TD>Joined</TD>\r\n"
                "\t<TD>Active</TD>\r\n\t<TD>Amount</TD>\r\n\t<TD>Notes</TD>\r\n\t<TD>Photo</TD>\r\n"
                "</TR>"),
            std::string::npos);
  EXPECT_EQ(Occurrences(result.body,
                        "<TR>\r\n<TD colspan=0>\r\n<form name=pino method=post action='/l.ksp"
                        "?PageKorVex=1&RecordsetKorVex=Customers'>\r\n</form>\r\n</TD>\r\n"
                        "<TD>"),
            2u);
  EXPECT_EQ(result.body.find("type=hidden"), std::string::npos);
  EXPECT_NE(result.body.find("\r\n<TD><a href='/files/c1%40example%2Ecom' target=_blank>"
                             "c1@example.com</a>\r\n</TD>"),
            std::string::npos);
  EXPECT_EQ(result.body.find("Town"), std::string::npos);
}

TEST(EditingList, DebugModeIndentsTheRows) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 1);
  PageResult result = ListCustomers("/l.ksp", db, [](AdminRecordset& page) {
    page.DebugMode = true;
    for (const char* name : {"Email", "City", "Joined", "Amount", "Notes", "Photo"})
      page.HideField(name);
    page.EditingList->AllowDelete = false;
  });
  EXPECT_NE(result.body.find("<TR>\r\n\t<TD colspan=0>\r\n\t\t<form name=pino method=post "
                             "action='/l.ksp?PageKorVex=1&RecordsetKorVex=Customers'>\r\n"
                             "\t\t\t<input type=submit class='Button' value='Edit'>\r\n"
                             "\t\t\t<input type=hidden name='ID' value=\"1\">\r\n"),
            std::string::npos);
  EXPECT_NE(result.body.find("\t\t</form>\r\n\t</TD>\r\n\t<TD>1\r\n\t</TD>\r\n\t<TD>Customer 1"
                             "\r\n\t</TD>\r\n\t<TD><form name='thisisfakefornetscape'>"),
            std::string::npos);
}

TEST(EditingList, RelatedRecordsAndManyToManyColumns) {
  TempFolder folder;
  std::string db = LibraryDatabase(folder);
  auto list = [&](bool show) {
    return RunListPage("/b.ksp", db, [&](AdminRecordset& page) {
      page.recordset("Books");
      page.EditingList->RelatedRecords->Show = show;
      page.EditingList->RelatedRecords->AllowDelete = false;
      page.AddManyToMany("<i>Written by</i>", "ID", "BookAuthors", "BookID", "AuthorID", "ID",
                         "Authors", {});
      RenderEditingList(page, "");
    });
  };
  PageResult shown = list(true);
  ASSERT_FALSE(shown.error) << shown.error->description();
  EXPECT_NE(shown.body.find("\t<TD>Shelf</TD>\r\n\t<TD><i>Written by</i></TD>\r\n</TR>"),
            std::string::npos);
  // The foreign key of the schema puts the shelf's record in the cell.
  EXPECT_NE(
      shown.body.find(
          "\r\n<TD>One\r\n</TD><TD><form name=pino2 method=post action='/b.ksp?"
          "PageKorVex=1&RecordsetKorVex=Shelves'><TABLE border=1><TR><TD> L A B E L </TD>"
          "<TD> D A T A </TD></TR>\r\n<TR><TD>Code</TD><TD>A&#39;1</TD></TR><TR><TD>Room</TD>"
          "<TD>Hall</TD></TR><TR><TD colspan=2 align=center><input type=submit "
          "class='subformbutton' value='Edit'><input type=hidden name='Code' value=\"A&#39;1\">"
          "<input type=hidden name='Room' value=\"Hall\"></TD></TR></TABLE></form></TD>"
          "\r\n<TD><form name=fake><select name=\"BookAuthorsDESTKorVex\" multiple "
          "size='5' ><option value=\"\"> ________________ </option><option value=\"2\">"
          "Bob </option><option value=\"3\">Cy </option></select>\r\n</form></TD></TR>"),
      std::string::npos);
  EXPECT_NE(
      shown.body.find("\r\n<TD>Two\r\n</TD><TD></TD>\r\n<TD><form name=fake><select "
                      "name=\"BookAuthorsDESTKorVex\" multiple size='5' ><option value=\"\">"
                      " ________________ </option><option value=\"1\">Ann </option></select>"),
      std::string::npos);

  PageResult plain = list(false);
  EXPECT_EQ(plain.body.find("pino2"), std::string::npos);
  EXPECT_NE(plain.body.find("\r\n<TD>One\r\n</TD>\r\n<TD>A&#39;1\r\n</TD>"), std::string::npos);
}

TEST(EditingList, CountsFollowChangesMadeByAnotherProgram) {
  TempFolder folder;
  std::string db = ShopDatabase(folder, 7);
  auto run_sql = [&](const char* sql) { RunSql(db, sql); };
  // One host process serves every request, as the HTTP server does, so any cached count is
  // shared between them.
  host::MemoryHost host;
  auto list = [&](const std::string& url) {
    return host
        .Serve(host::MakeRequest("GET", url),
               [&](host::ScriptingContext& context) {
                 auto page = std::make_shared<AdminRecordset>();
                 page->OnStartPage(context.shared_from_this());
                 UseDatabase(*page, db);
                 page->recordset("Customers");
                 RenderEditingList(*page, "SELECT * FROM [Customers] ");
               })
        .body;
  };
  EXPECT_NE(list("/l.ksp").find("Record 1 to 7 on a total of 7\r\n"), std::string::npos);
  run_sql("INSERT INTO Customers (ID, Name) VALUES (100, 'Late')");
  std::string after_insert = list("/l.ksp?CPKorVex=2");
  EXPECT_NE(after_insert.find("Record 8 to 8 on a total of 8\r\n"), std::string::npos);
  EXPECT_NE(after_insert.find("<TD>Late\r\n</TD>"), std::string::npos);
  run_sql("DELETE FROM Customers WHERE ID IN (1, 2)");
  std::string after_delete = list("/l.ksp");
  EXPECT_NE(after_delete.find("Record 1 to 6 on a total of 6\r\n"), std::string::npos);
  EXPECT_EQ(after_delete.find("CPKorVex=2"), std::string::npos);
}

}  // namespace
}  // namespace korvex::testing
