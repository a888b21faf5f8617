#include "update/boot_update.h"

#include "update/update_progress.h"
#include "update/update_texts.h"

namespace vantiro::update {

bool boot_auto_update_allowed(bool cleanup_old, bool skip_boot_update, bool visual_check,
                              bool boot_auto_update_setting) {
  return !cleanup_old && !skip_boot_update && !visual_check && boot_auto_update_setting;
}

bool BootUpdate::on_download_started(const UpdateCheckResult& record) {
  if (!check_pending || record.version.empty() || record.download_size == 0) return false;
  version = record.version;
  overlay = true;
  verifying = false;
  received = 0;
  total = record.download_size;
  return true;
}

void BootUpdate::on_progress(std::uint64_t done, std::uint64_t total_bytes, bool final) {
  if (!overlay) return;
  received = done;
  if (total_bytes != 0) total = total_bytes;
  if (final) verifying = true;
}

BootUpdate::Finish BootUpdate::on_check_finished(const UpdateCheckResult& result) {
  check_pending = false;
  if (result.staged && result.auto_install && overlay && !restart_running) {
    restart_running = true;
    received = total;
    return Finish::install_now;
  }
  overlay = false;
  verifying = false;
  return Finish::handle_as_check;
}

void BootUpdate::on_install_failed() {
  restart_running = false;
  overlay = false;
  verifying = false;
}

void BootUpdate::on_watchdog() {
  check_pending = false;
  overlay = false;
  verifying = false;
}

std::u16string BootUpdate::boot_line(bool ui_swedish) const {
  if (restart_running) return std::u16string(kTextRestarting.pick(ui_swedish));
  if (overlay && verifying) return std::u16string(kTextVerifyingSignature.pick(ui_swedish));
  if (overlay) return boot_download_line(version, received, total, ui_swedish);
  if (check_pending) return std::u16string(kTextBootChecking.pick(ui_swedish));
  return {};
}

}  // namespace vantiro::update
