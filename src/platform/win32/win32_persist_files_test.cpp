#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "persist/settings.h"
#include "persist/window_placement.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

class Win32PersistFiles : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    dir_ = Path(temp) / (L"vantiro-persist-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                         std::to_wstring(GetTickCount64()));
  }
  void TearDown() override {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }

  Path dir_;
  std::unique_ptr<FileSystem> fs_ = make_file_system();
  std::unique_ptr<ProfileStore> profiles_ = make_profile_store(*fs_);
};

struct OneMonitor final : WorkAreas {
  std::optional<ScreenRect> primary_work_area() override { return ScreenRect{0, 0, 1920, 1040}; }
  std::optional<ScreenRect> nearest_work_area(const ScreenRect&) override {
    return ScreenRect{0, 0, 1920, 1040};
  }
};

TEST_F(Win32PersistFiles, PlacementWrittenBySystemProfileFunctionsFeedsBothLoaders) {
  const Path window = dir_ / L"Vantiro" / L"window.ini";
  const Path settings = dir_ / L"Vantiro" / L"settings.ini";
  ASSERT_TRUE(save_window_placement(*fs_, *profiles_, window, {-12, 30, 1200, 800, false}, true));
  OneMonitor areas;
  const LoadedWindowPlacement back = load_window_placement(*profiles_, areas, window);
  EXPECT_EQ(back.placement, (WindowPlacement{360, 30, 1200, 800, false}));
  EXPECT_TRUE(back.sidebar_expanded);

  SettingsStore store = open_settings_store(*fs_, *profiles_, settings, window, false);
  EXPECT_TRUE(store.live.sidebar_expanded);
  EXPECT_TRUE(store.live.legacy_expanded_inherited);
  EXPECT_EQ(fs_->kind(settings), PathKind::regular_file);

  const AppSettings previous = store.live;
  store.live.language = LanguageSetting::en;
  store.live.fivem_resources_dir = "C:\\FXServer\\server-data\\resources \xC3\xA5\xC3\xA4\xC3\xB6";
  ASSERT_TRUE(commit_settings_change(store, *fs_, previous, false));
  EXPECT_TRUE(same_values(load_settings(*fs_, *profiles_, settings, window), store.live));
}

}  // namespace
}  // namespace vantiro::platform
