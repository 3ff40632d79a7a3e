// The file manager's pages through the page controller: each page whole against its golden
// file, the list's order, sizes and thumbnail cells, the in-use rules, deleting and renaming,
// the extension test, and hostile names and values in every place a page takes or writes one.
#include "fileman/file_manager.h"

#include <gtest/gtest.h>

#include "fileman/fileman_fixture.h"
#include "support/list_fixture.h"

namespace korvex::testing {
namespace {

namespace fs = std::filesystem;

const std::string kInvalidName =
    "<font color=red><b>The file name you are trying to use is invalid.</b></font>";
const std::string kInvalidExtension =
    "<font color=red><b>The file extention you are tryng to use is invalid.</b></font>";
const std::string kInUseWarning =
    "<br><font color=red><b>Warning!</b> The file you are about to edit (Delete or Rename) is in "
    "use.</font><br>";
const std::string kInUseError =
    "<br><font color=red>The file is in use. You can not edit (Delete or Rename) files in "
    "use.</font><br>";

TEST_F(FileManTest, EachPageIsTheWholeResponse) {
  Put("A.GIF", GifOf(120, 40));
  Put("b.txt", std::string(100, 'b'));
  Put("c", std::string(1536, 'c'));
  Put("big.bin", std::string(1234567, 'x'));
  const struct {
    const char* golden;
    host::RequestData request;
  } pages[] = {
      {"frameset.html", host::MakeRequest("GET",
                                          "/page.ksp?PageKorVex=11&returnfield=Image&returnform=PW&"
                                          "selected=A.GIF")},
      {"list.html",
       host::MakeRequest("GET", "/page.ksp?PageKorVex=12&returnfield=Image&returnform=PW")},
      {"console.html", host::MakeRequest("GET", "/page.ksp?PageKorVex=13")},
      {"delete.html", host::MakeRequest("GET", "/page.ksp?PageKorVex=15&FileName=A.GIF")},
      {"rename.html", host::MakeRequest("GET", "/page.ksp?PageKorVex=16&FileName=b.txt")},
      {"uploaded.html", UploadRequest("new.txt", "hello")},
  };
  for (const auto& page : pages) {
    Answer answer = Serve(page.request);
    EXPECT_FALSE(answer.error) << page.golden << ": " << answer.error->description();
    EXPECT_EQ(answer.body.find("the host page"), std::string::npos) << page.golden;
    ExpectGolden(page.golden, answer.body);
  }
}

TEST_F(FileManTest, ListShowsOnlyFilesAndTellsPicturesFromOthers) {
  Put("b.txt", std::string(100, 'b'));
  Put("A.GIF", GifOf(1, 1));
  Put("c", std::string(1536, 'c'));
  Put("broken.png", "not a picture");
  fs::create_directory(files_ / "folder");
  fs::create_symlink(site_.path() / "outside.txt", files_ / "link.txt");

  std::string list = Get("/page.ksp?PageKorVex=12", [](AdminRecordset& page) {
                       page.FileMan->ImagesExtensions->Add(Variant("C"));
                     }).body;
  // The name without a dot is its own extension, here listed among the images.
  EXPECT_EQ(Occurrences(list, "bad image"), 2u);
  EXPECT_EQ(Occurrences(list, ">N/A</td>"), 1u);
  EXPECT_NE(list.find("<img src=\"/files/A.GIF\" height=\"60\""), std::string::npos);
  // Folders and links are no files of the folder.
  EXPECT_EQ(list.find("folder"), std::string::npos);
  EXPECT_EQ(list.find("link.txt"), std::string::npos);

  std::string no_index = Get("/page.ksp?PageKorVex=13", [](AdminRecordset& page) {
                           page.FileMan->DoAlphabeticalIndex = "False";
                         }).body;
  EXPECT_EQ(no_index.find("target=filelist"), std::string::npos);
  EXPECT_NE(no_index.find("NAME='FileData'"), std::string::npos);

  EXPECT_EQ(
      Get("/page.ksp?PageKorVex=12", [](AdminRecordset& page) { page.FileMan->Path("/nowhere"); })
          .error->number(),
      err::kPathNotFound);
}

TEST_F(FileManTest, ConfirmationFollowsTheInUseRules) {
  const struct {
    Variant check;
    bool allow_in_use;
    const char* file;
    const char* shown;  // "warning", "error" or "plain"
  } cases[] = {
      {Variant(int32_t{0}), true, "A.GIF", "plain"},
      {Variant(int32_t{1}), true, "A.GIF", "warning"},
      {Variant(int32_t{1}), false, "A.GIF", "error"},
      {Variant(int32_t{1}), true, "b.txt", "plain"},  // named by Orders only
      {Variant(int32_t{2}), true, "b.txt", "warning"},
      {Variant(int32_t{2}), false, "nobody.txt", "plain"},
      {Variant(int32_t{1}), true, "o'brien.png", "warning"},  // a quote inside the literal
  };
  for (const auto& c : cases) {
    for (int code : {15, 16}) {
      const std::string url =
          "/page.ksp?PageKorVex=" + std::to_string(code) + "&FileName=" + host::EncodeUrl(c.file);
      Answer answer = Get(url, [&](AdminRecordset& page) {
        page.FileMan->CheckForFilesInUse = c.check;
        page.FileMan->AllowEditingOfFilesInUse = c.allow_in_use;
      });
      const std::string what =
          std::string(c.file) + " check " + ToText(c.check) + " code " + std::to_string(code);
      const std::string shown = answer.body.find(kInUseWarning) != std::string::npos ? "warning"
                                : answer.body.find(kInUseError) != std::string::npos ? "error"
                                                                                     : "plain";
      EXPECT_EQ(shown, c.shown) << what;
      EXPECT_EQ(answer.body.find("<input type=hidden name=subpage") != std::string::npos,
                shown != "error")
          << what;
      EXPECT_NE(answer.body.find("<b>File:</b> " + host::EncodeHtml(c.file)), std::string::npos)
          << what;
      // Without the check the database is not even opened.
      EXPECT_EQ(answer.connection_opened, ToText(c.check) != "0") << what;
    }
  }
}

TEST_F(FileManTest, DeletesAndRenamesOnlyWhatWasConfirmed) {
  Put("b.txt", "bbb");
  Put("c.txt", "ccc");
  Answer deleted = Get("/page.ksp?PageKorVex=15&FileName=b.txt&subpage=2");
  EXPECT_FALSE(Content("b.txt"));
  EXPECT_NE(deleted.body.find("File Successfully Deleted: b.txt"), std::string::npos);
  EXPECT_EQ(Get("/page.ksp?PageKorVex=15&FileName=b.txt&subpage=2").error->number(),
            err::kFileNotFound);

  Answer renamed = Get("/page.ksp?PageKorVex=16&FileName=c.txt&subpage=2&newname=d.txt");
  EXPECT_FALSE(Content("c.txt"));
  EXPECT_EQ(Content("d.txt"), "ccc");
  EXPECT_NE(renamed.body.find("File Successfully Renamed: c.txt New name: d.txt"),
            std::string::npos);
  // An existing name is never replaced.
  Put("e.txt", "eee");
  EXPECT_EQ(Get("/page.ksp?PageKorVex=16&FileName=d.txt&subpage=2&newname=e.txt").error->number(),
            err::kFileAlreadyExists);
  EXPECT_EQ(Content("d.txt"), "ccc");
  EXPECT_EQ(Content("e.txt"), "eee");
  EXPECT_EQ(
      Get("/page.ksp?PageKorVex=16&FileName=gone.txt&subpage=2&newname=f.txt").error->number(),
      err::kFileNotFound);
}

TEST_F(FileManTest, RenameAppliesTheExtensionTest) {
  const struct {
    std::vector<const char*> valid;
    const char* new_name;
    bool accepted;
  } cases[] = {
      {{}, "x.exe", false},      {{"TXT"}, "x.doc", false}, {{"TXT"}, "x.txt", true},
      {{}, "x.Pif", false},      {{}, "x", true},           {{}, "x.ksp", false},
      {{"KSP"}, "x.KsP", false},  // a page is refused whatever the lists say
  };
  for (const auto& c : cases) {
    Put("old.txt", "old");
    Answer answer =
        Get("/page.ksp?PageKorVex=16&FileName=old.txt&subpage=2&newname=" + std::string(c.new_name),
            [&](AdminRecordset& page) {
              for (const char* extension : c.valid)
                page.FileMan->ValidExtensions->Add(Variant(extension));
            });
    EXPECT_EQ(Content(c.new_name).has_value(), c.accepted) << c.new_name;
    EXPECT_EQ(Content("old.txt").has_value(), !c.accepted) << c.new_name;
    EXPECT_EQ(answer.body.find(kInvalidExtension) != std::string::npos, !c.accepted) << c.new_name;
    if (c.accepted) fs::remove(files_ / c.new_name);
  }
}

TEST_F(FileManTest, NamesLeavingTheFolderAreRefused) {
  Put("b.txt", "bbb");
  const char* requests[] = {
      "/page.ksp?PageKorVex=15&subpage=2&FileName=..%2Foutside.txt",
      "/page.ksp?PageKorVex=15&subpage=2&FileName=%2E%2E%2Foutside.txt",
      "/page.ksp?PageKorVex=15&subpage=2&FileName=..%5Coutside.txt",
      "/page.ksp?PageKorVex=15&subpage=2&FileName=",
      "/page.ksp?PageKorVex=15&FileName=..%2Foutside.txt",
      "/page.ksp?PageKorVex=16&subpage=2&FileName=b.txt&newname=..%2Fmoved.txt",
      "/page.ksp?PageKorVex=16&subpage=2&FileName=b.txt&newname=..",
      "/page.ksp?PageKorVex=16&subpage=2&FileName=..%2Foutside.txt&newname=x.txt",
      "/page.ksp?PageKorVex=16&FileName=%2Fetc%2Fpasswd",
  };
  for (const char* url : requests) {
    Answer answer = Get(url);
    EXPECT_FALSE(answer.error) << url;
    EXPECT_NE(answer.body.find(kInvalidName), std::string::npos) << url;
    EXPECT_EQ(answer.body.find("<b>File:</b>"), std::string::npos) << url;
  }
  EXPECT_EQ(Outside(), "keep me");
  EXPECT_EQ(Content("b.txt"), "bbb");
  EXPECT_FALSE(fs::exists(site_.path() / "moved.txt"));
  EXPECT_FALSE(fs::exists(site_.path() / "x.txt"));
}

TEST_F(FileManTest, RequestValuesAndFileNamesAreEncodedWhereWritten) {
  const std::string hostile = "q'\"<i>&.png";
  Put(hostile, "not a picture");
  const std::string list =
      Get("/page.ksp?PageKorVex=12&returnfield=" + host::EncodeUrl("f'];alert(1)//") +
          "&returnform=" + host::EncodeUrl("</script><b>"))
          .body;
  for (const std::string& raw : {hostile, std::string("'];alert(1)"), std::string("<b>")})
    EXPECT_EQ(list.find(raw), std::string::npos) << raw;
  EXPECT_NE(list.find(" <a name='q&#39;&quot;&lt;i&gt;&amp;.png'></a>q&#39;&quot;&lt;i&gt;&amp;"
                      ".png (0 kB)"),
            std::string::npos);
  EXPECT_NE(list.find("forms['&lt;/script&gt;&lt;b&gt;'].elements['f\\&#39;];alert(1)//'].value="
                      "'q\\&#39;\\&quot;&lt;i&gt;&amp;.png';parent.close()"),
            std::string::npos);
  EXPECT_NE(list.find("&FileName=q%27%22%3Ci%3E%26%2Epng' target='console'"), std::string::npos);
  // The view link leads to the file itself: the name is one path segment of its URL.
  EXPECT_NE(list.find("<a href='/files/q%27%22%3Ci%3E%26.png' target='_blank'>"),
            std::string::npos);

  // The console takes the kept values from the session: URL-encoded in its links.
  const std::string console = Get("/page.ksp?PageKorVex=13").body;
  EXPECT_EQ(console.find("<b>"), std::string::npos);
  EXPECT_NE(console.find("=14&returnfield=f%27%5D%3Balert%281%29%2F%2F&returnform=%3C%2Fscript"
                         "%3E%3Cb%3E' METHOD=POST"),
            std::string::npos);

  const std::string frameset =
      Get("/page.ksp?PageKorVex=11&selected=" + host::EncodeUrl("'><script>x</script>")).body;
  EXPECT_EQ(frameset.find("<script>"), std::string::npos);
  EXPECT_NE(frameset.find("#&#39;&gt;&lt;script&gt;x&lt;/script&gt;'>"), std::string::npos);

  const std::string confirm =
      Get("/page.ksp?PageKorVex=16&FileName=" + host::EncodeUrl(hostile)).body;
  EXPECT_EQ(confirm.find(hostile), std::string::npos);
  EXPECT_NE(confirm.find("name=newname value='q&#39;&quot;&lt;i&gt;&amp;.png'>"),
            std::string::npos);
}

}  // namespace
}  // namespace korvex::testing
