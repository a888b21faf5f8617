#include "fivem/folder_choice.h"

#include <gtest/gtest.h>

#include "common/utf.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"

namespace vantiro {
namespace {

using namespace testing_fs;
using Status = FolderPickResult::Status;

struct FolderChoice : ::testing::Test {
  FakeResourceFs fs;
  ScriptedFolderPicker picker;
  MemoryFolderStore store;
  RecordingChrome chrome;
  FiveMFolderChoice choice{picker, fs, store, chrome};

  void SetUp() override {
    fs.add(u"/srv/fx/resources \u00e5\u00e4\u00f6", FakeResourceFs::Kind::folder);
    fs.add(u"/srv/old", FakeResourceFs::Kind::folder);
  }
};

TEST_F(FolderChoice, AChosenFolderIsStoredAsUtf8AndAnnouncedByName) {
  picker.next = {Status::chosen, u"/srv/fx/resources \u00e5\u00e4\u00f6"};
  const auto outcome = choice.pick_fivem_folder(false);
  EXPECT_EQ(outcome, FiveMPickOutcome::chosen);
  EXPECT_EQ(store.value, "/srv/fx/resources \xc3\xa5\xc3\xa4\xc3\xb6");
  EXPECT_EQ(chrome.repaints, 1);
  EXPECT_TRUE(choice.is_fivem_folder_configured());
  EXPECT_EQ(choice.fivem_folder_name(), u"resources \u00e5\u00e4\u00f6");
  ASSERT_EQ(picker.requests.size(), 1u);
  EXPECT_EQ(picker.titles[0], u"Choose your FiveM resources folder");
  EXPECT_EQ(picker.requests[0].initial_folder, u"");

  choice.show_fivem_pick_notice(outcome, false);
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"FiveM folder selected: resources \u00e5\u00e4\u00f6");
  EXPECT_TRUE(chrome.notices[0].success);
  EXPECT_EQ(chrome.notices[0].duration_ms, 5000u);
  choice.show_fivem_pick_notice(outcome, true);
  EXPECT_EQ(chrome.notices[1].text, u"FiveM-mapp vald: resources \u00e5\u00e4\u00f6");
}

TEST_F(FolderChoice, WithAConfiguredFolderTheDialogOpensInsideIt) {
  store.value = "/srv/old";
  picker.next = {Status::cancelled, {}};
  EXPECT_EQ(choice.pick_fivem_folder(true), FiveMPickOutcome::cancelled);
  ASSERT_EQ(picker.requests.size(), 1u);
  EXPECT_EQ(picker.requests[0].initial_folder, u"/srv/old");
  EXPECT_EQ(picker.titles[0], u"V\u00e4lj din FiveM resources-mapp");
  EXPECT_EQ(store.value, "/srv/old");
}

TEST_F(FolderChoice, EveryOutcomeHasItsNoticeOrNone) {
  struct Case {
    std::string label;
    Status status;
    std::u16string path;
    bool fail_commit;
    FiveMPickOutcome outcome;
    std::u16string en, sv;  // empty: no notice
  };
  const std::vector<Case> cases = {
      {"cancelled", Status::cancelled, u"", false, FiveMPickOutcome::cancelled, u"", u""},
      {"dialog failed", Status::failed, u"", false, FiveMPickOutcome::failed,
       u"Could not choose folder", u"Kunde inte v\u00e4lja mapp"},
      {"save failed", Status::chosen, u"/srv/fx", true, FiveMPickOutcome::failed,
       u"Could not choose folder", u"Kunde inte v\u00e4lja mapp"},
      {"513 bytes", Status::chosen, u"/" + std::u16string(512, u'a'), false,
       FiveMPickOutcome::invalid_folder, u"Folder path is too long or invalid",
       u"Mappens s\u00f6kv\u00e4g \u00e4r f\u00f6r l\u00e5ng eller ogiltig"},
      {"relative", Status::chosen, u"srv/fx", false, FiveMPickOutcome::invalid_folder,
       u"Folder path is too long or invalid",
       u"Mappens s\u00f6kv\u00e4g \u00e4r f\u00f6r l\u00e5ng eller ogiltig"},
      {"lone surrogate", Status::chosen, u"/srv/\xd800x", false, FiveMPickOutcome::invalid_folder,
       u"Folder path is too long or invalid",
       u"Mappens s\u00f6kv\u00e4g \u00e4r f\u00f6r l\u00e5ng eller ogiltig"},
      {"line feed", Status::chosen, u"/srv/a\nb", false, FiveMPickOutcome::invalid_folder,
       u"Folder path is too long or invalid",
       u"Mappens s\u00f6kv\u00e4g \u00e4r f\u00f6r l\u00e5ng eller ogiltig"},
  };
  for (const auto& c : cases) {
    store.value = "/srv/old";
    store.fail_commits = c.fail_commit;
    picker.next = {c.status, c.path};
    chrome.notices.clear();
    const auto outcome = choice.pick_fivem_folder(false);
    EXPECT_EQ(outcome, c.outcome) << c.label;
    EXPECT_EQ(store.value, "/srv/old") << c.label;
    choice.show_fivem_pick_notice(outcome, false);
    choice.show_fivem_pick_notice(outcome, true);
    if (c.en.empty()) {
      EXPECT_TRUE(chrome.notices.empty()) << c.label;
      continue;
    }
    ASSERT_EQ(chrome.notices.size(), 2u) << c.label;
    EXPECT_EQ(chrome.notices[0].text, c.en) << c.label;
    EXPECT_EQ(chrome.notices[1].text, c.sv) << c.label;
    EXPECT_FALSE(chrome.notices[0].success) << c.label;
    EXPECT_EQ(chrome.notices[0].duration_ms, 3500u) << c.label;
  }
}

TEST_F(FolderChoice, ASecondPickWhileTheDialogIsOpenIsBusy) {
  std::optional<FiveMPickOutcome> nested;
  bool open_inside = false;
  picker.while_open = [&] {
    open_inside = choice.folder_dialog_open();
    nested = choice.pick_fivem_folder(false);
  };
  picker.next = {Status::chosen, u"/srv/old"};
  EXPECT_EQ(choice.pick_fivem_folder(false), FiveMPickOutcome::chosen);
  EXPECT_TRUE(open_inside);
  EXPECT_EQ(nested, FiveMPickOutcome::busy);
  EXPECT_EQ(picker.requests.size(), 1u);
  EXPECT_FALSE(choice.folder_dialog_open());
  choice.show_fivem_pick_notice(FiveMPickOutcome::busy, false);
  EXPECT_TRUE(chrome.notices.empty());
}

TEST_F(FolderChoice, ADeletedFolderIsNotConfiguredButStaysStored) {
  store.value = "/srv/gone";
  EXPECT_FALSE(choice.is_fivem_folder_configured());
  EXPECT_EQ(choice.stored_fivem_folder(), u"/srv/gone");
  EXPECT_EQ(choice.fivem_folder_name(), u"gone");
  store.value = "";
  EXPECT_FALSE(choice.is_fivem_folder_configured());
  EXPECT_EQ(choice.fivem_folder_name(), u"");
  store.value = "srv/old";  // relative text never counts
  EXPECT_FALSE(choice.is_fivem_folder_configured());
  EXPECT_EQ(fs.open_folder_count(), 0u);
}

TEST_F(FolderChoice, ClearingShowsItsNoticeOnlyWhenSaved) {
  store.value = "/srv/old";
  store.fail_commits = true;
  EXPECT_FALSE(choice.clear_fivem_folder(false));
  EXPECT_EQ(store.value, "/srv/old");
  EXPECT_TRUE(chrome.notices.empty());

  store.fail_commits = false;
  EXPECT_TRUE(choice.clear_fivem_folder(true));
  EXPECT_EQ(store.value, "");
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"FiveM-mappen \u00e4r bortkopplad");
  EXPECT_EQ(chrome.notices[0].duration_ms, 3500u);
  EXPECT_TRUE(choice.clear_fivem_folder(false));
  EXPECT_EQ(chrome.notices[1].text, u"FiveM folder cleared");
}

}  // namespace
}  // namespace vantiro
