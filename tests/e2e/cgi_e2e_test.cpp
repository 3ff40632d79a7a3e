// `korvex cgi` run as a web server runs a CGI program: a fresh process per request, the request
// in environment variables and standard input, the answer on standard output.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "e2e/cgi_page.h"

namespace korvex::testing {
namespace {

class CgiProgram : public ::testing::Test {
 protected:
  /// Serves /t.ksp holding page.
  CgiAnswer Request(const std::string& page, const std::vector<std::string>& extra = {},
                    const std::string& input = "", const std::vector<std::string>& args = {"cgi"}) {
    site_.Write("t.ksp", page);
    return RunCgi(site_, state_, "t.ksp", extra, input, args);
  }

  host::testing::TempFolder site_, state_;
};

// Under a web server the gateway variable chooses the mode whatever the arguments; the posted
// form is read from the real standard input.
TEST_F(CgiProgram, IsChosenByItselfUnderAWebServerAndReadsThePostedForm) {
  ProcessResult help = RunProcess({"cgi", "--help"}, {}, "");
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_NE(help.out.find("Host and Origin checks"), std::string::npos) << help.out;
  EXPECT_NE(help.out.find("web server in front"), std::string::npos) << help.out;

  std::string body = "name=J%C3%BCrgen+K%26Co&x=1&x=2";
  CgiAnswer a = Request("<%= Request.Form('name') %>|<%= Request.Form('X') %>|<%= Request('q') %>",
                        {"GATEWAY_INTERFACE=CGI/1.1", "QUERY_STRING=q=7", "REQUEST_METHOD=POST",
                         "CONTENT_TYPE=application/x-www-form-urlencoded",
                         "CONTENT_LENGTH=" + std::to_string(body.size())},
                        body, {"some", "words"});
  EXPECT_EQ(a.exit_status, 0);
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(a.body, "J\xC3\xBCrgen K&Co|1, 2|7");
}

// Every request is a new process: sessions live in a file of the state folder.
TEST_F(CgiProgram, SessionValuesFollowTheCookie) {
  const std::string page =
      "<% var n = Session(\"Visits\"); Session.Visits = (n === undefined ? 0 : n) + 1; %>"
      "<%= Session(\"visits\") %>";
  CgiAnswer first = Request(page);
  EXPECT_EQ(first.body, "1");
  EXPECT_TRUE(std::filesystem::exists(state_.path() / "sessions.db"));
  std::string set_cookie = first.Header("Set-Cookie");
  ASSERT_FALSE(set_cookie.empty());
  std::string cookie = set_cookie.substr(0, set_cookie.find(';'));

  EXPECT_EQ(Request(page, {"HTTP_COOKIE=" + cookie}).body, "2");
  EXPECT_EQ(Request(page, {"HTTP_COOKIE=" + cookie}).body, "3");
  EXPECT_EQ(Request(page).body, "1");
}

// The notice itself is the page runner's; the program still ends cleanly with a 500 status.
TEST_F(CgiProgram, AnEscapingErrorAnswers500WithItsNumberAndDescription) {
  CgiAnswer a = Request(
      "partial\r\n<% var cal = Server.CreateObject('Korvex.calCalendar');\r\n"
      "cal.NoSuchMember; %>rest");
  EXPECT_EQ(a.exit_status, 0);
  EXPECT_EQ(a.status, "500 Internal Server Error");
  EXPECT_TRUE(a.body.starts_with("partial\r\n")) << a.body;
  EXPECT_NE(a.body.find("error 438"), std::string::npos) << a.body;
  EXPECT_NE(a.body.find("NoSuchMember"), std::string::npos) << a.body;
  EXPECT_NE(a.body.find("/t.ksp, line 3"), std::string::npos) << a.body;
  EXPECT_EQ(a.body.find("rest"), std::string::npos);
}

// The built-in site: the web server runs the program for every path, and only the site's own
// files answer, whatever page file or folder the environment names.
TEST(CgiBuiltInSite, AnswersTheSitesOwnPathsOnly) {
  host::testing::TempFolder site, state;
  const std::filesystem::path database = state.path() / "shop.db";
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db,
                         "CREATE TABLE \"Odd name\" (ID INTEGER PRIMARY KEY, Label TEXT);"
                         "INSERT INTO \"Odd name\" (Label) VALUES ('first')",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  site.Write("t.ksp", "a page of another site");
  const std::string uses_db = "KORVEX_DB=" + database.string();

  struct Case {
    std::vector<std::string> env;
    std::string status, has;
  } cases[] = {
      {{"SCRIPT_NAME=/"}, "200 OK", "/table.ksp?RecordsetKorVex=Odd+name\">Odd name<"},
      {{"SCRIPT_NAME=/table.ksp", "QUERY_STRING=RecordsetKorVex=Odd+name"}, "200 OK", "first"},
      {{"SCRIPT_NAME=/cgi-bin/korvex", "PATH_INFO=/table.ksp",
        "QUERY_STRING=RecordsetKorVex=Odd+name"},
       "200 OK",
       "first"},
      {{"SCRIPT_NAME=/site.css"}, "200 OK", "{"},
      {{"SCRIPT_NAME=/table.ksp", "QUERY_STRING=RecordsetKorVex=Nothing"}, "404 Not Found", ""},
      {{"SCRIPT_NAME=/table.ksp/x", "QUERY_STRING=RecordsetKorVex=Odd+name"}, "404 Not Found", ""},
      {{"SCRIPT_NAME=/../index.ksp"}, "404 Not Found", ""},
      {{"SCRIPT_NAME=/index.ksp/"}, "404 Not Found", ""},
      {{"SCRIPT_NAME=/t.ksp"}, "404 Not Found", ""},
      {{"SCRIPT_NAME="}, "404 Not Found", ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> env = c.env;
    env.push_back(uses_db);
    CgiAnswer a = RunCgi(site, state, "t.ksp", env);
    EXPECT_EQ(a.exit_status, 0) << c.env[0];
    EXPECT_EQ(a.status, c.status) << c.env[0] << "\n" << a.body;
    EXPECT_NE(a.body.find(c.has), std::string::npos) << c.env[0] << "\n" << a.body;
    EXPECT_EQ(a.body.find("another site"), std::string::npos) << c.env[0];
  }
  EXPECT_EQ(RunCgi(site, state, "t.ksp", {"SCRIPT_NAME=/site.css", uses_db}).Header("Content-Type"),
            "text/css; charset=utf-8");

  // A site that is not set up says so without naming the machine's folders, and a mistyped
  // database name makes no empty database.
  const std::string missing = (state.path() / "missing.db").string();
  for (const std::vector<std::string>& env :
       {std::vector<std::string>{"KORVEX_DB=" + missing},
        std::vector<std::string>{uses_db, "KORVEX_CONNECTION=Provider=SQLite;Data Source=x.db"},
        std::vector<std::string>{"KORVEX_CONNECTION="}}) {
    std::vector<std::string> all = env;
    all.push_back("SCRIPT_NAME=/");
    CgiAnswer a = RunCgi(site, state, "t.ksp", all);
    EXPECT_EQ(a.exit_status, 0) << env[0];
    EXPECT_EQ(a.status, "500 Internal Server Error") << env[0];
    EXPECT_EQ(a.body.find(state.path().string()), std::string::npos) << a.body;
  }
  EXPECT_FALSE(std::filesystem::exists(missing));
}

}  // namespace
}  // namespace korvex::testing
