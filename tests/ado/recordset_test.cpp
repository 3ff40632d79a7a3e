#include "ado/recordset.h"

#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

std::string Numbers(int n) {
  std::string sql = "CREATE TABLE T (id INTEGER PRIMARY KEY, n INTEGER, label VARCHAR(20));";
  for (int i = 1; i <= n; ++i)
    sql += "INSERT INTO T (n, label) VALUES (" + std::to_string(i) + ", 'row " + std::to_string(i) +
           "');";
  return sql;
}

int32_t N(Recordset& rs) {
  return CLng(rs.Fields()[1].Value());
}

TEST(Recordset, KeysetCountsExactlyAndForwardOnlyReportsMinusOne) {
  TestDb db(Numbers(10));
  auto c = db.Open();
  EXPECT_EQ(TestDb::Query(c, "T", kOpenKeyset)->RecordCount(), 10);
  EXPECT_EQ(TestDb::Query(c, "SELECT * FROM T WHERE n > 4", kOpenDynamic)->RecordCount(), 6);
  EXPECT_EQ(TestDb::Query(c, "T", kOpenForwardOnly)->RecordCount(), -1);
  EXPECT_EQ(TestDb::Query(c, "T", kOpenForwardOnly, 1, kUseClient)->RecordCount(), 10);
}

TEST(Recordset, TableNamesBareBracketedOrQuotedAndSql) {
  TestDb db("CREATE TABLE [Order Lines] (x INTEGER); INSERT INTO [Order Lines] VALUES (7);");
  auto c = db.Open();
  for (std::string source : {"[Order Lines]", "\"Order Lines\"", "SELECT * FROM [Order Lines]"}) {
    auto rs = TestDb::Query(c, source);
    EXPECT_EQ(CLng(rs->Fields()[0].Value()), 7) << source;
  }
  auto rs = std::make_shared<Recordset>();
  rs->Open(Variant("Order Lines"), Variant(c), 1, 1, kCmdTable);
  EXPECT_EQ(rs->RecordCount(), 1);
  EXPECT_EQ(ErrorOf([&] { TestDb::Query(c, "Missing"); }), err::kUnknownTable);
  EXPECT_EQ(ErrorOf([&] { TestDb::Query(c, "SELECT FROM WHERE"); }), err::kStatementRejected);
}

TEST(Recordset, MovesReportBofEofAndRaise3021PastTheEnds) {
  TestDb db(Numbers(3));
  auto rs = TestDb::Query(db.Open(), "T");
  EXPECT_FALSE(rs->IsBOF());
  EXPECT_FALSE(rs->IsEOF());
  rs->MoveNext();
  rs->MoveNext();
  EXPECT_EQ(N(*rs), 3);
  rs->MoveNext();
  EXPECT_TRUE(rs->IsEOF());
  EXPECT_EQ(ErrorOf([&] { rs->MoveNext(); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { rs->Fields()[0].Value(); }), err::kNoCurrentRecord);
  rs->MovePrevious();
  EXPECT_EQ(N(*rs), 3);
  rs->MoveFirst();
  rs->MovePrevious();
  EXPECT_TRUE(rs->IsBOF());
  EXPECT_FALSE(rs->IsEOF());
  EXPECT_EQ(ErrorOf([&] { rs->MovePrevious(); }), err::kNoCurrentRecord);
  rs->Move(2);
  EXPECT_EQ(N(*rs), 2);
  rs->Move(5);
  EXPECT_TRUE(rs->IsEOF());
  rs->Move(-2);
  EXPECT_EQ(N(*rs), 2);
  rs->Move(-10);
  EXPECT_TRUE(rs->IsBOF());

  TestDb empty("CREATE TABLE T (x INTEGER);");
  auto none = TestDb::Query(empty.Open(), "T");
  EXPECT_TRUE(none->IsBOF());
  EXPECT_TRUE(none->IsEOF());
  EXPECT_EQ(none->RecordCount(), 0);
  EXPECT_EQ(ErrorOf([&] { none->MoveFirst(); }), err::kNoCurrentRecord);
  EXPECT_EQ(ErrorOf([&] { none->MoveLast(); }), err::kNoCurrentRecord);
}

// Far moves re-position by query; every way of reaching a row must give that row.
TEST(Recordset, FarMovesLandOnTheSameRowsAsAWalk) {
  TestDb db(Numbers(500) + "DELETE FROM T WHERE n % 7 = 0;");  // gaps in the row ids
  auto c = db.Open();
  std::vector<int32_t> walk;
  for (auto rs = TestDb::Query(c, "T", kOpenForwardOnly); !rs->IsEOF(); rs->MoveNext())
    walk.push_back(N(*rs));
  ASSERT_EQ(walk.size(), 429u);
  const std::pair<int32_t, size_t> moves[] = {{300, 300}, {-250, 50}, {370, 420}, {1, 421}};
  for (std::string source : {"T", "SELECT * FROM T WHERE n > 0", "SELECT * FROM T ORDER BY n"}) {
    auto rs = TestDb::Query(c, source);
    for (auto [count, index] : moves) {
      rs->Move(count);
      EXPECT_EQ(N(*rs), walk[index]) << source << " Move " << count;
    }
    rs->MoveNext();
    EXPECT_EQ(N(*rs), walk[422]) << source;
    rs->AbsolutePosition(100);
    EXPECT_EQ(N(*rs), walk[99]) << source;
    // Walking back from the end reads every row in reverse order.
    std::vector<int32_t> back;
    for (rs->MoveLast(); !rs->IsBOF(); rs->MovePrevious()) back.push_back(N(*rs));
    EXPECT_EQ(std::vector<int32_t>(back.rbegin(), back.rend()), walk);
  }
}

// The editing list walks with MoveNext and reads only the rows of its page.
TEST(Recordset, WalkingWithoutReadingThenReadingTheLastPage) {
  TestDb db(Numbers(1000));
  auto rs = TestDb::Query(db.Open(), "SELECT * FROM [T]");
  rs->MoveLast();
  rs->MoveFirst();
  ASSERT_EQ(rs->RecordCount(), 1000);
  std::vector<int32_t> page;
  for (int counter = 1; !rs->IsEOF(); ++counter, rs->MoveNext())
    if (counter > 994) page.push_back(N(*rs));
  EXPECT_EQ(page, (std::vector<int32_t>{995, 996, 997, 998, 999, 1000}));
}

TEST(Recordset, FieldsByPositionAndNameWithTypesAndValues) {
  TestDb db(R"(CREATE TABLE P (
      id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, born DATE, active BOOLEAN,
      amount MONEY, notes TEXT, ratio DOUBLE, code CHAR(3), small SMALLINT, big BIGINT,
      ts TIMESTAMP, g GUID, pic BLOB, spare VARCHAR(5));
    INSERT INTO P VALUES (1, 'Ann', '2003-03-14', TRUE, 12.5, 'long text', 0.25, 'abc', 7,
      9007199254740993, '2003-03-14 10:20:30', '{6F9619FF-8B86-D011-B42D-00C04FC964FF}',
      x'0001', NULL);)");
  auto rs = TestDb::Query(db.Open(), "P");
  Fields& f = rs->Fields();
  ASSERT_EQ(f.Count(), 14);
  EXPECT_EQ(f.Item(Variant("NAME"))->Name(), "name");
  EXPECT_EQ(f.Item(Variant(int32_t{1}))->Name(), "name");
  EXPECT_EQ(ErrorOf([&] { f.Item(Variant("nope")); }), err::kItemNotFound);
  EXPECT_EQ(ErrorOf([&] { f.Item(Variant(int32_t{14})); }), err::kItemNotFound);

  struct Expect {
    const char* name;
    int32_t type, size;
    VarType kind;
    const char* text;
  };
  for (const Expect& e : std::vector<Expect>{
           {"id", 3, 4, VarType::Long, "1"},
           {"name", 202, 40, VarType::String, "Ann"},
           {"born", 7, 8, VarType::Date, "2003-03-14"},
           {"active", 11, 2, VarType::Boolean, "True"},
           {"amount", 6, 8, VarType::Currency, "12.5"},
           {"notes", 203, 536870910, VarType::String, "long text"},
           {"ratio", 5, 8, VarType::Double, "0.25"},
           {"code", 130, 3, VarType::String, "abc"},
           {"small", 2, 2, VarType::Integer, "7"},
           {"big", 131, 19, VarType::Double, "9.00719925474099E+15"},
           {"ts", 135, 16, VarType::Date, "2003-03-14 10:20:30"},
           {"g", 72, 16, VarType::String, "{6F9619FF-8B86-D011-B42D-00C04FC964FF}"},
       }) {
    Field& field = *f.Item(Variant(e.name));
    EXPECT_EQ(field.Type(), e.type) << e.name;
    EXPECT_EQ(field.DefinedSize(), e.size) << e.name;
    EXPECT_EQ(field.Value().type(), e.kind) << e.name;
    EXPECT_EQ(ToText(field.Value()), e.text) << e.name;
  }
  EXPECT_EQ(f.Item(Variant("pic"))->Type(), 205);
  EXPECT_TRUE(f.Item(Variant("spare"))->Value().IsNull());

  // Attributes: key and not-null columns lack the nullable bits; long and fixed types say so.
  EXPECT_EQ(f.Item(Variant("id"))->Attributes() & (attr::kKeyColumn | attr::kIsNullable),
            attr::kKeyColumn);
  EXPECT_EQ(f.Item(Variant("name"))->Attributes() & (attr::kIsNullable | attr::kMayBeNull), 0);
  EXPECT_EQ(f.Item(Variant("born"))->Attributes() & (attr::kIsNullable | attr::kMayBeNull),
            attr::kIsNullable | attr::kMayBeNull);
  EXPECT_TRUE(f.Item(Variant("notes"))->Attributes() & attr::kLong);
  EXPECT_TRUE(f.Item(Variant("ratio"))->Attributes() & attr::kFixed);
  EXPECT_EQ(f.Item(Variant("name"))->Attributes() & attr::kUpdatable, 0);  // read-only lock
  auto props = [&](const char* field) {
    return CBool(f.Item(Variant(field))->Properties().Item(Variant("isautoincrement"))->Value());
  };
  EXPECT_TRUE(props("id"));
  EXPECT_FALSE(props("name"));
}

TEST(Recordset, ComputedColumnsTakeTheirTypeFromTheirValues) {
  KORVEX_SQLITE_ONLY();  // the server declares a type for every result column
  TestDb db(Numbers(4));
  auto rs = TestDb::Query(db.Open(), "SELECT COUNT(*) AS c, AVG(n) AS a, 'x' || label AS l FROM T");
  EXPECT_EQ(rs->Fields()[0].Type(), 3);
  EXPECT_EQ(rs->Fields()[0].Value().type(), VarType::Long);
  EXPECT_EQ(rs->Fields()[1].Type(), 5);
  EXPECT_EQ(rs->Fields()[2].Type(), 202);
  EXPECT_EQ(ToText(rs->Fields()[2].Value()), "xrow 1");
}

// The translator's output is checked in jet_sql_test.cpp; here, that a recordset counts the
// rows of a TOP PERCENT statement as exactly as it walks them.
TEST(Recordset, TopPercentCountsTheRowsItWalks) {
  TestDb db(Numbers(25));
  auto c = db.Open();
  auto top = TestDb::Query(c, "SELECT TOP 10 PERCENT * FROM [T]");
  EXPECT_EQ(top->RecordCount(), 3);
  int rows = 0;
  for (; !top->IsEOF(); top->MoveNext()) ++rows;
  EXPECT_EQ(rows, 3);
  EXPECT_EQ(TestDb::Query(c, "SELECT DISTINCT  TOP 10 PERCENT * FROM [T]")->RecordCount(), 3);
}

// A count is kept between recordsets only while the database proves it exact.
TEST(Recordset, KeptCountsFollowChangesByOtherPrograms) {
  TestDb db(Numbers(5));
  {
    auto c = db.Open();
    EXPECT_EQ(TestDb::Query(c, "T")->RecordCount(), 5);
  }
  db.Exec("INSERT INTO T (n) VALUES (6);");
  auto c = db.Open();
  EXPECT_EQ(TestDb::Query(c, "T")->RecordCount(), 6);
  db.Exec("DELETE FROM T WHERE n < 3;");
  EXPECT_EQ(TestDb::Query(c, "T")->RecordCount(), 4);
  c->Execute("DELETE FROM T WHERE n = 3");
  EXPECT_EQ(TestDb::Query(c, "T")->RecordCount(), 3);
  db.Exec("DROP TABLE T; CREATE TABLE T (n INTEGER);");
  EXPECT_EQ(TestDb::Query(c, "T")->RecordCount(), 0);
}

// Far jumps on a large table may start from a kept map of its row ids; after rows are inserted
// and deleted, by another program or through the connection itself, the first, middle and
// last rows are still the right ones, and a jump past the last finds none.
TEST(Recordset, FarJumpsFollowInsertsAndDeletes) {
  TestDb db(Numbers(6000) + "DELETE FROM T WHERE n % 7 = 0;");
  const std::pair<const char*, bool> changes[] = {
      {"", false},
      {"INSERT INTO T (id, n) VALUES (-5, -5), (-4, -4)", false},
      {"DELETE FROM T WHERE n BETWEEN 2000 AND 2100", false},
      {"DELETE FROM T WHERE n BETWEEN 3000 AND 3050", true},
      {"INSERT INTO T (n) VALUES (7001); DELETE FROM T WHERE n < 10", false},
  };
  for (const auto& [change, through_connection] : changes) {
    auto c = db.Open();
    if (through_connection)
      c->Execute(change);
    else if (*change)
      db.Exec(change);
    std::vector<int32_t> walk;
    for (auto rs = TestDb::Query(c, "T", kOpenForwardOnly); !rs->IsEOF(); rs->MoveNext())
      walk.push_back(N(*rs));
    const int32_t last = static_cast<int32_t>(walk.size());
    // Asked for twice on unchanged data, the map is read, then used.
    for (int round = 0; round < 3; ++round) {
      for (int32_t position : {1, 2, last / 2, last * 2 / 3, last - 1, last}) {
        auto rs = TestDb::Query(c, "T");
        rs->AbsolutePosition(position);
        EXPECT_EQ(N(*rs), walk[static_cast<size_t>(position - 1)])
            << change << ", position " << position << ", round " << round;
      }
      auto rs = TestDb::Query(c, "T");
      rs->AbsolutePosition(last);
      rs->MoveNext();
      EXPECT_TRUE(rs->IsEOF()) << change;
    }
  }
}

TEST(Recordset, ClientSideRowsOutliveTheirConnection) {
  TestDb db(Numbers(3));
  auto c = db.Open();
  auto rs = TestDb::Query(c, "T", kOpenKeyset, kLockOptimistic, kUseClient);
  EXPECT_EQ(rs->CursorType(), kOpenStatic);
  rs->ActiveConnection(Variant::Nothing());
  EXPECT_TRUE(rs->ActiveConnection().IsObject());
  EXPECT_FALSE(rs->ActiveConnection().AsObject());
  c->Close();
  rs->MoveLast();
  EXPECT_EQ(N(*rs), 3);
  EXPECT_EQ(rs->RecordCount(), 3);

  // A server-side recordset cannot be detached, and closes with its connection.
  auto c2 = db.Open();
  auto server = TestDb::Query(c2, "T");
  EXPECT_EQ(ErrorOf([&] { server->ActiveConnection(Variant::Nothing()); }), err::kObjectOpen);
  c2->CursorLocation = kUseClient;  // recordsets opened on it follow
  auto client = TestDb::Query(c2, "T", kOpenStatic, kLockReadOnly);
  c2->Close();
  EXPECT_EQ(server->State(), 0);
  EXPECT_EQ(client->State(), 1);
  EXPECT_EQ(N(*client), 1);
}

TEST(Recordset, MemberTableBindsThePublishedNames) {
  TestDb db(Numbers(2));
  auto c = db.Open();
  auto rs = std::make_shared<Recordset>();
  Variant open_args[] = {Variant("T"), Variant(c), Variant(int32_t{1})};
  rs->Call("Open", open_args);
  EXPECT_FALSE(CBool(rs->Get("eof")));
  EXPECT_EQ(CLng(rs->Get("RecordCount")), 2);
  Variant name[] = {Variant("LABEL")};
  EXPECT_EQ(ToText(rs->CallDefault(name)), "row 1");  // rs("label") -> Fields -> Field -> Value
  EXPECT_EQ(ToText(RequireObject(rs->Get("Fields", name))->Get("Name")), "label");
  rs->Call("MoveNext", {});
  EXPECT_EQ(ToText(RequireObject(rs->Get("Fields"))->CallDefault(name)), "row 2");
}

}  // namespace
}  // namespace korvex::ado
