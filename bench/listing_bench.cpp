// The editing list over a 1,000,000-row customers table, page size 7: the whole screen of the
// first and the last page rendered through the in-memory host, against the yardstick of the
// database's own SELECT COUNT(*) measured in the same run; on SQLite, and on a PostgreSQL
// server when $KORVEX_BENCH_POSTGRES or $KORVEX_TEST_POSTGRES names one. Peak memory is the
// process's ru_maxrss. The table comes from bench_customers.h.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "bench_customers.h"
#include "component/admin_recordset.h"
#include "host/memory_host.h"
#include "korvex.h"
#include "listing/editing_list.h"

namespace {

using namespace korvex;

using korvex::bench::BenchExec;
using korvex::bench::CustomersDatabase;
using korvex::bench::ReportPeakMemory;

constexpr int kRows = korvex::bench::kCustomerRows;
constexpr int kPageSize = 7;
constexpr int kLastPage = (kRows + kPageSize - 1) / kPageSize;

// One request for the list page, as a page script makes it: a new AdminRecordset pointed at
// the database, the whole screen written into the response. Through the controller, the
// page calls DoEditingList, which first finds the recordset in the catalogue.
size_t RenderList(host::MemoryHost& host, int page_number, bool through_controller = false,
                  bool on_server = false) {
  std::string url = "/list.ksp?CPKorVex=" + std::to_string(page_number);
  host::ResponseData response =
      host.Serve(host::MakeRequest("GET", url), [&](host::ScriptingContext& context) {
        auto page = std::make_shared<AdminRecordset>();
        page->OnStartPage(context.shared_from_this());
        if (on_server)
          page->ConnectionString(korvex::bench::CustomersOnServer());
        else
          page->DatabasePath(CustomersDatabase());
        page->recordset("Customers");
        if (through_controller)
          page->DoEditingList(std::nullopt);
        else
          RenderEditingList(*page, "SELECT * FROM [Customers] ");
        if (page->ActionPerformed != 64) throw std::runtime_error("the list failed");
      });
  return response.body.size();
}

void BM_SelectCountStar(benchmark::State& state) {
  korvex::bench::CountWithSqlite(state, "SELECT COUNT(*) FROM Customers");
}

void ListPage(benchmark::State& state, int page_number) {
  host::MemoryHost host;
  RenderList(host, page_number);  // the count is known from here on
  for (auto _ : state) benchmark::DoNotOptimize(RenderList(host, page_number));
  ReportPeakMemory(state);
}

void BM_ListFirstPage(benchmark::State& state) {
  ListPage(state, 1);
}
void BM_ListLastPage(benchmark::State& state) {
  ListPage(state, kLastPage);
}
// Pages between the ends: without a kept map of row ids each costs in proportion to its
// distance from the nearer end.
void BM_ListPage2(benchmark::State& state) {
  ListPage(state, 2);
}
void BM_ListPage12345(benchmark::State& state) {
  ListPage(state, 12345);
}
void BM_ListMiddlePage(benchmark::State& state) {
  ListPage(state, 77777);
}

void BM_ListFirstPageThroughController(benchmark::State& state) {
  korvex::RegisterAllClasses();
  host::MemoryHost host;
  RenderList(host, 1, true);
  for (auto _ : state) benchmark::DoNotOptimize(RenderList(host, 1, true));
  ReportPeakMemory(state);
}

// Another program changes the table before every render, so no count may be kept. The change
// must alter the stored bytes: SQLite does not count a rewrite of identical values as one.
void ListPageAfterChange(benchmark::State& state, int page_number) {
  host::MemoryHost host;
  sqlite3* other = nullptr;
  sqlite3_open(CustomersDatabase().c_str(), &other);
  for (auto _ : state) {
    state.PauseTiming();
    BenchExec(other, "UPDATE Customers SET Amount = Amount + 1 WHERE ID = 1");
    state.ResumeTiming();
    benchmark::DoNotOptimize(RenderList(host, page_number));
  }
  sqlite3_close(other);
  ReportPeakMemory(state);
}

void BM_ListFirstPageAfterChange(benchmark::State& state) {
  ListPageAfterChange(state, 1);
}
void BM_ListLastPageAfterChange(benchmark::State& state) {
  ListPageAfterChange(state, kLastPage);
}

// The same on the PostgreSQL server, when one is named: its own count, the first, the last and
// a middle page, and the first and last after another program's change.
void BM_ServerSelectCountStar(benchmark::State& state) {
  korvex::bench::CountWithServer(state, "SELECT COUNT(*) FROM \"Customers\"");
}

void ServerListPage(benchmark::State& state, int page_number) {
  host::MemoryHost host;
  RenderList(host, page_number, false, true);
  for (auto _ : state) benchmark::DoNotOptimize(RenderList(host, page_number, false, true));
  ReportPeakMemory(state);
}

void BM_ServerListFirstPage(benchmark::State& state) {
  ServerListPage(state, 1);
}
void BM_ServerListLastPage(benchmark::State& state) {
  ServerListPage(state, kLastPage);
}
void BM_ServerListMiddlePage(benchmark::State& state) {
  ServerListPage(state, 77777);
}

void ServerListPageAfterChange(benchmark::State& state, int page_number) {
  host::MemoryHost host;
  PGconn* other = korvex::bench::ConnectToServer(korvex::bench::CustomersOnServer());
  for (auto _ : state) {
    state.PauseTiming();
    korvex::bench::ServerExec(other,
                              "UPDATE \"Customers\" SET \"Amount\" = \"Amount\" + 1::money "
                              "WHERE id = 1");
    state.ResumeTiming();
    benchmark::DoNotOptimize(RenderList(host, page_number, false, true));
  }
  PQfinish(other);
  ReportPeakMemory(state);
}

void BM_ServerListFirstPageAfterChange(benchmark::State& state) {
  ServerListPageAfterChange(state, 1);
}
void BM_ServerListLastPageAfterChange(benchmark::State& state) {
  ServerListPageAfterChange(state, kLastPage);
}

BENCHMARK(BM_SelectCountStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPage2)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListPage12345)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListMiddlePage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPageThroughController)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPageAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLastPageAfterChange)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  if (!korvex::bench::BenchServer().empty()) {
    benchmark::RegisterBenchmark("BM_ServerSelectCountStar", BM_ServerSelectCountStar)
        ->Unit(benchmark::kMillisecond);
    struct Named {
      const char* name;
      void (*run)(benchmark::State&);
    };
    for (const Named& b :
         {Named{"BM_ServerListFirstPage", BM_ServerListFirstPage},
          Named{"BM_ServerListLastPage", BM_ServerListLastPage},
          Named{"BM_ServerListMiddlePage", BM_ServerListMiddlePage},
          Named{"BM_ServerListFirstPageAfterChange", BM_ServerListFirstPageAfterChange},
          Named{"BM_ServerListLastPageAfterChange", BM_ServerListLastPageAfterChange}})
      benchmark::RegisterBenchmark(b.name, b.run)->Unit(benchmark::kMillisecond);
  }
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
