// The editing list over a 1,000,000-row customers table, page size 7: the whole screen of the
// first and the last page rendered through the in-memory host, against the yardstick of the
// database's own SELECT COUNT(*) measured in the same run. Peak memory is the process's
// ru_maxrss. The table is generated once into $KORVEX_BENCH_LIST_DB (default
// /tmp/korvex-bench-list.db) and reused by later runs.
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "core/admin_recordset.h"
#include "host/memory_host.h"
#include "listing/editing_list.h"

namespace {

using namespace korvex;

constexpr int kRows = 1'000'000;
constexpr int kPageSize = 7;
constexpr int kLastPage = (kRows + kPageSize - 1) / kPageSize;

std::string DatabasePath() {
  const char* env = std::getenv("KORVEX_BENCH_LIST_DB");
  return env ? env : "/tmp/korvex-bench-list.db";
}

void Exec(sqlite3* db, const char* sql) {
  char* message = nullptr;
  if (sqlite3_exec(db, sql, nullptr, nullptr, &message) != SQLITE_OK) {
    std::string text = message ? message : "sqlite error";
    sqlite3_free(message);
    throw std::runtime_error(text);
  }
}

// Integer key, name, e-mail, city, date, boolean, amount and a memo of 40 to 160 characters.
void Generate(const std::string& path) {
  std::string partial = path + ".partial";
  std::filesystem::remove(partial);
  sqlite3* db = nullptr;
  if (sqlite3_open(partial.c_str(), &db) != SQLITE_OK) throw std::runtime_error("open");
  Exec(db,
       "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
       "CREATE TABLE Customers (ID INTEGER PRIMARY KEY, Name VARCHAR(50), Email VARCHAR(80),"
       " City VARCHAR(40), Joined DATE, Active BOOLEAN, Amount MONEY, Notes TEXT);"
       "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 1000000)"
       " INSERT INTO Customers SELECT i, 'Customer ' || i, 'customer' || i || '@example.com',"
       " 'City ' || (i % 97), date('2000-01-01', '+' || (i % 7000) || ' days'), i % 2,"
       " (i % 100000) / 100.0,"
       " substr('Prefers contact by mail; pays on time; asks for paper invoices. ' ||"
       " 'Visited the shop in spring and again in autumn, bought mostly books and maps. ' ||"
       " 'Likes the newsletter.', 1, 40 + i % 121) FROM n;");
  sqlite3_close(db);
  std::filesystem::rename(partial, path);
}

const std::string& Database() {
  static const std::string path = [] {
    std::string p = DatabasePath();
    if (!std::filesystem::exists(p)) Generate(p);
    return p;
  }();
  return path;
}

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One request for the list page, as a page script makes it: a new AdminRecordset pointed at
// the database, the whole screen written into the response.
size_t RenderList(host::MemoryHost& host, int page_number) {
  std::string url = "/list.ksp?CPKorVex=" + std::to_string(page_number);
  host::ResponseData response =
      host.Serve(host::MakeRequest("GET", url), [](host::ScriptingContext& context) {
        auto page = std::make_shared<AdminRecordset>();
        page->OnStartPage(context.shared_from_this());
        page->DatabasePath(Database());
        page->recordset("Customers");
        RenderEditingList(*page, "SELECT * FROM [Customers] ");
        if (page->ActionPerformed != 64) throw std::runtime_error("the list failed");
      });
  return response.body.size();
}

void BM_SelectCountStar(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Customers", -1, &statement, nullptr);
    sqlite3_step(statement);
    benchmark::DoNotOptimize(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
  }
  sqlite3_close(db);
  ReportPeakMemory(state);
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

// Another program changes the table before every render, so no count may be kept. The change
// must alter the stored bytes: SQLite does not count a rewrite of identical values as one.
void ListPageAfterChange(benchmark::State& state, int page_number) {
  host::MemoryHost host;
  sqlite3* other = nullptr;
  sqlite3_open(Database().c_str(), &other);
  for (auto _ : state) {
    state.PauseTiming();
    Exec(other, "UPDATE Customers SET Amount = Amount + 1 WHERE ID = 1");
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

BENCHMARK(BM_SelectCountStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLastPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPageAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListLastPageAfterChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
