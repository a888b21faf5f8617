#include "update/release_status.h"

#include <cmath>

#include "common/json.h"
#include "common/utf.h"
#include "update/semver.h"

namespace vantiro::update {
namespace {

bool is_lower_hex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
}

}  // namespace

ReleaseStatus parse_release_status(std::string_view body, std::u16string_view current_version) {
  ReleaseStatus status;
  if (body.empty() || body.size() > kMaxStatusBodyBytes) return status;
  // Ill-formed UTF-8 becomes replacement characters rather than refusing the whole answer.
  const std::string text = to_utf8(to_utf16(body));
  auto parsed = json::parse_object(text);
  if (!parsed.document) return status;
  const json::ObjectRef root = parsed.document->root();

  const auto ready = root.get_bool("ready");
  if (!ready) return status;
  if (!*ready) {
    status.understood = true;
    return status;
  }
  const auto version_utf8 = root.get_string("version");
  if (!version_utf8) return status;
  const std::u16string version = to_utf16(*version_utf8);
  if (version.size() > kMaxReleaseVersionLength || !parse_semver(version)) return status;
  status.understood = true;
  if (!is_newer_version(current_version, version)) return status;
  status.version = version;

  const auto sha = root.get_string("sha256");
  const auto bytes = root.get_number("bytes");
  if (!sha || !bytes) return status;
  std::string digest(*sha);
  for (char& c : digest)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  if (digest.size() != 64) return status;
  for (char c : digest)
    if (!is_lower_hex(c)) return status;
  const double b = *bytes;
  if (!std::isfinite(b) || b != std::floor(b) || b < static_cast<double>(kMinReleaseBytes) ||
      b > static_cast<double>(kMaxReleaseBytes))
    return status;
  status.sha256 = std::move(digest);
  status.bytes = static_cast<std::uint64_t>(b);
  return status;
}

}  // namespace vantiro::update
