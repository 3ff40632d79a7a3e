// The HTML editor as the korvex program ships it: `korvex serve` serves its support files at
// the default WorkingPath and answers page code 20 of the built-in site with the page for the
// visitor's browser; `korvex install-editor` puts the files into a site of one's own.
#include <gtest/gtest.h>
#include <signal.h>

#include "e2e/process.h"
#include "http/http_test_support.h"

namespace korvex {
namespace {

namespace fs = std::filesystem;
using host::http::testing::Fetch;
using host::http::testing::Get;
using host::http::testing::RawResponse;
using host::http::testing::TempSite;

constexpr char kMSIE[] = "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)\r\n";
constexpr char kChrome[] =
    "User-Agent: Mozilla/5.0 (X11; Linux x86_64) AppleWebKit/537.36 (KHTML, like Gecko) "
    "Chrome/120.0 Safari/537.36\r\n";

class EditorE2ETest : public ::testing::Test {
 protected:
  uint16_t Serve(std::vector<std::string> args) {
    args.insert(args.begin(), {"serve", "--port", "0"});
    fs::create_directories(work_);
    server_ = std::make_unique<testing::KorvexProcess>(
        args, temp_.path() / "server.log",
        std::map<std::string, std::string>{{"KORVEX_STATE_DIR", (temp_.path() / "state").string()}},
        work_);
    return server_->WaitForPort();
  }

  RawResponse Page(uint16_t port, const std::string& target, const std::string& headers = "") {
    std::optional<RawResponse> r = Fetch(port, Get(target, headers));
    EXPECT_TRUE(r) << target;
    return r.value_or(RawResponse{});
  }

  // `korvex install-editor` with args; its exit status.
  int Install(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"install-editor"};
    all.insert(all.end(), args.begin(), args.end());
    testing::KorvexProcess install(all, temp_.path() / "install.log");
    return install.Wait();
  }

  TempSite temp_;
  fs::path work_ = temp_.path() / "work";
  std::unique_ptr<testing::KorvexProcess> server_;
};

TEST_F(EditorE2ETest, ServeServesTheFilesAndAnswersEachBrowserWithItsPage) {
  uint16_t port = Serve({});
  ASSERT_NE(port, 0) << server_->Output();
  RawResponse dialog = Page(port, "/KorVex/HTML_Editor/instable.htm");
  EXPECT_EQ(dialog.status, 200);
  EXPECT_NE(dialog.body.find("NumRows"), std::string::npos);
  RawResponse image = Page(port, "/KorVex/HTML_Editor/images/bold.gif");
  EXPECT_EQ(image.status, 200);
  EXPECT_EQ(image.Header("Content-Type"), "image/gif");
  EXPECT_EQ(image.body.substr(0, 6), "GIF89a");

  // The products' HTML column gets the editor's button, and the form the launcher.
  RawResponse add = Page(port, "/add.ksp?RecordsetKorVex=Products");
  EXPECT_NE(add.body.find("launchEditor('/add.ksp?PageKorVex=20', 'PW','LongDescription',"
                          "'Save Changes?')"),
            std::string::npos);
  EXPECT_NE(add.body.find("function launchEditorWindow(varURL, field, varPrompt)"),
            std::string::npos);

  // Page code 20 of either page with an edit form, without a table: the editor page.
  for (const char* page : {"/table.ksp?PageKorVex=20", "/add.ksp?PageKorVex=20"}) {
    RawResponse msie = Page(port, page, kMSIE);
    EXPECT_EQ(msie.status, 200) << page;
    EXPECT_TRUE(msie.body.starts_with("<html>\r\n<head>")) << page << msie.body.substr(0, 300);
    EXPECT_NE(msie.body.find("clsid:2D360201-FFF5-11D1-8D03-00A0C959BC0A"), std::string::npos);
    RawResponse current = Page(port, page, kChrome);
    EXPECT_TRUE(current.body.starts_with("<!DOCTYPE html>")) << page;
    EXPECT_NE(current.body.find("sandbox=\"allow-same-origin\""), std::string::npos);
  }
  server_->Signal(SIGTERM);
  EXPECT_EQ(server_->Wait(), 0);
}

TEST_F(EditorE2ETest, InstallEditorWritesTheFilesUnderTheWorkingPathOfASite) {
  const fs::path site = temp_.path() / "site";
  fs::create_directories(site);
  ASSERT_EQ(Install({site.string()}), 0);
  EXPECT_TRUE(fs::is_regular_file(site / "KorVex" / "HTML_Editor" / "menubody.htm"));
  EXPECT_TRUE(fs::is_regular_file(site / "KorVex" / "HTML_Editor" / "images" / "bold.gif"));
  ASSERT_EQ(Install({site.string(), "--working-path", "/tools/editor/"}), 0);
  EXPECT_TRUE(fs::is_regular_file(site / "tools" / "editor" / "selcolor.htm"));

  // Paths that leave the site, and a site that is not there, are refused with nothing written.
  for (const char* escape : {"/../outside/", "/%2e%2e/outside/", "/tools/../../outside/"})
    EXPECT_EQ(Install({site.string(), "--working-path", escape}), 2) << escape;
  EXPECT_FALSE(fs::exists(temp_.path() / "outside"));
  EXPECT_EQ(Install({(temp_.path() / "missing").string()}), 1);
  EXPECT_FALSE(fs::exists(temp_.path() / "missing"));

  // A site with its own copy is served its own.
  std::ofstream(site / "KorVex" / "HTML_Editor" / "instable.htm", std::ios::trunc) << "mine";
  uint16_t port = Serve({"--root", site.string()});
  ASSERT_NE(port, 0) << server_->Output();
  EXPECT_EQ(Page(port, "/KorVex/HTML_Editor/instable.htm").body, "mine");
  EXPECT_EQ(Page(port, "/tools/editor/images/bold.gif").Header("Content-Type"), "image/gif");
}

}  // namespace
}  // namespace korvex
