// The site's link secret: made once and kept privately in the state folder, one per site,
// and never silently replaced when its file is damaged.
#include "host/site_secret.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <stdexcept>

#include "host/temp_folder.h"

namespace korvex::host {
namespace {

TEST(SiteSecret, MadeOnceKeptPrivatelyOnePerSite) {
  testing::TempFolder state;
  const std::string first = SiteSecret(state.path(), "/srv/www/shop");
  EXPECT_EQ(first.size(), 32u);
  EXPECT_EQ(SiteSecret(state.path(), "/srv/www/shop"), first);
  EXPECT_NE(SiteSecret(state.path(), "/srv/www/other"), first);

  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(state.path() / "link-secrets")) {
    ++files;
    struct stat st;
    ASSERT_EQ(stat(entry.path().c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u) << entry.path();
  }
  EXPECT_EQ(files, 2u);  // no drafts left behind

  // A damaged secret is reported, not replaced: links signed with it would all break.
  for (const auto& entry : std::filesystem::directory_iterator(state.path() / "link-secrets"))
    std::filesystem::resize_file(entry.path(), 5);
  EXPECT_THROW(SiteSecret(state.path(), "/srv/www/shop"), std::runtime_error);
}

}  // namespace
}  // namespace korvex::host
