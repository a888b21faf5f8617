#include "update/semver.h"

#include <gtest/gtest.h>

#include "common/utf.h"

namespace vantiro::update {
namespace {

TEST(ParseSemver, AcceptsOnlyStrictVersions) {
  struct Case {
    std::u16string_view text;
    bool valid;
  };
  const Case cases[] = {
      {u"1.9.4", true},
      {u"0.0.0", true},
      {u"10.20.30", true},
      {u"1.0.0-alpha", true},
      {u"1.0.0-alpha.1", true},
      {u"1.0.0-0.3.7", true},
      {u"1.0.0-x.7.z.92", true},
      {u"1.0.0-x-y-z.--", true},
      {u"1.0.0-0A.is.legal", true},
      {u"1.0.0+20130313144700", true},
      {u"1.0.0-beta+exp.sha.5114f85", true},
      {u"1.0.0+21AF26D3----117B344092BD", true},
      {u"1.0.0-rc.1+build.1-2", true},
      {u"123456789012345678901234567890.0.0", true},
      {u"", false},
      {u"oops", false},
      {u"1.5", false},
      {u"1.5.0.0", false},
      {u"1.5.01", false},
      {u"01.5.0", false},
      {u"1.05.0", false},
      {u"v1.5.0", false},
      {u" 1.5.0", false},
      {u"1.5.0 ", false},
      {u"1..0", false},
      {u"1.5.", false},
      {u".1.5", false},
      {u"1.5.0-", false},
      {u"1.5.0-rc.01", false},
      {u"1.5.0-rc..1", false},
      {u"1.5.0-rc.", false},
      {u"1.5.0-r_c", false},
      {u"1.5.0+", false},
      {u"1.5.0+a..b", false},
      {u"1.5.0+a.", false},
      {u"1.5.0+é", false},
      {u"1.5.0-é", false},
      {u"1.5.x", false},
      {u"-1.5.0", false},
      {u"1.5.0+build+again", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(parse_semver(c.text).has_value(), c.valid) << to_utf8(c.text);
}

TEST(ParseSemver, SplitsCoreAndPrereleaseAndDropsBuild) {
  const auto v = parse_semver(u"12.0.345-rc.10.x+build.7");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->major, u"12");
  EXPECT_EQ(v->minor, u"0");
  EXPECT_EQ(v->patch, u"345");
  ASSERT_EQ(v->prerelease.size(), 3u);
  EXPECT_EQ(v->prerelease[0], u"rc");
  EXPECT_EQ(v->prerelease[1], u"10");
  EXPECT_EQ(v->prerelease[2], u"x");
}

TEST(IsNewerVersion, FollowsSemverPrecedence) {
  struct Case {
    std::u16string_view current;
    std::u16string_view candidate;
    bool newer;
  };
  const Case cases[] = {
      {u"1.9.4", u"1.9.5", true},
      {u"1.9.4", u"1.9.4", false},
      {u"1.9.4", u"1.4.99", false},
      {u"1.9.4", u"1.10.0", true},
      {u"1.9.4", u"2.0.0", true},
      {u"2.0.0", u"1.99.99", false},
      {u"1.6.9", u"1.6.10", true},
      {u"1.6.10", u"1.6.9", false},
      {u"1.5.0-rc.9", u"1.5.0-rc.10", true},
      {u"1.5.0-rc.10", u"1.5.0-rc.9", false},
      {u"1.8.0-rc.10", u"1.9.4", true},
      {u"1.9.4-rc.1", u"1.9.4", true},
      {u"1.9.4", u"1.9.4-rc.1", false},
      {u"1.9.4", u"1.9.5-alpha", true},
      {u"1.5.0+first", u"1.5.0+second", false},
      {u"1.5.0+second", u"1.5.0+first", false},
      {u"1.5.0-rc.1+a", u"1.5.0-rc.1+b", false},
      // The ordering example of the versioning rules, each step strictly newer.
      {u"1.0.0-alpha", u"1.0.0-alpha.1", true},
      {u"1.0.0-alpha.1", u"1.0.0-alpha.beta", true},
      {u"1.0.0-alpha.beta", u"1.0.0-beta", true},
      {u"1.0.0-beta", u"1.0.0-beta.2", true},
      {u"1.0.0-beta.2", u"1.0.0-beta.11", true},
      {u"1.0.0-beta.11", u"1.0.0-rc.1", true},
      {u"1.0.0-rc.1", u"1.0.0", true},
      {u"1.0.0-alpha.1", u"1.0.0-alpha", false},
      {u"1.0.0-beta", u"1.0.0-alpha.beta", false},
      // Numeric identifiers sort below alphanumeric ones.
      {u"1.0.0-1", u"1.0.0-a", true},
      {u"1.0.0-a", u"1.0.0-1", false},
      {u"1.0.0-999", u"1.0.0-1a", true},
      // Alphanumeric identifiers by code unit: upper case sorts before lower case.
      {u"1.0.0-Z", u"1.0.0-a", true},
      {u"1.0.0-a", u"1.0.0-ab", true},
      // Long components compare as numbers, not by overflowing integers.
      {u"1.0.18446744073709551615", u"1.0.18446744073709551616", true},
      {u"1.0.99999999999999999999", u"1.0.100000000000000000000", true},
      {u"1.0.100000000000000000000", u"1.0.99999999999999999999", false},
      // Invalid on either side is never newer.
      {u"1.9.4", u"oops", false},
      {u"oops", u"1.9.4", false},
      {u"1.9.4", u"1.5.01", false},
      {u"1.5", u"1.9.4", false},
      {u"1.9.4", u"1.5", false},
      {u"1.0.0", u"1.5.0-rc.01", false},
      {u"1.5.0-rc.01", u"1.9.4", false},
      {u"1.9.4", u"1.5.0+", false},
      {u"1.5.0+", u"1.9.4", false},
      {u"1.9.4", u"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_newer_version(c.current, c.candidate), c.newer)
        << to_utf8(c.current) << " -> " << to_utf8(c.candidate);
}

}  // namespace
}  // namespace vantiro::update
