#include "script/page_compiler.h"

#include <gtest/gtest.h>

#include <thread>

#include "core/member_table.h"
#include "host/temp_folder.h"
#include "script/engine.h"

namespace korvex::script {
namespace {

// Stands in for Response: keeps what the page writes, by the text rules.
class Recorder : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Recorder", {Method("Write", &Recorder::Write)});
    return table;
  }
  void Write(const Variant& v) { text += TextOrEmpty(v); }
  std::string text;
};

struct PageRun {
  std::string output;
  std::optional<ScriptError> error;
};

PageRun RunPage(std::string_view page_text) {
  auto recorder = std::make_shared<Recorder>();
  Engine engine;
  engine.AddGlobal("Response", recorder);
  PageRun run;
  run.error = engine.Run(CompilePage(page_text), "/t.ksp");
  run.output = recorder->text;
  return run;
}

std::string Output(std::string_view page_text) {
  PageRun run = RunPage(page_text);
  EXPECT_FALSE(run.error) << page_text << ": " << run.error->name << " " << run.error->message;
  return run.output;
}

TEST(PageCompiler, CodeRunsAsWritten) {
  struct Case {
    const char* page;
    const char* output;
  } cases[] = {
      // A block ends only at a close outside strings, comments and regexes.
      {R"(<% var s = "50%>"; %>[<%= s %>])", "[50%>]"},
      {R"(<%= '%>' + "%>" %>)", "%>%>"},
      {R"(<%= "say \"%>\"" %>)", R"(say "%>")"},
      {R"(<%= 'it\'s %> fine' %>)", "it's %> fine"},
      {"<% /* %> still code */ %>x", "x"},
      {"<% var a = 1; // a line comment ends at the close %>x<%= a %>", "x1"},
      {R"(<%= /%>/.test("a%>") %>)", "True"},
      {R"(<%= /["']%>/.source %>)", R"(["']%>)"},
      {"<% var a = 6, b = 3; %><%= a / b %>/<%= a %>", "2/6"},
      {"<% var a = [4]; %><%= a[0] / 2 %>/<%= 1 %>", "2/1"},
      {"a<% %>b<%%>c<%\r\n%>d", "abcd"},
      {"<%@ LANGUAGE=\"JScript\" %>\r\nx", "\r\nx"},
      {"<% for (var i = 0; i < 3; i++) { %>[<%= i %>]<% } %>", "[0][1][2]"},
      {"<% if (false) { %>no<% } else { %>yes<% } %>", "yes"},
      {"<% function row(v) { %><td><%= v %></td><% } row(1); row('x') %>", "<td>1</td><td>x</td>"},
      {"<%= 1 +\r\n 2 %>", "3"},
      // Loops keep their meaning with the time check put into them.
      {"<% var o = {a: 1, b: 2}, s = ''; for (var k in o) s += k; %><%= s %>", "ab"},
      {"<% var n = 0; do { n++ } while (n < 3) %><%= n %>", "3"},
      {"<% var n = 0; for (;;) { if (++n == 4) break; } %><%= n %>", "4"},
      {"<% var n = 0, f; for (f = function () { n++; }; n < 2;) f(); %><%= n %>", "2"},
      {"<% var o = {'for': 1, 'while': 2}; %><%= o.for + o.while %>", "3"},
      {"<% var i = 0; while (i < 5) i++; %><%= i %>", "5"},
  };
  for (const Case& c : cases) EXPECT_EQ(Output(c.page), c.output) << c.page;
}

TEST(PageCompiler, WritesLiteralTextByteForByte) {
  struct Case {
    std::string page;
    std::string output;
  } cases[] = {
      {"line 1\r\nline 2\nline 3\r", "line 1\r\nline 2\nline 3\r"},
      {R"(He said "hi" \ 'yo' \n \u0041 </script>)", R"(He said "hi" \ 'yo' \n \u0041 </script>)"},
      {"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x80\xA8 tab\there \x01",
       "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80 \xE2\x80\xA8 tab\there \x01"},
      {"bad \xE9 byte", "bad \xEF\xBF\xBD byte"},
      {"\xEF\xBB\xBFhtml", "html"},
      {"100%> done", "100%> done"},
  };
  for (const Case& c : cases) EXPECT_EQ(Output(c.page), c.output) << c.page;
}

TEST(PageCompiler, UnclosedOrEmptyBlocksAreErrorsWithTheirLine) {
  struct Case {
    const char* page;
    int line;
  } cases[] = {
      {"text<%=", 1},      {"a\r\nb\r\n<%= x", 3}, {"a\n<%= x %>\n<% var s = '%>", 3},
      {"<% /* %>\n\n", 1}, {"a\n<%@ page", 2},     {"a\n\n<%= %>", 3},
      {"<%=\r\n%>", 1},
  };
  for (const Case& c : cases) {
    try {
      CompilePage(c.page);
      ADD_FAILURE() << "compiled: " << c.page;
    } catch (const PageCompileError& e) {
      EXPECT_EQ(e.line(), c.line) << c.page;
      EXPECT_EQ(e.number(), 1002);
    }
  }
}

TEST(PageCompiler, ErrorsReportThePageLine) {
  struct Case {
    const char* page;
    const char* name;
    int line;
  } cases[] = {
      {"a\r\nb\r\n<% null.x %>", "TypeError", 3},
      {"<p>\r\n</p>\r\n<%\r\nvar a = 1;\r\nmissing();\r\n%>", "ReferenceError", 5},
      {"<%= 1 %>\n<%= 2 %>\n<%= nope %>", "ReferenceError", 3},
      {"x\n<% var a = ; %>", "SyntaxError", 2},
      {"<% // comment %>\n\n<% throw new Error('mine') %>", "Error", 3},
      {"1\r2\r<% missing() %>", "ReferenceError", 3},
  };
  for (const Case& c : cases) {
    PageRun run = RunPage(c.page);
    ASSERT_TRUE(run.error) << c.page;
    EXPECT_EQ(run.error->name, c.name) << c.page;
    EXPECT_EQ(run.error->line, c.line) << c.page;
    EXPECT_EQ(run.error->message.find("(line"), std::string::npos) << run.error->message;
  }
}

TEST(PageCompiler, RunawayLoopStopsAtTheTimeLimitEvenWhenCaught) {
  auto recorder = std::make_shared<Recorder>();
  Engine engine;
  engine.AddGlobal("Response", recorder);
  CompiledPage page = CompilePage(
      "before<% for (;;) { try { while (true) {} } catch (e) { Response.Write('caught') } } %>");
  std::optional<ScriptError> error = engine.Run(page, "/t.ksp", [] { return 1; });
  ASSERT_TRUE(error);
  EXPECT_EQ(error->name, "Script timeout");
  EXPECT_EQ(error->line, 1);
  EXPECT_EQ(recorder->text, "before");
}

TEST(PageCache, RecompilesWhenThePageChanges) {
  host::testing::TempFolder folder;
  auto file = folder.Write("p.ksp", "one");
  PageCache cache;
  auto first = cache.Get(file);
  EXPECT_EQ(cache.Get(file), first);
  folder.Write("p.ksp", "two, longer");
  auto second = cache.Get(file);
  EXPECT_NE(second, first);
  EXPECT_NE(second->js.find("two, longer"), std::string::npos);
  try {
    cache.Get(folder.path() / "absent.ksp");
    ADD_FAILURE();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 53);
  }
  folder.Write("bad.ksp", "x<%=");
  EXPECT_THROW(cache.Get(folder.path() / "bad.ksp"), PageCompileError);
}

TEST(PageCache, StaysWithinItsBounds) {
  host::testing::TempFolder folder;
  PageCache by_count(3);
  PageCache by_bytes(100, 4000);
  for (int i = 0; i < 20; ++i) {
    auto file = folder.Write("p" + std::to_string(i) + ".ksp",
                             std::string(200, 'a') + "<%= " + std::to_string(i) + " %>");
    EXPECT_NE(by_count.Get(file)->js.find(std::to_string(i)), std::string::npos);
    by_bytes.Get(file);
    EXPECT_LE(by_count.page_count(), 3u);
    EXPECT_LE(by_bytes.byte_count(), 4000u);
  }
  EXPECT_EQ(by_count.page_count(), 3u);
  EXPECT_GT(by_bytes.page_count(), 1u);
  // The page used last stays; one not used since goes first.
  auto recent = folder.path() / "p17.ksp";
  auto kept = by_count.Get(recent);
  by_count.Get(folder.path() / "p0.ksp");
  by_count.Get(folder.path() / "p1.ksp");
  EXPECT_EQ(by_count.Get(recent), kept);
  // A page larger than the whole bound is served, never kept.
  auto huge = folder.Write("huge.ksp", std::string(5000, 'h'));
  EXPECT_EQ(by_bytes.Get(huge)->page_lines.empty(), false);
  EXPECT_LE(by_bytes.byte_count(), 4000u);
}

TEST(PageCompiler, MarksPagesThatReachTheBuiltIns) {
  const std::pair<const char*, bool> cases[] = {
      {"<% var K = Server.CreateObject('Korvex.AdminRecordset'); K.Table = 'a'; %>", false},
      {"<% for (var i = 0; i < 3; i++) Response.Write('Object.prototype'); %>", false},
      {"<%= Math.max(1, 2) + String(3) + parseInt('4') + new Date(0).getTime() %>", false},
      {"<% Math = 1; var d = rs.Date; var u = undefined; %>", false},
      {"<% Math.x = 1 %>", true},
      {"<% var m = Math; %>", true},
      {"<% f(JSON) %>", true},
      {"<% Object.keys({}) %>", true},
      {"<% String.prototype.x = 1 %>", true},
      {"<% var o = {}; o.__proto__.x = 1 %>", true},
      {"<% ''.constructor.x = 1 %>", true},
      {"<% this['Obj' + 'ect'].x = 1 %>", true},
      {"<% globalThis.x = 1 %>", true},
      {"<% eval('1') %>", true},
      {"<% var e = new Enumerator(Request.Form) %>", false},
      {"text Math <%= 1 %>", false},
  };
  for (const auto& [page, reaches] : cases)
    EXPECT_EQ(CompilePage(page).reaches_builtins, reaches) << page;
}

TEST(PageCache, ServesConcurrentRequests) {
  host::testing::TempFolder folder;
  std::vector<std::filesystem::path> files;
  for (int i = 0; i < 4; ++i)
    files.push_back(
        folder.Write("p" + std::to_string(i) + ".ksp", "<%= " + std::to_string(i) + " %>"));
  PageCache cache;
  std::vector<std::thread> threads;
  std::vector<std::string> outputs(8);
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&, t] {
      for (int round = 0; round < 20; ++round) {
        auto page = cache.Get(files[(t + round) % 4]);
        auto recorder = std::make_shared<Recorder>();
        Engine engine;
        engine.AddGlobal("Response", recorder);
        if (!engine.Run(*page, "p")) outputs[t] += recorder->text;
      }
    });
  }
  for (auto& thread : threads) thread.join();
  for (int t = 0; t < 8; ++t) {
    std::string expected;
    for (int round = 0; round < 20; ++round) expected += std::to_string((t + round) % 4);
    EXPECT_EQ(outputs[t], expected);
  }
}

}  // namespace
}  // namespace korvex::script
