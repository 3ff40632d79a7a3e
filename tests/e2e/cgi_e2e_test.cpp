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
  EXPECT_EQ(a.Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(a.body,
            "J\xC3\xBCrgen K&Co|1, 2|J\xC3\xBCrgen K&Co|"
            "&lt;a href=&#39;x&#39;&gt;&quot;&amp;|a+b%2F%C3%A9%7E");
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
