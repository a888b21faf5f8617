#include "workspace/web_view_host.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "common/build_config.h"
#include "common/utf.h"
#include "web/fake_external_opener.h"
#include "web/url.h"
#include "workspace/desktop_bridge_script.h"
#include "workspace/fake_web_engine.h"
#include "workspace/fake_workspace_ports.h"
#include "workspace/service_addresses.h"

namespace vantiro::workspace {
namespace {

using testing::FakeClock;
using testing::FakeContextMenu;
using testing::FakeController;
using testing::FakeWebEngine;
using testing::FakeWebView;

struct FakeHostShell final : WebHostShell {
  void show_notice(LocalizedText text, bool success) override {
    notices.emplace_back(text.en);
    (void)success;
  }
  void refresh_chrome() override { ++refreshes; }
  void leave_window_fullscreen() override { window_fullscreen = false; }
  void focus_main_window() override {}
  ViewRect content_rect() override { return content; }
  void keep_animating() override {}
  void post_view_failed(std::int32_t id) override { view_failures.push_back(id); }
  void post_process_failed(std::int32_t id, ProcessFailureKind kind) override {
    process_failures.push_back({id, kind});
  }
  void post_shortcut(std::uint32_t key, int action, std::int32_t id) override {
    shortcuts.push_back({key, action, id});
  }
  void post_cache_cleared(bool ok, std::uint64_t token) override {
    cache_results.push_back({ok, token});
  }
  void post_quit(int code) override { quit_codes.push_back(code); }
  bool ask_to_install_runtime() override {
    ++runtime_questions;
    return answer_yes;
  }
  void open_runtime_download_page() override { ++download_pages; }
  std::optional<int> shortcut_action(std::uint32_t key) override {
    if (key == 0x74) return 7;  // F5
    return std::nullopt;
  }
  void start_session_check(std::int32_t id) override { session_checks.push_back(id); }
  void set_window_fullscreen(bool on) override { window_fullscreen = on; }
  void end_welcome_grace() override { ++grace_ends; }
  void set_cache_status(CacheClearState state, LocalizedText text) override {
    cache_status.push_back({state, std::u16string(text.en)});
  }
  ExternalOpener& external_opener() override { return opener; }

  struct Failure {
    std::int32_t id;
    ProcessFailureKind kind;
  };
  struct Shortcut {
    std::uint32_t key;
    int action;
    std::int32_t id;
  };
  struct CacheResult {
    bool ok;
    std::uint64_t token;
  };
  struct Status {
    CacheClearState state;
    std::u16string text;
  };
  FakeExternalOpener opener;
  ViewRect content{48, 80, 1200, 700};
  std::vector<std::u16string> notices;
  std::vector<std::int32_t> view_failures;
  std::vector<Failure> process_failures;
  std::vector<Shortcut> shortcuts;
  std::vector<CacheResult> cache_results;
  std::vector<int> quit_codes;
  std::vector<std::int32_t> session_checks;
  std::vector<Status> cache_status;
  bool answer_yes = false;
  bool window_fullscreen = false;
  int runtime_questions = 0;
  int download_pages = 0;
  int grace_ends = 0;
  int refreshes = 0;
};

std::u16string on_service(std::u16string_view path) {
  return service_url(path);
}

class WebViewHostTest : public ::testing::Test {
 protected:
  WebViewHostTest()
      : model(shell, addresses, host, conditions, clock),
        host(engine, shell, conditions, preferences, welcome, clock) {
    host.attach(model);
    host.set_user_data_folder(u"C:/Users/u/AppData/Local/Vantiro/WebView2");
    conditions.ui_swedish = false;
  }

  // Opens a tab and lets the engine create and set up its view.
  WorkspaceTab& open(std::u16string_view url, bool activate = true) {
    model.open_tab(url, activate, clock.now);
    engine.run_pending();
    return *model.tabs().back();
  }
  void start() {
    model.start_environment();
    engine.complete_environment(true);
    engine.run_pending();
  }
  FakeWebView& view_of(WorkspaceTab& t) { return static_cast<FakeWebView&>(*t.web_view); }
  FakeController& controller_of(WorkspaceTab& t) {
    return static_cast<FakeController&>(*t.controller);
  }
  // Ends the tab's latest navigation.
  void finish(WorkspaceTab& t, bool ok, int status = web_error::kUnknown) {
    auto& v = view_of(t);
    auto id = v.latest_in_flight();
    ASSERT_TRUE(id.has_value()) << "no navigation in flight";
    v.finish_navigation(*id, ok, status);
    engine.run_pending();
  }
  WorkspaceTab& loaded_tab(std::u16string_view url, bool activate = true) {
    WorkspaceTab& t = open(url, activate);
    finish(t, true);
    return t;
  }

  FakeWebEngine engine;
  FakeHostShell shell;
  ServiceAddresses addresses;
  WorkspaceConditions conditions;
  WebViewPreferences preferences;
  WelcomeState welcome;
  FakeClock clock;
  TabModel model;
  WebViewHost host;
};

TEST_F(WebViewHostTest, CreatesTheEnvironmentWithTheDataFolderAndArguments) {
  model.open_tab(start_url(false), true, 0);
  start();
  ASSERT_EQ(engine.environment_requests.size(), 1u);
  EXPECT_EQ(engine.environment_requests[0].user_data_folder,
            u"C:/Users/u/AppData/Local/Vantiro/WebView2");
  EXPECT_EQ(engine.environment_requests[0].additional_browser_arguments,
            u"--disable-background-timer-throttling --disable-renderer-backgrounding");
  EXPECT_EQ(model.environment_state(), EnvironmentState::ready);
  EXPECT_EQ(engine.controllers.size(), 1u);
}

TEST_F(WebViewHostTest, SetsUpEveryViewTheSameWayAndThenLoadsThePendingAddress) {
  start();
  preferences.zoom_percent = 125;
  preferences.perf_word = u"low";
  WorkspaceTab& t = open(on_service(u"/en/vehicles/editor"));
  FakeWebView& v = view_of(t);
  EXPECT_TRUE(t.web_ready);
  const std::map<ViewSetting, bool> expected = {
      {ViewSetting::script_enabled, true},
      {ViewSetting::default_script_dialogs_enabled, true},
      {ViewSetting::status_bar_enabled, false},
      {ViewSetting::dev_tools_enabled, false},
      {ViewSetting::built_in_error_page_enabled, false},
      {ViewSetting::swipe_navigation_enabled, false},
      {ViewSetting::default_context_menus_enabled, true},
      {ViewSetting::zoom_control_enabled, true},
      {ViewSetting::web_message_enabled, true},
  };
  EXPECT_EQ(v.settings, expected);
  EXPECT_EQ(controller_of(t).background, kViewBackground);
  EXPECT_DOUBLE_EQ(controller_of(t).zoom, 1.25);
  ASSERT_EQ(v.document_scripts.size(), 1u);
  EXPECT_EQ(v.document_scripts[0],
            std::u16string(u"window.__vantiroDesktopPerfMode='low';\n") + kDesktopBridgeScript);
  ASSERT_EQ(v.navigations.size(), 1u);
  EXPECT_EQ(v.navigations[0], on_service(u"/en/vehicles/editor"));
  EXPECT_FALSE(controller_of(t).visible) << "the view was shown before its first content";
  EXPECT_EQ(t.host_window->rect(), shell.content);
  EXPECT_EQ(controller_of(t).bounds(), (ViewRect{0, 0, 1200, 700}));
}

TEST_F(WebViewHostTest, WithoutAContextMenuFilterTheEnginesMenuStaysOff) {
  engine.next_view_behaviour.context_menu_unsupported = true;
  start();
  WorkspaceTab& t = open(start_url(false));
  EXPECT_TRUE(t.web_ready);
  EXPECT_FALSE(view_of(t).settings.at(ViewSetting::default_context_menus_enabled));
}

TEST_F(WebViewHostTest, ARequiredSetUpStepThatFailsMakesTheTabACrashedCard) {
  struct Case {
    const char* what;
    void (*fail)(testing::FakeViewBehaviour&);
  };
  const Case cases[] = {
      {"settings", [](testing::FakeViewBehaviour& b) { b.settings_unavailable = true; }},
      {"navigation starting",
       [](testing::FakeViewBehaviour& b) { b.fail_register_navigation_starting = true; }},
      {"web messages", [](testing::FakeViewBehaviour& b) { b.fail_register_web_message = true; }},
      {"accelerator keys", [](testing::FakeViewBehaviour& b) { b.fail_add_accelerator = true; }},
      {"document script", [](testing::FakeViewBehaviour& b) { b.fail_add_script = true; }},
      {"document script completion",
       [](testing::FakeViewBehaviour& b) { b.fail_script_completion = true; }},
      {"first navigation", [](testing::FakeViewBehaviour& b) { b.fail_navigate = true; }},
  };
  start();
  for (const auto& c : cases) {
    engine.next_view_behaviour = {};
    c.fail(engine.next_view_behaviour);
    shell.view_failures.clear();
    WorkspaceTab& t = open(start_url(false));
    EXPECT_EQ(shell.view_failures, std::vector<std::int32_t>{t.id}) << c.what;
    model.on_view_failed(t.id, clock.now);
    EXPECT_TRUE(t.crashed) << c.what;
    if (model.tabs().size() > 1) model.close_tab(model.tabs().size() - 1, clock.now);
  }
}

TEST_F(WebViewHostTest, AControllerForAClosedTabIsClosedAtOnce) {
  start();
  open(start_url(false));
  const std::size_t before = engine.controllers.size();
  model.open_tab(start_url(false), true, 0);  // its controller is on the way
  model.close_tab(1, 1);
  engine.run_pending();
  ASSERT_EQ(engine.controllers.size(), before + 1);
  EXPECT_TRUE(engine.controllers.back()->closed);
  EXPECT_EQ(engine.open_controllers(), 1u);
  EXPECT_EQ(engine.live_host_windows(), 1u);
  EXPECT_TRUE(shell.view_failures.empty());
}

TEST_F(WebViewHostTest, NavigationStartsFollowThePolicy) {
  start();
  WorkspaceTab& active = loaded_tab(start_url(false));
  WorkspaceTab& background = loaded_tab(on_service(u"/en/projects"), false);
  struct Case {
    const char* what;
    bool from_active;
    std::u16string uri;
    bool cancelled;
    bool opened_externally;
  };
  const Case cases[] = {
      {"service page", true, on_service(u"/en/tools/sounds"), false, false},
      {"other site from the active tab", true, u"https://example.com/", true, true},
      {"other site from a background tab", false, u"https://example.com/", true, false},
      {"plain http on the service host", true, u"http://" + to_utf16(kServiceHostUtf8) + u"/", true,
       true},
      {"script address", true, u"javascript:alert(1)", true, false},
      {"local file", true, u"file:///C:/Windows/System32/cmd.exe", true, false},
      {"a data page without the permit", true, u"data:text/html,<p>x</p>", true, false},
  };
  for (const auto& c : cases) {
    WorkspaceTab& t = c.from_active ? active : background;
    shell.opener.opened.clear();
    view_of(t).begin_navigation(c.uri);
    engine.run_pending();
    EXPECT_EQ(view_of(t).starts.back().cancelled, c.cancelled) << c.what;
    EXPECT_EQ(shell.opener.opened.size(), c.opened_externally ? 1u : 0u) << c.what;
    if (!c.cancelled) {
      EXPECT_EQ(t.pending_url, c.uri) << c.what;
      EXPECT_EQ(t.retry_url, c.uri) << c.what;
      EXPECT_EQ(t.navigation_id, view_of(t).starts.back().id) << c.what;
      EXPECT_TRUE(t.loading) << c.what;
      EXPECT_TRUE(t.title.empty()) << c.what;
    } else {
      EXPECT_NE(t.navigation_id, view_of(t).starts.back().id) << c.what;
    }
  }
}

TEST_F(WebViewHostTest, NewWindowRequestsAreAlwaysHandledAndFollowThePolicy) {
  start();
  WorkspaceTab& active = loaded_tab(start_url(false));
  const std::int32_t background_id = loaded_tab(on_service(u"/en/projects"), false).id;
  struct Case {
    const char* what;
    bool from_active;
    std::u16string uri;
    std::size_t tabs_after;
    bool new_tab_active;
    std::size_t opened_externally;
    bool asker_navigates;
  };
  const Case cases[] = {
      {"service page from the active tab", true, on_service(u"/en/tools/retexture"), 3, true, 0,
       false},
      {"service page from a background tab", false, on_service(u"/en/tools/retexture"), 3, false, 0,
       false},
      {"payment page", false, u"https://checkout.stripe.com/c/pay/cs_test", 2, false, 0, true},
      {"other site from the active tab", true, u"https://example.com/", 2, false, 1, false},
      {"other site from a background tab", false, u"https://example.com/", 2, false, 0, false},
      {"script address", true, u"javascript:alert(1)", 2, false, 0, false},
  };
  for (const auto& c : cases) {
    model.activate_tab(0, clock.now);
    WorkspaceTab& t = c.from_active ? active : *model.find_tab(background_id);
    shell.opener.opened.clear();
    const std::size_t navigations = view_of(t).navigations.size();
    bool handled = false;
    view_of(t).raise_new_window(c.uri, &handled);
    engine.run_pending();
    EXPECT_TRUE(handled) << c.what;
    EXPECT_EQ(model.tabs().size(), c.tabs_after) << c.what;
    EXPECT_EQ(shell.opener.opened.size(), c.opened_externally) << c.what;
    EXPECT_EQ(view_of(t).navigations.size(), navigations + (c.asker_navigates ? 1 : 0)) << c.what;
    if (c.tabs_after == 3) {
      EXPECT_EQ(model.tabs().back()->pending_url, c.uri) << c.what;
      EXPECT_EQ(model.active_index() == 2, c.new_tab_active) << c.what;
      model.close_tab(2, clock.now);
    }
  }
}

TEST(OfflineCard, FollowsTheWebErrorStatusAndWhetherThePageHadLoaded) {
  struct Case {
    int status;
    bool loaded;
    bool card;
  };
  const Case cases[] = {{9, true, false}, {9, false, true},  {14, true, false}, {14, false, false},
                        {0, true, false}, {0, false, false}, {12, false, true}, {13, true, true},
                        {7, true, true},  {2, false, true}};
  for (const auto& c : cases)
    EXPECT_EQ(shows_offline_card(c.status, c.loaded), c.card)
        << "status " << c.status << " loaded " << c.loaded;
}

TEST_F(WebViewHostTest, CompletionsDecideBetweenThePageAndTheOfflineCard) {
  start();
  struct Case {
    const char* what;
    bool loaded_before;
    int status;
    bool offline;
  };
  const Case cases[] = {
      {"HTTP error page on a first load", false, web_error::kUnknown, false},
      {"cancelled first load", false, web_error::kOperationCanceled, false},
      {"aborted load of a loaded editor", true, web_error::kConnectionAborted, false},
      {"aborted first load", false, web_error::kConnectionAborted, true},
      {"host not resolved after a load", true, web_error::kHostNameNotResolved, true},
      {"cannot connect on a first load", false, web_error::kCannotConnect, true},
  };
  for (const auto& c : cases) {
    while (model.tabs().size() > 1) model.close_tab(1, clock.now);
    WorkspaceTab& t = open(start_url(false));
    if (c.loaded_before) {
      finish(t, true);
      view_of(t).begin_navigation(on_service(u"/en/projects"));
      engine.run_pending();
    }
    const bool loaded_ok_before = t.loaded_ok;
    finish(t, false, c.status);
    EXPECT_FALSE(t.loading) << c.what;
    EXPECT_TRUE(t.pending_url.empty()) << c.what;
    EXPECT_EQ(view_of(t).html_documents.size(), c.offline ? 1u : 0u) << c.what;
    if (c.offline) {
      EXPECT_FALSE(t.loaded_ok) << c.what;
      EXPECT_NE(view_of(t).html_documents[0].find(to_utf16(kServiceHostUtf8)), std::u16string::npos)
          << c.what;
      EXPECT_NE(view_of(t).html_documents[0].find(u"<a href='" + start_url(false) + u"'>Try again"),
                std::u16string::npos)
          << c.what;
    } else {
      EXPECT_EQ(t.loaded_ok, loaded_ok_before) << c.what;
    }
    if (!c.offline && c.loaded_before) {
      EXPECT_EQ(t.retry_url, start_url(false)) << c.what << ": retry must be the page kept";
    }
  }
}

TEST_F(WebViewHostTest, ACompletionOfAnOlderNavigationIsIgnored) {
  start();
  WorkspaceTab& t = open(start_url(false));
  FakeWebView& v = view_of(t);
  const auto first = *v.latest_in_flight();
  v.begin_navigation(on_service(u"/en/projects"));
  engine.run_pending();
  v.finish_navigation(first, false, web_error::kCannotConnect);
  engine.run_pending();
  EXPECT_TRUE(t.loading);
  EXPECT_TRUE(v.html_documents.empty());
  EXPECT_EQ(t.pending_url, on_service(u"/en/projects"));
}

TEST_F(WebViewHostTest, TheOfflinePageLoadsOnceThroughTheOneShotPermit) {
  start();
  WorkspaceTab& t = open(start_url(false));
  finish(t, false, web_error::kCannotConnect);  // the offline page's navigation starts too
  FakeWebView& v = view_of(t);
  ASSERT_EQ(v.html_documents.size(), 1u);
  EXPECT_TRUE(v.starts.back().uri.starts_with(u"data:text/html"));
  EXPECT_FALSE(v.starts.back().cancelled);
  EXPECT_TRUE(t.showing_local_document);
  EXPECT_FALSE(t.local_document_permit);
  finish(t, true);
  EXPECT_TRUE(t.loaded_ok);
  EXPECT_EQ(t.retry_url, start_url(false)) << "the offline page replaced the address to retry";
  clock.now = 5000;
  model.watch_first_loads(clock.now);
  EXPECT_TRUE(t.revealed);

  v.begin_navigation(u"data:text/html,<p>again</p>");
  engine.run_pending();
  EXPECT_TRUE(v.starts.back().cancelled) << "a second local page passed without a permit";

  model.reload_active_tab(clock.now);  // "Try again"
  engine.run_pending();
  EXPECT_FALSE(v.starts.back().cancelled);
  EXPECT_FALSE(t.showing_local_document);
}

TEST_F(WebViewHostTest, AFailingOfflinePageMakesTheTabACrashedCard) {
  start();
  WorkspaceTab& t = open(start_url(false));
  finish(t, false, web_error::kCannotConnect);
  engine.run_pending();
  finish(t, false, web_error::kCannotConnect);
  EXPECT_EQ(shell.view_failures, std::vector<std::int32_t>{t.id});

  WorkspaceTab& u = open(start_url(false));
  view_of(u).behaviour.fail_navigate_to_string = true;
  shell.view_failures.clear();
  finish(u, false, web_error::kCannotConnect);
  EXPECT_FALSE(u.local_document_permit) << "a permit outlived the failed load";
  EXPECT_EQ(shell.view_failures, std::vector<std::int32_t>{u.id});
}

TEST_F(WebViewHostTest, ASuccessfulCompletionRecordsTheSourceAndSchedulesTheReveal) {
  start();
  clock.now = 1000;
  WorkspaceTab& t = open(on_service(u"/en/vehicles/editor"));
  clock.now = 1400;
  finish(t, true);
  EXPECT_FALSE(t.loading);
  EXPECT_TRUE(t.loaded_ok);
  EXPECT_EQ(t.source_url, on_service(u"/en/vehicles/editor"));
  EXPECT_EQ(t.icon, 12);
  EXPECT_EQ(t.first_completed_ms, 1400u);
  EXPECT_EQ(t.reveal_at_ms, 1480u);
}

TEST_F(WebViewHostTest, TitlesSourcesAndHistoryUpdateTheTab) {
  start();
  WorkspaceTab& t = loaded_tab(start_url(false));
  FakeWebView& v = view_of(t);
  v.raise_title(u"Projects — Vantiro");
  v.raise_history(true, false);
  v.raise_source(on_service(u"/en/projects"));
  engine.run_pending();
  EXPECT_EQ(t.title, u"Projects");
  EXPECT_TRUE(t.can_go_back);
  EXPECT_FALSE(t.can_go_forward);
  EXPECT_EQ(t.source_url, on_service(u"/en/projects"));
  v.raise_source(u"https://checkout.stripe.com/c/pay/cs_test");
  engine.run_pending();
  EXPECT_EQ(t.source_url, on_service(u"/en/projects")) << "another party's page became the source";
}

TEST_F(WebViewHostTest, LeavingASignInFlowStartsTheSessionCheck) {
  start();
  WorkspaceTab& t = loaded_tab(on_service(u"/en/login"));
  conditions.auth_flow_active = true;
  view_of(t).raise_source(on_service(u"/en/login/step"));
  engine.run_pending();
  EXPECT_TRUE(shell.session_checks.empty());
  view_of(t).begin_navigation(on_service(u"/en/editor"));
  engine.run_pending();
  finish(t, true);
  ASSERT_FALSE(shell.session_checks.empty());
  EXPECT_EQ(shell.session_checks.back(), t.id);
}

TEST_F(WebViewHostTest, UnderTheWelcomeGateANewViewNeverLoadsAndChecksTheSessionOnce) {
  conditions.welcome_gate_active = true;
  start();
  WorkspaceTab& a = open(start_url(false));
  WorkspaceTab& b = open(start_url(false));
  EXPECT_TRUE(view_of(a).navigations.empty());
  EXPECT_TRUE(view_of(b).navigations.empty());
  EXPECT_TRUE(a.web_ready);
  EXPECT_FALSE(a.loading);
  EXPECT_EQ(shell.session_checks, std::vector<std::int32_t>{a.id});
  EXPECT_TRUE(welcome.skipped);
}

TEST_F(WebViewHostTest, InVisualCheckModeTheGateEndsItsGraceInsteadOfCheckingTheSession) {
  conditions.welcome_gate_active = true;
  welcome.visual_check = true;
  start();
  open(start_url(false));
  EXPECT_TRUE(shell.session_checks.empty());
  EXPECT_EQ(shell.grace_ends, 1);
}

TEST(ContextMenuItems, KeepOnlyEditingCommandsThatFitTheTarget) {
  struct Case {
    std::u16string_view name;
    bool editable, selection, kept;
  };
  const Case cases[] = {
      {u"copy", false, true, true},        {u"copy", false, false, false},
      {u"selectAll", true, false, true},   {u"cut", true, false, true},
      {u"cut", false, true, false},        {u"paste", false, true, false},
      {u"paste", true, true, true},        {u"undo", true, false, true},
      {u"redo", true, true, true},         {u"print", true, true, false},
      {u"viewSource", true, true, false},  {u"inspectElement", true, true, false},
      {u"saveAs", true, true, false},      {u"emoji", true, true, false},
      {u"spellcheck", false, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(keep_context_menu_item(c.name, c.editable, c.selection), c.kept)
        << to_utf8(c.name) << " editable " << c.editable << " selection " << c.selection;
}

TEST_F(WebViewHostTest, TheContextMenuIsFilteredOrSuppressed) {
  start();
  WorkspaceTab& t = loaded_tab(start_url(false));
  struct Case {
    const char* what;
    std::optional<bool> editable, selection;
    bool fail_remove;
    std::vector<std::u16string> remaining;
    bool handled;
  };
  const std::vector<std::u16string> all = {u"back",  u"copy",           u"cut",      u"paste",
                                           u"print", u"inspectElement", u"selectAll"};
  const Case cases[] = {
      {"selection in a page", false, true, false, {u"copy", u"selectAll"}, false},
      {"editable field", true, false, false, {u"copy", u"cut", u"paste", u"selectAll"}, false},
      {"plain page", false, false, false, all, true},
      {"unreadable target", std::nullopt, true, false, all, true},
      {"removal fails", false, true, true, all, true},
  };
  for (const auto& c : cases) {
    auto menu = std::make_shared<FakeContextMenu>();
    menu->items = all;
    menu->editable = c.editable;
    menu->has_selection = c.selection;
    menu->fail_remove = c.fail_remove;
    view_of(t).raise_context_menu(menu);
    engine.run_pending();
    EXPECT_EQ(menu->items, c.remaining) << c.what;
    EXPECT_EQ(menu->handled, c.handled) << c.what;
  }
  auto only_print = std::make_shared<FakeContextMenu>();
  only_print->items = {u"print"};
  only_print->has_selection = true;
  view_of(t).raise_context_menu(only_print);
  engine.run_pending();
  EXPECT_TRUE(only_print->items.empty());
  EXPECT_TRUE(only_print->handled) << "an empty menu was shown";
}

TEST_F(WebViewHostTest, ZoomFollowsTheSettingAndIsOneDuringSignIn) {
  start();
  WorkspaceTab& a = loaded_tab(start_url(false));
  WorkspaceTab& b = loaded_tab(start_url(false), false);
  preferences.zoom_percent = 150;
  host.apply_zoom_to_all();
  EXPECT_DOUBLE_EQ(controller_of(a).zoom, 1.5);
  EXPECT_DOUBLE_EQ(controller_of(b).zoom, 1.5);
  conditions.auth_flow_active = true;
  host.apply_zoom_to_all();
  EXPECT_DOUBLE_EQ(controller_of(a).zoom, 1.0);
  EXPECT_DOUBLE_EQ(controller_of(b).zoom, 1.0);
  conditions.auth_flow_active = false;
  preferences.zoom_percent = 80;
  host.apply_zoom_to_all();
  EXPECT_DOUBLE_EQ(controller_of(b).zoom, 0.8);
}

TEST(WebViewPreferences, TakeZoomAndThePerformanceWordFromTheSettings) {
  struct Case {
    PerfModeSetting mode;
    std::u16string_view word;
  };
  const Case cases[] = {{PerfModeSetting::automatic, u"auto"},
                        {PerfModeSetting::low, u"low"},
                        {PerfModeSetting::high, u"high"},
                        {static_cast<PerfModeSetting>(7), u"auto"}};
  for (const auto& c : cases) {
    AppSettings settings;
    settings.perf_mode = c.mode;
    settings.zoom_percent = 90;
    const WebViewPreferences p = web_view_preferences(settings);
    EXPECT_EQ(p.perf_word, c.word) << static_cast<int>(c.mode);
    EXPECT_EQ(p.zoom_percent, 90u);
  }
}

TEST_F(WebViewHostTest, APerfModeChangeReachesEveryLoadedAwakeTab) {
  start();
  WorkspaceTab& a = loaded_tab(start_url(false));
  WorkspaceTab& b = loaded_tab(start_url(false), false);
  model.open_tab(u"", false, clock.now);
  b.suspended = true;
  preferences.perf_word = u"low";
  host.apply_perf_mode_to_views();
  const std::u16string script =
      u"window.__vantiroDesktopPerfMode='low';if(window.VantiroPerf&&typeof "
      u"window.VantiroPerf.setMode==='function'){window.VantiroPerf.setMode('low',{persist:false}"
      u");}";
  EXPECT_EQ(perf_mode_script(u"low"), script);
  ASSERT_EQ(view_of(a).executed_scripts.size(), 1u);
  EXPECT_EQ(view_of(a).executed_scripts[0], script);
  EXPECT_TRUE(view_of(b).executed_scripts.empty()) << "a suspended tab was woken by the script";
}

TEST_F(WebViewHostTest, CacheClearingNeedsAToolRunsOnceAndIgnoresStaleResults) {
  start();
  model.open_tab(u"", true, 0);
  host.clear_web_cache();
  ASSERT_EQ(shell.cache_status.size(), 1u);
  EXPECT_EQ(shell.cache_status[0].state, CacheClearState::refused);
  EXPECT_EQ(shell.cache_status[0].text, u"Open a tool first before clearing web cache.");

  WorkspaceTab& t = loaded_tab(start_url(false));
  host.clear_web_cache();
  EXPECT_TRUE(host.cache_clear_running());
  EXPECT_EQ(shell.cache_status.back().state, CacheClearState::running);
  EXPECT_EQ(view_of(t).cleared_kinds, std::vector<std::uint32_t>{256});
  host.clear_web_cache();
  EXPECT_EQ(view_of(t).cleared_kinds.size(), 1u) << "a second request ran while one was running";
  engine.run_pending();
  ASSERT_EQ(shell.cache_results.size(), 1u);
  const std::uint64_t first_token = shell.cache_results[0].token;
  EXPECT_TRUE(shell.cache_results[0].ok);
  EXPECT_FALSE(host.on_cache_cleared(first_token - 1)) << "an older result was taken";
  EXPECT_TRUE(host.cache_clear_running());
  EXPECT_TRUE(host.on_cache_cleared(first_token));
  EXPECT_FALSE(host.cache_clear_running());

  host.clear_web_cache();
  engine.run_pending();
  EXPECT_FALSE(host.on_cache_cleared(first_token)) << "the first request's result counted twice";
  EXPECT_TRUE(host.on_cache_cleared(shell.cache_results.back().token));
}

TEST_F(WebViewHostTest, CacheClearingIsRefusedWhileBusyAndReportsEngineLimits) {
  start();
  WorkspaceTab& t = loaded_tab(start_url(false));
  for (bool WorkspaceConditions::*flag :
       {&WorkspaceConditions::welcome_gate_active, &WorkspaceConditions::auth_flow_active,
        &WorkspaceConditions::boot_update_overlay}) {
    conditions.*flag = true;
    host.clear_web_cache();
    conditions.*flag = false;
  }
  EXPECT_TRUE(shell.cache_status.empty());
  view_of(t).behaviour.browsing_data_unsupported = true;
  host.clear_web_cache();
  EXPECT_EQ(shell.cache_status.back().text,
            u"Your WebView2 runtime does not support selective cache clearing.");
  EXPECT_FALSE(host.cache_clear_running());
  view_of(t).behaviour.browsing_data_unsupported = false;
  view_of(t).behaviour.fail_clear_browsing_data = true;
  host.clear_web_cache();
  EXPECT_EQ(shell.cache_status.back().state, CacheClearState::failed);
  EXPECT_EQ(shell.cache_status.back().text, u"Could not clear web cache. Please try again.");
  EXPECT_FALSE(host.cache_clear_running());
}

TEST_F(WebViewHostTest, WebMessagesReachTheBridgeWithTheSendersUriAndView) {
  start();
  WorkspaceTab& a = loaded_tab(start_url(false));
  WorkspaceTab& b = loaded_tab(start_url(false), false);
  struct Seen {
    std::int32_t id;
    WebView* view;
    std::u16string uri;
    std::optional<std::string> message;
  };
  std::vector<Seen> seen;
  host.set_web_message_handler(
      [&](std::int32_t id, const std::shared_ptr<WebView>& sender, WebMessageEvent& e) {
        seen.push_back({id, sender.get(), e.source_uri, e.message});
        if (e.message == "boom") throw std::runtime_error("bad message");
      });
  view_of(b).raise_web_message(on_service(u"/en/projects"), "{\"type\":\"x\"}");
  view_of(a).raise_web_message(u"https://frame.example/", std::nullopt);
  view_of(a).raise_web_message(on_service(u"/"), "boom");
  engine.run_pending();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].id, b.id);
  EXPECT_EQ(seen[0].view, b.web_view.get());
  EXPECT_EQ(seen[0].uri, on_service(u"/en/projects"));
  EXPECT_EQ(seen[0].message, "{\"type\":\"x\"}");
  EXPECT_EQ(seen[1].view, a.web_view.get());
  EXPECT_EQ(seen[1].uri, u"https://frame.example/");
  EXPECT_FALSE(seen[1].message.has_value());

  // A renewed view's old messages find no tab.
  auto old_view = b.web_view;
  model.renew_tab_web_view(b, clock.now);
  static_cast<FakeWebView&>(*old_view).closed = false;
  static_cast<FakeWebView&>(*old_view).raise_web_message(on_service(u"/"), "late");
  engine.run_pending();
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(WebViewHostTest, PageShortcutsAreHandledAndPostedOncePerPress) {
  start();
  WorkspaceTab& a = loaded_tab(start_url(false));
  WorkspaceTab& b = loaded_tab(start_url(false), false);
  auto f5 = controller_of(a).press({AcceleratorKeyKind::key_down, 0x74, false, false});
  EXPECT_TRUE(f5.handled);
  auto repeat = controller_of(a).press({AcceleratorKeyKind::key_down, 0x74, true, false});
  EXPECT_TRUE(repeat.handled);
  auto up = controller_of(a).press({AcceleratorKeyKind::key_up, 0x74, true, false});
  EXPECT_FALSE(up.handled);
  auto letter = controller_of(a).press({AcceleratorKeyKind::key_down, 0x41, false, false});
  EXPECT_FALSE(letter.handled);
  auto background = controller_of(b).press({AcceleratorKeyKind::key_down, 0x74, false, false});
  EXPECT_FALSE(background.handled);
  ASSERT_EQ(shell.shortcuts.size(), 1u);
  EXPECT_EQ(shell.shortcuts[0].id, a.id);
  EXPECT_EQ(shell.shortcuts[0].action, 7);
}

TEST_F(WebViewHostTest, ProcessFailuresArePostedAndABrowserCrashMakesNewViews) {
  start();
  WorkspaceTab& t = loaded_tab(start_url(false));
  view_of(t).raise_process_failed(ProcessFailureKind::browser_process_exited);
  engine.run_pending();
  ASSERT_EQ(shell.process_failures.size(), 1u);
  EXPECT_EQ(shell.process_failures[0].id, t.id);
  model.on_process_failed(t.id, ProcessFailureKind::browser_process_exited, clock.now);
  EXPECT_EQ(engine.environment_requests.size(), 2u);
  EXPECT_EQ(engine.open_controllers(), 0u);
  engine.complete_environment(true);
  engine.run_pending();
  EXPECT_EQ(engine.open_controllers(), 1u);
  EXPECT_TRUE(t.web_ready);
  EXPECT_EQ(view_of(t).navigations.back(), start_url(false));
  EXPECT_TRUE(shell.quit_codes.empty());
}

TEST_F(WebViewHostTest, AMissingRuntimeAsksOnceAndEndsWithCodeOne) {
  model.open_tab(start_url(false), true, 0);
  shell.answer_yes = true;
  model.start_environment();
  engine.complete_environment(false);
  engine.run_pending();
  EXPECT_EQ(shell.runtime_questions, 1);
  EXPECT_EQ(shell.download_pages, 1);
  EXPECT_EQ(shell.quit_codes, std::vector<int>{1});

  // A request the engine refuses at once is handled like a failed completion.
  FakeWebEngine refusing;
  refusing.fail_environment_request = true;
  FakeHostShell s;
  WorkspaceConditions cond;
  WebViewHost h(refusing, s, cond, preferences, welcome, clock);
  TabModel m(s, addresses, h, cond, clock);
  h.attach(m);
  m.open_tab(start_url(false), true, 0);
  m.start_environment();
  EXPECT_EQ(s.runtime_questions, 1);
  EXPECT_EQ(s.quit_codes, std::vector<int>{1});
}

TEST_F(WebViewHostTest, AFailedRestartShowsCardsWithoutQuitting) {
  start();
  WorkspaceTab& t = loaded_tab(start_url(false));
  model.on_process_failed(t.id, ProcessFailureKind::browser_process_exited, clock.now);
  engine.complete_environment(false);
  engine.run_pending();
  EXPECT_TRUE(t.crashed);
  EXPECT_TRUE(shell.quit_codes.empty());
  EXPECT_EQ(shell.runtime_questions, 0);
}

TEST_F(WebViewHostTest, HtmlFullscreenDrivesTheWindowOnlyForTheActiveTab) {
  start();
  WorkspaceTab& a = loaded_tab(start_url(false));
  WorkspaceTab& b = loaded_tab(start_url(false), false);
  view_of(a).raise_fullscreen(true);
  engine.run_pending();
  EXPECT_TRUE(a.html_fullscreen);
  EXPECT_TRUE(shell.window_fullscreen);
  view_of(a).raise_fullscreen(false);
  engine.run_pending();
  EXPECT_FALSE(shell.window_fullscreen);
  view_of(b).raise_fullscreen(true);
  engine.run_pending();
  EXPECT_FALSE(shell.window_fullscreen);
  EXPECT_FALSE(b.html_fullscreen);
  ASSERT_EQ(view_of(b).executed_scripts.size(), 1u);
  EXPECT_EQ(view_of(b).executed_scripts[0], kExitFullscreenScript);
}

}  // namespace
}  // namespace vantiro::workspace
