#include "script/bridge.h"

#include <gtest/gtest.h>

#include "core/collection.h"
#include "core/member_table.h"
#include "host/intrinsics.h"
#include "script/engine.h"
#include "script/page_compiler.h"

namespace korvex::script {
namespace {

class Widget : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Widget", {
                                                 Prop<&Widget::Label>("Label"),
                                                 Prop<&Widget::Size>("Size"),
                                                 Prop<&Widget::Child>("Child"),
                                                 Prop<&Widget::Value>("Value").Default(),
                                                 ReadOnlyProp<&Widget::Fixed>("Fixed"),
                                                 Prop<&Widget::Items>("Items"),
                                                 Method("Join", &Widget::Join),
                                                 Method("Fail", &Widget::Fail),
                                                 Method("End", &Widget::End),
                                                 RawMethod("Probe", &Widget::Probe),
                                             });
    return table;
  }
  std::string Label = "x";
  int16_t Size = 1;
  std::shared_ptr<Widget> Child;
  Variant Value = Variant("v");
  std::string Fixed = "f";
  std::shared_ptr<Collection> Items = std::make_shared<Collection>();
  std::string Join(std::string a, std::optional<std::string> b) { return a + b.value_or("-"); }
  void Fail() { throw AutomationError(-2147217900, "Syntax <error> in statement", "Widget.Db"); }
  void End() { throw host::ResponseEnded{}; }
  // Records the kinds of the arguments it receives.
  Variant Probe(Args args) {
    received.assign(args.begin(), args.end());
    return Variant();
  }
  std::vector<Variant> received;
};

// An object without a default member.
class Plain : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Plain", {Prop<&Plain::Name>("Name")});
    return table;
  }
  std::string Name = "p";
};

class BridgeTest : public ::testing::Test {
 protected:
  BridgeTest() {
    engine_.AddGlobal("w", widget_);
    engine_.AddGlobal("plain", std::make_shared<Plain>());
  }
  std::string Text(std::string_view js) { return ToText(engine_.Evaluate(js)); }
  ScriptError Failure(std::string_view js) {
    try {
      engine_.Evaluate(js);
    } catch (const ScriptFailure& e) {
      return e.error();
    }
    ADD_FAILURE() << "no error from " << js;
    return {};
  }

  std::shared_ptr<Widget> widget_ = std::make_shared<Widget>();
  Engine engine_;
};

TEST_F(BridgeTest, MembersAnswerInAnyCase) {
  engine_.Evaluate("w.LABEL = 'y'; w.size = '12'");
  EXPECT_EQ(widget_->Label, "y");
  EXPECT_EQ(widget_->Size, 12);
  EXPECT_EQ(Text("w.label + '/' + typeof w.SIZE + '/' + w.join('a') + w.JOIN('b', 'c')"),
            "y/number/a-bc");
  EXPECT_EQ(Text("var j = w.Join; j('d', 'e')"), "de");
}

TEST_F(BridgeTest, ObjectsCalledLikeFunctionsReachTheirDefaultMember) {
  widget_->Items->Add(Variant("first"), "Name");
  widget_->Items->Add(Variant(int32_t{2}));
  EXPECT_EQ(Text("w.Items('name') + w.items(2) + w.Items.Item('NAME') + w.Items.Count"),
            "first2first2");
  EXPECT_EQ(Text("w()"), "v");
  engine_.Evaluate("w.Child.Label = 'kid'; w.Child.Child = w.child");
  ASSERT_TRUE(widget_->Child);
  EXPECT_EQ(widget_->Child->Label, "kid");
  EXPECT_EQ(widget_->Child->Child, widget_->Child);
  EXPECT_TRUE(CBool(engine_.Evaluate("w.Child === w.Child && w.Child.Child === w.Child")));
  EXPECT_EQ(Failure("plain()").number, 438);
  widget_->Child->Child = nullptr;  // the page made a cycle of counted references: undo it
}

TEST_F(BridgeTest, ValuesCrossIntoJavaScriptByKind) {
  struct Case {
    Variant value;
    const char* expected;  // typeof and string form
  } cases[] = {
      {Variant(), "undefined:undefined"},
      {Variant::Null(), "object:null"},
      {Variant(true), "boolean:true"},
      {Variant(int16_t{-7}), "number:-7"},
      {Variant(2.5), "number:2.5"},
      {Variant(CurrencyValue{12345}), "number:1.2345"},
      {Variant(*ParseDate("2024-02-29 13:05:00")), "string:2024-02-29 13:05:00"},
      {Variant("\xF0\x9F\x98\x80"), "string:\xF0\x9F\x98\x80"},
      {Variant::Nothing(), "object:null"},
  };
  for (const Case& c : cases) {
    widget_->Value = c.value;
    EXPECT_EQ(Text("typeof w.Value + ':' + w.Value"), c.expected);
  }
}

TEST_F(BridgeTest, ValuesComeBackByKind) {
  engine_.Evaluate(
      "w.Probe(undefined, null, 5, -0, 2.5, 3000000000, 's', true, w.Child, 'caf\\u00e9 "
      "\\uD83D\\uDE00',"
      " new Date(2024, 1, 29, 13, 5, 0), [1, 2], {toString: function () { return 'obj'; }})");
  const std::vector<Variant>& got = widget_->received;
  ASSERT_EQ(got.size(), 13u);
  EXPECT_TRUE(got[0].IsMissing());
  EXPECT_TRUE(got[1].IsNull());
  EXPECT_EQ(got[2].type(), VarType::Long);
  EXPECT_EQ(got[3].type(), VarType::Long);
  EXPECT_EQ(got[4].type(), VarType::Double);
  EXPECT_EQ(got[5].type(), VarType::Double);
  EXPECT_EQ(got[6].AsString(), "s");
  EXPECT_EQ(got[7].type(), VarType::Boolean);
  EXPECT_EQ(got[8].AsObject(), widget_->Child);
  EXPECT_EQ(got[9].AsString(), "caf\xC3\xA9 \xF0\x9F\x98\x80");
  ASSERT_EQ(got[10].type(), VarType::Date);
  EXPECT_EQ(ToText(got[10]), "2024-02-29 13:05:00");
  EXPECT_EQ(got[11].AsString(), "1,2");
  EXPECT_EQ(got[12].AsString(), "obj");
  engine_.Evaluate("w.Value = undefined");
  EXPECT_TRUE(widget_->Value.IsEmpty());
}

TEST_F(BridgeTest, AutomationErrorsBecomeErrorObjects) {
  EXPECT_EQ(
      Text("try { w.Fail() } catch (e) {"
           "  [e instanceof Error, e.number, e.description, e.source, e.message].join('|') }"),
      "true|-2147217900|Syntax <error> in statement|Widget.Db|Syntax <error> in statement");
  ScriptError unknown = Failure("w.Nothing");
  EXPECT_EQ(unknown.number, 438);
  EXPECT_NE(unknown.description.find("Nothing"), std::string::npos);
  EXPECT_EQ(Failure("w.Fixed = 'g'").number, 438);
  EXPECT_EQ(Failure("w.Size = 'many'").number, 13);
  EXPECT_EQ(Failure("w.Join()").number, 449);
  ScriptError escaped = Failure("\n\nw.Fail()");
  EXPECT_EQ(escaped.line, 3);
  EXPECT_EQ(escaped.source, "Widget.Db");
}

TEST_F(BridgeTest, JavaScriptProbesDoNotRaise) {
  EXPECT_EQ(Text("String(w) + '|' + ('' + w) + '|' + (w.Value + 1)"), "v|v|v1");
  widget_->Value = Variant(int32_t{41});
  EXPECT_EQ(Text("(w + 1) + '|' + w.toString() + '|' + (w == 41)"), "42|41|true");
  EXPECT_EQ(Text("String(plain) + '|' + typeof w.toJSON + typeof w.inspect + typeof w.then"),
            "[object Plain]|undefinedundefinedundefined");
  EXPECT_EQ(Text("String(w.Items)"), "[object Collection]");
  EXPECT_EQ(Text("('label' in w) + '|' + ('nope' in w)"), "true|false");
}

TEST_F(BridgeTest, EnumeratorWalksACollection) {
  widget_->Items->Add(Variant("a"));
  widget_->Items->Add(Variant(int32_t{2}));
  widget_->Items->Add(Variant(widget_));
  EXPECT_EQ(
      Text("var out = [];"
           "for (var e = new Enumerator(w.Items); !e.atEnd(); e.moveNext()) {"
           "  var it = e.item(); out.push(typeof it == 'string' ? it : it === w ? 'w' : it); }"
           "e.moveFirst(); out.push(e.item()); out.join(',')"),
      "a,2,w,a");
  EXPECT_EQ(Text("var e = new Enumerator([7, 8]); e.moveNext(); e.item()"), "8");
  EXPECT_EQ(Failure("new Enumerator(w)").name, "TypeError");
  widget_->Items->Remove(Variant(int32_t{3}));  // the widget held itself through its items
}

TEST_F(BridgeTest, DynamicNamesReachSessionValues) {
  auto session = std::make_shared<host::Session>("id", true);
  engine_.AddGlobal("Session", session);
  engine_.Evaluate("Session.Cart = 5; Session('Other') ");
  EXPECT_EQ(ToText(session->Value("cart")), "5");
  EXPECT_EQ(Text("Session('CART') + Session.cart"), "10");
  EXPECT_EQ(Text("typeof Session('Absent')"), "undefined");
}

TEST_F(BridgeTest, ResponseEndCannotBeCaughtIntoMoreWork) {
  CompiledPage page{
      "try { w.End() } catch (e) { w.Label = 'caught' }\n"
      "w.Label = 'after';\n",
      {1, 2, 3},
      {}};
  EXPECT_FALSE(engine_.Run(page, "p"));
  EXPECT_TRUE(engine_.ended());
  EXPECT_EQ(widget_->Label, "x");

  Engine looping;
  looping.AddGlobal("w", widget_);
  CompiledPage spin{
      "try { w.End() } catch (e) {}\n"
      "while (" +
          std::string(kLoopCheckFunction) + "() && true) {}\n",
      {1, 2, 3},
      {}};
  EXPECT_FALSE(looping.Run(spin, "p"));
}

TEST_F(BridgeTest, BindingsLeaveTheStackAsTheyFoundIt) {
  duk_context* ctx = engine_.context();
  duk_idx_t top = duk_get_top(ctx);
  for (const char* js : {"w.Label", "w.Label = 'z'", "w.Items.Count", "w.Join('a')", "w()",
                         "String(w)", "'label' in w", "new Enumerator(w.Items).atEnd()"}) {
    engine_.Evaluate(js);
    EXPECT_EQ(duk_get_top(ctx), top) << js;
  }
  for (const char* js : {"w.Nothing", "w.Fail()", "w.Size = 'x'", "nope()", "}"}) {
    EXPECT_THROW(engine_.Evaluate(js), ScriptFailure);
    EXPECT_EQ(duk_get_top(ctx), top) << js;
  }
  Bridge& bridge = engine_.bridge();
  ASSERT_TRUE(bridge.PushValue(Variant(widget_)));
  EXPECT_EQ(duk_get_top(ctx), top + 1);
  EXPECT_EQ(bridge.ReadValue(-1, false).AsObject(), widget_);
  EXPECT_EQ(duk_get_top(ctx), top + 1);
  duk_pop(ctx);
}

}  // namespace
}  // namespace korvex::script
