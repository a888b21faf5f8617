#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace vantiro::devservice {

// What the status answer says about the offered file; every mode but `valid` describes a
// release the studio must refuse at some step, so its refusal paths can be exercised.
enum class ReleaseMode {
  valid,          // version, digest and size of the file as they are
  wrong_digest,   // a digest that is not the file's
  wrong_version,  // a newer version than the one given (the file carries the given one)
  wrong_size,     // a size one byte larger than the file
  no_digest,      // only the version: a release that cannot be installed automatically
  not_ready,      // "ready" false: nothing to offer yet
};

std::optional<ReleaseMode> parse_release_mode(std::string_view text);
std::string_view release_mode_name(ReleaseMode mode);

struct Release {
  std::shared_ptr<const std::string> bytes;  // the executable, served as it is
  std::string version;                       // the version the file carries
  std::string sha256;                        // of bytes
  ReleaseMode mode = ReleaseMode::valid;
};

// Reads the file whole; an error text on failure.
std::optional<Release> load_release(const std::string& path, std::string_view version,
                                    ReleaseMode mode, std::string& error);

// The status document. Without a release it names the studio's own version, so the
// studio finds itself up to date.
std::string release_status_json(const Release* release, std::string_view own_version);

// "2.0.0-rc.1+b7" gives "2.0.1": a well-formed newer version than the given one.
std::optional<std::string> next_patch_version(std::string_view version);

// Sizes the studio accepts for a download; other sizes are served but cannot install.
inline constexpr std::uint64_t kMinReleaseBytes = 65536;
inline constexpr std::uint64_t kMaxReleaseBytes = 52428800;

}  // namespace vantiro::devservice
