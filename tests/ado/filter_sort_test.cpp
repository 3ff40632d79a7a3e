// Filter and Sort, pushed into the query for server-side recordsets and applied in memory for
// client-side and fabricated ones: both must give the same rows.
#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/recordset.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

const char* kPeople = R"(
  CREATE TABLE People (id INTEGER PRIMARY KEY, Name VARCHAR(30), Age INTEGER, Born DATE,
                       Note TEXT);
  INSERT INTO People (Name, Age, Born, Note) VALUES
    ('Fred', 40, '1963-05-01', 'it''s'), ('Alfred', 25, '1978-01-02', NULL),
    ('Mildred', 30, '1973-03-14', 'x'), ('Bob', 50, '1953-07-07', 'y'),
    ('REDMOND', 31, '1972-12-12', 'z'), ('Ann', 30, '1973-03-14', 'it''s');)";

std::vector<std::string> Names(Recordset& rs) {
  std::vector<std::string> names;
  if (rs.IsEOF()) return names;
  for (rs.MoveFirst(); !rs.IsEOF(); rs.MoveNext())
    names.push_back(ToText(rs.Fields().Item(Variant("name"))->Value()));
  return names;
}

class FilterTest : public ::testing::TestWithParam<int32_t> {
 protected:
  std::shared_ptr<Recordset> Open(const std::string& source) {
    return TestDb::Query(connection_, source, kOpenKeyset, kLockReadOnly, GetParam());
  }
  TestDb db_{kPeople};
  std::shared_ptr<Connection> connection_ = db_.Open();
};

TEST_P(FilterTest, ComparisonsLikeAndOrKeepTheSourceOrder) {
  auto rs = Open("People");
  rs->Filter(Variant("[Name] LIKE '%red%' AND [Age] >= 30"));
  EXPECT_EQ(Names(*rs), (std::vector<std::string>{"Fred", "Mildred", "REDMOND"}));
  EXPECT_EQ(rs->RecordCount(), 3);
  EXPECT_EQ(ToText(rs->Filter()), "[Name] LIKE '%red%' AND [Age] >= 30");

  struct Case {
    const char* filter;
    std::vector<std::string> names;
  };
  // The grammar is tested on the expression itself; here, each kind of value the recordset
  // hands over: texts, dates, numbers and Null.
  for (const Case& c : std::vector<Case>{
           {"Name LIKE 'A*'", {"Alfred", "Ann"}},
           {"Born < #1960-01-01# OR (Age = 30 AND Name <> 'Ann')", {"Mildred", "Bob"}},
           {"Note = Null", {"Alfred"}},
       }) {
    rs->Filter(Variant(c.filter));
    EXPECT_EQ(Names(*rs), c.names) << c.filter;
  }
  rs->Filter(Variant(""));
  EXPECT_EQ(rs->RecordCount(), 6);
  EXPECT_EQ(CLng(rs->Filter()), 0);

  auto sorted = Open("SELECT * FROM People ORDER BY Age DESC");
  sorted->Filter(Variant("Age < 40"));
  EXPECT_EQ(Names(*sorted), (std::vector<std::string>{"REDMOND", "Mildred", "Ann", "Alfred"}));
}

TEST_P(FilterTest, InvalidFilterRaisesAndLeavesTheRecordsetAsItWas) {
  auto rs = Open("People");
  rs->Filter(Variant("Age = 30"));
  rs->MoveNext();
  for (const char* bad : {"Age = ", "Name LIKE 'x", "(Age = 1", "Age == 1", "Age = 1 AND"})
    EXPECT_EQ(ErrorOf([&] { rs->Filter(Variant(bad)); }), err::kInvalidArgument) << bad;
  EXPECT_EQ(ErrorOf([&] { rs->Filter(Variant("Shoe = 1")); }), err::kItemNotFound);
  EXPECT_EQ(ToText(rs->Filter()), "Age = 30");
  EXPECT_EQ(ToText(rs->Fields().Item(Variant("Name"))->Value()), "Ann");
  EXPECT_EQ(rs->RecordCount(), 2);
}

TEST_P(FilterTest, SortOrdersByNamedFields) {
  auto rs = Open("People");
  rs->Sort("Age DESC, [Name]");
  EXPECT_EQ(Names(*rs),
            (std::vector<std::string>{"Bob", "Fred", "REDMOND", "Ann", "Mildred", "Alfred"}));
  rs->Filter(Variant("Age = 30"));
  EXPECT_EQ(Names(*rs), (std::vector<std::string>{"Ann", "Mildred"}));
  rs->Filter(Variant(""));
  rs->Sort("Note DESC, Name");  // Null sorts first, so last when descending
  EXPECT_EQ(Names(*rs),
            (std::vector<std::string>{"REDMOND", "Bob", "Mildred", "Ann", "Fred", "Alfred"}));
  EXPECT_EQ(ErrorOf([&] { rs->Sort("Shoe"); }), err::kItemNotFound);
  EXPECT_EQ(rs->Sort(), "Note DESC, Name");
}

INSTANTIATE_TEST_SUITE_P(ServerAndClient, FilterTest, ::testing::Values(kUseServer, kUseClient));

TEST(FabricatedRecordset, AppendedFieldsAddNewSortAndFilterInMemory) {
  auto rs = std::make_shared<Recordset>();
  rs->Fields().Append("filename", type::kVarChar, 255);
  rs->Fields().Append("filesize", type::kBigInt);
  rs->Fields().Append("este", type::kVarChar, 3);
  rs->Open();
  EXPECT_TRUE(rs->IsEOF() && rs->IsBOF());
  struct File {
    const char* name;
    int32_t size;
    const char* ext;
  };
  for (const File& f :
       {File{"b.txt", 10, "TXT"}, File{"A.gif", 300, "GIF"}, File{"c.txt", 20, "TXT"}}) {
    rs->AddNew();
    rs->Fields()[0].Value(Variant(f.name));
    rs->Fields()[1].Value(Variant(f.size));
    rs->Fields()[2].Value(Variant(f.ext));
    rs->Update();
  }
  EXPECT_EQ(ErrorOf([&] { rs->Fields()[2].Value(Variant("JPEG")); }), err::kCannotConvert);
  EXPECT_EQ(ErrorOf([&] { rs->Fields()[1].Value(Variant("big")); }), err::kCannotConvert);
  EXPECT_EQ(rs->RecordCount(), 3);
  rs->Sort("filename asc");
  std::vector<std::string> order;
  for (rs->MoveFirst(); !rs->IsEOF(); rs->MoveNext())
    order.push_back(ToText(rs->Fields()[0].Value()));
  EXPECT_EQ(order, (std::vector<std::string>{"A.gif", "b.txt", "c.txt"}));
  rs->Filter(Variant("este = 'TXT' AND filesize > 15"));
  EXPECT_EQ(ToText(rs->Fields()[0].Value()), "c.txt");
  EXPECT_EQ(rs->Fields()[1].Value().type(), VarType::Long);

  auto empty = std::make_shared<Recordset>();
  EXPECT_EQ(ErrorOf([&] { empty->Open(); }), err::kConnectionUnusable);
}

}  // namespace
}  // namespace korvex::ado
