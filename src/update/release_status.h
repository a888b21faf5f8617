#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/build_config.h"

namespace vantiro::update {

inline constexpr std::u16string_view kCurrentVersion = kAppVersion;

inline constexpr std::size_t kMaxStatusBodyBytes = 4096;
inline constexpr std::size_t kMaxReleaseVersionLength = 64;  // UTF-16 units
inline constexpr std::uint64_t kMinReleaseBytes = 65536;
inline constexpr std::uint64_t kMaxReleaseBytes = 52428800;  // 50 MiB

struct ReleaseStatus {
  // The document was a well-formed status answer. A body that is not one must not read as
  // "up to date": the check failed.
  bool understood = false;
  std::u16string version;   // newer release, or empty
  std::string sha256;       // 64 lower-case hex digits, or empty
  std::uint64_t bytes = 0;  // set together with sha256
};

// Reads the top-level members only. A document is understood when it is one JSON object
// whose "ready" is a boolean and, when ready, whose "version" is a string of at most 64
// units that parses as a version.
ReleaseStatus parse_release_status(std::string_view body,
                                   std::u16string_view current_version = kCurrentVersion);

}  // namespace vantiro::update
