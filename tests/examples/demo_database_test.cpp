#include "demo_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

namespace korvex::examples {
namespace {

std::filesystem::path FreshFolder() {
  auto dir = std::filesystem::temp_directory_path() /
             ("korvex-demo-test-" + std::to_string(::getpid()) + "-" +
              ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir;
}

long long Scalar(sqlite3* db, const char* sql) {
  sqlite3_stmt* stmt = nullptr;
  EXPECT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sql;
  long long value = -1;
  if (sqlite3_step(stmt) == SQLITE_ROW) value = sqlite3_column_int64(stmt, 0);
  sqlite3_finalize(stmt);
  return value;
}

std::string ReadFile(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DemoDatabase, BuildsTheShopWithForeignKeysThatHold) {
  auto dir = FreshFolder();
  auto file = EnsureDemoDatabase(dir);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM Products"), 17);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM Customers"), 40);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM Orders"), 60);
  EXPECT_GT(Scalar(db, "SELECT COUNT(*) FROM ProductTags"), 0);
  // Every declared reference points at a real row.
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM pragma_foreign_key_check"), 0);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM pragma_foreign_key_list('Orders')"), 2);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM Customers WHERE LastName = 'O''Neill'"), 3);
  sqlite3_stmt* mode = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "PRAGMA journal_mode", -1, &mode, nullptr), SQLITE_OK);
  ASSERT_EQ(sqlite3_step(mode), SQLITE_ROW);
  EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(mode, 0)), "wal");
  sqlite3_finalize(mode);
  sqlite3_close(db);
  std::filesystem::remove_all(dir);
}

TEST(DemoDatabase, ReusesAnExistingDatabaseAndKeepsEdits) {
  auto dir = FreshFolder();
  auto file = EnsureDemoDatabase(dir);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  ASSERT_EQ(
      sqlite3_exec(db, "DELETE FROM ProductTags; DELETE FROM Orders", nullptr, nullptr, nullptr),
      SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(EnsureDemoDatabase(dir), file);
  ASSERT_EQ(sqlite3_open(file.c_str(), &db), SQLITE_OK);
  EXPECT_EQ(Scalar(db, "SELECT COUNT(*) FROM Orders"), 0);
  sqlite3_close(db);
  EXPECT_FALSE(std::filesystem::exists(dir / "korvex-demo.db.building"));
  std::filesystem::remove_all(dir);
}

TEST(DemoDatabase, SampleImagesHaveValidHeaders) {
  auto dir = FreshFolder();
  WriteSampleImages(dir);
  std::string png = ReadFile(dir / "red-mug.png");
  ASSERT_GT(png.size(), 33u);
  EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
  EXPECT_EQ(png.substr(12, 4), "IHDR");
  EXPECT_EQ(static_cast<unsigned char>(png[19]), 96);  // width
  EXPECT_EQ(static_cast<unsigned char>(png[23]), 64);  // height
  std::string bmp = ReadFile(dir / "spade.bmp");
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(bmp.size(), 54u + 144u * 32u);
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace korvex::examples
