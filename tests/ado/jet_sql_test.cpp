// The Jet-SQL front end: token rewrites compared as text, then the rewritten statements run
// against a real SQLite file to show they select the right rows.
#include "ado/jet_sql.h"

#include <gtest/gtest.h>

#include "ado/sqlite_scratch.h"

namespace korvex::ado {
namespace {

struct Case {
  const char* jet;
  const char* expected;
};

void ExpectTranslations(const SqlDialect& dialect, std::initializer_list<Case> cases) {
  for (const Case& c : cases) EXPECT_EQ(TranslateJetSql(c.jet, dialect), c.expected) << c.jet;
}

TEST(JetSql, TokenizerGivesTheInputBackWhole) {
  const char* input = "SELECT [a b], \"c\"\"d\", 'e''f', #1/2/2003#, 1.5e3 -- x\n/* y */ <> 'open";
  std::string joined;
  for (const JetToken& t : TokenizeJet(input)) joined += t.text;
  EXPECT_EQ(joined, input);
  auto tokens = TokenizeJet("'it''s' [x");
  ASSERT_EQ(tokens.size(), 3u);
  EXPECT_EQ(TokenContents(tokens[0]), "it's");
  EXPECT_FALSE(tokens[2].closed);
}

TEST(JetSql, QuotesBracketedNamesOnlyOutsideLiterals) {
  ExpectTranslations(SqliteDialect(),
                     {
                         {"SELECT * FROM [Order Details]", R"(SELECT * FROM "Order Details")"},
                         {R"(SELECT [O"Brien] FROM t)", R"(SELECT "O""Brien" FROM t)"},
                         // "]]" is a bracket of the name, not its end.
                         {"SELECT * FROM [x]]y]", R"(SELECT * FROM "x]y")"},
                         {"SELECT [a]]]]] FROM t", R"(SELECT "a]]" FROM t)"},
                         {"SELECT [100%] FROM [T]", R"(SELECT "100%" FROM "T")"},
                         {R"(SELECT '[x]', "[y]" FROM t)", R"(SELECT '[x]', "[y]" FROM t)"},
                         {"SELECT 1 -- [x] True\n/* [y] */", "SELECT 1 -- [x] True\n/* [y] */"},
                         {"SELECT 'it''s [z]' FROM t", "SELECT 'it''s [z]' FROM t"},
                         // An unclosed literal or name passes as written; the database says why.
                         {"SELECT 'abc [x]", "SELECT 'abc [x]"},
                         {"SELECT [abc FROM t", "SELECT [abc FROM t"},
                     });
}

TEST(JetSql, RewritesDatesAndLeavesInvalidOnesAlone) {
  ExpectTranslations(SqliteDialect(),
                     {
                         {"WHERE d = #3/14/2003#", "WHERE d = '2003-03-14'"},
                         {"WHERE d=#2003-03-14#", "WHERE d='2003-03-14'"},
                         {"WHERE d = #2003-03-14 15:04:09#", "WHERE d = '2003-03-14 15:04:09'"},
                         {"WHERE d = #3/14/2003 3:04:09 PM#", "WHERE d = '2003-03-14 15:04:09'"},
                         {"WHERE d = #3/14/2003 12:30 AM#", "WHERE d = '2003-03-14 00:30:00'"},
                         {"WHERE d = #1/1/1#", "WHERE d = '2001-01-01'"},
                         {"WHERE d = #13/45/2003#", "WHERE d = #13/45/2003#"},
                         {"WHERE d = #2003-02-30#", "WHERE d = #2003-02-30#"},
                         {"WHERE d = #3/14/2003 13:00 PM#", "WHERE d = #3/14/2003 13:00 PM#"},
                         {"WHERE d = #abc# OR a # b", "WHERE d = #abc# OR a # b"},
                         {"WHERE s = '#3/14/2003#'", "WHERE s = '#3/14/2003#'"},
                     });
}

TEST(JetSql, BooleansAndLikeFollowTheDialect) {
  const char* jet = "SELECT * FROM t WHERE b = True AND c = false AND n LIKE 'True%'";
  EXPECT_EQ(TranslateJetSql(jet, SqliteDialect()),
            "SELECT * FROM t WHERE b = 1 AND c = 0 AND n LIKE 'True%'");
  EXPECT_EQ(TranslateJetSql(jet, PostgresDialect()),
            "SELECT * FROM t WHERE b = TRUE AND c = FALSE AND n ILIKE 'True%'");
  EXPECT_EQ(TranslateJetSql("SELECT [a] & ' & ' & b FROM t", PostgresDialect()),
            R"(SELECT "a" || ' & ' || b FROM t)");
  EXPECT_EQ(TranslateJetSql("SELECT [True], \"False\" FROM t", SqliteDialect()),
            R"(SELECT "True", "False" FROM t)");
}

TEST(JetSql, BareNamesTakeTheSpellingTheResolverKnows) {
  // A catalogue with the table Items and the column ID; count is a function, not a name.
  NameResolver resolve = [](std::string_view word) -> std::optional<std::string> {
    for (const char* name : {"Items", "ID", "count"})
      if (EqualsNoCase(word, name)) return std::string(name);
    return std::nullopt;
  };
  for (const Case& c : std::initializer_list<Case>{
           {"SELECT id, COUNT(*) FROM items WHERE 'items' = Items.id",
            R"(SELECT "ID", COUNT(*) FROM "Items" WHERE 'items' = "Items"."ID")"},
           {"INSERT INTO items (id) VALUES (1)", R"(INSERT INTO "Items" ("ID") VALUES (1))"},
           {"SELECT [items].x, \"items\" FROM t", R"(SELECT "items".x, "items" FROM t)"},
       })
    EXPECT_EQ(TranslateJetSql(c.jet, PostgresDialect(), resolve), c.expected) << c.jet;
}

TEST(JetSql, TopBecomesALimitOfItsOwnSelect) {
  ExpectTranslations(
      SqliteDialect(),
      {
          {"SELECT TOP 5 * FROM [T] ORDER BY [a] DESC;",
           R"(SELECT * FROM "T" ORDER BY "a" DESC LIMIT 5;)"},
          {"select distinct top 3 a from t -- first three\n",
           "select distinct a from t LIMIT 3 -- first three\n"},
          {"SELECT 'TOP 5' FROM t", "SELECT 'TOP 5' FROM t"},
          {"SELECT top FROM t", "SELECT top FROM t"},
          {"SELECT TOP 1.5 * FROM t", "SELECT TOP 1.5 * FROM t"},
          {"SELECT * FROM t WHERE id IN (SELECT TOP 2 id FROM u ORDER BY id) ORDER BY id",
           "SELECT * FROM t WHERE id IN (SELECT id FROM u ORDER BY id LIMIT 2) ORDER BY id"},
          {"SELECT TOP 1 * FROM (SELECT TOP 3 * FROM t ORDER BY a) ORDER BY a DESC",
           "SELECT * FROM (SELECT * FROM t ORDER BY a LIMIT 3) ORDER BY a DESC LIMIT 1"},
          {"SELECT TOP 2 a FROM t; SELECT TOP 3 b FROM u",
           "SELECT a FROM t LIMIT 2; SELECT b FROM u LIMIT 3"},
          {"SELECT TOP 1 a FROM t UNION SELECT a FROM u ORDER BY 1",
           "SELECT * FROM (SELECT a FROM t LIMIT 1) AS top_rows UNION SELECT a FROM u ORDER BY 1"},
          {"SELECT a FROM t UNION ALL SELECT TOP 2 a FROM u ORDER BY 1",
           "SELECT a FROM t UNION ALL SELECT * FROM (SELECT a FROM u LIMIT 2) AS top_rows ORDER BY "
           "1"},
          {"SELECT TOP 10 PERCENT * FROM [T]",
           R"(SELECT * FROM "T" LIMIT (SELECT (COUNT(*) * 10 + 99) / 100 FROM (SELECT * FROM "T") AS top_count))"},
      });
}

// Rows 1..25; g holds 11 distinct values; d is a DATE column in the stored form.
class JetSqlOnSqlite : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.Exec(R"(CREATE TABLE "Order Details" (id INTEGER PRIMARY KEY, g INTEGER, "O""Name" TEXT,
                  d DATE, flag BOOLEAN))");
    db_.Exec("BEGIN");
    for (int i = 1; i <= 25; ++i) {
      db_.Exec("INSERT INTO \"Order Details\" VALUES (" + std::to_string(i) + ", " +
               std::to_string(i % 11) + ", 'n" + std::to_string(i) + "', NULL, " +
               std::to_string(i % 2) + ")");
    }
    db_.Exec(R"(UPDATE "Order Details" SET d = '2003-03-14' WHERE id = 1;
                UPDATE "Order Details" SET d = '2003-03-14 15:04:09' WHERE id = 2;
                UPDATE "Order Details" SET d = '2003-03-15' WHERE id = 3;
                COMMIT;)");
  }
  std::string Ids(const std::string& jet) {
    return db_.Column(TranslateJetSql(jet, SqliteDialect()));
  }
  size_t RowCount(const std::string& jet) {
    return db_.Query(TranslateJetSql(jet, SqliteDialect())).size();
  }
  testing::ScratchDb db_;
};

TEST_F(JetSqlOnSqlite, TopPercentRoundsUpAndCountsDistinctRows) {
  EXPECT_EQ(RowCount("SELECT TOP 10 PERCENT * FROM [Order Details]"), 3u);
  EXPECT_EQ(Ids("SELECT DISTINCT  TOP 10 PERCENT [g] FROM [Order Details] ORDER BY [g]"), "0,1");
  EXPECT_EQ(RowCount("SELECT TOP 100 PERCENT [id] FROM [Order Details]"), 25u);
  EXPECT_EQ(RowCount("SELECT TOP 4 PERCENT [id] FROM [Order Details]"), 1u);
  EXPECT_EQ(Ids("SELECT TOP 20 PERCENT [id] FROM [Order Details] WHERE [id] > 20"), "21");
}

TEST_F(JetSqlOnSqlite, RunsTheCriteriaStatementsOfTheSearchForm) {
  // Blanks where no DISTINCT or TOP was chosen, a trailing blank, CR LF before ORDER BY.
  EXPECT_EQ(Ids("SELECT    * FROM [Order Details]  WHERE [g] >= 9 AND [flag] = True "), "9,21");
  EXPECT_EQ(Ids("SELECT DISTINCT  TOP 20 PERCENT * FROM [Order Details]  WHERE [g] >= 5 "
                "\r\nORDER BY [id] DESC"),
            "21,20,19");
  EXPECT_EQ(Ids("SELECT   TOP 3 * FROM [Order Details]  WHERE [d] = #3/14/2003# OR [id] > 23 "
                "\r\nORDER BY [id] ASC"),
            "1,24,25");
}

TEST_F(JetSqlOnSqlite, TopKeepsOrderAndNesting) {
  EXPECT_EQ(Ids("SELECT TOP 3 [id] FROM [Order Details] ORDER BY [id] DESC;"), "25,24,23");
  EXPECT_EQ(Ids("SELECT TOP 2 [id] FROM (SELECT TOP 5 [id] FROM [Order Details] ORDER BY [id]) "
                "ORDER BY [id] DESC"),
            "5,4");
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [id] IN (SELECT TOP 2 [id] FROM "
                "[Order Details] ORDER BY [id] DESC) ORDER BY [id]"),
            "24,25");
  EXPECT_EQ(Ids("SELECT TOP 1 [id] FROM [Order Details] UNION SELECT TOP 1 [g] + 100 FROM "
                "[Order Details] ORDER BY 1"),
            "1,101");
}

TEST_F(JetSqlOnSqlite, DatesBooleansAndQuotedNamesSelectTheRightRows) {
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [d] = #3/14/2003#"), "1");
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [d] = #2003-03-14 3:04:09 PM#"), "2");
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [d] >= #3/14/2003# AND "
                "[d] < #2003-03-15# ORDER BY [id]"),
            "1,2");
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [flag] = False AND [id] < 5"), "2,4");
  EXPECT_EQ(Ids(R"(SELECT [O"Name] & '-' & [g] FROM [Order Details] WHERE [id] = 7)"), "n7-7");
  EXPECT_EQ(Ids("SELECT [id] FROM [Order Details] WHERE [O\"Name] LIKE 'N2%' ORDER BY [id]"),
            "2,20,21,22,23,24,25");
}

}  // namespace
}  // namespace korvex::ado
