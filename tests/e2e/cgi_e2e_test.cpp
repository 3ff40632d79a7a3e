// `korvex cgi` run as a web server runs a CGI program: a fresh process per request, the request
// in environment variables and standard input, the answer on standard output.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/process.h"
#include "host/temp_folder.h"

namespace korvex::testing {
namespace {

struct CgiAnswer {
  int exit_status = -1;
  std::string status;  // "200 OK"
  std::vector<std::string> headers;
  std::string body;

  std::string Header(std::string_view name) const {
    for (const std::string& h : headers)
      if (h.starts_with(std::string(name) + ": ")) return h.substr(name.size() + 2);
    return "";
  }
};

class CgiProgram : public ::testing::Test {
 protected:
  /// Serves /t.ksp holding page; extra holds further "NAME=value" variables.
  CgiAnswer Request(const std::string& page, std::vector<std::string> extra = {},
                    const std::string& input = "", std::vector<std::string> args = {"cgi"}) {
    site_.Write("t.ksp", page);
    std::vector<std::string> env = {"REQUEST_METHOD=GET", "SCRIPT_NAME=/t.ksp",
                                    "SCRIPT_FILENAME=" + (site_.path() / "t.ksp").string(),
                                    "KORVEX_STATE_DIR=" + state_.path().string()};
    env.insert(env.end(), extra.begin(), extra.end());
    ProcessResult run = RunProcess(KorvexBinary(), args, env, input);
    CgiAnswer answer;
    answer.exit_status = run.exit_status;
    size_t end = run.out.find("\r\n\r\n");
    EXPECT_NE(end, std::string::npos) << run.out;
    if (end == std::string::npos) return answer;
    answer.body = run.out.substr(end + 4);
    for (size_t at = 0; at < end;) {
      size_t next = std::min(run.out.find("\r\n", at), end);
      answer.headers.push_back(run.out.substr(at, next - at));
      at = next + 2;
    }
    answer.status = answer.Header("Status");
    return answer;
  }

  host::testing::TempFolder site_, state_;
};

TEST_F(CgiProgram, ReadsTheQueryStringAndServerVariables) {
  CgiAnswer a = Request(
      "<%= Request.QueryString(\"b\") %>|<%= Request(\"a\") %>|"
      "<%= Request.ServerVariables(\"PATH_INFO\") %>",
      {"QUERY_STRING=a=1&b=x+y&b=%C3%A9"});
  EXPECT_EQ(a.exit_status, 0);
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(a.body, "x y, \xC3\xA9|1|/t.ksp");
}

// The page would find the extra path in every link and form action it writes.
TEST_F(CgiProgram, ExtraPathAfterThePageIsNotFound) {
  const std::string page = "<form action='<%= Request.ServerVariables(\"PATH_INFO\") %>'>";
  CgiAnswer a = Request(page, {"PATH_INFO=/'><img src=x onerror=alert(1)>"});
  EXPECT_EQ(a.exit_status, 0);
  EXPECT_EQ(a.status, "404 Not Found");
  EXPECT_EQ(a.body.find("<img"), std::string::npos) << a.body;
  EXPECT_EQ(a.body.find("<form"), std::string::npos) << a.body;
  // Servers that repeat the script's path there are served as usual.
  a = Request(page, {"PATH_INFO=/t.ksp"});
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.body, "<form action='/t.ksp'>");
}

TEST_F(CgiProgram, HelpLeavesHostAndOriginToTheFrontServer) {
  ProcessResult run = RunProcess(KorvexBinary(), {"cgi", "--help"}, {}, "");
  EXPECT_EQ(run.exit_status, 0);
  EXPECT_NE(run.out.find("Host and Origin checks"), std::string::npos) << run.out;
  EXPECT_NE(run.out.find("web server in front"), std::string::npos) << run.out;
}

TEST_F(CgiProgram, IsChosenByItselfUnderAWebServer) {
  CgiAnswer a = Request("<%= Request('q') %>", {"GATEWAY_INTERFACE=CGI/1.1", "QUERY_STRING=q=7"},
                        "", {"some", "words"});
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.body, "7");
}

TEST_F(CgiProgram, ReadsAPostedFormAndEncodes) {
  std::string body = "name=J%C3%BCrgen+K%26Co&x=1&x=2";
  CgiAnswer a = Request(
      "<%= Request.Form('name') %>|<%= Request.Form('X') %>|<%= Request('name') %>|"
      "<%= Server.HTMLEncode(\"<a href='x'>\\\"&\") %>|<%= Server.URLEncode('a b/\xC3\xA9~') %>",
      {"REQUEST_METHOD=POST", "CONTENT_TYPE=application/x-www-form-urlencoded",
       "CONTENT_LENGTH=" + std::to_string(body.size())},
      body);
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.body,
            "J\xC3\xBCrgen K&Co|1, 2|J\xC3\xBCrgen K&Co|"
            "&lt;a href=&#39;x&#39;&gt;&quot;&amp;|a+b%2F%C3%A9%7E");
}

TEST_F(CgiProgram, CreatesObjectsAndReportsCaughtErrorNumbers) {
  CgiAnswer a = Request(
      "<% var cal = Server.CreateObject(\"Korvex.calCalendar\"); %><%= cal.m1 %>|<%= cal.M12 %>|"
      "<% try { Server.CreateObject('Korvex.NoSuchThing') } catch (e) { %><%= e.number %><% } %>|"
      "<% try { cal.NoSuchMember } catch (e) { %><%= e.number %><% } %>");
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.body, "jan|dec|-2147221005|438");
}

TEST_F(CgiProgram, SessionValuesFollowTheCookie) {
  const std::string page =
      "<% var n = Session(\"Visits\"); Session.Visits = (n === undefined ? 0 : n) + 1; %>"
      "<%= Session(\"visits\") %>";
  CgiAnswer first = Request(page);
  EXPECT_EQ(first.body, "1");
  std::string set_cookie = first.Header("Set-Cookie");
  ASSERT_FALSE(set_cookie.empty());
  std::string cookie = set_cookie.substr(0, set_cookie.find(';'));

  EXPECT_EQ(Request(page, {"HTTP_COOKIE=" + cookie}).body, "2");
  EXPECT_EQ(Request(page, {"HTTP_COOKIE=" + cookie}).body, "3");
  EXPECT_EQ(Request(page).body, "1");
}

TEST_F(CgiProgram, ResponseEndAnswersWithWhatWasWritten) {
  CgiAnswer a = Request("first<% Response.Write(' second'); Response.End(); %> never");
  EXPECT_EQ(a.status, "200 OK");
  EXPECT_EQ(a.body, "first second");
}

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

}  // namespace
}  // namespace korvex::testing
