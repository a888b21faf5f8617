#include "app/main_window.h"

#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <utility>

#include "app/fake_main_window_host.h"
#include "update/fake_update_files.h"
#include "update/staged_update.h"
#include "web/url.h"

namespace vantiro::app {
namespace {

using testing::FakeMainWindowHost;
using workspace::testing::FakeAddresses;
using workspace::testing::FakeClock;

constexpr Modifiers kNone{};
constexpr Modifiers kCtrl{true, false, false};
constexpr Modifiers kCtrlShift{true, false, true};
constexpr Modifiers kAlt{false, true, false};

class MainWindowTest : public ::testing::Test {
 protected:
  // Tabs on the start page, or launcher tabs.
  void start(bool skip_welcome = true, int tabs = 1, bool launchers = false) {
    rt.ui_swedish = false;
    window = std::make_unique<MainWindow>(rt, host, host, addresses, views, clock,
                                          account::SignInGate::at_start_up(skip_welcome));
    host.window = window.get();
    window->on_created({1440, 900, 96, false, false});
    clock.now = 1000;
    for (int i = 0; i < tabs; ++i)
      window->tabs().open_tab(launchers ? u"" : addresses.start_url(false), true, 1000);
    window->refresh_chrome();
  }
  std::size_t tab_count() { return window->tabs().tabs().size(); }
  bool key(std::uint32_t vk, Modifiers m = kNone, bool repeat = false) {
    return window->on_key_down(vk, m, repeat, false);
  }

  AppRuntime rt;
  FakeMainWindowHost host;
  FakeAddresses addresses;
  testing::FakeViews views;
  FakeClock clock;
  std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, HoldingCtrlTOpensExactlyOneTab) {
  start();
  EXPECT_TRUE(key(key::letter('T'), kCtrl));
  EXPECT_TRUE(key(key::letter('T'), kCtrl, true));
  EXPECT_TRUE(key(key::letter('T'), kCtrl, true));
  EXPECT_EQ(tab_count(), 2u);
  EXPECT_TRUE(window->tabs().active_tab()->is_launcher);
}

TEST_F(MainWindowTest, TabKeysCycleWrapAndClose) {
  start(true, 3);
  ASSERT_EQ(window->tabs().active_index(), 2u);
  key(key::kTab, kCtrl);
  EXPECT_EQ(window->tabs().active_index(), 0u) << "Ctrl+Tab wraps to the first";
  key(key::kTab, kCtrlShift);
  EXPECT_EQ(window->tabs().active_index(), 2u) << "Ctrl+Shift+Tab wraps to the last";
  EXPECT_FALSE(key(key::kTab, Modifiers{false, false, true})) << "Shift+Tab is no shortcut";
  key(key::kF4, kCtrl);
  EXPECT_EQ(tab_count(), 2u);
  key(key::letter('W'), kCtrl);
  EXPECT_EQ(tab_count(), 1u);
  key(key::letter('W'), kCtrl);
  EXPECT_EQ(tab_count(), 1u) << "the last tab is sent home instead";
}

TEST_F(MainWindowTest, TheWelcomeGateLetsOnlyF11Through) {
  start(false);
  ASSERT_TRUE(window->gate().welcome_gate_active);
  key(key::letter('T'), kCtrl);
  key(key::letter('K'), kCtrl);
  key(key::kOemComma, kCtrl);
  EXPECT_EQ(tab_count(), 1u);
  EXPECT_FALSE(rt.palette.palette_open);
  EXPECT_FALSE(rt.settings_open);
  key(key::kF11);
  EXPECT_TRUE(rt.fullscreen);
  key(key::kF11);
  EXPECT_FALSE(rt.fullscreen);
  EXPECT_TRUE(host.called("restore 100,80")) << "leaving fullscreen restores the placement";
}

TEST_F(MainWindowTest, FullscreenIsLeftAsItWasWhenThePlacementCannotBeRead) {
  start();
  host.placement.reset();
  key(key::kF11);
  EXPECT_FALSE(rt.fullscreen);
  EXPECT_FALSE(host.called("cover monitor"));
  host.placement = WindowPlacement{1, 2, 3, 4, false};
  host.can_cover_monitor = false;
  key(key::kF11);
  EXPECT_FALSE(rt.fullscreen);
}

TEST_F(MainWindowTest, PaletteOpensWithCtrlKTakesTextAndClosesWithEscButNotInFullscreen) {
  start();
  key(key::letter('K'), kCtrl);
  ASSERT_TRUE(rt.palette.palette_open);
  EXPECT_TRUE(window->chrome_state().palette_open);
  window->on_char(u'v');
  window->on_char(u'e');
  window->on_char(31);  // control characters are not typed
  EXPECT_EQ(rt.palette.query, u"ve");
  EXPECT_FALSE(key(key::kF5)) << "F5 is left to the palette, which ignores it";
  EXPECT_TRUE(key(key::kBack));
  EXPECT_EQ(rt.palette.query, u"v");
  EXPECT_TRUE(key(key::kEscape));
  EXPECT_FALSE(rt.palette.palette_open);
  EXPECT_TRUE(rt.palette.query.empty());

  key(key::kF11);
  ASSERT_TRUE(rt.fullscreen);
  EXPECT_FALSE(key(key::letter('K'), kCtrl));
  EXPECT_FALSE(rt.palette.palette_open);
}

TEST_F(MainWindowTest, SettingsOverlayTogglesAlsoInFullscreenAndMovesItsCategoryWithTheArrows) {
  start();
  key(key::kF11);
  ASSERT_TRUE(rt.fullscreen);
  EXPECT_TRUE(key(key::kOemComma, kCtrl));
  EXPECT_TRUE(rt.settings_open);
  EXPECT_FALSE(rt.fullscreen) << "opening settings leaves window fullscreen";
  key(key::kUp);
  EXPECT_EQ(rt.settings_category, 0);
  for (int i = 0; i < 8; ++i) key(key::kDown);
  EXPECT_EQ(rt.settings_category, 5);
  key(key::letter('B'), kCtrl);
  EXPECT_FALSE(rt.sidebar_expanded) << "Ctrl+B does nothing while settings are open";
  EXPECT_TRUE(key(key::kEscape));
  EXPECT_FALSE(rt.settings_open);
  key(key::letter('B'), kCtrl);
  EXPECT_TRUE(rt.sidebar_expanded);
}

TEST_F(MainWindowTest, StudioDigitNavigatesTheActiveTabAndAPageKeyCountsOnlyFromTheActiveTab) {
  start(true, 2);
  const std::int32_t background = window->tabs().tabs()[0]->id;
  const std::int32_t active = window->tabs().active_tab()->id;
  UiEvent from_background{ShortcutKeyEvent{key::letter('T'), 1, background}};
  window->on_event(from_background);
  EXPECT_EQ(tab_count(), 2u);
  UiEvent from_active{ShortcutKeyEvent{key::letter('T'), 1, active}};
  window->on_event(from_active);
  EXPECT_EQ(tab_count(), 3u);

  window->tabs().activate_tab(0, 2000);
  key(key::letter('2'), kCtrl);
  const ToolEntry* tool = studio_shortcut_tool(key::letter('2'));
  ASSERT_NE(tool, nullptr);
  EXPECT_EQ(window->tabs().active_tab()->pending_url, addresses.route_url(tool->route, false));
  EXPECT_EQ(tab_count(), 3u) << "not a new tab";
}

TEST_F(MainWindowTest, NoticesClearOnTheirOneShotTimer) {
  start();
  window->show_notice({u"Skickat", u"Sent"}, true);
  EXPECT_EQ(host.timers.at(78), kSuccessNoticeMs);
  EXPECT_EQ(window->chrome_state().notice_text, u"Sent");
  EXPECT_TRUE(window->chrome_state().notice_success);
  window->show_notice({u"Fel", u"Failed"}, false);
  EXPECT_EQ(host.timers.at(78), kNoticeMs) << "a new notice re-arms the timer";
  window->on_timer(TimerId::chrome_notice);
  EXPECT_EQ(host.timers.count(78), 0u) << "one-shot";
  EXPECT_TRUE(window->chrome_state().notice_text.empty());
  EXPECT_FALSE(window->chrome_state().notice_success);
}

TEST_F(MainWindowTest, TheNinthTabIsRefusedWithTheLimitNotice) {
  start(true, 8);
  EXPECT_TRUE(key(key::letter('T'), kCtrl));
  EXPECT_EQ(tab_count(), 8u);
  EXPECT_EQ(rt.notice_text, u"Maximum 8 tabs open");
  EXPECT_EQ(host.timers.at(78), kNoticeMs);
}

TEST_F(MainWindowTest, TimersRunTheirJobs) {
  start(false);
  window->on_timer(TimerId::periodic_update_check);
  ASSERT_EQ(host.update_checks.size(), 1u);
  EXPECT_FALSE(host.update_checks[0]) << "the periodic check never installs";
  EXPECT_TRUE(window->gate().welcome_grace_pending);
  host.timers[82] = kWelcomeGraceMs;
  window->on_timer(TimerId::welcome_grace);
  EXPECT_FALSE(window->gate().welcome_grace_pending);
  EXPECT_EQ(host.timers.count(82), 0u);
  window->on_timer(TimerId::visual_check_step);
  EXPECT_TRUE(host.called("visual step"));
}

TEST_F(MainWindowTest, TheAnimationTimerRunsOnlyWhileSomethingMovesOrWaitsForAReveal) {
  start();
  // The first tab is loading and not revealed: the watchdog needs the ticks.
  EXPECT_TRUE(window->animation_timer_running());
  EXPECT_EQ(host.timers.at(79), kAnimationTickMs);
  // Past 12 s the load becomes a crashed card and nothing waits any more.
  clock.now = 1000 + workspace::kFirstLoadTimeoutMs + 1;
  for (int i = 0; i < 200 && window->animation_timer_running(); ++i) {
    clock.now += 16;
    window->on_timer(TimerId::animation);
  }
  EXPECT_TRUE(window->tabs().active_tab()->crashed);
  EXPECT_FALSE(window->animation_timer_running());
  EXPECT_EQ(host.timers.count(79), 0u);
  EXPECT_TRUE(window->boot().finished) << "a crashed card ends the boot";
}

TEST_F(MainWindowTest, OnceEverythingSettlesNoFrameIsAskedForUntilSomethingChanges) {
  start(true, 1, true);  // a launcher tab: nothing loads, nothing waits for a reveal
  const auto settle = [&] {
    for (int i = 0; i < 400 && window->animation_timer_running(); ++i) {
      clock.now += 16;
      window->on_timer(TimerId::animation);
    }
  };
  settle();
  ASSERT_FALSE(window->animation_timer_running());

  std::optional<std::pair<float, float>> pointer;
  const auto move = [&](float x, float y) {
    pointer = std::make_pair(x, y);
    window->on_mouse_move(x, y);
  };
  struct Step {
    const char* what;
    bool moves;  // closing the palette or the settings is immediate
    std::function<void()> act;
  };
  const Step steps[] = {
      {"hover fading in on a caption button", true, [&] { move(1320, 25); }},
      {"hover fading out over blank caption space", true, [&] { move(1000, 25); }},
      {"hover on a rail row", true, [&] { move(37, 110); }},
      {"hover leaving the window", true,
       [&] {
         pointer.reset();
         window->on_mouse_leave();
       }},
      {"palette fading in", true, [&] { key(key::letter('K'), kCtrl); }},
      {"palette closing", false, [&] { key(key::kEscape); }},
      {"rail widening", true, [&] { key(key::letter('B'), kCtrl); }},
      {"rail scrolling", true, [&] { window->on_wheel(100, 400, -360); }},
      {"rail narrowing", true, [&] { key(key::letter('B'), kCtrl); }},
      {"settings fading in on the keyboard page", true,
       [&] {
         key(key::kOemComma, kCtrl);
         key(key::kDown);
         key(key::kDown);
       }},
      {"settings scrolling", true, [&] { window->on_wheel(800, 500, -600); }},
      {"settings closing", false, [&] { key(key::kEscape); }},
  };
  for (const Step& step : steps) {
    step.act();
    EXPECT_EQ(window->animation_timer_running(), step.moves) << step.what;
    settle();
    EXPECT_FALSE(window->animation_timer_running()) << step.what;
    EXPECT_EQ(host.timers.count(79), 0u) << step.what;
    // Idle: a late tick, a refresh and a pointer that stays put ask for nothing more.
    window->on_timer(TimerId::animation);
    const int repaints = host.repaints;
    for (int i = 0; i < 3; ++i) {
      window->on_timer(TimerId::animation);
      if (pointer) window->on_mouse_move(pointer->first, pointer->second);
    }
    EXPECT_EQ(host.repaints, repaints) << step.what << ": repainted while idle";
    window->refresh_chrome();
    EXPECT_EQ(host.timers.count(79), 0u) << step.what << ": the timer was armed again";
    EXPECT_FALSE(window->animation_timer_running()) << step.what;
  }
}

// ---- close

TEST_F(MainWindowTest, ClosingSeveralTabsAsksWithTheCountAndNoKeepsEverything) {
  start(true, 2);
  window->on_close_request();
  EXPECT_EQ(host.prompts, 1);
  EXPECT_EQ(host.prompt_text, u"Close 2 open tabs?\nUnsaved work in the tools may be lost.");
  EXPECT_FALSE(host.called("destroy"));
  EXPECT_TRUE(rt.main_window);
  host.answer_yes = true;
  window->on_close_request();
  EXPECT_EQ(host.calls.back(), "quit 0");
  EXPECT_TRUE(host.called("save placement"));
  EXPECT_FALSE(rt.main_window);
  EXPECT_FALSE(rt.shared_main_window->published());
  EXPECT_TRUE(window->tabs().tabs().size() <= 1u);
}

TEST_F(MainWindowTest, OneTabOrTheSettingOffClosesWithoutAsking) {
  start(true, 1);
  window->on_close_request();
  EXPECT_EQ(host.prompts, 0);
  EXPECT_TRUE(host.called("destroy"));

  AppRuntime rt2;
  rt2.settings.confirm_close_tabs = false;
  FakeMainWindowHost host2;
  MainWindow w2(rt2, host2, host2, addresses, views, clock, account::SignInGate::at_start_up(true));
  host2.window = &w2;
  w2.on_created({1440, 900, 96, false, false});
  w2.tabs().open_tab(u"", true, 0);
  w2.tabs().open_tab(u"", true, 0);
  w2.on_close_request();
  EXPECT_EQ(host2.prompts, 0);
  EXPECT_TRUE(host2.called("destroy"));
}

TEST_F(MainWindowTest, SwedishConfirmationText) {
  EXPECT_EQ(close_confirmation_text(3, true),
            u"Stänga 3 öppna flikar?\nOsparat arbete i verktygen kan försvinna.");
}

TEST_F(MainWindowTest, ASecondCloseDuringTheQuestionOpensNoSecondPromptAndDestroysNothing) {
  start(true, 2);
  host.answer_yes = false;
  host.during_prompt = [&] {
    window->on_close_request();  // e.g. the installer's close request
    window->on_close_request();
  };
  window->on_close_request();
  EXPECT_EQ(host.prompts, 1);
  EXPECT_EQ(host.count("destroy"), 0);
  EXPECT_TRUE(rt.main_window);
  EXPECT_FALSE(window->close_prompt_open());
}

TEST_F(MainWindowTest, AWindowDestroyedWhileTheQuestionWasOpenIsNotClosedAgain) {
  start(true, 2);
  host.answer_yes = true;
  host.during_prompt = [&] {
    record_exit_code(rt, kExitFailure);
    host.destroy_window();
  };
  window->on_close_request();
  EXPECT_EQ(host.count("destroy"), 1);
  EXPECT_FALSE(host.called("save placement"));
  EXPECT_EQ(final_exit_code(rt, host.quit_code), kExitFailure)
      << "the close that raced the failure does not turn 1 into 0";
}

TEST_F(MainWindowTest, ACloseDuringTheFolderDialogWaitsForItToReturn) {
  start(true, 1);
  window->begin_modal();
  window->on_close_request();
  EXPECT_FALSE(host.called("destroy"));
  EXPECT_TRUE(rt.main_window);
  window->end_modal();
  EXPECT_TRUE(host.called("destroy"));
  EXPECT_FALSE(rt.main_window);
}

TEST_F(MainWindowTest, TheEndOfTheSessionClosesWithoutAskingButNotUnderAnOpenQuestion) {
  start(true, 3);
  host.during_prompt = [&] {
    window->on_end_session();
    EXPECT_TRUE(rt.main_window) << "the question's loop still runs";
  };
  window->on_close_request();
  EXPECT_EQ(host.prompts, 1);
  EXPECT_EQ(host.count("save placement"), 1);
  EXPECT_EQ(host.count("destroy"), 1) << "the session ended even though No was answered";

  start(true, 3);
  host.calls.clear();
  window->begin_modal();
  window->on_end_session();
  EXPECT_FALSE(host.called("destroy"));
  window->end_modal();
  EXPECT_TRUE(host.called("save placement"));
  EXPECT_TRUE(host.called("destroy"));
  EXPECT_EQ(host.prompts, 1) << "no question at the end of a session";
}

TEST_F(MainWindowTest, VisualCheckClosesAtOnceWithoutSavingAndEndsWithOneWithoutAReport) {
  rt.visual_check_dir = u"/tmp/vc";
  start(true, 2);
  window->on_close_request();
  EXPECT_EQ(host.prompts, 0);
  EXPECT_FALSE(host.called("save placement"));
  EXPECT_TRUE(host.called("destroy"));
  EXPECT_EQ(host.quit_code, 0);
  EXPECT_EQ(final_exit_code(rt, host.quit_code), kExitFailure);
}

TEST_F(MainWindowTest, WhileInstallingTheCloseSavesAndDestroysWithoutAsking) {
  start(true, 2);
  rt.install_running = true;
  window->on_close_request();
  EXPECT_EQ(host.prompts, 0);
  EXPECT_TRUE(host.called("save placement"));
  EXPECT_TRUE(host.called("destroy"));
}

TEST_F(MainWindowTest, EventsAfterDestructionAreIgnored) {
  start(true, 1);
  window->on_close_request();
  const std::size_t calls = host.calls.size();
  window->on_close_request();
  EXPECT_FALSE(key(key::letter('T'), kCtrl));
  window->on_timer(TimerId::periodic_update_check);
  EXPECT_EQ(host.calls.size(), calls);
  EXPECT_TRUE(host.update_checks.empty());
}

// ---- update results

std::unique_ptr<update::UpdateCheckResult> record(std::u16string version, std::uint64_t size = 0) {
  auto r = std::make_unique<update::UpdateCheckResult>();
  r->version = std::move(version);
  r->download_size = size;
  return r;
}

TEST_F(MainWindowTest, ABootDownloadStartIsTakenOnlyWhileTheStartUpCheckIsPending) {
  start();
  UiEvent late{
      UpdateResultEvent{update::UpdatePostKind::boot_download_started, record(u"2.0.0", 1000)}};
  window->on_event(late);
  EXPECT_FALSE(window->boot_update().overlay) << "a periodic check's download is no boot";
  EXPECT_EQ(host.timers.count(81), 0u);

  window->boot_update().on_check_started(true);
  rt.update_check_running = true;
  UiEvent no_size{
      UpdateResultEvent{update::UpdatePostKind::boot_download_started, record(u"2.0.0", 0)}};
  window->on_event(no_size);
  EXPECT_FALSE(window->boot_update().overlay);

  UiEvent ok{
      UpdateResultEvent{update::UpdatePostKind::boot_download_started, record(u"2.0.0", 1000)}};
  window->on_event(ok);
  EXPECT_TRUE(window->boot_update().overlay);
  EXPECT_EQ(host.timers.at(81), kBootDownloadWatchdogMs);
  EXPECT_EQ(window->chrome_state().update_scene_text, u"Downloading update 2.0.0 … (0 %)");
  EXPECT_TRUE(window->chrome_state().update_scene);

  UiEvent progress{DownloadProgressEvent{640, 1000, false}};
  window->on_event(progress);
  EXPECT_EQ(window->chrome_state().update_scene_text, u"Downloading update 2.0.0 … (64 %)");
  UiEvent verifying{DownloadProgressEvent{1000, 1000, true}};
  window->on_event(verifying);
  EXPECT_EQ(window->chrome_state().update_scene_text, u"Verifying signature …");

  // Gated: only F11.
  key(key::letter('T'), kCtrl);
  EXPECT_EQ(tab_count(), 1u);

  window->on_timer(TimerId::boot_download_watchdog);
  EXPECT_FALSE(window->boot_update().overlay);
  EXPECT_FALSE(window->boot_update().check_pending);
}

class UpdateFilesTest : public MainWindowTest {
 protected:
  std::unique_ptr<update::UpdateCheckResult> staged(bool auto_install) {
    files.files[u"/app/u.tmp"] = "x";
    auto r = record(u"2.0.0");
    r->auto_install = auto_install;
    r->staged = std::make_unique<update::StagedUpdate>(files, u"2.0.0", "ab", 1, u"/app/u.tmp");
    return r;
  }
  // The window's staged update deletes its file through these files: they must outlive it.
  void TearDown() override { window.reset(); }
  update::testing::FakeUpdateFiles files;
};

TEST_F(UpdateFilesTest, AVerifiedBootUpdateInstallsAndOnFailureStaysStaged) {
  start();
  window->boot_update().on_check_started(true);
  UiEvent started{
      UpdateResultEvent{update::UpdatePostKind::boot_download_started, record(u"2.0.0", 10)}};
  window->on_event(started);
  UiEvent done{UpdateResultEvent{update::UpdatePostKind::check_finished, staged(true)}};
  window->on_event(done);
  EXPECT_EQ(host.installs, 1);
  EXPECT_FALSE(rt.install_running);
  EXPECT_FALSE(window->boot_update().overlay);
  ASSERT_NE(window->staged_update(), nullptr);
  EXPECT_TRUE(window->chrome_state().update_ready);
  EXPECT_EQ(rt.update_state, 3);
  EXPECT_EQ(rt.update_status_text, u"New version ready: v2.0.0");
  EXPECT_EQ(host.timers.count(81), 0u);
}

TEST_F(UpdateFilesTest, AVerifiedUpdateAfterTheWatchdogIsStagedNotInstalled) {
  start();
  window->boot_update().on_check_started(true);
  UiEvent started{
      UpdateResultEvent{update::UpdatePostKind::boot_download_started, record(u"2.0.0", 10)}};
  window->on_event(started);
  window->on_timer(TimerId::boot_download_watchdog);
  UiEvent done{UpdateResultEvent{update::UpdatePostKind::check_finished, staged(true)}};
  window->on_event(done);
  EXPECT_EQ(host.installs, 0);
  EXPECT_NE(window->staged_update(), nullptr);
}

TEST_F(UpdateFilesTest, AFinishedCheckSetsTheStatusLineOfEachOutcome) {
  start();
  struct Case {
    const char* name;
    std::unique_ptr<update::UpdateCheckResult> result;
    int state;
    std::u16string text;
  };
  auto failed = record(u"");
  failed->fetch_failed = true;
  Case cases[] = {
      {"no record", nullptr, 4, u"Could not reach the update server."},
      {"fetch failed", std::move(failed), 4, u"Could not reach the update server."},
      {"newer known", record(u"2.1.0"), 3, u"Update available: v2.1.0"},
      {"nothing new", record(u""), 2, u"You're up to date."},
  };
  for (auto& c : cases) {
    rt.update_check_running = true;
    UiEvent e{UpdateResultEvent{update::UpdatePostKind::check_finished, std::move(c.result)}};
    window->on_event(e);
    EXPECT_EQ(rt.update_state, c.state) << c.name;
    EXPECT_EQ(rt.update_status_text, c.text) << c.name;
    EXPECT_FALSE(rt.update_check_running) << c.name;
  }
}

TEST_F(UpdateFilesTest, InstallVerificationFailuresOpenTheDownloadPage) {
  start();
  UiEvent none{UpdateResultEvent{update::UpdatePostKind::install_verified, record(u"")}};
  window->on_event(none);
  EXPECT_EQ(rt.settings_message, u"Could not verify the update — opening download.");
  ASSERT_EQ(host.opened_externally.size(), 1u);
  EXPECT_TRUE(host.opened_externally[0].ends_with(u"/downloads/desktop/Vantiro.exe"));

  UiEvent verified{UpdateResultEvent{update::UpdatePostKind::install_verified, staged(false)}};
  window->on_event(verified);
  EXPECT_EQ(host.installs, 1);
  EXPECT_FALSE(rt.install_running);
  EXPECT_EQ(rt.settings_message, u"Could not install the update automatically — opening download.");
  EXPECT_EQ(host.opened_externally.size(), 2u);
  EXPECT_EQ(files.files.count(u"/app/u.tmp"), 0u) << "the handled record is freed with its file";
}

// ---- session answers and cache results

TEST_F(MainWindowTest, ASignedInAnswerClosesTheGateAndLoadsTheStartPage) {
  start(false);
  auto tag = window->gate().begin_session_check();
  ASSERT_TRUE(tag);
  const std::int32_t id = window->tabs().active_tab()->id;
  UiEvent stale{SessionResultEvent{id, *tag + 1, true}};
  window->on_event(stale);
  EXPECT_TRUE(window->gate().welcome_gate_active) << "a stale answer decides nothing";
  workspace::WorkspaceTab* tab = window->tabs().active_tab();
  tab->pending_url.clear();
  tab->loading = false;
  UiEvent answer{SessionResultEvent{id, *tag, true}};
  window->on_event(answer);
  EXPECT_FALSE(window->gate().welcome_gate_active);
  EXPECT_EQ(tab->pending_url, service_url(u"/en/editor"));
  EXPECT_TRUE(tab->loading);
}

TEST_F(MainWindowTest, ASignedInAnswerWithTheLauncherStartUpReplacesTheOnlyTab) {
  rt.settings.startup = StartupWorkspace::launcher;
  start(false);
  auto tag = window->gate().begin_session_check();
  UiEvent answer{SessionResultEvent{window->tabs().active_tab()->id, *tag, true}};
  window->on_event(answer);
  ASSERT_EQ(tab_count(), 1u);
  EXPECT_TRUE(window->tabs().active_tab()->is_launcher);
}

TEST_F(MainWindowTest, ANotSignedInAnswerKeepsTheGateAndEndsTheGrace) {
  start(false);
  auto tag = window->gate().begin_session_check();
  host.timers[82] = kWelcomeGraceMs;
  UiEvent answer{SessionResultEvent{window->tabs().active_tab()->id, *tag, false}};
  window->on_event(answer);
  EXPECT_TRUE(window->gate().welcome_gate_active);
  EXPECT_FALSE(window->gate().welcome_grace_pending);
  EXPECT_EQ(host.timers.count(82), 0u);
  EXPECT_EQ(host.title, u"Vantiro Studio");
}

TEST_F(MainWindowTest, OnlyTheLatestCacheRequestSetsTheStatusLine) {
  start();
  host.cache_token = 7;
  UiEvent stale{CacheClearResultEvent{true, 6}};
  window->on_event(stale);
  EXPECT_EQ(rt.cache_state, 0);
  UiEvent ok{CacheClearResultEvent{true, 7}};
  window->on_event(ok);
  EXPECT_EQ(rt.cache_state, 2);
  EXPECT_EQ(rt.cache_status_text, u"Web cache cleared · You remain signed in.");
  UiEvent failed{CacheClearResultEvent{false, 7}};
  window->on_event(failed);
  EXPECT_EQ(rt.cache_state, 4);
  EXPECT_EQ(rt.cache_status_text, u"Could not clear web cache. Please try again.");
}

// ---- mouse

TEST_F(MainWindowTest, CaptionPressDragsTheWindowAndButtonsRunTheirActions) {
  start();
  window->on_left_down(1000, 25, kNone);
  EXPECT_TRUE(host.called("move drag"));
  window->on_double_click(1000, 25);
  EXPECT_TRUE(host.called("toggle maximize"));
  window->on_left_down(2, 400, kNone);
  EXPECT_TRUE(host.called("resize drag 10")) << "left border";
  window->on_mouse_move(1412, 25);
  EXPECT_EQ(host.cursor, chrome::CursorKind::hand);
  window->on_left_down(1320, 25, kNone);
  window->on_left_up(1320, 25, kNone);
  EXPECT_TRUE(host.called("minimize"));
  // A press on one zone and a release on another does nothing.
  window->on_left_down(1320, 25, kNone);
  window->on_left_up(1366, 25, kNone);
  EXPECT_EQ(host.count("minimize"), 1);
  window->on_mouse_leave();
  EXPECT_EQ(window->chrome_state().hover, -1);
}

TEST_F(MainWindowTest, TheWindowTitleFollowsTheActiveTab) {
  std::u16string label = u"Editor";
  EXPECT_EQ(window_title(false, &label), u"Editor — Vantiro");
  std::u16string product = u"Vantiro Studio";
  EXPECT_EQ(window_title(false, &product), u"Vantiro Studio");
  EXPECT_EQ(window_title(true, &label), u"Vantiro Studio");
  EXPECT_EQ(window_title(false, nullptr), u"Vantiro Studio");
  start();
  EXPECT_EQ(host.title, u"Editor — Vantiro");
}

}  // namespace
}  // namespace vantiro::app

namespace vantiro::app {
namespace {

TEST_F(MainWindowTest, TheActiveViewGoesToTheContentRectangleOfEveryWindowMode) {
  start();
  EXPECT_EQ(window->content_rect(), (workspace::ViewRect{69, 49, 1366, 818}));
  window->on_size({1440, 900, 144, false, false});
  EXPECT_EQ(window->content_rect(), (workspace::ViewRect{104, 74, 1328, 776}));
  window->on_size({1440, 900, 96, true, false});
  EXPECT_EQ(window->content_rect(), (workspace::ViewRect{64, 44, 1376, 828}));
  key(key::letter('B'), kCtrl);
  EXPECT_EQ(window->content_rect(), (workspace::ViewRect{220, 44, 1220, 828}))
      << "the target rail width counts, not the animated one";
  key(key::kF11);
  EXPECT_EQ(window->content_rect(), (workspace::ViewRect{0, 0, 1440, 900}));
}

TEST_F(MainWindowTest, TheSignInFlowLocksTheChromeButLetsF5AndF11Through) {
  start(false);
  window->run_zone_action({chrome::ActionKind::sign_in_email, u"", 0, false, false});
  ASSERT_TRUE(window->gate().auth_flow_active);
  EXPECT_FALSE(window->gate().welcome_gate_active);
  EXPECT_EQ(window->tabs().active_tab()->pending_url,
            service_url(u"/en/login?returnTo=%2Fen%2Feditor"));
  EXPECT_EQ(host.title, u"Vantiro Studio");
  key(key::letter('T'), kCtrl);
  key(key::letter('K'), kCtrl);
  EXPECT_EQ(tab_count(), 1u);
  EXPECT_FALSE(rt.palette.palette_open);
  EXPECT_TRUE(key(key::kF5));
  key(key::kF11);
  EXPECT_TRUE(rt.fullscreen);

  // Back to the gate; a not-signed-in answer afterwards changes nothing there.
  window->run_zone_action({chrome::ActionKind::back_to_sign_in, u"", 0, false, false});
  EXPECT_TRUE(window->gate().welcome_gate_active);
  EXPECT_FALSE(window->gate().auth_flow_active);
}

}  // namespace
}  // namespace vantiro::app
