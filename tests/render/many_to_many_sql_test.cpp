#include "render/many_to_many_sql.h"

#include <gtest/gtest.h>

#include "component/settings/db_many_to_many.h"
#include "component/sql_quoting.h"
#include "render/sql_keys.h"

namespace korvex {
namespace {

DBManyToMany BooksToAuthors() {
  DBManyToMany link;
  link.LinkRecordset = "BookAuthors";
  link.LinkToLocalField = "BookID";
  link.LinkToRemoteField = "AuthorID";
  link.RemoteField = "ID";
  link.RemoteRecordset = "Authors";
  return link;
}

TEST(ManyToManySql, KeyIsWrittenByItsKindAndANewOrNonNumericKeyLinksNothing) {
  ManyToManySql number = ManyToManySqlFor(BooksToAuthors(), "7", false, SqlQuoting("[", "]"));
  const std::string in = "(SELECT [AuthorID] FROM [BookAuthors] WHERE [BookID] = 7)";
  EXPECT_EQ(number.available.sql, "SELECT * FROM [Authors] WHERE [ID] NOT IN " + in);
  EXPECT_EQ(number.active.sql, "SELECT * FROM [Authors] WHERE [ID] IN " + in);
  EXPECT_EQ(ManyToManySqlFor(BooksToAuthors(), "O'Brien", true, SqlQuoting("\"", "\"")).active.sql,
            "SELECT * FROM \"Authors\" WHERE \"ID\" IN (SELECT \"AuthorID\" FROM \"BookAuthors\" "
            "WHERE \"BookID\" = 'O''Brien')");
  for (std::string_view key : {"", "   ", "7 OR 1=1", "0x10", "1;DROP TABLE Authors"}) {
    ManyToManySql sql = ManyToManySqlFor(BooksToAuthors(), key, false, SqlQuoting("[", "]"));
    EXPECT_EQ(sql.available.sql, "SELECT * FROM [Authors]") << key;
    EXPECT_TRUE(sql.active.no_rows) << key;
  }
}

TEST(SqlKeys, OnlyPlainNumbersPass) {
  for (std::string_view yes : {"7", "-7", "+0.5", ".5", "5.", "1e9", "2.5E-3"})
    EXPECT_TRUE(IsSqlNumber(yes)) << yes;
  for (std::string_view no : {"", "-", ".", "1e", " 1", "1 ", "1,5", "&H10", "$5", "1-1", "e5"})
    EXPECT_FALSE(IsSqlNumber(no)) << no;
  EXPECT_EQ(KeyQuotingOf(202), KeyQuoting::Text);
  EXPECT_EQ(KeyQuotingOf(135), KeyQuoting::Number);
  EXPECT_EQ(KeyQuotingOf(11), KeyQuoting::None);
}

}  // namespace
}  // namespace korvex
