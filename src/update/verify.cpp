#include "update/verify.h"

#include "update/semver.h"

namespace vantiro::update {

std::string_view code(VerifyResult r) {
  switch (r) {
    case VerifyResult::ok:
      return "ok";
    case VerifyResult::open_failed:
      return "open_failed";
    case VerifyResult::not_regular:
      return "not_regular";
    case VerifyResult::wrong_size:
      return "wrong_size";
    case VerifyResult::read_failed:
      return "read_failed";
    case VerifyResult::wrong_digest:
      return "wrong_digest";
    case VerifyResult::unsigned_or_foreign:
      return "unsigned_or_foreign";
    case VerifyResult::not_newer:
      return "not_newer";
    case VerifyResult::wrong_version:
      return "wrong_version";
  }
  return "open_failed";
}

VerifyResult verify_staged_update(StagedUpdate& update, Sha256& sha256, ReleaseChecks& checks,
                                  std::u16string_view current_version) {
  update.close_held();
  if (update.temp_path().empty() || update.bytes() == 0 || update.bytes() > kMaxReleaseBytes)
    return VerifyResult::open_failed;
  auto held = update.files().open_held(update.temp_path());
  if (!held) return VerifyResult::open_failed;
  const auto size = held->regular_file_size();
  if (!size) return VerifyResult::not_regular;
  if (*size != update.bytes()) return VerifyResult::wrong_size;
  const auto content = held->read_all(static_cast<std::size_t>(update.bytes()));
  if (!content || content->size() != update.bytes()) return VerifyResult::read_failed;
  const std::string digest = sha256.sha256_hex(*content);
  if (digest.size() != 64 || digest != update.sha256()) return VerifyResult::wrong_digest;
  if (!checks.authenticode_publisher_ok(*held, *content)) return VerifyResult::unsigned_or_foreign;
  if (!is_newer_version(current_version, update.version())) return VerifyResult::not_newer;
  if (checks.product_version_of(*held, *content) != update.version())
    return VerifyResult::wrong_version;
  update.hold(std::move(held));
  return VerifyResult::ok;
}

}  // namespace vantiro::update
