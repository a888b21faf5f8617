#include "workspace/tab_model.h"

#include <gtest/gtest.h>

#include "common/utf.h"
#include "workspace/fake_web_engine.h"
#include "workspace/fake_workspace_ports.h"

namespace vantiro::workspace {
namespace {

using testing::FakeAddresses;
using testing::FakeClock;
using testing::FakeController;
using testing::FakeShell;
using testing::FakeWebEngine;
using testing::FakeWebView;

// Stands in for the web view host: a view request gets a host window at once and, when
// set_up is on, a finished view as the host's set-up would leave it.
struct FakeViewFactory final : TabViewFactory {
  void create_web_environment() override { ++environments; }
  void create_tab_view(WorkspaceTab& tab) override {
    created.push_back(tab.id);
    if (tab.host_window) return;
    tab.host_window = engine.create_host_window();
    if (!set_up) return;
    auto view = std::make_shared<FakeWebView>(engine.queue, engine.next_navigation_id);
    auto controller = std::make_shared<FakeController>(view, tab.host_window);
    engine.controllers.push_back(controller);
    tab.controller = controller;
    tab.web_view = view;
    tab.web_ready = true;
  }
  FakeWebEngine engine;
  bool set_up = true;
  int environments = 0;
  std::vector<std::int32_t> created;
};

class TabModelTest : public ::testing::Test {
 protected:
  TabModelTest() : model(shell, addresses, views, conditions, clock) {}

  void ready_environment() {
    model.start_environment();
    model.environment_created(nullptr);
  }
  WorkspaceTab& tab(std::size_t i) { return *model.tabs()[i]; }
  FakeWebView& view_of(WorkspaceTab& t) { return static_cast<FakeWebView&>(*t.web_view); }
  FakeController& controller_of(WorkspaceTab& t) {
    return static_cast<FakeController&>(*t.controller);
  }
  std::u16string editor() { return addresses.start_url(false); }
  // A tab that loaded and was shown, as after a normal first load.
  void load(WorkspaceTab& t) {
    t.loading = false;
    t.loaded_ok = true;
    t.revealed = true;
    t.source_url = t.pending_url;
    t.pending_url.clear();
  }

  FakeShell shell;
  FakeAddresses addresses;
  FakeViewFactory views;
  WorkspaceConditions conditions;
  FakeClock clock;
  TabModel model;
};

TEST_F(TabModelTest, TheNinthTabIsRefusedWithTheNoticeAndEightRemain) {
  ready_environment();
  for (int i = 0; i < 8; ++i) ASSERT_TRUE(model.open_tab(editor(), true, 0)) << i;
  EXPECT_FALSE(model.open_tab(editor(), true, 0));
  EXPECT_EQ(model.tabs().size(), 8u);
  ASSERT_EQ(shell.notices.size(), 1u);
  EXPECT_EQ(shell.notices[0].en, u"Maximum 8 tabs open");
  EXPECT_FALSE(shell.notices[0].success);
  EXPECT_EQ(views.created.size(), 8u) << "the refused tab got a view";
}

TEST_F(TabModelTest, NoTabWithoutMainWindow) {
  conditions.has_main_window = false;
  EXPECT_FALSE(model.open_tab(editor(), true, 0));
  EXPECT_TRUE(model.tabs().empty());
}

TEST_F(TabModelTest, ANewTabStartsLoadingOrAsTheLauncher) {
  model.open_tab(u"", true, 5);
  model.open_tab(addresses.route_url(u"/vehicles", true), false, 7);
  EXPECT_TRUE(tab(0).is_launcher);
  EXPECT_FALSE(tab(0).loading);
  EXPECT_EQ(tab(0).icon, kLauncherIcon);
  EXPECT_FALSE(tab(1).is_launcher);
  EXPECT_TRUE(tab(1).loading);
  EXPECT_EQ(tab(1).icon, 2);
  EXPECT_EQ(tab(1).load_started_ms, 7u);
  EXPECT_EQ(model.active_index(), 0u) << "a tab opened without activation took the focus";
  EXPECT_NE(tab(0).id, tab(1).id);
  EXPECT_TRUE(views.created.empty()) << "a view was asked for before the environment was ready";
  ready_environment();
  ASSERT_EQ(views.created.size(), 1u) << "the launcher must not get a view";
  EXPECT_EQ(views.created[0], tab(1).id);
}

TEST_F(TabModelTest, ClosingChoosesTheNextActiveTab) {
  struct Case {
    const char* what;
    std::size_t count, active, close;
    std::size_t expected_active_original;  // index before the close
  };
  const Case cases[] = {
      {"left of the active tab keeps it", 4, 2, 0, 2},
      {"the active middle tab gives its right neighbour", 4, 1, 1, 2},
      {"the active last tab gives the new last tab", 4, 3, 3, 2},
      {"right of the active tab keeps it", 4, 1, 3, 1},
      {"the first active tab gives the next", 3, 0, 0, 1},
  };
  for (const auto& c : cases) {
    FakeShell s;
    FakeViewFactory v;
    WorkspaceConditions cond;
    TabModel m(s, addresses, v, cond, clock);
    m.start_environment();
    m.environment_created(nullptr);
    std::vector<std::int32_t> ids;
    for (std::size_t i = 0; i < c.count; ++i) {
      m.open_tab(editor(), true, 0);
      ids.push_back(m.tabs().back()->id);
    }
    m.activate_tab(c.active, 0);
    auto closed_host =
        std::static_pointer_cast<testing::FakeHostWindow>(m.tabs()[c.close]->host_window);
    m.close_tab(c.close, 10);
    ASSERT_EQ(m.tabs().size(), c.count - 1) << c.what;
    EXPECT_EQ(m.active_tab()->id, ids[c.expected_active_original]) << c.what;
    EXPECT_TRUE(closed_host->destroyed) << c.what;
  }
}

TEST_F(TabModelTest, TheLoneTabIsNavigatedToTheStartPageInsteadOfClosed) {
  conditions.ui_swedish = false;
  ready_environment();
  model.open_tab(addresses.route_url(u"/vehicles", false), true, 0);
  load(tab(0));
  model.close_tab(0, 5);
  ASSERT_EQ(model.tabs().size(), 1u);
  EXPECT_EQ(view_of(tab(0)).navigations.back(), editor());
  EXPECT_EQ(tab(0).pending_url, editor());
  EXPECT_EQ(tab(0).icon, 1);
  model.close_tab(3, 5);  // outside the list
  EXPECT_EQ(model.tabs().size(), 1u);
}

TEST_F(TabModelTest, ATabClosedWhileItsViewIsCreatedLeavesNoWindowBehind) {
  views.set_up = false;
  ready_environment();
  model.open_tab(editor(), true, 0);
  model.open_tab(editor(), true, 0);  // still creating
  ASSERT_TRUE(tab(1).host_window);
  ASSERT_FALSE(tab(1).web_ready);
  const std::int32_t id = tab(1).id;
  model.close_tab(1, 1);
  EXPECT_EQ(model.find_tab(id), nullptr);
  EXPECT_EQ(views.engine.live_host_windows(), 1u);
}

TEST_F(TabModelTest, NavigatingALauncherOrCrashedTabRestartsIt) {
  ready_environment();
  model.open_tab(u"", true, 0);
  model.navigate_tab(tab(0), editor(), 100);
  EXPECT_FALSE(tab(0).is_launcher);
  EXPECT_TRUE(tab(0).loading);
  EXPECT_EQ(tab(0).load_started_ms, 100u);
  EXPECT_EQ(tab(0).pending_url, editor());
  ASSERT_EQ(views.created.size(), 1u);

  model.on_view_failed(tab(0).id, 200);
  EXPECT_TRUE(tab(0).crashed);
  model.navigate_tab(tab(0), addresses.route_url(u"/vehicles", false), 300);
  EXPECT_FALSE(tab(0).crashed);
  EXPECT_EQ(views.created.size(), 2u);
  EXPECT_EQ(tab(0).pending_url, addresses.route_url(u"/vehicles", false));
}

TEST_F(TabModelTest, AFailedNavigateCallDropsThePendingAddress) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  load(tab(0));
  view_of(tab(0)).behaviour.fail_navigate = true;
  model.navigate_tab(tab(0), addresses.route_url(u"/vehicles", false), 10);
  EXPECT_TRUE(tab(0).pending_url.empty());
  EXPECT_EQ(tab(0).icon, 1) << "the icon must follow the page still shown";
}

TEST_F(TabModelTest, RenewingGivesANewIdAndKeepsTheAddressToLoad) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  WorkspaceTab& t = tab(0);
  load(t);
  t.retry_url = u"https://svc.test/en/retry";
  const std::int32_t old_id = t.id;
  auto old_controller = t.controller;
  model.renew_tab_web_view(t, 50);
  EXPECT_NE(t.id, old_id);
  EXPECT_EQ(model.find_tab(old_id), nullptr);
  EXPECT_EQ(t.pending_url, u"https://svc.test/en/retry");
  EXPECT_TRUE(static_cast<FakeController&>(*old_controller).closed);
  EXPECT_FALSE(t.web_ready);
  EXPECT_FALSE(t.controller);
  EXPECT_TRUE(t.loading);

  struct Case {
    const char* what;
    std::u16string retry, source, expected;
  };
  const Case cases[] = {
      {"retry first", u"https://svc.test/r", u"https://svc.test/s", u"https://svc.test/r"},
      {"then source", u"", u"https://svc.test/s", u"https://svc.test/s"},
      {"then the start page", u"", u"", editor()},
  };
  for (const auto& c : cases) {
    WorkspaceTab other;
    other.retry_url = c.retry;
    other.source_url = c.source;
    conditions.ui_swedish = false;
    model.renew_tab_web_view(other, 0);
    EXPECT_EQ(other.pending_url, c.expected) << c.what;
  }
}

TEST(CrashGuard, AllowsUpToTheLimitInAnySixtySecondWindow) {
  std::vector<std::uint64_t> times;
  struct Step {
    std::uint64_t now;
    bool allowed;
  };
  const Step steps[] = {{1, true},     {2, true},     {60000, false},
                        {60001, true}, {60002, true}, {60003, false}};
  for (const auto& s : steps)
    EXPECT_EQ(allow_in_window(times, 2, s.now), s.allowed) << "attempt at " << s.now;
}

TEST_F(TabModelTest, RendererCrashesReloadThreeTimesAMinuteThenShowTheCard) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  load(tab(0));
  for (std::uint64_t t : {1000, 2000, 3000}) {
    model.on_process_failed(tab(0).id, ProcessFailureKind::render_process_exited, t);
    EXPECT_FALSE(tab(0).crashed) << "crash at " << t;
    EXPECT_FALSE(tab(0).revealed);
    EXPECT_EQ(tab(0).load_started_ms, t);
    tab(0).revealed = true;
  }
  EXPECT_EQ(view_of(tab(0)).reloads, 3);
  const std::int32_t id = tab(0).id;
  model.on_process_failed(id, ProcessFailureKind::frame_render_process_exited, 4000);
  EXPECT_TRUE(tab(0).crashed);
  EXPECT_NE(tab(0).id, id);
  EXPECT_FALSE(tab(0).controller);
}

TEST_F(TabModelTest, AFailedReloadAfterARendererCrashShowsTheCard) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  load(tab(0));
  view_of(tab(0)).behaviour.fail_reload = true;
  model.on_process_failed(tab(0).id, ProcessFailureKind::render_process_exited, 10);
  EXPECT_TRUE(tab(0).crashed);
}

TEST_F(TabModelTest, TwoBrowserCrashesAMinuteAreSurvivedAndTheThirdCrashesEveryTab) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  model.open_tab(u"", false, 0);
  model.open_tab(editor(), false, 0);
  for (std::uint64_t t : {1000, 2000}) {
    const int before = views.environments;
    model.on_process_failed(tab(0).id, ProcessFailureKind::browser_process_exited, t);
    EXPECT_EQ(views.environments, before + 1) << "no new environment after the crash at " << t;
    EXPECT_TRUE(model.environment_restarting());
    EXPECT_FALSE(tab(0).crashed);
    EXPECT_FALSE(tab(2).crashed);
    EXPECT_FALSE(tab(0).host_window) << "the dead view was kept";
    // Other views of the same browser report the exit too; they must not start another one.
    model.on_process_failed(tab(2).id, ProcessFailureKind::browser_process_exited, t);
    EXPECT_EQ(views.environments, before + 1);
    views.created.clear();
    model.environment_created(nullptr);
    EXPECT_FALSE(model.environment_restarting());
    EXPECT_EQ(views.created.size(), 2u) << "every loading tab needs a new view";
  }
  const int before = views.environments;
  model.on_process_failed(tab(0).id, ProcessFailureKind::browser_process_exited, 3000);
  EXPECT_EQ(views.environments, before);
  EXPECT_TRUE(tab(0).crashed);
  EXPECT_TRUE(tab(2).crashed);
  EXPECT_FALSE(tab(1).crashed) << "the launcher has no view to crash";
  EXPECT_EQ(model.environment_state(), EnvironmentState::absent);
}

TEST_F(TabModelTest, ARestartBeforeTheFirstEnvironmentIsReadyStartsNoSecondOne) {
  model.open_tab(editor(), true, 0);
  model.start_environment();
  EXPECT_EQ(views.environments, 1);
  ASSERT_EQ(model.environment_state(), EnvironmentState::starting);
  model.on_view_failed(tab(0).id, 10);  // cannot happen yet, but a reload of a card can follow
  model.reload_active_tab(20);
  model.restart_tab(tab(0), 30);
  model.start_environment();
  EXPECT_EQ(views.environments, 1) << "a second environment raced the first";
  model.environment_created(nullptr);
  EXPECT_EQ(views.created.size(), 1u);
  EXPECT_EQ(views.created[0], tab(0).id);
}

TEST_F(TabModelTest, AFailedRestartAfterABrowserCrashShowsCardsAndAFirstStartFailureDoesNot) {
  model.open_tab(editor(), true, 0);
  model.start_environment();
  EXPECT_FALSE(model.environment_failed(5)) << "the first start's failure is the host's to report";
  EXPECT_FALSE(tab(0).crashed);
  model.start_environment();
  model.environment_created(nullptr);
  model.on_process_failed(tab(0).id, ProcessFailureKind::browser_process_exited, 10);
  EXPECT_TRUE(model.environment_failed(20));
  EXPECT_TRUE(tab(0).crashed);
  EXPECT_FALSE(model.environment_restarting());
}

TEST_F(TabModelTest, StaleIdsFindNoTab) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  load(tab(0));
  const std::int32_t old_id = tab(0).id;
  model.renew_tab_web_view(tab(0), 1);
  model.environment_created(nullptr);
  const int created = static_cast<int>(views.created.size());
  model.on_process_failed(old_id, ProcessFailureKind::render_process_exited, 2);
  model.on_view_failed(old_id, 3);
  model.on_suspend_completed(old_id, true, true, 4);
  EXPECT_FALSE(tab(0).crashed);
  EXPECT_FALSE(tab(0).suspended);
  EXPECT_EQ(static_cast<int>(views.created.size()), created);
  model.on_process_failed(tab(0).id, ProcessFailureKind::gpu_process_exited, 5);
  EXPECT_FALSE(tab(0).crashed) << "other failure kinds are not acted on";
}

class SweepTest : public TabModelTest {
 protected:
  void SetUp() override {
    ready_environment();
    model.open_tab(editor(), true, 0);
    model.open_tab(editor(), false, 0);
    load(tab(0));
    load(tab(1));
  }
};

TEST_F(SweepTest, ABackgroundTabIsSuspendedAfterItsIdleTime) {
  struct Case {
    bool lite;
    std::uint64_t now;
    bool suspended;
  };
  const Case cases[] = {
      {false, 29999, false}, {false, 30000, true}, {true, 9999, false}, {true, 10000, true}};
  for (const auto& c : cases) {
    EXPECT_EQ(can_suspend_tab(tab(1), false, false, c.lite, c.now), c.suspended)
        << "lite " << c.lite << " at " << c.now;
  }
  model.sweep_background_tabs(29999);
  EXPECT_EQ(view_of(tab(1)).suspend_requests, 0);
  model.sweep_background_tabs(30000);
  EXPECT_TRUE(tab(1).suspend_pending);
  EXPECT_EQ(view_of(tab(1)).memory_target, MemoryUsageTarget::low);
  EXPECT_EQ(view_of(tab(0)).suspend_requests, 0) << "the active tab was suspended";
  views.engine.run_pending();
  EXPECT_TRUE(tab(1).suspended);
  EXPECT_FALSE(tab(1).suspend_pending);
  model.activate_tab(1, 40000);
  EXPECT_FALSE(tab(1).suspended);
  EXPECT_EQ(view_of(tab(1)).resumes, 1);
  EXPECT_EQ(view_of(tab(1)).memory_target, MemoryUsageTarget::normal);
}

TEST_F(SweepTest, TabsThatMustStayAwakeAreNeverSuspended) {
  struct Case {
    const char* what;
    void (*prepare)(WorkspaceTab&, WorkspaceConditions&);
  };
  const Case cases[] = {
      {"loading", [](WorkspaceTab& t, WorkspaceConditions&) { t.loading = true; }},
      {"offline page",
       [](WorkspaceTab& t, WorkspaceConditions&) { t.showing_local_document = true; }},
      {"not ready", [](WorkspaceTab& t, WorkspaceConditions&) { t.web_ready = false; }},
      {"failed load", [](WorkspaceTab& t, WorkspaceConditions&) { t.loaded_ok = false; }},
      {"already suspended", [](WorkspaceTab& t, WorkspaceConditions&) { t.suspended = true; }},
      {"request outstanding",
       [](WorkspaceTab& t, WorkspaceConditions&) { t.suspend_pending = true; }},
      {"sign-in flow", [](WorkspaceTab&, WorkspaceConditions& c) { c.auth_flow_active = true; }},
      {"welcome gate", [](WorkspaceTab&, WorkspaceConditions& c) { c.welcome_gate_active = true; }},
  };
  for (const auto& c : cases) {
    WorkspaceTab& t = tab(1);
    load(t);
    t.web_ready = true;
    t.suspended = t.suspend_pending = t.showing_local_document = false;
    conditions = WorkspaceConditions{};
    c.prepare(t, conditions);
    const int before = view_of(t).suspend_requests;
    model.sweep_background_tabs(100000);
    EXPECT_EQ(view_of(t).suspend_requests, before) << c.what;
  }
  EXPECT_FALSE(can_suspend_tab(tab(0), true, false, false, 100000)) << "active";
  WorkspaceTab launcher;
  launcher.is_launcher = launcher.web_ready = launcher.loaded_ok = true;
  EXPECT_FALSE(can_suspend_tab(launcher, false, false, false, 100000)) << "launcher";
}

TEST_F(SweepTest, ALoneTabIsNotSweptAndAnEngineWithoutSuspensionLeavesNothingPending) {
  model.close_tab(0, 0);
  model.sweep_background_tabs(100000);
  EXPECT_EQ(view_of(tab(0)).suspend_requests, 0);

  model.open_tab(editor(), false, 0);
  load(tab(1));
  view_of(tab(1)).behaviour.suspension_unsupported = true;
  model.sweep_background_tabs(100000);
  EXPECT_FALSE(tab(1).suspend_pending);
}

TEST_F(SweepTest, ATabActivatedWhileItsSuspensionRunsIsWokenAtOnce) {
  model.sweep_background_tabs(30000);
  ASSERT_TRUE(tab(1).suspend_pending);
  model.activate_tab(1, 30001);
  views.engine.run_pending();  // the engine reports the view as suspended
  EXPECT_FALSE(tab(1).suspended);
  EXPECT_FALSE(view_of(tab(1)).suspended) << "the active view was left suspended";
}

class WatchdogTest : public TabModelTest {
 protected:
  void SetUp() override {
    ready_environment();
    model.open_tab(editor(), true, 1000);
    model.open_tab(editor(), false, 1000);
  }
};

TEST_F(WatchdogTest, RevealsBackgroundTabs80msAndTheActiveTab200msAfterTheFirstCompletion) {
  model.schedule_reveal(tab(0), 1500);
  model.schedule_reveal(tab(1), 1500);
  model.watch_first_loads(1579);
  EXPECT_FALSE(tab(1).revealed);
  model.watch_first_loads(1580);
  EXPECT_TRUE(tab(1).revealed);
  EXPECT_FALSE(tab(0).revealed) << "the active tab must wait for the boot fade";
  model.watch_first_loads(1699);
  EXPECT_FALSE(tab(0).revealed);
  model.watch_first_loads(1700);
  EXPECT_TRUE(tab(0).revealed);
  EXPECT_TRUE(controller_of(tab(0)).visible);
  EXPECT_FALSE(controller_of(tab(1)).visible) << "a background view became visible";
}

TEST_F(WatchdogTest, ReducedMotionRevealsTheActiveTabAfter80ms) {
  conditions.reduced_motion = true;
  model.schedule_reveal(tab(0), 1500);
  model.watch_first_loads(1580);
  EXPECT_TRUE(tab(0).revealed);
}

TEST_F(WatchdogTest, AReadyViewWithoutCompletionIsRevealedAfter1800ms) {
  model.watch_first_loads(2799);
  EXPECT_FALSE(tab(0).revealed);
  model.watch_first_loads(2800);
  EXPECT_TRUE(tab(0).revealed);
}

TEST_F(WatchdogTest, AViewThatNeverGetsReadyShowsTheCrashedCardAfter12s) {
  model.open_tab(editor(), false, 1000);
  tab(2).web_ready = false;  // its set-up never finished
  model.watch_first_loads(12999);
  EXPECT_FALSE(tab(2).crashed);
  EXPECT_GT(shell.animation_requests, 0) << "the watchdog let the tick stop while waiting";
  model.watch_first_loads(13000);
  EXPECT_TRUE(tab(2).crashed);
  EXPECT_FALSE(tab(2).host_window);
}

TEST_F(WatchdogTest, NothingIsRevealedUnderTheWelcomeGate) {
  model.schedule_reveal(tab(1), 1500);
  conditions.welcome_gate_active = true;
  model.watch_first_loads(20000);
  EXPECT_FALSE(tab(1).revealed);
  EXPECT_FALSE(tab(1).crashed);
}

TEST_F(TabModelTest, OnlyTheActiveRevealedViewIsVisibleAndOverlaysHideIt) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  model.open_tab(editor(), false, 0);
  load(tab(0));
  load(tab(1));
  model.update_web_view_visibility();
  EXPECT_TRUE(controller_of(tab(0)).visible);
  EXPECT_FALSE(controller_of(tab(1)).visible);
  struct Case {
    const char* what;
    bool WorkspaceConditions::*flag;
  };
  const Case cases[] = {{"palette", &WorkspaceConditions::palette_open},
                        {"settings", &WorkspaceConditions::settings_open},
                        {"boot update", &WorkspaceConditions::boot_update_overlay},
                        {"welcome gate", &WorkspaceConditions::welcome_gate_active},
                        {"minimised", &WorkspaceConditions::minimized}};
  for (const auto& c : cases) {
    conditions.*c.flag = true;
    model.update_web_view_visibility();
    EXPECT_FALSE(controller_of(tab(0)).visible) << c.what;
    conditions.*c.flag = false;
  }
  model.activate_tab(1, 10);
  EXPECT_FALSE(controller_of(tab(0)).visible);
  EXPECT_TRUE(controller_of(tab(1)).visible);
  EXPECT_EQ(tab(1).host_window->rect(), shell.content);
}

TEST_F(TabModelTest, SwitchingAwayFromHtmlFullscreenLeavesIt) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  model.open_tab(editor(), false, 0);
  tab(0).html_fullscreen = true;
  model.activate_tab(1, 500);
  EXPECT_FALSE(tab(0).html_fullscreen);
  EXPECT_EQ(shell.fullscreen_leaves, 1);
  ASSERT_EQ(view_of(tab(0)).executed_scripts.size(), 1u);
  EXPECT_EQ(view_of(tab(0)).executed_scripts[0], kExitFullscreenScript);
  EXPECT_EQ(tab(0).last_active_ms, 500u);
}

TEST_F(TabModelTest, ClosingTheActiveFullscreenTabLeavesWindowFullscreen) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  model.open_tab(editor(), true, 0);
  tab(1).html_fullscreen = true;
  model.close_tab(0, 1);  // a background tab
  EXPECT_EQ(shell.fullscreen_leaves, 0);
  model.open_tab(editor(), false, 0);
  model.close_tab(0, 2);  // the active one
  EXPECT_EQ(shell.fullscreen_leaves, 1);
}

TEST_F(TabModelTest, FocusGoesIntoTheViewOnlyWhenItMayBeSeen) {
  ready_environment();
  conditions.main_window_active = true;
  model.open_tab(editor(), true, 0);
  model.open_tab(editor(), true, 0);
  EXPECT_EQ(controller_of(tab(1)).focus_moves, 0) << "an unrevealed view took the focus";
  EXPECT_GT(shell.main_focuses, 0);
  load(tab(0));
  model.activate_tab(0, 1);
  EXPECT_EQ(controller_of(tab(0)).focus_moves, 1);
  conditions.palette_open = true;
  model.focus_active_web_view();
  EXPECT_EQ(controller_of(tab(0)).focus_moves, 1);
}

TEST_F(TabModelTest, ReloadFollowsTheTabsState) {
  ready_environment();
  model.open_tab(editor(), true, 0);
  load(tab(0));
  tab(0).showing_local_document = true;
  tab(0).retry_url = addresses.route_url(u"/vehicles", false);
  model.reload_active_tab(1);
  EXPECT_EQ(view_of(tab(0)).navigations.back(), tab(0).retry_url);
  tab(0).showing_local_document = false;
  model.reload_active_tab(2);
  EXPECT_EQ(view_of(tab(0)).reloads, 1);
  model.on_view_failed(tab(0).id, 3);
  const std::size_t created = views.created.size();
  model.reload_active_tab(4);
  EXPECT_FALSE(tab(0).crashed);
  EXPECT_EQ(views.created.size(), created + 1);
}

TEST_F(TabModelTest, OpenRouteAcceptsOnlyPathsAndBuildsTheLanguagesAddress) {
  ready_environment();
  conditions.ui_swedish = false;
  model.open_route(u"app:settings", true, 0);
  model.open_route(u"https://elsewhere.test/", true, 0);
  EXPECT_TRUE(model.tabs().empty());
  model.open_route(u"/vehicles", false, 0);
  EXPECT_TRUE(model.tabs().empty()) << "navigating without a tab opened one";
  model.open_route(u"/vehicles", true, 0);
  ASSERT_EQ(model.tabs().size(), 1u);
  EXPECT_EQ(tab(0).pending_url, u"https://svc.test/en/vehicles");
}

TEST(TabTitle, StripsOneTrailingBrandSuffix) {
  struct Case {
    std::u16string_view in, out;
  };
  const Case cases[] = {
      {u"Fordon — Vantiro", u"Fordon"},
      {u"Ped · Vantiro", u"Ped"},
      {u"Ljud – Vantiro", u"Ljud"},
      {u"Map - Vantiro - Vantiro", u"Map - Vantiro"},
      {u" - Vantiro", u" - Vantiro"},
      {u"Vantiro - Vantiro tools", u"Vantiro - Vantiro tools"},
      {u"Plain", u"Plain"},
      {u"", u""},
  };
  for (const auto& c : cases) EXPECT_EQ(strip_brand_suffix(c.in), c.out) << to_utf8(c.in);
}

TEST(TabLabel, NamesKnownToolsInThePathsLanguageAndOthersByTitle) {
  FakeAddresses addresses;
  struct Case {
    const char* what;
    std::u16string pending, source, title;
    bool launcher, ui_swedish;
    std::u16string_view label;
  };
  const Case cases[] = {
      {"launcher", u"", u"", u"", true, false, u"New Workspace"},
      {"launcher sv", u"", u"", u"", true, true, u"Ny arbetsyta"},
      {"swedish path, english UI", u"https://svc.test/sv/vehicles", u"", u"", false, false,
       u"Fordon"},
      {"english path, swedish UI", u"https://svc.test/en/editor", u"", u"", false, true, u"Editor"},
      {"pending wins over source", u"https://svc.test/en/editor", u"https://svc.test/en/vehicles",
       u"", false, false, u"Editor"},
      {"source when nothing is pending", u"", u"https://svc.test/sv/editor", u"", false, false,
       u"Redigerare"},
      {"no language in the path", u"https://svc.test/editor", u"", u"", false, true, u"Redigerare"},
      {"unknown route shows the title", u"https://svc.test/en/blog", u"", u"News", false, false,
       u"News"},
      {"no title", u"https://other.test/", u"", u"", false, false, u"Vantiro Studio"},
  };
  for (const auto& c : cases) {
    WorkspaceTab t;
    t.pending_url = c.pending;
    t.source_url = c.source;
    t.title = c.title;
    t.is_launcher = c.launcher;
    EXPECT_EQ(tab_label_for(t, addresses, c.ui_swedish), c.label) << c.what;
  }
}

TEST(ViewPlacement, MovesOnlyWhatChanged) {
  testing::FakeHostWindow host;
  FakeWebEngine engine;
  auto fake_view = std::make_shared<FakeWebView>(engine.queue, engine.next_navigation_id);
  FakeController controller(fake_view, nullptr);
  position_view(&host, &controller, {10, 20, 300, 200});
  EXPECT_EQ(host.rect(), (ViewRect{10, 20, 300, 200}));
  EXPECT_EQ(controller.bounds(), (ViewRect{0, 0, 300, 200}));
  EXPECT_EQ(controller.parent_moves, 1);
  position_view(&host, &controller, {10, 20, 300, 200});
  EXPECT_EQ(host.moves, 1);
  EXPECT_EQ(controller.bounds_sets, 1);
  position_view(&host, &controller, {0, 20, 300, 200});
  EXPECT_EQ(host.moves, 2);
  EXPECT_EQ(controller.bounds_sets, 1) << "a move of the same size resized the view";
}

}  // namespace
}  // namespace vantiro::workspace
