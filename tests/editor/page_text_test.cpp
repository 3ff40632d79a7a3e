// The one way a setting enters the current-browser page's script: as a string literal that no
// text can end early, nor end the script block it stands in.
#include "editor/page_text.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(JsStringLiteral, HoldsAnyTextInsideTheStringAndTheScriptBlock) {
  struct Case {
    std::string text, literal;
  } cases[] = {
      {"", "''"},
      {"/KorVex/HTML_Editor/", "'/KorVex/HTML_Editor/'"},
      {"it's \"q\" \\", "'it\\'s \\\"q\\\" \\\\'"},
      {"a\r\nb\tc\x01", "'a\\x0D\\x0Ab\\x09c\\x01'"},
      {"</script><!--", "'\\x3C/script\\x3E\\x3C!--'"},
      {"a&amp;b", "'a\\x26amp;b'"},
      // Line and paragraph separators end a string in older engines; other three-byte
      // characters of that block stay as they are.
      {"\xE2\x80\xA8|\xE2\x80\xA9|\xE2\x80\xA7|\xE2\x82\xAC|\xC3\xA9",
       "'\\u2028|\\u2029|\xE2\x80\xA7|\xE2\x82\xAC|\xC3\xA9'"},
      {"\xE2\x80", "'\xE2\x80'"},
  };
  for (const Case& c : cases) EXPECT_EQ(JsStringLiteral(c.text), c.literal) << c.text;
}

}  // namespace
}  // namespace korvex
