#include "reports/template_report.h"

#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "report_fixture.h"

namespace korvex::testing {
namespace {

const std::string kBegin = "<!-- KORVEX BEGIN LOOP -->";
const std::string kEnd = "<!-- KORVEX END LOOP -->";
const std::string kCount = "<!-- KORVEX REC COUNT -->";

// DoReport on the page at url, with configure run first; ActionPerformed is appended to the
// body as "|ap=N" so that one string shows both.
std::string Report(const std::string& url, const std::string& db, const std::string& table,
                   const std::function<void(AdminRecordset&)>& configure = {}) {
  PageResult result = RunReportPage(url, db, [&](AdminRecordset& page) {
    page.recordset(table);
    if (configure) configure(page);
    page.DoReport();
    page.RW("|ap=" + std::to_string(page.ActionPerformed));
  });
  EXPECT_FALSE(result.error) << result.error->description();
  return result.body;
}

TEST(TemplateReport, BaseTemplateOnTenRecordsInPagesOfThree) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db", CustomersSql(10));
  auto three = [](AdminRecordset& page) { page.Report->PageSize = 3; };
  // The report's page links carry its SQL with the names quoted.
  ExpectGolden("ten_records_page1.html", Report("/shop/r.ksp", db, "Customers", three), true);
  // As the page links ask for it.
  ExpectGolden("ten_records_page4.html",
               Report("/shop/r.ksp?PageKorVex=-2&CPKorVex=4&RecordsetKorVex=Customers&"
                      "SQLKorVex=%5BCustomers%5D",
                      db, "Customers", three),
               true);
}

TEST(TemplateReport, TemplateGrammar) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "t.db",
                                "CREATE TABLE T (ID INTEGER PRIMARY KEY, Name TEXT);"
                                "INSERT INTO T VALUES (1, 'Ann'), (2, '{ID} " +
                                    kCount + "');");
  struct Case {
    std::string text, expected;
  };
  const Case cases[] = {
      {"a" + kBegin + "bc\r\n" + kEnd + "d", "abc\rbc\rd|ap=256"},
      // Placeholders and the record number are replaced in the section only; a value holding
      // them is written as it is.
      {"{Name}" + kCount + "<!-- KORVEX TOTAL REC -->" + kBegin + "[" + kCount +
           ":{Name}:{ID}:{None}]\r\n" + kEnd + "{ID}<!-- KORVEX FIRST REC ON PAGE -->-" +
           "<!-- KORVEX LAST REC ON PAGE -->|<!-- KORVEX PAGINATION -->",
       "{Name}" + kCount +
           "2[1:Ann:1:{None}]\r[2:{ID} &lt;!-- KORVEX REC COUNT --&gt;:2:{None}]"
           "\r{ID}1-2|<b>1</b> |ap=256"},
      {"a" + kBegin + kEnd + "d", "ad|ap=256"},
      {"a" + kEnd + "b" + kBegin + "cd" + kEnd + "e", "a" + kEnd + "bcc" + "e|ap=256"},
      {"a" + kEnd + "b" + kBegin + "c", "End Loop Key Not Found|ap=1"},
      {"a" + kEnd + "b", "Begin Loop Key Not Found|ap=1"},
  };
  const std::string file = (folder.path() / "t.htm").string();
  for (const Case& c : cases) {
    WriteFile(file, c.text);
    EXPECT_EQ(Report("/r.ksp", db, "T", [&](auto& page) { page.Report->Template->Path = file; }),
              c.expected)
        << c.text;
  }
}

TEST(TemplateReport, LineBreaksAndMarkupInValuesFollowTheTwoFlags) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "t.db",
                                "CREATE TABLE T (Body TEXT); INSERT INTO T VALUES "
                                "('a < b\r\nc');");
  const std::string file = (folder.path() / "t.htm").string();
  WriteFile(file, kBegin + "{Body}|\r\n" + kEnd);
  struct Case {
    bool encode, breaks;
    std::string expected;
  };
  for (const Case& c : {Case{true, true, "a &lt; b<br>c|\r"}, Case{true, false, "a &lt; b\r\nc|\r"},
                        Case{false, true, "a < b<br>c|\r"}, Case{false, false, "a < b\r\nc|\r"}}) {
    EXPECT_EQ(Report("/r.ksp", db, "T",
                     [&](auto& page) {
                       page.Report->Template->Path = file;
                       page.Report->HtmlEncodeFields = c.encode;
                       page.Report->ReplaceVbCrLf = c.breaks;
                     }),
              c.expected + "|ap=256");
  }
}

TEST(TemplateReport, WhereClauseFilterAndSearchStatementChooseTheRecords) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db", CustomersSql(10));
  const std::string file = (folder.path() / "t.htm").string();
  WriteFile(file, "<!-- KORVEX TOTAL REC -->:" + kBegin + "{ID},\n" + kEnd);
  struct Case {
    std::string where, filter, expected;
  };
  const Case cases[] = {
      {" ", "", "10:1,2,3,4,5,6,7,8,9,10,"},
      {"WHERE ID > 6", "", "4:7,8,9,10,"},
      {"", "City = 'Town 1'", "4:1,4,7,10,"},
      {"WHERE ID > 6", "City = 'Town 1'", "2:7,10,"},
      // Nothing left: the header and footer alone, with zeros.
      {"WHERE ID > 100", "", "0:"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Report("/r.ksp", db, "Customers",
                     [&](auto& page) {
                       page.Report->Template->Path = file;
                       page.Report->WhereClause = c.where;
                       page.Report->Filter = Variant(c.filter);
                     }),
              c.expected + "|ap=256")
        << c.where << " / " << c.filter;
  }

  // A search result's statement is taken whole; the table's WHERE clause does not apply.
  PageResult search = RunReportPage(
      "/r.ksp?PageKorVex=-2&RecordsetKorVex=Customers&SQLKorVex=SELECT+*+FROM+Customers+WHERE+"
      "ID+%3C+3&SQLSignKorVex=" +
          TestSqlSignature("SELECT * FROM Customers WHERE ID < 3"),
      db, [&](AdminRecordset& page) {
        page.Report->Template->Path = file;
        page.Report->WhereClause = "WHERE ID > 6";
        page.DoSearchForm();
      });
  EXPECT_EQ(search.body, "2:1,2,");
}

// Every element name of an XML text, in document order; fails the test on malformed XML.
std::vector<std::string> ElementNames(const std::string& xml) {
  std::vector<std::string> names;
  XML_Parser parser = XML_ParserCreate("UTF-8");
  XML_SetUserData(parser, &names);
  XML_SetStartElementHandler(parser, [](void* data, const XML_Char* name, const XML_Char**) {
    static_cast<std::vector<std::string>*>(data)->push_back(name);
  });
  EXPECT_EQ(XML_Parse(parser, xml.data(), static_cast<int>(xml.size()), 1), XML_STATUS_OK)
      << XML_ErrorString(XML_GetErrorCode(parser));
  XML_ParserFree(parser);
  return names;
}

TEST(TemplateReport, XmlFormIsTheWholeResponseAndParsesBack) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db",
                                CustomersSql(10) +
                                    "UPDATE Customers SET Notes = 'x < y & \"z\"' "
                                    "WHERE ID = 4;");
  std::string body = Report("/r.ksp", db, "Customers", [](auto& page) {
    page.Report->IsXML = true;
    page.Report->Filter = Variant("City = 'Town 1'");
    page.Report->Template->Path = "/nowhere/at/all.htm";  // not read
  });
  ASSERT_TRUE(body.ends_with("</xml>\n|ap=256")) << body;
  body.resize(body.size() - std::string("|ap=256").size());
  EXPECT_TRUE(body.starts_with("<xml xmlns:s=")) << body;
  std::vector<std::string> names = ElementNames(body);
  EXPECT_EQ(std::count(names.begin(), names.end(), "z:row"), 4);
  EXPECT_EQ(std::count(names.begin(), names.end(), "s:AttributeType"), 8);
  EXPECT_NE(body.find("Notes='x &lt; y &amp; &quot;z&quot;'"), std::string::npos) << body;
}

TEST(TemplateReport, MissingTemplateFileOrTableIsRaised) {
  TempFolder folder;
  std::string db = MakeDatabase(folder, "shop.db", CustomersSql(2));
  PageResult no_file = RunReportPage("/r.ksp", db, [&](AdminRecordset& page) {
    page.recordset("Customers");
    page.Report->Template->Path = (folder.path() / "missing.htm").string();
    page.DoReport();
  });
  ASSERT_TRUE(no_file.error);
  EXPECT_EQ(no_file.error->number(), 53);
  EXPECT_EQ(no_file.body, "");
  PageResult no_table = RunReportPage("/r.ksp?RecordsetKorVex=Nowhere%5D", db,
                                      [&](AdminRecordset& page) { page.DoReport(); });
  ASSERT_TRUE(no_table.error);
  EXPECT_EQ(no_table.error->number(), -2147217865);
}

}  // namespace
}  // namespace korvex::testing
