#pragma once

#include <cstdint>
#include <string>

#include "update/update_worker.h"

namespace vantiro::update {

inline constexpr std::uint64_t kBootDownloadWatchdogMs = 60000;

bool boot_auto_update_allowed(bool cleanup_old, bool skip_boot_update, bool visual_check,
                              bool boot_auto_update_setting);

// The start-up check's flags on the UI thread. Each event returns what the host must do.
struct BootUpdate {
  bool check_pending = false;  // the running check may install at start-up
  bool overlay = false;        // a boot download is shown under the boot scene
  bool restart_running = false;
  bool verifying = false;
  std::u16string version;
  std::uint64_t received = 0;
  std::uint64_t total = 0;

  void on_check_started(bool auto_install_allowed) { check_pending = auto_install_allowed; }
  void on_check_start_failed() { check_pending = false; }

  // Kind 0. True when accepted: the host then arms the watchdog for 60 s.
  bool on_download_started(const UpdateCheckResult& record);

  // Progress posts; ignored unless a boot download is shown.
  void on_progress(std::uint64_t done, std::uint64_t total_bytes, bool final);

  enum class Finish {
    install_now,      // set install_running, show the restart line, paint, install
    handle_as_check,  // a verified update becomes staged; nothing is installed
  };
  // Kind 1.
  Finish on_check_finished(const UpdateCheckResult& result);

  // The automatic installation returned false; the host stages the update.
  void on_install_failed();

  // Timer 81: the boot stops waiting; the worker's later result is staged, not installed.
  void on_watchdog();

  // The boot scene's line, or empty when the update check has no part in the boot.
  std::u16string boot_line(bool ui_swedish) const;
};

}  // namespace vantiro::update
