#include "host/encoding.h"

#include <gtest/gtest.h>

namespace korvex::host {
namespace {

TEST(Encoding, HtmlEncodesTheFiveSpecialCharactersOnly) {
  EXPECT_EQ(EncodeHtml("<a href='x'>&\""), "&lt;a href=&#39;x&#39;&gt;&amp;&quot;");
  EXPECT_EQ(EncodeHtml("caf\xC3\xA9 &amp;"), "caf\xC3\xA9 &amp;amp;");
}

TEST(Encoding, UrlEncodeKeepsOnlyLettersAndDigits) {
  EXPECT_EQ(EncodeUrl("a b&c/\xC3\xA9"), "a+b%26c%2F%C3%A9");
  EXPECT_EQ(EncodeUrl("-_.~+%"), "%2D%5F%2E%7E%2B%25");
  EXPECT_EQ(EncodeUrl(std::string("\0\xFF", 2)), "%00%FF");
}

TEST(Encoding, DecodeUrlHandlesPlusEscapesAndNearMisses) {
  struct Case {
    const char* in;
    const char* out;
  };
  const Case cases[] = {
      {"a+b", "a b"},
      {"%41%42", "AB"},
      {"%c3%a9", "\xC3\xA9"},
      {"%2B", "+"},
      {"%", "%"},
      {"100%", "100%"},
      {"%4", "%4"},
      {"%4g1", "%4g1"},
      {"%%41", "%A"},
      {"%FF", "\xEF\xBF\xBD"},
      {"a%C3", "a\xEF\xBF\xBD"},
      {"\xC3(", "\xEF\xBF\xBD("},
  };
  for (const Case& c : cases) EXPECT_EQ(DecodeUrl(c.in), c.out) << "input: " << c.in;
}

TEST(Encoding, PercentDecodeKeepsPlusAndRawBytes) {
  EXPECT_EQ(PercentDecode("a+b%2e%2E%FF"), "a+b..\xFF");
}

TEST(Encoding, EncodedTextDecodesBackToItself) {
  for (std::string text : {"", "a b+c", "x=1&y=2", "100% \xE2\x82\xAC", "'\"<>\t\r\n"})
    EXPECT_EQ(DecodeUrl(EncodeUrl(text)), text);
}

TEST(Encoding, UrlEncodedPairsKeepOrderAndRepeatedNames) {
  NameValueList pairs = ParseUrlEncoded("b=x+y&b=%C3%A9&&flag&=v&d=&e=a=b");
  NameValueList expected = {{"b", "x y"}, {"b", "\xC3\xA9"}, {"flag", ""},
                            {"", "v"},    {"d", ""},         {"e", "a=b"}};
  EXPECT_EQ(pairs, expected);
  EXPECT_TRUE(ParseUrlEncoded("").empty());
  EXPECT_EQ(ParseUrlEncoded("n%41me%3D=%26"), (NameValueList{{"nAme=", "&"}}));
}

TEST(Encoding, CookieHeaderSplitsTrimsUnquotesAndDecodes) {
  NameValueList pairs = ParseCookieHeader("a=1;  b=\"q v\" ;c=x%20y+z; junk; =nameless; d=");
  NameValueList expected = {{"a", "1"}, {"b", "q v"}, {"c", "x y z"}, {"d", ""}};
  EXPECT_EQ(pairs, expected);
}

TEST(Encoding, MediaTypeIgnoresCaseAndParameters) {
  EXPECT_TRUE(HasMediaType("Application/X-WWW-Form-Urlencoded; charset=UTF-8",
                           "application/x-www-form-urlencoded"));
  EXPECT_FALSE(
      HasMediaType("multipart/form-data; boundary=x", "application/x-www-form-urlencoded"));
  EXPECT_FALSE(HasMediaType("", "text/html"));
}

}  // namespace
}  // namespace korvex::host
