// The built-in site on a PostgreSQL server: `korvex serve --connection` on the demo shop
// loaded into a schema of the test server, beside `korvex serve` on the SQLite demo. Both
// quote names with double quotes, so the same screens give the same HTML byte for byte, the
// database's name in the page heads aside.
#include <gtest/gtest.h>
#include <signal.h>

#include <memory>
#include <regex>

#include "demo_database.h"
#include "e2e/process.h"
#include "http/http_test_support.h"
#include "support/test_database.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;
using host::http::testing::Fetch;
using host::http::testing::Get;
using host::http::testing::RawResponse;
using host::http::testing::TempSite;

class Site {
 public:
  Site(const TempSite& temp, const std::string& name, std::vector<std::string> extra) {
    fs::path work = temp.path() / name;
    fs::create_directories(work);
    std::vector<std::string> args = {"serve", "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    server_ = std::make_unique<testing::KorvexProcess>(
        args, temp.path() / (name + ".log"),
        std::map<std::string, std::string>{{"KORVEX_STATE_DIR", (work / "state").string()}}, work);
    port_ = server_->WaitForPort();
  }
  ~Site() {
    server_->Signal(SIGTERM);
    server_->Wait();
  }
  uint16_t port() const { return port_; }
  std::string Output() const { return server_->Output(); }

  RawResponse Page(const std::string& target) const {
    return Fetch(port_, Get(target)).value_or(RawResponse{});
  }
  RawResponse Post(const std::string& target, const std::string& form) const {
    const std::string me = "127.0.0.1:" + std::to_string(port_);
    return Fetch(port_, "POST " + target + " HTTP/1.1\r\nHost: " + me +
                            "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                            "Content-Length: " +
                            std::to_string(form.size()) + "\r\nOrigin: http://" + me + "\r\n\r\n" +
                            form)
        .value_or(RawResponse{});
  }

 private:
  std::unique_ptr<testing::KorvexProcess> server_;
  uint16_t port_ = 0;
};

// A page as both sites serve it: what differs is the database's name and the server's port.
std::string Comparable(std::string body, const std::string& database_name, uint16_t port) {
  body = std::regex_replace(
      body,
      std::regex(std::regex_replace(database_name, std::regex(R"([.^$|()\[\]{}*+?\\])"), R"(\$&)")),
      "DATABASE");
  // A file has a size on disk; the server's database is not a file the site can measure.
  body = std::regex_replace(body, std::regex(", [0-9.]+ [KMG]?B on disk"), "");
  // Each site signs its links with its own secret.
  body =
      std::regex_replace(body, std::regex("SQLSignKorVex=[0-9a-f]{64}"), "SQLSignKorVex=SIGNATURE");
  return std::regex_replace(body, std::regex(":" + std::to_string(port) + "\\b"), ":PORT");
}

TEST(ServerSite, TheDemoShopGivesTheSamePagesOnBothDatabases) {
  KORVEX_POSTGRES_ONLY();
  testing::PostgresScratch shop(testing::PostgresSetupSql(examples::DemoDatabaseSql()));
  TempSite temp;
  // The demo database named as any other database, so neither site is the demo site with its
  // files.
  fs::path demo = examples::EnsureDemoDatabase(temp.path() / "demo");
  Site files(temp, "sqlite", {"--db", demo.string()});
  Site server(temp, "postgres", {"--connection", shop.ConnectionString()});
  ASSERT_NE(files.port(), 0) << files.Output();
  ASSERT_NE(server.port(), 0) << server.Output();
  EXPECT_NE(server.Output().find("administration site of postgres (6 tables)"), std::string::npos)
      << server.Output();

  auto same = [&](const std::string& target, const std::string& form = "") {
    RawResponse a = form.empty() ? files.Page(target) : files.Post(target, form);
    RawResponse b = form.empty() ? server.Page(target) : server.Post(target, form);
    EXPECT_EQ(a.status, 200) << target << a.body;
    EXPECT_EQ(Comparable(b.body, "postgres", server.port()),
              Comparable(a.body, "korvex-demo.db", files.port()))
        << target;
    return b.body;
  };
  same("/");
  for (const char* table : {"Categories", "Products", "Customers", "Orders", "Tags", "ProductTags"})
    same(std::string("/table.ksp?RecordsetKorVex=") + table);
  // A far page, the edit form of a listed row, the add form, a result list and the report.
  same(
      "/table.ksp?RecordsetKorVex=Orders&PageKorVex=-1&CPKorVex=6&SQLKorVex=SELECT+%2A+FROM+%22"
      "Orders%22+");
  same("/table.ksp?PageKorVex=1&RecordsetKorVex=Customers",
       "CustomerID=3&FirstName=Carla&LastName=x&Email=&City=&Joined=&Newsletter=False");
  same("/add.ksp?RecordsetKorVex=Products");
  same(
      "/table.ksp?RecordsetKorVex=Customers&PageKorVex=-1&SQLKorVex=SELECT+%2A+FROM+%22"
      "Customers%22+WHERE+%22City%22+LIKE+%27l%25%27+");
  same("/report.ksp?RecordsetKorVex=Tags");

  // The write path: an edit, an insert with its generated key, a refused duplicate, a delete.
  std::string edited = same("/table.ksp?PageKorVex=2&RecordsetKorVex=Tags",
                            "TagIDHIDDEN=1&NameHIDDEN=gift&TagID=1&Name=present");
  EXPECT_NE(edited.find("present"), std::string::npos) << edited;
  same("/table.ksp?PageKorVex=2&RecordsetKorVex=Tags", "NuovoRecordKorVex=TRUE&Name=blue");
  EXPECT_EQ(shop.Column("SELECT \"TagID\" FROM \"Tags\" WHERE \"Name\" = 'blue'"), "7");
  // A duplicate is refused by each database in its own words.
  for (const Site* site : {&files, &server}) {
    RawResponse refused = site->Post("/table.ksp?PageKorVex=2&RecordsetKorVex=Tags",
                                     "NuovoRecordKorVex=TRUE&Name=eco");
    EXPECT_NE(refused.body.find("<p class=\"message error\" role=\"alert\">"), std::string::npos)
        << refused.body;
  }
  same("/table.ksp?PageKorVex=2&RecordsetKorVex=Tags",
       "TagIDHIDDEN=7&NameHIDDEN=blue&TagID=7&Name=blue&DELETEKorVex=Delete");
  EXPECT_EQ(shop.Column("SELECT \"TagID\" || ':' || \"Name\" FROM \"Tags\" ORDER BY 1"),
            "1:present,2:eco,3:bestseller,4:new,5:handmade,6:sale");
  same("/table.ksp?RecordsetKorVex=Tags");
}

}  // namespace
}  // namespace korvex
