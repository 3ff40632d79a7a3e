// The settings objects of the screens: defaults that differ between owners, creation on first
// read and replacement on assignment, the caption rules, the relation and link collections,
// the escaped script messages and the file manager's folder rule.
#include "component/settings/html_editing_list.h"

#include <gtest/gtest.h>

#include "support/error_number.h"

#include <functional>
#include <set>

#include "component/errors.h"
#include "ado/register_ado.h"
#include "component/register_component.h"
#include "component/settings/fil_file_man.h"
#include "component/settings/html_edit_form.h"
#include "component/settings/html_editor.h"
#include "component/settings/html_java_scripts.h"
#include "component/settings/html_many_to_many.h"
#include "component/settings/html_related_records.h"
#include "component/settings/html_report.h"
#include "component/settings/html_result_page.h"
#include "component/settings/html_search_form.h"
#include "core/class_registry.h"
#include "host/intrinsics.h"

namespace korvex {
namespace {

using korvex::testing::ErrorNumberOf;

std::string Text(Dispatch& object, std::string_view path) {
  // "A.B.C": each step but the last reads an object.
  std::shared_ptr<Dispatch> at = object.shared_from_this();
  size_t start = 0;
  for (size_t dot; (dot = path.find('.', start)) != std::string_view::npos; start = dot + 1)
    at = RequireObject(at->Get(path.substr(start, dot - start)));
  return ToText(at->Get(path.substr(start)));
}

TEST(TableSkin, EachOwnerAdjustsItsOwnNewSkin) {
  auto list = std::make_shared<HTMLEditingList>();
  auto form = std::make_shared<HTMLEditForm>();
  auto search = std::make_shared<HTMLSearchForm>();
  auto result = std::make_shared<HTMLResultPage>();
  auto links = std::make_shared<HTMLManyToMany>();
  EXPECT_EQ(HTMLTable().SubmitTD, "<TD>");
  EXPECT_EQ(Text(*list, "Table.SubmitTD"), "<TD colspan=0>");
  EXPECT_EQ(Text(*form, "Table.SubmitTD"), "<TD colspan=2 align='center'>");
  EXPECT_EQ(Text(*search, "Table.SubmitTD"), "<TD colspan=3 align=center>");
  EXPECT_EQ(Text(*form, "RelatedRecords.Table.SubmitTD"), "<TD colspan=2 align=center>");
  EXPECT_EQ(Text(*result, "Table.SubmitTD"), "<TD>");
  EXPECT_EQ(Text(*links, "Table.TableTag"), "<table>");
  EXPECT_EQ(Text(*links, "Table.LabelTitle"), "<font size=1>Available</font>");
  EXPECT_EQ(Text(*links, "Table.DataTitle"), "<font size=1>Active</font>");
  EXPECT_EQ(Text(*links, "Table.SubmitTD"), "<TD>");
}

TEST(TableSkin, RelatedRecordsOfEachScreenStartAsThatScreenNeeds) {
  auto list = std::make_shared<HTMLEditingList>();
  auto form = std::make_shared<HTMLEditForm>();
  auto search = std::make_shared<HTMLSearchForm>();
  auto result = std::make_shared<HTMLResultPage>();
  EXPECT_FALSE(list->RelatedRecords->Show);
  EXPECT_TRUE(form->RelatedRecords->Show);
  EXPECT_TRUE(search->RelatedRecords->Show);
  EXPECT_TRUE(result->RelatedRecords->Show);
  EXPECT_FALSE(result->RelatedRecords->AllowEdit);
  EXPECT_FALSE(result->RelatedRecords->AllowDelete);
  EXPECT_TRUE(result->RelatedRecords->HideAutonumbers);
}

TEST(ObjectMembers, AreCreatedOnFirstReadAndReplacedOnAssignment) {
  auto form = std::make_shared<HTMLEditForm>();
  EXPECT_FALSE(form->Table.created());
  auto first = RequireObject(form->Get("table"));
  EXPECT_EQ(first, RequireObject(form->Get("Table")));  // the same object, not a new one
  first->Put("DataTD", Variant("<TD class=x>"));
  EXPECT_EQ(form->Table->DataTD, "<TD class=x>");

  // A page may give one screen's skin to another.
  auto list = std::make_shared<HTMLEditingList>();
  list->Put("Table", Variant(first));
  EXPECT_EQ(list->Table.get(), first);
  EXPECT_EQ(Text(*list, "Table.SubmitTD"), "<TD colspan=2 align='center'>");

  // Only an object of the member's class is taken.
  EXPECT_EQ(ErrorNumberOf([&] { list->Put("Table", Variant(std::make_shared<HTMLReport>())); }),
            err::kTypeMismatch);
  EXPECT_EQ(ErrorNumberOf([&] { list->Put("HiddenFields", Variant("x")); }), err::kObjectRequired);
  EXPECT_EQ(list->Table.get(), first);
}

TEST(EditingListCaptions, RefuseBlankAndEqualCaptionsKeepingTheOldOne) {
  auto list = std::make_shared<HTMLEditingList>();
  try {
    list->Put("ButtonEditCaption", Variant(" "));
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147221168);
    EXPECT_EQ(e.description(), "Property value could not be an empty string");
  }
  EXPECT_EQ(ErrorNumberOf([&] { list->Put("ButtonDeleteCaption", Variant("")); }), -2147221168);
  try {
    list->Put("ButtonDeleteCaption", Variant("Edit"));
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147221167);
    EXPECT_EQ(e.description(), "ButtonEditCaption could not be equal to ButtonDeleteCaption");
  }
  // Case matters in the comparison, and a caption with a blank inside is fine.
  list->Put("ButtonEditCaption", Variant("delete"));
  list->Put("ButtonDeleteCaption", Variant(" Remove it "));
  EXPECT_EQ(ToText(list->Get("ButtonEditCaption")), "delete");
  EXPECT_EQ(list->ButtonDeleteCaption(), " Remove it ");
  EXPECT_EQ(ErrorNumberOf([&] { list->Put("ButtonEditCaption", Variant(" Remove it ")); }),
            -2147221167);
  EXPECT_EQ(list->ButtonEditCaption(), "delete");
}

TEST(RelatedRecords, AddsLooksUpRemovesAndEnumeratesRelations) {
  auto related = std::make_shared<HTMLRelatedRecords>();
  Variant args[] = {Variant("AuthorID"), Variant("ID"), Variant("Authors")};
  auto added = RequireObject(related->Call("Add", args));
  EXPECT_EQ(ToText(added->Get("RelatedTable")), "Authors");
  EXPECT_EQ(ToText(added->Get("RelatedField")), "ID");
  related->Add("PublisherID", "ID", "Publishers");
  EXPECT_EQ(ErrorNumberOf([&] { related->Add("authorid", "X", "Y"); }), err::kDuplicateKey);

  Variant by_name[] = {Variant("AUTHORID")};
  EXPECT_EQ(RequireObject(related->CallDefault(by_name)), added);
  EXPECT_EQ(related->Item(Variant(int32_t{2}))->FieldName, "PublisherID");
  EXPECT_EQ(CLng(related->Get("Count")), 2);
  auto items = related->Enumerate();
  ASSERT_TRUE(items && items->size() == 2);
  EXPECT_EQ(RequireObject((*items)[0]), added);

  // A removed name refuses later relations quietly; a relation already there stays.
  related->Remove("Genre");
  related->Remove("AuthorID");
  EXPECT_EQ(related->Add("Genre", "ID", "Genres"), nullptr);
  Variant genre[] = {Variant("Genre"), Variant("ID"), Variant("Genres")};
  EXPECT_TRUE(related->Call("Add", genre).IsObject());
  EXPECT_EQ(related->Call("Add", genre).AsObject(), nullptr);
  EXPECT_EQ(related->Count(), 2);
  EXPECT_EQ(ErrorNumberOf([&] { related->Remove("genre"); }), err::kDuplicateKey);
}

TEST(RelatedRecords, DeleteCaptionRuleAndItsDirectStorage) {
  auto related = std::make_shared<HTMLRelatedRecords>();
  EXPECT_EQ(ToText(related->Get("ButtonDeleteCaption")), "Delete");
  EXPECT_EQ(ErrorNumberOf([&] { related->Put("ButtonDeleteCaption", Variant("  ")); }),
            -2147221168);
  EXPECT_EQ(ErrorNumberOf([&] { related->Put("ButtonDeleteCaption", Variant("Edit")); }),
            -2147221167);
  EXPECT_EQ(related->ButtonDeleteCaption(), "Delete");
  // The stored caption can be reached without the rule.
  related->Put("mvarButtonDeleteCaption", Variant("Edit"));
  EXPECT_EQ(ToText(related->Get("ButtonDeleteCaption")), "Edit");
  related->Put("ButtonDeleteCaption", Variant("Drop"));
  EXPECT_EQ(ToText(related->Get("mvarButtonDeleteCaption")), "Drop");
}

TEST(ManyToMany, KeepsLinksByLinkTable) {
  auto links = std::make_shared<HTMLManyToMany>();
  Variant args[] = {Variant("Tags"),  Variant("ID"), Variant("BookTags"), Variant("BookID"),
                    Variant("TagID"), Variant("ID"), Variant("Tags")};
  auto first = RequireObject(links->Call("Add", args));
  EXPECT_EQ(ToText(first->Get("Filter")), "");
  EXPECT_EQ(ToText(first->Get("LinkToRemoteField")), "TagID");
  links->Add("Shelves", "ID", "BookShelves", "BookID", "ShelfID", "ID", "Shelves", "Open = 1");
  EXPECT_EQ(ErrorNumberOf([&] { links->Call("Add", args); }), err::kDuplicateKey);
  EXPECT_EQ(links->Item(Variant("bookshelves"))->Filter, "Open = 1");
  EXPECT_EQ(links->Item(Variant(int32_t{1})), first);
  links->Remove(Variant("BookTags"));
  EXPECT_EQ(links->Count(), 1);
  EXPECT_EQ(links->Links().front()->LinkRecordset, "BookShelves");
  EXPECT_EQ(links->Enumerate()->size(), 1u);
  EXPECT_EQ(ErrorNumberOf([&] { links->Item(Variant("BookTags")); }), err::kInvalidProcedureCall);
}

TEST(JavaScripts, MessagesAreStoredEscapedForASingleQuotedString) {
  EXPECT_EQ(HTMLJavaScripts::JsEscape("a\\b\"c'd\te\r\nf\rg\nh"), "a\\\\b\\\"c\\'d\\te\\nf\rg\nh");
  auto scripts = std::make_shared<HTMLJavaScripts>();
  EXPECT_EQ(ToText(scripts->Get("IsNumericErrorMessage")),
            "The field value is not numeric!\\nPlease provide a numeric value for the field");
  EXPECT_EQ(scripts->MaxLenghtErrorMessage(),
            " are too many characters for the field! \\nThe size limit for this field is ");
  scripts->Put("RequiredErrorMessage", Variant("Say \"please\""));
  EXPECT_EQ(ToText(scripts->Get("RequiredErrorMessage")), "Say \\\"please\\\"");
  // Writing back what was read escapes again: the setter always escapes.
  scripts->Put("InvalidDateMessage", scripts->Get("RequiredErrorMessage"));
  EXPECT_EQ(scripts->InvalidDateMessage(), "Say \\\\\\\"please\\\\\\\"");
}

TEST(FileManager, PathGainsItsFinalSlashAndExtensionListsHaveDefaults) {
  auto files = std::make_shared<filFileMan>();
  EXPECT_EQ(files->Path(), "");
  files->Put("Path", Variant("/files"));
  EXPECT_EQ(ToText(files->Get("Path")), "/files/");
  files->Put("Path", Variant("/files/"));
  EXPECT_EQ(files->Path(), "/files/");
  files->Path("");
  EXPECT_EQ(files->Path(), "/");
  EXPECT_EQ(files->ImagesExtensions->Count(), 5);
  EXPECT_EQ(ToText(files->ImagesExtensions->Item(Variant(int32_t{3}))), "JPEG");
  EXPECT_EQ(ToText(files->InvalidExtensions->Item(Variant(int32_t{4}))), "PIF");
  EXPECT_EQ(files->ValidExtensions->Count(), 0);
}

TEST(HTMLEditor, TakesOnlyTheServerOfThePage) {
  auto context = std::make_shared<host::ScriptingContext>();
  context->Server = std::make_shared<host::Server>(std::nullopt, "/t.ksp");
  auto editor = std::make_shared<HTMLEditor>();
  EXPECT_TRUE(editor->Get("ASPServer").IsObject());
  EXPECT_EQ(editor->Get("ASPServer").AsObject(), nullptr);
  Variant args[] = {Variant(context)};
  editor->Call("OnStartPage", args);
  EXPECT_EQ(editor->ASPServer, context->Server);
}

TEST(ClassRegistry, CreatesTheCreatableCompanionsOnly) {
  ClassRegistry registry;
  RegisterComponentClasses(registry);
  for (const char* id :
       {"Korvex.HTMLRelatedRecords", "Korvex.HTMLManyToMany", "Korvex.HTMLJavaScripts",
        "Korvex.HTMLFastSearch", "Korvex.HTMLReport", "Korvex.HTMLEditor", "Korvex.DBRelation"})
    EXPECT_TRUE(registry.Has(id)) << id;
  for (const char* id :
       {"Korvex.HTMLTable", "Korvex.HTMLEditingList", "Korvex.HTMLEditForm",
        "Korvex.HTMLResultPage", "Korvex.HTMLSearchForm", "Korvex.filFileMan", "Korvex.Nothing"})
    EXPECT_EQ(ErrorNumberOf([&] { registry.Create(id); }), err::kInvalidClassString) << id;
  // Identifiers ignore letter case; defaults are set when the object is created.
  auto cal = registry.Create("korvex.CALCALENDAR");
  EXPECT_EQ(ToText(cal->Get("M12")), "dec");
  int year = BreakDate(Now()).year;
  EXPECT_EQ(CLng(cal->Get("FromYear")), year - 5);
  EXPECT_EQ(CLng(cal->Get("ToYear")), year + 5);
  // A box the page creates itself is sized like the search form's own.
  auto box = registry.Create("Korvex.HTMLFastSearch");
  EXPECT_EQ(CLng(box->Get("MaxLength")), 25);
  EXPECT_EQ(ToText(box->Get("AfterInputHTML")), "<br>");
  EXPECT_EQ(Text(*registry.Create("Korvex.HTMLReport"), "Template.BeginLoopKey"),
            "<!-- KORVEX BEGIN LOOP -->");
}

// Every member table is built once, from every class a page can create or reach through an
// object-valued property: a published name given twice fails here, not on a page.
TEST(ClassRegistry, EveryReachableClassHasAValidMemberTable) {
  ClassRegistry registry;
  RegisterComponentClasses(registry);
  ado::RegisterAdoClasses(registry);
  std::set<std::string, std::less<>> seen;
  std::function<void(Dispatch&)> visit = [&](Dispatch& object) {
    if (!seen.emplace(object.ClassName()).second) return;
    for (const Member& member : object.Members().members()) {
      if (member.kind != MemberKind::Property || member.indexed) continue;
      Variant value;
      try {
        value = object.Get(member.name);
      } catch (const AutomationError&) {
        continue;  // a property that needs a page or a connection
      }
      if (value.IsObject() && value.AsObject()) visit(*value.AsObject());
    }
  };
  for (const std::string& id : registry.Identifiers()) {
    ASSERT_NO_THROW(visit(*registry.Create(id))) << id;
  }
  for (const char* name : {"AdminRecordset", "HTMLTable", "HTMLEditingList", "HTMLEditForm",
                           "HTMLResultPage", "HTMLSearchForm", "filFileMan", "HTMLTemplate",
                           "Recordset", "Fields"})
    EXPECT_TRUE(seen.contains(name)) << name;
}

}  // namespace
}  // namespace korvex
