#include <gtest/gtest.h>

#include "core/automation_error.h"
#include "host/intrinsics.h"
#include "host/memory_host.h"

namespace korvex::host {
namespace {

Request MakeItemRequest() {
  RequestData data = MakeRequest("POST", "/admin/t.ksp?x=query&b=x+y&b=%C3%A9", "x=form&y=form",
                                 "application/x-www-form-urlencoded; charset=UTF-8");
  data.headers = {{"Cookie", "x=cookie; y=cookie; z=cookie"},
                  {"User-Agent", "Tester/1.0"},
                  {"Accept-Language", "it"}};
  return Request(std::move(data));
}

TEST(Request, ItemSearchesQueryFormCookiesThenServerVariablesJoiningRepeatedNames) {
  Request request = MakeItemRequest();
  EXPECT_EQ(ToText(request.Item("x")), "query");
  EXPECT_EQ(ToText(request.Item("Y")), "form");
  EXPECT_EQ(ToText(request.Item("z")), "cookie");
  EXPECT_EQ(ToText(request.Item("script_name")), "/admin/t.ksp");
  EXPECT_TRUE(request.Item("absent").IsEmpty());
  EXPECT_EQ(request.ItemText("absent"), "");
  EXPECT_TRUE(request.QueryString().Item("y").IsEmpty());
  EXPECT_EQ(ToText(request.Item("b")), "x y, \xC3\xA9");
  EXPECT_EQ(request.QueryString().Values("B"), (std::vector<std::string>{"x y", "\xC3\xA9"}));
  RequestCollection& query = request.QueryString();
  EXPECT_EQ(query.Count(), 2);  // distinct names
  EXPECT_EQ(query.Key(2), "b");
  EXPECT_EQ(ToText(query.Item(Variant(int32_t{2}))), "x y, \xC3\xA9");
  EXPECT_THROW(query.Item(Variant(int32_t{3})), AutomationError);
}

TEST(Request, CollectionsAnswerLateBoundCallsAsPagesMakeThem) {
  auto request = std::make_shared<Request>(MakeItemRequest());
  Variant x[] = {Variant("x")};
  EXPECT_EQ(ToText(request->CallDefault(x)), "query");                       // Request("x")
  EXPECT_EQ(ToText(request->Call("Form", x)), "form");                       // Request.Form("x")
  EXPECT_EQ(ToText(request->Get("QueryString")), "x=query&b=x+y&b=%C3%A9");  // the raw text
  Variant collection = request->Get("Cookies");
  EXPECT_EQ(ToText(collection.AsObject()->Get("Count")), "3");
  std::vector<Variant> names = *collection.AsObject()->Enumerate();
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(ToText(names[0]), "x");
}

TEST(Request, ServerVariablesDescribeThePageAndHeaders) {
  RequestData data = MakeRequest("GET", "/t.ksp?a=1");
  data.headers = {{"User-Agent", "Tester/1.0"}, {"X-Forwarded-For", "10.0.0.1"}};
  data.script_filename = "/srv/site/t.ksp";
  Request request(std::move(data));
  RequestCollection& vars = request.ServerVariables();
  EXPECT_EQ(vars.Get("SCRIPT_NAME"), "/t.ksp");
  EXPECT_EQ(vars.Get("PATH_INFO"), "/t.ksp");
  EXPECT_EQ(vars.Get("REQUEST_METHOD"), "GET");
  EXPECT_EQ(vars.Get("QUERY_STRING"), "a=1");
  EXPECT_EQ(vars.Get("CONTENT_LENGTH"), "0");
  EXPECT_EQ(vars.Get("PATH_TRANSLATED"), "/srv/site/t.ksp");
  EXPECT_EQ(vars.Get("HTTP_USER_AGENT"), "Tester/1.0");
  EXPECT_EQ(vars.Get("http_x_forwarded_for"), "10.0.0.1");
  EXPECT_EQ(vars.Get("ALL_HTTP"), "HTTP_USER_AGENT:Tester/1.0\nHTTP_X_FORWARDED_FOR:10.0.0.1\n");
}

TEST(Request, InvalidUtf8InTheRequestBecomesReplacementCharacters) {
  RequestData data = MakeRequest("GET", "/t.ksp?n%FF=%C3%28");
  data.headers = {{"Cookie", "c=%FE"}, {"Referer", "\xFF"}};
  Request request(std::move(data));
  EXPECT_EQ(request.QueryString().Get("n\xEF\xBF\xBD"), "\xEF\xBF\xBD(");
  EXPECT_EQ(request.Cookies().Get("c"), "\xEF\xBF\xBD");
  EXPECT_EQ(request.ServerVariables().Get("HTTP_REFERER"), "\xEF\xBF\xBD");
}

TEST(Request, MultipartBodyStaysOutOfFormAndIsReadInPieces) {
  std::string body =
      "--b\r\nContent-Disposition: form-data; name=\"f\"\r\n\r\nv=1&w=2\r\n--b--\r\n";
  Request request(MakeRequest("POST", "/up.ksp", body, "multipart/form-data; boundary=b"));
  EXPECT_EQ(request.Form().Count(), 0);
  EXPECT_TRUE(request.Item("v").IsEmpty());
  EXPECT_EQ(request.TotalBytes(), static_cast<int32_t>(body.size()));
  std::string first = request.BinaryRead(10);
  std::string rest = request.BinaryRead(100000);
  EXPECT_EQ(first + rest, body);
  EXPECT_EQ(request.BinaryRead(5), "");
  EXPECT_THROW(request.BinaryRead(-1), AutomationError);
}

}  // namespace
}  // namespace korvex::host
