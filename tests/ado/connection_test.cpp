#include "ado/connection.h"

#include <gtest/gtest.h>

#include "ado/ado_errors.h"
#include "ado/sqlite/handle_pool.h"
#include "ado_test_db.h"
#include "core/collection.h"
#include "core/member_table.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

TEST(ConnectionString, KeysFoldedValuesUnquoted) {
  auto keys = ParseConnectionString(
      " Provider = Microsoft.Jet.OLEDB.4.0 ;Data Source=\"C:\\a;b.mdb\";junk;Mode='Read''x'");
  EXPECT_EQ(keys["provider"], "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(keys["data source"], "C:\\a;b.mdb");
  EXPECT_EQ(keys["mode"], "Read'x");
  EXPECT_EQ(keys.count("junk"), 0u);
}

TEST(Connection, MissingFileIsAnErrorNamingItAndNothingIsCreated) {
  KORVEX_SQLITE_ONLY();
  TestDb db("CREATE TABLE T (x);");
  auto file = db.dir() / "absent.db";
  Connection c;
  try {
    c.Open("Provider=SQLite;Data Source=" + file.string());
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::kUnspecified);
    EXPECT_NE(e.description().find(file.string()), std::string::npos) << e.description();
  }
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_EQ(c.State(), 0);
}

class FakeServer : public Dispatch {
 public:
  explicit FakeServer(std::string root) : root_(std::move(root)) {}
  const MemberTable& Members() const override {
    static const MemberTable table("Server", {Method("MapPath", &FakeServer::MapPath)});
    return table;
  }
  std::string MapPath(std::string) { return root_; }

 private:
  std::string root_;
};

class FakeContext : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Context", {Prop<&FakeContext::Server>("Server")});
    return table;
  }
  std::shared_ptr<FakeServer> Server;
};

TEST(Connection, RelativeDataSourceIsTakenFromTheSiteRoot) {
  KORVEX_SQLITE_ONLY();
  TestDb db("CREATE TABLE T (x); INSERT INTO T VALUES (1);");
  auto context = std::make_shared<FakeContext>();
  context->Server = std::make_shared<FakeServer>(db.dir().string());
  Connection c;
  c.OnStartPage(context);
  c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=test.db");
  EXPECT_EQ(c.State(), 1);
  EXPECT_EQ(c.Provider(), "Microsoft.Jet.OLEDB.4.0");
  EXPECT_EQ(ErrorOf([&] { c.Open(); }), err::kObjectOpen);
  EXPECT_EQ(ErrorOf([&] { c.ConnectionString("x"); }), err::kObjectOpen);
  c.Close();
  EXPECT_EQ(c.State(), 0);
}

TEST(Connection, ProvidersByName) {
  KORVEX_SQLITE_ONLY();
  TestDb db("CREATE TABLE T (x);");
  Connection c;
  EXPECT_EQ(c.Provider(), "SQLite");
  // The PostgreSQL provider is there: a server that is not gives the login's failure.
  c.ConnectionString("Provider=PostgreSQL;Host=127.0.0.1;Port=1");
  EXPECT_EQ(ErrorOf([&] { c.Open(); }), err::kUnspecified);
  EXPECT_EQ(ErrorOf([&] { c.Open("Provider=Nobody;Data Source=x"); }), err::kProviderNotFound);
  c.Open("Data Source=" + db.file().string());
  EXPECT_EQ(c.Provider(), "SQLite");
  EXPECT_EQ(ToText(c.Properties().Item(Variant("DBMS Name"))->Value()), "SQLite");
}

TEST(Connection, ExecuteTranslatesJetSqlAndReturnsRowsOnlyForQueries) {
  TestDb db("CREATE TABLE [T] (id INTEGER PRIMARY KEY, name TEXT, active BOOLEAN);");
  auto c = db.Open();
  EXPECT_EQ(c->Execute("INSERT INTO [T] (name, active) VALUES ('a', True)"), nullptr);
  EXPECT_EQ(c->RecordsAffected(), 1);
  c->Execute(
      "INSERT INTO [T] (name, active) VALUES ('b', False); UPDATE [T] SET name = name || '!'");
  EXPECT_EQ(c->RecordsAffected(), 3);
  auto rs = c->Execute("SELECT * FROM [T] WHERE [active] = True");
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->RecordCount(), -1);
  EXPECT_EQ(ToText(rs->Fields()[1].Value()), "a!");
  EXPECT_EQ(ErrorOf([&] { c->Execute("DELETE FROM Nowhere"); }), err::kUnknownTable);
  EXPECT_EQ(ErrorOf([&] { c->Execute("SELEC 1"); }), err::kStatementRejected);
  c->Close();
  EXPECT_EQ(ErrorOf([&] { c->Execute("SELECT 1"); }), err::kObjectClosed);

  Connection on_stack;  // owned by no shared pointer
  on_stack.Open(db.ConnectionString());
  EXPECT_EQ(ToText(on_stack.Execute("SELECT COUNT(*) FROM [T]")->Fields()[0].Value()), "2");
}

int64_t Count(const std::shared_ptr<Connection>& c) {
  return CLng(c->Execute("SELECT COUNT(*) FROM [T]")->Fields()[0].Value());
}

TEST(Connection, TransactionsNestAndCloseRollsBack) {
  TestDb db("CREATE TABLE T (x INTEGER);");
  auto c = db.Open();
  EXPECT_EQ(c->BeginTrans(), 1);
  c->Execute("INSERT INTO [T] VALUES (1)");
  EXPECT_EQ(c->BeginTrans(), 2);
  c->Execute("INSERT INTO [T] VALUES (2)");
  c->RollbackTrans();
  EXPECT_EQ(Count(c), 1);
  c->CommitTrans();
  EXPECT_EQ(Count(c), 1);
  EXPECT_EQ(ErrorOf([&] { c->CommitTrans(); }), -2147168242);

  c->BeginTrans();
  c->Execute("INSERT INTO [T] VALUES (3)");
  c->Close();
  auto again = db.Open();
  EXPECT_EQ(Count(again), 1);
}

TEST(Connection, HandlesAreReusedButNeverForAReplacedFile) {
  KORVEX_SQLITE_ONLY();
  sqlite::CloseIdleHandles();
  TestDb db("CREATE TABLE T (x INTEGER); INSERT INTO T VALUES (1);");
  auto c = db.Open();
  EXPECT_EQ(Count(c), 1);
  c->Close();
  EXPECT_EQ(sqlite::IdleHandleCount(), 1u);
  c->Open();
  EXPECT_EQ(sqlite::IdleHandleCount(), 0u);
  c->Close();
  std::filesystem::remove(db.file());
  db.Exec("CREATE TABLE T (x INTEGER); INSERT INTO T VALUES (1), (2);");
  c->Open();
  EXPECT_EQ(Count(c), 2);
}

TEST(Connection, SchemaRestrictionsFromACollection) {
  TestDb db("CREATE TABLE A (x INTEGER); CREATE TABLE B (y INTEGER, z TEXT);");
  auto c = db.Open();
  auto restrictions = std::make_shared<Collection>();
  restrictions->Add(Variant());
  restrictions->Add(Variant());
  restrictions->Add(Variant("b"));
  auto rs = c->OpenSchema(4, Variant(restrictions));
  EXPECT_EQ(rs->RecordCount(), 2);
  EXPECT_EQ(ErrorOf([&] { c->OpenSchema(4, Variant("B")); }), err::kInvalidArgument);
}

}  // namespace
}  // namespace korvex::ado
