#include "ado/stream.h"

#include <gtest/gtest.h>

#include "ado/ado_errors.h"
#include "ado_test_db.h"

namespace korvex::ado {
namespace {

using testing::ErrorOf;

TEST(Stream, TextIsWrittenReadAndCutByPosition) {
  Stream s;
  EXPECT_EQ(ErrorOf([&] { s.WriteText("x"); }), err::kObjectClosed);
  s.Open();
  s.WriteText("caf\xC3\xA9", 1);
  s.WriteText("two");
  EXPECT_EQ(s.Size(), 10);
  EXPECT_TRUE(s.EOS());
  s.Position(0);
  EXPECT_EQ(s.ReadText(4), "caf\xC3\xA9");  // four characters, five bytes
  EXPECT_EQ(s.ReadText(-2), "");            // the rest of the line
  EXPECT_EQ(s.ReadText(), "two");
  s.Position(3);
  s.WriteText("e");
  s.SetEOS();
  s.Position(0);
  EXPECT_EQ(s.ReadText(), "cafe");
  EXPECT_EQ(ErrorOf([&] { s.Position(9); }), err::kInvalidArgument);
}

TEST(Stream, SavesAndLoadsFilesByteForByte) {
  korvex::ado::testing::TestDb folder("SELECT 1");
  std::string file = (folder.dir() / "out.bin").string();
  Stream s;
  s.Open();
  s.Type(1);
  std::string bytes("a\0b\xFF", 4);
  s.Write(bytes);
  s.SaveToFile(file);
  EXPECT_EQ(ErrorOf([&] { s.SaveToFile(file); }), 3004);
  s.SaveToFile(file, 2);
  Stream t;
  t.Open();
  t.Type(1);
  t.LoadFromFile(file);
  EXPECT_EQ(t.Read(), bytes);
  EXPECT_EQ(ErrorOf([&] { t.LoadFromFile(file + ".none"); }), 3002);
}

}  // namespace
}  // namespace korvex::ado
