#include "render/field_widgets.h"

#include <gtest/gtest.h>

#include "core/collection.h"

namespace korvex {
namespace {

TEST(SqlSafeValue, CutsTo255CharactersThenDoublesQuotesAndEmptyIsTheWordNull) {
  EXPECT_EQ(SqlSafeValue(Variant(std::string(300, 'x'))), std::string(255, 'x'));
  EXPECT_EQ(SqlSafeValue(Variant("O'Hara")), "O''Hara");
  EXPECT_EQ(SqlSafeValue(Variant("''")), "''''");
  // The cut comes first: a quote at position 255 is kept and doubled, one after it is gone.
  std::string edge = std::string(254, 'a') + "''b";
  EXPECT_EQ(SqlSafeValue(Variant(edge)), std::string(254, 'a') + "''");
  // Characters, not bytes: 300 two-byte letters keep 255 whole letters.
  std::string accented;
  for (int i = 0; i < 300; ++i) accented += "\xC3\xA9";
  EXPECT_EQ(SqlSafeValue(Variant(accented)), accented.substr(0, 510));
  EXPECT_EQ(SqlSafeValue(Variant("")), "Null");
  EXPECT_EQ(SqlSafeValue(Variant::Null()), "Null");
  EXPECT_EQ(SqlSafeValue(Variant(int32_t{42})), "42");
}

TEST(CheckboxDisplay, WritesDisabledCheckboxWithOptionalFakeForm) {
  EXPECT_EQ(CheckboxDisplay(true, true),
            "<form name='thisisfakefornetscape'><input type=checkbox class=chk  checked  "
            "disabled ></form>");
  EXPECT_EQ(CheckboxDisplay(false, false), "<input type=checkbox class=chk  disabled >");
}

TEST(CollectionHasKey, AnswersFalseInsteadOfRaising) {
  Collection c;
  c.Add(Variant("Name shown"), std::string("Name"));
  EXPECT_TRUE(CollectionHasKey(Variant("name"), c));
  EXPECT_FALSE(CollectionHasKey(Variant("Other"), c));
  EXPECT_TRUE(CollectionHasKey(Variant(int32_t{1}), c));  // a number reads by position
  EXPECT_FALSE(CollectionHasKey(Variant(int32_t{2}), c));
  EXPECT_FALSE(CollectionHasKey(Variant("x"), Collection()));
}

TEST(FileManagerButton, IgnoresCaptionAndCarriesTheField) {
  EXPECT_EQ(FileManagerButton("Photo 1", "Photo+1", "Browse", "/p.ksp?PageKorVex=11"),
            "<input class='Button' type=button name='' value='...' onClick=\""
            "window.open('/p.ksp?PageKorVex=11&returnfield=Photo+1&returnform=PW&selected=' + "
            "GetObjVal('Photo 1'),'fileman','toolbar=yes,width=640,height=480');\">");
}

TEST(AlphabetLinks, AtSignThenCapitalsEachFollowedBySeparator) {
  std::string links = AlphabetLinks(" | ", "/f.ksp?PageKorVex=12");
  EXPECT_EQ(links.substr(0, 71),
            "<a href='/f.ksp?PageKorVex=12&f=n&?#@' target=filelist>@</a> | <a href=");
  EXPECT_NE(links.find("&f=n&?#Z' target=filelist>Z</a> | "), std::string::npos);
  EXPECT_EQ(links.size() % 27, 0u);
  EXPECT_EQ(links.find("[</a>"), std::string::npos);
}

}  // namespace
}  // namespace korvex
