// The PostgreSQL provider against a real server: the type map, generated keys, the catalogue,
// Jet SQL in the server's dialect, batched positioning, filters, errors, transactions and the
// connection string. Skipped when no test server is given.
#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/postgres/pg_pool.h"
#include "ado/postgres/postgres_values.h"
#include "ado/recordset.h"
#include "ado_test_db.h"
#include "support/test_database.h"

namespace korvex::ado {
namespace {

using korvex::testing::PostgresScratch;
using testing::ErrorOf;

std::shared_ptr<Connection> Open(const PostgresScratch& db) {
  auto c = std::make_shared<Connection>();
  c->Open(db.ConnectionString());
  return c;
}

std::shared_ptr<Recordset> Query(const std::shared_ptr<Connection>& c, const std::string& source,
                                 int32_t cursor = kOpenKeyset, int32_t lock = kLockReadOnly) {
  auto rs = std::make_shared<Recordset>();
  rs->Open(Variant(source), Variant(c), cursor, lock);
  return rs;
}

Variant V(Recordset& rs, const char* name) {
  return rs.Fields().Item(Variant(name))->Value();
}

std::string Scalar(const std::shared_ptr<Connection>& c, const std::string& sql) {
  return TextOrEmpty(c->Execute(sql)->Fields()[0].Value());
}

TEST(PostgresValues, ParameterMarksAreNumberedOutsideTextsAndNames) {
  EXPECT_EQ(postgres::NumberParameterMarks(
                "SELECT '?', \"a?\" FROM t WHERE x = ? -- ?\n AND y IN (?, ?)"),
            "SELECT '?', \"a?\" FROM t WHERE x = $1 -- ?\n AND y IN ($2, $3)");
}

TEST(PostgresProvider, ColumnTypesMapToThePublishedNumbers) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Types" (
      s smallint, i integer, b bigint, f4 real, f8 double precision, n numeric(10,2),
      m money, flag boolean, d date, ts timestamp, tz timestamptz, u uuid, c char(5),
      v varchar(40), t text, bin bytea, j json, vu varchar);
    INSERT INTO "Types" VALUES (-2, 40000, 9000000000, 1.5, 0.1, 12.50, 1234.5, true,
      '2003-03-14', '2003-03-14 15:04:09.75', '2003-03-14 15:04:09+02',
      'a0eebc99-9c0b-4ef8-bb6d-6bb9bd380a11', 'ab', 'text', 'long', '\x00ff41', '{"a": 1}', 'x');)");
  auto rs = Query(Open(db), "Types");
  struct Case {
    const char* field;
    int32_t type;
    int32_t size;
    int32_t fixed_or_long;  // the 0x10 and 0x80 attribute bits
    const char* text;
  };
  for (const Case& c : std::vector<Case>{
           {"s", type::kSmallInt, 2, attr::kFixed, "-2"},
           {"i", type::kInteger, 4, attr::kFixed, "40000"},
           {"b", type::kNumeric, 19, attr::kFixed, "9000000000"},
           {"f4", type::kSingle, 4, attr::kFixed, "1.5"},
           {"f8", type::kDouble, 8, attr::kFixed, "0.1"},
           {"n", type::kNumeric, 19, attr::kFixed, "12.5"},
           {"m", type::kCurrency, 8, attr::kFixed, "1234.5"},
           {"flag", type::kBoolean, 2, attr::kFixed, "True"},
           {"d", type::kDate, 8, attr::kFixed, "2003-03-14"},
           {"ts", type::kDBTimeStamp, 16, attr::kFixed, "2003-03-14 15:04:09"},
           {"tz", type::kDBTimeStamp, 16, attr::kFixed, "2003-03-14 13:04:09"},
           {"u", type::kGuid, 16, attr::kFixed, "{A0EEBC99-9C0B-4EF8-BB6D-6BB9BD380A11}"},
           {"c", type::kWChar, 5, attr::kFixed, "ab"},
           {"v", type::kVarWChar, 40, 0, "text"},
           {"t", type::kLongVarWChar, 536870910, attr::kLong, "long"},
           {"bin", type::kLongVarBinary, 1073741823, attr::kLong,
            std::string("\0\xff"
                        "A",
                        3)
                .c_str()},
           {"j", type::kLongVarWChar, 536870910, attr::kLong, "{\"a\": 1}"},
           {"vu", type::kLongVarWChar, 536870910, attr::kLong, "x"},
       }) {
    Field& f = *rs->Fields().Item(Variant(c.field));
    EXPECT_EQ(f.Type(), c.type) << c.field;
    EXPECT_EQ(f.DefinedSize(), c.size) << c.field;
    EXPECT_EQ(f.Attributes() & (attr::kFixed | attr::kLong), c.fixed_or_long) << c.field;
    if (std::string(c.field) != "bin") {
      EXPECT_EQ(ToText(f.Value()), c.text) << c.field;
    }
  }
  EXPECT_EQ(V(*rs, "bin").AsString(), std::string("\0\xff"
                                                  "A",
                                                  3));
  EXPECT_EQ(V(*rs, "d").type(), VarType::Date);
  EXPECT_EQ(V(*rs, "m").type(), VarType::Currency);
  EXPECT_EQ(V(*rs, "flag").type(), VarType::Boolean);
  EXPECT_EQ(V(*rs, "s").type(), VarType::Integer);
}

TEST(PostgresProvider, SerialAndIdentityKeysComeBackFromTheInsert) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Serial" (id serial PRIMARY KEY, name varchar(10) NOT NULL,
                           qty smallint DEFAULT 7, made timestamp DEFAULT now());
    CREATE TABLE "Identity" (id bigint GENERATED ALWAYS AS IDENTITY PRIMARY KEY, name text);
    INSERT INTO "Serial" (name) VALUES ('a'), ('b');
    INSERT INTO "Identity" (name) VALUES ('x');)");
  auto c = Open(db);
  for (const char* table : {"Serial", "Identity"}) {
    auto rs = Query(c, table, kOpenKeyset, kLockOptimistic);
    Field& id = *rs->Fields().Item(Variant("id"));
    EXPECT_TRUE(CBool(id.Properties().Item(Variant("ISAUTOINCREMENT"))->Value())) << table;
    EXPECT_EQ(id.Attributes() & attr::kUpdatable, 0) << table;
    EXPECT_NE(id.Attributes() & attr::kKeyColumn, 0) << table;
    rs->AddNew();
    EXPECT_TRUE(V(*rs, "id").IsNull()) << "no number is drawn for a new record: " << table;
    rs->Fields().Item(Variant("name"))->Value(Variant("new"));
    rs->Update();
    EXPECT_EQ(CLng(V(*rs, "id")), std::string(table) == "Serial" ? 3 : 2) << table;
    if (std::string(table) == "Serial") {
      EXPECT_EQ(CLng(V(*rs, "qty")), 7);
      EXPECT_EQ(V(*rs, "made").type(), VarType::Date);
    }
    EXPECT_EQ(rs->RecordCount(), std::string(table) == "Serial" ? 3 : 2);
    rs->MoveLast();
    EXPECT_EQ(ToText(V(*rs, "name")), "new");
  }
  EXPECT_EQ(db.Column("SELECT last_value FROM \"Serial_id_seq\""), "3");
}

TEST(PostgresProvider, UpdatesAndDeletesFindTheRowAndRefuseAChangedOne) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Items" (id integer PRIMARY KEY, name varchar(5), price numeric(8,2),
                          ok boolean, made date, weight real);
    INSERT INTO "Items" VALUES (1, 'a', 1.10, true, '2003-03-14', 0.1), (2, 'b', NULL, NULL,
                                NULL, NULL), (3, 'c', 3, false, NULL, 2.5);)");
  auto c = Open(db);
  auto rs = Query(c, "SELECT * FROM [Items] ORDER BY id", kOpenKeyset, kLockOptimistic);
  // Every read value compares equal to the stored one, Nulls included.
  rs->Fields().Item(Variant("name"))->Value(Variant("A"));
  rs->Update();
  rs->MoveNext();
  rs->Fields().Item(Variant("ok"))->Value(Variant(true));
  rs->Update();
  EXPECT_EQ(db.Column("SELECT name || ':' || COALESCE(ok::text, '-') FROM \"Items\" ORDER BY id"),
            "A:true,b:true,c:false");
  rs->MoveNext();
  db.Exec("UPDATE \"Items\" SET weight = 9 WHERE id = 3");
  rs->Fields().Item(Variant("name"))->Value(Variant("C"));
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), err::kRowChanged);
  rs->CancelUpdate();
  EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), err::kRowChanged);
  rs->MoveFirst();
  rs->Delete();
  EXPECT_EQ(db.Column("SELECT id FROM \"Items\" ORDER BY id"), "2,3");
}

TEST(PostgresProvider, CatalogueRowsets) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Customers" (id serial PRIMARY KEY, name varchar(50) NOT NULL,
                              city text DEFAULT 'Rome');
    CREATE TABLE "Orders" (id integer PRIMARY KEY, customer_id integer REFERENCES
                           "Customers"(id) ON DELETE CASCADE, total money);
    CREATE TABLE "Lines" (order_id integer, line integer, PRIMARY KEY (order_id, line));
    CREATE INDEX "OrdersByCustomer" ON "Orders" (customer_id);
    CREATE VIEW "BigOrders" AS SELECT * FROM "Orders" WHERE total > 100::money;)");
  auto c = Open(db);
  auto rows = [&](int32_t kind, std::vector<Variant> restrictions,
                  std::vector<const char*> columns) {
    auto rs = c->OpenSchema(kind, restrictions);
    std::vector<std::string> out;
    for (; !rs->IsEOF(); rs->MoveNext()) {
      std::string row;
      for (const char* column : columns)
        row += (row.empty() ? "" : " ") + TextOrEmpty(V(*rs, column));
      out.push_back(row);
    }
    return out;
  };
  using Rows = std::vector<std::string>;
  EXPECT_EQ(rows(schema::kTables, {}, {"TABLE_NAME", "TABLE_TYPE"}),
            (Rows{"BigOrders VIEW", "Customers TABLE", "Lines TABLE", "Orders TABLE"}));
  EXPECT_EQ(rows(schema::kColumns, {Variant(), Variant(), Variant("customers")},
                 {"COLUMN_NAME", "COLUMN_HASDEFAULT", "IS_NULLABLE", "DATA_TYPE",
                  "CHARACTER_MAXIMUM_LENGTH"}),
            (Rows{"id True False 3 ", "name False False 202 50", "city True True 203 536870910"}));
  EXPECT_EQ(rows(schema::kForeignKeys, {},
                 {"PK_TABLE_NAME", "PK_COLUMN_NAME", "FK_TABLE_NAME", "FK_COLUMN_NAME",
                  "DELETE_RULE", "UPDATE_RULE"}),
            (Rows{"Customers id Orders customer_id CASCADE NO ACTION"}));
  EXPECT_EQ(rows(schema::kPrimaryKeys, {}, {"TABLE_NAME", "COLUMN_NAME", "ORDINAL"}),
            (Rows{"Customers id 1", "Lines order_id 1", "Lines line 2", "Orders id 1"}));
  EXPECT_EQ(rows(schema::kIndexes, {Variant(), Variant(), Variant(), Variant(), Variant("Orders")},
                 {"INDEX_NAME", "PRIMARY_KEY", "COLUMN_NAME"}),
            (Rows{"Orders_pkey True id", "OrdersByCustomer False customer_id"}));
  auto views = c->OpenSchema(schema::kViews);
  EXPECT_NE(ToText(V(*views, "VIEW_DEFINITION")).find("total > "), std::string::npos);
  EXPECT_EQ(ToText(c->Properties().Item(Variant("DBMS Name"))->Value()), "PostgreSQL");
  EXPECT_EQ(ToText(c->Properties().Item(Variant("Current Catalog"))->Value()),
            db.Column("SELECT current_database()"));
}

TEST(PostgresProvider, JetSqlRunsInTheServersDialect) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "People" (id integer PRIMARY KEY, "Full Name" varchar(30), born date,
                           active boolean);
    INSERT INTO "People" VALUES (1, 'Ann', '1970-01-02', true), (2, 'bob', '1980-05-06', false),
                                (3, 'Cy', '1990-07-08', true), (4, 'ann b', NULL, true);)");
  auto c = Open(db);
  struct Case {
    const char* jet;
    const char* ids;
  };
  for (const Case& k : std::vector<Case>{
           {"SELECT TOP 2 id FROM [People] ORDER BY id DESC", "4,3"},
           {"SELECT TOP 50 PERCENT id FROM [People] ORDER BY id", "1,2"},
           {"SELECT id FROM [People] WHERE born > #1/1/1975# ORDER BY id", "2,3"},
           {"SELECT id FROM [People] WHERE born = #1980-05-06#", "2"},
           {"SELECT id FROM [People] WHERE active = True AND [Full Name] LIKE 'ANN%' ORDER BY id",
            "1,4"},
           {"SELECT id FROM [People] WHERE [Full Name] & '!' = 'bob!'", "2"},
       }) {
    auto rs = c->Execute(k.jet);
    std::string ids;
    for (; !rs->IsEOF(); rs->MoveNext())
      ids += (ids.empty() ? "" : ",") + ToText(rs->Fields()[0].Value());
    EXPECT_EQ(ids, k.ids) << k.jet;
  }
  EXPECT_EQ(c->Execute("UPDATE [People] SET active = False WHERE id > 2"), nullptr);
  EXPECT_EQ(c->RecordsAffected(), 2);
  // Whether a statement gives rows is asked without running it: the insert runs once.
  EXPECT_EQ(c->Execute("INSERT INTO [People] (id) VALUES (5)"), nullptr);
  EXPECT_EQ(db.Column("SELECT count(*) FROM \"People\""), "5");
}

TEST(PostgresProvider, CountsAndFarMovesWorkAcrossResultBatches) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Many" (id integer PRIMARY KEY, name text);
    INSERT INTO "Many" SELECT n, 'row ' || n FROM generate_series(1, 1000) AS n;
    CREATE TABLE "Keyless" (name text);
    INSERT INTO "Keyless" SELECT 'k' || n FROM generate_series(1, 450) AS n;)");
  auto c = Open(db);
  // Keyed and keyless tables, and a sorted one read through OFFSET: the walk crosses the
  // provider's batches forwards and backwards and lands on far rows.
  struct Case {
    std::string source, sort;
    int count;
    std::function<std::string(int)> at;  // the name of the row at a position from 1
  };
  for (const Case& k : std::vector<Case>{
           {"Many", "", 1000, [](int i) { return "row " + std::to_string(i); }},
           {"Many", "id DESC", 1000, [](int i) { return "row " + std::to_string(1001 - i); }},
           {"SELECT name FROM [Many] WHERE id > 500", "", 500,
            [](int i) { return "row " + std::to_string(500 + i); }},
           {"Keyless", "", 450, [](int i) { return "k" + std::to_string(i); }},
       }) {
    auto rs = Query(c, k.source);
    if (!k.sort.empty()) rs->Sort(k.sort);
    EXPECT_EQ(rs->RecordCount(), k.count) << k.source;
    int seen = 0;
    for (; !rs->IsEOF(); rs->MoveNext()) {
      ++seen;
      if (ToText(V(*rs, "name")) != k.at(seen)) ADD_FAILURE() << k.source << " at " << seen;
    }
    EXPECT_EQ(seen, k.count) << k.source;
    rs->MoveLast();
    for (int i = k.count; i > k.count - 250; --i, rs->MovePrevious())
      ASSERT_EQ(ToText(V(*rs, "name")), k.at(i)) << k.source;
    for (int target : {k.count / 2, 3, k.count - 1, 1}) {
      rs->AbsolutePosition(target);
      EXPECT_EQ(ToText(V(*rs, "name")), k.at(target)) << k.source << " " << target;
    }
  }
}

TEST(PostgresProvider, FiltersRunOnTheServer) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Shop" (id integer PRIMARY KEY, name text, price numeric(6,2), sold date);
    INSERT INTO "Shop" VALUES (1, 'Apple', 1.5, '2003-01-01'), (2, 'apricot', 12, NULL),
                              (3, 'Banana', 120, '2003-06-01');)");
  auto rs = Query(Open(db), "Shop");
  struct Case {
    const char* filter;
    int count;
  };
  for (const Case& k : std::vector<Case>{{"name LIKE 'AP*'", 2},
                                         {"id LIKE '1*'", 1},
                                         {"price > 10 AND sold = NULL", 1},
                                         {"sold < #3/1/2003# OR name = 'Banana'", 2},
                                         {"price >= 1.5", 3}}) {
    rs->Filter(Variant(k.filter));
    EXPECT_EQ(rs->RecordCount(), k.count) << k.filter;
  }
  EXPECT_EQ(ErrorOf([&] { rs->Filter(Variant("name > 5")); }), err::kInvalidArgument);
  EXPECT_EQ(rs->RecordCount(), 3) << "a refused filter leaves the last one";
}

TEST(PostgresProvider, ServerErrorsKeepTheirNumbersAndMessages) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db(R"(
    CREATE TABLE "Parent" (id integer PRIMARY KEY, code varchar(3) UNIQUE);
    CREATE TABLE "Child" (id integer PRIMARY KEY, parent integer NOT NULL REFERENCES "Parent");
    INSERT INTO "Parent" VALUES (1, 'abc');)");
  auto c = Open(db);
  struct Case {
    const char* sql;
    int32_t number;
    const char* message_part;
  };
  for (const Case& k : std::vector<Case>{
           {"SELECT * FROM Nowhere", err::kUnknownTable, "does not exist"},
           {"SELEC 1", err::kStatementRejected, "syntax error"},
           {"SELECT nocolumn FROM [Parent]", err::kStatementRejected, "nocolumn"},
           {"INSERT INTO [Parent] VALUES (2, 'abc')", err::kUnspecified, "unique"},
           {"INSERT INTO [Child] VALUES (1, 9)", err::kUnspecified, "foreign key"},
           {"INSERT INTO [Child] (id) VALUES (2)", err::kUnspecified, "null value"},
           {"INSERT INTO [Parent] VALUES ('x', 'y')", err::kCannotConvert, "integer"},
           {"INSERT INTO [Parent] VALUES (3, 'toolong')", err::kCannotConvert, "too long"},
       }) {
    try {
      c->Execute(k.sql);
      ADD_FAILURE() << k.sql;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), k.number) << k.sql << ": " << e.description();
      EXPECT_NE(e.description().find(k.message_part), std::string::npos) << e.description();
      EXPECT_EQ(e.source(), "PostgreSQL");
    }
  }
}

TEST(PostgresProvider, AFailedStatementInsideATransactionSpoilsOnlyItself) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db("CREATE TABLE \"T\" (x integer PRIMARY KEY);");
  auto c = Open(db);
  c->BeginTrans();
  c->Execute("INSERT INTO [T] VALUES (1)");
  EXPECT_EQ(ErrorOf([&] { c->Execute("INSERT INTO [T] VALUES (1)"); }), err::kUnspecified);
  EXPECT_EQ(ErrorOf([&] { c->Execute("SELEC"); }), err::kStatementRejected);
  c->Execute("INSERT INTO [T] VALUES (2)");
  EXPECT_EQ(c->BeginTrans(), 2);
  c->Execute("INSERT INTO [T] VALUES (3)");
  c->RollbackTrans();
  EXPECT_EQ(db.Column("SELECT count(*) FROM \"T\""), "0") << "nothing is visible before commit";
  c->CommitTrans();
  EXPECT_EQ(db.Column("SELECT x FROM \"T\" ORDER BY x"), "1,2");
  c->BeginTrans();
  c->Execute("DELETE FROM [T]");
  c->Close();  // rolls back
  EXPECT_EQ(db.Column("SELECT count(*) FROM \"T\""), "2");
}

TEST(PostgresProvider, ConnectionStringFormsAndLogins) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch db("CREATE TABLE \"T\" (x integer);");
  db.Exec(
      "DROP ROLE IF EXISTS korvex_reader; CREATE ROLE korvex_reader LOGIN; "
      "GRANT USAGE ON SCHEMA " +
      db.schema() + " TO korvex_reader");
  auto keys = ParseConnectionString(*korvex::testing::TestPostgresServer());
  std::string where = "Host=" + keys["host"] + ";Port=" + keys["port"] +
                      ";Database=" + keys["database"] + ";Search Path=" + db.schema();
  std::string uri = "postgresql://" + keys["user id"] + "@" + keys["host"] + ":" + keys["port"] +
                    "/" + keys["database"];
  struct Case {
    std::string connection_string;
    std::optional<std::string> user;
    const char* current_user;
  };
  for (const Case& k : std::vector<Case>{
           // Empty user and password arguments, as the component passes them, keep the
           // string's own.
           {"Provider=PostgreSQL;" + where + ";User ID=korvex_reader", "", "korvex_reader"},
           {"Provider=PostgreSQL;" + where + ";User ID=korvex_reader", std::nullopt,
            "korvex_reader"},
           {"Provider=PostgreSQL;" + where + ";User ID=korvex_reader", keys["user id"],
            keys["user id"].c_str()},
           {"Provider=postgresql;Data Source=" + uri + ";Search Path=" + db.schema(), "",
            keys["user id"].c_str()},
           {"Provider=PostgreSQL;Data Source=" + uri + ";User ID=korvex_reader", "",
            "korvex_reader"},
       }) {
    Connection c;
    c.Open(k.connection_string, k.user, std::string());
    EXPECT_EQ(ToText(c.Execute("SELECT current_user")->Fields()[0].Value()), k.current_user)
        << k.connection_string;
    c.Close();
  }
  postgres::CloseIdleConnections();
  db.Exec("DROP OWNED BY korvex_reader; DROP ROLE korvex_reader");

  Connection refused;
  try {
    refused.Open("Provider=PostgreSQL;Host=127.0.0.1;Port=1;Database=x;User ID=x");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::kUnspecified);
    EXPECT_NE(e.description().find("127.0.0.1"), std::string::npos) << e.description();
  }
  EXPECT_EQ(refused.State(), 0);
}

TEST(PostgresProvider, SessionsAreReusedAndTheirCataloguesStayApart) {
  KORVEX_POSTGRES_ONLY();
  PostgresScratch one("CREATE TABLE \"T\" (x integer); INSERT INTO \"T\" VALUES (1);");
  PostgresScratch two("CREATE TABLE \"T\" (y text); INSERT INTO \"T\" VALUES ('two');");
  postgres::CloseIdleConnections();
  auto c = Open(one);
  EXPECT_EQ(Scalar(c, "SELECT * FROM [T]"), "1");
  c->Close();
  EXPECT_EQ(postgres::IdleConnectionCount(), 1u);
  c->Open(two.ConnectionString());
  EXPECT_EQ(Scalar(c, "SELECT * FROM [T]"), "two");
  auto rs = Query(c, "T");
  EXPECT_EQ(rs->Fields()[0].Name(), "y");
  c->Close();
  c->Open(one.ConnectionString());
  EXPECT_EQ(postgres::IdleConnectionCount(), 1u);
  EXPECT_EQ(Query(c, "T")->Fields()[0].Name(), "x");
  // What the catalogue said is kept between requests only while nothing has committed: a
  // column another program adds shows at once, on this session and on a new one.
  one.Exec("ALTER TABLE \"T\" ADD COLUMN added text DEFAULT 'new'");
  EXPECT_EQ(Query(c, "T")->Fields().Count(), 2);
  auto other = Open(one);
  EXPECT_EQ(Scalar(other, "SELECT added FROM T"), "new");
}

}  // namespace
}  // namespace korvex::ado
