// The edit form in its four modes on a real SQLite table with every supported type, a foreign
// key, a memo and a many-to-many link: whole forms against golden files, then the rules that
// decide single rows, and hostile values in every place a value is echoed.
#include <gtest/gtest.h>

#include "component/errors.h"
#include "component/settings/html_editor.h"
#include "editing/edit_form.h"
#include "host/memory_host.h"
#include "support/error_number.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

constexpr char kItemsSql[] = R"(
CREATE TABLE Kinds (KindID INTEGER PRIMARY KEY, Title VARCHAR(20) NOT NULL);
INSERT INTO Kinds VALUES (1, 'Tool'), (2, 'Toy');
CREATE TABLE Tags (TagID INTEGER PRIMARY KEY, Label VARCHAR(20));
INSERT INTO Tags VALUES (1, 'red'), (2, 'blue'), (3, 'big');
CREATE TABLE Items (ID INTEGER PRIMARY KEY, KindID INTEGER REFERENCES Kinds(KindID),
  Code CHAR(10) NOT NULL, Name VARCHAR(255) NOT NULL DEFAULT 'new', Small SMALLINT,
  Whole INTEGER, Ratio REAL, Exact DOUBLE, Price MONEY, Tiny TINYINT, Big BIGINT, Made DATE,
  Stamp TIMESTAMP, Active BOOLEAN NOT NULL DEFAULT TRUE, Token GUID, Notes TEXT, Data BLOB);
INSERT INTO Items VALUES (1, 1, 'A1', 'Hammer', 2, 30, 0.5, 1.25, 9.99, 7, 123456789012,
  '2003-03-05', '2003-03-05 10:20:30', TRUE, '{6F9619FF-8B86-D011-B42D-00C04FC964FF}',
  'line1)"
                             "\r\n"
                             R"(line2', NULL);
INSERT INTO Items VALUES (2, 2, 'B2', 'Kite', 1, 1, 1, 1, 1, 1, 1, '2004-01-01', NULL, FALSE,
  NULL, NULL, NULL);
CREATE TABLE ItemTags (ItemID INTEGER, TagID INTEGER);
INSERT INTO ItemTags VALUES (1, 1), (1, 3);
CREATE TABLE Plain (ID INTEGER PRIMARY KEY, Flag BOOLEAN NOT NULL, Short VARCHAR(10),
  Note TEXT);
INSERT INTO Plain VALUES (1, TRUE, 'short', 'a < b & "c"');
)";

class FormScreens : public RenderScreens {
 public:
  void RenderEditForm(AdminRecordset& page, bool is_new, bool load_record,
                      const std::string& where_criterion, bool is_delete) override {
    korvex::RenderEditForm(page, is_new, load_record, where_criterion, is_delete);
  }
};

class EditFormTest : public ::testing::Test {
 protected:
  TempFolder folder_;
  std::string database_ = MakeDatabase(folder_, "items.db", kItemsSql);

  PageResult Run(host::RequestData request, const std::function<void(AdminRecordset&)>& body) {
    static FormScreens screens;
    return RunPage(
        std::move(request),
        [&](AdminRecordset& page) {
          UseDatabase(page, database_);
          body(page);
        },
        &screens);
  }
  PageResult Run(std::string_view url, const std::function<void(AdminRecordset&)>& body) {
    return Run(host::MakeRequest("GET", url), body);
  }
  // A list row's post (page code 1) of table with the given fields.
  PageResult RunPosted(const std::string& table, host::NameValueList fields,
                       const std::function<void(AdminRecordset&)>& configure = {}) {
    return Run(host::MakeFormPost("/f.ksp?PageKorVex=1&RecordsetKorVex=" + table, fields),
               [&](AdminRecordset& page) {
                 if (configure) configure(page);
                 page.DoEditingList(std::nullopt);
               });
  }
};

void DeclareItems(AdminRecordset& page) {
  page.recordset("Items");
  page.AddManyToMany("Tags", "ID", "ItemTags", "ItemID", "TagID", "TagID", "Tags", std::nullopt);
}

TEST_F(EditFormTest, EachModeWritesTheWholeForm) {
  // Add, with the columns' defaults and every check off: the script only moves list entries.
  PageResult add = Run("/f.ksp", [](AdminRecordset& page) {
    DeclareItems(page);
    page.AddNew();
    EXPECT_EQ(page.ActionPerformed, 4);
  });
  ASSERT_FALSE(add.error) << add.error->description();
  ExpectGolden("add.html", add.body);

  // Edit, with every check on.
  PageResult edit = Run("/f.ksp", [](AdminRecordset& page) {
    DeclareItems(page);
    HTMLJavaScripts& js = *page.EditForm->JavaScripts;
    js.CheckMaxLenght = js.CheckRequired = js.CheckIsNumeric = js.CheckIsDate = true;
    page.EditItem("WHERE ID = 1");
  });
  ASSERT_FALSE(edit.error) << edit.error->description();
  ExpectGolden("edit.html", edit.body);

  PageResult remove = Run("/f.ksp", [](AdminRecordset& page) {
    DeclareItems(page);
    page.DeleteItem("WHERE ID = 1");
  });
  ASSERT_FALSE(remove.error) << remove.error->description();
  ExpectGolden("delete.html", remove.body);

  // A list row's delete button with a caption of the page's own: the confirmation, with no
  // script and no inputs but the hidden copies.
  PageResult posted_delete = RunPosted(
      "Plain", {{"DELETEKorVex", "Confirm Delete"}, {"ID", "1"}, {"Flag", ""}, {"Short", "x"}},
      [](AdminRecordset& page) { page.EditingList->ButtonDeleteCaption("Confirm Delete"); });
  ASSERT_FALSE(posted_delete.error) << posted_delete.error->description();
  ExpectGolden("posted_delete.html", posted_delete.body);
}

TEST_F(EditFormTest, PostedRowTakesItsValuesFromTheRequest) {
  PageResult result = RunPosted("Items",
                                {{"ID", "2"},
                                 {"KindID", "2"},
                                 {"Code", "B2"},
                                 {"Name", "Kite"},
                                 {"Made", "2004-01-01"},
                                 {"Active", "False"},
                                 {"Notes", "posted note"}},
                                DeclareItems);
  ASSERT_FALSE(result.error) << result.error->description();
  ExpectGolden("posted_edit.html", result.body);
}

// Rules of single rows, each on a form whose other rows do not matter.
TEST_F(EditFormTest, RowRules) {
  struct Case {
    const char* what;
    std::function<void(AdminRecordset&)> render;
    std::vector<std::string> present;
    std::vector<std::string> absent;
  };
  auto edit_plain = [](std::function<void(AdminRecordset&)> configure) {
    return [configure](AdminRecordset& page) {
      page.recordset("Plain");
      configure(page);
      page.EditItem("WHERE ID = 1");
    };
  };
  auto delete_plain = [](std::function<void(AdminRecordset&)> configure) {
    return [configure](AdminRecordset& page) {
      page.recordset("Plain");
      configure(page);
      page.DeleteItem("WHERE ID = 1");
    };
  };
  const std::vector<Case> cases = {
      {"a required boolean gets no marker; a required text gets it after its label",
       edit_plain([](AdminRecordset& page) { page.RequiredFields->Add(Variant("Short")); }),
       {"<TD>Short&nbsp; *** &nbsp;</TD>", "<TD>Flag</TD>"},
       {"Flag&nbsp;"}},
      {"text sizes follow the defined size up to 30",
       edit_plain([](AdminRecordset&) {}),
       {"<input size='10' name='Short' value=\"short\">"},
       {}},
      {"text fields as textareas",
       edit_plain([](AdminRecordset& page) {
         page.EditForm->TextFieldsAsTextarea = true;
         page.EditForm->TextareaCols = 40;
         page.EditForm->TextareaRows = 5;
       }),
       {"<textarea cols=40 rows=5 name='Short'>short</textarea>"},
       {"<input size='10'"}},
      {"a hidden field has neither a row nor an input",
       edit_plain([](AdminRecordset& page) { page.EditForm->HiddenFields->Add(Variant("Short")); }),
       {"ShortHIDDEN", "no scripts for field 'Short' it was hidden"},
       {"name='Short'", "<TD>Short"}},
      {"a fixed value is a read-only row and a hidden input",
       edit_plain([](AdminRecordset& page) {
         page.EditForm->FixedValues->Add(Variant("<fixed>"), "Short");
       }),
       {"<TD>Short</TD><TD>&lt;fixed&gt;</TD>",
        "<input type=\"hidden\" name=\"Short\" value=\"&lt;fixed&gt;\">"},
       {"<input size='10'"}},
      {"in delete mode a fixed value shows as the record's value",
       delete_plain([](AdminRecordset& page) {
         page.EditForm->FixedValues->Add(Variant("fixed"), "Short");
       }),
       {"<TD>Short</TD><TD>short</TD>"},
       {"fixed", "onsubmit", "<SCRIPT"}},
      {"a delete row cuts before encoding and marks the cut",
       delete_plain([](AdminRecordset& page) {
         page.EditForm->MaxFieldsLenghtWhileDeleting = 3;
         page.EditForm->TrimmedContentCaption = "...";
       }),
       {"<TD>a &lt;...</TD>", "<TD>sho...</TD>", "value='Confirm Delete'"},
       {}},
      {"a help text with a quote and a line break stays one valid alert",
       edit_plain([](AdminRecordset& page) {
         page.EditForm->Helps->Add(Variant("it's \"short\"\r\nline two"), "Short");
       }),
       {"<TD>Short&nbsp;<a href='#' onClick=\"alert('it\\&#39;s \\&quot;short\\&quot;\\nline "
        "two')\">?</a></TD>"},
       {}},
      {"without the calendar a date is a text input of 15",
       [](AdminRecordset& page) {
         page.recordset("Items");
         page.EditForm->UseCalendar = false;
         page.EditItem("WHERE ID = 1");
       },
       {"<input size='15' name='Made' value=\"2003-03-05\">"},
       {"Madedd"}},
      {"an HTML field gets the editor button and its launcher",
       edit_plain([](AdminRecordset& page) { page.HTMLFields->Add(Variant("Note")); }),
       {"</textarea><input class='Button' type='button' name='' value='...' "
        "LANGUAGE='javascript' onClick=\"return launchEditor('/f.ksp?PageKorVex=20', "
        "'PW','Note','Save Changes?')\">",
        "function launchEditor(varURL,varFormName,varFieldName,varPrompt)"},
       {"function FindObj"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PageResult result = Run("/f.ksp", c.render);
    ASSERT_FALSE(result.error) << result.error->description();
    for (const std::string& piece : c.present)
      EXPECT_NE(result.body.find(piece), std::string::npos) << piece;
    for (const std::string& piece : c.absent)
      EXPECT_EQ(result.body.find(piece), std::string::npos) << piece;
  }
}

TEST_F(EditFormTest, AddModeWithoutColumnDefaultsTurnsDefaultsOff) {
  PageResult result = Run("/f.ksp", [](AdminRecordset& page) {
    page.recordset("Kinds");
    page.AddNew();
    EXPECT_FALSE(page.EditForm->AllowDefaultValues);
  });
  ASSERT_FALSE(result.error) << result.error->description();
  EXPECT_NE(result.body.find("<input type='hidden' name='NuovoRecordKorVex' value='TRUE'>"),
            std::string::npos);
  EXPECT_EQ(result.body.find("DELETEKorVex"), std::string::npos);
  EXPECT_EQ(result.body.find("HIDDEN"), std::string::npos);
}

TEST_F(EditFormTest, RefusesWhatCannotBeOneRecordOfATable) {
  PageResult several = Run("/f.ksp", [](AdminRecordset& page) {
    page.recordset("Items");
    page.EditItem("WHERE ID > 0");
  });
  ASSERT_TRUE(several.error);
  EXPECT_EQ(several.error->number(), err::kNoUniqueIdentifier);
  EXPECT_EQ(several.error->description(),
            std::string(ErrorMessage(err::kNoUniqueIdentifier)) + Q("Items"));
  EXPECT_EQ(several.body, "");

  // A list row's post naming something that is no table reaches no SQL.
  PageResult unknown = RunPosted("Items]; DROP TABLE Items; --", {{"ID", "1"}});
  ASSERT_TRUE(unknown.error);
  EXPECT_EQ(unknown.error->number(), err::kUnknownRecordset);
}

// Values from the request and the database can hold markup; none of it may become markup.
TEST_F(EditFormTest, HostileValuesStayText) {
  const std::string hostile = "x'\"></textarea><script>alert(1)</script>";
  PageResult posted = RunPosted(
      "Plain", {{"DELETEKorVex", hostile}, {"ID", hostile}, {"Note", hostile}, {"Short", hostile}});
  ASSERT_FALSE(posted.error) << posted.error->description();
  EXPECT_EQ(posted.body.find("<script>"), std::string::npos) << posted.body;
  const std::string encoded =
      "x&#39;&quot;&gt;&lt;/textarea&gt;&lt;script&gt;alert(1)&lt;/script&gt;";
  EXPECT_NE(posted.body.find("name='DELETEKorVex' value ='" + encoded + "'>"), std::string::npos);
  EXPECT_NE(posted.body.find("<TD>" + encoded + "</TD>"), std::string::npos);  // autonumber
  EXPECT_NE(posted.body.find("name='ID' value='" + encoded + "'>"), std::string::npos);
  EXPECT_NE(posted.body.find("name='Note'>" + encoded + "</textarea>"), std::string::npos);

  // A stored memo with a closing tag comes back whole in its textarea.
  PageResult stored = Run("/f.ksp", [](AdminRecordset& page) {
    page.recordset("Plain");
    page.EditItem("WHERE ID = 1");
  });
  EXPECT_NE(stored.body.find("name='Note'>a &lt; b &amp; &quot;c&quot;</textarea>"),
            std::string::npos);

  // An alias with markup is the page's own; in the script it cannot end the block.
  PageResult aliased = Run("/f.ksp", [](AdminRecordset& page) {
    page.recordset("Plain");
    page.EditForm->FieldAliases->Add(Variant("<b>O'Short</b></SCRIPT>"), "Short");
    page.EditForm->JavaScripts->CheckMaxLenght = true;
    page.EditItem("WHERE ID = 1");
  });
  EXPECT_NE(aliased.body.find(
                "check_size (10,theform.elements['Short'],'<b>O\\'Short<\\/b><\\/SCRIPT>'))"),
            std::string::npos)
      << aliased.body;
}

TEST(HTMLEditorCaller, ButtonEncodesTheNamesForItsAttribute) {
  HTMLEditor editor;
  EXPECT_EQ(
      editor.GenerateCallerCode("Body", "PW", "/p.ksp?PageKorVex=20"),
      "<input class='Button' type='button' name='' value='...' LANGUAGE='javascript' "
      "onClick=\"return launchEditor('/p.ksp?PageKorVex=20', 'PW','Body','Save Changes?')\">");
  EXPECT_EQ(editor.GenerateCallerCode("a\"b'c", "PW", "/p"),
            "<input class='Button' type='button' name='' value='...' LANGUAGE='javascript' "
            "onClick=\"return launchEditor('/p', 'PW','a\\&quot;b\\&#39;c','Save Changes?')\">");
}

}  // namespace
}  // namespace korvex::testing
