#include "host/page_host.h"

#include <gtest/gtest.h>

#include "host/memory_host.h"
#include "host/sqlite_session_store.h"
#include "host/temp_folder.h"

namespace korvex::host {
namespace {

using testing::TempFolder;

std::optional<std::string> HeaderValue(const ResponseData& response, std::string_view name) {
  for (const auto& [n, v] : response.headers)
    if (EqualsNoCase(n, name)) return v;
  return std::nullopt;
}

/// The session id a Set-Cookie header carries.
std::string CookieId(const ResponseData& response) {
  std::string cookie = HeaderValue(response, "Set-Cookie").value_or("");
  size_t eq = cookie.find('='), semi = cookie.find(';');
  return eq == std::string::npos ? "" : cookie.substr(eq + 1, semi - eq - 1);
}

RequestData WithCookie(RequestData request, const std::string& cookie) {
  request.headers.emplace_back("Cookie", cookie);
  return request;
}

class ServePageTest : public ::testing::Test {
 protected:
  ServePageTest() : store_(folder_.path() / "sessions.db") { config_.sessions = &store_; }

  ResponseData Serve(const RequestData& request, FunctionPageRunner::Page page) {
    FunctionPageRunner runner(std::move(page));
    return ServePage(request, config_, runner);
  }

  TempFolder folder_;
  SqliteSessionStore store_;
  PageHostConfig config_;
};

void WriteCart(ScriptingContext& c) {
  c.Response->Write(c.Session->Get("Cart"));
}

TEST_F(ServePageTest, SessionSurvivesBetweenRequestsThroughItsCookie) {
  ResponseData first = Serve(MakeRequest("GET", "/cart.ksp"), [](ScriptingContext& c) {
    c.Session->Put("Cart", Variant(int32_t{5}));
  });
  std::string cookie = HeaderValue(first, "Set-Cookie").value_or("");
  std::string id = CookieId(first);
  EXPECT_TRUE(IsWellFormedSessionId(id));
  EXPECT_EQ(cookie, "KORVEXSESSIONID=" + id + "; Path=/; HttpOnly; SameSite=Lax");

  Variant seen;
  ResponseData second =
      Serve(WithCookie(MakeRequest("GET", "/cart.ksp"), "theme=dark; KORVEXSESSIONID=" + id),
            [&](ScriptingContext& c) {
              seen = c.Session->Get("cart");
              EXPECT_EQ(ToText(c.Session->Get("SessionID")), id);
            });
  EXPECT_EQ(seen.type(), VarType::Long);
  EXPECT_EQ(seen.AsLong(), 5);
  EXPECT_FALSE(HeaderValue(second, "Set-Cookie"));  // the visitor has it already

  RequestData over_https = MakeRequest("GET", "/cart.ksp");
  over_https.secure = true;
  ResponseData secure =
      Serve(over_https, [](ScriptingContext& c) { c.Session->Put("Cart", Variant(int32_t{1})); });
  EXPECT_EQ(HeaderValue(secure, "Set-Cookie").value_or(""),
            "KORVEXSESSIONID=" + CookieId(secure) + "; Path=/; Secure; HttpOnly; SameSite=Lax");
}

// Response.End through a page is followed in script_page_runner_test.
TEST(ServePage, ANewSessionIsKeptOnlyWhenThePageStoresAValue) {
  struct Case {
    const char* what;
    FunctionPageRunner::Page page;
    bool kept;
  };
  const Variant name[] = {Variant("Cart")};
  const Case cases[] = {
      {"reads a value", [](ScriptingContext& c) { c.Response->Write(c.Session->Get("Cart")); },
       false},
      {"reads the id, the timeout and the contents",
       [](ScriptingContext& c) {
         c.Response->Write(c.Session->Get("SessionID"));
         c.Response->Write(c.Session->Get("Timeout"));
         c.Response->Write(c.Session->Get("Contents").AsObject()->Get("Count"));
       },
       false},
      {"sets only the timeout", [](ScriptingContext& c) { c.Session->Put("Timeout", Variant(5)); },
       false},
      {"stores then removes",
       [&](ScriptingContext& c) {
         c.Session->Put("Cart", Variant(1));
         c.Session->Get("Contents").AsObject()->Call("Remove", name);
       },
       false},
      {"stores then abandons",
       [](ScriptingContext& c) {
         c.Session->Put("Cart", Variant(1));
         c.Session->Abandon();
       },
       false},
      {"stores a value", [](ScriptingContext& c) { c.Session->Put("Cart", Variant(1)); }, true},
  };
  for (const Case& test : cases) {
    MemorySessionStore store;
    PageHostConfig config;
    config.sessions = &store;
    FunctionPageRunner runner(test.page);
    ResponseData response = ServePage(MakeRequest("GET", "/t.ksp"), config, runner);
    EXPECT_EQ(store.size(), test.kept ? 1u : 0u) << test.what;
    EXPECT_EQ(HeaderValue(response, "Set-Cookie").has_value(), test.kept) << test.what;
  }
}

TEST_F(ServePageTest, ForgedOrMalformedIdsAreNeverAdopted) {
  std::string forged = "0123456789abcdef0123456789abcdef";
  for (std::string cookie : {"KORVEXSESSIONID=" + forged, std::string("KORVEXSESSIONID=../x"),
                             "KORVEXSESSIONID=" + NewSessionId() + "X"}) {
    ResponseData response = Serve(WithCookie(MakeRequest("GET", "/t.ksp"), cookie),
                                  [](ScriptingContext& c) { c.Session->Put("a", Variant(true)); });
    std::string id = CookieId(response);
    EXPECT_TRUE(IsWellFormedSessionId(id)) << cookie;
    EXPECT_EQ(cookie.find(id), std::string::npos) << cookie;
  }
  EXPECT_FALSE(store_.Load(forged));
}

TEST_F(ServePageTest, AbandonForgetsTheSessionAndExpiresTheCookie) {
  ResponseData first = Serve(MakeRequest("GET", "/t.ksp"), [](ScriptingContext& c) {
    c.Session->Put("Cart", Variant(int32_t{5}));
  });
  std::string cookie = "KORVEXSESSIONID=" + CookieId(first);
  ResponseData abandon =
      Serve(WithCookie(MakeRequest("GET", "/t.ksp"), cookie), [](ScriptingContext& c) {
        c.Session->Call("Abandon", {});
        WriteCart(c);  // still readable until the page ends
      });
  EXPECT_EQ(abandon.body, "5");
  EXPECT_NE(HeaderValue(abandon, "Set-Cookie").value_or("").find("Max-Age=0"), std::string::npos);
  ResponseData after = Serve(WithCookie(MakeRequest("GET", "/t.ksp"), cookie), WriteCart);
  EXPECT_EQ(after.body, "");
}

TEST_F(ServePageTest, AnEscapingErrorIsWrittenAfterTheOutputWithStatus500) {
  ResponseData response = Serve(MakeRequest("GET", "/err.ksp"), [](ScriptingContext& c) {
    c.Session->Put("kept", Variant("yes"));
    c.Response->Write(Variant("partial"));
    c.Server->MapPath("/../../etc/passwd");
  });
  EXPECT_EQ(response.status, 500);
  EXPECT_EQ(response.body.rfind("partial", 0), 0u);
  EXPECT_NE(response.body.find("error 76"), std::string::npos);  // no site root configured
  EXPECT_NE(response.body.find("/err.ksp"), std::string::npos);
  // Session values written before the failure are still stored.
  EXPECT_TRUE(HeaderValue(response, "Set-Cookie"));
}

TEST(PageErrorHtml, EncodesEveryPart) {
  AutomationError error(13, "Type <mismatch>", "Korvex & co");
  EXPECT_EQ(PageErrorHtml(error, "/a'b.ksp"),
            "\r\n<div class=\"korvex-error\"><b>Korvex &amp; co error 13</b><br>Type "
            "&lt;mismatch&gt;<br>/a&#39;b.ksp</div>\r\n");
}

TEST(MemoryHost, KeepsCookiesBetweenRequestsLikeABrowser) {
  MemoryHost host;
  host.Serve(MakeFormPost("/t.ksp", {{"name", "Ann & Bob"}}), [](ScriptingContext& c) {
    c.Session->Put("Name", c.Request->Get("Form").AsObject()->CallDefault(
                               std::vector<Variant>{Variant("name")}));
  });
  EXPECT_EQ(host.sessions().size(), 1u);
  ResponseData second = host.Serve(MakeRequest("GET", "/t.ksp"), [](ScriptingContext& c) {
    c.Response->Write(c.Session->Get("Name"));
  });
  EXPECT_EQ(second.body, "Ann & Bob");
  host.Serve(MakeRequest("GET", "/t.ksp"), [](ScriptingContext& c) { c.Session->Abandon(); });
  EXPECT_TRUE(host.cookies().empty());
  EXPECT_EQ(host.sessions().size(), 0u);
}

TEST(MemoryHost, RunsTheFileTheRequestPathNames) {
  TempFolder site;
  site.Write("admin/list.ksp", "page");
  MemoryHost host(site.path());
  std::filesystem::path ran;
  class Recorder : public PageRunner {
   public:
    explicit Recorder(std::filesystem::path& ran) : ran_(ran) {}
    void Run(const std::filesystem::path& file, ScriptingContext& c) override {
      ran_ = file;
      c.Response->Write(Variant(c.Server->MapPath("data.txt")));
    }
    std::filesystem::path& ran_;
  } recorder(ran);
  ResponseData response = host.Serve(MakeRequest("GET", "/admin/list.ksp"), recorder);
  EXPECT_EQ(ran, site.path() / "admin" / "list.ksp");
  EXPECT_EQ(response.body, (site.path() / "admin" / "data.txt").string());
}

}  // namespace
}  // namespace korvex::host
