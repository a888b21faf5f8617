#include "update/boot_update.h"

#include <gtest/gtest.h>

#include "update/fake_update_files.h"

namespace vantiro::update {
namespace {

TEST(BootAutoUpdateAllowed, OnlyWithTheSettingAndNoneOfTheGuards) {
  struct Case {
    bool cleanup, skip, visual, setting, allowed;
  };
  const Case cases[] = {{false, false, false, true, true}, {false, false, false, false, false},
                        {true, false, false, true, false}, {false, true, false, true, false},
                        {false, false, true, true, false}, {true, true, true, false, false}};
  for (const auto& c : cases)
    EXPECT_EQ(boot_auto_update_allowed(c.cleanup, c.skip, c.visual, c.setting), c.allowed)
        << c.cleanup << c.skip << c.visual << c.setting;
}

UpdateCheckResult announce(std::u16string version, std::uint64_t size) {
  UpdateCheckResult r;
  r.version = std::move(version);
  r.download_size = size;
  r.auto_install = true;
  return r;
}

class BootUpdateTest : public ::testing::Test {
 protected:
  UpdateCheckResult verified(bool auto_install) {
    UpdateCheckResult r;
    r.version = u"1.9.10";
    r.auto_install = auto_install;
    r.staged = std::make_unique<StagedUpdate>(fs, u"1.9.10", std::string(64, 'a'), 70000,
                                              "/app/Vantiro-update-{A}.tmp");
    return r;
  }
  testing::FakeUpdateFiles fs;
  BootUpdate boot;
};

TEST_F(BootUpdateTest, DownloadShownThenVerifiedUpdateInstalledAtOnce) {
  boot.on_check_started(true);
  EXPECT_EQ(boot.boot_line(false), u"Checking for updates …");
  EXPECT_EQ(boot.boot_line(true), u"Kontrollerar uppdateringar …");
  EXPECT_TRUE(boot.on_download_started(announce(u"1.9.10", 1000)));
  EXPECT_TRUE(boot.overlay);
  EXPECT_EQ(boot.boot_line(false), u"Downloading update 1.9.10 … (0 %)");
  boot.on_progress(620, 1000, false);
  EXPECT_EQ(boot.boot_line(true), u"Hämtar uppdatering 1.9.10 … (62 %)");
  boot.on_progress(1000, 1000, true);
  EXPECT_EQ(boot.boot_line(false), u"Verifying signature …");
  EXPECT_EQ(boot.boot_line(true), u"Verifierar signatur …");
  EXPECT_EQ(boot.on_check_finished(verified(true)), BootUpdate::Finish::install_now);
  EXPECT_TRUE(boot.restart_running);
  EXPECT_FALSE(boot.check_pending);
  EXPECT_EQ(boot.boot_line(false), u"Restarting Vantiro Studio …");
  EXPECT_EQ(boot.boot_line(true), u"Startar om Vantiro Studio …");
  // A second result cannot start a second installation.
  EXPECT_EQ(boot.on_check_finished(verified(true)), BootUpdate::Finish::handle_as_check);
}

TEST_F(BootUpdateTest, AFailedInstallationReleasesTheBoot) {
  boot.on_check_started(true);
  ASSERT_TRUE(boot.on_download_started(announce(u"1.9.10", 1000)));
  ASSERT_EQ(boot.on_check_finished(verified(true)), BootUpdate::Finish::install_now);
  boot.on_install_failed();
  EXPECT_FALSE(boot.restart_running);
  EXPECT_FALSE(boot.overlay);
  EXPECT_EQ(boot.boot_line(false), u"");
}

TEST_F(BootUpdateTest, AnAnnouncementOutsideThePendingStartUpCheckIsIgnored) {
  EXPECT_FALSE(boot.on_download_started(announce(u"1.9.10", 1000)));  // periodic check
  EXPECT_FALSE(boot.overlay);
  boot.on_check_started(true);
  EXPECT_FALSE(boot.on_download_started(announce(u"", 1000)));
  EXPECT_FALSE(boot.on_download_started(announce(u"1.9.10", 0)));
  EXPECT_FALSE(boot.overlay);
  boot.on_progress(10, 1000, false);
  EXPECT_EQ(boot.received, 0u);
}

TEST_F(BootUpdateTest, AfterTheWatchdogAVerifiedUpdateIsStagedNotInstalled) {
  boot.on_check_started(true);
  ASSERT_TRUE(boot.on_download_started(announce(u"1.9.10", 1000)));
  boot.on_watchdog();
  EXPECT_FALSE(boot.check_pending);
  EXPECT_FALSE(boot.overlay);
  EXPECT_EQ(boot.boot_line(false), u"");
  EXPECT_EQ(boot.on_check_finished(verified(true)), BootUpdate::Finish::handle_as_check);
  EXPECT_FALSE(boot.restart_running);
}

TEST_F(BootUpdateTest, WithTheSettingOffAFoundReleaseIsStagedWithoutABootDownload) {
  boot.on_check_started(false);
  EXPECT_EQ(boot.boot_line(false), u"");
  EXPECT_FALSE(boot.on_download_started(announce(u"1.9.10", 1000)));
  EXPECT_EQ(boot.on_check_finished(verified(false)), BootUpdate::Finish::handle_as_check);
  EXPECT_FALSE(boot.overlay);
}

TEST_F(BootUpdateTest, NothingNewEndsTheCheckAndTheOverlay) {
  boot.on_check_started(true);
  ASSERT_TRUE(boot.on_download_started(announce(u"1.9.10", 1000)));
  UpdateCheckResult failed;
  failed.version = u"1.9.10";
  failed.auto_install = true;
  EXPECT_EQ(boot.on_check_finished(failed), BootUpdate::Finish::handle_as_check);
  EXPECT_FALSE(boot.overlay);
  EXPECT_FALSE(boot.check_pending);
}

}  // namespace
}  // namespace vantiro::update
