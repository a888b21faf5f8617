#pragma once

// The studio's start-up order, from the single-instance test to the message loop, over the
// operations the host provides. The order is the contract: each step may rely on the ones
// before it (the window exists before the chrome refreshes, the window handle is published
// before the first tab opens, timers start last).

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/app_runtime.h"
#include "app/launch_options.h"
#include "common/file_system.h"
#include "common/localized_text.h"
#include "persist/settings.h"
#include "persist/window_placement.h"

namespace vantiro::app {

inline constexpr LocalizedText kTextCloseBeforeUninstall{u"Stäng Vantiro innan du avinstallerar.",
                                                         u"Close Vantiro before uninstalling."};
inline constexpr LocalizedText kTextUninstallFailed{
    u"Vantiro kunde inte avinstalleras helt. Försök igen.",
    u"Vantiro could not be fully uninstalled. Try again."};
inline constexpr std::u16string_view kGraphicsFailedReason =
    u"Direct2D or DirectWrite initialization failed";

enum class InstanceLock { acquired, already_running, failed };

struct StartupSettings {
  AppSettings settings;
  Path path;  // empty when the folder could not be found
};

struct StartupHost {
  virtual ~StartupHost() = default;
  virtual void set_app_user_model_id() = 0;
  virtual InstanceLock acquire_single_instance() = 0;
  // Restores and raises the running studio's window, when there is one.
  virtual void activate_running_window() = 0;
  // An information or error box without owner, captioned with the product name.
  virtual void show_message(std::u16string_view text, bool error) = 0;
  virtual bool uninstall_studio() = 0;

  virtual bool is_installed_copy() = 0;
  virtual void register_uninstall_entry() = 0;
  virtual StartupSettings load_settings() = 0;
  virtual void save_settings(const StartupSettings& settings) = 0;
  virtual void prepare_ui_thread() = 0;
  // window.ini, or visual-window.ini in the check's folder (only its maximized flag counts
  // there; the host places a visual check's window itself).
  virtual WindowPlacement read_window_placement(bool visual_check) = 0;
  virtual bool create_window(const WindowPlacement& placement, bool visual_check) = 0;
  virtual bool init_graphics() = 0;
  virtual void write_visual_check_failure(std::u16string_view reason) = 0;
  virtual void destroy_window() = 0;
  virtual void create_tooltip() = 0;
  virtual std::uint64_t tick_count_ms() = 0;
  virtual void refresh_chrome() = 0;
  virtual void apply_frame_attributes() = 0;
  virtual std::optional<bool> read_system_animations() = 0;
  virtual std::optional<std::uint64_t> total_memory_bytes() = 0;
  virtual std::uint32_t logical_processors() = 0;
  virtual void show_window(bool maximized, bool visual_check) = 0;
  // The poster that workers reach the window through; published under the shared lock.
  virtual UiPoster& poster() = 0;
  virtual void paint_now() = 0;
  virtual bool open_first_tab(std::u16string_view url) = 0;
  virtual void start_visual_check() = 0;
  virtual void create_web_environment() = 0;
  virtual bool start_timer(int id, std::uint64_t interval_ms) = 0;
  virtual void start_update_check(bool auto_install) = 0;
  // Returns the quit code.
  virtual int run_message_loop() = 0;
  virtual void release_single_instance() = 0;
  virtual void shut_down() = 0;
};

// Steps from the single-instance test on for the uninstall, visual-check and studio modes;
// returns the exit code. The other modes end before this.
int run_startup(StartupHost& host, AppRuntime& runtime, const LaunchPlan& plan);

}  // namespace vantiro::app
