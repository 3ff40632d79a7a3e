#include <gtest/gtest.h>

#include "core/automation_error.h"
#include "core/class_registry.h"
#include "core/member_table.h"
#include "host/intrinsics.h"
#include "host/temp_folder.h"
#include "support/error_number.h"

namespace korvex::host {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

int32_t MapPathError(const Server& server, const std::string& path) {
  try {
    server.MapPath(path);
  } catch (const AutomationError& e) {
    return e.number();
  }
  return 0;
}

class MapPath : public ::testing::Test {
 protected:
  MapPath() : root_(site_.path() / "site"), server_(root_, "/admin/t.ksp") {
    fs::create_directories(root_ / "admin");
    fs::create_directories(root_ / "files");
    fs::create_directories(outside_.path() / "secret");
  }
  TempFolder site_, outside_;
  fs::path root_;
  Server server_;
};

TEST_F(MapPath, MapsFromTheRootOrFromThePageFolder) {
  EXPECT_EQ(server_.MapPath("/a/b.txt"), (root_ / "a" / "b.txt").string());
  EXPECT_EQ(server_.MapPath("b.txt"), (root_ / "admin" / "b.txt").string());
  EXPECT_EQ(server_.MapPath("./x/../y"), (root_ / "admin" / "y").string());
  EXPECT_EQ(server_.MapPath("../files/%C3%A9.png"), (root_ / "files" / "\xC3\xA9.png").string());
  EXPECT_EQ(server_.MapPath("/"), root_.string());
  EXPECT_EQ(server_.MapPath(""), (root_ / "admin").string());
  // A path that only looks like an escape once decoded twice is an ordinary name.
  EXPECT_EQ(server_.MapPath("%252e%252e"), (root_ / "admin" / "%2e%2e").string());
}

TEST_F(MapPath, RefusesEveryWayOutOfTheRoot) {
  for (const char* path :
       {"../../x", "/..", "/../site2/x", "%2e%2e/%2e%2e/etc/passwd", "/a/..%2f..%2f..%2fetc",
        "..\\..\\x", "\\etc\\passwd", "C:/Windows", "c:x", "/x%00.txt", "%2E%2E/%2E%2E"})
    EXPECT_EQ(MapPathError(server_, path), err::kPermissionDenied) << path;
}

TEST_F(MapPath, FollowsLinksAndRefusesThoseLeadingOut) {
  fs::create_directory_symlink(outside_.path() / "secret", root_ / "files" / "out");
  fs::create_directory_symlink(root_ / "admin", root_ / "files" / "in");
  fs::create_symlink(outside_.path() / "secret" / "not-yet", root_ / "dangling");
  fs::create_symlink(root_ / "loop", root_ / "loop");
  EXPECT_EQ(MapPathError(server_, "/files/out"), err::kPermissionDenied);
  EXPECT_EQ(MapPathError(server_, "/files/out/new.txt"), err::kPermissionDenied);
  EXPECT_EQ(MapPathError(server_, "/dangling"), err::kPermissionDenied);
  EXPECT_EQ(MapPathError(server_, "/loop/x"), err::kPermissionDenied);
  EXPECT_EQ(server_.MapPath("/files/in/x.txt"), (root_ / "files" / "in" / "x.txt").string());
}

TEST_F(MapPath, RootGivenThroughALinkStillWorks) {
  fs::create_directory_symlink(root_, site_.path() / "alias");
  Server server(site_.path() / "alias", "/t.ksp");
  EXPECT_EQ(server.MapPath("/admin/x"), (site_.path() / "alias" / "admin" / "x").string());
  EXPECT_EQ(MapPathError(server, "/../site/admin"), err::kPermissionDenied);
}

TEST_F(MapPath, VirtualFolderMapsElsewhereAndStaysConfinedThere) {
  fs::create_directories(outside_.path() / "uploads");
  Server server(root_, "/admin/t.ksp", {{"files", outside_.path() / "uploads"}});
  EXPECT_EQ(server.MapPath("/files/a.png"), (outside_.path() / "uploads" / "a.png").string());
  EXPECT_EQ(server.MapPath("../files/"), (outside_.path() / "uploads").string());
  // ".." is applied first: what leaves the folder lands back in the site, never beside it.
  EXPECT_EQ(server.MapPath("/files/../admin/x"), (root_ / "admin" / "x").string());
  EXPECT_EQ(server.MapPath("/Files/a.png"), (root_ / "Files" / "a.png").string());
  EXPECT_EQ(server.MapPath("/admin/files/a"), (root_ / "admin" / "files" / "a").string());
  EXPECT_EQ(MapPathError(server, "/files/../../x"), err::kPermissionDenied);
  fs::create_directory_symlink(outside_.path() / "secret", outside_.path() / "uploads" / "out");
  EXPECT_EQ(MapPathError(server, "/files/out/x"), err::kPermissionDenied);
}

TEST(Server, MapPathWithoutASiteRootRaises) {
  Server server(std::nullopt, "/t.ksp");
  EXPECT_EQ(MapPathError(server, "/x"), err::kPathNotFound);
}

// The encoders themselves are tested in encoding_test.cpp; pages reach them by name.
TEST(Server, EncodersTakeNullAsEmptyText) {
  auto server = std::make_shared<Server>(std::nullopt, "/t.ksp");
  Variant null[] = {Variant::Null()};
  EXPECT_EQ(ToText(server->Call("HTMLEncode", null)), "");
  EXPECT_EQ(ToText(server->Call("urlencode", null)), "");
}

/// A creatable class that wants the page's context, as the component's main object does.
class ContextProbe : public Dispatch, public PageObject {
 public:
  const MemberTable& Members() const override {
    static const MemberTable table("ContextProbe", {});
    return table;
  }
  void OnStartPage(const std::shared_ptr<Dispatch>& context) override { context_ = context; }
  std::shared_ptr<Dispatch> context_;
};

TEST(Server, CreateObjectStartsPageObjectsWithTheContext) {
  RegisterClass<ContextProbe>(ClassRegistry::Global(), "Korvex.HostContextProbe");
  auto context = std::make_shared<ScriptingContext>();
  context->Request = std::make_shared<Request>(RequestData{});
  context->Server = std::make_shared<Server>(std::nullopt, "/t.ksp");
  context->Server->AttachContext(context);

  Variant id[] = {Variant("korvex.hostcontextprobe")};
  Variant created = context->Server->Call("CreateObject", id);
  auto probe = std::dynamic_pointer_cast<ContextProbe>(created.AsObject());
  ASSERT_TRUE(probe);
  ASSERT_EQ(probe->context_, context);
  EXPECT_EQ(probe->context_->Get("Request").AsObject(), context->Request);

  Variant unknown[] = {Variant("Korvex.NoSuchClass")};
  EXPECT_EQ(korvex::testing::ErrorNumberOf([&] { context->Server->Call("CreateObject", unknown); }),
            -2147221005);
}

}  // namespace
}  // namespace korvex::host
