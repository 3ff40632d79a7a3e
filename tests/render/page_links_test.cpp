#include "render/page_links.h"

#include <gtest/gtest.h>

#include "core/automation_error.h"

namespace korvex {
namespace {

const PageLinkTarget kTarget{"/list.ksp", "KorVex", -1, "Customers", "SELECT+%2A"};

std::string Link(int page, std::string_view text) {
  return " <a href='/list.ksp?PageKorVex=-1&CPKorVex=" + std::to_string(page) +
         "&RecordsetKorVex=Customers&SQLKorVex=SELECT+%2A'>" + std::string(text) + "</a> \r\n";
}
std::string Link(int page) {
  return Link(page, std::to_string(page));
}

TEST(PageLinks, TenRecordsInPagesOfSeven) {
  ASSERT_EQ(PageCount(10, 7), 2);
  EXPECT_EQ(PageLinkText(kTarget, 1, 2),
            "<b>1</b>  <a href='/list.ksp?PageKorVex=-1&CPKorVex=2&RecordsetKorVex=Customers"
            "&SQLKorVex=SELECT+%2A'>2</a> \r\n");
  EXPECT_EQ(PageLinkText(kTarget, 2, 2), Link(1) + "<b>2</b> ");

  PageSpan first = SpanOfPage(10, 1, 7), second = SpanOfPage(10, 2, 7);
  EXPECT_EQ((std::tuple{first.first, first.last, first.total}), (std::tuple{1, 7, 10}));
  EXPECT_EQ((std::tuple{second.first, second.last, second.total}), (std::tuple{8, 10, 10}));
}

TEST(PageLinks, PageBeyondTheLastShowsOnlyJumpsBack) {
  EXPECT_EQ(PageLinkText(kTarget, 50, 30), Link(1, "1") + Link(40, "&lt;"));
  PageSpan span = SpanOfPage(10, 3, 7);
  EXPECT_EQ(span.first, 15);  // above the total, as the count line then shows
  EXPECT_EQ(span.last, 10);
}

TEST(PageCount, WholeDivisionsAndFailures) {
  EXPECT_EQ(PageCount(14, 7), 2);
  EXPECT_EQ(PageCount(15, 7), 3);
  EXPECT_EQ(PageCount(0, 7), 0);
  EXPECT_EQ(PageCount(-1, 7), 0);  // a provider that cannot count: no links
  EXPECT_EQ(PageLinkText(kTarget, 1, 0), "");
  try {
    PageCount(10, 0);
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), 11);
    EXPECT_EQ(e.description(), "Division by zero");
  }
  EXPECT_THROW(SpanOfPage(10, 2147483647, 7), AutomationError);
}

}  // namespace
}  // namespace korvex
