#include "render/skin.h"

#include <gtest/gtest.h>

#include "component/settings/html_table.h"
#include "render/skin_markers.h"

namespace korvex {
namespace {

TEST(SkinMarkers, IrregularMarkersAreWrittenAsTheyAreAndUnknownNamesLeftAlone) {
  struct Case {
    const char* name;
    const char* text;
    MarkerLayout layout;
    const char* indent;
    const char* expected;
  };
  const Case cases[] = {
      {"LabelTitle", " L A B E L ", MarkerLayout::Inline, "",
       "<!--LabelTitle --> L A B E L <!-- END LabelTitle -->\r\n"},
      {"LabelTitleTDClose", "</TD>", MarkerLayout::Inline, "",
       "<!-- LabelTitleTDClose--></TD><!-- END LabelTitleTDClose -->\r\n"},
      {"TableTag", "<TABLE border=1>", MarkerLayout::Inline, "\t\t",
       "\t\t<!-- TableTag --><TABLE border=1><!-- END TableTag -->\r\n"},
      {"CriterionTitle", "x", MarkerLayout::Broken, "",
       "<!-- CriterionTitle -->\r\nx\r\n<!-- END CriterionTitle -->\r\n"},
      {"Nothing", "<td>", MarkerLayout::Inline, "", "<td>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WrapInMarkers(c.name, c.text, c.layout, c.indent), c.expected) << c.name;
  EXPECT_FALSE(MarkersOf("tabletag"));
  EXPECT_EQ(MarkersOf("EvenTRClose")->close, "<!-- END EvenTRClose -->");
}

HTMLTable Striped() {
  HTMLTable table;
  table.OddTR = "<tr class=odd>";
  table.EvenTR = "<tr class=even>";
  table.OddTRClose = "</tr><!--odd-->";
  table.EvenTRClose = "</tr><!--even-->";
  return table;
}

TEST(RowTag, RowsAlternateFromAnOddFirstRow) {
  HTMLTable table = Striped();
  int16_t counter = 0;
  std::string rows;
  for (int i = 0; i < 3; ++i) {
    rows += RowTag(counter, table, false);
    rows += RowTag(counter, table, true);
  }
  EXPECT_EQ(rows,
            "<tr class=odd></tr><!--odd--><tr class=even></tr><!--even-->"
            "<tr class=odd></tr><!--odd-->");
  EXPECT_EQ(counter, 3);
}

TEST(ReadSkin, DebugWrapsEveryTagButTheRowTags) {
  HTMLTable table = Striped();
  EXPECT_EQ(ReadSkin(table, false, MarkerLayout::Inline).TableTag, "<TABLE border=1>");
  Skin marked = ReadSkin(table, true, MarkerLayout::Inline);
  EXPECT_EQ(marked.LabelTitle, "<!--LabelTitle --> L A B E L <!-- END LabelTitle -->\r\n");
  EXPECT_EQ(marked.SubmitTDClose, "<!-- SubmitTDClose --></TD><!-- END SubmitTDClose -->\r\n");
  EXPECT_EQ(marked.OddTR, "<tr class=odd>");
  EXPECT_EQ(ReadSkin(table, true, MarkerLayout::Broken).DataTD,
            "<!-- DataTD -->\r\n<TD>\r\n<!-- END DataTD -->\r\n");
}

}  // namespace
}  // namespace korvex
