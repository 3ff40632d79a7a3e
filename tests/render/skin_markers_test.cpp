#include "render/skin_markers.h"

#include <gtest/gtest.h>

namespace korvex {
namespace {

TEST(SkinMarkers, IrregularMarkersAreWrittenAsTheyAre) {
  EXPECT_EQ(WrapInMarkers("LabelTitle", " L A B E L "),
            "<!--LabelTitle --> L A B E L <!-- END LabelTitle -->\r\n");
  EXPECT_EQ(WrapInMarkers("LabelTitleTDClose", "</TD>"),
            "<!-- LabelTitleTDClose--></TD><!-- END LabelTitleTDClose -->\r\n");
  EXPECT_EQ(WrapInMarkers("TableTag", "<TABLE border=1>", MarkerLayout::Inline, "\t\t"),
            "\t\t<!-- TableTag --><TABLE border=1><!-- END TableTag -->\r\n");
}

TEST(SkinMarkers, BrokenLayoutPutsEachPieceOnItsLine) {
  EXPECT_EQ(WrapInMarkers("CriterionTitle", "x", MarkerLayout::Broken),
            "<!-- CriterionTitle -->\r\nx\r\n<!-- END CriterionTitle -->\r\n");
}

TEST(SkinMarkers, UnknownNamesAreLeftAlone) {
  EXPECT_FALSE(MarkersOf("tabletag"));
  EXPECT_EQ(WrapInMarkers("Nothing", "<td>"), "<td>");
  EXPECT_EQ(MarkersOf("EvenTRClose")->close, "<!-- END EvenTRClose -->");
}

}  // namespace
}  // namespace korvex
