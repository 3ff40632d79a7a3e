// The HTML editor's pages as a site serves them: Render and page code 20 against a real site
// folder with and without the support files, the choice of page by user agent, the whole
// Internet Explorer page against a golden file, and settings that must not break the
// current-browser page's script.
#include "editor/editor_page.h"

#include <gtest/gtest.h>

#include "component/admin_recordset.h"
#include "component/screens.h"
#include "component/settings/html_editor.h"
#include "editor/support_files.h"
#include "host/memory_host.h"
#include "support/error_number.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

constexpr char kMissing[] =
    "KORVEX ERROR: In order to use the HTML Editor you need to copy some files in your web "
    "server under the folder defined in the WorkingPath Property. At the moment the value of "
    "this property is /KorVex/HTML_Editor/ but KorVex is unable to find one of the required "
    "files. Please copy required files on the web server.  This files are in your KorVex "
    "Program folder in a folder named KorVex.";

constexpr char kChrome[] =
    "Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/120.0 "
    "Safari/537.36";
constexpr char kMSIE6[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)";

// HTMLEditor.Render reaches the editor through the installed screens, as in the product.
class EditorScreens : public Screens {
 public:
  void RenderHTMLEditorPage(AdminRecordset& page) override { korvex::RenderHTMLEditorPage(page); }
  std::string RenderHTMLEditor(const HTMLEditor& editor) override {
    return korvex::RenderHTMLEditor(editor);
  }
};

class EditorPageTest : public ::testing::Test {
 protected:
  void SetUp() override { InstallScreens(screens_); }

  void InstallFiles() { InstallEditorSupportFiles(site_.path() / "KorVex" / "HTML_Editor"); }

  std::shared_ptr<HTMLEditor> Editor() {
    auto editor = std::make_shared<HTMLEditor>();
    editor->ASPServer = std::make_shared<host::Server>(site_.path(), "/admin/page.ksp");
    return editor;
  }

  // A page of the site at /admin/page.ksp?PageKorVex=20: it writes before and after its
  // generating method, as a page script would.
  host::ResponseData EditorRequest(const std::string& user_agent,
                                   const std::function<void(AdminRecordset&)>& adjust = {}) {
    host::RequestData request = host::MakeRequest("GET", "/admin/page.ksp?PageKorVex=20");
    if (!user_agent.empty()) request.headers.push_back({"User-Agent", user_agent});
    host::MemoryHost host(site_.path());
    return host.Serve(std::move(request), [&](host::ScriptingContext& context) {
      auto page = std::make_shared<AdminRecordset>();
      page->UseScreens(screens_);
      page->OnStartPage(context.shared_from_this());
      if (adjust) adjust(*page);
      page->RW("(written before)");
      page->DoEditingList(std::nullopt);
      page->RW("(written after)");
    });
  }

  EditorScreens screens_;
  TempFolder site_;
};

TEST_F(EditorPageTest, RenderWritesTheMissingFilesMessageUntilTheFilesAreInstalled) {
  auto editor = Editor();
  EXPECT_EQ(ToText(editor->Call("Render", {})), kMissing);
  // Any other file of the folder does not stand in for the table dialog.
  site_.Write("KorVex/HTML_Editor/selcolor.htm", "x");
  EXPECT_EQ(editor->Render(), kMissing);

  InstallFiles();
  editor->Fonts->Add(Variant("Arial"));
  editor->Fonts->Add(Variant("Courier New"));
  ExpectGolden("msie_page.html", ToText(editor->Call("Render", {})));

  // A folder of its own, named by the page: the message names it.
  editor->WorkingPath = "/elsewhere/";
  EXPECT_NE(editor->Render().find("the value of this property is /elsewhere/ but"),
            std::string::npos);
  // No Server to map with: the page forgot OnStartPage.
  editor->ASPServer = nullptr;
  EXPECT_EQ(ErrorNumberOf([&] { editor->Render(); }), 424);
}

TEST_F(EditorPageTest, WithoutFontFormattingThePageLeavesTheFontSelectAndDialogsOut) {
  InstallFiles();
  auto editor = Editor();
  editor->Fonts->Add(Variant("Arial"));
  editor->EnableFormatFont = false;
  const std::string page = editor->Render();
  EXPECT_EQ(page.find("id=\"FontName\""), std::string::npos);
  EXPECT_EQ(page.find("DECMD_GETFONTNAME, OLECMDEXECOPT"), std::string::npos);
  EXPECT_EQ(page.find("selcolor.htm"), std::string::npos);
  EXPECT_EQ(Occurrences(page, "alert(\"Advanced font formatting is disabled.\");"), 2u);
  // The rest of the format bar stays.
  EXPECT_NE(page.find("<select ID=\"FontSize\""), std::string::npos);
  EXPECT_NE(page.find("tbcommand=\"DECMD_SETFORECOLOR\""), std::string::npos);
}

// Page code 20 answers with the whole page for the visitor's browser: nothing the page wrote
// before or after survives.
TEST_F(EditorPageTest, PageCode20ChoosesThePageByUserAgent) {
  InstallFiles();
  struct Case {
    const char* user_agent;
    const char* starts;
  } cases[] = {
      {kMSIE6, "<html>\r\n<head>\r\n"},
      {"Mozilla/4.0 (compatible; MSIE 10.0; Windows NT 6.1)", "<html>\r\n<head>\r\n"},
      {kChrome, "<!DOCTYPE html>\r\n"},
      {"Mozilla/5.0 (Windows NT 10.0; Trident/7.0; rv:11.0) like Gecko", "<!DOCTYPE html>\r\n"},
      {"", "<!DOCTYPE html>\r\n"},
  };
  for (const Case& c : cases) {
    host::ResponseData response = EditorRequest(c.user_agent);
    EXPECT_TRUE(response.body.starts_with(c.starts)) << c.user_agent;
    EXPECT_TRUE(response.body.ends_with("</html>\r\n")) << c.user_agent;
    EXPECT_EQ(response.body.find("(written before)"), std::string::npos) << c.user_agent;
    EXPECT_EQ(response.body.find("(written after)"), std::string::npos) << c.user_agent;
  }
  // Both pages need the support files.
  std::filesystem::remove_all(site_.path() / "KorVex");
  EXPECT_EQ(EditorRequest(kChrome).body, kMissing);
  EXPECT_EQ(EditorRequest(kMSIE6).body, kMissing);
}

// The working folder reaches the current-browser page's script only as a script string:
// quotes and a closing tag stay inside the string, and the script block ends where the page
// ends it. Title and the folder are the page's own settings elsewhere, written as they stand.
TEST_F(EditorPageTest, CurrentBrowserPageKeepsItsSettingsInsideItsScriptString) {
  InstallEditorSupportFiles(site_.path() / "K'o<" / "script>");
  host::ResponseData response = EditorRequest(kChrome, [](AdminRecordset& page) {
    page.HTMLEditor->WorkingPath = "/K'o</script>/";
    page.HTMLEditor->Title = "Edit <b>text</b>";
    page.HTMLEditor->EnableFormatFont = false;
  });
  const std::string& body = response.body;
  EXPECT_NE(body.find("<title>Edit <b>text</b></title>"), std::string::npos);
  EXPECT_NE(body.find("src=\"/K'o</script>/images/bold.gif\""), std::string::npos);
  const std::string settings =
      "<script>\r\nvar WorkingPath = '/K\\'o\\x3C/script\\x3E/';\r\nvar EnableFormatFont = "
      "false;\r\n";
  const size_t script = body.find(settings);
  ASSERT_NE(script, std::string::npos) << body.substr(body.find("<script>"), 200);
  const std::string end = "</script>\r\n</body>\r\n</html>\r\n";
  EXPECT_EQ(body.find("</script>", script), body.size() - end.size());
  EXPECT_EQ(body.find("id=\"FontName\""), std::string::npos);
  EXPECT_EQ(Occurrences(body, "\n"), Occurrences(body, "\r\n")) << "a line without CR";
}

}  // namespace
}  // namespace korvex::testing
