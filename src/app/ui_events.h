#pragma once

// What worker threads and engine handlers hand to the UI thread, and the main window's timers.

#include <cstdint>
#include <memory>
#include <variant>

#include "update/update_worker.h"
#include "workspace/web_engine.h"

namespace vantiro::app {

// A key the page's accelerator handler recognised; runs only if the tab is still active.
struct ShortcutKeyEvent {
  std::uint32_t virtual_key = 0;
  int action = 0;  // as tab_shortcut_action
  std::int32_t tab_id = 0;
};

// The receiver owns the record; it may be null.
struct UpdateResultEvent {
  update::UpdatePostKind kind = update::UpdatePostKind::check_finished;
  std::unique_ptr<update::UpdateCheckResult> result;
};

struct TabViewFailedEvent {
  std::int32_t tab_id = 0;
};

struct TabProcessFailedEvent {
  std::int32_t tab_id = 0;
  workspace::ProcessFailureKind kind = workspace::ProcessFailureKind::browser_process_exited;
};

struct DownloadProgressEvent {
  std::uint64_t bytes = 0;
  std::uint64_t total = 0;
  bool verifying = false;
};

struct SessionResultEvent {
  std::int32_t tab_id = 0;
  std::uint64_t tag = 0;  // the check it answers; a stale tag changes nothing
  bool signed_in = false;
};

struct CacheClearResultEvent {
  bool success = false;
  std::uint64_t token = 0;
};

using UiEvent =
    std::variant<ShortcutKeyEvent, UpdateResultEvent, TabViewFailedEvent, TabProcessFailedEvent,
                 DownloadProgressEvent, SessionResultEvent, CacheClearResultEvent>;

enum class TimerId : int {
  visual_check_step = 77,
  chrome_notice = 78,
  animation = 79,
  periodic_update_check = 80,
  boot_download_watchdog = 81,
  welcome_grace = 82,
  background_sweep = 83,
};

inline constexpr std::uint64_t kVisualCheckStepMs = 200;
inline constexpr std::uint64_t kSuccessNoticeMs = 5000;
inline constexpr std::uint64_t kNoticeMs = 3500;
inline constexpr std::uint64_t kAnimationTickMs = 16;
inline constexpr std::uint64_t kPeriodicUpdateCheckMs = 900000;
inline constexpr std::uint64_t kBootDownloadWatchdogMs = 60000;
inline constexpr std::uint64_t kWelcomeGraceMs = 2500;
inline constexpr std::uint64_t kBackgroundSweepMs = 10000;

// Whether a timer stops itself before it acts.
constexpr bool is_one_shot(TimerId id) {
  return id == TimerId::chrome_notice || id == TimerId::boot_download_watchdog ||
         id == TimerId::welcome_grace;
}

}  // namespace vantiro::app
