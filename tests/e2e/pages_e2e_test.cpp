// Page scripts reaching a real SQLite file through `korvex cgi`, a real process: the data access
// objects created by name as classic pages did, and DoEditingList on names that carry markup.
#include <gtest/gtest.h>

#include <string>

#include "e2e/cgi_page.h"

namespace korvex::testing {
namespace {

TEST(AdoPage, OpensAConnectionAndARecordsetAndWritesTheRows) {
  host::testing::TempFolder site, state;
  site.Write("shop.db");  // an empty file is an empty database
  const std::string page = R"page(<%
var c = Server.CreateObject("ADODB.Connection");
c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=shop.db", "", "", -1);
c.Execute("CREATE TABLE [Items] (id INTEGER PRIMARY KEY, name VARCHAR(20), price MONEY, added DATE)");
c.Execute("INSERT INTO [Items] (name, price, added) VALUES ('Pen', 1.5, #3/14/2003#)");
c.Execute("INSERT INTO [Items] (name, price, added) VALUES ('Ink', 12, #2003-03-15#)");
var rs = Server.CreateObject("ADODB.Recordset");
rs.Open("SELECT * FROM [Items] ORDER BY name", c, 1, 3);
%>count=<%= rs.RecordCount %>
<% while (!rs.EOF) { %><%= rs("name") %>|<%= rs.Fields("price").Value %>|<%= rs.Fields(3).Value %>
<% rs.MoveNext(); }
rs.Filter = "[name] LIKE 'p*'";
rs("price").Value = 2;
rs.Update();
var check = Server.CreateObject("ADOR.Recordset");
check.Open("Items", "Provider=SQLite;Data Source=shop.db", 0, 1, 2);
%>first=<%= check("name") %>:<%= check("price") %>:<%= rs.State %><%
try { rs.MoveNext(); rs.MoveNext(); } catch (e) { Response.Write(" error " + e.number); }
rs.Close(); c.Close(); %>)page";
  site.Write("list.ksp", page);
  EXPECT_EQ(CgiPageBody(site, state, "list.ksp"),
            "count=2\nInk|12|2003-03-15\nPen|1.5|2003-03-14\nfirst=Pen:2:1 error 3021");
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

// Every CGI request is a new process: the page link of a search result, signed by one, runs in
// the next only because the site's secret is kept in the state folder.
TEST(SearchPage, ALinkSignedByOneProcessRunsInTheNext) {
  host::testing::TempFolder site, state;
  site.Write("shop.db");
  site.Write("setup.ksp", R"page(<%
var c = Server.CreateObject("ADODB.Connection");
c.Open("Provider=SQLite;Data Source=shop.db", "", "", -1);
c.Execute("CREATE TABLE Items (id INTEGER PRIMARY KEY, name VARCHAR(20))");
c.Execute("INSERT INTO Items (name) VALUES ('pen'), ('pencil'), ('ink')");
c.Close(); %>done)page");
  ASSERT_EQ(CgiPageBody(site, state, "setup.ksp"), "done");
  site.Write("find.ksp", R"page(<%
var K = Server.CreateObject("Korvex.AdminRecordset");
K.DatabasePath = "shop.db";
K.EditingList.PageSize = 1;
K.EditingList.ShowSQLText = false;
K.DoSearchForm(); %>)page");

  const std::string first = CgiPageBody(site, state, "find.ksp",
                                        "PageKorVex=-1&RecordsetKorVex=Items&name=pen%25&"
                                        "nameCRITERION=LIKE");
  EXPECT_NE(first.find("Record 1 to 1 on a total of 2"), std::string::npos) << first;
  const size_t link = first.find("href='/find.ksp?PageKorVex=-1&CPKorVex=2&");
  ASSERT_NE(link, std::string::npos) << first;
  const size_t query = first.find('?', link) + 1;
  const std::string second =
      CgiPageBody(site, state, "find.ksp", first.substr(query, first.find('\'', query) - query));
  EXPECT_NE(second.find("Record 2 to 2 on a total of 2"), std::string::npos) << second;
  EXPECT_NE(second.find("value=\"pencil\""), std::string::npos) << second;
}

}  // namespace
}  // namespace korvex::testing
