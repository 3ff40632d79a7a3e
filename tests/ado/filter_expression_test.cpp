// Filter expressions: what the parser refuses, the SQL it writes, and that the pushed-down
// condition and the in-memory evaluation pick the same rows of a real SQLite table.
#include "ado/filter_expression.h"

#include <gtest/gtest.h>

#include <map>

#include "ado/sqlite_scratch.h"
#include "core/automation_error.h"

namespace korvex::ado {
namespace {

TEST(FilterExpression, RejectsTextOutsideTheGrammar) {
  const char* bad[] = {
      "Name = 'abc",  // unclosed quote
      "Name = 'a' AND X = 'b",
      "(A = 1",  // unbalanced parentheses
      "A = 1)",
      "((A = 1) OR (B = 2)",
      "()",
      "A =",  // operator without value
      "A",
      "= 1",
      "A 1",
      "A = 1 AND",
      "A = 1 B = 2",
      "AND = 1",
      "A == 1",
      "A != 1",
      "A LIKE 5",  // LIKE takes a text
      "A LIKE Null",
      "A < Null",          // Null only with = and <>
      "A = #13/45/2003#",  // invalid dates
      "A = #2003-02-30#",
      "A = #3/14/2003",
      "[A = 1",  // names
      "[] = 1",
      "\"A\" = 1",
      "A = 'x' -- comment",
      "A = 1e999",
      "A = - 'x'",
      "A = abc",
  };
  for (const char* text : bad) {
    try {
      FilterExpression::Parse(text);
      ADD_FAILURE() << "accepted: " << text;
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), 3001) << text;
      EXPECT_EQ(e.description(),
                "Arguments are of the wrong type, are out of acceptable range, or are in "
                "conflict with one another.");
    }
  }
  std::string deep(200, '(');
  deep += "A = 1" + std::string(200, ')');
  EXPECT_THROW(FilterExpression::Parse(deep), AutomationError);
}

TEST(FilterExpression, WritesQuotedNamesAndEscapedLiterals) {
  struct Case {
    const char* filter;
    const char* sql;
  } cases[] = {
      {"[Name] LIKE '%red%' AND [Age] >= 30",
       R"(("Name" LIKE '%red%' ESCAPE '\' AND "Age" >= 30))"},
      {"Field = 'O''Brien'", R"("Field" = 'O''Brien')"},
      {"(A = 1 OR B = 2) AND C <> 'x'", R"((("A" = 1 OR "B" = 2) AND "C" <> 'x'))"},
      {"A = 1 or B = 2 and C = 3", R"(("A" = 1 OR ("B" = 2 AND "C" = 3)))"},
      {"[Date] = #3/14/2003#", R"("Date" = '2003-03-14')"},
      {"[When]<=#2003-03-14 15:04:09#", R"("When" <= '2003-03-14 15:04:09')"},
      {"[100%] = 1", R"("100%" = 1)"},
      {R"([a"b c] = Null)", R"("a""b c" IS NULL)"},
      {"x <> null", R"("x" IS NOT NULL)"},
      {R"(A like 'a_b*\')", R"("A" LIKE 'a\_b%\\' ESCAPE '\')"},
      {"A = -1.5 AND B = $50.00 AND C = 3000000000",
       R"(("A" = -1.5 AND "B" = 50 AND "C" = 3000000000))"},
      {"A = True OR B = false", R"(("A" = 1 OR "B" = 0))"},
      {"COLUMN_NAME = 'x' AND TABLE_NAME='y'", R"(("COLUMN_NAME" = 'x' AND "TABLE_NAME" = 'y'))"},
      {"A = 'x); DROP TABLE t; --'", R"("A" = 'x); DROP TABLE t; --')"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FilterExpression::Parse(c.filter).ToSqlCondition(SqliteDialect()), c.sql) << c.filter;
  EXPECT_EQ(FilterExpression::Parse("A LIKE 'x*' AND B = True").ToSqlCondition(PostgresDialect()),
            R"((CAST("A" AS TEXT) ILIKE 'x%' ESCAPE '\' AND "B" = TRUE))");
}

TEST(FilterExpression, EmptyTextIsNoFilter) {
  for (const char* text : {"", "   ", "\t"}) {
    FilterExpression f = FilterExpression::Parse(text);
    EXPECT_TRUE(f.IsEmpty());
    EXPECT_EQ(f.ToSqlCondition(SqliteDialect()), "");
    EXPECT_TRUE(f.Matches([](std::string_view) { return Variant::Null(); }));
  }
}

TEST(FilterExpression, FieldNamesOnceEachInOrder) {
  auto names = FilterExpression::Parse("([B c] = 1 OR a = 2) AND [b C] = 3 AND A <> Null AND x = 1")
                   .FieldNames();
  EXPECT_EQ(names, (std::vector<std::string>{"B c", "a", "x"}));
}

// Each row of the table as the data layer would hand it over: DATE columns as dates,
// BOOLEAN columns as booleans, names looked up without regard to case.
using Row = std::map<std::string, Variant>;

class FilterOnSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Exec(R"(CREATE TABLE People (id INTEGER PRIMARY KEY, Name TEXT, Notes TEXT,
                  Age INTEGER, Born DATE, Active BOOLEAN, "Last Name" TEXT);
      INSERT INTO People VALUES (1, 'Red car', 'fast', 30, '2003-03-14', 1, 'O''Brien');
      INSERT INTO People VALUES (2, 'blue bike', 'RED paint', 25, '2003-03-14 15:04:09', 0,
                                 'Smith');
      INSERT INTO People VALUES (3, 'green_van', NULL, 41, '1990-01-01', 1, NULL);
      INSERT INTO People VALUES (4, 'greenXvan', 'a red car', NULL, NULL, 0, 'O''Hara');
      INSERT INTO People VALUES (5, 'Null', '50% off', 30, '2003-03-15', 1, 'Jones');)");
    LoadRows();
  }

  void LoadRows() {
    sqlite3_stmt* stmt = nullptr;
    ASSERT_EQ(
        sqlite3_prepare_v2(db_.handle(), "SELECT * FROM People ORDER BY id", -1, &stmt, nullptr),
        SQLITE_OK);
    while (sqlite3_step(stmt) == SQLITE_ROW) {
      Row row;
      for (int i = 0; i < sqlite3_column_count(stmt); ++i) {
        std::string type = sqlite3_column_decltype(stmt, i);
        Variant v = Variant::Null();
        if (sqlite3_column_type(stmt, i) == SQLITE_INTEGER) {
          int32_t n = sqlite3_column_int(stmt, i);
          v = type == "BOOLEAN" ? Variant(n != 0) : Variant(n);
        } else if (sqlite3_column_type(stmt, i) == SQLITE_TEXT) {
          std::string text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, i));
          v = type == "DATE" ? Variant(*ParseDate(text)) : Variant(text);
        }
        row[FoldCase(sqlite3_column_name(stmt, i))] = v;
      }
      rows_.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
  }

  std::string IdsInDatabase(const FilterExpression& f) {
    return db_.Column("SELECT id FROM People WHERE " + f.ToSqlCondition(SqliteDialect()) +
                      " ORDER BY id");
  }

  std::string IdsInMemory(const FilterExpression& f) {
    std::string ids;
    for (const Row& row : rows_) {
      auto field = [&row](std::string_view name) { return row.at(FoldCase(name)); };
      if (f.Matches(field)) ids += (ids.empty() ? "" : ",") + ToText(row.at("id"));
    }
    return ids;
  }

  testing::ScratchDb db_;
  std::vector<Row> rows_;
};

TEST_F(FilterOnSqlite, DatabaseAndMemoryPickTheSameRows) {
  struct Case {
    const char* filter;
    const char* ids;
  } cases[] = {
      {"[Name] LIKE '%red%' AND [Age] >= 30", "1"},
      {"Name LIKE 'RED*'", "1"},
      {"Name LIKE '*van'", "3,4"},
      {"Name LIKE 'green_van'", "3"},  // _ stands for itself
      {"Notes LIKE '%50%%'", "5"},
      {"[Last Name] = 'O''Brien'", "1"},
      {"[Last Name] LIKE 'O''%'", "1,4"},
      {"(Age = 30 OR Age = 41) AND Name <> 'Null'", "1,3"},
      {"Age = 25 OR Age = 30 AND Name = 'Null'", "2,5"},
      {"Age < 30", "2"},
      {"Age <> 30", "2,3"},
      {"Age = '30'", "1,5"},
      {"Age = 30.0", "1,5"},
      {"Age > -1 AND Age <= $40", "1,2,5"},
      {"[Born] = #3/14/2003#", "1"},
      {"Born >= #3/14/2003# AND Born < #2003-03-15#", "1,2"},
      {"Born > #3/14/2003 3:04:09 PM#", "5"},
      {"Notes = Null", "3"},
      {"Notes LIKE '*'", "1,2,4,5"},        // Null matches no pattern
      {"[Last Name] <> False", "1,2,4,5"},  // nor any comparison
      {"notes <> null", "1,2,4,5"},
      {"Active = True", "1,3,5"},
      {"Active <> False AND Age >= 30", "1,3,5"},
      {"([Name] LIKE '%red%' AND [Name] LIKE '%car%') OR "
       "([Notes] LIKE '%red%' AND [Notes] LIKE '%car%')",
       "1,4"},
      {"([Name] LIKE '%Null%') OR ([Notes] LIKE '%Null%')", "5"},
  };
  for (const auto& c : cases) {
    FilterExpression f = FilterExpression::Parse(c.filter);
    EXPECT_EQ(IdsInDatabase(f), c.ids) << c.filter;
    EXPECT_EQ(IdsInMemory(f), c.ids) << c.filter;
  }
}

}  // namespace
}  // namespace korvex::ado
