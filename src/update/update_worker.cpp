#include "update/update_worker.h"

#include "common/utf.h"
#include "update/download.h"
#include "update/update_location.h"
#include "update/update_progress.h"
#include "update/update_texts.h"
#include "web/url.h"

namespace vantiro::update {
namespace {

void download_and_stage(UpdateWorkerPorts& ports, const ReleaseStatus& status, bool auto_install,
                        const UpdatePosts& posts, UpdateCheckResult& result) {
  const auto folder = update_download_folder(ports.files, ports.executable_folder,
                                             ports.per_user_folder, ports.process_id);
  if (!folder) return;
  auto staged =
      std::make_unique<StagedUpdate>(ports.files, status.version, status.sha256, status.bytes,
                                     update_temp_file(*folder, new_guid_text()));
  bool reporting = false;
  if (auto_install && posts.result) {
    auto started = std::make_unique<UpdateCheckResult>();
    started->version = status.version;
    started->download_size = status.bytes;
    started->auto_install = true;
    reporting = posts.result(UpdatePostKind::boot_download_started, started);
  }
  ProgressThrottle throttle;
  const std::uint64_t total = status.bytes;
  const bool downloaded = download_to_file(
      ports.client, ports.files, ports.endpoint, kReleaseDownloadPath, staged->temp_path(), total,
      [&](std::uint64_t received) {
        if (reporting && posts.progress && throttle.should_report(ports.clock.now_ms()))
          posts.progress(received, total, false);
      });
  if (!downloaded) return;  // the record goes, and with it any file
  if (reporting && posts.progress) posts.progress(total, total, true);
  if (verify_staged_update(*staged, ports.sha256, ports.checks, ports.current_version) ==
      VerifyResult::ok)
    result.staged = std::move(staged);
}

}  // namespace

bool update_worker(UpdateWorkerPorts& ports, bool auto_install, const UpdatePosts& posts) {
  std::unique_ptr<UpdateCheckResult> result;
  try {
    const std::string body = fetch_release_status(
        ports.client, ports.endpoint, auto_install ? kBootStatusDeadlineMs : kStatusDeadlineMs);
    const ReleaseStatus status =
        body.empty() ? ReleaseStatus{} : parse_release_status(body, ports.current_version);
    result = std::make_unique<UpdateCheckResult>();
    result->version = status.version;
    result->auto_install = auto_install;
    result->fetch_failed = body.empty() || !status.understood;
    if (!status.sha256.empty() && status.bytes != 0)
      download_and_stage(ports, status, auto_install, posts, *result);
  } catch (...) {
    // Whatever was built so far still goes to the UI thread.
  }
  if (!result || !posts.result) return false;
  return posts.result(UpdatePostKind::check_finished, result);
}

bool install_verification_worker(std::unique_ptr<StagedUpdate> update, Sha256& sha256,
                                 ReleaseChecks& checks, const UpdatePosts& posts,
                                 std::u16string_view current_version) {
  auto result = std::make_unique<UpdateCheckResult>();
  try {
    if (update) {
      result->version = update->version();
      if (verify_staged_update(*update, sha256, checks, current_version) == VerifyResult::ok)
        result->staged = std::move(update);
    }
  } catch (...) {
    result->staged.reset();
  }
  update.reset();  // a failed one is dropped here, its file with it
  if (!posts.result) return false;
  return posts.result(UpdatePostKind::install_verified, result);
}

bool begin_update_check(std::atomic<bool>& update_check_running, bool update_staged,
                        bool install_running) {
  if (update_staged || install_running) return false;
  return !update_check_running.exchange(true);
}

std::unique_ptr<StagedUpdate> begin_install_verification(std::unique_ptr<StagedUpdate>& staged,
                                                         std::atomic<bool>& update_check_running) {
  if (!staged || update_check_running.exchange(true)) return nullptr;
  std::unique_ptr<StagedUpdate> taken = std::move(staged);
  taken->close_held();
  return taken;
}

std::u16string download_page_url() {
  return service_url(to_utf16(kReleaseDownloadPath));
}

UpdateStatus update_status_after_check(const UpdateCheckResult& result, bool ui_swedish) {
  if (result.fetch_failed)
    return {UpdateState::error, std::u16string(kTextUnreachable.pick(ui_swedish))};
  if (result.version.empty())
    return {UpdateState::up_to_date, std::u16string(kTextUpToDate.pick(ui_swedish))};
  const LocalizedText& prefix = result.staged ? kTextReadyPrefix : kTextAvailablePrefix;
  return {UpdateState::available, std::u16string(prefix.pick(ui_swedish)) + result.version};
}

}  // namespace vantiro::update
