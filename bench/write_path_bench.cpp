// Writes through the edit form's post (page code 2) on the 1,000,000-row customers table: the
// update of one record and the insert of one, the whole request as a page makes it (result page
// included), against the yardstick of one plain UPDATE through the data layer measured in the
// same run; then the list page right after a write, against the database's own COUNT(*). The
// writes go to a copy of the table made at start ($KORVEX_BENCH_WRITE_DB, by default
// $KORVEX_BENCH_DB + ".write"), so the other benchmarks keep their counts. Each write commits,
// so on a disk the sync of the commit dominates both sides; a copy on a memory file system
// (/dev/shm) shows the cost of the work itself.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "ado/connection.h"
#include "bench_customers.h"
#include "component/admin_recordset.h"
#include "host/memory_host.h"
#include "korvex.h"

namespace {

using namespace korvex;

using korvex::bench::ReportPeakMemory;

constexpr int kRow = 500'000;

const std::string& WriteDatabase() {
  static const std::string path = [] {
    const char* env = std::getenv("KORVEX_BENCH_WRITE_DB");
    std::string copy = env ? env : korvex::bench::CustomersDatabase() + ".write";
    std::filesystem::copy_file(korvex::bench::CustomersDatabase(), copy,
                               std::filesystem::copy_options::overwrite_existing);
    return copy;
  }();
  return path;
}

// The form the edit form posts for the record kRow, as stored, with the key copies and the
// calendar's six parts; the city is the one value changed.
host::NameValueList EditedForm(const std::string& city) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(WriteDatabase().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* row = nullptr;
  sqlite3_prepare_v2(db,
                     "SELECT id, FirstName, LastName, Email, Born, Active, Amount, Notes "
                     "FROM Customers WHERE id = ?",
                     -1, &row, nullptr);
  sqlite3_bind_int(row, 1, kRow);
  if (sqlite3_step(row) != SQLITE_ROW)
    throw std::runtime_error("no customer " + std::to_string(kRow));
  auto text = [&](int i) {
    return std::string(reinterpret_cast<const char*>(sqlite3_column_text(row, i)));
  };
  const std::string born = text(4);  // YYYY-MM-DD
  host::NameValueList form = {{"idHIDDEN", text(0)},
                              {"FirstNameHIDDEN", text(1)},
                              {"id", text(0)},
                              {"FirstName", text(1)},
                              {"LastName", text(2)},
                              {"Email", text(3)},
                              {"City", city},
                              {"Borndd", born.substr(8, 2)},
                              {"Bornmm", born.substr(5, 2)},
                              {"Bornaaaa", born.substr(0, 4)},
                              {"Bornhh", "00"},
                              {"Bornmin", "00"},
                              {"Bornsec", "00"},
                              {"Amount", text(6)},
                              {"Notes", text(7)}};
  if (sqlite3_column_int(row, 5)) form.emplace_back("Active", "True");
  sqlite3_finalize(row);
  sqlite3_close(db);
  return form;
}

host::NameValueList NewCustomerForm() {
  return {{"NuovoRecordKorVex", "TRUE"},
          {"id", ""},
          {"FirstName", "Nora"},
          {"LastName", "Newcomer"},
          {"Email", "n@x.org"},
          {"City", "Rome"},
          {"Borndd", "2"},
          {"Bornmm", "5"},
          {"Bornaaaa", "1980"},
          {"Bornhh", "00"},
          {"Bornmin", "00"},
          {"Bornsec", "00"},
          {"Active", "True"},
          {"Amount", "12.5"},
          {"Notes", "new"}};
}

// One request as a page makes it: an AdminRecordset on the database, DoEditingList, which
// answers page code 2 with the write and its result page.
size_t Serve(host::MemoryHost& host, host::RequestData request, int16_t expected_action) {
  host::ResponseData response =
      host.Serve(std::move(request), [&](host::ScriptingContext& context) {
        auto page = std::make_shared<AdminRecordset>();
        page->OnStartPage(context.shared_from_this());
        page->DatabasePath(WriteDatabase());
        page->DoEditingList(std::nullopt);
        if (page->ActionPerformed != expected_action)
          throw std::runtime_error("action " + std::to_string(page->ActionPerformed));
      });
  return response.body.size();
}

size_t Save(host::MemoryHost& host, const host::NameValueList& form, int16_t expected_action) {
  return Serve(host, host::MakeFormPost("/t.ksp?PageKorVex=2&RecordsetKorVex=Customers", form),
               expected_action);
}

size_t ListFirstPage(host::MemoryHost& host) {
  return Serve(host, host::MakeRequest("GET", "/t.ksp?RecordsetKorVex=Customers"), 64);
}

// The database's own count of the table the list shows.
void BM_SelectCountStar(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(WriteDatabase().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
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

// The yardstick: the same change as one statement through a connection already open.
void BM_PlainUpdate(benchmark::State& state) {
  auto connection = std::make_shared<ado::Connection>();
  connection->Open("Provider=SQLite;Data Source=" + WriteDatabase());
  int n = 0;
  for (auto _ : state) {
    connection->Execute("UPDATE [Customers] SET [City] = 'Town " + std::to_string(++n % 2) +
                        "' WHERE [id] = " + std::to_string(kRow));
  }
  ReportPeakMemory(state);
}

void BM_SaveUpdate(benchmark::State& state) {
  RegisterAllClasses();
  host::MemoryHost host;
  // Two forms taking turns, so that every save changes the stored city.
  const host::NameValueList forms[] = {EditedForm("Town 0"), EditedForm("Town 1")};
  int n = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Save(host, forms[++n % 2], 16));
  ReportPeakMemory(state);
}

void BM_SaveInsert(benchmark::State& state) {
  RegisterAllClasses();
  host::MemoryHost host;
  const host::NameValueList form = NewCustomerForm();
  for (auto _ : state) benchmark::DoNotOptimize(Save(host, form, 8));
  ReportPeakMemory(state);
}

// The count the list keeps is stale after every write: each page counts again.
void BM_ListFirstPageAfterSave(benchmark::State& state) {
  RegisterAllClasses();
  host::MemoryHost host;
  const host::NameValueList forms[] = {EditedForm("Town 0"), EditedForm("Town 1")};
  int n = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Save(host, forms[++n % 2], 16);
    state.ResumeTiming();
    benchmark::DoNotOptimize(ListFirstPage(host));
  }
  ReportPeakMemory(state);
}

BENCHMARK(BM_PlainUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveUpdate)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveInsert)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SelectCountStar)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListFirstPageAfterSave)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
