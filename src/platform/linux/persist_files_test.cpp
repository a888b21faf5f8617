#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "persist/settings.h"
#include "persist/window_placement.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

class PersistFiles : public testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/vantiro-persist-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = Path(pattern);
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string read(const Path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  void write(const Path& p, std::string_view bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
  }

  Path dir_;
  std::unique_ptr<FileSystem> fs_ = make_file_system();
  std::unique_ptr<ProfileStore> profiles_ = make_profile_store(*fs_);
};

TEST_F(PersistFiles, SettingsFirstStartMigratesAndRoundTrips) {
  const Path settings = dir_ / "Vantiro" / "settings.ini";
  const Path window = dir_ / "Vantiro" / "window.ini";
  std::filesystem::create_directories(window.parent_path());
  write(window, "[window]\r\nexpanded=1\r\n");

  SettingsStore store = open_settings_store(*fs_, *profiles_, settings, window, false);
  EXPECT_TRUE(store.live.legacy_expanded_inherited);
  EXPECT_EQ(read(settings), serialize_settings(store.live));

  const AppSettings previous = store.live;
  store.live.zoom_percent = 125;
  store.live.fivem_resources_dir = "/srv/fx/resources \xC3\xA5\xC3\xA4\xC3\xB6";
  ASSERT_TRUE(commit_settings_change(store, *fs_, previous, true));
  const AppSettings back = load_settings(*fs_, *profiles_, settings, window);
  EXPECT_TRUE(same_values(back, store.live));
  EXPECT_TRUE(back.file_existed);
  // The atomic replace leaves no staging file behind.
  int entries = 0;
  for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(settings.parent_path()))
    ++entries;
  EXPECT_EQ(entries, 2);
}

TEST_F(PersistFiles, SettingsThatAreNoRegularFileAreNotReadNorReplacedAtStart) {
  const Path fifo = dir_ / "fifo.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const SettingsStore a = open_settings_store(*fs_, *profiles_, fifo, Path(), false);
  EXPECT_TRUE(a.live.file_existed);
  EXPECT_TRUE(a.live.unreadable);
  EXPECT_EQ(std::filesystem::status(fifo).type(), std::filesystem::file_type::fifo);

  const Path target = dir_ / "real.ini";
  write(target, "[settings]\nschema=1\nlanguage=sv\n");
  const Path link = dir_ / "link.ini";
  std::filesystem::create_symlink(target, link);
  const SettingsStore b = open_settings_store(*fs_, *profiles_, link, Path(), false);
  EXPECT_TRUE(b.live.file_existed);
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(read(target), "[settings]\nschema=1\nlanguage=sv\n");
}

struct OneMonitor final : WorkAreas {
  std::optional<ScreenRect> primary_work_area() override { return ScreenRect{0, 0, 1920, 1040}; }
  std::optional<ScreenRect> nearest_work_area(const ScreenRect&) override {
    return ScreenRect{0, 0, 1920, 1040};
  }
};

TEST_F(PersistFiles, WindowPlacementSurvivesARestart) {
  const Path window = dir_ / "Vantiro" / "window.ini";
  ASSERT_TRUE(save_window_placement(*fs_, *profiles_, window, {40, 30, 1200, 800, false}, true));
  OneMonitor areas;
  const LoadedWindowPlacement back = load_window_placement(*profiles_, areas, window);
  EXPECT_EQ(back.placement, (WindowPlacement{40, 30, 1200, 800, false}));
  EXPECT_TRUE(back.sidebar_expanded);
}

}  // namespace
}  // namespace vantiro::platform
