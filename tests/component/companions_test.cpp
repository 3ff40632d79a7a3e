// The settings objects of the screens: defaults that differ between owners, creation on first
// read and replacement on assignment, the caption rules, the relation and link collections,
// the escaped script messages and the file manager's folder rule.
#include "component/settings/html_editing_list.h"

#include <gtest/gtest.h>

#include "support/error_number.h"

#include <functional>
#include <set>

#include "ado/register_ado.h"
#include "component/errors.h"
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
using korvex::testing::ErrorOf;

std::string Text(Dispatch& object, std::string_view path) {
  // "A.B.C": each step but the last reads an object.
  std::shared_ptr<Dispatch> at = object.shared_from_this();
  size_t start = 0;
  for (size_t dot; (dot = path.find('.', start)) != std::string_view::npos; start = dot + 1)
    at = RequireObject(at->Get(path.substr(start, dot - start)));
  return ToText(at->Get(path.substr(start)));
}

/// The texts at paths, joined by "|".
std::string Texts(Dispatch& object, std::initializer_list<std::string_view> paths) {
  std::string joined;
  for (std::string_view path : paths) joined += "|" + Text(object, path);
  return joined.substr(1);
}

// What differs between owners or is computed when an object is made; one default of each kind
// that pages and screens rely on.
TEST(Settings, EachOwnerStartsItsObjectsAsItsScreenNeeds) {
  ClassRegistry registry;
  RegisterComponentClasses(registry);
  auto list = std::make_shared<HTMLEditingList>();
  auto form = std::make_shared<HTMLEditForm>();
  auto search = std::make_shared<HTMLSearchForm>();
  auto result = std::make_shared<HTMLResultPage>();
  auto links = std::make_shared<HTMLManyToMany>();
  auto files = std::make_shared<filFileMan>();
  auto calendar = registry.Create("korvex.CALCALENDAR");  // identifiers ignore letter case
  auto box = registry.Create("Korvex.HTMLFastSearch");
  auto report = registry.Create("Korvex.HTMLReport");
  const int year = BreakDate(Now()).year;
  EXPECT_EQ(Texts(*list, {"Table.SubmitTD", "RelatedRecords.Show"}), "<TD colspan=0>|False");
  EXPECT_EQ(
      Texts(*form, {"Table.SubmitTD", "RelatedRecords.Table.SubmitTD", "RelatedRecords.Show"}),
      "<TD colspan=2 align='center'>|<TD colspan=2 align=center>|True");
  EXPECT_EQ(Texts(*search, {"Table.SubmitTD", "RelatedRecords.Show"}),
            "<TD colspan=3 align=center>|True");
  EXPECT_EQ(Texts(*result, {"Table.SubmitTD", "RelatedRecords.Show", "RelatedRecords.AllowEdit",
                            "RelatedRecords.AllowDelete", "RelatedRecords.HideAutonumbers"}),
            "<TD>|True|False|False|True");
  EXPECT_EQ(
      Texts(*links, {"Table.TableTag", "Table.LabelTitle", "Table.DataTitle", "Table.SubmitTD"}),
      "<table>|<font size=1>Available</font>|<font size=1>Active</font>|<TD>");
  EXPECT_EQ(Texts(*files, {"Path", "ImagesExtensions.Count", "ValidExtensions.Count"}), "|5|0");
  EXPECT_EQ(Texts(*calendar, {"M12", "FromYear", "ToYear"}),
            "dec|" + std::to_string(year - 5) + "|" + std::to_string(year + 5));
  // A box the page creates itself is sized like the search form's own.
  EXPECT_EQ(Texts(*box, {"MaxLength", "AfterInputHTML"}), "25|<br>");
  EXPECT_EQ(Texts(*report, {"Template.BeginLoopKey"}), "<!-- KORVEX BEGIN LOOP -->");
  EXPECT_EQ(ToText(files->ImagesExtensions->Item(Variant(int32_t{3}))), "JPEG");
  EXPECT_EQ(ToText(files->InvalidExtensions->Item(Variant(int32_t{4}))), "PIF");
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

TEST(Captions, BlankOrEqualCaptionsAreRefusedKeepingTheOldOne) {
  auto list = std::make_shared<HTMLEditingList>();
  auto related = std::make_shared<HTMLRelatedRecords>();
  struct Case {
    Dispatch& owner;
    const char* property;
    const char* value;
    std::string error;
  };
  const std::string blank = "-2147221168:Property value could not be an empty string";
  const std::string equal =
      "-2147221167:ButtonEditCaption could not be equal to ButtonDeleteCaption";
  const Case cases[] = {
      {*list, "ButtonEditCaption", " ", blank},
      {*list, "ButtonDeleteCaption", "", blank},
      {*list, "ButtonDeleteCaption", "Edit", equal},
      {*related, "ButtonDeleteCaption", "  ", blank},
      {*related, "ButtonDeleteCaption", "Edit", equal},
  };
  for (const Case& c : cases) {
    const std::string before = Text(c.owner, c.property);
    EXPECT_EQ(ErrorOf([&] { c.owner.Put(c.property, Variant(c.value)); }), c.error)
        << c.owner.ClassName() << "." << c.property << " = '" << c.value << "'";
    EXPECT_EQ(Text(c.owner, c.property), before) << c.owner.ClassName() << "." << c.property;
  }
  // Case matters in the comparison, and a caption with a blank inside is fine.
  list->Put("ButtonEditCaption", Variant("delete"));
  list->Put("ButtonDeleteCaption", Variant(" Remove it "));
  EXPECT_EQ(list->ButtonDeleteCaption(), " Remove it ");
  EXPECT_EQ(ErrorNumberOf([&] { list->Put("ButtonEditCaption", Variant(" Remove it ")); }),
            -2147221167);
  EXPECT_EQ(list->ButtonEditCaption(), "delete");
  // The related list's stored caption can be reached without the rule.
  related->Put("mvarButtonDeleteCaption", Variant("Edit"));
  EXPECT_EQ(Text(*related, "ButtonDeleteCaption"), "Edit");
  related->Put("ButtonDeleteCaption", Variant("Drop"));
  EXPECT_EQ(Text(*related, "mvarButtonDeleteCaption"), "Drop");
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

TEST(FileManager, PathGainsItsFinalSlash) {
  auto files = std::make_shared<filFileMan>();
  for (const char* path : {"/files", "/files/"}) {
    files->Put("Path", Variant(path));
    EXPECT_EQ(Text(*files, "Path"), "/files/") << path;
  }
  files->Path("");
  EXPECT_EQ(files->Path(), "/");
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
  for (const char* name :
       {"AdminRecordset", "HTMLTable", "HTMLEditingList", "HTMLEditForm", "HTMLResultPage",
        "HTMLSearchForm", "filFileMan", "HTMLTemplate", "Recordset", "Fields"})
    EXPECT_TRUE(seen.contains(name)) << name;
}

}  // namespace
}  // namespace korvex
