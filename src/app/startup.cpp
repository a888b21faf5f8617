#include "app/startup.h"

#include "app/motion_state.h"
#include "app/ui_events.h"
#include "app/ui_language.h"
#include "update/boot_update.h"
#include "web/url.h"

namespace vantiro::app {

namespace {

void choose_language(AppRuntime& rt) {
  const std::optional<bool> forced =
      rt.language_forced ? std::optional<bool>(rt.forced_swedish) : std::nullopt;
  rt.ui_swedish = choose_ui_swedish(forced, rt.settings.language, rt.system_prefers_swedish);
}

int fail(AppRuntime& rt, StartupHost& host) {
  record_exit_code(rt, kExitFailure);
  host.release_single_instance();
  host.shut_down();
  return final_exit_code(rt, kExitFailure);
}

}  // namespace

int run_startup(StartupHost& host, AppRuntime& rt, const LaunchPlan& plan) {
  const bool visual = plan.mode == LaunchMode::visual_check;
  rt.options = plan.options;
  rt.language_forced = plan.options.language_forced;
  rt.forced_swedish = plan.options.forced_swedish;
  rt.visual_check_dir = visual ? plan.options.visual_check_dir : std::u16string();
  choose_language(rt);  // with the setting still "auto", so the messages below have a language

  host.set_app_user_model_id();
  switch (host.acquire_single_instance()) {
    case InstanceLock::failed:
      return kExitFailure;
    case InstanceLock::already_running:
      if (plan.mode == LaunchMode::uninstall) {
        host.release_single_instance();
        host.show_message(kTextCloseBeforeUninstall.pick(rt.ui_swedish), false);
      } else {
        host.activate_running_window();
        host.release_single_instance();
      }
      return second_instance_exit_code(plan.mode);
    case InstanceLock::acquired:
      break;
  }

  if (plan.mode == LaunchMode::uninstall) {
    const bool ok = host.uninstall_studio();
    host.release_single_instance();
    if (!ok) host.show_message(kTextUninstallFailed.pick(rt.ui_swedish), true);
    return ok ? kExitSuccess : kExitFailure;
  }

  rt.installed = host.is_installed_copy();
  if (rt.installed) host.register_uninstall_entry();

  StartupSettings loaded = host.load_settings();
  const SettingsStartup contract = decide_settings_startup(loaded.settings, loaded.path, visual);
  rt.settings = loaded.settings;
  rt.settings_read_only = contract.read_only;
  if (contract.write_back) host.save_settings(loaded);
  choose_language(rt);

  host.prepare_ui_thread();
  const WindowPlacement placement = host.read_window_placement(visual);
  rt.sidebar_expanded = visual ? false : rt.settings.sidebar_expanded;
  if (!host.create_window(placement, visual)) return fail(rt, host);
  rt.main_window = true;
  if (!host.init_graphics()) {
    if (visual) host.write_visual_check_failure(kGraphicsFailedReason);
    host.destroy_window();
    rt.main_window = false;
    return fail(rt, host);
  }
  host.create_tooltip();
  rt.tip_seed = visual ? 0 : static_cast<int>(host.tick_count_ms() % 8);
  host.refresh_chrome();
  host.apply_frame_attributes();
  rt.system_animations = host.read_system_animations().value_or(true);
  rt.low_end_machine = is_low_end_machine(host.total_memory_bytes(), host.logical_processors());
  const MotionState motion = derive_motion_state(rt.settings.reduce_motion, rt.settings.perf_mode,
                                                 rt.system_animations, rt.low_end_machine);
  rt.perf_lite = motion.perf_lite;
  rt.reduced_motion = motion.reduced_motion;
  host.show_window(placement.maximized, visual);
  rt.shared_main_window->publish(&host.poster());
  host.paint_now();
  host.open_first_tab(start_url(rt.ui_swedish));
  if (visual) {
    rt.visual_check_started_ms = host.tick_count_ms();
    host.start_visual_check();
  }
  host.create_web_environment();
  if (visual) {
    host.start_timer(static_cast<int>(TimerId::visual_check_step), kVisualCheckStepMs);
  } else {
    if (plan.welcome.welcome_gate_active && plan.welcome.welcome_grace_pending)
      host.start_timer(static_cast<int>(TimerId::welcome_grace), kWelcomeGraceMs);
    host.start_update_check(update::boot_auto_update_allowed(plan.options.cleanup_old,
                                                             plan.options.skip_boot_update, false,
                                                             rt.settings.boot_auto_update));
    host.start_timer(static_cast<int>(TimerId::periodic_update_check), kPeriodicUpdateCheckMs);
    host.start_timer(static_cast<int>(TimerId::background_sweep), kBackgroundSweepMs);
  }

  const int loop_code = host.run_message_loop();
  record_exit_code(rt, loop_code);
  host.release_single_instance();
  host.shut_down();
  return final_exit_code(rt, loop_code);
}

}  // namespace vantiro::app
