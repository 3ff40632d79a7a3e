#include <gtest/gtest.h>

#include "support/error_number.h"

#include "core/automation_error.h"
#include "host/intrinsics.h"

namespace korvex::host {
namespace {

using korvex::testing::ErrorNumberOf;

TEST(Response, WriteBuffersByTheTextRulesAndClearDiscards) {
  Response response;
  response.Write(Variant(true));
  response.Write(Variant::Null());
  response.Write(Variant(2.5));
  response.WriteText("|");
  EXPECT_EQ(response.data().body, "True2.5|");
  response.Clear();
  response.Write(Variant("after"));
  EXPECT_EQ(response.data().body, "after");
}

TEST(Response, EndStopsThePageAndLaterOutputIsIgnored) {
  auto response = std::make_shared<Response>();
  response->Write(Variant("kept"));
  EXPECT_THROW(response->Call("End", {}), ResponseEnded);
  EXPECT_TRUE(response->ended());
  response->Write(Variant(" lost"));
  response->Clear();
  response->AddHeader("X-Late", "1");
  EXPECT_EQ(response->data().body, "kept");
  EXPECT_TRUE(response->data().headers.empty());
}

TEST(Response, StatusReadsAndWritesTheStatusLine) {
  auto response = std::make_shared<Response>();
  EXPECT_EQ(ToText(response->Get("Status")), "200 OK");
  response->Put("Status", Variant("404 Not Found"));
  EXPECT_EQ(response->data().status, 404);
  EXPECT_EQ(response->data().status_text, "Not Found");
  response->Put("Status", Variant("500"));
  EXPECT_EQ(ToText(response->Get("Status")), "500 Internal Server Error");
  response->Put("Status", Variant("299 Custom Words"));
  EXPECT_EQ(ToText(response->Get("Status")), "299 Custom Words");
  for (const char* bad : {"", "OK", "20 OK", "2000 OK", "099 Low", "200OK", "200 OK\r\nX: y"})
    EXPECT_EQ(ErrorNumberOf([&] { response->Put("Status", Variant(bad)); }), 5) << bad;
  EXPECT_EQ(ToText(response->Get("Status")), "299 Custom Words");
}

TEST(Response, HeaderTextCannotSplitTheResponse) {
  Response response;
  response.AddHeader("X-Frame-Options", "DENY");
  EXPECT_EQ(response.data().headers, (HeaderList{{"X-Frame-Options", "DENY"}}));
  EXPECT_EQ(ErrorNumberOf([&] { response.AddHeader("X-A", "v\r\nSet-Cookie: a=b"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { response.AddHeader("Bad Name", "v"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { response.AddHeader("", "v"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { response.ContentType("text/html\nX: y"); }), 5);
  EXPECT_EQ(ErrorNumberOf([&] { response.CharSet("utf-8; x"); }), 5);
  EXPECT_THROW(response.Redirect("/x\r\nSet-Cookie: a=b"), AutomationError);
  EXPECT_EQ(response.data().headers.size(), 1u);
}

TEST(Response, RedirectAnswers302AndEndsThePage) {
  Response response;
  response.Write(Variant("discarded"));
  EXPECT_THROW(response.Redirect("/list.ksp?a=1&b=2"), ResponseEnded);
  EXPECT_EQ(response.data().status, 302);
  EXPECT_EQ(response.data().headers, (HeaderList{{"Location", "/list.ksp?a=1&b=2"}}));
  EXPECT_NE(response.data().body.find("href=\"/list.ksp?a=1&amp;b=2\""), std::string::npos);
  EXPECT_EQ(response.data().body.find("discarded"), std::string::npos);
}

TEST(Response, ContentTypeHeaderAddsTheCharsetToTextualTypesOnly) {
  Response response;
  EXPECT_EQ(ContentTypeHeader(response.data()), "text/html; charset=utf-8");
  response.ContentType("image/png");
  EXPECT_EQ(ContentTypeHeader(response.data()), "image/png");
  response.ContentType("application/json");
  EXPECT_EQ(ContentTypeHeader(response.data()), "application/json; charset=utf-8");
  response.ContentType("text/plain; Charset=ISO-8859-1");
  EXPECT_EQ(ContentTypeHeader(response.data()), "text/plain; Charset=ISO-8859-1");
  response.ContentType("text/css");
  response.CharSet("");
  EXPECT_EQ(ContentTypeHeader(response.data()), "text/css");
}

}  // namespace
}  // namespace korvex::host
