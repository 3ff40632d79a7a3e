#include "core/dispatch.h"

#include <gtest/gtest.h>

#include "core/automation_error.h"
#include "core/member_table.h"
#include "support/error_number.h"

namespace korvex {
namespace {

using korvex::testing::ErrorNumberOf;

class Sample : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Sample",
                                   {
                                       Prop<&Sample::Label>("Label"),
                                       Prop<&Sample::Size>("Size"),
                                       Prop<&Sample::Child>("Child"),
                                       Accessor("Caption", &Sample::Caption, &Sample::Caption),
                                       Method("Join", &Sample::Join).Default(),
                                   });
    return table;
  }
  std::string Label = "x";
  int16_t Size = 1;
  std::shared_ptr<Sample> Child;
  std::string Caption() const { return caption_; }
  void Caption(std::string value) {
    if (value.empty()) throw AutomationError(-2147221168, "empty");
    caption_ = value;
  }
  std::string Join(std::string a, std::optional<std::string> b) { return a + b.value_or("-"); }

 private:
  std::string caption_ = "Edit";
};

TEST(Dispatch, NamesIgnoreCaseAndUnknownRaises438) {
  auto s = std::make_shared<Sample>();
  s->Put("LABEL", Variant("y"));
  EXPECT_EQ(s->Label, "y");
  EXPECT_EQ(ToText(s->Get("label")), "y");
  EXPECT_EQ(ErrorNumberOf([&] { s->Get("Nope"); }), 438);
}

TEST(Dispatch, ConvertsByFieldTypes) {
  auto s = std::make_shared<Sample>();
  s->Put("Size", Variant("12"));
  EXPECT_EQ(s->Size, 12);
  EXPECT_EQ(s->Get("Size").type(), VarType::Integer);
  EXPECT_EQ(ErrorNumberOf([&] { s->Put("Size", Variant("40000")); }), 6);
}

TEST(Dispatch, ObjectFieldsAreCreatedOnFirstReadAndReplacedOnAssignment) {
  auto s = std::make_shared<Sample>();
  Variant first = s->Get("Child");
  ASSERT_TRUE(first.IsObject());
  EXPECT_EQ(first.AsObject(), s->Get("child").AsObject());
  auto other = std::make_shared<Sample>();
  s->Put("Child", Variant(other));
  EXPECT_EQ(s->Child, other);
}

TEST(Dispatch, AccessorsMethodsAndDefaultMember) {
  auto s = std::make_shared<Sample>();
  EXPECT_THROW(s->Put("Caption", Variant("")), AutomationError);
  EXPECT_EQ(ToText(s->Get("Caption")), "Edit");
  Variant one[] = {Variant("a")};
  EXPECT_EQ(ToText(s->Call("join", one)), "a-");
  Variant two[] = {Variant("a"), Variant("b")};
  EXPECT_EQ(ToText(s->CallDefault(two)), "ab");
  Variant three[] = {Variant("a"), Variant("b"), Variant("c")};
  EXPECT_THROW(s->Call("Join", three), AutomationError);
}

TEST(MemberTable, RejectsNamesThatFoldAlike) {
  EXPECT_THROW(MemberTable("Bad", {Prop<&Sample::Label>("Label"), Prop<&Sample::Size>("LABEL")}),
               std::logic_error);
}

}  // namespace
}  // namespace korvex
