#include "update/semver.h"

#include <algorithm>

namespace vantiro::update {
namespace {

bool is_digit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

bool is_identifier_char(char16_t c) {
  return is_digit(c) || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'-';
}

bool all_digits(std::u16string_view s) {
  for (char16_t c : s)
    if (!is_digit(c)) return false;
  return true;
}

bool is_numeric_without_leading_zero(std::u16string_view s) {
  return !s.empty() && all_digits(s) && (s.size() == 1 || s[0] != u'0');
}

std::vector<std::u16string_view> split_dots(std::u16string_view s) {
  std::vector<std::u16string_view> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t dot = s.find(u'.', start);
    if (dot == std::u16string_view::npos) {
      parts.push_back(s.substr(start));
      return parts;
    }
    parts.push_back(s.substr(start, dot - start));
    start = dot + 1;
  }
}

bool valid_identifiers(const std::vector<std::u16string_view>& ids) {
  for (auto id : ids) {
    if (id.empty()) return false;
    for (char16_t c : id)
      if (!is_identifier_char(c)) return false;
  }
  return true;
}

// Numbers as digit texts without leading zeros: the longer one is larger.
int compare_numeric_text(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int compare_prerelease_identifier(std::u16string_view a, std::u16string_view b) {
  const bool an = all_digits(a);
  const bool bn = all_digits(b);
  if (an && bn) return compare_numeric_text(a, b);
  if (an != bn) return an ? -1 : 1;
  const int c = a.compare(b);  // code units, then the shorter is smaller
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

}  // namespace

std::optional<SemVer> parse_semver(std::u16string_view text) {
  const std::size_t plus = text.find(u'+');
  if (plus != std::u16string_view::npos) {
    if (!valid_identifiers(split_dots(text.substr(plus + 1)))) return std::nullopt;
    text = text.substr(0, plus);
  }
  SemVer v;
  const std::size_t dash = text.find(u'-');
  if (dash != std::u16string_view::npos) {
    const auto ids = split_dots(text.substr(dash + 1));
    if (!valid_identifiers(ids)) return std::nullopt;
    for (auto id : ids) {
      if (all_digits(id) && !is_numeric_without_leading_zero(id)) return std::nullopt;
      v.prerelease.emplace_back(id);
    }
    text = text.substr(0, dash);
  }
  const auto core = split_dots(text);
  if (core.size() != 3) return std::nullopt;
  for (auto c : core)
    if (!is_numeric_without_leading_zero(c)) return std::nullopt;
  v.major = core[0];
  v.minor = core[1];
  v.patch = core[2];
  return v;
}

int compare_semver(const SemVer& a, const SemVer& b) {
  if (int c = compare_numeric_text(a.major, b.major)) return c;
  if (int c = compare_numeric_text(a.minor, b.minor)) return c;
  if (int c = compare_numeric_text(a.patch, b.patch)) return c;
  if (a.prerelease.empty() || b.prerelease.empty()) {
    if (a.prerelease.empty() == b.prerelease.empty()) return 0;
    return a.prerelease.empty() ? 1 : -1;
  }
  const std::size_t n = std::min(a.prerelease.size(), b.prerelease.size());
  for (std::size_t i = 0; i < n; ++i)
    if (int c = compare_prerelease_identifier(a.prerelease[i], b.prerelease[i])) return c;
  if (a.prerelease.size() == b.prerelease.size()) return 0;
  return a.prerelease.size() < b.prerelease.size() ? -1 : 1;
}

bool is_newer_version(std::u16string_view current, std::u16string_view candidate) {
  const auto a = parse_semver(current);
  const auto b = parse_semver(candidate);
  return a && b && compare_semver(*a, *b) < 0;
}

}  // namespace vantiro::update
