// `korvex serve` as a user runs it: the built binary in its own process on a free loopback
// port, driven over plain sockets.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <thread>

#include "e2e/process.h"
#include "http/http_test_support.h"

namespace korvex {
namespace {

using host::http::testing::Fetch;
using host::http::testing::Get;
using host::http::testing::RawConnection;
using host::http::testing::TempSite;
using namespace std::chrono_literals;

using Process = testing::KorvexProcess;

class ServeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    work_.Write("secret.txt", "TOP SECRET");
    work_.Write("site/hello.ksp",
                "<%= \"sum=\" + (1 + 2) %> <%= Server.HTMLEncode(Request(\"name\")) %> "
                "<%= Server.CreateObject(\"Korvex.calCalendar\").m1 %>");
    work_.Write("site/slow.ksp",
                "<% var t = new Date().getTime(); while (new Date().getTime() - t < 1000) {} %>"
                "slow done");
    work_.Write("site/style.css", "body { color: red }");
    site_ = work_.path() / "site";
  }

  // Starts the server on a free port with the extra arguments; 0 when it did not start.
  uint16_t Serve(std::vector<std::string> extra = {},
                 const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> args = {"serve", "--root", site_.string(), "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    server_ = std::make_unique<Process>(args, work_.path() / "server.log", env);
    return server_->WaitForPort();
  }

  // Runs the binary to its end; its exit status, with its output in `output`.
  int RunToEnd(const std::vector<std::string>& args, std::string& output,
               const std::map<std::string, std::string>& env = {}) {
    Process p(args, work_.path() / "run.log", env);
    int status = p.Wait();
    output = p.Output();
    return status;
  }

  TempSite work_;
  std::filesystem::path site_;
  std::unique_ptr<Process> server_;
};

TEST_F(ServeTest, ExplainsEveryOption) {
  std::string out;
  ASSERT_EQ(RunToEnd({"serve", "--help"}, out), 0);
  for (const char* option :
       {"--db", "--connection", "--root", "--bind", "--port", "--threads", "--max-body",
        "--read-timeout", "--user", "--password", "--insecure", "--host", "--allow-origin",
        "--max-sessions", "--help", "KORVEX_USER", "KORVEX_PASSWORD"}) {
    EXPECT_NE(out.find(option), std::string::npos) << option;
  }
  ASSERT_EQ(RunToEnd({"--help"}, out), 0);
  EXPECT_NE(out.find("serve"), std::string::npos);
}

TEST_F(ServeTest, RefusesToStartWithoutWhatItNeeds) {
  const std::string root = site_.string(), work = work_.path().string();
  struct Case {
    std::vector<std::string> args;
    int exit_status;
    std::string says;
  };
  const Case cases[] = {
      // A folder of pages names its database itself; the built-in site takes one name of it.
      {{"--root", root, "--db", "x.db"}, 2, ""},
      {{"--db", "x.db", "--connection", "Provider=SQLite"}, 2, ""},
      {{"--db", work + "/missing.db"}, 1, "no database file"},
      {{"--db", work + "/secret.txt"}, 1, "cannot open the database secret.txt"},
      // Beyond loopback only with a password, or when asked for in so many words.
      {{"--root", root, "--bind", "0.0.0.0"}, 2, "refusing to listen on 0.0.0.0"},
      {{"--root", root, "--bind", "0.0.0.0", "--user", "a"}, 2, ""},
      {{"--root", root, "--port", "70000"}, 2, ""},
      {{"--root", root, "--host", "example.org:80"},
       2,
       "not a host name (without port): \"example.org:80\""},
      {{"--root", root, "--allow-origin", "example.org"}, 2, ""},
      {{"--root", root, "--frobnicate"}, 2, ""},
      {{"--root", work + "/missing"}, 1, ""},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"serve"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    std::string out;
    EXPECT_EQ(RunToEnd(args, out), c.exit_status) << c.args.back();
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
  }
}

TEST_F(ServeTest, ServesPagesAndFilesAndNothingOutsideTheRootUntilStopped) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();

  // Two requests on one connection: a page, then a file.
  RawConnection c(port);
  c.Send(Get("/hello.ksp?name=%3Cb%3E"));
  auto r = c.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "sum=3 &lt;b&gt; jan");
  EXPECT_EQ(r->Header("Content-Type"), "text/html; charset=utf-8");
  c.Send(Get("/style.css"));
  r = c.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "body { color: red }");
  EXPECT_EQ(r->Header("Content-Type"), "text/css");

  r = Fetch(port, Get("/missing.html"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 404);

  // Every form of escape is tried against the resolver itself; here, the forms a request
  // line can take on its way there.
  const std::string secret = (work_.path() / "secret.txt").string();
  const std::pair<std::string, int> escapes[] = {
      {"/%2e%2e/secret.txt", 400},
      {"secret.txt", 400},
      {"http://127.0.0.1/../secret.txt", 400},
      {"/" + secret, 404},
  };
  for (const auto& [target, status] : escapes) {
    r = Fetch(port, Get(target));
    ASSERT_TRUE(r) << target;
    EXPECT_EQ(r->status, status) << target;
    EXPECT_EQ(r->body.find("TOP SECRET"), std::string::npos) << target;
  }

  // The stop signal closes the idle connection and lets a page in progress finish.
  RawConnection busy(port);
  busy.Send(Get("/slow.ksp"));
  std::this_thread::sleep_for(300ms);  // the page is running now (it takes a second)
  server_->Signal(SIGTERM);
  EXPECT_TRUE(c.WaitForClose());
  r = busy.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "slow done");
  EXPECT_EQ(server_->Wait(), 0);
  std::string log = server_->Output();
  EXPECT_NE(log.find("\"GET /hello.ksp\" 200 19 "), std::string::npos) << log;
  EXPECT_NE(log.find("\"GET /missing.html\" 404 "), std::string::npos) << log;
  EXPECT_NE(log.find("korvex: stopped"), std::string::npos) << log;
}

TEST_F(ServeTest, WithoutAPasswordAnswersOnlyLoopbackHostNames) {
  uint16_t port = Serve({"--max-body", "1000"});
  ASSERT_NE(port, 0) << server_->Output();
  const std::string me = "127.0.0.1:" + std::to_string(port);
  for (const std::string& host : {me, "localhost:" + std::to_string(port), std::string("[::1]")}) {
    auto r = Fetch(port, "GET /hello.ksp?name=x HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
    ASSERT_TRUE(r) << host;
    EXPECT_EQ(r->status, 200) << host;
  }
  // A site whose name was made to resolve to 127.0.0.1 reaches us under its own name.
  auto r = Fetch(port, "GET /hello.ksp?name=x HTTP/1.1\r\nHost: evil.example\r\n\r\n");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 421);
  EXPECT_EQ(r->body.find("sum="), std::string::npos);
  EXPECT_EQ(std::count(r->body.begin(), r->body.end(), '\n'), 1) << r->body;

  // Its pages cannot post forms here either; the site's own pages can.
  const std::string post = "POST /hello.ksp HTTP/1.1\r\nHost: " + me +
                           "\r\nContent-Type: application/x-www-form-urlencoded\r\n";
  r = Fetch(port, post + "Origin: http://evil.example\r\nContent-Length: 8\r\n\r\nname=abc");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 403);
  r = Fetch(port, post + "Origin: http://" + me + "\r\nContent-Length: 8\r\n\r\nname=abc");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "sum=3 abc jan");
  r = Fetch(port, post + "Content-Length: 2000\r\n\r\n" + std::string(2000, 'b'));  // --max-body
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 413);
}

TEST_F(ServeTest, WithAPasswordAnswersTheNamedHostsAndOrigins) {
  const std::string auth = "Authorization: Basic YWRtaW46czNjcmV0\r\n";  // admin:s3cret
  uint16_t port = Serve({"--user", "admin", "--host", "admin.example.org", "--allow-origin",
                         "https://admin.example.org"},
                        {{"KORVEX_PASSWORD", "s3cret"}});
  ASSERT_NE(port, 0) << server_->Output();
  struct Case {
    std::string headers;
    std::string method;
    int status;
  };
  const Case cases[] = {
      {"Host: admin.example.org\r\n" + auth, "GET", 200},
      {"Host: 127.0.0.1\r\n" + auth, "GET", 200},
      {"Host: other.example.org\r\n" + auth, "GET", 421},
      // Refused before the password is asked for.
      {"Host: other.example.org\r\n", "GET", 421},
      {"Host: admin.example.org\r\n", "GET", 401},
      {"Host: admin.example.org\r\nAuthorization: Basic YWRtaW46czNjcmV4\r\n", "GET",
       401},  // s3crex
      {"Host: admin.example.org\r\nOrigin: https://admin.example.org\r\n" + auth, "POST", 200},
      {"Host: admin.example.org\r\nOrigin: http://admin.example.org\r\n" + auth, "POST", 200},
      {"Host: admin.example.org\r\nOrigin: https://evil.example\r\n" + auth, "POST", 403},
  };
  for (const Case& c : cases) {
    auto r = Fetch(port,
                   c.method + " /hello.ksp HTTP/1.1\r\n" + c.headers + "Content-Length: 0\r\n\r\n");
    ASSERT_TRUE(r) << c.headers;
    EXPECT_EQ(r->status, c.status) << c.method << " " << c.headers;
  }
}

}  // namespace
}  // namespace korvex
