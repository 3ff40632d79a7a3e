#include "script/script_page_runner.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/class_registry.h"
#include "core/member_table.h"
#include "host/memory_host.h"
#include "host/temp_folder.h"

namespace korvex::script {
namespace {

class Months : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Months", {Prop<&Months::m1>("m1"), Prop<&Months::m12>("m12")});
    return table;
  }
  std::string m1 = "jan", m12 = "dec";
};

// Counts its live instances, to show when a page's objects are released.
class Tally : public Dispatch {
 public:
  Tally() { ++alive; }
  ~Tally() override { --alive; }
  const MemberTable& Members() const override {
    static const MemberTable table("Tally", {Prop<&Tally::Name>("Name")});
    return table;
  }
  std::string Name = "tally";
  static inline int alive = 0;
};

class ScriptPageRunnerTest : public ::testing::Test {
 protected:
  ScriptPageRunnerTest() : host_(folder_.path()) {
    RegisterClass<Months>(ClassRegistry::Global(), "Korvex.TestMonths");
    RegisterClass<Tally>(ClassRegistry::Global(), "Korvex.TestTally");
  }

  host::ResponseData Serve(const std::string& page, std::string_view url = "/t.ksp") {
    folder_.Write("t.ksp", page);
    return host_.Serve(host::MakeRequest("GET", url), runner_);
  }
  host::ResponseData Get(std::string_view url) {
    return host_.Serve(host::MakeRequest("GET", url), runner_);
  }

  host::testing::TempFolder folder_;
  host::MemoryHost host_;
  ScriptPageRunner runner_;
};

TEST_F(ScriptPageRunnerTest, RunsAPageAgainstTheRequest) {
  host::ResponseData r = Serve(
      "<% var cal = Server.CreateObject('Korvex.TestMonths'); %>"
      "<%= Request('a') %>|<%= Request.QueryString('b') %>|<%= cal.m1 + cal.M12 %>|"
      "<%= Server.HTMLEncode('<a href=\"x\">') %>|<%= true %>|<%= String(Request.QueryString) %>",
      "/t.ksp?a=1&b=x+y&b=%C3%A9");
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "1|x y, \xC3\xA9|jandec|&lt;a href=&quot;x&quot;&gt;|True|a=1&b=x+y&b=%C3%A9");
}

TEST_F(ScriptPageRunnerTest, PageSetsItsOwnTimeLimit) {
  host::ResponseData r = Serve("start<% Server.ScriptTimeout = 1; while (true) {} %>");
  EXPECT_EQ(r.status, 500);
  EXPECT_TRUE(r.body.starts_with("start")) << r.body;
  EXPECT_NE(r.body.find("Script timeout"), std::string::npos) << r.body;
  EXPECT_NE(r.body.find("(1 second)"), std::string::npos) << r.body;
}

// Automation, JavaScript and compile errors alike: status 500, the output so far, then the
// notice, encoded, with the page's line.
TEST_F(ScriptPageRunnerTest, EscapingErrorsGive500AfterTheOutputSoFar) {
  struct Case {
    const char* page;
    const char* output_so_far;
    std::vector<const char*> notice;
  };
  const Case cases[] = {
      {"before\r\n<% Server.CreateObject('No.Such<Class>') %>after",
       "before\r\n",
       {"error -2147221005", "/t.ksp, line 2"}},
      {"x<%\r\n undefinedThing() %>", "x", {"<b>ReferenceError</b>", "undefinedThing", ", line 2"}},
      {"<% if ( %>", "", {"SyntaxError"}},
      {"a\r\n<%= 1", "", {"error 1002", "line 2"}},
  };
  for (const Case& c : cases) {
    host::ResponseData r = Serve(c.page);
    EXPECT_EQ(r.status, 500) << c.page;
    EXPECT_TRUE(r.body.starts_with(c.output_so_far)) << r.body;
    for (const char* part : c.notice) EXPECT_NE(r.body.find(part), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("after"), std::string::npos) << r.body;
    EXPECT_EQ(r.body.find("<Class>"), std::string::npos) << r.body;
  }
}

TEST_F(ScriptPageRunnerTest, ResponseEndKeepsStatusAndOutput) {
  host::ResponseData r = Serve(
      "kept<% Response.Status = '404 Not Found'; try { Response.End() } catch (e) {} "
      "Response.Write('lost'); throw new Error('never seen') %>");
  EXPECT_EQ(r.status, 404);
  EXPECT_EQ(r.body, "kept");
}

// Requests alternate on one thread, so they share its pooled heap: nothing one page declares,
// assigns or adds to a built-in is seen by the next, and its objects go with its request.
TEST_F(ScriptPageRunnerTest, NothingAPageLeavesReachesTheNextRequest) {
  folder_.Write("set.ksp",
                "<% var declared = 1; assigned = 2; function f() {} this.viaThis = 3;"
                " var tally = Server.CreateObject('Korvex.TestTally'); %>set");
  folder_.Write(
      "builtins.ksp",
      "<% String.prototype.leak = function () { return 1 }; Math.leak = 2;"
      " Object.getPrototypeOf(this).leak = 3; globalThis.leak2 = 4; Enumerator = 5; %>builtins");
  folder_.Write("read.ksp",
                "<%= typeof declared %>,<%= typeof assigned %>,<%= typeof f %>,"
                "<%= typeof viaThis %>,<%= typeof tally %>,<%= typeof ''.leak %>,"
                "<%= typeof Math.leak %>,<%= typeof leak %>,<%= typeof leak2 %>,"
                "<%= typeof Enumerator %>");
  const std::string clean =
      "undefined,undefined,undefined,undefined,undefined,undefined,"
      "undefined,undefined,undefined,function";
  Tally::alive = 0;
  // Built-in methods are reached through any array or text: what a page hangs on them is gone
  // for the next request too.
  folder_.Write("hang.ksp",
                "<% [].push.kept = Response; [].push.kept.Write('hung'); var f = ''.charAt;"
                " f.kept = 1; [].concat['kept'] = 2; ({})['toString'].kept = 3; %>");
  folder_.Write("reach.ksp",
                "<%= typeof [].push.kept %>,<%= typeof ''.charAt.kept %>,"
                "<%= typeof [].concat.kept %>,<%= typeof ({}).toString.kept %>");
  EXPECT_EQ(Get("/hang.ksp").body, "hung");
  EXPECT_EQ(Get("/reach.ksp").body, "undefined,undefined,undefined,undefined");
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(Get("/set.ksp").body, "set");
    EXPECT_EQ(Tally::alive, 0) << "the page's object outlived its request";
    EXPECT_EQ(Get("/read.ksp").body, clean);
    EXPECT_EQ(Get("/builtins.ksp").body, "builtins");
    EXPECT_EQ(Get("/read.ksp").body, clean);
  }
}

// A page that fails, however it fails, fails alone: the next request on the same heap, of
// another page, is served in full. An edited page is served as edited at once.
TEST_F(ScriptPageRunnerTest, AFailingPageDoesNotHarmTheNext) {
  folder_.Write("good.ksp", "<% var n = 2; %>good <%= n * 21 %>");
  const std::pair<const char*, int> failing[] = {
      {"<% var = ; %>", 500},                               // JavaScript syntax error
      {"<%= 1", 500},                                       // page syntax error
      {"<% var n = 'x'; throw new Error('stop') %>", 500},  // escaping error
      {"<% var n = 3; Response.End() %>", 200},             // ended early
      {"<% Server.ScriptTimeout = 1; var n = 4; while (true) {} %>", 500},  // out of time
  };
  for (const auto& [page, status] : failing) {
    folder_.Write("bad.ksp", page);
    EXPECT_EQ(Get("/bad.ksp").status, status) << page;
    host::ResponseData good = Get("/good.ksp");
    EXPECT_EQ(good.status, 200) << page;
    EXPECT_EQ(good.body, "good 42") << page;
  }
  folder_.Write("good.ksp", "<% var n = 2; %>edited <%= n * 2 %>");
  EXPECT_EQ(Get("/good.ksp").body, "edited 4");
}

TEST(ErrorNotice, NamesSourceNumberDescriptionPageAndLine) {
  ScriptError automation{"Error", "a < b", -2147217900, "a < b", "Provider", 7};
  EXPECT_EQ(ErrorNotice(automation, "/p.ksp"),
            "\r\n<div class=\"korvex-error\">\r\n<p><b>Provider error -2147217900</b></p>\r\n"
            "<p>a &lt; b</p>\r\n<p>/p.ksp, line 7</p>\r\n</div>\r\n");
  ScriptError script{"TypeError", "x is \"bad\"", std::nullopt, "x is \"bad\"", "", 0};
  EXPECT_EQ(ErrorNotice(script, "/p.ksp"),
            "\r\n<div class=\"korvex-error\">\r\n<p><b>TypeError</b></p>\r\n"
            "<p>x is &quot;bad&quot;</p>\r\n<p>/p.ksp</p>\r\n</div>\r\n");
}

}  // namespace
}  // namespace korvex::script
