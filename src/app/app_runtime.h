#pragma once

// The studio's process-wide record. Everything here lives on the UI thread except
// `shared_main_window`, which workers post through under its lock.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "app/launch_options.h"
#include "app/ui_poster.h"
#include "chrome/palette.h"
#include "persist/settings.h"
#include "persist/window_placement.h"

namespace vantiro::app {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;

struct AppRuntime {
  // Language.
  bool ui_swedish = true;
  bool language_forced = false;
  bool forced_swedish = false;
  bool system_prefers_swedish = false;

  LaunchOptions options;
  std::u16string visual_check_dir;  // non-empty: visual-check mode

  bool installed = false;
  bool settings_read_only = false;
  AppSettings settings;
  bool sidebar_expanded = false;
  bool system_animations = true;
  bool low_end_machine = false;
  bool perf_lite = false;
  bool reduced_motion = false;

  bool main_window = false;  // the window exists (created and not yet destroyed)
  // Shared with the workers, which may outlive the window and this record.
  std::shared_ptr<SharedMainWindow> shared_main_window = std::make_shared<SharedMainWindow>();
  int tip_seed = 0;
  std::uint64_t visual_check_started_ms = 0;
  bool visual_started_maximized = false;
  std::uint32_t session_id = 0;

  // Main window.
  bool fullscreen = false;
  std::optional<WindowPlacement> saved_placement;
  bool window_active = false;
  bool caption_pressed = false;
  std::u16string notice_text;
  bool notice_success = false;
  std::u16string update_status_text;
  int update_state = 0;
  std::u16string cache_status_text;
  int cache_state = 0;
  std::u16string settings_message;
  std::u16string latest_version;
  bool update_check_running = false;
  bool install_running = false;
  bool settings_open = false;
  int settings_category = 0;
  PaletteState palette;

  // Boot.
  bool boot_finished = false;
  bool active_tab_loading = false;
  int boot_stage = 0;
  float boot_alpha = 1;
  float spinner_phase = 0;

  // Exit code: the first failure wins over every later code, and a visual check that has
  // not written a passing report cannot end with 0.
  std::optional<int> failure_code;
  bool visual_check_report_passed = false;

  bool visual_check() const { return !visual_check_dir.empty(); }
};

// Records a code the process may end with; a non-zero code is kept if it is the first.
void record_exit_code(AppRuntime& runtime, int code);

// The code the process ends with after its loop returned loop_code.
int final_exit_code(const AppRuntime& runtime, int loop_code);

// A start that finds a studio already running: "--uninstall" refuses with 1, and so does a
// visual check (it cannot write its report); anything else hands over and ends with 0.
int second_instance_exit_code(LaunchMode mode);

}  // namespace vantiro::app
