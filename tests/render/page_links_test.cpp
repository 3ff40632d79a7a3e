// The link window and the count line of a short list are in the listing's golden screens and
// its far pages; here the edges a list does not reach.
#include "render/page_links.h"

#include <gtest/gtest.h>

#include "core/automation_error.h"

namespace korvex {
namespace {

TEST(PageLinks, PageBeyondTheLastShowsOnlyJumpsBackAndCountsFailAsTheyDid) {
  const PageLinkTarget target{"/list.ksp", "KorVex", -1, "Customers", "SELECT+%2A", "5ea1"};
  auto link = [](int page, std::string_view text) {
    return " <a href='/list.ksp?PageKorVex=-1&CPKorVex=" + std::to_string(page) +
           "&RecordsetKorVex=Customers&SQLKorVex=SELECT+%2A&SQLSignKorVex=5ea1'>" +
           std::string(text) + "</a> \r\n";
  };
  EXPECT_EQ(PageLinkText(target, 50, 30), link(1, "1") + link(40, "&lt;"));
  EXPECT_EQ(PageLinkText(target, 1, 0), "");

  EXPECT_EQ(PageCount(14, 7), 2);
  EXPECT_EQ(PageCount(15, 7), 3);
  EXPECT_EQ(PageCount(0, 7), 0);
  EXPECT_EQ(PageCount(-1, 7), 0);  // a provider that cannot count: no links
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
