#include "app/startup.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/utf.h"

namespace vantiro::app {
namespace {

struct NullPoster final : UiPoster {
  bool post(UiEvent&) override { return true; }
};

// Records every step by name, in order.
struct RecordingStartupHost final : StartupHost {
  std::vector<std::string> steps;
  InstanceLock lock = InstanceLock::acquired;
  bool uninstall_ok = true;
  bool installed = false;
  bool window_ok = true;
  bool graphics_ok = true;
  StartupSettings settings{AppSettings{}, u"/home/u/.local/share/Vantiro/settings.ini"};
  WindowPlacement placement{10, 20, 1280, 800, false};
  std::optional<std::uint64_t> memory = 32ull << 30;
  std::uint32_t processors = 8;
  std::optional<bool> animations = true;
  int loop_code = 0;
  std::u16string message;
  std::u16string failure_reason;
  std::u16string first_tab;
  std::vector<std::pair<int, std::uint64_t>> timers;
  std::vector<bool> update_checks;
  bool published_before_first_tab = false;
  AppRuntime* rt = nullptr;
  NullPoster null_poster;

  void step(const char* s) { steps.emplace_back(s); }
  void set_app_user_model_id() override { step("aumid"); }
  InstanceLock acquire_single_instance() override {
    step("mutex");
    return lock;
  }
  void activate_running_window() override { step("activate other"); }
  void show_message(std::u16string_view text, bool) override {
    step("message");
    message = text;
  }
  bool uninstall_studio() override {
    step("uninstall");
    return uninstall_ok;
  }
  bool is_installed_copy() override {
    step("installed?");
    return installed;
  }
  void register_uninstall_entry() override { step("register"); }
  StartupSettings load_settings() override {
    step("load settings");
    return settings;
  }
  void save_settings(const StartupSettings&) override { step("save settings"); }
  void prepare_ui_thread() override { step("ui thread"); }
  WindowPlacement read_window_placement(bool) override {
    step("placement");
    return placement;
  }
  bool create_window(const WindowPlacement&, bool) override {
    step("create window");
    return window_ok;
  }
  bool init_graphics() override {
    step("graphics");
    return graphics_ok;
  }
  void write_visual_check_failure(std::u16string_view reason) override {
    step("visual failure report");
    failure_reason = reason;
  }
  void destroy_window() override { step("destroy window"); }
  void create_tooltip() override { step("tooltip"); }
  std::uint64_t tick_count_ms() override { return 13; }
  void refresh_chrome() override { step("refresh"); }
  void apply_frame_attributes() override { step("frame"); }
  std::optional<bool> read_system_animations() override { return animations; }
  std::optional<std::uint64_t> total_memory_bytes() override { return memory; }
  std::uint32_t logical_processors() override { return processors; }
  void show_window(bool, bool) override { step("show"); }
  UiPoster& poster() override { return null_poster; }
  void paint_now() override { step("paint"); }
  bool open_first_tab(std::u16string_view url) override {
    step("first tab");
    first_tab = url;
    published_before_first_tab = rt->shared_main_window->published();
    return true;
  }
  void start_visual_check() override { step("visual check"); }
  void create_web_environment() override { step("environment"); }
  bool start_timer(int id, std::uint64_t ms) override {
    steps.push_back("timer " + std::to_string(id));
    timers.emplace_back(id, ms);
    return true;
  }
  void start_update_check(bool auto_install) override {
    step("update check");
    update_checks.push_back(auto_install);
  }
  int run_message_loop() override {
    step("loop");
    return loop_code;
  }
  void release_single_instance() override { step("release mutex"); }
  void shut_down() override { step("shut down"); }
};

std::string joined(const std::vector<std::string>& v) {
  std::string s;
  for (const auto& x : v) s += x + ", ";
  return s;
}

LaunchPlan plan_for(LaunchMode mode) {
  LaunchPlan p;
  p.mode = mode;
  if (mode == LaunchMode::visual_check) {
    p.options.visual_check_dir = u"/tmp/vc";
    p.welcome.welcome_grace_pending = false;
  }
  return p;
}

class StartupTest : public ::testing::Test {
 protected:
  int run(const LaunchPlan& plan) {
    host.rt = &rt;
    return run_startup(host, rt, plan);
  }
  RecordingStartupHost host;
  AppRuntime rt;
};

TEST_F(StartupTest, TheStudioStartsInTheWrittenOrder) {
  host.installed = true;
  EXPECT_EQ(run(plan_for(LaunchMode::studio)), 0);
  const std::vector<std::string> want = {
      "aumid",        "mutex",     "installed?",    "register",  "load settings", "save settings",
      "ui thread",    "placement", "create window", "graphics",  "tooltip",       "refresh",
      "frame",        "show",      "paint",         "first tab", "environment",   "timer 82",
      "update check", "timer 80",  "timer 83",      "loop",      "release mutex", "shut down"};
  EXPECT_EQ(host.steps, want) << joined(host.steps);
  EXPECT_TRUE(host.published_before_first_tab);
  EXPECT_EQ(host.timers,
            (std::vector<std::pair<int, std::uint64_t>>{{82, 2500}, {80, 900000}, {83, 10000}}));
  ASSERT_EQ(host.update_checks.size(), 1u);
  EXPECT_TRUE(host.update_checks[0]);
  EXPECT_EQ(rt.tip_seed, 13 % 8);
}

TEST_F(StartupTest, AVisualCheckRunsOnlyItsStepTimerAndNoUpdateCheck) {
  EXPECT_EQ(run(plan_for(LaunchMode::visual_check)), 1)
      << "a loop that ends before a passing report cannot end with 0";
  EXPECT_EQ(host.timers, (std::vector<std::pair<int, std::uint64_t>>{{77, 200}}));
  EXPECT_TRUE(host.update_checks.empty());
  EXPECT_EQ(rt.tip_seed, 0);
  EXPECT_FALSE(rt.sidebar_expanded);
  EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "save settings"), 0)
      << "a visual check never writes settings";
  auto at = [&](const char* s) { return std::find(host.steps.begin(), host.steps.end(), s); };
  EXPECT_LT(at("first tab"), at("visual check"));
  EXPECT_LT(at("visual check"), at("environment"));

  AppRuntime rt2;
  RecordingStartupHost host2;
  host2.rt = &rt2;
  // A check that wrote its passing report ends with 0.
  rt2.visual_check_report_passed = true;
  EXPECT_EQ(run_startup(host2, rt2, plan_for(LaunchMode::visual_check)), 0);
}

TEST_F(StartupTest, ASecondStartActivatesTheFirstAndAVisualCheckOrUninstallRefuses) {
  struct Case {
    const char* name;
    LaunchMode mode;
    int want;
    bool message;
  };
  const Case cases[] = {
      {"studio", LaunchMode::studio, 0, false},
      {"visual check", LaunchMode::visual_check, 1, false},
      {"uninstall", LaunchMode::uninstall, 1, true},
  };
  for (const auto& c : cases) {
    RecordingStartupHost h;
    AppRuntime r;
    r.system_prefers_swedish = true;
    h.rt = &r;
    h.lock = InstanceLock::already_running;
    EXPECT_EQ(run_startup(h, r, plan_for(c.mode)), c.want) << c.name;
    EXPECT_EQ(std::count(h.steps.begin(), h.steps.end(), "message"), c.message ? 1 : 0) << c.name;
    EXPECT_EQ(std::count(h.steps.begin(), h.steps.end(), "create window"), 0) << c.name;
    if (c.message) {
      EXPECT_EQ(h.message, u"Stäng Vantiro innan du avinstallerar.") << c.name;
    }
  }
}

TEST_F(StartupTest, UninstallRunsAfterTheLockAndReportsAFailure) {
  host.uninstall_ok = false;
  rt.system_prefers_swedish = false;
  EXPECT_EQ(run(plan_for(LaunchMode::uninstall)), 1);
  EXPECT_EQ(host.message, u"Vantiro could not be fully uninstalled. Try again.");
  EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "load settings"), 0);
  RecordingStartupHost ok_host;
  AppRuntime r;
  ok_host.rt = &r;
  EXPECT_EQ(run_startup(ok_host, r, plan_for(LaunchMode::uninstall)), 0);
}

TEST_F(StartupTest, FailuresEndWithOneAndStopTheOrder) {
  host.lock = InstanceLock::failed;
  EXPECT_EQ(run(plan_for(LaunchMode::studio)), 1);
  EXPECT_EQ(host.steps.back(), "mutex");

  RecordingStartupHost no_window;
  AppRuntime r1;
  no_window.rt = &r1;
  no_window.window_ok = false;
  EXPECT_EQ(run_startup(no_window, r1, plan_for(LaunchMode::studio)), 1);
  EXPECT_EQ(std::count(no_window.steps.begin(), no_window.steps.end(), "graphics"), 0);

  RecordingStartupHost no_graphics;
  AppRuntime r2;
  no_graphics.rt = &r2;
  no_graphics.graphics_ok = false;
  EXPECT_EQ(run_startup(no_graphics, r2, plan_for(LaunchMode::visual_check)), 1);
  EXPECT_EQ(no_graphics.failure_reason, u"Direct2D or DirectWrite initialization failed");
  EXPECT_EQ(std::count(no_graphics.steps.begin(), no_graphics.steps.end(), "destroy window"), 1);
  EXPECT_EQ(std::count(no_graphics.steps.begin(), no_graphics.steps.end(), "show"), 0);
}

TEST_F(StartupTest, ALoopEndingWithOneOrAnEarlierFailureIsNotTurnedIntoZero) {
  host.loop_code = 1;
  EXPECT_EQ(run(plan_for(LaunchMode::studio)), 1);
}

TEST_F(StartupTest, CleanupOldOrTheSettingTurnsBootInstallationOff) {
  LaunchPlan p = plan_for(LaunchMode::studio);
  p.options.cleanup_old = true;
  EXPECT_EQ(run(p), 0);
  ASSERT_EQ(host.update_checks.size(), 1u);
  EXPECT_FALSE(host.update_checks[0]);

  RecordingStartupHost h;
  AppRuntime r;
  h.rt = &r;
  h.settings.settings.boot_auto_update = false;
  run_startup(h, r, plan_for(LaunchMode::studio));
  ASSERT_EQ(h.update_checks.size(), 1u);
  EXPECT_FALSE(h.update_checks[0]);
}

TEST_F(StartupTest, SettingsDecideLanguageMotionAndTheWriteBack) {
  host.settings.settings.file_existed = true;
  host.settings.settings.language = LanguageSetting::sv;
  host.settings.settings.sidebar_expanded = true;
  host.processors = 4;
  LaunchPlan p = plan_for(LaunchMode::studio);
  p.welcome = {false, false, true};
  EXPECT_EQ(run(p), 0);
  EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "save settings"), 0)
      << "an existing file is not rewritten";
  EXPECT_TRUE(rt.ui_swedish);
  EXPECT_EQ(host.first_tab.substr(host.first_tab.size() - 10), u"/sv/editor");
  EXPECT_TRUE(rt.sidebar_expanded);
  EXPECT_TRUE(rt.low_end_machine);
  EXPECT_TRUE(rt.perf_lite) << "perf_mode auto on a four-processor machine";
  EXPECT_EQ(std::count(host.steps.begin(), host.steps.end(), "timer 82"), 0)
      << "no grace timer with --skip-welcome";

  RecordingStartupHost forced;
  AppRuntime r;
  forced.rt = &r;
  forced.settings.settings.language = LanguageSetting::sv;
  LaunchPlan q = plan_for(LaunchMode::studio);
  q.options.language_forced = true;
  q.options.forced_swedish = false;
  run_startup(forced, r, q);
  EXPECT_FALSE(r.ui_swedish) << "--lang=en wins over the setting";
}

}  // namespace
}  // namespace vantiro::app
