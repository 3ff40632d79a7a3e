#include "reports/base_template.h"

#include <gtest/gtest.h>

#include "report_fixture.h"

namespace korvex::testing {
namespace {

// One column of every type the provider reports, a binary one among them.
std::string EveryTypeDatabase(const TempFolder& folder) {
  return MakeDatabase(folder, "types.db",
                      "CREATE TABLE Everything (ID INTEGER PRIMARY KEY, Small SMALLINT, "
                      "Single REAL, Dbl DOUBLE, Price MONEY, Born DATE, Flag BOOLEAN, "
                      "Tiny TINYINT, Uid GUID, Code CHAR(3), Amount DECIMAL(10,2), "
                      "Stamp TIMESTAMP, Label VARCHAR(20), Memo TEXT, Photo BLOB, "
                      "[a<b] VARCHAR(5));");
}

TEST(BaseTemplate, EveryTypeGetsAPlaceholderOrACommentAndNothingIsWritten) {
  TempFolder folder;
  std::string text;
  PageResult result = RunReportPage("/r.ksp", EveryTypeDatabase(folder), [&](auto& page) {
    page.recordset("Everything");
    text = page.DoBaseTemplate(Variant::Missing(), std::nullopt);
  });
  EXPECT_FALSE(result.error);
  EXPECT_EQ(result.body, "");
  ExpectGolden("base_template_every_type.html", text);
}

TEST(BaseTemplate, FileIsWrittenRefusedWithoutOverwriteAndReplacedWithIt) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db", CustomersSql(1));
  const std::string file = (folder.path() / "customers.htm").string();
  auto generate = [&](const Variant& path, std::optional<bool> overwrite) {
    std::string returned = "unset";
    PageResult result = RunReportPage("/r.ksp", db, [&](auto& page) {
      page.recordset("Customers");
      returned = page.DoBaseTemplate(path, overwrite);
    });
    EXPECT_FALSE(result.error);
    EXPECT_EQ(returned, "");
    return result.body;
  };
  std::string expected;
  RunReportPage("/r.ksp", db, [&](auto& page) {
    page.recordset("Customers");
    expected = page.DoBaseTemplate(Variant::Missing(), std::nullopt);
  });

  EXPECT_EQ(generate(Variant(file), std::nullopt),
            "Your Base Template is now ready in " + file +
                " <br>You can edit the file with your favorite HTML editor.<br>Read carefully the "
                "HTML generated in order to understand how a template work.<br>Once you are done "
                "you can generate a report with korvex by using the following asp code:<br><hr>"
                "<br><code>Set KRVX = Server.CreateObject(\"Korvex.AdminRecordset\")<br>"
                "KRVX.DatabasePath = \"" +
                (OnPostgres() ? "" : db) +
                "\"<br>KRVX.Recordset = \"Customers\"<br>"
                "krvx.report.template.path = \"" +
                file +
                "\" <br>krvx.DoReport</code><br><br>"
                "<hr><br><br>Have Fun!");
  EXPECT_EQ(ReadFile(file), expected);

  WriteFile(file, "edited by hand");
  const std::string refused =
      "<BR><b>KORVEX RUNTIME  ERROR:  58</B><BR>File already exists<BR>It is impossible to "
      "overwrite the file at the moment. Please call the method with the overwrite flag if you "
      "want to replace or delete the existing file ";
  EXPECT_EQ(generate(Variant(file), false), refused + file);
  // The blanks are trimmed before the file is opened, so they cannot slip past the check.
  EXPECT_EQ(generate(Variant("  " + file + " "), std::nullopt), refused + "  " + file + " ");
  EXPECT_EQ(ReadFile(file), "edited by hand");

  EXPECT_TRUE(generate(Variant(file), true).starts_with("Your Base Template is now ready"));
  EXPECT_EQ(ReadFile(file), expected);

  // Other failures are written the same way, and nothing is raised.
  EXPECT_EQ(generate(Variant((folder.path() / "no" / "t.htm").string()), std::nullopt),
            "<BR><b>KORVEX RUNTIME  ERROR:  76</B><BR>Path not found<BR>");
  PageResult unknown = RunReportPage("/r.ksp", db, [&](auto& page) {
    page.recordset("Nowhere");
    EXPECT_EQ(page.DoBaseTemplate(Variant(file), true), "");
  });
  EXPECT_FALSE(unknown.error);
  EXPECT_TRUE(unknown.body.starts_with("<BR><b>")) << unknown.body;
  EXPECT_NE(unknown.body.find("-2147217865"), std::string::npos) << unknown.body;
  EXPECT_EQ(ReadFile(file), expected);
}

}  // namespace
}  // namespace korvex::testing
