#include "script/js_text.h"

#include <gtest/gtest.h>

#include "core/member_table.h"
#include "script/engine.h"
#include "script/page_compiler.h"

namespace korvex::script {
namespace {

// Hands text to a page and takes back what the page sets.
class Holder : public Dispatch {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("Holder",
                                   {Prop<&Holder::Text>("Text"), Prop<&Holder::Units>("Units")});
    return table;
  }
  std::string Text;
  std::string Units;
};

// Runs page code with the holder as h; fails the test when the page raises.
void RunPage(const std::shared_ptr<Holder>& holder, const std::string& code) {
  Engine engine;
  engine.AddGlobal("h", holder);
  std::optional<ScriptError> error = engine.Run(CompilePage("<% " + code + " %>"), "t.ksp");
  EXPECT_FALSE(error) << code << ": " << (error ? error->message : "");
}

// U+FFFD in UTF-8, for building expected bytes inline.
#define FFFD "\xEF\xBF\xBD"

TEST(JsText, IllFormedUtf8ReachesPagesAsOneReplacementPerBadSequence) {
  struct Case {
    const char* bytes;
    const char* units;  // the UTF-16 code units the page sees, in hex
    const char* back;   // the bytes after the page writes the text back
  } cases[] = {
      {"a\xC3\xA9\xE2\x82\xAC", "61 e9 20ac", "a\xC3\xA9\xE2\x82\xAC"},
      {"\xF0\x9F\x98\x80", "d83d de00", "\xF0\x9F\x98\x80"},
      {"\xF4\x8F\xBF\xBF", "dbff dfff", "\xF4\x8F\xBF\xBF"},  // U+10FFFF
      {"a\x80z", "61 fffd 7a", "a" FFFD "z"},                 // stray continuation
      {"\xFF\xF8\x88", "fffd fffd fffd", FFFD FFFD FFFD},     // never a lead byte
      {"\xC0\xAF", "fffd fffd", FFFD FFFD},                   // overlong "/"
      {"\xE0\x80\xAF", "fffd fffd fffd", FFFD FFFD FFFD},     // overlong
      {"\xF0\x8F\xBF\xBF", "fffd fffd fffd fffd", FFFD FFFD FFFD FFFD},
      {"\xED\xA0\x80\xED\xBF\xBF", "fffd fffd fffd fffd fffd fffd",
       FFFD FFFD FFFD FFFD FFFD FFFD},                                   // encoded surrogates
      {"\xF4\x90\x80\x80", "fffd fffd fffd fffd", FFFD FFFD FFFD FFFD},  // past U+10FFFF
      {"\xE2\x82x", "fffd 78", FFFD "x"},                                // continuation missing
      {"\xF0\x9F\x98x\xF0\x9F\x98\x80", "fffd 78 d83d de00", FFFD "x\xF0\x9F\x98\x80"},
      {"\xC3\xC3\xA9", "fffd e9", FFFD "\xC3\xA9"},  // a lead where a continuation goes
      {"ok\xF0\x9F\x98", "6f 6b fffd", "ok" FFFD},   // cut short at the end
      {"\xC3", "fffd", FFFD},
  };
  for (const Case& c : cases) {
    auto holder = std::make_shared<Holder>();
    holder->Text = c.bytes;
    RunPage(holder,
            "var s = h.Text, u = [];"
            "for (var i = 0; i < s.length; i++) u.push(s.charCodeAt(i).toString(16));"
            "h.Units = u.join(' '); h.Text = s;");
    EXPECT_EQ(holder->Units, c.units) << testing::PrintToString(c.bytes);
    EXPECT_EQ(holder->Text, c.back) << testing::PrintToString(c.bytes);
  }
}

TEST(JsText, PageTextUtf8CannotCarryComesBackAsReplacement) {
  struct Case {
    const char* js;
    const char* utf8;
  } cases[] = {
      {"'a\\uD83Db'", "a" FFFD "b"},                                   // lone high
      {"'\\uDE00\\uD83D'", FFFD FFFD},                                 // reversed pair
      {"'\\uD83D\\uD83D\\uDE00'", FFFD "\xF0\x9F\x98\x80"},            // high, then a pair
      {"'\\uD83D' + '\\uDE00'", "\xF0\x9F\x98\x80"},                   // joined by concatenation
      {"'\\uD83D\\uDE00'.charAt(1) + 'z'", FFFD "z"},                  // half a pair
      {"Duktape.dec('jx', '\"\\\\U0001F600\"')", "\xF0\x9F\x98\x80"},  // Duktape's 4-byte form
      {"Duktape.dec('jx', '\"x\\\\U0011FFFFy\\\\UFFFFFFFF\"')", "x" FFFD "y" FFFD},
  };
  for (const Case& c : cases) {
    auto holder = std::make_shared<Holder>();
    RunPage(holder, std::string("h.Text = ") + c.js + ";");
    EXPECT_EQ(holder->Text, c.utf8) << c.js;
  }
}

}  // namespace
}  // namespace korvex::script
