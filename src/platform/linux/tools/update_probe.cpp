// The updater of this host with its real ports, for the release tests; not part of the studio.
//
//   vantiro_update_probe versions       the version each part of this build states
//   vantiro_update_probe check FOLDER   one start-up update check against the service, with the
//                                       system's trust store, downloading into FOLDER
//
// `check` prints what each step saw and a last line "verdict: " with one of unreachable,
// up-to-date, not-downloadable, download-failed, wrong-digest, wrong-publisher, wrong-version
// or staged. The probe carries the version note as the studio does, so the tests can sign it
// as a release too.

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "common/build_config.h"
#include "common/utf.h"
#include "platform/linux/cms_release_checks.h"
#include "platform/ports.h"
#include "platform/update_ports.h"
#include "update/release_status.h"
#include "update/update_worker.h"
#include "workspace/desktop_bridge_script.h"

namespace {

using namespace vantiro;

std::string page_script_version() {
  constexpr std::u16string_view kMark = u"var VERSION = '";
  const std::u16string_view script = workspace::kDesktopBridgeScript;
  const auto at = script.find(kMark);
  if (at == std::u16string_view::npos) return "none";
  const auto from = at + kMark.size();
  return to_utf8(script.substr(from, script.find(u'\'', from) - from));
}

int print_versions() {
  std::printf("app: %s\n", to_utf8(kAppVersion).c_str());
  std::printf("update: %s\n", to_utf8(update::kCurrentVersion).c_str());
  std::printf("page-script: %s\n", page_script_version().c_str());
  std::ifstream self("/proc/self/exe", std::ios::binary);
  std::ostringstream image;
  image << self.rdbuf();
  const std::u16string note = platform::elf_product_version(image.str());
  std::printf("version-note: %s\n", note.empty() ? "none" : to_utf8(note).c_str());
  return 0;
}

// The host's checks, remembering what they answered; the worker reports only staged or not.
class RecordingChecks final : public update::ReleaseChecks {
 public:
  explicit RecordingChecks(std::unique_ptr<update::ReleaseChecks> real) : real_(std::move(real)) {}
  bool authenticode_publisher_ok(update::HeldFile& file, std::string_view content) override {
    publisher_ok = real_->authenticode_publisher_ok(file, content);
    return *publisher_ok;
  }
  std::u16string product_version_of(update::HeldFile& file, std::string_view content) override {
    std::u16string v = real_->product_version_of(file, content);
    file_version = to_utf8(v);
    return v;
  }
  std::optional<bool> publisher_ok;
  std::optional<std::string> file_version;

 private:
  std::unique_ptr<update::ReleaseChecks> real_;
};

int check(const char* folder) {
  auto client = platform::make_https_client();
  auto files = platform::make_update_files();
  auto sha = platform::make_sha256();
  auto clock = platform::make_clock();
  RecordingChecks checks(platform::make_release_checks());
  update::UpdateWorkerPorts ports(*client, *files, *sha, checks, *clock);
  ports.executable_folder = folder;
  ports.process_id = static_cast<std::uint32_t>(getpid());

  std::optional<std::uint64_t> offered_bytes;
  bool downloaded = false;
  std::unique_ptr<update::UpdateCheckResult> finished;
  update::UpdatePosts posts;
  posts.result = [&](update::UpdatePostKind kind,
                     std::unique_ptr<update::UpdateCheckResult>& record) {
    if (kind == update::UpdatePostKind::boot_download_started)
      offered_bytes = record->download_size;
    else
      finished = std::move(record);
    record.reset();
    return true;
  };
  posts.progress = [&](std::uint64_t, std::uint64_t, bool final) {
    downloaded = downloaded || final;
    return true;
  };
  // As at start-up: the short status deadline and the boot download posts.
  update::update_worker(ports, true, posts);
  if (!finished) {
    std::printf("verdict: no-result\n");
    return 1;
  }

  const std::string version = to_utf8(finished->version);
  std::printf("status: %s\n", finished->fetch_failed ? "failed" : "ok");
  std::printf("offered: %s\n", version.empty() ? "none" : version.c_str());
  if (offered_bytes) std::printf("bytes: %llu\n", static_cast<unsigned long long>(*offered_bytes));
  std::printf("downloaded: %s\n", downloaded ? "yes" : "no");
  std::printf("publisher: %s\n", !checks.publisher_ok   ? "unchecked"
                                 : *checks.publisher_ok ? "ok"
                                                        : "refused");
  std::printf("file-version: %s\n", !checks.file_version           ? "unchecked"
                                    : checks.file_version->empty() ? "none"
                                                                   : checks.file_version->c_str());
  std::printf("staged: %s\n", finished->staged ? "yes" : "no");

  const char* verdict = "staged";
  if (finished->fetch_failed)
    verdict = "unreachable";
  else if (version.empty())
    verdict = "up-to-date";
  else if (!offered_bytes)
    verdict = "not-downloadable";
  else if (!downloaded)
    verdict = "download-failed";
  else if (!checks.publisher_ok)
    verdict = "wrong-digest";  // the download had the exact size, so the digest refused it
  else if (!*checks.publisher_ok)
    verdict = "wrong-publisher";
  else if (!finished->staged)
    verdict = "wrong-version";
  std::printf("verdict: %s\n", verdict);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string_view command = argc > 1 ? argv[1] : "";
  if (command == "versions" && argc == 2) return print_versions();
  if (command == "check" && argc == 3) return check(argv[2]);
  std::fprintf(stderr, "usage: %s versions | check FOLDER\n", argv[0]);
  return 2;
}
