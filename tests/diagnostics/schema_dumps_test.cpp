#include "diagnostics/schema_dumps.h"

#include <gtest/gtest.h>

#include "host/intrinsics.h"
#include "support/diagnostics_fixture.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

const std::string kNotCapable =
    "3251: Object or provider is not capable of performing requested operation.";

// The referenced table: its foreign keys row is the one Books holds, restricted by the
// primary-key table; the kinds SQLite cannot answer leave their error line and the dump goes on.
TEST(DisplayRecordsetSchemas, TableWithAForeignKeyWholeDump) {
  KORVEX_SQLITE_ONLY();  // the golden dump holds the key and index names SQLite gives
  TempFolder folder;
  std::string db = ShelvesDatabase(folder);
  PageResult page = RunProductPage([&](AdminRecordset& page) {
    UseDatabase(page, db);
    page.recordset("Shelves");
    EXPECT_TRUE(page.Call("DisplayRecordsetSchemas", {}).IsEmpty());
  });
  ASSERT_FALSE(page.error) << page.error->description();
  ExpectGolden("recordset_schemas_shelves.html", page.body);
  const std::string headings[] = {
      "<h3> adSchemaColumnPrivileges Shelves</h3>" + kNotCapable +
          "<h3> adSchemaColumns Shelves</h3>",
      "<h3>     adSchemaPrimaryKeys Shelves</h3><TABLE BORDER=1>",
      "<h3> adSchemaTables Shelves</h3><TABLE BORDER=1>",
  };
  for (const std::string& heading : headings)
    EXPECT_NE(page.body.find(heading), std::string::npos) << heading;
}

TEST(DisplaySchemas, EveryKindInOrderThenTheTimeOutIsBack) {
  TempFolder folder;
  std::string db = ShelvesDatabase(folder);
  int32_t timeout_after = 0;
  PageResult page = RunProductPage([&](AdminRecordset& page) {
    UseDatabase(page, db);
    page.Server().ScriptTimeout = 75;
    page.DisplaySchemas();
    timeout_after = page.Server().ScriptTimeout;
  });
  ASSERT_FALSE(page.error) << page.error->description();
  EXPECT_EQ(timeout_after, 75);
  const std::string& body = page.body;
  EXPECT_TRUE(body.starts_with(
      "this operation may take long time. be patient... :)<h3>adSchemaAsserts</h3>" + kNotCapable +
      "<h3>adSchemaCatalogs</h3><TABLE BORDER=1><TR ALIGN=CENTER><TD>CATALOG_NAME</TD>"))
      << body.substr(0, 300);
  EXPECT_TRUE(body.ends_with("<h3>adSchemaViewTableUsage</h3>" + kNotCapable)) << body;
  EXPECT_EQ(Occurrences(body, "<h3>"), 39u);
  EXPECT_EQ(Occurrences(body, kNotCapable), 30u);  // nine kinds answered
  size_t views = body.find("<h3>adSchemaViews</h3><TABLE BORDER=1>");
  ASSERT_NE(views, std::string::npos);
  EXPECT_NE(body.find("<TD>Titles</TD>", views), std::string::npos) << body.substr(views, 900);
}

// A connection that cannot be opened: each single dump shows the failure instead of its
// heading, and the page goes on; the recordset's dump raises it before writing anything.
TEST(SchemaDumps, ConnectionThatCannotOpen) {
  TempFolder folder;
  const std::string missing = (folder.path() / "missing.db").string();
  PageResult page = RunProductPage([&](AdminRecordset& page) {
    page.DatabasePath(missing);
    page.DisplayTablesProperties();
    page.RW("|");
    page.DisplayQueriesProperties();
    page.RW("|");
    page.DisplayRelationsProperties();
    page.RW("|");
    page.recordset("Books");
    page.DisplayRecordsetSchemas();
  });
  ASSERT_TRUE(page.error);
  EXPECT_EQ(page.body.find("<h3>"), std::string::npos) << page.body;
  EXPECT_EQ(Occurrences(page.body, std::to_string(page.error->number()) + ": "), 3u) << page.body;
  EXPECT_TRUE(page.body.ends_with("|")) << page.body;
}

TEST(SchemaDumps, SingleDumpsAndTheObsoleteMethod) {
  TempFolder folder;
  std::string db = ShelvesDatabase(folder);
  PageResult page = RunProductPage([&](AdminRecordset& page) {
    UseDatabase(page, db);
    page.DisplayRelationsProperties();
    page.RW("|");
    page.DisplayQueriesProperties();
    page.RW("|");
    page.DisplayDatabaseProperties();
  });
  ASSERT_FALSE(page.error) << page.error->description();
  const std::string relation =
      "<TR ALIGN=CENTER><TD>&nbsp;</TD><TD>&nbsp;</TD><TD>Shelves</TD><TD>Code</TD>";
  EXPECT_TRUE(page.body.starts_with(
      "<h3>adSchemaForeignKeys</h3><TABLE BORDER=1><TR ALIGN=CENTER><TD>PK_TABLE_CATALOG</TD>"))
      << page.body;
  EXPECT_EQ(Occurrences(page.body, relation), 1u) << page.body;
  EXPECT_NE(page.body.find("|<h3>adSchemaViews</h3><TABLE BORDER=1>"), std::string::npos);
  EXPECT_TRUE(page.body.ends_with("|This method is obsolete please use DisplayConnProperties"));
}

}  // namespace
}  // namespace korvex::testing
