#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "common/https_client.h"
#include "update/update_files.h"

namespace vantiro::update {

inline constexpr std::string_view kReleaseDownloadPath = "/downloads/desktop/Vantiro.exe";
inline constexpr std::string_view kStatusPath = "/api/desktop-app/status";
inline constexpr std::string_view kUpdateUserAgent = "VantiroDesktop";
inline constexpr std::uint64_t kDownloadDeadlineMs = 30000;

using DownloadProgress = std::function<void(std::uint64_t received)>;

// Downloads exactly `expected` bytes into a new file at `file`. A body that grows past the
// expected size fails as the excess arrives, a shorter one at its end; the whole transfer
// has one 30 s deadline. The file is flushed before success is reported; on any failure it
// is deleted. Progress gets the running total while it is below the expected size.
bool download_to_file(HttpsClient& client, UpdateFiles& files, const ServiceEndpoint& endpoint,
                      std::string_view service_path, const Path& file, std::uint64_t expected,
                      const DownloadProgress& progress);

// The release status body, or empty on any failure (network, status, deadline, size).
std::string fetch_release_status(HttpsClient& client, const ServiceEndpoint& endpoint,
                                 std::uint64_t deadline_ms);

}  // namespace vantiro::update
