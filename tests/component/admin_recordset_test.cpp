// AdminRecordset's state: identifier quoting chosen by the data source, the recordset name's
// request fallback, declarations spread over the companions, output operations, the error
// notices and the end of the page.
#include "component/admin_recordset.h"

#include <gtest/gtest.h>

#include "ado/connection.h"
#include "ado/recordset.h"
#include "component/errors.h"
#include "component/register_component.h"
#include "core/class_registry.h"
#include "support/component_fixture.h"
#include "support/error_number.h"

namespace korvex {
namespace {

using testing::ErrorNumberOf;
using testing::MakeDatabase;
using testing::RunPage;
using testing::TempFolder;

std::pair<std::string, std::string> Separators(const AdminRecordset& page) {
  return {page.IdentifierLSeparator(), page.IdentifierRSeparator()};
}

// The Jet connection string a database path makes and a page separator set before it are
// followed through a real page in component_e2e_test.
TEST(IdentifierSeparators, AskTheProviderThroughItsOwnConnectionUnlessThePageSetsOne) {
  KORVEX_SQLITE_ONLY();  // the server's own case follows
  TempFolder folder;
  std::string file = MakeDatabase(folder, "shop.db", "CREATE TABLE Items(ID INTEGER PRIMARY KEY);");
  std::string missing = "Provider=SQLite;Data Source=" + (folder.path() / "none.db").string();
  AdminRecordset page;
  EXPECT_EQ(Separators(page), std::make_pair(std::string(), std::string()));
  page.Put("DatabasePath", Variant("C:\\data\\shop.mdb"));
  EXPECT_EQ(page.QuotedIdentifier("Order Lines"), "[Order Lines]");
  page.ConnectionString("Provider=SQLite;Data Source=" + file);
  EXPECT_EQ(Separators(page), std::make_pair(std::string("\""), std::string("\"")));
  EXPECT_FALSE(page.ConnectionIsOpen());
  page.ConnectionString("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + file + ";");
  EXPECT_EQ(Separators(page), std::make_pair(std::string("["), std::string("]")));

  // A failed probe is raised; the string stays and the separators do not change.
  EXPECT_THROW(page.Put("ConnectionString", Variant(missing)), AutomationError);
  EXPECT_EQ(page.ConnectionString(), missing);
  EXPECT_EQ(Separators(page), std::make_pair(std::string("["), std::string("]")));

  // With a separator of its own the page is not probed at all: nothing opens, nothing raises.
  AdminRecordset own;
  own.Put("IdentifierLSeparator", Variant("`"));
  own.ConnectionString(missing);
  EXPECT_EQ(Separators(own), std::make_pair(std::string("`"), std::string()));
  EXPECT_FALSE(own.ConnectionIsOpen());
}

TEST(IdentifierSeparators, TheServerQuotesWithDoubleQuotes) {
  KORVEX_POSTGRES_ONLY();
  TempFolder folder;
  std::string server = MakeDatabase(folder, "", "CREATE TABLE Items(ID INTEGER PRIMARY KEY);");
  AdminRecordset page;
  page.ConnectionString(server);
  EXPECT_EQ(Separators(page), std::make_pair(std::string("\""), std::string("\"")));
  EXPECT_EQ(page.QuotedIdentifier("Order Lines"), "\"Order Lines\"");
  EXPECT_FALSE(page.ConnectionIsOpen());
}

TEST(RecordsetName, IsTakenFromTheRequestOnlyWhileNoneIsStored) {
  auto result = RunPage("/a.ksp?RecordsetZ=Books&RecordsetKorVex=Wrong", [](AdminRecordset& page) {
    page.CriptoPrefix = "Z";
    // Info shows the stored name, without looking at the request.
    page.Info();
    page.RW("|" + ToText(page.Get("recordset")) + "|");
    page.recordset("Authors");
    page.RW(page.recordset() + "|");
  });
  EXPECT_EQ(result.body, "<pre><br>DatabasePath = <br>Recordset    = <br></pre>|Books|Authors|");

  auto empty = RunPage("/a.ksp", [](AdminRecordset& page) {
    page.RW("[" + page.recordset() + "]" + page.StoredRecordset());
  });
  EXPECT_EQ(empty.body, "[]");
}

TEST(Declarations, HideAndAliasReachEveryScreenOnceOrNotAtAll) {
  auto page = std::make_shared<AdminRecordset>();
  Variant title[] = {Variant("Title")};
  page->Call("HideField", title);
  Variant alias[] = {Variant("Book <b>title</b>"), Variant("Title")};
  page->Call("AliasField", alias);
  std::vector<Collection*> hidden = {page->EditingList->RelatedRecords->HiddenFields.get().get(),
                                     page->ResultPage->RelatedRecords->HiddenFields.get().get(),
                                     page->EditForm->HiddenFields.get().get(),
                                     page->EditingList->HiddenFields.get().get(),
                                     page->SearchForm->HiddenFields.get().get()};
  for (Collection* c : hidden) EXPECT_EQ(ToText(c->Item(Variant("title"))), "Title");
  EXPECT_EQ(ToText(page->SearchForm->FieldAliases->Item(Variant("Title"))), "Book <b>title</b>");
  EXPECT_EQ(page->ResultPage->RelatedRecords->FieldAliases->Count(), 1);
  EXPECT_EQ(page->Report.created(), false);

  EXPECT_EQ(ErrorNumberOf([&] { page->Call("HideField", title); }), err::kDuplicateKey);
  // A name the page hid on one screen by hand blocks the declaration on all of them.
  page->EditForm->HiddenFields->Add(Variant("Notes"), std::string("Notes"));
  EXPECT_THROW(page->HideField("Notes"), AutomationError);
  for (Collection* c : hidden) EXPECT_EQ(c->Count(), c == hidden[2] ? 2 : 1);
  EXPECT_THROW(page->AliasField("Other", "TITLE"), AutomationError);
  EXPECT_EQ(page->EditForm->FieldAliases->Count(), 1);
}

TEST(Declarations, RelationsAndLinksReachTheirScreens) {
  auto page = std::make_shared<AdminRecordset>();
  page->EditForm->RelatedRecords->Remove("AuthorID");
  page->AddRelation("AuthorID", "ID", "Authors");
  EXPECT_EQ(page->SearchForm->RelatedRecords->Count(), 1);
  EXPECT_EQ(page->EditingList->RelatedRecords->Count(), 1);
  EXPECT_EQ(page->ResultPage->RelatedRecords->Item(Variant("AuthorID"))->RelatedTable, "Authors");
  EXPECT_EQ(page->EditForm->RelatedRecords->Count(), 0);  // removed there, refused quietly
  EXPECT_THROW(page->AddRelation("authorid", "ID", "People"), AutomationError);
  EXPECT_EQ(page->SearchForm->RelatedRecords->Item(Variant(int32_t{1}))->RelatedTable, "Authors");

  Variant link[] = {Variant("Tags"),  Variant("ID"), Variant("BookTags"), Variant("BookID"),
                    Variant("TagID"), Variant("ID"), Variant("Tags"),     Variant("Used = 1")};
  page->Call("AddManyToMany", link);
  EXPECT_EQ(page->EditForm->ManyToMany->Item(Variant("BookTags"))->Filter, "Used = 1");
  EXPECT_EQ(page->EditingList->ManyToMany->Count(), 1);
  // A value that is no text fails before anything is added.
  Variant with_null[] = {Variant("Shelves"), Variant("ID"),   Variant("BookShelves"),
                         Variant("BookID"),  Variant::Null(), Variant("ID"),
                         Variant("Shelves")};
  EXPECT_EQ(ErrorNumberOf([&] { page->Call("AddManyToMany", with_null); }), err::kInvalidUseOfNull);
  EXPECT_EQ(page->EditForm->ManyToMany->Count(), 1);
  EXPECT_EQ(page->EditingList->ManyToMany->Count(), 1);
}

// Info, Version and HE are followed through a real page in component_e2e_test.
TEST(Output, WritesAndEncodesThroughThePage) {
  auto result = RunPage("/shop/a.ksp", [](AdminRecordset& page) {
    page.RW(page.UE("a b&c/é") + "|");
    page.RW(page.DebugTabs(2) + page.DebugNewLines(1) + "|");
    page.DebugMode = true;
    page.RW(page.DebugTabs(2) + page.DebugNewLines(2) + "|");
    page.RW(page.ScriptName() + "|");
    page.RW(page.HTMLEditor->ASPServer ? "server" : "none");
  });
  EXPECT_EQ(result.body, "a+b%26c%2F%C3%A9||\t\t\r\n\r\n|/shop/a.ksp|server");
  EXPECT_FALSE(result.error);
}

TEST(Errors, RaisedWithTheirMessagesAndWrittenAsNotices) {
  try {
    RaiseError(err::kGenericError, "Probably there are problems");
    FAIL();
  } catch (const AutomationError& e) {
    EXPECT_EQ(e.number(), -2147221166);
    EXPECT_EQ(e.description(), "Generic Error Probably there are problems");
    EXPECT_EQ(e.source(), "Korvex");
  }
  EXPECT_EQ(ErrorMessage(-2147221165), "Update Failed ");
  EXPECT_EQ(ErrorMessage(-2147221170), "");
  EXPECT_EQ(ErrorMessage(err::kNoUniqueIdentifier).substr(0, 51),
            "Can not identify the record I have to update, there");
  auto result = RunPage("/a.ksp", [](AdminRecordset& page) {
    page.WriteError(AutomationError(3021, "No current record.", "ADODB.Recordset"));
    page.WriteEditingListNotice(AutomationError(-2147217865, "no such table: X", "SQLite"));
    page.RW("|" + std::to_string(page.ActionPerformed));
  });
  EXPECT_EQ(result.body,
            "<BR><b>ADODB.RECORDSET  ERROR:  3021</B><BR>No current record.<BR>"
            "<BR><b>E R R O R:  -2147217865</B><BR>no such table: X|2");
}

TEST(PageLife, TheSharedConnectionOpensOnceAndClosesWithThePage) {
  TempFolder folder;
  std::string file = MakeDatabase(folder, "shop.db",
                                  "CREATE TABLE Items(ID INTEGER PRIMARY KEY);"
                                  "INSERT INTO Items VALUES (1);");
  std::shared_ptr<ado::Recordset> rows;
  auto result = RunPage("/a.ksp", [&](AdminRecordset& page) {
    testing::UseDatabase(page, file);
    EXPECT_FALSE(page.ConnectionIsOpen());
    auto connection = page.Connection();
    EXPECT_EQ(connection, page.Connection());
    rows = connection->Execute("SELECT ID FROM [Items]");
    // A later change of the data source does not reopen the connection.
    page.DatabasePath(folder.path() / "other.db");
    EXPECT_EQ(connection, page.Connection());
    EXPECT_EQ(rows->State(), 1);
  });
  EXPECT_FALSE(result.error) << result.error->description();
  ASSERT_TRUE(rows);
  EXPECT_EQ(rows->State(), 0);
}

TEST(CheckItemExistInRecordset, OpensAndClosesOnlyTheConnectionItOpened) {
  TempFolder folder;
  std::string file = MakeDatabase(folder, "shop.db",
                                  "CREATE TABLE Items(ID INTEGER PRIMARY KEY, Name VARCHAR(9));"
                                  "INSERT INTO Items VALUES (1, 'Ann');");
  auto result = RunPage("/a.ksp", [&](AdminRecordset& page) {
    testing::UseDatabase(page, file);
    auto closed = std::make_shared<ado::Connection>();
    // As a page calls it: the value brings its own apostrophes.
    Variant ann[] = {Variant(closed), Variant("Items"), Variant("Name"), Variant("'Ann'")};
    EXPECT_TRUE(CBool(page.Call("CheckItemExistInRecordset", ann)));
    EXPECT_EQ(closed->State(), 0);
    EXPECT_NE(ErrorNumberOf([&] {
                page.CheckItemExistInRecordset(closed, "Nowhere", Variant("ID"), Variant(1));
              }),
              0);
    EXPECT_EQ(closed->State(), 0);

    auto open = std::make_shared<ado::Connection>();
    open->Open(testing::ConnectionStringOf(file));
    EXPECT_TRUE(page.CheckItemExistInRecordset(open, "Items", Variant("ID"), Variant(1)));
    EXPECT_FALSE(page.CheckItemExistInRecordset(open, "Items", Variant("ID"), Variant(2)));
    EXPECT_EQ(open->State(), 1);
  });
  EXPECT_FALSE(result.error) << result.error->description();
}

TEST(PageLife, PagesCreateTheObjectByItsIdentifier) {
  ClassRegistry registry;
  RegisterComponentClasses(registry);
  auto page = registry.Create("Korvex.AdminRecordset");
  EXPECT_THROW(page->Put("ActionPerformed", Variant(int32_t{4})), AutomationError);
  // Without a page there is no request to read or response to write.
  EXPECT_THROW(page->Get("recordset"), AutomationError);
}

}  // namespace
}  // namespace korvex
