// A page script reaches the database as classic pages did: it creates "ADODB.Connection" and
// "ADODB.Recordset" by name, opens a SQLite file under the site root through the Jet provider
// name, and writes the rows; run through `korvex cgi` as a real process.
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

}  // namespace
}  // namespace korvex::testing
