// Paging through a 1,000,000-row customers table: the cost of the first and the last page of
// an editing list (keyset recordset, RecordCount, seven rows read), of a LIKE filter over two
// text columns, and, as the yardstick, the database's own SELECT COUNT(*). Peak memory is the
// process's ru_maxrss. The table comes from bench_customers.h.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/recordset.h"
#include "bench_customers.h"

namespace {

using namespace korvex;
using namespace korvex::ado;

using korvex::bench::CustomersDatabase;
using korvex::bench::ReportPeakMemory;

constexpr int kPageSize = 7;

std::shared_ptr<Connection> OpenConnection() {
  auto c = std::make_shared<Connection>();
  c->Open("Provider=SQLite;Data Source=" + CustomersDatabase());
  return c;
}

// One page as a list shows it: open keyset / read-only, MoveLast, MoveFirst, RecordCount, reach
// the page and read every field of its seven rows. The page is reached with Move, or, as the
// editing list's algorithm reads, by a walk of MoveNext calls from the first record.
void RenderPage(bool last_page, bool walk, benchmark::State& state) {
  auto c = OpenConnection();
  auto rs = std::make_shared<Recordset>();
  rs->Open(Variant("SELECT * FROM [Customers]"), Variant(c), kOpenKeyset, kLockReadOnly);
  rs->MoveLast();
  rs->MoveFirst();
  int32_t total = rs->RecordCount();
  int32_t pages = (total + kPageSize - 1) / kPageSize;
  int32_t page = last_page ? pages : 1;
  int32_t counter = 0;
  if (!walk && page > 1) {
    rs->Move(kPageSize * (page - 1));
    counter = kPageSize * (page - 1);
  }
  int64_t read = 0;
  for (; !rs->IsEOF(); rs->MoveNext()) {
    if (++counter > kPageSize * page) break;
    if (counter > kPageSize * (page - 1)) {
      for (int32_t f = 0; f < rs->Fields().Count(); ++f)
        read += TextOrEmpty(rs->Fields()[static_cast<size_t>(f)].Value()).size();
    }
  }
  rs->Close();
  c->Close();
  benchmark::DoNotOptimize(read);
  if (read == 0) state.SkipWithError("nothing read");
}

void BM_SelectCountStar(benchmark::State& state) {
  korvex::bench::CountWithSqlite(state, "SELECT COUNT(*) FROM Customers");
}

void BM_FirstPage(benchmark::State& state) {
  for (auto _ : state) RenderPage(false, false, state);
  ReportPeakMemory(state);
}

void BM_LastPage(benchmark::State& state) {
  for (auto _ : state) RenderPage(true, false, state);
  ReportPeakMemory(state);
}

void BM_LastPageByWalk(benchmark::State& state) {
  for (auto _ : state) RenderPage(true, true, state);
  ReportPeakMemory(state);
}

// The filter runs in the database: open, filter, count and read the first page.
void FilterPage(benchmark::State& state) {
  auto c = OpenConnection();
  auto rs = std::make_shared<Recordset>();
  rs->Open(Variant("Customers"), Variant(c), kOpenKeyset, kLockReadOnly);
  rs->Filter(Variant("[FirstName] LIKE '%ar%' OR [Notes] LIKE '%ar%'"));
  if (rs->RecordCount() <= 0) state.SkipWithError("the filter found nothing");
  for (int i = 0; i < kPageSize && !rs->IsEOF(); ++i, rs->MoveNext())
    benchmark::DoNotOptimize(ToText(rs->Fields()[3].Value()));
}

void BM_FilterLikeTwoColumns(benchmark::State& state) {
  for (auto _ : state) FilterPage(state);
  ReportPeakMemory(state);
}

// Another program changes the table before every run, so no count can be kept.
template <class Run>
void AfterChange(benchmark::State& state, Run run) {
  sqlite3* other = nullptr;
  sqlite3_open(CustomersDatabase().c_str(), &other);
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3_exec(other, "UPDATE Customers SET Amount = Amount + 1 WHERE id = 1", nullptr, nullptr,
                 nullptr);
    state.ResumeTiming();
    run();
  }
  sqlite3_close(other);
  ReportPeakMemory(state);
}
void BM_FirstPageAfterChange(benchmark::State& state) {
  AfterChange(state, [&] { RenderPage(false, false, state); });
}
void BM_LastPageAfterChange(benchmark::State& state) {
  AfterChange(state, [&] { RenderPage(true, false, state); });
}
void BM_FilterLikeTwoColumnsAfterChange(benchmark::State& state) {
  AfterChange(state, [&] { FilterPage(state); });
}

void BM_SelectCountLikeTwoColumns(benchmark::State& state) {
  korvex::bench::CountWithSqlite(
      state, "SELECT COUNT(*) FROM Customers WHERE FirstName LIKE '%ar%' OR Notes LIKE '%ar%'");
}

BENCHMARK(BM_SelectCountStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPageByWalk)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LastPageAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterLikeTwoColumns)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterLikeTwoColumnsAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectCountLikeTwoColumns)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
