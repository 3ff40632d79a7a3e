#include "host/http/server.h"

#include <gtest/gtest.h>
#include <utime.h>

#include <atomic>
#include <mutex>
#include <thread>

#include "host/http/static_files.h"
#include "http/http_test_support.h"

namespace korvex::host::http {
namespace {

using testing::Get;
using testing::RawConnection;
using testing::RawResponse;

// A page that reports what it was given, with a few switches in the query string.
ResponseData EchoPage(const RequestData& d, std::atomic<int>& started) {
  ++started;
  ResponseData r;
  if (d.query_string == "sleep") std::this_thread::sleep_for(std::chrono::milliseconds(600));
  if (d.query_string == "throw") throw std::runtime_error("page broke");
  if (d.query_string == "inject") {
    r.headers.emplace_back("X-Bad", "a\r\nSet-Cookie: evil=1");
    r.headers.emplace_back("Bad Name", "x");
    r.headers.emplace_back("Content-Length", "999");
  }
  if (d.query_string == "nocontent") r.status = 204;
  if (d.query_string == "ownpolicy") {
    r.headers.emplace_back("Referrer-Policy", "no-referrer");
    r.headers.emplace_back("Content-Security-Policy", "default-src 'self'");
  }
  std::string header;
  for (const auto& [name, value] : d.headers) {
    if (name == "X-Test") header = value;
  }
  r.headers.emplace_back("Set-Cookie", "K=1; HttpOnly");
  r.body = d.method + "|" + d.script_name + "|" + d.query_string + "|" + d.body + "|" +
           d.remote_addr + "|" + d.server_name + "|" + header + "|" +
           std::filesystem::path(d.script_filename).filename().string();
  if (d.query_string == "who") {
    r.body = d.remote_addr + "|" + d.server_name + "|" + d.server_port + "|" +
             (d.secure ? "https" : "http");
  }
  if (d.query_string == "stream" || d.query_string == "streambreaks") {
    r.body = "head;";
    const bool breaks = d.query_string == "streambreaks";
    r.body_stream = [n = 0, breaks](std::string& out) mutable {
      if (breaks && n == 1) throw std::runtime_error("the rows ran away");
      out += std::to_string(++n) + ";";
      return n < 3;
    };
  }
  return r;
}

class ServerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("a/page.ksp", "");
    site_.Write("style.css", "body{}");
  }

  void Start(ServerConfig config = {}) {
    config.port = 0;
    config.site_root = site_.path();
    config.handle_signals = false;
    config.workers = 4;
    if (config.max_body == ServerConfig{}.max_body) config.max_body = 1024;
    config.page_handler = [this](const RequestData& d) { return EchoPage(d, started_); };
    server_ = std::make_unique<Server>(std::move(config), log_);
    thread_ = std::thread([this] { server_->Run(); });
  }

  void StopAndWait() {
    if (!server_) return;
    server_->Stop();
    thread_.join();
    server_.reset();
  }

  void TearDown() override { StopAndWait(); }

  uint16_t port() const { return server_->port(); }

  std::vector<std::string> Lines() {
    std::lock_guard lock(mutex_);
    return lines_;
  }

  testing::TempSite site_;
  std::atomic<int> started_{0};
  std::mutex mutex_;
  std::vector<std::string> lines_;
  AccessLog log_{[this](std::string_view line) {
    std::lock_guard lock(mutex_);
    lines_.emplace_back(line);
  }};
  std::unique_ptr<Server> server_;
  std::thread thread_;
};

TEST_F(ServerTest, RunsPagesWithWhatTheyNeedFromTheRequest) {
  ServerConfig config;
  config.host_names = {"example.org"};
  Start(config);
  auto r = testing::Fetch(port(), Get("/a/page.ksp?x=1&y=%20", "X-Test: hello\r\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(r->body, "GET|/a/page.ksp|x=1&y=%20||127.0.0.1|127.0.0.1|hello|page.ksp");
  EXPECT_EQ(r->Header("Content-Type"), "text/html; charset=utf-8");
  EXPECT_EQ(r->Header("Set-Cookie"), "K=1; HttpOnly");

  r = testing::Fetch(port(),
                     "POST /a/page.ksp HTTP/1.1\r\nHost: example.org:99\r\nContent-Length: 7\r\n"
                     "Content-Type: application/x-www-form-urlencoded\r\n\r\nname=ab");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "POST|/a/page.ksp||name=ab|127.0.0.1|example.org||page.ksp");
}

// A streamed body goes out in chunks after what the page wrote; a producer that fails halfway
// cuts the connection before the last chunk, so a client never takes a part for the whole.
TEST_F(ServerTest, StreamsABodyInChunksAndCutsItWhenTheProducerFails) {
  Start();
  auto r = testing::Fetch(port(), Get("/a/page.ksp?stream"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Header("Transfer-Encoding"), "chunked");
  EXPECT_EQ(r->body, "head;1;2;3;");
  testing::RawConnection broken(port());
  ASSERT_TRUE(broken.Send(Get("/a/page.ksp?streambreaks")));
  EXPECT_FALSE(broken.Read());
  EXPECT_TRUE(broken.WaitForClose());
}

// Pages write their own path unencoded into links and form actions, so a path going on after
// a page's name would put the visitor's text there: it names nothing.
TEST_F(ServerTest, ExtraPathAfterAPageOrFileIsNotFound) {
  Start();
  for (const char* target :
       {"/a/page.ksp/'%3E%3Cimg%20src=x%20onerror=alert(1)%3E?x=1", "/a/page.ksp/'><img",
        "/a/page.ksp/", "/a/page.ksp//", "/a/page.ksp/.", "/a/page.ksp/%2e", "/a/page.ksp/extra",
        "/style.css/", "/style.css/x"}) {
    auto r = testing::Fetch(port(), Get(target));
    ASSERT_TRUE(r) << target;
    EXPECT_EQ(r->status, 404) << target;
    EXPECT_EQ(r->body, "404 Not Found\n") << target;
  }
  EXPECT_EQ(started_, 0);
}

TEST_F(ServerTest, RefusesOtherHostNamesAndOtherSitesWritesWithoutRunningThePage) {
  Start();
  const std::string post_head = "POST /a/page.ksp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::string form = "Content-Length: 3\r\n\r\nx=1";
  struct Case {
    std::string request;
    int status;
    std::string body;
  };
  const Case cases[] = {
      {"GET /a/page.ksp HTTP/1.1\r\nHost: evil.example:8080\r\n\r\n", 421,
       "421 Misdirected Request: this server does not answer for the host name in the request "
       "(korvex serve --host NAME lists the names it answers for)\n"},
      {"GET /style.css HTTP/1.1\r\n\r\n", 400,
       "400 Bad Request: an HTTP/1.1 request must name its host\n"},
      {post_head + "Origin: http://evil.example\r\n" + form, 403,
       "403 Forbidden: a page of another origin may not send this request "
       "(korvex serve --allow-origin ORIGIN accepts one)\n"},
      {post_head + "Referer: http://evil.example/form.html\r\n" + form, 403, ""},
  };
  for (const Case& c : cases) {
    auto r = testing::Fetch(port(), c.request);
    ASSERT_TRUE(r) << c.request;
    EXPECT_EQ(r->status, c.status) << c.request;
    if (!c.body.empty()) {
      EXPECT_EQ(r->body, c.body);
    }
    EXPECT_EQ(r->Header("Content-Type"), "text/plain; charset=utf-8");
  }
  EXPECT_EQ(started_, 0);

  // The page's own origin, or no word of one, gets through.
  for (const char* from :
       {"Origin: http://127.0.0.1\r\n", "Referer: http://127.0.0.1/a/page.ksp?x=1\r\n", ""}) {
    auto r = testing::Fetch(port(), post_head + from + form);
    ASSERT_TRUE(r) << from;
    EXPECT_EQ(r->status, 200) << from;
  }

  StopAndWait();
  std::vector<std::string> lines = Lines();
  ASSERT_EQ(lines.size(), 7u + 1u);  // the requests, then the stop's note
  EXPECT_NE(lines[0].find("\"GET /a/page.ksp\" 421 "), std::string::npos) << lines[0];
  EXPECT_TRUE(lines[0].ends_with("ms refused: Host \"evil.example:8080\"")) << lines[0];
  EXPECT_TRUE(lines[1].ends_with("ms refused: Host \"\"")) << lines[1];
  EXPECT_TRUE(lines[2].ends_with("ms refused: Origin \"http://evil.example\"")) << lines[2];
  EXPECT_TRUE(lines[3].ends_with("ms refused: Referer \"http://evil.example/form.html\""))
      << lines[3];
  EXPECT_EQ(lines[4].find("refused"), std::string::npos) << lines[4];
}

TEST_F(ServerTest, EveryAnswerCarriesTheSecurityHeaders) {
  Start();
  RawConnection c(port());
  for (const char* target : {"/a/page.ksp", "/style.css", "/missing", "/a"}) {
    c.Send(Get(target));
    auto r = c.Read();
    ASSERT_TRUE(r) << target;
    EXPECT_EQ(r->Header("X-Content-Type-Options"), "nosniff") << target;
    EXPECT_EQ(r->Header("Referrer-Policy"), "same-origin") << target;
    EXPECT_EQ(r->Header("Content-Security-Policy"), "frame-ancestors 'self'") << target;
  }
  // Refusals by the gate and by the reader too.
  for (const std::string& request :
       {std::string("GET / HTTP/1.1\r\nHost: evil.example\r\n\r\n"),
        Get("/style.css", "X-Big: " + std::string(17 * 1024, 'a') + "\r\n")}) {
    auto r = testing::Fetch(port(), request);
    ASSERT_TRUE(r);
    EXPECT_GE(r->status, 400);
    EXPECT_EQ(r->Header("X-Content-Type-Options"), "nosniff") << r->status;
    EXPECT_EQ(r->Header("Content-Security-Policy"), "frame-ancestors 'self'") << r->status;
  }

  // A page's own policies are kept; the framing rule still comes with them.
  auto r = testing::Fetch(port(), Get("/a/page.ksp?ownpolicy"));
  ASSERT_TRUE(r);
  std::vector<std::string> policies, referrer;
  for (const auto& [name, value] : r->headers) {
    if (name == "Content-Security-Policy") policies.push_back(value);
    if (name == "Referrer-Policy") referrer.push_back(value);
  }
  EXPECT_EQ(policies, (std::vector<std::string>{"default-src 'self'", "frame-ancestors 'self'"}));
  EXPECT_EQ(referrer, std::vector<std::string>{"no-referrer"});
}

// One connection through files, conditional and HEAD requests, refused methods and failing
// pages: every answer is whole, so the next one reads right after it.
TEST_F(ServerTest, AnswersFilesAndPageFailuresOnOneConnection) {
  utimbuf times{1700000000, 1700000000};
  ASSERT_EQ(utime((site_.path() / "style.css").c_str(), &times), 0);
  Start();
  const std::string css = Get("/style.css");
  const std::string since = "If-Modified-Since: Tue, 14 Nov 2023 22:13:";
  struct Exchange {
    std::string request;
    int status;
    std::vector<std::pair<std::string, std::string>> headers;  // "": not sent
    const char* body;                                          // nullptr: not checked
  };
  const Exchange exchanges[] = {
      {css,
       200,
       {{"Content-Type", "text/css"}, {"Last-Modified", "Tue, 14 Nov 2023 22:13:20 GMT"}},
       "body{}"},
      {Get("/style.css", since + "20 GMT\r\n"), 304, {}, nullptr},
      {Get("/style.css", since + "19 GMT\r\n"), 200, {}, "body{}"},
      {"HEAD /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n",
       200,
       {{"Content-Length", "6"}},
       nullptr},
      {css, 200, {}, "body{}"},  // nothing of the HEAD answer's body was left behind
      {"POST /style.css HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n",
       405,
       {},
       nullptr},
      {Get("/a"), 301, {{"Location", "/a/"}}, nullptr},
      {Get("/a/page.ksp?throw"), 500, {}, nullptr},
      // Headers that would split the response, or that the server owns, never reach the wire.
      {Get("/a/page.ksp?inject"),
       200,
       {{"X-Bad", ""}, {"Set-Cookie", "K=1; HttpOnly"}},
       "GET|/a/page.ksp|inject||127.0.0.1|127.0.0.1||page.ksp"},
      {Get("/a/page.ksp?nocontent"), 204, {}, ""},
      {"PUT /a/page.ksp HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n",
       405,
       {{"Allow", "GET, HEAD, POST"}},
       nullptr},
  };
  RawConnection c(port());
  for (const Exchange& x : exchanges) {
    c.Send(x.request);
    auto r = c.Read(x.request.starts_with("HEAD") || x.status == 304);
    ASSERT_TRUE(r) << x.request;
    EXPECT_EQ(r->status, x.status) << x.request;
    for (const auto& [name, value] : x.headers) EXPECT_EQ(r->Header(name), value) << x.request;
    if (x.body) {
      EXPECT_EQ(r->body, x.body) << x.request;
    }
  }

  StopAndWait();
  std::vector<std::string> lines = Lines();
  ASSERT_GE(lines.size(), 2u);
  EXPECT_NE(lines[0].find(" 127.0.0.1 \"GET /style.css\" 200 6 "), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("\"GET /style.css\" 304 0 "), std::string::npos) << lines[1];
}

TEST_F(ServerTest, KeepsConnectionsAliveAndAnswersPipelinedRequestsInOrder) {
  Start();
  RawConnection c(port());
  c.Send(Get("/a/page.ksp?1") + Get("/style.css") + Get("/a/page.ksp?3"));
  for (const char* expected : {"|1|", "body{}", "|3|"}) {
    auto r = c.Read();
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find(expected), std::string::npos) << r->body;
    EXPECT_NE(r->Header("Connection"), "close");
  }

  // HTTP/1.0 without keep-alive, or an explicit close: one answer, then the end.
  RawConnection old(port());
  old.Send("GET /style.css HTTP/1.0\r\n\r\n");
  ASSERT_TRUE(old.Read());
  EXPECT_TRUE(old.WaitForClose());
  RawConnection closing(port());
  closing.Send(Get("/style.css", "Connection: close\r\n"));
  auto r = closing.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->Header("Connection"), "close");
  EXPECT_TRUE(closing.WaitForClose());
}

TEST_F(ServerTest, RefusesOversizeHeadersAndBodies) {
  Start();
  // The body limit here is 1024 bytes: exactly that passes, one more is refused before the body
  // is read, and a chunked body is counted as it arrives.
  const std::string post = "POST /a/page.ksp HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  auto sized = [&](size_t n) {
    return post + "Content-Length: " + std::to_string(n) + "\r\n\r\n" + std::string(n, 'b');
  };
  std::string chunked = post + "Transfer-Encoding: chunked\r\n\r\n";
  for (int i = 0; i < 3; ++i) chunked += "200\r\n" + std::string(512, 'c') + "\r\n";
  chunked += "0\r\n\r\n";
  const std::pair<std::string, int> cases[] = {
      {Get("/style.css", "X-Big: " + std::string(15 * 1024, 'a') + "\r\n"), 200},
      {Get("/style.css", "X-Big: " + std::string(17 * 1024, 'a') + "\r\n"), 431},
      {sized(1024), 200},
      {sized(1025), 413},
      {sized(200 * 1024), 413},
      {chunked, 413},
      // A client waiting for permission to send learns at once.
      {post + "Content-Length: 5000\r\nExpect: 100-continue\r\n\r\n", 413},
  };
  for (const auto& [request, status] : cases) {
    RawConnection c(port());
    c.Send(request);
    auto r = c.Read();
    ASSERT_TRUE(r) << request.substr(0, 80);
    EXPECT_EQ(r->status, status) << request.substr(0, 80);
    // What was left unread of a refused request must never be taken for the next one.
    if (status != 200) {
      EXPECT_TRUE(c.WaitForClose()) << request.substr(0, 80);
    }
  }
}

TEST_F(ServerTest, ContinuesAnExpectingUpload) {
  Start();
  RawConnection c(port());
  c.Send(
      "POST /a/page.ksp HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 3\r\nExpect: "
      "100-continue\r\n\r\n");
  // The interim answer comes before the body is sent.
  auto interim = c.Read(true);
  ASSERT_TRUE(interim);
  EXPECT_EQ(interim->status, 100);
  c.Send("abc");
  auto r = c.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_NE(r->body.find("|abc|"), std::string::npos);
}

TEST_F(ServerTest, ClosesConnectionsThatSendTooSlowly) {
  ServerConfig config;
  config.read_timeout = std::chrono::seconds(1);
  Start(config);
  RawConnection c(port());
  c.Send("GET /style.css HTTP/1.1\r\nHost:");
  EXPECT_TRUE(c.WaitForClose(std::chrono::seconds(5)));
  RawConnection idle(port());
  EXPECT_TRUE(idle.WaitForClose(std::chrono::seconds(5)));
  StopAndWait();
  std::vector<std::string> lines = Lines();
  bool logged_timeout = false;
  for (const auto& line : lines)
    logged_timeout |= line.find("\"GET /style.css\" 408") != std::string::npos;
  EXPECT_TRUE(logged_timeout);
}

TEST_F(ServerTest, AsksForCredentialsBeforeAnythingElse) {
  ServerConfig config;
  config.credentials = BasicCredentials{"admin", "s3cret"};
  Start(config);
  auto r = testing::Fetch(port(), Get("/missing.txt"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 401);
  EXPECT_EQ(r->Header("WWW-Authenticate"), "Basic realm=\"Korvex\", charset=\"UTF-8\"");
  r = testing::Fetch(port(), Get("/a/page.ksp", "Authorization: Basic YWRtaW46d3Jvbmc=\r\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 401);
  EXPECT_EQ(started_, 0);
  r = testing::Fetch(port(), Get("/a/page.ksp", "Authorization: Basic YWRtaW46czNjcmV0\r\n"));
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
}

TEST_F(ServerTest, StopAnswersEveryRequestInProgressThenReturns) {
  Start();
  RawConnection idle(port());
  idle.Send(Get("/style.css"));
  ASSERT_TRUE(idle.Read());

  constexpr int kBusy = 4;
  std::vector<std::unique_ptr<RawConnection>> busy;
  for (int i = 0; i < kBusy; ++i) {
    busy.push_back(std::make_unique<RawConnection>(port()));
    busy.back()->Send(Get("/a/page.ksp?sleep"));
  }
  for (int i = 0; i < 200 && started_ < kBusy; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(started_, kBusy);
  // Sent just before the stop: on loopback its bytes are at the server when Send returns,
  // whether or not the server has accepted the connection yet.
  RawConnection late(port());
  late.Send(Get("/style.css"));
  uint16_t stopped_port = port();
  server_->Stop();

  EXPECT_TRUE(idle.WaitForClose());
  for (auto& c : busy) {
    auto r = c->Read();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->status, 200);
    EXPECT_NE(r->body.find("|sleep|"), std::string::npos);
    EXPECT_EQ(r->Header("Connection"), "close");
    EXPECT_TRUE(c->WaitForClose());
  }
  auto r = late.Read();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->body, "body{}");
  thread_.join();
  server_.reset();
  EXPECT_THROW(RawConnection{stopped_port}, std::runtime_error);
}

TEST_F(ServerTest, StopAnswersRequestsPipelinedBehindTheOneInProgress) {
  Start();
  RawConnection c(port());
  c.Send(Get("/a/page.ksp?sleep") + Get("/style.css") + Get("/a/page.ksp?3"));
  for (int i = 0; i < 200 && started_ < 1; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ASSERT_EQ(started_, 1);
  server_->Stop();
  for (const char* expected : {"|sleep|", "body{}", "|3|"}) {
    auto r = c.Read();
    ASSERT_TRUE(r) << expected;
    EXPECT_NE(r->body.find(expected), std::string::npos) << r->body;
    EXPECT_EQ(r->Header("Connection") == "close", std::string_view(expected) == "|3|");
  }
  EXPECT_TRUE(c.WaitForClose());
}

// The test client connects from 127.0.0.1: trusted in one server, a stranger to the other.
TEST_F(ServerTest, BelievesForwardedHeadersOnlyFromItsProxies) {
  const std::string who = "GET /a/page.ksp?who HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::string post = "POST /a/page.ksp?who HTTP/1.1\r\nHost: 127.0.0.1\r\n";
  const std::string form = "Content-Length: 3\r\n\r\nx=1";
  const std::string visitor =
      "X-Forwarded-For: 203.0.113.7\r\nX-Forwarded-Proto: https\r\n"
      "X-Forwarded-Host: admin.example.org\r\n";
  struct Case {
    std::string proxy;  // the server's --trusted-proxy
    std::string request;
    int status;
    std::string body;  // what the page saw, when answered
  };
  const Case cases[] = {
      {"127.0.0.1", who + visitor + "\r\n", 200, "203.0.113.7|admin.example.org|443|https"},
      // What a visitor prepends is passed over; proxies of our own are walked past.
      {"127.0.0.1",
       who + "X-Forwarded-For: 1.2.3.4, 203.0.113.7\r\nX-Forwarded-For: 10.0.0.9\r\n\r\n", 200,
       "203.0.113.7|127.0.0.1|8|http"},
      {"127.0.0.1", who + "X-Forwarded-For: not-an-address\r\n\r\n", 200,
       "127.0.0.1|127.0.0.1|8|http"},
      {"127.0.0.1", who + "X-Forwarded-Host: admin.example.org:8443\r\n\r\n", 200,
       "127.0.0.1|admin.example.org|8443|http"},
      // The Host check and the origin check see what the proxy saw.
      {"127.0.0.1", who + "X-Forwarded-Host: evil.example\r\n\r\n", 421, ""},
      {"127.0.0.1", post + visitor + "Origin: https://admin.example.org\r\n" + form, 200,
       "203.0.113.7|admin.example.org|443|https"},
      {"127.0.0.1", post + visitor + "Origin: http://admin.example.org\r\n" + form, 403, ""},
      // From anyone else the headers are a claim: ignored, whatever they say.
      {"127.0.0.2", who + visitor + "\r\n", 200, "127.0.0.1|127.0.0.1|8|http"},
      {"127.0.0.2",
       "GET /a/page.ksp?who HTTP/1.1\r\nHost: evil.example\r\n"
       "X-Forwarded-Host: admin.example.org\r\n\r\n",
       421, ""},
  };
  for (const std::string proxy : {"127.0.0.1", "127.0.0.2"}) {
    ServerConfig config;
    config.host_names = {"admin.example.org"};
    config.trusted_proxies = {proxy, "10.0.0.9"};
    Start(config);
    for (const Case& c : cases) {
      if (c.proxy != proxy) continue;
      auto r = testing::Fetch(port(), c.request);
      ASSERT_TRUE(r) << c.request;
      EXPECT_EQ(r->status, c.status) << c.request;
      if (c.status != 200) continue;
      std::string expected = c.body;
      // "|8|" stands for the server's own port, unknown until it started.
      if (size_t at = expected.find("|8|"); at != std::string::npos)
        expected.replace(at + 1, 1, std::to_string(port()));
      EXPECT_EQ(r->body, expected) << c.request;
    }
    StopAndWait();
  }
  std::vector<std::string> lines = Lines();
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find(" 203.0.113.7 \"GET /a/page.ksp\" 200 "), std::string::npos) << lines[0];

  AccessLog quiet([](std::string_view) {});
  ServerConfig bad;
  bad.handle_signals = false;
  bad.port = 0;
  bad.site_root = site_.path();
  bad.trusted_proxies = {"proxy.example"};
  EXPECT_THROW(Server(bad, quiet), std::invalid_argument);
}

TEST(ServerSetup, RefusesWhatItCannotServe) {
  AccessLog log([](std::string_view) {});
  ServerConfig config;
  config.handle_signals = false;
  config.port = 0;
  config.site_root = "/nonexistent/korvex";
  EXPECT_THROW(Server(config, log), std::runtime_error);
  config.site_root = std::filesystem::temp_directory_path();
  config.address = "localhost";
  EXPECT_THROW(Server(config, log), std::runtime_error);
  config.address = "127.0.0.1";
  config.host_names = {"example.org:80"};
  EXPECT_THROW(Server(config, log), std::invalid_argument);
  config.host_names = {};
  config.allowed_origins = {"example.org"};
  EXPECT_THROW(Server(config, log), std::invalid_argument);
}

}  // namespace
}  // namespace korvex::host::http
