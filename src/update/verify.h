#pragma once

#include <string>
#include <string_view>

#include "common/sha256.h"
#include "update/release_status.h"
#include "update/staged_update.h"

namespace vantiro::update {

// The maker's checks on a release executable. Both read the content that was read through
// the held handle; a host that cannot check says no, so an unverifiable file never runs.
struct ReleaseChecks {
  virtual ~ReleaseChecks() = default;
  // Signed by a trusted code-signing certificate of the publisher "Mirsel AB".
  virtual bool authenticode_publisher_ok(HeldFile& file, std::string_view content) = 0;
  // "major.minor.patch" from the file's version record (fourth field zero), or empty.
  virtual std::u16string product_version_of(HeldFile& file, std::string_view content) = 0;
};

enum class VerifyResult {
  ok,
  open_failed,
  not_regular,
  wrong_size,
  read_failed,
  wrong_digest,
  unsigned_or_foreign,
  not_newer,
  wrong_version,
};

std::string_view code(VerifyResult r);

// Opens the file and holds it, then checks in order: a regular file of exactly the expected
// size, its SHA-256, the publisher, and that the advertised version is newer than the running
// one and is the file's own version. On success the update keeps its held handle; on failure
// it holds none.
VerifyResult verify_staged_update(StagedUpdate& update, Sha256& sha256, ReleaseChecks& checks,
                                  std::u16string_view current_version = kCurrentVersion);

}  // namespace vantiro::update
