#include "core/collection.h"

#include <gtest/gtest.h>

#include "support/error_number.h"

#include "core/automation_error.h"

namespace korvex {
namespace {

using korvex::testing::ErrorNumberOf;

TEST(Collection, KeysIgnoreCaseAndPositionsStartAtOne) {
  Collection c;
  c.Add(Variant("Name alias"), "Name");
  c.Add(Variant(42));
  EXPECT_EQ(ToText(c.Item(Variant("NAME"))), "Name alias");
  EXPECT_EQ(CLng(c.Item(Variant(2))), 42);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(Variant(0)); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(Variant(3)); }), 9);
  EXPECT_EQ(ErrorNumberOf([&] { c.Item(Variant("Missing")); }), 5);
}

TEST(Collection, DuplicateKeyRaises457AndAddsNothing) {
  Collection c;
  c.Add(Variant("a"), "Key");
  EXPECT_EQ(ErrorNumberOf([&] { c.Add(Variant("b"), "KEY"); }), 457);
  EXPECT_EQ(c.Count(), 1);
}

TEST(Collection, RemoveAndInsertBeforeAfter) {
  Collection c;
  c.Add(Variant("x"), "x");
  c.Add(Variant("z"), "z");
  c.Add(Variant("y"), "y", Variant("z"));
  c.Add(Variant("w"), std::nullopt, Variant::Missing(), Variant(3));
  std::vector<std::string> texts;
  for (const Variant& v : c.Items()) texts.push_back(ToText(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"x", "y", "z", "w"}));
  c.Remove(Variant("Y"));
  c.Remove(Variant(1));
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(ErrorNumberOf([&] { c.Remove(Variant("y")); }), 5);
}

TEST(Collection, ScriptMembersThroughDispatch) {
  auto c = std::make_shared<Collection>();
  Variant args[] = {Variant("Label"), Variant("Field")};
  c->Call("add", args);
  EXPECT_EQ(CLng(c->Get("COUNT")), 1);
  Variant key[] = {Variant("field")};
  EXPECT_EQ(ToText(c->CallDefault(key)), "Label");
  Variant bad[] = {};
  EXPECT_EQ(ErrorNumberOf([&] { c->Call("Add", std::span<const Variant>(bad, 0)); }), 449);
}

}  // namespace
}  // namespace korvex
