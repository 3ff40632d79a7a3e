#include "host/http/static_files.h"

#include <gtest/gtest.h>

#include "http/http_test_support.h"

namespace korvex::host::http {
namespace {

using Kind = ResolvedTarget::Kind;
namespace fs = std::filesystem;

class ResolveTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_.Write("hello.txt", "hi");
    site_.Write("a/page.ksp", "<%= 1 %>");
    site_.Write("a/b/index.html", "<p>b</p>");
    site_.Write("a b/c.css", "x");
    site_.Write("UPPER.KSP", "<%= 2 %>");
    root_ = fs::canonical(site_.path());
    // A link inside the site that points out of it.
    outside_.Write("secret.txt", "secret");
    fs::create_symlink(outside_.path() / "secret.txt", site_.path() / "link.txt");
    fs::create_directory_symlink(outside_.path(), site_.path() / "linkdir");
  }

  ResolvedTarget Resolve(std::string_view path) { return ResolveTarget(root_, path); }

  testing::TempSite site_, outside_;
  fs::path root_;
};

TEST_F(ResolveTargetTest, FindsFilesAndPagesUnderTheRoot) {
  ResolvedTarget file = Resolve("/hello.txt");
  EXPECT_EQ(file.kind, Kind::kFile);
  EXPECT_EQ(file.file, root_ / "hello.txt");

  ResolvedTarget page = Resolve("/a/page.ksp");
  EXPECT_EQ(page.kind, Kind::kPage);
  EXPECT_EQ(page.script_name, "/a/page.ksp");

  // Decoded before the lookup; repeated slashes and "." collapse.
  EXPECT_EQ(Resolve("/a%20b/c.css").file, root_ / "a b" / "c.css");
  EXPECT_EQ(Resolve("//a/./page.ksp").script_name, "/a/page.ksp");
  EXPECT_EQ(Resolve("/%61/page.ksp").kind, Kind::kPage);

  // A page in another letter case is still a page: its source is never sent.
  EXPECT_EQ(Resolve("/UPPER.KSP").kind, Kind::kPage);
}

TEST_F(ResolveTargetTest, FoldersRedirectThenServeTheirDefaultDocument) {
  ResolvedTarget redirect = Resolve("/a/b");
  EXPECT_EQ(redirect.kind, Kind::kRedirect);
  EXPECT_EQ(redirect.location, "/a/b/");
  // The location is rebuilt from the decoded path, never echoed raw.
  EXPECT_EQ(Resolve("//a%20b").location, "/a%20b/");

  ResolvedTarget index = Resolve("/a/b/");
  EXPECT_EQ(index.kind, Kind::kFile);
  EXPECT_EQ(index.file, root_ / "a" / "b" / "index.html");
  EXPECT_EQ(index.script_name, "/a/b/index.html");

  EXPECT_EQ(Resolve("/a/").kind, Kind::kNotFound);  // no listing of folders
  EXPECT_EQ(Resolve("/missing.txt").kind, Kind::kNotFound);
  EXPECT_EQ(Resolve("/missing/page.ksp").kind, Kind::kNotFound);
}

TEST_F(ResolveTargetTest, RefusesEveryWayOutOfTheRoot) {
  struct Case {
    const char* path;
    Kind kind;
  };
  const Case cases[] = {
      {"/../hello.txt", Kind::kBadRequest},
      {"/a/../hello.txt", Kind::kBadRequest},
      {"/a/..", Kind::kBadRequest},
      {"/%2e%2e/etc/passwd", Kind::kBadRequest},
      {"/%2E%2E/etc/passwd", Kind::kBadRequest},
      {"/.%2e/etc/passwd", Kind::kBadRequest},
      {"/a%2f..%2f..%2fetc%2fpasswd", Kind::kBadRequest},
      {"/%2fetc%2fpasswd", Kind::kBadRequest},
      {"/..%5c..%5cetc", Kind::kBadRequest},
      {"/a\\..\\hello.txt", Kind::kBadRequest},
      {"/hello.txt%00.ksp", Kind::kBadRequest},
      {"/bad%zz", Kind::kBadRequest},
      {"/bad%4", Kind::kBadRequest},
      {"etc/passwd", Kind::kBadRequest},
      {"", Kind::kBadRequest},
      {"//etc/passwd", Kind::kNotFound},  // stays under the root: root/etc/passwd
      {"/link.txt", Kind::kNotFound},
      {"/linkdir/secret.txt", Kind::kNotFound},
  };
  for (const Case& c : cases) {
    ResolvedTarget r = Resolve(c.path);
    EXPECT_EQ(r.kind, c.kind) << c.path;
    EXPECT_TRUE(r.file.empty()) << c.path;
  }
}

TEST_F(ResolveTargetTest, VirtualFolderServesPlainFilesFromElsewhere) {
  outside_.Write("img/a.png", "png");
  outside_.Write("img/up.ksp", "<%= 3 %>");
  outside_.Write("img/sub/b.txt", "b");
  const VirtualFolders folders = {{"files", fs::canonical(outside_.path() / "img")}};
  auto resolve = [&](std::string_view path) { return ResolveTarget(root_, path, folders); };

  ResolvedTarget file = resolve("/files/a.png");
  EXPECT_EQ(file.kind, Kind::kFile);
  EXPECT_EQ(file.file, fs::canonical(outside_.path() / "img" / "a.png"));
  EXPECT_EQ(file.script_name, "/files/a.png");
  EXPECT_EQ(resolve("/%66iles/sub/b.txt").kind, Kind::kFile);
  EXPECT_EQ(resolve("/files").location, "/files/");
  EXPECT_EQ(resolve("/files/sub").location, "/files/sub/");
  // A page put there is neither run nor sent; the site's own files stay where they were.
  EXPECT_EQ(resolve("/files/up.ksp").kind, Kind::kNotFound);
  EXPECT_EQ(resolve("/hello.txt").kind, Kind::kFile);
  EXPECT_EQ(resolve("/files/../hello.txt").kind, Kind::kBadRequest);
  EXPECT_EQ(resolve("/files/%2e%2e/secret.txt").kind, Kind::kBadRequest);
  EXPECT_EQ(resolve("/files/missing.png").kind, Kind::kNotFound);
}

TEST(ContentType, ByExtensionInAnyCase) {
  EXPECT_EQ(ContentTypeFor("a/b.HTML"), "text/html");
  EXPECT_EQ(ContentTypeFor("x.css"), "text/css");
  EXPECT_EQ(ContentTypeFor("x.woff2"), "font/woff2");
  EXPECT_EQ(ContentTypeFor("x.avif"), "image/avif");
  EXPECT_EQ(ContentTypeFor("x.zip"), "application/zip");
  EXPECT_EQ(ContentTypeFor("README"), "application/octet-stream");
  EXPECT_EQ(ContentTypeFor("x.unknown"), "application/octet-stream");
}

TEST(HttpDate, FormatsAndReadsTheThreeForms) {
  EXPECT_EQ(FormatHttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
  EXPECT_EQ(ParseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
  EXPECT_EQ(ParseHttpDate("Sunday, 06-Nov-94 08:49:37 GMT"), 784111777);
  EXPECT_EQ(ParseHttpDate("Sun Nov  6 08:49:37 1994"), 784111777);
  EXPECT_EQ(ParseHttpDate(FormatHttpDate(1700000000)), 1700000000);

  for (const char* bad :
       {"", "yesterday", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Foo 1994 08:49:37 GMT",
        "Sun, 06 Nov 1994 25:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 GMT junk"}) {
    EXPECT_FALSE(ParseHttpDate(bad).has_value()) << bad;
  }
}

}  // namespace
}  // namespace korvex::host::http
