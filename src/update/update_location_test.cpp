#include "update/update_location.h"

#include <gtest/gtest.h>

#include <set>

#include "update/fake_update_files.h"

namespace vantiro::update {
namespace {

TEST(UpdateDownloadFolder, PrefersTheProgramFolderThenThePerUserFolder) {
  testing::FakeUpdateFiles fs;
  fs.folders = {"/opt/vantiro"};
  EXPECT_EQ(update_download_folder(fs, "/opt/vantiro", Path("/home/u/App"), 7),
            Path("/opt/vantiro"));
  fs.unwritable_folders = {"/opt/vantiro"};
  EXPECT_EQ(update_download_folder(fs, "/opt/vantiro", Path("/home/u/App"), 7),
            Path("/home/u/App"));
  EXPECT_TRUE(fs.folders.count("/home/u/App"));
  EXPECT_EQ(update_download_folder(fs, "/opt/vantiro", std::nullopt, 7), std::nullopt);
}

TEST(NewGuidText, IsBracedVersion4AndFresh) {
  std::set<std::u16string> seen;
  for (int i = 0; i < 50; ++i) {
    const auto g = new_guid_text();
    ASSERT_EQ(g.size(), 38u);
    EXPECT_EQ(g.front(), u'{');
    EXPECT_EQ(g.back(), u'}');
    for (std::size_t k : {9u, 14u, 19u, 24u}) EXPECT_EQ(g[k], u'-');
    EXPECT_EQ(g[15], u'4');
    EXPECT_NE(std::u16string_view(u"89AB").find(g[20]), std::u16string_view::npos);
    EXPECT_TRUE(seen.insert(g).second);
  }
  EXPECT_EQ(update_temp_file("/app", u"{X}"), Path("/app/Vantiro-update-{X}.tmp"));
}

}  // namespace
}  // namespace vantiro::update
