// The field model against real SQLite columns: type classes, the required and auto-increment
// tests, collecting the non-nullable columns (twice on one page), list membership and the
// relation lookup.
#include "component/field_model.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "ado/ado_constants.h"
#include "ado/connection.h"
#include "ado/field.h"
#include "ado/recordset.h"
#include "component/admin_recordset.h"
#include "component/settings/html_related_records.h"
#include "support/component_fixture.h"

namespace korvex {
namespace {

using testing::MakeDatabase;
using testing::TempFolder;

const char* kBooks =
    "CREATE TABLE Books(ID INTEGER PRIMARY KEY, Title VARCHAR(50) NOT NULL, Notes TEXT,"
    " Price MONEY, Cover BLOB, Year SMALLINT NOT NULL DEFAULT 2000);"
    "INSERT INTO Books(Title, Year) VALUES ('Dune', 1965);";

TEST(FieldClasses, FollowThePublishedTypeNumbers) {
  EXPECT_EQ(ClassOfType(131), FieldClass::Number);
  EXPECT_EQ(ClassOfType(17), FieldClass::Number);
  EXPECT_EQ(ClassOfType(135), FieldClass::Timestamp);
  EXPECT_EQ(ClassOfType(72), FieldClass::Text);
  EXPECT_EQ(ClassOfType(203), FieldClass::LongText);
  EXPECT_EQ(ClassOfType(205), FieldClass::Binary);
  int supported = 0;
  for (int32_t type = -1; type <= 300; ++type) supported += IsSupportedType(type);
  EXPECT_EQ(supported, 17);
  for (int32_t type : {0, 1, 14, 20, 128, 204, 206}) EXPECT_FALSE(IsSupportedType(type)) << type;
}

TEST(FieldClasses, MembershipIsExactAndCaseSensitive) {
  Collection hidden;
  hidden.Add(Variant("Title"), std::string("Title"));
  hidden.Add(Variant(int32_t{7}));
  EXPECT_TRUE(IsInCollection(Variant("Title"), hidden));
  EXPECT_FALSE(IsInCollection(Variant("title"), hidden));
  EXPECT_FALSE(IsInCollection(Variant("Title "), hidden));
  EXPECT_TRUE(IsInCollection(Variant("7"), hidden));  // a numeric text equals the number
  EXPECT_FALSE(IsInCollection(Variant::Null(), hidden));
}

TEST(FieldTests, RequiredAndAutoIncrementColumnsOfARealTable) {
  TempFolder folder;
  std::string file = MakeDatabase(folder, "books.db", kBooks);
  AdminRecordset page;
  page.ConnectionString(testing::ConnectionStringOf(file));
  auto books = std::make_shared<ado::Recordset>();
  books->Open(Variant("Books"), Variant(page.Connection()), ado::kOpenKeyset, ado::kLockReadOnly,
              ado::kCmdTable);
  ado::Fields& fields = books->Fields();
  auto field = [&](const char* name) -> ado::Field& { return *fields.Item(Variant(name)); };

  EXPECT_TRUE(page.IsRequiredField(field("Title")));
  EXPECT_FALSE(page.IsRequiredField(field("Notes")));
  page.RequiredFields->Add(Variant("Notes"));
  EXPECT_TRUE(page.IsRequiredField(field("Notes")));
  page.RequiredFields->Add(Variant("price"));  // another case is another name
  EXPECT_FALSE(page.IsRequiredField(field("Price")));

  EXPECT_TRUE(IsAutoIncrementField(field("ID")));
  EXPECT_FALSE(IsAutoIncrementField(field("Year")));
  EXPECT_FALSE(IsSupportedType(field("Cover").Type()));
  books->Close();

  // Collecting the non-nullable columns twice keeps one entry each.
  page.RequiredFields = std::make_shared<Collection>();
  page.RequiredFields->Add(Variant("Title"));  // listed by the page, without a key
  page.CollectRequiredColumns("Books");
  page.CollectRequiredColumns("Books");
  std::vector<std::string> names;
  for (const Variant& item : page.RequiredFields->Items()) names.push_back(ToText(item));
  // INTEGER PRIMARY KEY is SQLite's row id, which can never be null.
  std::sort(names.begin() + 1, names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"Title", "ID", "Year"}));
  EXPECT_EQ(ToText(page.RequiredFields->Item(Variant("year"))), "Year");
}

TEST(FieldTests, RelationsAreFoundOnlyWhileShownAndTheLastMatchWins) {
  HTMLRelatedRecords relations;
  relations.Add("AuthorID", "ID", "Authors");
  relations.Add("EditorID", "ID", "People");
  EXPECT_FALSE(FindRelation("AuthorID", relations).found);
  relations.Show = true;
  RelationMatch match = FindRelation("AuthorID", relations);
  EXPECT_TRUE(match.found);
  EXPECT_EQ(match.RelatedTable, "Authors");
  EXPECT_EQ(match.RelatedField, "ID");
  EXPECT_FALSE(FindRelation("authorid", relations).found);
  // Keys keep two relations of one name apart; a page-made item can still repeat a name.
  relations.Item(Variant("EditorID"))->FieldName = "AuthorID";
  EXPECT_EQ(FindRelation("AuthorID", relations).RelatedTable, "People");
}

}  // namespace
}  // namespace korvex
