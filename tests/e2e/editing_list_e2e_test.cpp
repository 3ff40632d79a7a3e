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

// Names and messages that carry markup or separators: a table named x]y or x"y taken from the
// request, a column named a'b"<c>, and a database message repeating a name from the page. Every
// name is one quoted identifier in SQL and encoded wherever it lands in the page.
TEST(EditingListPage, HostileNamesAreQuotedInSqlAndEncodedInThePage) {
  host::testing::TempFolder site, state;
  site.Write("shop.db");
  site.Write("setup.ksp", R"page(<%
var c = Server.CreateObject("ADODB.Connection");
c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=shop.db", "", "", -1);
c.Execute('CREATE TABLE [x]]y] (id INTEGER PRIMARY KEY, [a\'b"<c>] VARCHAR(20))');
c.Execute("INSERT INTO [x]]y] VALUES (1, '<script>alert(1)</script>')");
c.Execute('CREATE TABLE "x""y" (id INTEGER PRIMARY KEY)');
c.Execute('INSERT INTO "x""y" VALUES (7)');
c.Close(); %>done)page");
  ASSERT_EQ(CgiPageBody(site, state, "setup.ksp", ""), "done");
  site.Write("list.ksp", R"page(<%
var K = Server.CreateObject("Korvex.AdminRecordset");
K.DatabasePath = "shop.db";
K.EditingList.ShowSQLText = false;
K.EditingList.ShowRecordCount = false;
if (Request("where") != "") K.DoEditingList(Request("where")); else K.DoEditingList(); %>)page");

  std::string brackets = CgiPageBody(site, state, "list.ksp", "RecordsetKorVex=x%5Dy");
  EXPECT_NE(brackets.find("\t<TD>a&#39;b&quot;&lt;c&gt;</TD>"), std::string::npos) << brackets;
  EXPECT_NE(brackets.find("<input type=hidden name='a&#39;b&quot;&lt;c&gt;' value=\"&lt;script&gt;"
                          "alert(1)&lt;/script&gt;\">"),
            std::string::npos)
      << brackets;
  EXPECT_NE(brackets.find("action='/list.ksp?PageKorVex=1&RecordsetKorVex=x%5Dy'"),
            std::string::npos);
  EXPECT_EQ(brackets.find("<c>"), std::string::npos);
  EXPECT_EQ(brackets.find("<script>"), std::string::npos);

  std::string quotes = CgiPageBody(site, state, "list.ksp", "RecordsetKorVex=x%22y");
  EXPECT_NE(quotes.find("<TD>7\r\n</TD>"), std::string::npos) << quotes;

  // Neither a name the database lacks nor a failing criterion reaches the page unencoded.
  EXPECT_EQ(CgiPageBody(site, state, "list.ksp", "RecordsetKorVex=x%5D%3Cscript%3E"),
            "<BR><b>E R R O R:  -2147217865</B><BR>The recordset &quot;x]&lt;script&gt;&quot; is "
            "no table or view of the database");
  std::string failing =
      CgiPageBody(site, state, "list.ksp", "RecordsetKorVex=x%5Dy&where=WHERE+%3Cscript%3E");
  const std::string head = "<BR><b>E R R O R:  -2147217900</B><BR>";
  EXPECT_TRUE(failing.starts_with(head)) << failing;
  EXPECT_NE(failing.find("&lt;"), std::string::npos) << failing;
  EXPECT_EQ(failing.find('<', head.size()), std::string::npos) << failing;
}

}  // namespace
}  // namespace korvex::testing
