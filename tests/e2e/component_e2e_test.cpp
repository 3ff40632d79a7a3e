// Page scripts driving AdminRecordset through the real `korvex cgi` program: the data source
// rules, declarations, output operations, the settings objects' rules and the page code.
#include <gtest/gtest.h>

#include <string>

#include "e2e/cgi_page.h"

namespace korvex::testing {
namespace {

class ComponentPage : public ::testing::Test {
 protected:
  /// The body of /t.ksp holding script (inside <% %>) run with the query string.
  std::string Run(const std::string& script, const std::string& query = "") {
    site_.Write("t.ksp",
                "<% var K = Server.CreateObject(\"Korvex.AdminRecordset\");\n" + script + "\n%>");
    return CgiPageBody(site_, state_, "t.ksp", query);
  }
  /// Writes "number:description" of the error the statement raises, or "no error".
  static std::string Catch(const std::string& statement) {
    return "try { " + statement +
           "; Response.Write('no error'); } catch (e) { Response.Write(e.number + ':' + "
           "e.description); }";
  }

  host::testing::TempFolder site_, state_;
};

TEST_F(ComponentPage, DataSourceChoosesTheIdentifierSeparators) {
  EXPECT_EQ(Run("K.DatabasePath = 'C:\\\\data\\\\shop.mdb';\n"
                "Response.Write(K.ConnectionString + '|' + K.IdentifierLSeparator +"
                " K.IdentifierRSeparator);"),
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data\\shop.mdb;|[]");

  // An empty file is an empty SQLite database.
  std::string file = state_.Write("shop.db").string();
  EXPECT_EQ(Run("K.ConnectionString = 'Provider=SQLite;Data Source=" + file +
                "';\n"
                "Response.Write(K.IdentifierLSeparator + K.IdentifierRSeparator);"),
            "\"\"");

  // A separator the page sets first is kept, and the other stays empty.
  EXPECT_EQ(Run("K.IdentifierLSeparator = '`'; K.DatabasePath = 'shop.mdb';\n"
                "Response.Write('<' + K.IdentifierLSeparator + '|' + K.IdentifierRSeparator +"
                " '>');"),
            "<`|>");
}

TEST_F(ComponentPage, DeclarationsAndOutputOperations) {
  EXPECT_EQ(
      Run("K.HideField('Title');\n" + Catch("K.HideField('Title')") +
          ";\nResponse.Write('|' + K.EditForm.HiddenFields.Count + K.SearchForm.HiddenFields.Count"
          " + K.EditingList.RelatedRecords.HiddenFields.Count);"),
      "457:This key is already associated with an element of this collection|111");

  EXPECT_EQ(Run("K.DatabasePath = '/db/shop.mdb'; K.Info();", "RecordsetKorVex=Books"),
            "<pre><br>DatabasePath = /db/shop.mdb<br>Recordset    = <br></pre>");

  EXPECT_EQ(Run("Response.Write(K.Version + '|' + K.ActionPerformed + '|' +"
                " K.HE('a<b\\r\\nc', true) + '|' + K.HE('a<b\\r\\nc') + '|' + K.HE('x', false));"),
            "8.1.5|1|a&lt;b<br>c|a&lt;b\r\nc|x");
}

TEST_F(ComponentPage, SettingsObjectsApplyTheirRules) {
  EXPECT_EQ(Run(Catch("K.EditingList.ButtonEditCaption = ' '") +
                ";\nResponse.Write('|' + K.EditingList.ButtonEditCaption);"),
            "-2147221168:Property value could not be an empty string|Edit");
  EXPECT_EQ(Run("K.FileMan.Path = '/files'; Response.Write(K.FileMan.Path);"), "/files/");
  EXPECT_EQ(Run("K.EditForm.JavaScripts.RequiredErrorMessage = 'Type your \"name\"';\n"
                "Response.Write(K.EditForm.JavaScripts.RequiredErrorMessage);"),
            "Type your \\\"name\\\"");
}

TEST_F(ComponentPage, PageCodeIsReadFromTheQueryStringWithTheSuffix) {
  // With the suffix Z only PageZ counts: its overflow is raised, PageKorVex's text ignored.
  EXPECT_EQ(
      Run("K.CriptoPrefix = 'Z';\n" + Catch("K.DoEditingList()"), "PageKorVex=abc&PageZ=99999"),
      "6:Overflow");
  for (const auto& [query, error] :
       std::vector<std::pair<std::string, std::string>>{{"PageKorVex=abc", "13:Type mismatch"},
                                                        {"PageKorVex=", "13:Type mismatch"},
                                                        {"PageKorVex=99999", "6:Overflow"}}) {
    EXPECT_EQ(Run(Catch("K.AddNew()"), query), error) << query;
  }
}

}  // namespace
}  // namespace korvex::testing
