// The built-in administration site as a user meets it: `korvex serve` started in an empty
// working folder (so on the demo shop database it creates there), or on a named database,
// driven over plain sockets on a free loopback port.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <memory>
#include <regex>
#include <thread>

#include "e2e/process.h"
#include "http/http_test_support.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;
using host::http::testing::Fetch;
using host::http::testing::Get;
using host::http::testing::RawResponse;
using host::http::testing::TempSite;

void Exec(const fs::path& database, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK)
      << sqlite3_errmsg(db);
  sqlite3_close(db);
}

class BuiltInSiteTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(work_); }

  // Starts `korvex serve --port 0` with the extra arguments in the working folder; the
  // port, or 0 when it did not start.
  uint16_t Serve(std::vector<std::string> extra = {},
                 const std::map<std::string, std::string>& env = {}) {
    std::vector<std::string> args = {"serve", "--port", "0"};
    args.insert(args.end(), extra.begin(), extra.end());
    std::map<std::string, std::string> all = env;
    all["KORVEX_STATE_DIR"] = (temp_.path() / "state").string();
    server_.reset();  // a previous run ends first
    // A log of its own per run: the start line of the last run must not be taken for this one.
    const fs::path log = temp_.path() / ("server" + std::to_string(++runs_) + ".log");
    server_ = std::make_unique<testing::KorvexProcess>(args, log, all, work_);
    return server_->WaitForPort();
  }

  int Stop() {
    server_->Signal(SIGTERM);
    return server_->Wait();
  }

  RawResponse Page(uint16_t port, const std::string& target, const std::string& headers = "") {
    std::optional<RawResponse> r = Fetch(port, Get(target, headers));
    EXPECT_TRUE(r) << target;
    return r.value_or(RawResponse{});
  }

  TempSite temp_;
  fs::path work_ = temp_.path() / "work";
  std::unique_ptr<testing::KorvexProcess> server_;
  int runs_ = 0;
};

TEST_F(BuiltInSiteTest, DemoSiteListsTablesAndPagesThroughAList) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  EXPECT_NE(server_->Output().find("created the demo database"), std::string::npos);
  EXPECT_TRUE(fs::exists(work_ / "korvex-demo.db"));

  RawResponse home = Page(port, "/");
  EXPECT_EQ(home.status, 200);
  for (const char* table : {"Categories", "Products", "Customers", "Orders", "Tags", "ProductTags"})
    EXPECT_NE(home.body.find("<a href=\"/table.ksp?RecordsetKorVex=" + std::string(table) + "\">"),
              std::string::npos)
        << table;
  EXPECT_NE(home.body.find("/search.ksp?RecordsetKorVex=Orders"), std::string::npos);

  RawResponse first = Page(port, "/table.ksp?RecordsetKorVex=Customers");
  EXPECT_EQ(first.status, 200) << first.body;
  EXPECT_NE(first.body.find("Record 1 to 7 on a total of "), std::string::npos) << first.body;
  EXPECT_NE(first.body.find("<input type=hidden name='CustomerID' value=\"1\">"),
            std::string::npos);
  // No session is opened for a visitor who has not paged yet.
  EXPECT_EQ(first.Header("Set-Cookie"), "");

  std::smatch link;
  ASSERT_TRUE(std::regex_search(first.body, link,
                                std::regex(R"(href='(/table\.ksp\?[^']*CPKorVex=2&[^']*)')")))
      << first.body;
  RawResponse second = Page(port, link[1]);
  EXPECT_EQ(second.status, 200) << second.body;
  EXPECT_NE(second.body.find("Record 8 to 14 on a total of "), std::string::npos) << second.body;
  EXPECT_NE(second.body.find("name='CustomerID' value=\"8\">"), std::string::npos);
  EXPECT_EQ(second.body.find("name='CustomerID' value=\"1\">"), std::string::npos);

  // The products' image names link to the sample images, which are served as they are.
  RawResponse products = Page(port, "/table.ksp?RecordsetKorVex=Products");
  std::smatch image;
  ASSERT_TRUE(std::regex_search(products.body, image, std::regex("<a href='(/files/[^']+)'")));
  RawResponse png = Page(port, image[1]);
  EXPECT_EQ(png.status, 200);
  EXPECT_EQ(png.body, testing::ReadWholeFile(work_ / "files" / "red-mug.png"));
  EXPECT_EQ(png.Header("Content-Type"), "image/png");
  EXPECT_EQ(Page(port, "/site.css").Header("Content-Type"), "text/css");
  EXPECT_EQ(Stop(), 0);
}

TEST_F(BuiltInSiteTest, RefusesUnknownTablesPathsOutsideAndStatements) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  EXPECT_EQ(Page(port, "/missing.html").status, 404);
  for (const char* name : {"Nothing", "customers", "Customers%22%20--", "%22Customers%22", ""}) {
    for (const char* page : {"/table.ksp", "/add.ksp", "/search.ksp", "/report.ksp", "/schema.ksp",
                             "/history.ksp", "/export.ksp"}) {
      RawResponse r = Page(port, std::string(page) + "?RecordsetKorVex=" + name);
      EXPECT_EQ(r.status, 404) << page << " " << name;
      EXPECT_NE(r.body.find("No table named"), std::string::npos);
    }
  }
  EXPECT_NE(Page(port, "/table.ksp?RecordsetKorVex=%3Cb%3E").body.find("&quot;&lt;b&gt;&quot;"),
            std::string::npos);

  // The database and the pages' sources stay out of reach; a page put among the files is
  // neither run nor shown.
  std::ofstream(work_ / "files" / "dropped.ksp") << "<%= 6 * 7 %>";
  for (const char* target : {"/korvex-demo.db", "/../korvex-demo.db", "/files/../korvex-demo.db",
                             "/%2e%2e/korvex-demo.db", "/files/%2e%2e/korvex-demo.db",
                             "/files/..%2fkorvex-demo.db", "/files/dropped.ksp", "/files/"}) {
    RawResponse r = Page(port, target);
    EXPECT_GE(r.status, 400) << target;
    EXPECT_EQ(r.body.find("SQLite format 3"), std::string::npos) << target;
    EXPECT_EQ(r.body.find("42"), std::string::npos) << target;
  }

  // A result list's SQL comes back from the request: only a text the site signed runs.
  for (const char* sql : {"DELETE+FROM+%22Orders%22", "SELECT+1%3B+DELETE+FROM+%22Orders%22"}) {
    RawResponse drop = Page(
        port, std::string("/search.ksp?RecordsetKorVex=Orders&PageKorVex=-1&SQLKorVex=") + sql);
    EXPECT_NE(drop.body.find("is not signed by this site"), std::string::npos) << drop.body;
  }
  EXPECT_NE(Page(port, "/table.ksp?RecordsetKorVex=Orders").body.find("Record 1 to 7"),
            std::string::npos);
}

// The screens write their page's path unencoded into form actions and links: a URL going
// on after the page's name must never get that far.
TEST_F(BuiltInSiteTest, ExtraPathAfterAPageIsNotFoundAndOtherSitesCannotPost) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  for (const char* target :
       {"/table.ksp/'%3E%3Cimg%20src=x%20onerror=alert(1)%3E?RecordsetKorVex=Products",
        "/table.ksp/%27%3E%3Cimg%20src%3Dx%20onerror%3Dalert(1)%3E?RecordsetKorVex=Products",
        "/table.ksp/?RecordsetKorVex=Products", "/index.ksp/x", "/site.css/x"}) {
    RawResponse r = Page(port, target);
    EXPECT_EQ(r.status, 404) << target;
    EXPECT_EQ(r.body.find("<img"), std::string::npos) << target;
    EXPECT_EQ(r.body.find("onerror"), std::string::npos) << target;
  }
  RawResponse list = Page(port, "/table.ksp?RecordsetKorVex=Products");
  EXPECT_EQ(list.status, 200);
  std::smatch action;
  ASSERT_TRUE(std::regex_search(list.body, action, std::regex("action='([^']*)'"))) << list.body;
  EXPECT_EQ(action[1], "/table.ksp?PageKorVex=1&RecordsetKorVex=Products");

  const std::string me = "127.0.0.1:" + std::to_string(port);
  const std::string post = "POST /table.ksp?RecordsetKorVex=Products HTTP/1.1\r\nHost: " + me +
                           "\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                           "Content-Length: 3\r\n";
  std::optional<RawResponse> r = Fetch(port, post + "Origin: http://evil.example\r\n\r\nx=1");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 403);
  EXPECT_EQ(r->body.find("Products"), std::string::npos);
  r = Fetch(port, post + "Origin: http://" + me + "\r\n\r\nx=1");
  ASSERT_TRUE(r);
  EXPECT_EQ(r->status, 200);
  EXPECT_EQ(Stop(), 0);
  EXPECT_NE(server_->Output().find("refused: Origin \"http://evil.example\""), std::string::npos);
}

// The write path answers page code 2 of any page of a table. Another site's page may send a
// POST (turned away at the gate) or a GET (let through there, as reading is): neither writes.
TEST_F(BuiltInSiteTest, OnlyTheSitesOwnPostedFormsWrite) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  const std::string me = "127.0.0.1:" + std::to_string(port);
  const std::string target = "/table.ksp?PageKorVex=2&RecordsetKorVex=Tags";
  const std::string form = "TagIDHIDDEN=1&TagID=1&Name=renamed";
  auto post = [&](const std::string& origin) {
    std::optional<RawResponse> r =
        Fetch(port, "POST " + target + " HTTP/1.1\r\nHost: " + me +
                        "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                        std::to_string(form.size()) + "\r\nOrigin: " + origin + "\r\n\r\n" + form);
    EXPECT_TRUE(r) << origin;
    return r.value_or(RawResponse{});
  };
  auto stored_name = [&] {
    sqlite3* db = nullptr;
    sqlite3_open_v2((work_ / "korvex-demo.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT Name FROM Tags WHERE TagID = 1", -1, &statement, nullptr);
    std::string name = sqlite3_step(statement) == SQLITE_ROW
                           ? reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))
                           : "";
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return name;
  };
  const std::string before = stored_name();

  EXPECT_EQ(post("http://evil.example").status, 403);
  RawResponse get = Page(port, target + "&" + form);
  EXPECT_EQ(get.status, 500);
  EXPECT_NE(get.body.find("-2147024891"), std::string::npos) << get.body;
  EXPECT_EQ(stored_name(), before);

  RawResponse own = post("http://" + me);
  EXPECT_EQ(own.status, 200);
  EXPECT_NE(own.body.find("The Record has been modified"), std::string::npos) << own.body;
  EXPECT_EQ(stored_name(), "renamed");
}

TEST_F(BuiltInSiteTest, SessionRemembersTheListPageBehindASafeCookie) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  RawResponse paged = Page(port, "/table.ksp?RecordsetKorVex=Customers&CPKorVex=2");
  std::string cookie = paged.Header("Set-Cookie");
  EXPECT_TRUE(cookie.starts_with("KORVEXSESSIONID=")) << cookie;
  EXPECT_NE(cookie.find("HttpOnly"), std::string::npos);
  EXPECT_NE(cookie.find("SameSite=Lax"), std::string::npos);
  std::string pair = cookie.substr(0, cookie.find(';'));

  const std::string back = "href=\"/table.ksp?RecordsetKorVex=Customers&amp;CPKorVex=2\"";
  EXPECT_NE(Page(port, "/report.ksp?RecordsetKorVex=Customers", "Cookie: " + pair + "\r\n")
                .body.find(back),
            std::string::npos);
  EXPECT_EQ(Page(port, "/report.ksp?RecordsetKorVex=Customers").body.find(back), std::string::npos);
  // The same page again changes nothing, so no new cookie is sent.
  EXPECT_EQ(
      Page(port, "/table.ksp?RecordsetKorVex=Customers&CPKorVex=2", "Cookie: " + pair + "\r\n")
          .Header("Set-Cookie"),
      "");
}

TEST_F(BuiltInSiteTest, ReportPagesThroughATemplateKeptInTheStateFolder) {
  uint16_t port = Serve({"--threads", "8"});
  ASSERT_NE(port, 0) << server_->Output();
  // Several first uses at once, each round on a template just removed: every one of them is
  // the whole report, none an error from writing the template at the same time as another.
  const fs::path templates = temp_.path() / "state" / "report-templates";
  RawResponse first;
  for (int round = 0; round < 8; ++round) {
    fs::remove_all(templates);
    std::vector<RawResponse> answers(8);
    std::vector<std::thread> clients;
    for (RawResponse& answer : answers)
      clients.emplace_back([&answer, port] {
        answer = Fetch(port, Get("/report.ksp?RecordsetKorVex=Orders")).value_or(RawResponse{});
      });
    for (std::thread& client : clients) client.join();
    for (const RawResponse& answer : answers) {
      EXPECT_EQ(answer.status, 200) << answer.body;
      EXPECT_TRUE(answer.body == answers[0].body) << "round " << round << ": the answers differ";
    }
    first = answers[0];
  }
  EXPECT_NE(first.body.find("Orders Report </FONT></h1>"), std::string::npos) << first.body;
  EXPECT_NE(first.body.find("records \r\n1\r\n to 10\r\n on a total of 60 "), std::string::npos);
  EXPECT_NE(first.body.find("This is Record number 10</FONT>"), std::string::npos);
  EXPECT_EQ(first.body.find("This is Record number 11</FONT>"), std::string::npos);

  std::smatch link;
  ASSERT_TRUE(std::regex_search(
      first.body, link, std::regex(R"(href='(/report\.ksp\?PageKorVex=-2&CPKorVex=6&[^']*)'>6<)")))
      << first.body;
  RawResponse sixth = Page(port, link[1]);
  EXPECT_EQ(sixth.status, 200) << sixth.body;
  EXPECT_NE(sixth.body.find("records \r\n51\r\n to 60\r\n"), std::string::npos) << sixth.body;
  EXPECT_NE(sixth.body.find("This is Record number 60</FONT>"), std::string::npos);

  // One template, in the state folder and nowhere near the database; edits to it are kept.
  std::vector<fs::path> kept;
  for (const auto& entry : fs::recursive_directory_iterator(temp_.path() / "state"))
    if (entry.path().extension() == ".html") kept.push_back(entry.path());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(kept[0].filename().string().starts_with("Orders-")) << kept[0];
  for (const auto& entry : fs::recursive_directory_iterator(work_))
    EXPECT_NE(entry.path().extension(), ".html") << entry.path();
  std::ofstream(kept[0], std::ios::binary | std::ios::trunc)
      << "Edited<!-- KORVEX BEGIN LOOP -->{OrderID};\r\n<!-- KORVEX END LOOP -->.";
  EXPECT_NE(Page(port, "/report.ksp?RecordsetKorVex=Orders").body.find("Edited1;\r2;\r3;\r"),
            std::string::npos);
  EXPECT_EQ(Stop(), 0);
}

TEST_F(BuiltInSiteTest, DemoIsReusedOnTheNextRun) {
  ASSERT_NE(Serve(), 0) << server_->Output();
  ASSERT_EQ(Stop(), 0);
  Exec(work_ / "korvex-demo.db", "INSERT INTO Tags (Name) VALUES ('kept across runs')");

  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  EXPECT_NE(server_->Output().find("using the demo database"), std::string::npos);
  EXPECT_NE(Page(port, "/table.ksp?RecordsetKorVex=Tags").body.find("kept across runs"),
            std::string::npos);
  // One folder of pages for one build, however often it starts.
  size_t folders = 0;
  for (const auto& entry : fs::directory_iterator(temp_.path() / "state"))
    folders += entry.path().filename().string().starts_with("site-");
  EXPECT_EQ(folders, 1u);
}

TEST_F(BuiltInSiteTest, NamedDatabaseByFileOrConnectionString) {
  // A name the connection string has to quote to keep whole.
  const fs::path database = temp_.path() / "my; shop.db";
  Exec(database,
       "CREATE TABLE \"Odd name\" (ID INTEGER PRIMARY KEY, Label TEXT);"
       "INSERT INTO \"Odd name\" (Label) VALUES ('first');"
       "CREATE VIEW Labels AS SELECT Label FROM \"Odd name\"");
  for (const std::vector<std::string>& how :
       {std::vector<std::string>{"--db", database.string()},
        std::vector<std::string>{"--connection",
                                 "Provider=SQLite;Data Source='" + database.string() + "'"}}) {
    uint16_t port = Serve(how);
    ASSERT_NE(port, 0) << server_->Output();
    EXPECT_NE(server_->Output().find("administration site of my; shop.db (1 table)"),
              std::string::npos)
        << server_->Output();
    RawResponse home = Page(port, "/");
    EXPECT_NE(home.body.find("/table.ksp?RecordsetKorVex=Odd+name\">Odd name<"), std::string::npos)
        << home.body;
    EXPECT_EQ(home.body.find("Labels"), std::string::npos);  // views are not tables
    EXPECT_NE(Page(port, "/table.ksp?RecordsetKorVex=Odd+name").body.find("first"),
              std::string::npos);
    EXPECT_EQ(Page(port, "/files/red-mug.png").status, 404);  // no demo files here
    EXPECT_EQ(Stop(), 0);
  }
  EXPECT_FALSE(fs::exists(work_ / "korvex-demo.db"));
}

// The schema pages run the dumps on the site's own connection: a password in its string is
// masked on every page, and appears nowhere else either.
TEST_F(BuiltInSiteTest, SchemaPagesOfTheDatabaseAndOfATableHideThePassword) {
  const fs::path database = temp_.path() / "library.db";
  Exec(database,
       "CREATE TABLE Shelves (Code VARCHAR(5) PRIMARY KEY, Room TEXT);"
       "CREATE TABLE Books (ID INTEGER PRIMARY KEY, Shelf VARCHAR(5) REFERENCES Shelves(Code))");
  const std::string password = "Tr0ub4dor";
  uint16_t port = Serve({"--connection", "Provider=SQLite;Data Source='" + database.string() +
                                             "';User ID=ann;Password=" + password});
  ASSERT_NE(port, 0) << server_->Output();

  RawResponse home = Page(port, "/");
  EXPECT_NE(home.body.find("<a href=\"/schema.ksp\">Schema</a>"), std::string::npos) << home.body;
  EXPECT_NE(home.body.find("<a href=\"/schema.ksp?RecordsetKorVex=Books\">Schema</a>"),
            std::string::npos);

  RawResponse whole = Page(port, "/schema.ksp");
  EXPECT_EQ(whole.status, 200) << whole.body;
  for (const char* piece :
       {"<h3>adSchemaTables</h3><TABLE BORDER=1>", "<h3>adSchemaViews</h3><TABLE BORDER=1>",
        "<h3>adSchemaForeignKeys</h3><TABLE BORDER=1>", "<TD>Books</TD><TD>Shelf</TD>",
        "  <td>\r\n  User ID\r\n  </td>\r\n  <td>\r\n  ann\r\n",
        "  <td>\r\n  Password\r\n  </td>\r\n  <td>\r\n  ********\r\n"})
    EXPECT_NE(whole.body.find(piece), std::string::npos) << piece;

  RawResponse shelves = Page(port, "/schema.ksp?RecordsetKorVex=Shelves");
  EXPECT_EQ(shelves.status, 200) << shelves.body;
  EXPECT_NE(shelves.body.find("<h3> adSchemaForeignKeys Shelves</h3><TABLE BORDER=1>"),
            std::string::npos);
  EXPECT_NE(shelves.body.find("<TD>Shelves</TD><TD>Code</TD>"), std::string::npos);
  EXPECT_NE(shelves.body.find("<a href=\"/table.ksp?RecordsetKorVex=Shelves\">List</a>"),
            std::string::npos);

  EXPECT_EQ(Stop(), 0);
  std::string log = server_->Output();
  for (const std::string* text : {&home.body, &whole.body, &shelves.body, &log})
    EXPECT_EQ(text->find(password), std::string::npos) << *text;
}

// The list's export sends every row, in chunks as they are read, with a header row (CSV) or
// as one array (JSON); an unknown format or table is answered without reading a row.
TEST_F(BuiltInSiteTest, ExportsSendEveryRowOfTheTableInChunks) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((work_ / "korvex-demo.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM Orders", -1, &statement, nullptr);
  ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
  const size_t rows = static_cast<size_t>(sqlite3_column_int64(statement, 0));
  sqlite3_finalize(statement);
  sqlite3_close(db);
  auto count = [](const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
  };

  RawResponse csv = Page(port, "/export.ksp?RecordsetKorVex=Orders&format=csv");
  EXPECT_EQ(csv.status, 200) << csv.body;
  EXPECT_EQ(csv.Header("Transfer-Encoding"), "chunked");
  EXPECT_EQ(csv.Header("Content-Type"), "text/csv; charset=utf-8");
  EXPECT_EQ(csv.Header("Content-Disposition"),
            "attachment; filename=\"Orders.csv\"; filename*=UTF-8''Orders.csv");
  EXPECT_TRUE(
      csv.body.starts_with("OrderID,CustomerID,ProductID,Quantity,OrderDate,Shipped,Notes\r\n1,"))
      << csv.body.substr(0, 200);
  EXPECT_EQ(count(csv.body, "\r\n"), rows + 1);

  RawResponse json = Page(port, "/export.ksp?RecordsetKorVex=Orders&format=json");
  EXPECT_EQ(json.status, 200);
  EXPECT_TRUE(json.body.starts_with("[\n{\"OrderID\":1,\"CustomerID\":"))
      << json.body.substr(0, 200);
  EXPECT_TRUE(json.body.ends_with("}\n]\n"));
  EXPECT_EQ(count(json.body, "\n{"), rows);

  EXPECT_EQ(Page(port, "/export.ksp?RecordsetKorVex=Orders&format=xml").status, 404);
  EXPECT_EQ(Page(port, "/export.ksp?RecordsetKorVex=Nope&format=csv").status, 404);
  RawResponse forged = Page(port,
                            "/export.ksp?RecordsetKorVex=Orders&from=search&format=csv&SQLKorVex="
                            "SELECT+*+FROM+Orders&SQLSignKorVex=00");
  EXPECT_EQ(forged.status, 403);
  EXPECT_NE(forged.body.find("is not signed by this site"), std::string::npos) << forged.body;
  EXPECT_EQ(Stop(), 0);
}

// Values that need care in each format: quotes, commas and line breaks quoted in CSV and
// escaped in JSON, UTF-8 kept, NULL as an empty field or null, numbers exact, blobs in base64,
// dates in ISO 8601.
TEST_F(BuiltInSiteTest, ExportsWriteEachKindOfValueInItsFormat) {
  const fs::path database = temp_.path() / "kinds.db";
  Exec(database,
       "CREATE TABLE T (id INTEGER PRIMARY KEY, name TEXT, amount REAL, data BLOB, at DATETIME);"
       "INSERT INTO T VALUES (1, 'Zürich', 0.1, x'00ff10', '2024-05-06 07:08:09'),"
       " (2, 'a \"quoted\", text' || char(10) || 'next', NULL, NULL, '2024-05-06'),"
       " (3, NULL, -2.5e-7, x'', NULL)");
  uint16_t port = Serve({"--db", database.string()});
  ASSERT_NE(port, 0) << server_->Output();
  EXPECT_EQ(Page(port, "/export.ksp?RecordsetKorVex=T&format=csv").body,
            "id,name,amount,data,at\r\n"
            "1,Zürich,0.1,AP8Q,2024-05-06T07:08:09\r\n"
            "2,\"a \"\"quoted\"\", text\nnext\",,,2024-05-06\r\n"
            "3,,-2.5e-07,,\r\n");
  EXPECT_EQ(Page(port, "/export.ksp?RecordsetKorVex=T&format=JSON").body,
            "[\n"
            "{\"id\":1,\"name\":\"Zürich\",\"amount\":0.1,\"data\":\"AP8Q\","
            "\"at\":\"2024-05-06T07:08:09\"},\n"
            "{\"id\":2,\"name\":\"a \\\"quoted\\\", text\\nnext\",\"amount\":null,\"data\":null,"
            "\"at\":\"2024-05-06\"},\n"
            "{\"id\":3,\"name\":null,\"amount\":-2.5e-07,\"data\":\"\",\"at\":null}\n"
            "]\n");
  EXPECT_EQ(Stop(), 0);
}

// Each posted write leaves one history row, kept in the state folder (the user's database
// gains no table), newest first, twenty a page; the forged GET write leaves none.
TEST_F(BuiltInSiteTest, HistoryKeepsEachWriteNewestFirstInPagesOfTwenty) {
  uint16_t port = Serve();
  ASSERT_NE(port, 0) << server_->Output();
  const std::string me = "127.0.0.1:" + std::to_string(port);
  auto rename = [&](int n) {
    const std::string form = "TagIDHIDDEN=1&TagID=1&Name=name" + std::to_string(n);
    std::optional<RawResponse> r = Fetch(
        port, "POST /table.ksp?PageKorVex=2&RecordsetKorVex=Tags HTTP/1.1\r\nHost: " + me +
                  "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                  std::to_string(form.size()) + "\r\nOrigin: http://" + me + "\r\n\r\n" + form);
    ASSERT_TRUE(r);
    EXPECT_NE(r->body.find("<p class=\"message ok\" role=\"status\">Tags 1 updated</p>"),
              std::string::npos)
        << r->body;
  };
  for (int n = 1; n <= 21; ++n) rename(n);
  EXPECT_EQ(Page(port, "/table.ksp?PageKorVex=2&RecordsetKorVex=Tags&TagIDHIDDEN=1&Name=x").status,
            500);

  auto rows = [](const std::string& body) {
    size_t n = 0;
    for (size_t at = body.find("<td class=\"action-"); at != std::string::npos;
         at = body.find("<td class=\"action-", at + 1))
      ++n;
    return n;
  };
  RawResponse first = Page(port, "/history.ksp?RecordsetKorVex=Tags");
  EXPECT_EQ(rows(first.body), 20u);
  const size_t newest = first.body.find("<td>Name</td><td>name20</td><td>name21</td>");
  EXPECT_NE(newest, std::string::npos) << first.body;
  EXPECT_LT(newest, first.body.find("<td>name19</td><td>name20</td>"));
  EXPECT_NE(first.body.find("href=\"/history.ksp?RecordsetKorVex=Tags&amp;page=2\""),
            std::string::npos);
  RawResponse second = Page(port, "/history.ksp?RecordsetKorVex=Tags&page=2");
  EXPECT_EQ(rows(second.body), 1u);
  EXPECT_NE(second.body.find("<td>name1</td>"), std::string::npos) << second.body;
  EXPECT_EQ(rows(Page(port, "/history.ksp?RecordsetKorVex=Orders").body), 0u);

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2((work_ / "korvex-demo.db").c_str(), &db, SQLITE_OPEN_READONLY, nullptr),
            SQLITE_OK);
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE name LIKE '%history%'", -1,
                     &statement, nullptr);
  ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(statement, 0), 0);
  sqlite3_finalize(statement);
  sqlite3_close(db);
  EXPECT_TRUE(fs::exists(temp_.path() / "state" / "history"));
  EXPECT_EQ(Stop(), 0);
}

}  // namespace
}  // namespace korvex
