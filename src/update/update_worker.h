#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "common/clock.h"
#include "common/https_client.h"
#include "common/sha256.h"
#include "update/release_status.h"
#include "update/staged_update.h"
#include "update/verify.h"

namespace vantiro::update {

inline constexpr std::uint64_t kBootStatusDeadlineMs = 1800;
inline constexpr std::uint64_t kStatusDeadlineMs = 5000;

// The record a worker hands to the UI thread; whoever holds it owns the staged update.
struct UpdateCheckResult {
  std::unique_ptr<StagedUpdate> staged;
  std::u16string version;
  std::uint64_t download_size = 0;  // kind 0 only
  bool auto_install = false;
  // No usable answer: no body, or a body that is not a release status.
  bool fetch_failed = false;
};

enum class UpdatePostKind { boot_download_started = 0, check_finished = 1, install_verified = 2 };

// The UI-thread poster. A post that succeeds takes the record out of the pointer; a failed
// one leaves it with the worker, which frees it.
struct UpdatePosts {
  std::function<bool(UpdatePostKind, std::unique_ptr<UpdateCheckResult>&)> result;
  std::function<bool(std::uint64_t done, std::uint64_t total, bool final)> progress;
};

struct UpdateWorkerPorts {
  UpdateWorkerPorts(HttpsClient& c, UpdateFiles& f, Sha256& s, ReleaseChecks& r, Clock& k)
      : client(c), files(f), sha256(s), checks(r), clock(k), endpoint(service_endpoint()) {}

  HttpsClient& client;
  UpdateFiles& files;
  Sha256& sha256;
  ReleaseChecks& checks;
  Clock& clock;
  ServiceEndpoint endpoint;
  Path executable_folder;
  std::optional<Path> per_user_folder;
  std::uint32_t process_id = 0;
  std::u16string current_version{kCurrentVersion};
};

// The update worker's body: status, and for a downloadable release the download, the
// verification and the staging. Returns whether the final post (kind 1) went through; when
// it did not, the caller clears the running flag.
bool update_worker(UpdateWorkerPorts& ports, bool auto_install, const UpdatePosts& posts);

// The install verification's body: verifies the staged update again and posts kind 2 with it,
// or with none when it fails. Returns whether the post went through.
bool install_verification_worker(std::unique_ptr<StagedUpdate> update, Sha256& sha256,
                                 ReleaseChecks& checks, const UpdatePosts& posts,
                                 std::u16string_view current_version = kCurrentVersion);

// Sets the running flag when no check, verification or installation is under way and nothing
// is staged; true when the caller may start a worker.
bool begin_update_check(std::atomic<bool>& update_check_running, bool update_staged,
                        bool install_running);

// The user asked to install: takes the staged update out of its slot (the pill goes) with its
// handle closed, and sets the running flag; none when nothing is staged or a check or
// verification runs. A thread that cannot start must drop the update and clear the flag.
std::unique_ptr<StagedUpdate> begin_install_verification(std::unique_ptr<StagedUpdate>& staged,
                                                         std::atomic<bool>& update_check_running);

// The service's download page for the release executable.
std::u16string download_page_url();

// The status line after a finished check.
enum class UpdateState { none = 0, checking = 1, up_to_date = 2, available = 3, error = 4 };
struct UpdateStatus {
  UpdateState state = UpdateState::none;
  std::u16string text;
};
UpdateStatus update_status_after_check(const UpdateCheckResult& result, bool ui_swedish);

}  // namespace vantiro::update
