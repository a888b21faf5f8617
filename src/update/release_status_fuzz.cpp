// Drives the release-status parser and the version order with arbitrary bytes and checks
// what the updater relies on: a reported release is a valid, bounded, newer version, and a
// digest and a size come together and within their bounds.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "account/account_summary.h"
#include "common/utf.h"
#include "update/release_status.h"
#include "update/semver.h"

namespace {

using namespace vantiro;

void check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);

  const update::ReleaseStatus s = update::parse_release_status(bytes, u"1.9.4");
  if (!s.version.empty()) {
    check(s.understood, "a version from a document that was not understood");
    check(s.version.size() <= update::kMaxReleaseVersionLength, "version too long");
    check(update::is_newer_version(u"1.9.4", s.version), "version not newer");
  }
  check(s.sha256.empty() == (s.bytes == 0), "digest and size apart");
  if (!s.sha256.empty()) {
    check(!s.version.empty(), "digest without version");
    check(s.sha256.size() == 64, "digest length");
    for (char c : s.sha256) check((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'), "digest text");
    check(s.bytes >= update::kMinReleaseBytes && s.bytes <= update::kMaxReleaseBytes, "size");
  }

  (void)account::is_signed_in_summary(bytes);

  // Two versions from the two halves: the order is strict.
  const std::u16string text = to_utf16(bytes);
  const std::u16string_view all(text);
  const std::size_t cut = all.find(u'|');
  const std::u16string_view a = all.substr(0, cut);
  const std::u16string_view b = cut == std::u16string_view::npos ? a : all.substr(cut + 1);
  check(!update::is_newer_version(a, a), "a version newer than itself");
  check(!(update::is_newer_version(a, b) && update::is_newer_version(b, a)), "order not strict");
  return 0;
}
