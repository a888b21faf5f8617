#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::update {

// A version in strict Semantic Versioning 2.0 form. Components stay text so that arbitrarily
// long numbers compare correctly without overflow; build metadata is checked and dropped.
struct SemVer {
  std::u16string major;
  std::u16string minor;
  std::u16string patch;
  std::vector<std::u16string> prerelease;
};

// No "v" prefix, no spaces, no leading zeros in numeric parts.
std::optional<SemVer> parse_semver(std::u16string_view text);

// -1, 0 or 1 by SemVer precedence.
int compare_semver(const SemVer& a, const SemVer& b);

// True only when both parse and candidate has higher precedence than current.
bool is_newer_version(std::u16string_view current, std::u16string_view candidate);

}  // namespace vantiro::update
