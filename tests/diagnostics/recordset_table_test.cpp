#include "diagnostics/recordset_table.h"

#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "support/diagnostics_fixture.h"

namespace korvex::testing {
namespace {

TEST(RStoTable, WritesFromTheCurrentRecordToEofAndLeavesItThere) {
  TempFolder folder;
  std::string db =
      MakeDatabase(folder, "notes.db",
                   "CREATE TABLE Notes (ID INTEGER PRIMARY KEY, [A&B] TEXT, Body TEXT);"
                   "INSERT INTO Notes VALUES (1, 'a < b', NULL), "
                   "(2, '', 'x\r\ny'), (3, 'last', 'z');");
  const std::string head =
      "<TABLE BORDER=1><TR ALIGN=CENTER><TD>ID</TD><TD>A&amp;B</TD><TD>Body</TD></TR>";
  const std::string row1 = "<TR ALIGN=CENTER><TD>1</TD><TD>a &lt; b</TD><TD>&nbsp;</TD></TR>";
  const std::string row2 = "<TR ALIGN=CENTER><TD>2</TD><TD>&nbsp;</TD><TD>x\r\ny</TD></TR>";
  const std::string row3 = "<TR ALIGN=CENTER><TD>3</TD><TD>last</TD><TD>z</TD></TR>";
  struct Case {
    const char* what;
    const char* where;
    std::function<void(ado::Recordset&)> position;
    std::string expected;
  } cases[] = {
      {"empty: the header only", "ID > 3", {}, head + "</TABLE>"},
      {"from the first", "", {}, head + row1 + row2 + row3 + "</TABLE>"},
      {"not rewound", "", [](ado::Recordset& rs) { rs.MoveNext(); },
       head + row2 + row3 + "</TABLE>"},
      {"on the last record", "", [](ado::Recordset& rs) { rs.MoveLast(); },
       head + row3 + "</TABLE>"},
  };
  for (const Case& c : cases) {
    std::string table;
    PageResult page = RunProductPage([&](AdminRecordset& page) {
      UseDatabase(page, db);
      auto rs = std::make_shared<ado::Recordset>();
      rs->Open(Variant(std::string("SELECT * FROM Notes") + (*c.where ? " WHERE " : "") + c.where +
                       " ORDER BY ID"),
               Variant(page.Connection()), ado::kOpenKeyset, ado::kLockReadOnly, ado::kCmdText);
      if (c.position) c.position(*rs);
      // As a page calls it: by name, with the recordset as an object argument.
      Variant args[] = {Variant(std::shared_ptr<Dispatch>(rs))};
      table = ToText(page.Call("RStoTable", args));
      EXPECT_TRUE(rs->IsEOF()) << c.what;
    });
    ASSERT_FALSE(page.error) << c.what << ": " << page.error->description();
    EXPECT_EQ(table, c.expected) << c.what;
    EXPECT_EQ(page.body, "") << c.what << ": returned, never written";
  }
}

}  // namespace
}  // namespace korvex::testing
