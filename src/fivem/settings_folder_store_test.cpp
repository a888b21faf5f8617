#include "fivem/settings_folder_store.h"

#include <gtest/gtest.h>

#include "common/fake_file_system.h"
#include "common/utf.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"

namespace vantiro {
namespace {

using namespace testing_fs;
using Status = FolderPickResult::Status;

const Path kSettings = Path(u"/home/u/.local/share/Vantiro/settings.ini");
const std::u16string kChosen = u"/srv/fx/server-data/resources \u00e5\u00e4\u00f6";
const std::string kChosenUtf8 = "/srv/fx/server-data/resources \xc3\xa5\xc3\xa4\xc3\xb6";

// The folder choice wired to the real settings record over an in-memory file system.
struct SettingsBackedChoice : ::testing::Test {
  FakeFileSystem files;
  SettingsStore settings;
  bool ui_swedish = false;
  SettingsFolderStore store{settings, files, ui_swedish};
  FakeResourceFs rfs;
  ScriptedFolderPicker picker;
  RecordingChrome chrome;
  FiveMFolderChoice choice{picker, rfs, store, chrome};

  void SetUp() override {
    settings.path = kSettings;
    settings.live.zoom_percent = 125;
    rfs.add(kChosen, FakeResourceFs::Kind::folder);
    rfs.add(u"/srv/old", FakeResourceFs::Kind::folder);
  }
  AppSettings saved() const { return parse_settings(files.contents(kSettings)); }
  void store_old_folder() {
    settings.live.fivem_resources_dir = "/srv/old";
    files.add_file(kSettings, serialize_settings(settings.live));
  }
};

TEST_F(SettingsBackedChoice, AChosenFolderIsSavedAsUtf8WithTheOtherValuesKept) {
  picker.next = {Status::chosen, kChosen};
  const auto outcome = choice.pick_fivem_folder(false);
  ASSERT_EQ(outcome, FiveMPickOutcome::chosen);
  EXPECT_EQ(settings.live.fivem_resources_dir, kChosenUtf8);
  EXPECT_EQ(saved().fivem_resources_dir, kChosenUtf8);
  EXPECT_EQ(saved().zoom_percent, 125u);
  EXPECT_EQ(choice.stored_fivem_folder(), kChosen);
  EXPECT_EQ(choice.fivem_folder_name(), u"resources \u00e5\u00e4\u00f6");
  EXPECT_TRUE(choice.is_fivem_folder_configured());
  EXPECT_EQ(fivem_folder_for_writer(settings.live), kChosen);
  choice.show_fivem_pick_notice(outcome, false);
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"FiveM folder selected: resources \u00e5\u00e4\u00f6");
}

TEST_F(SettingsBackedChoice, AFailedSaveRollsBackAndIsReportedAsAFailedChoice) {
  struct Case {
    const char* what;
    bool read_only;
    bool swedish;
    std::u16string_view notice;
    std::u16string_view reason;
  };
  const Case cases[] = {
      {"save fails, English", false, false, u"Could not choose folder",
       u"Could not save settings. Please try again."},
      {"save fails, Swedish", false, true, u"Kunde inte v\u00e4lja mapp",
       u"Kunde inte spara inst\u00e4llningarna. F\u00f6rs\u00f6k igen."},
      {"read-only settings", true, false, u"Could not choose folder",
       u"Settings file is read-only or from a newer version."},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    SettingsStore s;
    s.path = kSettings;
    s.read_only = c.read_only;
    s.live.fivem_resources_dir = "/srv/old";
    fs.add_file(kSettings, serialize_settings(s.live));
    const std::string before = fs.contents(kSettings);
    fs.fail_replace(kSettings);
    bool swedish = c.swedish;
    SettingsFolderStore st(s, fs, swedish);
    RecordingChrome ch;
    FiveMFolderChoice fc(picker, rfs, st, ch);
    picker.next = {Status::chosen, kChosen};

    const auto outcome = fc.pick_fivem_folder(c.swedish);
    EXPECT_EQ(outcome, FiveMPickOutcome::failed) << c.what;
    EXPECT_EQ(s.live.fivem_resources_dir, "/srv/old") << c.what;
    EXPECT_EQ(fs.contents(kSettings), before) << c.what;
    EXPECT_EQ(s.settings_error_text, c.reason) << c.what;
    EXPECT_EQ(fc.stored_fivem_folder(), u"/srv/old") << c.what;
    EXPECT_EQ(ch.repaints, 0) << c.what;
    fc.show_fivem_pick_notice(outcome, c.swedish);
    ASSERT_EQ(ch.notices.size(), 1u) << c.what;
    EXPECT_EQ(ch.notices[0].text, c.notice) << c.what;
    EXPECT_FALSE(ch.notices[0].success) << c.what;
    EXPECT_EQ(ch.notices[0].duration_ms, 3500u) << c.what;
  }
}

TEST_F(SettingsBackedChoice, AnInvalidFolderIsNeverSaved) {
  store_old_folder();
  const std::string before = files.contents(kSettings);
  const int replaces = files.replace_calls();
  struct Case {
    const char* what;
    std::u16string path;
  };
  const Case cases[] = {
      {"513 bytes of UTF-8", u"/" + std::u16string(256, u'\u00e5')},
      {"trailing space", u"/srv/fx "},
      {"line break", u"/srv/fx\nschema=2"},
      {"relative", u"srv/fx"},
      {"unpaired surrogate", std::u16string(u"/srv/") + char16_t(0xD800)},
  };
  for (const auto& c : cases) {
    picker.next = {Status::chosen, c.path};
    EXPECT_EQ(choice.pick_fivem_folder(false), FiveMPickOutcome::invalid_folder) << c.what;
    EXPECT_EQ(settings.live.fivem_resources_dir, "/srv/old") << c.what;
  }
  EXPECT_EQ(files.replace_calls(), replaces);
  EXPECT_EQ(files.contents(kSettings), before);
}

TEST_F(SettingsBackedChoice, TheStoreItselfRefusesAValueTheRuleRefuses) {
  store_old_folder();
  EXPECT_FALSE(store.accepts_folder(std::string(513, 'a')));
  EXPECT_TRUE(store.accepts_folder(std::string(512, 'a')));
  EXPECT_FALSE(store.commit_folder(" /srv/x"));
  EXPECT_FALSE(store.commit_folder(std::string("/srv/\0x", 7)));
  EXPECT_EQ(store.stored_folder(), "/srv/old");
  EXPECT_EQ(saved().fivem_resources_dir, "/srv/old");
}

TEST_F(SettingsBackedChoice, ClearingSavesAnEmptyFolderAndAnnouncesIt) {
  store_old_folder();
  ui_swedish = true;
  EXPECT_TRUE(choice.clear_fivem_folder(true));
  EXPECT_EQ(settings.live.fivem_resources_dir, "");
  EXPECT_EQ(saved().fivem_resources_dir, "");
  EXPECT_EQ(saved().zoom_percent, 125u);
  EXPECT_FALSE(choice.is_fivem_folder_configured());
  EXPECT_EQ(choice.fivem_folder_name(), u"");
  EXPECT_EQ(fivem_folder_for_writer(settings.live), u"");
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"FiveM-mappen \u00e4r bortkopplad");
}

TEST_F(SettingsBackedChoice, ClearingAReadOnlySettingsFileKeepsTheFolderAndSaysNothing) {
  store_old_folder();
  settings.read_only = true;
  EXPECT_FALSE(choice.clear_fivem_folder(false));
  EXPECT_EQ(settings.live.fivem_resources_dir, "/srv/old");
  EXPECT_EQ(saved().fivem_resources_dir, "/srv/old");
  EXPECT_TRUE(chrome.notices.empty());
  EXPECT_EQ(settings.settings_error_text, u"Settings file is read-only or from a newer version.");
}

TEST_F(SettingsBackedChoice, TheReasonFollowsTheLanguageAtTheTimeOfTheCommit) {
  files.fail_replace(kSettings);
  ui_swedish = false;
  EXPECT_FALSE(store.commit_folder("/srv/a"));
  EXPECT_EQ(settings.settings_error_text, u"Could not save settings. Please try again.");
  ui_swedish = true;
  EXPECT_FALSE(store.commit_folder("/srv/a"));
  EXPECT_EQ(settings.settings_error_text,
            u"Kunde inte spara inst\u00e4llningarna. F\u00f6rs\u00f6k igen.");
  EXPECT_EQ(store.stored_folder(), "");
}

TEST(FiveMFolderForWriter, IsTheStoredTextAsUtf16OrEmptyWhenItIsNotUtf8) {
  AppSettings s;
  s.fivem_resources_dir = "C:\\FXServer\\server-data\\resources \xc3\xa5\xc3\xa4\xc3\xb6";
  EXPECT_EQ(fivem_folder_for_writer(s), u"C:\\FXServer\\server-data\\resources \u00e5\u00e4\u00f6");
  s.fivem_resources_dir = "C:\\bad\xff";
  EXPECT_EQ(fivem_folder_for_writer(s), u"");
  s.fivem_resources_dir.clear();
  EXPECT_EQ(fivem_folder_for_writer(s), u"");
}

}  // namespace
}  // namespace vantiro
