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

class ScriptPageRunnerTest : public ::testing::Test {
 protected:
  ScriptPageRunnerTest() : host_(folder_.path()) {
    RegisterClass<Months>(ClassRegistry::Global(), "Korvex.TestMonths");
  }

  host::ResponseData Serve(const std::string& page, std::string_view url = "/t.ksp") {
    folder_.Write("t.ksp", page);
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
