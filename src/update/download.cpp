#include "update/download.h"

#include "update/release_status.h"

namespace vantiro::update {

bool download_to_file(HttpsClient& client, UpdateFiles& files, const ServiceEndpoint& endpoint,
                      std::string_view service_path, const Path& file, std::uint64_t expected,
                      const DownloadProgress& progress) {
  if (expected == 0 || file.empty()) return false;
  const HttpsRequest request =
      service_request(endpoint, std::string(service_path), std::string(kUpdateUserAgent),
                      kDownloadDeadlineMs, static_cast<std::size_t>(expected));
  std::unique_ptr<DownloadFile> out;
  bool opened = false;
  std::uint64_t total = 0;
  const HttpsError error = client.get(request, [&](std::string_view chunk) {
    // Opened only once the answer is a 200 with a body.
    if (!opened) {
      opened = true;
      out = files.create_download(file);
    }
    if (!out) return false;
    if (chunk.size() > expected - total) return false;
    total += chunk.size();
    if (!out->write(chunk)) return false;
    if (total < expected && progress) progress(total);
    return true;
  });
  const bool created = out != nullptr;
  const bool ok = error == HttpsError::none && created && total == expected && out->finish();
  out.reset();
  // Only a file this call created is deleted; a name that already existed is not ours.
  if (!ok && created) files.remove_file(file);
  return ok;
}

std::string fetch_release_status(HttpsClient& client, const ServiceEndpoint& endpoint,
                                 std::uint64_t deadline_ms) {
  const auto got = https_get_body(
      client, service_request(endpoint, std::string(kStatusPath), std::string(kUpdateUserAgent),
                              deadline_ms, kMaxStatusBodyBytes));
  return got.error == HttpsError::none ? got.body : std::string();
}

}  // namespace vantiro::update
