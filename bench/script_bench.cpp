// Page-script engine costs: compiling a page, creating a heap, and a page's calls through the
// bridge (each Response.Write is a property read, a method call and a text conversion).
#include <benchmark/benchmark.h>

#include "core/member_table.h"
#include "script/engine.h"
#include "script/page_compiler.h"

namespace {

using namespace korvex;

class Sink : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Sink",
                                   {Method("Write", &Sink::Write), Prop<&Sink::Label>("Label")});
    return table;
  }
  void Write(const Variant& v) { size += TextOrEmpty(v).size(); }
  std::string Label = "label";
  size_t size = 0;
};

std::string TypicalPage() {
  std::string page = "<%@ LANGUAGE=\"JScript\" %>\r\n<html><body>\r\n<table>\r\n";
  for (int i = 0; i < 50; ++i) {
    page += "<tr><td class=\"c\">Row " + std::to_string(i) +
            "</td><td><%= Response.Label %></td><td>caf\xC3\xA9 \"quoted\"</td></tr>\r\n";
    if (i % 10 == 0) page += "<% for (var k = 0; k < 3; k++) { %><b><%= k %></b><% } %>\r\n";
  }
  return page + "</table>\r\n</body></html>\r\n";
}

void BM_CompilePage(benchmark::State& state) {
  std::string page = TypicalPage();
  for (auto _ : state) benchmark::DoNotOptimize(script::CompilePage(page));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
}
BENCHMARK(BM_CompilePage);

void BM_CreateHeap(benchmark::State& state) {
  for (auto _ : state) {
    script::Engine engine;
    benchmark::DoNotOptimize(engine.context());
  }
}
BENCHMARK(BM_CreateHeap);

// One request's worth of work for an already compiled page: heap, globals, run.
void BM_RunTypicalPage(benchmark::State& state) {
  script::CompiledPage page = script::CompilePage(TypicalPage());
  auto sink = std::make_shared<Sink>();
  for (auto _ : state) {
    script::Engine engine;
    engine.AddGlobal("Response", sink);
    benchmark::DoNotOptimize(engine.Run(page, "/t.ksp"));
  }
}
BENCHMARK(BM_RunTypicalPage);

// The same on a heap kept between requests, as the page runner does: each request on a fresh
// global object over the heap's built-ins.
void BM_RunTypicalPagePooled(benchmark::State& state) {
  script::CompiledPage page = script::CompilePage(TypicalPage());
  auto sink = std::make_shared<Sink>();
  script::Engine engine;
  for (auto _ : state) {
    engine.Reset();
    engine.AddGlobal("Response", sink);
    benchmark::DoNotOptimize(engine.Run(page, "/t.ksp"));
  }
}
BENCHMARK(BM_RunTypicalPagePooled);

// Cost per bridge call: a loop of Response.Write calls inside one page.
void BM_BridgeWrite(benchmark::State& state) {
  script::CompiledPage page =
      script::CompilePage("<% for (var i = 0; i < 10000; i++) Response.Write(i); %>");
  auto sink = std::make_shared<Sink>();
  script::Engine engine;
  engine.AddGlobal("Response", sink);
  for (auto _ : state) benchmark::DoNotOptimize(engine.Run(page, "/t.ksp"));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 10000));
}
BENCHMARK(BM_BridgeWrite);

// What the runaway-loop check costs: the same empty loop as a page (checked at every turn)
// and as plain JavaScript (unchecked).
void BM_LoopChecked(benchmark::State& state) {
  script::CompiledPage page = script::CompilePage("<% for (var i = 0; i < 100000; i++) {} %>");
  script::Engine engine;
  for (auto _ : state) benchmark::DoNotOptimize(engine.Run(page, "/t.ksp"));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 100000));
}
BENCHMARK(BM_LoopChecked);

void BM_LoopUnchecked(benchmark::State& state) {
  script::Engine engine;
  for (auto _ : state)
    benchmark::DoNotOptimize(engine.Evaluate("for (var i = 0; i < 100000; i++) {}"));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * 100000));
}
BENCHMARK(BM_LoopUnchecked);

}  // namespace

BENCHMARK_MAIN();
