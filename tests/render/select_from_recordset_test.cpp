#include "render/select_from_recordset.h"

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

const std::string kThirty = std::string(29, 'a') + "b";  // 30 characters

std::string AuthorsDatabase(const TempFolder& folder) {
  return MakeDatabase(
      folder, "authors.db",
      "CREATE TABLE Authors (ID INTEGER PRIMARY KEY, First VARCHAR(40), Last VARCHAR(40), "
      "Born DATE, Nick VARCHAR(40));"
      "INSERT INTO Authors VALUES (7, '" +
          kThirty + "', 'Q&" + kThirty.substr(2) +
          "', '1950-01-01', 'never');"
          "INSERT INTO Authors VALUES (8, NULL, NULL, '1960-01-01', NULL);");
}

// The empty source with only its first option is the many-to-many editor's list of a new record.
TEST(SelectFromRecordset, OptionsFollowTheSettingsAndDataErrorsPassThrough) {
  TempFolder folder;
  std::string db = AuthorsDatabase(folder);
  Collection hide;
  hide.Add(Variant("First"));
  hide.Add(Variant("Last"));
  struct Case {
    const char* name;
    std::function<void(SelectOptions&)> set;
    bool numbers_and_debug[2];
    std::string expected;
  };
  const Case cases[] = {
      // First (30) and Last (30, "&" encoded after the cut) are taken while the text is under
      // 50 characters; Nick never is. A number selects the option whose text is "7".
      {"text limit",
       [](SelectOptions& o) { o.selected_id = Variant(int32_t{7}); },
       {false, false},
       "<select name=\"Author\"><option value=\"7\" selected>" + kThirty + " Q&amp;" +
           kThirty.substr(2, 17) + "</option><option value=\"8\"></option></select>"},
      {"numbers, hidden columns, size, first option",
       [&](SelectOptions& o) {
         o.with_select = true;
         o.select_text = "pick";
         o.fields_to_hide = &hide;
         o.size = "5";
         o.disabled = true;
         o.filter = Variant("ID = 8");
       },
       {true, false},
       "<select name=\"Author\" multiple size='5'  disabled ><option value=\"\"> pick "
       "</option><option value=\"8\">8 </option></select>"},
      {"debug",
       [](SelectOptions& o) { o.sql = "SELECT ID, Nick FROM Authors WHERE ID = 7"; },
       {false, true},
       "<select name=\"Author\">\r\n\r\n\t<option value=\"7\">never </option>\r\n"
       "</select>\r\n"},
  };
  for (const Case& c : cases) {
    std::string html;
    PageResult result = RunListPage("/s.ksp", db, [&](AdminRecordset& page) {
      page.ShowNumbersInSelect = c.numbers_and_debug[0];
      page.DebugMode = c.numbers_and_debug[1];
      SelectOptions options;
      c.set(options);
      html =
          SelectFromRecordset(page, "Author", Variant(page.Connection()), "Authors", "ID", options);
    });
    EXPECT_FALSE(result.error) << c.name;
    EXPECT_EQ(html, c.expected) << c.name;
  }

  PageResult result = RunListPage("/s.ksp", db, [](AdminRecordset& page) {
    SelectFromRecordset(page, "x", Variant(page.Connection()), "Nowhere", "ID", {});
  });
  ASSERT_TRUE(result.error);
  EXPECT_EQ(result.error->number(), -2147217865);
}

TEST(SelectFromRecordset, PagesCallItWithOptionalArgumentsLeftOut) {
  TempFolder folder;
  PageResult result = RunListPage("/s.ksp", AuthorsDatabase(folder), [](AdminRecordset& page) {
    Variant connection(page.Connection());
    std::vector<Variant> required = {Variant("A"), connection, Variant("Authors"), Variant("ID")};
    std::string all = ToText(page.Call("doselectfromrecordset", required));
    EXPECT_TRUE(all.starts_with("<select name=\"A\"><option value=\"7\">" + kThirty + " Q&amp;"))
        << all;
    EXPECT_TRUE(all.ends_with("<option value=\"8\"></option></select>"));

    auto hide = std::make_shared<Collection>();
    hide->Add(Variant("First"));
    std::vector<Variant> some = required;
    some.insert(some.end(), {Variant("8"), Variant::Missing(), Variant::Missing(), Variant(hide),
                             Variant::Missing(), Variant("2")});
    EXPECT_EQ(ToText(page.Call("DoSelectFromRecordset", some)),
              "<select name=\"A\" multiple size='2' ><option value=\"7\">Q&amp;" +
                  kThirty.substr(2) +
                  " never </option><option value=\"8\" selected></option>"
                  "</select>");

    // The SQL text "empty" asks for a select without rows.
    std::vector<Variant> no_rows = required;
    no_rows.insert(no_rows.end(),
                   {Variant::Missing(), Variant::Missing(), Variant::Missing(), Variant::Missing(),
                    Variant::Missing(), Variant::Missing(), Variant("empty")});
    EXPECT_EQ(ToText(page.Call("DoSelectFromRecordset", no_rows)), "<select name=\"A\"></select>");

    std::vector<Variant> no_connection = {Variant("A"), Variant::Missing(), Variant("Authors"),
                                          Variant("ID")};
    try {
      page.Call("DoSelectFromRecordset", no_connection);
      ADD_FAILURE() << "a missing connection was accepted";
    } catch (const AutomationError& e) {
      EXPECT_EQ(e.number(), err::kArgumentNotOptional);
    }
  });
  EXPECT_FALSE(result.error) << result.error->description();
}

}  // namespace
}  // namespace korvex::testing
