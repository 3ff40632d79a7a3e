#include "editing/write_path.h"

#include <gtest/gtest.h>

#include <regex>

#include "ado/ado_errors.h"
#include "component/errors.h"
#include "editing/write_fixture.h"
#include "support/library_fixture.h"

namespace korvex::testing {
namespace {

// Items has an auto-increment key; Pairs has none (rows are found by their values) and two
// equal rows; Totals has a column the database computes and refuses to be written.
std::string ShopDatabase(const TempFolder& folder) {
  return MakeDatabase(
      folder, "shop.db",
      "CREATE TABLE Items (ID INTEGER PRIMARY KEY, Name VARCHAR(20) NOT NULL, Price DOUBLE, "
      "Born DATE, Active BOOLEAN, Notes TEXT, Secret VARCHAR(10));"
      "INSERT INTO Items VALUES (1, 'Ann', 1.5, '2003-03-14', TRUE, 'first', 's1'),"
      " (2, 'Bob', 2.5, NULL, FALSE, NULL, 's2');"
      "CREATE TABLE Pairs (Name VARCHAR(10), Score DOUBLE);"
      "INSERT INTO Pairs VALUES ('x', 3.5), ('x', 3.5), ('y', 2.5);"
      "CREATE TABLE Totals (ID INTEGER PRIMARY KEY, Price DOUBLE,"
      " Doubled DOUBLE GENERATED ALWAYS AS (Price * 2) STORED);"
      "INSERT INTO Totals (ID, Price) VALUES (1, 1.5);");
}

std::string Items(const std::string& db) {
  return StoredRows(db, "SELECT * FROM Items ORDER BY ID");
}

std::string Described(const WriteResult& r) {
  return r.page.error ? std::to_string(r.page.error->number()) + ":" + r.page.error->description()
                      : "no error";
}

TEST(WritePath, InsertsUpdatesAndDeletesThePostedRecord) {
  TempFolder folder;
  const std::string db = ShopDatabase(folder);
  // The calendar's parts carry over: 31 April at 25 o'clock is 2 May, 1 o'clock.
  WriteResult added = SendForm(db, "Items",
                               {{"NuovoRecordKorVex", "TRUE"},
                                {"ID", ""},
                                {"Name", "Cy"},
                                {"Price", ""},
                                {"Borndd", "31"},
                                {"Bornmm", "4"},
                                {"Bornaaaa", "2004"},
                                {"Bornhh", "25"},
                                {"Bornmin", "0"},
                                {"Bornsec", "0"},
                                {"Born", "1999-01-01"},
                                {"Active", "True"},
                                {"Notes", ""},
                                {"Secret", "s3"}});
  EXPECT_EQ(Described(added), "no error");
  EXPECT_EQ(added.action, 8);
  EXPECT_TRUE(added.page.body.starts_with(
      " The following new record has been added:<br><br><TABLE border=1><TR><TD> L A B E L "))
      << added.page.body;
  EXPECT_TRUE(added.page.body.ends_with("</TABLE><br>Click back on your browser"));
  EXPECT_EQ(StoredRows(db, "SELECT * FROM Items WHERE ID = 3"),
            "3|Cy|NULL|2004-05-02 01:00:00|1|NULL|s3");

  // "true" is not the add form's "TRUE": the record named by the key copy is updated. A hidden
  // field keeps its value whatever is posted; an absent checkbox is False; "" is Null.
  WriteResult edited =
      SendForm(db, "Items",
               {{"NuovoRecordKorVex", "true"},
                {"IDHIDDEN", "1"},
                {"NameHIDDEN", "Ann"},
                {"ID", "1"},
                {"Name", "Ann B"},
                {"Price", "2"},
                {"Borndd", "14"},
                {"Bornmm", "3"},
                {"Bornaaaa", "2003"},
                {"Bornhh", "13"},
                {"Bornmin", "5"},
                {"Bornsec", "9"},
                {"Notes", ""},
                {"Secret", "posted"}},
               [](AdminRecordset& page) { page.EditForm->HiddenFields->Add(Variant("Secret")); });
  EXPECT_EQ(Described(edited), "no error");
  EXPECT_EQ(edited.action, 16);
  EXPECT_TRUE(edited.page.body.starts_with(
      " The Record has been modified with the following values:<br><br>"));

  // A hidden field with a fixed value takes it; without the calendar a date is taken as posted.
  WriteResult fixed = SendForm(db, "Items",
                               {{"IDHIDDEN", "2"},
                                {"ID", "2"},
                                {"Name", "Bob"},
                                {"Price", "2.5"},
                                {"Born", "2001-02-03"},
                                {"Active", "on"},
                                {"Notes", "n"}},
                               [](AdminRecordset& page) {
                                 page.EditForm->HiddenFields->Add(Variant("Secret"));
                                 page.EditForm->FixedValues->Add(Variant("fixed"), "Secret");
                                 page.EditForm->UseCalendar = false;
                               });
  EXPECT_EQ(Described(fixed), "no error");
  EXPECT_EQ(Items(db),
            "1|Ann B|2.0|2003-03-14 13:05:09|0|NULL|s1;2|Bob|2.5|2001-02-03|1|n|fixed;"
            "3|Cy|NULL|2004-05-02 01:00:00|1|NULL|s3");

  // Without an auto-increment column every posted key copy is a condition; a decimal comma is
  // read as a point.
  WriteResult pair = SendForm(
      db, "Pairs", {{"NameHIDDEN", "y"}, {"ScoreHIDDEN", "2,5"}, {"Name", "w"}, {"Score", "2.5"}});
  EXPECT_EQ(Described(pair), "no error");
  EXPECT_EQ(StoredRows(db, "SELECT * FROM Pairs"), "x|3.5;x|3.5;w|2.5");

  WriteResult deleted = SendForm(db, "Items", {{"IDHIDDEN", "2"}, {"DELETEKorVex", "Delete"}});
  EXPECT_EQ(Described(deleted), "no error");
  EXPECT_EQ(deleted.action, 32);
  EXPECT_EQ(deleted.page.body, "<br> The record has been deleted ");
  EXPECT_EQ(StoredRows(db, "SELECT ID FROM Items ORDER BY ID"), "1;3");
}

TEST(WritePath, RefusedWritesChangeNothingAndSayWhy) {
  TempFolder folder;
  const std::string db = ShopDatabase(folder);
  const std::string no_key =
      "Can not identify the record I have to update, there are no unique identifiers. Provide "
      "an unique identifier for the recordset ";
  struct Case {
    const char* what;
    std::string table;
    host::NameValueList form;
    int32_t number;
    std::string description;
    std::string method = "POST";
  };
  const Case cases[] = {
      {"two records match",
       "Pairs",
       {{"NameHIDDEN", "x"}, {"ScoreHIDDEN", "3.5"}, {"Name", "z"}},
       err::kNoUniqueIdentifier,
       no_key +
           "Contact the database administrator and tell him/her that the following SQL "
           "generates more than one record: SELECT * from " +
           Q("Pairs") + " where " + Q("Name") + " = 'x' AND " + Q("Score") + " =3.5 "},
      {"no record matches",
       "Items",
       {{"IDHIDDEN", "9"}, {"ID", "9"}, {"Name", "z"}},
       err::kUpdateFailed,
       "Update Failed Probably the record you are tryng to edit was modified or deleted go "
       "back to the editing list and refresh the content.<br> SQL: SELECT * from " +
           Q("Items") + " where " + Q("ID") + " =9"},
      {"no key posted",
       "Items",
       {{"ID", "1"}, {"Name", "z"}},
       err::kNoUniqueIdentifier,
       no_key + Q("Items")},
      {"no key copy posted",
       "Pairs",
       {{"Name", "z"}},
       err::kNoUniqueIdentifier,
       no_key + Q("Pairs")},
      {"numeric key that is no number",
       "Items",
       {{"IDHIDDEN", "1 OR 1=1"}, {"Name", "z"}},
       err::kNoUniqueIdentifier,
       no_key + Q("Items")},
      {"numeric key copy that is no number",
       "Pairs",
       {{"NameHIDDEN", "x"}, {"ScoreHIDDEN", "3.5) OR (1=1"}, {"Name", "z"}},
       err::kNoUniqueIdentifier,
       no_key + Q("Pairs")},
      {"value the column cannot take",
       "Items",
       {{"IDHIDDEN", "1"}, {"ID", "1"}, {"Name", "z"}, {"Price", "abc"}},
       err::kGenericError,
       "Generic Error Probably there are problems inserting data in one field. Tech info: " +
           std::string(ado::AdoErrorText(err::kCannotConvert))},
      {"value the database refuses",
       "Items",
       {{"NuovoRecordKorVex", "TRUE"}, {"Name", ""}},
       err::kUnspecified,
       // The database's own message.
       OnPostgres() ? "null value in column \"Name\" of relation \"Items\" violates not-null "
                      "constraint"
                    : "NOT NULL constraint failed: Items.Name"},
      {"computed column changed",
       "Totals",
       {{"IDHIDDEN", "1"}, {"ID", "1"}, {"Price", "4"}, {"Doubled", "9"}},
       err::kStatementRejected,
       OnPostgres() ? "column \"Doubled\" can only be updated to DEFAULT"
                    : "cannot UPDATE generated column \"Doubled\""},
      {"unknown table",
       "Nowhere",
       {{"IDHIDDEN", "1"}},
       err::kUnknownRecordset,
       "The recordset \"Nowhere\" is no table or view of the database"},
      // Another site's page may send a GET with any query: the gate lets it through.
      {"a GET request",
       "Items",
       {{"IDHIDDEN", "1"}, {"DELETEKorVex", "Delete"}},
       err::kWriteNotPosted,
       "A record is written only by a posted form; this request is a GET request",
       "GET"},
  };
  const auto everything = [&] {
    return Items(db) + "/" + StoredRows(db, "SELECT * FROM Pairs") + "/" +
           StoredRows(db, "SELECT * FROM Totals");
  };
  const std::string before = everything();
  for (const Case& c : cases) {
    WriteResult r = SendForm(db, c.table, c.form, {}, c.method);
    EXPECT_EQ(Described(r), std::to_string(c.number) + ":" + c.description) << c.what;
    EXPECT_EQ(r.action, 2) << c.what;
    EXPECT_EQ(r.page.body, "") << c.what;
  }
  EXPECT_EQ(everything(), before);

  // An unchanged value is not assigned, so the computed column passes an edit untouched.
  WriteResult unchanged =
      SendForm(db, "Totals", {{"IDHIDDEN", "1"}, {"ID", "1"}, {"Price", "4"}, {"Doubled", "3"}});
  EXPECT_EQ(Described(unchanged), "no error");
  EXPECT_EQ(StoredRows(db, "SELECT * FROM Totals"), "1|4.0|8.0");
}

// BookAuthors links books to authors; a unique index makes the database refuse a link twice.
class LinkedWrites : public ::testing::Test {
 protected:
  void SetUp() override {
    db_ = LibraryDatabase(folder_);
    RunSql(db_, "CREATE UNIQUE INDEX OneLink ON BookAuthors (BookID, AuthorID);");
  }
  WriteResult Send(const host::NameValueList& form, bool delete_links = true) {
    return SendForm(db_, "Books", form, [&](AdminRecordset& page) {
      page.AddManyToMany("Authors", "ID", "BookAuthors", "BookID", "AuthorID", "ID", "Authors",
                         std::nullopt);
      page.EditForm->ManyToMany->DeleteOnDelete = delete_links;
    });
  }
  std::string Links() { return StoredRows(db_, "SELECT * FROM BookAuthors ORDER BY 1, 2"); }

  TempFolder folder_;
  std::string db_;
};

TEST_F(LinkedWrites, AreRewrittenWithTheRecordOrNotAtAll) {
  const host::NameValueList book_one = {{"IDHIDDEN", "1"}, {"ID", "1"}, {"Shelf", "A'1"}};
  auto with = [](host::NameValueList form, host::NameValueList more) {
    form.insert(form.end(), more.begin(), more.end());
    return form;
  };
  const std::string dest = "BookAuthorsDESTKorVex";
  // The list's empty first option is no link.
  WriteResult saved =
      Send(with(book_one, {{"Title", "One!"}, {dest, "1"}, {dest, "3"}, {dest, ""}}));
  EXPECT_EQ(Described(saved), "no error");
  EXPECT_EQ(Links(), "1|1;1|3;2|1");

  // The second link row is refused: the record and the first link row are undone with it.
  WriteResult refused = Send(with(book_one, {{"Title", "Changed"}, {dest, "2"}, {dest, "2"}}));
  EXPECT_EQ(refused.page.error ? refused.page.error->number() : 0, err::kUnspecified);
  EXPECT_EQ(refused.action, 2);
  EXPECT_EQ(StoredRows(db_, "SELECT Title FROM Books WHERE ID = 1"), "One!");
  EXPECT_EQ(Links(), "1|1;1|3;2|1");

  // A new record's links take the key the database gave it.
  WriteResult added = Send(
      {{"NuovoRecordKorVex", "TRUE"}, {"ID", ""}, {"Title", "Three"}, {"Shelf", ""}, {dest, "2"}});
  EXPECT_EQ(Described(added), "no error");
  EXPECT_EQ(Links(), "1|1;1|3;2|1;3|2");

  // Deleting takes the links along only with DeleteOnDelete.
  EXPECT_EQ(Described(Send({{"IDHIDDEN", "3"}, {"DELETEKorVex", "Delete"}})), "no error");
  EXPECT_EQ(Described(Send({{"IDHIDDEN", "1"}, {"DELETEKorVex", "Delete"}}, false)), "no error");
  EXPECT_EQ(StoredRows(db_, "SELECT ID FROM Books"), "2");
  EXPECT_EQ(Links(), "1|1;1|3;2|1");
}

TEST(WritePath, TheListCountsAWriteAtOnce) {
  TempFolder folder;
  const std::string db = ShopDatabase(folder);
  auto total = [&] {
    PageResult list = RunPage("/t.ksp?RecordsetKorVex=Items", [&](AdminRecordset& page) {
      static WriteScreens screens;
      page.UseScreens(screens);
      UseDatabase(page, db);
      page.DoEditingList(std::nullopt);
    });
    std::smatch count;
    std::regex_search(list.body, count, std::regex("on a total of (\\d+)"));
    return count.size() > 1 ? count[1].str() : list.body;
  };
  EXPECT_EQ(total(), "2");
  EXPECT_EQ(total(), "2");  // now from the kept count
  SendForm(db, "Items", {{"NuovoRecordKorVex", "TRUE"}, {"Name", "Cy"}});
  EXPECT_EQ(total(), "3");
  SendForm(db, "Items", {{"IDHIDDEN", "1"}, {"DELETEKorVex", "Delete"}});
  EXPECT_EQ(total(), "2");
}

}  // namespace
}  // namespace korvex::testing
