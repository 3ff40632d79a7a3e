#include "host/cgi.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/memory_host.h"
#include "host/temp_folder.h"

namespace korvex::host {
namespace {

using testing::TempFolder;

/// A site with one page and a private state folder, served through the CGI adapter.
class Cgi : public ::testing::Test {
 protected:
  Cgi() {
    page_file_ = site_.Write("www/t.ksp", "<% page %>");
    env_ = {{"REQUEST_METHOD", "GET"},
            {"SCRIPT_NAME", "/t.ksp"},
            {"SCRIPT_FILENAME", page_file_.string()},
            {"DOCUMENT_ROOT", (site_.path() / "www").string()},
            {"SERVER_NAME", "example.test"},
            {"SERVER_PORT", "8443"},
            {"REMOTE_ADDR", "192.0.2.7"},
            {"KORVEX_STATE_DIR", (state_.path() / "state").string()}};
  }

  std::string Run(FunctionPageRunner::Page page, const std::string& input = "") {
    FunctionPageRunner runner(std::move(page));
    std::istringstream in(input);
    std::ostringstream out;
    EXPECT_EQ(RunCgi(env_, in, out, runner), 0);
    return out.str();
  }

  TempFolder site_, state_;
  std::filesystem::path page_file_;
  CgiEnvironment env_;
};

TEST_F(Cgi, GetWritesStatusHeadersBlankLineAndBodyFromTheVariables) {
  env_["QUERY_STRING"] = "x=a+b&x=%C3%A9";
  // Some servers repeat the script's path in PATH_INFO: that is no extra path.
  env_["PATH_INFO"] = "/t.ksp";
  env_["HTTP_USER_AGENT"] = "Tester/2.0";
  env_["HTTP_ACCEPT_LANGUAGE"] = "it-IT";
  std::string out = Run([](ScriptingContext& c) {
    RequestCollection& vars = c.Request->ServerVariables();
    c.Response->Write(c.Request->Item("x"));
    for (const char* name : {"SCRIPT_NAME", "PATH_INFO", "SERVER_NAME", "SERVER_PORT",
                             "REMOTE_ADDR", "HTTP_USER_AGENT", "HTTP_ACCEPT_LANGUAGE"})
      c.Response->WriteText("|" + *vars.Get(name));
    EXPECT_EQ(c.Request->data().headers.size(), 2u);
  });
  EXPECT_EQ(out,
            "Status: 200 OK\r\n"
            "Content-Type: text/html; charset=utf-8\r\n"
            "\r\n"
            "a b, \xC3\xA9|/t.ksp|/t.ksp|example.test|8443|192.0.2.7|Tester/2.0|it-IT");
}

TEST_F(Cgi, PostReadsExactlyContentLengthBytes) {
  env_["REQUEST_METHOD"] = "POST";
  env_["CONTENT_TYPE"] = "application/x-www-form-urlencoded";
  std::string body = "name=Ann+%26+Bob&n=1";
  env_["CONTENT_LENGTH"] = std::to_string(body.size());
  std::string out = Run(
      [](ScriptingContext& c) {
        c.Response->Write(
            c.Request->Get("Form").AsObject()->CallDefault(std::vector<Variant>{Variant("name")}));
        c.Response->WriteText("|" + std::to_string(c.Request->TotalBytes()));
        c.Response->AddHeader("X-Page", "edit");
      },
      body + "TRAILING-GARBAGE");
  EXPECT_EQ(out,
            "Status: 200 OK\r\n"
            "Content-Type: text/html; charset=utf-8\r\n"
            "X-Page: edit\r\n"
            "\r\n"
            "Ann & Bob|20");
}

TEST_F(Cgi, RefusesMissingPagesAndUnacceptableBodies) {
  bool ran = false;
  auto page = [&](ScriptingContext&) { ran = true; };

  env_["SCRIPT_FILENAME"] = (site_.path() / "www" / "none.ksp").string();
  env_["SCRIPT_NAME"] = "/none.ksp";
  std::string missing = Run(page);
  EXPECT_EQ(
      missing.rfind("Status: 404 Not Found\r\nContent-Type: text/html; charset=utf-8\r\n\r\n", 0),
      0u);
  EXPECT_NE(missing.find("/none.ksp"), std::string::npos);
  env_.erase("SCRIPT_FILENAME");
  EXPECT_EQ(Run(page).rfind("Status: 404", 0), 0u);

  // Extra path after the page: the page would find it in the links it writes.
  env_["SCRIPT_FILENAME"] = page_file_.string();
  env_["SCRIPT_NAME"] = "/t.ksp";
  for (const char* extra : {"/'><img src=x onerror=alert(1)>", "/", "/t.ksp/x"}) {
    env_["PATH_INFO"] = extra;
    std::string out = Run(page);
    EXPECT_EQ(out.rfind("Status: 404 Not Found\r\n", 0), 0u) << extra;
    EXPECT_EQ(out.find("<img"), std::string::npos) << out;
  }
  env_.erase("PATH_INFO");

  struct Body {
    std::string length, input, status;
  };
  for (const Body& b : {Body{"99999999999999999999999", "", "413"},
                        Body{std::to_string((size_t{64} << 20) + 1), "", "413"},
                        Body{"-1", "", "400"}, Body{"10", "short", "400"}}) {
    env_["CONTENT_LENGTH"] = b.length;
    EXPECT_EQ(Run(page, b.input).rfind("Status: " + b.status, 0), 0u) << b.length;
  }
  EXPECT_FALSE(ran);
}

TEST_F(Cgi, PathTranslatedStandsInForScriptFilename) {
  env_.erase("SCRIPT_FILENAME");
  env_.erase("DOCUMENT_ROOT");
  env_["PATH_TRANSLATED"] = page_file_.string();
  std::string out =
      Run([](ScriptingContext& c) { c.Response->Write(Variant(c.Server->MapPath("/x.txt"))); });
  EXPECT_NE(out.find((page_file_.parent_path() / "x.txt").string()), std::string::npos) << out;
}

TEST(CgiEnvironment, ComesFromEnvp) {
  const char* envp[] = {"A=1", "B=x=y", "NOEQUALS", "C=", nullptr};
  CgiEnvironment env = CgiEnvironmentFromEnvp(envp);
  EXPECT_EQ(env, (CgiEnvironment{{"A", "1"}, {"B", "x=y"}, {"C", ""}}));
}

}  // namespace
}  // namespace korvex::host
