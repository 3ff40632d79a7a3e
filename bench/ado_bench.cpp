// Paging through a 1,000,000-row customers table: the cost of the first and the last page of
// an editing list (keyset recordset, RecordCount, seven rows read), of a LIKE filter over two
// text columns, and, as the yardstick, the database's own SELECT COUNT(*). Peak memory is the
// process's ru_maxrss. The table is generated once into $KORVEX_BENCH_DB (default
// /tmp/korvex-bench-customers.db) and reused by later runs.
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

namespace {

using namespace korvex;
using namespace korvex::ado;

constexpr int kRows = 1'000'000;
constexpr int kPageSize = 7;

std::string DatabasePath() {
  const char* env = std::getenv("KORVEX_BENCH_DB");
  return env ? env : "/tmp/korvex-bench-customers.db";
}

void Check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
    throw std::runtime_error(sqlite3_errmsg(db));
}

// Names, e-mail, city, date, boolean, amount and memo, drawn from small fixed lists.
void Generate(const std::string& path) {
  std::string partial = path + ".partial";
  std::filesystem::remove(partial);
  sqlite3* db = nullptr;
  Check(sqlite3_open(partial.c_str(), &db), db);
  Check(sqlite3_exec(db,
                     "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF;"
                     "CREATE TABLE Customers (id INTEGER PRIMARY KEY, FirstName VARCHAR(40),"
                     " LastName VARCHAR(40), Email VARCHAR(80), City VARCHAR(40), Born DATE,"
                     " Active BOOLEAN, Amount MONEY, Notes TEXT); BEGIN;",
                     nullptr, nullptr, nullptr),
        db);
  static const char* kFirst[] = {"Anna", "Bruno", "Carla", "Dario", "Elena", "Fabio", "Gina",
                                 "Hugo", "Irene", "Luca",  "Marta", "Nico",  "Olga",  "Paolo"};
  static const char* kLast[] = {"Rossi",   "Bianchi", "Verdi", "Neri",  "Gallo",   "Costa",
                                "Fontana", "Conti",   "Greco", "Bruno", "Moretti", "Marino"};
  static const char* kCity[] = {"Rome",     "Milan", "Turin",   "Naples", "Genoa",  "Bologna",
                                "Florence", "Bari",  "Palermo", "Venice", "Verona", "Trieste"};
  sqlite3_stmt* insert = nullptr;
  Check(sqlite3_prepare_v2(db,
                           "INSERT INTO Customers (FirstName, LastName, Email, City, Born, "
                           "Active, Amount, Notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                           -1, &insert, nullptr),
        db);
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 8); };
  for (int i = 1; i <= kRows; ++i) {
    std::string first = kFirst[next() % 14], last = kLast[next() % 12];
    std::string email = first + "." + last + std::to_string(i) + "@example.com";
    char born[16];
    std::snprintf(born, sizeof born, "%04u-%02u-%02u", 1940 + next() % 60, 1 + next() % 12,
                  1 + next() % 28);
    std::string notes = "Customer since " + std::to_string(1990 + next() % 30) +
                        ", prefers contact by " + (next() % 2 ? "mail" : "phone") +
                        std::string(next() % 80, '.');
    sqlite3_bind_text(insert, 1, first.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 2, last.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 3, email.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 4, kCity[next() % 12], -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert, 5, born, -1, SQLITE_TRANSIENT);
    sqlite3_bind_int(insert, 6, static_cast<int>(next() % 2));
    sqlite3_bind_double(insert, 7, static_cast<double>(next() % 1000000) / 100.0);
    sqlite3_bind_text(insert, 8, notes.c_str(), -1, SQLITE_TRANSIENT);
    Check(sqlite3_step(insert), db);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  Check(sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=DELETE;", nullptr, nullptr, nullptr), db);
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

std::shared_ptr<Connection> OpenConnection() {
  auto c = std::make_shared<Connection>();
  c->Open("Provider=SQLite;Data Source=" + Database());
  return c;
}

void ReportPeakMemory(benchmark::State& state) {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  state.counters["peak_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
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
  sqlite3* db = nullptr;
  sqlite3_open_v2(Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM Customers", -1, &s, nullptr);
    sqlite3_step(s);
    benchmark::DoNotOptimize(sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  ReportPeakMemory(state);
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
  sqlite3_open(Database().c_str(), &other);
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
  sqlite3* db = nullptr;
  sqlite3_open_v2(Database().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  for (auto _ : state) {
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT COUNT(*) FROM Customers WHERE FirstName LIKE '%ar%' OR "
                       "Notes LIKE '%ar%'",
                       -1, &s, nullptr);
    sqlite3_step(s);
    benchmark::DoNotOptimize(sqlite3_column_int64(s, 0));
    sqlite3_finalize(s);
  }
  sqlite3_close(db);
  ReportPeakMemory(state);
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
