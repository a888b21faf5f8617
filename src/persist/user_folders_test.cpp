#include "persist/user_folders.h"

#include <gtest/gtest.h>

namespace vantiro {
namespace {

struct FixedFolders final : UserFolders {
  std::optional<Path> local;
  Path temp = Path(u"/tmp");
  std::optional<Path> local_app_data() override { return local; }
  Path temp_dir() override { return temp; }
};

TEST(UserFolders, PathsUnderTheLocalDataFolder) {
  FixedFolders f;
  f.local = Path(u"/home/u/.local/share");
  EXPECT_EQ(app_data_folder(f), Path(u"/home/u/.local/share") / u"Vantiro");
  EXPECT_EQ(settings_file_path(f, Path()),
            Path(u"/home/u/.local/share") / u"Vantiro" / u"settings.ini");
  EXPECT_EQ(window_ini_path(f), Path(u"/home/u/.local/share") / u"Vantiro" / u"window.ini");
  EXPECT_EQ(startup_window_ini_path(f, Path()), window_ini_path(f));
}

TEST(UserFolders, WithoutTheLocalFolderOnlyThePlacementFallsBackToTemp) {
  for (const std::optional<Path>& local : {std::optional<Path>(), std::optional<Path>(Path())}) {
    FixedFolders f;
    f.local = local;
    EXPECT_EQ(app_data_folder(f), Path(u"/tmp") / u"Vantiro");
    EXPECT_TRUE(settings_file_path(f, Path()).empty());
    EXPECT_EQ(window_ini_path(f), Path(u"/tmp") / u"Vantiro" / u"window.ini");
  }
}

TEST(UserFolders, VisualCheckKeepsItsFilesInItsFolder) {
  FixedFolders f;
  const Path dir(u"/runs/check 1");
  EXPECT_EQ(settings_file_path(f, dir), dir / u"settings.ini");
  f.local = Path(u"/home/u/.local/share");
  EXPECT_EQ(settings_file_path(f, dir), dir / u"settings.ini");
  EXPECT_EQ(startup_window_ini_path(f, dir), dir / u"visual-window.ini");
}

}  // namespace
}  // namespace vantiro
