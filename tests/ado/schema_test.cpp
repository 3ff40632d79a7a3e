// Schema rowsets of a small database of three tables, one foreign key, a view and an index.
#include "ado/schema_rowsets.h"

#include <gtest/gtest.h>

#include "ado/ado_constants.h"
#include "ado/ado_errors.h"
#include "ado/recordset.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;
using testing::TestDb;

const char* kShop = R"(
  CREATE TABLE Customers (id INTEGER PRIMARY KEY, name VARCHAR(50) NOT NULL,
                          city TEXT DEFAULT 'Rome');
  CREATE TABLE Orders (id INTEGER PRIMARY KEY, customer_id INTEGER REFERENCES Customers(id)
                       ON DELETE CASCADE, total MONEY);
  CREATE TABLE Products (code CHAR(8) PRIMARY KEY, price DOUBLE);
  CREATE INDEX OrdersByCustomer ON Orders (customer_id);
  CREATE VIEW BigOrders AS SELECT * FROM Orders WHERE customer_id > 100;)";

// Each row as "COLUMN=value" texts of the named columns, joined by blanks.
std::vector<std::string> Rows(const std::shared_ptr<Recordset>& rs,
                              std::vector<const char*> columns) {
  std::vector<std::string> rows;
  for (; !rs->IsEOF(); rs->MoveNext()) {
    std::string row;
    for (const char* column : columns)
      row += (row.empty() ? "" : " ") + TextOrEmpty(rs->Fields().Item(Variant(column))->Value());
    rows.push_back(row);
  }
  return rows;
}

class SchemaTest : public ::testing::Test {
 protected:
  std::shared_ptr<Recordset> Schema(int32_t kind, std::vector<Variant> restrictions = {}) {
    return connection_->OpenSchema(kind, restrictions);
  }
  TestDb db_{kShop};
  std::shared_ptr<Connection> connection_ = db_.Open();
};

TEST_F(SchemaTest, TablesAndViews) {
  EXPECT_EQ(Rows(Schema(schema::kTables), {"TABLE_NAME", "TABLE_TYPE"}),
            (std::vector<std::string>{"BigOrders VIEW", "Customers TABLE", "Orders TABLE",
                                      "Products TABLE"}));
  EXPECT_EQ(Rows(Schema(schema::kTables, {Variant(), Variant(), Variant(), Variant("VIEW")}),
                 {"TABLE_NAME"}),
            (std::vector<std::string>{"BigOrders"}));
  auto views = Schema(schema::kViews);
  EXPECT_NE(
      ToText(views->Fields().Item(Variant("VIEW_DEFINITION"))->Value()).find("customer_id > 100"),
      std::string::npos);
}

TEST_F(SchemaTest, ColumnsWithDefaultsNullabilityTypesAndLengths) {
  auto rs = Schema(schema::kColumns, {Variant(), Variant(), Variant("customers")});
  EXPECT_EQ(Rows(rs, {"TABLE_NAME", "COLUMN_NAME", "ORDINAL_POSITION", "COLUMN_HASDEFAULT",
                      "IS_NULLABLE", "DATA_TYPE", "CHARACTER_MAXIMUM_LENGTH"}),
            (std::vector<std::string>{"Customers id 1 False False 3 ",
                                      "Customers name 2 False False 202 50",
                                      "Customers city 3 True True 203 536870910"}));
  rs->MoveFirst();
  EXPECT_EQ(rs->Fields().Item(Variant("DATA_TYPE"))->Value().type(), VarType::Integer);
  EXPECT_EQ(rs->Fields().Item(Variant("COLUMN_HASDEFAULT"))->Value().type(), VarType::Boolean);
  // The rowset filters in memory, as the file manager filters it.
  auto all = Schema(schema::kColumns);
  all->Filter(Variant("COLUMN_NAME = 'id' AND TABLE_NAME='Orders'"));
  EXPECT_EQ(all->RecordCount(), 1);
}

// The catalogue a SQLite handle keeps between requests shows another program's schema changes
// at once: tables, columns, keys and indexes, on a new connection and, after its next
// statement (a write, or only a read), on the same one; a statement the handle keeps prepared
// gives the new column too.
TEST_F(SchemaTest, KeptCatalogueFollowsSchemaChangesByOtherPrograms) {
  KORVEX_SQLITE_ONLY();
  auto counts = [](const std::shared_ptr<Connection>& c) {
    std::vector<int32_t> n;
    for (int32_t kind : {schema::kTables, schema::kColumns, schema::kForeignKeys, schema::kIndexes})
      n.push_back(c->OpenSchema(kind, std::vector<Variant>{})->RecordCount());
    return n;
  };
  std::vector<int32_t> before = counts(connection_);
  EXPECT_EQ(counts(connection_), before);
  db_.Exec(
      "CREATE TABLE Notes (id INTEGER PRIMARY KEY, order_id INTEGER REFERENCES Orders(id));"
      "CREATE INDEX NotesByOrder ON Notes (order_id);");
  for (const auto& c : {db_.Open(), connection_}) {
    c->Execute("UPDATE Products SET price = price");
    std::vector<int32_t> after = counts(c);
    ASSERT_EQ(after.size(), 4u);
    EXPECT_EQ(after[0], before[0] + 1);
    EXPECT_EQ(after[1], before[1] + 2);
    EXPECT_EQ(after[2], before[2] + 1);
    EXPECT_GT(after[3], before[3]);
  }

  auto notes_columns = [&] {
    std::shared_ptr<Recordset> rs = connection_->Execute("SELECT * FROM Notes");
    int32_t n = rs->Fields().Count();
    rs->Close();
    return n;
  };
  ASSERT_EQ(notes_columns(), 2);
  before = counts(connection_);
  db_.Exec("ALTER TABLE Notes ADD COLUMN body TEXT");
  std::shared_ptr<Recordset> read = connection_->Execute("SELECT count(*) FROM Products");
  ASSERT_FALSE(read->IsEOF());
  read->Close();
  EXPECT_EQ(counts(connection_)[1], before[1] + 1);
  EXPECT_EQ(notes_columns(), 3);
}

TEST_F(SchemaTest, ForeignKeysWithTheirRestrictionPositions) {
  std::vector<const char*> columns = {"PK_TABLE_NAME", "PK_COLUMN_NAME", "FK_TABLE_NAME",
                                      "FK_COLUMN_NAME", "DELETE_RULE"};
  std::vector<std::string> one = {"Customers id Orders customer_id CASCADE"};
  EXPECT_EQ(Rows(Schema(schema::kForeignKeys), columns), one);
  EXPECT_EQ(
      Rows(Schema(schema::kForeignKeys, {Variant(), Variant(), Variant("Customers")}), columns),
      one);
  EXPECT_EQ(Schema(schema::kForeignKeys, {Variant(), Variant(), Variant("Orders")})->RecordCount(),
            0);
  EXPECT_EQ(Rows(Schema(schema::kForeignKeys,
                        {Variant(), Variant(), Variant(), Variant(), Variant(), Variant("Orders")}),
                 columns),
            one);
}

TEST_F(SchemaTest, KeysIndexesConstraintsCatalogsAndTypes) {
  EXPECT_EQ(Rows(Schema(schema::kPrimaryKeys), {"TABLE_NAME", "COLUMN_NAME", "ORDINAL"}),
            (std::vector<std::string>{"Customers id 1", "Orders id 1", "Products code 1"}));
  EXPECT_EQ(
      Rows(
          Schema(schema::kIndexes, {Variant(), Variant(), Variant(), Variant(), Variant("Orders")}),
          {"INDEX_NAME", "PRIMARY_KEY", "COLUMN_NAME"}),
      (std::vector<std::string>{
          // The key's index under the name the database gives it.
          std::string(korvex::testing::OnPostgres() ? "Orders_pkey" : "PrimaryKey") + " True id",
          "OrdersByCustomer False customer_id"}));
  EXPECT_EQ(Rows(Schema(schema::kTableConstraints), {"TABLE_NAME", "CONSTRAINT_TYPE"}).size(), 4u);
  EXPECT_EQ(Schema(schema::kCatalogs)->RecordCount(), 1);
  auto types = Schema(schema::kProviderTypes, {Variant(int32_t{202})});
  EXPECT_EQ(Rows(types, {"TYPE_NAME"}), (std::vector<std::string>{"VARCHAR"}));
}

TEST_F(SchemaTest, OtherKindsAreNotAvailable) {
  for (int32_t kind : {0, 13, 19, 37, -1})
    EXPECT_EQ(ErrorOf([&] { Schema(kind); }), err::kNotCapable) << kind;
  auto rs = Schema(schema::kTables);
  EXPECT_EQ(ErrorOf([&] { rs->Fields()[0].Value(Variant("x")); }), err::kNotCapable);
}

}  // namespace
}  // namespace korvex::ado
