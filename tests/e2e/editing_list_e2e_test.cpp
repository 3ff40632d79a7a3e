// A page script lists a real SQLite table with DoEditingList through `korvex cgi`, a real
// process: the whole screen, and the second page reached by its page link.
#include <gtest/gtest.h>

#include <string>

#include "e2e/cgi_page.h"

namespace korvex::testing {
namespace {

TEST(EditingListPage, DoEditingListShowsTheWholeScreen) {
  host::testing::TempFolder site, state;
  site.Write("shop.db");
  site.Write("setup.ksp", R"page(<%
var c = Server.CreateObject("ADODB.Connection");
c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=shop.db", "", "", -1);
c.Execute("CREATE TABLE [Items] (id INTEGER PRIMARY KEY, name VARCHAR(20), price MONEY, " +
          "added DATE, stocked BOOLEAN, notes TEXT)");
c.Execute("INSERT INTO [Items] VALUES (1, 'Pen', 1.5, #3/14/2003#, True, 'blue')");
c.Execute("INSERT INTO [Items] VALUES (2, 'Ink & nib', 12, #2003-03-15#, False, NULL)");
c.Execute("INSERT INTO [Items] VALUES (3, 'Pad', 3, #2003-03-16#, True, 'lined')");
c.Close(); %>done)page");
  ASSERT_EQ(CgiPageBody(site, state, "setup.ksp", ""), "done");

  site.Write("list.ksp", R"page(<%
var K = Server.CreateObject("Korvex.AdminRecordset");
K.DatabasePath = "shop.db";
K.recordset = "Items";
K.EditingList.PageSize = 2;
K.EditingList.ShowSQLText = false;
K.AliasField("<i>Item</i>", "name");
K.HideField("notes");
K.DoEditingList();
Response.Write("|" + K.ActionPerformed); %>)page");
  const std::string row_start =
      "<TR>\r\n<TD colspan=0>\r\n<form name=pino method=post "
      "action='/list.ksp?PageKorVex=1&RecordsetKorVex=Items'>\r\n<input type=submit "
      "class='Button' value='Edit'><input name='DELETEKorVex' type=submit class='Button' "
      "value='Delete'>\r\n";
  const std::string link = " <a href='/list.ksp?PageKorVex=-1&CPKorVex=";
  const std::string link_end = "&RecordsetKorVex=Items&SQLKorVex=SELECT+%2A+FROM+%5BItems%5D+'>";

  EXPECT_EQ(CgiPageBody(site, state, "list.ksp", "CPKorVex=2"),
            "Record 3 to 3 on a total of 3\r\n<!-- Begginning Table -->\r\n"
            "<TABLE border=1>\r\n<!-- Titles TR -->\r\n<TR>\r\n\t<TD>E D I T</TD>\r\n"
            "\t<TD>id</TD>\r\n\t<TD><i>Item</i></TD>\r\n\t<TD>price</TD>\r\n\t<TD>added</TD>\r\n"
            "\t<TD>stocked</TD>\r\n</TR>\r\n" +
                row_start +
                "<input type=hidden name='id' value=\"3\">\r\n"
                "<input type=hidden name='name' value=\"Pad\">\r\n"
                "<input type=hidden name='price' value=\"3\">\r\n"
                "<input type=hidden name='added' value=\"2003-03-16\">\r\n"
                "<input type=hidden name='stocked' value=\"True\">\r\n"
                "<input type=hidden name='notes' value=\"lined\">\r\n</form>\r\n</TD>\r\n"
                "<TD>3\r\n</TD>\r\n<TD>Pad\r\n</TD>\r\n<TD>3\r\n</TD>\r\n<TD>2003-03-16\r\n</TD>"
                "\r\n<TD><form name='thisisfakefornetscape'><input type=checkbox class=chk  "
                "checked  disabled ></form>\r\n</TD></TR></TABLE>\r\n<BR>Page: " +
                link + "1" + link_end + "1</a> \r\n<b>2</b> <br>|64");

  std::string first = CgiPageBody(site, state, "list.ksp", "");
  EXPECT_TRUE(first.starts_with("Record 1 to 2 on a total of 3\r\n")) << first;
  EXPECT_NE(first.find("<TD>Ink &amp; nib\r\n</TD>"), std::string::npos);
  EXPECT_NE(first.find("<input type=hidden name='notes' value=\"\">"), std::string::npos);
  EXPECT_TRUE(first.ends_with("<BR>Page: <b>1</b> " + link + "2" + link_end + "2</a> \r\n<br>|64"));
}

}  // namespace
}  // namespace korvex::testing
