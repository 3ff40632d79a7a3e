// Writes through a recordset: AddNew, field assignment, Update, Delete, against a real file,
// with a second connection changing rows behind the recordset's back.
#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/recordset.h"
#include "ado/row_write.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

const char* kSchema = R"(
  CREATE TABLE Items (id INTEGER PRIMARY KEY, name VARCHAR(5) NOT NULL, qty SMALLINT DEFAULT 7,
                      made DATE, ok BOOLEAN DEFAULT TRUE, note TEXT DEFAULT 'none');
  INSERT INTO Items (name, qty, made) VALUES ('a', 1, '2003-03-14'), ('b', 2, NULL),
                                             ('c', 3, NULL);)";

Variant V(Recordset& rs, const char* name) {
  return rs.Fields().Item(Variant(name))->Value();
}
void Set(Recordset& rs, const char* name, Variant v) {
  rs.Fields().Item(Variant(name))->Value(v);
}

std::string Scalar(const std::shared_ptr<Connection>& c, const std::string& sql) {
  return TextOrEmpty(c->Execute(sql)->Fields()[0].Value());
}

// The first column of every row, joined by commas.
std::string Joined(const std::shared_ptr<Connection>& c, const std::string& sql) {
  std::string out;
  for (auto rs = c->Execute(sql); !rs->IsEOF(); rs->MoveNext())
    out += (out.empty() ? "" : ",") + TextOrEmpty(rs->Fields()[0].Value());
  return out;
}

TEST(RecordsetWrite, AddNewShowsDefaultsAndTheGeneratedKeyAfterUpdate) {
  TestDb db(kSchema);
  auto c = db.Open();
  auto rs = TestDb::Query(c, "Items", kOpenDynamic, kLockOptimistic);
  rs->AddNew();
  EXPECT_EQ(rs->EditMode(), kEditAdd);
  EXPECT_EQ(CLng(V(*rs, "qty")), 7);
  EXPECT_EQ(V(*rs, "ok").type(), VarType::Boolean);
  EXPECT_EQ(ToText(V(*rs, "note")), "none");
  EXPECT_TRUE(V(*rs, "id").IsNull());
  Set(*rs, "name", Variant("d"));
  Set(*rs, "made", Variant("3/15/2003"));
  rs->Update();
  EXPECT_EQ(CLng(V(*rs, "id")), 4);
  EXPECT_EQ(V(*rs, "made").type(), VarType::Date);
  auto stored = c->Execute("SELECT made, qty, ok FROM Items WHERE id = 4");
  EXPECT_EQ(ToText(stored->Fields()[0].Value()) + "/" + ToText(stored->Fields()[1].Value()) + "/" +
                ToText(stored->Fields()[2].Value()),
            "2003-03-15/7/True");
  EXPECT_EQ(rs->RecordCount(), 4);
  rs->MoveFirst();
  EXPECT_EQ(ToText(V(*rs, "name")), "a");
  rs->MoveLast();
  EXPECT_EQ(ToText(V(*rs, "name")), "d");
}

TEST(RecordsetWrite, ValuesAreConvertedAtAssignmentOrRefusedThere) {
  TestDb db(kSchema);
  auto rs = TestDb::Query(db.Open(), "Items", kOpenKeyset, kLockOptimistic);
  for (auto [field, value] : std::vector<std::pair<const char*, Variant>>{
           {"qty", Variant("abc")},
           {"qty", Variant(int32_t{40000})},
           {"name", Variant("toolong")},
           {"made", Variant("13/45/2003")},
           {"ok", Variant("maybe")},
       }) {
    EXPECT_EQ(ErrorOf([&, field = field, value = value] { Set(*rs, field, value); }),
              err::kCannotConvert)
        << field;
    EXPECT_EQ(CLng(V(*rs, "qty")), 1);
  }
  Set(*rs, "qty", Variant("12"));
  EXPECT_EQ(V(*rs, "qty").type(), VarType::Integer);
  EXPECT_EQ(CLng(V(*rs, "qty")), 12);
  EXPECT_EQ(CLng(rs->Fields().Item(Variant("qty"))->OriginalValue()), 1);
  Set(*rs, "made", Variant());  // Empty is stored as Null
  rs->Update();
  EXPECT_TRUE(V(*rs, "made").IsNull());
  EXPECT_EQ(CLng(V(*rs, "qty")), 12);

  auto read_only = TestDb::Query(db.Open(), "Items");
  EXPECT_EQ(ErrorOf([&] { Set(*read_only, "qty", Variant(int32_t{1})); }), err::kNotCapable);
  EXPECT_EQ(ErrorOf([&] { read_only->AddNew(); }), err::kNotCapable);
}

TEST(RecordsetWrite, ConstraintsRaiseTheDatabaseMessageAtUpdate) {
  TestDb db(kSchema);
  auto rs = TestDb::Query(db.Open(), "Items", kOpenKeyset, kLockOptimistic);
  rs->AddNew();
  Set(*rs, "qty", Variant(int32_t{3}));
  try {
    rs->Update();
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), err::kUnspecified);
    EXPECT_NE(e.description().find(korvex::testing::OnPostgres() ? "not-null constraint"
                                                                 : "NOT NULL constraint failed"),
              std::string::npos)
        << e.description();
  }
  rs->CancelUpdate();
  EXPECT_EQ(rs->RecordCount(), 3);
}

// A server-side recordset keeps its statement open, and with it the file's read lock, so the
// change comes through its own connection there and from another program for a client-side one.
TEST(RecordsetWrite, RowsChangedOrDeletedBehindTheRecordsetAreNeverOverwritten) {
  TestDb db(kSchema);
  for (int32_t location : {kUseServer, kUseClient}) {
    auto c = db.Open();
    c->Execute("DELETE FROM Items; INSERT INTO Items (id, name, qty) VALUES (1,'a',1),(2,'b',2)");
    auto behind = [&](const std::string& sql) {
      if (location == kUseServer)
        c->Execute(sql);
      else
        db.Exec(sql);
    };
    auto rs = TestDb::Query(c, "SELECT * FROM Items", kOpenKeyset, kLockOptimistic, location);
    EXPECT_EQ(ToText(V(*rs, "name")), "a");
    behind("UPDATE Items SET qty = 99 WHERE id = 1");
    Set(*rs, "name", Variant("mine"));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), err::kRowChanged) << location;
    EXPECT_EQ(Scalar(c, "SELECT name || qty FROM Items WHERE id = 1"), "a99");
    rs->CancelUpdate();

    rs->MoveNext();
    EXPECT_EQ(ToText(V(*rs, "name")), "b");
    behind("DELETE FROM Items WHERE id = 2");
    EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), err::kRowChanged) << location;
    Set(*rs, "qty", Variant(int32_t{5}));
    EXPECT_EQ(ErrorOf([&] { rs->Update(); }), err::kRowChanged) << location;
    EXPECT_EQ(Scalar(c, "SELECT COUNT(*) FROM Items"), "1");
  }
}

TEST(RecordsetWrite, DeleteThenMoveNextReachesTheFollowingRecord) {
  TestDb db(kSchema);
  for (int32_t location : {kUseServer, kUseClient}) {
    auto c = db.Open();
    c->Execute("DELETE FROM Items; INSERT INTO Items (id, name) VALUES (1,'a'),(2,'b'),(3,'c')");
    auto rs = TestDb::Query(c, "Items", kOpenKeyset, kLockOptimistic, location);
    rs->MoveNext();
    rs->Delete();
    EXPECT_EQ(ErrorOf([&] { V(*rs, "name"); }), err::kNoCurrentRecord);
    rs->MoveNext();
    EXPECT_EQ(ToText(V(*rs, "name")), "c") << location;
    EXPECT_EQ(rs->RecordCount(), 2);
    EXPECT_EQ(Joined(c, "SELECT name FROM Items ORDER BY id"), "a,c");
  }
}

TEST(RecordsetWrite, RowsFoundByRowIdOrByPrimaryKey) {
  TestDb db(R"(CREATE TABLE Loose (label TEXT, n INTEGER);
               INSERT INTO Loose VALUES ('x', 1), ('x', 1);
               CREATE TABLE Keyed (a TEXT, b INTEGER, v TEXT, PRIMARY KEY (a, b)) WITHOUT ROWID;
               INSERT INTO Keyed VALUES ('k', 1, 'one'), ('k', 2, 'two');)");
  auto c = db.Open();
  // Two identical rows: only the row id tells them apart.
  auto loose =
      TestDb::Query(c, "SELECT n FROM Loose WHERE label = 'x'", kOpenKeyset, kLockOptimistic);
  loose->MoveNext();
  Set(*loose, "n", Variant(int32_t{2}));
  loose->Update();
  EXPECT_EQ(Joined(c, "SELECT n FROM Loose ORDER BY n"), "1,2");

  auto keyed = TestDb::Query(c, "Keyed", kOpenKeyset, kLockOptimistic);
  keyed->MoveLast();
  Set(*keyed, "v", Variant("TWO"));
  keyed->Update();
  EXPECT_EQ(Joined(c, "SELECT v FROM Keyed ORDER BY b"), "one,TWO");
  keyed->AddNew();
  Set(*keyed, "a", Variant("k"));
  Set(*keyed, "b", Variant(int32_t{3}));
  keyed->Update();
  EXPECT_EQ(ToText(V(*keyed, "b")), "3");
  keyed->Delete();
  EXPECT_EQ(Scalar(c, "SELECT COUNT(*) FROM Keyed"), "2");

  auto joined = TestDb::Query(c, "SELECT * FROM Loose, Keyed", kOpenKeyset, kLockOptimistic);
  EXPECT_EQ(ErrorOf([&] { Set(*joined, "v", Variant("z")); }), err::kUnspecified);
}

TEST(RecordsetWrite, TrickyTextsRoundTripAndPendingEditsAreStoredOnMove) {
  TestDb db("CREATE TABLE T (id INTEGER PRIMARY KEY, t TEXT); INSERT INTO T (t) VALUES ('');");
  auto c = db.Open();
  const std::vector<std::string> texts = {"it's",      "say \"\"hi\"\"",           "back\\slash",
                                          "tab\there", "caf\xC3\xA9 \xE2\x82\xAC", "line\r\nbreak"};
  auto rs = TestDb::Query(c, "T", kOpenKeyset, kLockOptimistic);
  for (const std::string& text : texts) {
    rs->AddNew();
    Set(*rs, "t", Variant(text));
  }
  rs->MoveFirst();  // leaving the added record stores it
  auto check = TestDb::Query(c, "SELECT t FROM T WHERE id > 1 ORDER BY id");
  for (const std::string& text : texts) {
    EXPECT_EQ(ToText(check->Fields()[0].Value()), text);
    check->MoveNext();
  }
  c->BeginTrans();
  Set(*rs, "t", Variant("changed"));
  rs->Update();
  c->RollbackTrans();
  EXPECT_EQ(Scalar(c, "SELECT t FROM T WHERE id = 1"), "");
}

// The listener hears a write only once it is final: at once outside a transaction, at the
// commit inside one, never for a rollback or a write the database refused.
TEST(RecordsetWrite, WriteListenerHearsOnlyFinalWritesWithTheirOldAndNewValues) {
  TestDb db(kSchema);
  auto c = db.Open();
  std::vector<RowWrite> heard;
  c->ListenToWrites([&](const std::vector<RowWrite>& writes) {
    heard.insert(heard.end(), writes.begin(), writes.end());
  });
  auto rs = TestDb::Query(c, "Items", kOpenKeyset, kLockOptimistic);
  auto column = [](const RowWrite& w, const std::string& name) {
    for (size_t i = 0; i < w.columns.size(); ++i)
      if (w.columns[i] == name) return i;
    ADD_FAILURE() << "no column " << name;
    return size_t{0};
  };

  Set(*rs, "name", Variant("A"));
  rs->Update();
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0].action, RowWrite::Action::kUpdate);
  EXPECT_EQ(heard[0].table, "Items");
  size_t name = column(heard[0], "name"), id = column(heard[0], "id");
  EXPECT_EQ(heard[0].before[name], DbValue::Text("a"));
  EXPECT_EQ(heard[0].after[name], DbValue::Text("A"));
  EXPECT_TRUE(heard[0].key[id]);
  EXPECT_FALSE(heard[0].key[name]);
  EXPECT_EQ(heard[0].after[id], DbValue::Int(1));

  c->BeginTrans();
  rs->AddNew();
  Set(*rs, "name", Variant("new"));
  rs->Update();
  c->RollbackTrans();
  EXPECT_EQ(heard.size(), 1u) << "a rolled-back insert was told";

  rs->AddNew();  // no name: NOT NULL refuses it
  EXPECT_THROW(rs->Update(), AutomationError);
  rs->CancelUpdate();
  EXPECT_EQ(heard.size(), 1u) << "a refused insert was told";

  auto fresh = TestDb::Query(c, "SELECT * FROM Items WHERE id = 2", kOpenKeyset, kLockOptimistic);
  c->BeginTrans();
  fresh->Delete();
  EXPECT_EQ(heard.size(), 1u) << "told before the commit";
  c->CommitTrans();
  ASSERT_EQ(heard.size(), 2u);
  EXPECT_EQ(heard[1].action, RowWrite::Action::kDelete);
  EXPECT_TRUE(heard[1].after.empty());
  EXPECT_EQ(heard[1].before[column(heard[1], "name")], DbValue::Text("b"));
  EXPECT_EQ(Scalar(c, "SELECT count(*) FROM Items"), "2");
}

// A transaction begun while a recordset is still reading its row waits for other writers as one
// that read nothing does: SQLite cannot wait to turn a read into a write, and said "database is
// locked" whenever another program had written since the row was read (or, without a
// write-ahead log, was committing at that moment).
TEST(RecordsetWrite, WritesInATransactionBegunOnARowBeingReadWaitForOtherWriters) {
  KORVEX_SQLITE_ONLY();
  TestDb db(kSchema);
  sqlite3* raw = nullptr;
  ASSERT_EQ(sqlite3_open(db.file().c_str(), &raw), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(raw, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(raw);
  auto c = db.Open();
  auto rs = TestDb::Query(c, "SELECT * FROM Items", kOpenKeyset, kLockOptimistic, kUseServer);
  Set(*rs, "name", Variant("mine"));
  db.Exec("UPDATE Items SET qty = 20 WHERE id = 2");
  c->BeginTrans();
  EXPECT_EQ(ToText(V(*rs, "qty")), "1");  // the record being edited reads on
  EXPECT_EQ(ErrorOf([&] { rs->Update(); }), 0);
  c->CommitTrans();
  EXPECT_EQ(Scalar(c, "SELECT name FROM Items WHERE id = 1"), "mine");
  rs->MoveNext();
  EXPECT_EQ(ToText(V(*rs, "qty")), "20");  // read after the other program's write

  db.Exec("UPDATE Items SET qty = 30 WHERE id = 3");
  c->BeginTrans();
  EXPECT_EQ(ErrorOf([&] { rs->Delete(); }), 0);
  c->CommitTrans();
  EXPECT_EQ(Joined(c, "SELECT id || ':' || qty FROM Items"), "1:1,3:30");
  rs->MoveNext();
  EXPECT_EQ(ToText(V(*rs, "qty")), "30");
}

}  // namespace
}  // namespace korvex::ado
