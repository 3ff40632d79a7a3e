// Searches of the 1,000,000-row customers table, the first page of the result rendered whole
// through the controller and the in-memory host, as a page makes the request, against the
// yardstick of the database's own SELECT COUNT(*) of the same LIKE condition measured in the
// same run: the keyword box (every text column, the filter kept in the session) and a
// criteria search (one column). The "AfterChange" runs change the table before every search,
// so no count kept from an earlier request can serve. The table comes from bench_customers.h.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>
#include <stdexcept>
#include <string>

#include "bench_customers.h"
#include "component/admin_recordset.h"
#include "host/memory_host.h"
#include "korvex.h"

namespace {

using namespace korvex;

using korvex::bench::BenchExec;
using korvex::bench::CustomersDatabase;
using korvex::bench::ReportPeakMemory;

// One customer in ten has this last name; no other text column holds it.
constexpr const char* kKeyword = "Rossi";

// The posted search form, and the page: a new AdminRecordset on the database that calls
// DoSearchForm, the whole screen written into the response.
size_t Search(host::MemoryHost& host, bool keyword_box) {
  const host::NameValueList form =
      keyword_box ? host::NameValueList{{"FastSearchKorVex", kKeyword},
                                        {"updatefilter", "1"},
                                        {"AllWords", "1"}}
                  : host::NameValueList{{"LastName", std::string("%") + kKeyword + "%"},
                                        {"LastNameCRITERION", "LIKE"}};
  host::ResponseData response =
      host.Serve(host::MakeFormPost("/search.ksp?PageKorVex=-1&RecordsetKorVex=Customers", form),
                 [&](host::ScriptingContext& context) {
                   auto page = std::make_shared<AdminRecordset>();
                   page->OnStartPage(context.shared_from_this());
                   page->DatabasePath(CustomersDatabase());
                   page->recordset("Customers");
                   page->SearchForm->Style = Variant(int32_t{keyword_box ? 1 : 0});
                   page->DoSearchForm();
                   if (page->ActionPerformed != 64) throw std::runtime_error("the search failed");
                 });
  if (response.body.find("on a total of 100001") == std::string::npos)
    throw std::runtime_error("unexpected result: " + response.body.substr(0, 300));
  return response.body.size();
}

void BM_CountKeywordWithSqlite(benchmark::State& state) {
  korvex::bench::CountWithSqlite(
      state,
      "SELECT COUNT(*) FROM Customers WHERE FirstName LIKE '%Rossi%' OR LastName LIKE "
      "'%Rossi%' OR Email LIKE '%Rossi%' OR City LIKE '%Rossi%' OR Notes LIKE '%Rossi%'");
}

void BM_CountCriterionWithSqlite(benchmark::State& state) {
  korvex::bench::CountWithSqlite(state,
                                 "SELECT COUNT(*) FROM Customers WHERE LastName LIKE '%Rossi%'");
}

void SearchFirstPage(benchmark::State& state, bool keyword_box) {
  RegisterAllClasses();
  host::MemoryHost host;
  Search(host, keyword_box);
  for (auto _ : state) benchmark::DoNotOptimize(Search(host, keyword_box));
  ReportPeakMemory(state);
}

// Another program changes a row the search does not find before every search.
void SearchFirstPageAfterChange(benchmark::State& state, bool keyword_box) {
  RegisterAllClasses();
  host::MemoryHost host;
  sqlite3* other = nullptr;
  sqlite3_open(CustomersDatabase().c_str(), &other);
  for (auto _ : state) {
    state.PauseTiming();
    BenchExec(other, "UPDATE Customers SET Amount = Amount + 1 WHERE id = 1");
    state.ResumeTiming();
    benchmark::DoNotOptimize(Search(host, keyword_box));
  }
  sqlite3_close(other);
  ReportPeakMemory(state);
}

void BM_KeywordSearchFirstPage(benchmark::State& state) {
  SearchFirstPage(state, true);
}
void BM_KeywordSearchFirstPageAfterChange(benchmark::State& state) {
  SearchFirstPageAfterChange(state, true);
}
void BM_CriteriaSearchFirstPage(benchmark::State& state) {
  SearchFirstPage(state, false);
}
void BM_CriteriaSearchFirstPageAfterChange(benchmark::State& state) {
  SearchFirstPageAfterChange(state, false);
}

BENCHMARK(BM_CountKeywordWithSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordSearchFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_KeywordSearchFirstPageAfterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountCriterionWithSqlite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CriteriaSearchFirstPage)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CriteriaSearchFirstPageAfterChange)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
