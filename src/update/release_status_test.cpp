#include "update/release_status.h"

#include <gtest/gtest.h>

#include <cctype>
#include <initializer_list>
#include <string>

#include "common/utf.h"

namespace vantiro::update {
namespace {

const std::string kHex = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

// Joins pieces without operator+ on a literal, which GCC 12 misreads under -O3.
std::string cat(std::initializer_list<std::string_view> parts) {
  std::string out;
  for (auto p : parts) out.append(p);
  return out;
}

std::string q(std::string_view s) {
  return cat({"\"", s, "\""});
}

std::string doc(std::string_view version_json, std::string_view sha_json,
                std::string_view bytes_json) {
  return cat({"{\"ready\":true,\"version\":", version_json, ",\"sha256\":", sha_json,
              ",\"bytes\":", bytes_json, "}"});
}

TEST(ParseReleaseStatus, ReadsAFullDocument) {
  const auto s = parse_release_status(doc("\"1.9.10\"", q(kHex), "584312"), u"1.9.4");
  EXPECT_TRUE(s.understood);
  EXPECT_EQ(s.version, u"1.9.10");
  EXPECT_EQ(s.sha256, kHex);
  EXPECT_EQ(s.bytes, 584312u);
}

TEST(ParseReleaseStatus, RefusesVersionlessOrMalformedDocuments) {
  struct Case {
    std::string body;
    bool understood;
  };
  const Case cases[] = {
      {R"({"ready":false,"version":"1.9.10"})", true},
      {R"({"ready":true,"version":"1.9.0"})", true},
      {R"({"ready":true,"version":"1.9.4"})", true},
      {R"({"ready":"true","version":"1.9.10"})", false},
      {R"({"ready":1,"version":"1.9.10"})", false},
      {R"({"ready":true,"version":null})", false},
      {R"({"ready":true,"version":1.9})", false},
      {R"({"ready":true})", false},
      {R"({"version":"1.9.10"})", false},
      {R"({"ready":true,"version":"oops"})", false},
      {R"({"ready":true,"version":"v1.9.10"})", false},
      {R"({"nested":{"ready":true,"version":"9.0.0"}})", false},
      {R"({"ready":true,"version":"1.9.10"} garbage)", false},
      {R"({"ready":true,"version":"1.9.10"}{})", false},
      {R"([{"ready":true,"version":"1.9.10"}])", false},
      {R"("1.9.10")", false},
      {R"({"ready":true,"version":"1.9.10")", false},
      {"", false},
      {"<html>Bad gateway</html>", false},
  };
  for (const auto& c : cases) {
    const auto s = parse_release_status(c.body, u"1.9.4");
    EXPECT_EQ(s.version, u"") << c.body;
    EXPECT_EQ(s.sha256, "") << c.body;
    EXPECT_EQ(s.bytes, 0u) << c.body;
    EXPECT_EQ(s.understood, c.understood) << c.body;
  }
}

TEST(ParseReleaseStatus, KeepsTheVersionWhenTheDownloadPairIsUnusable) {
  const std::string upper = "0123456789ABCDEF0123456789abcdef0123456789ABCDEF0123456789abcdef";
  struct Case {
    std::string sha_json;
    std::string bytes_json;
    bool usable;
  };
  const Case cases[] = {
      {q(kHex), "584312", true},
      {q(upper), "584312", true},
      {q(kHex), "65536", true},
      {q(kHex), "52428800", true},
      {q(kHex), "5.84312e5", true},
      {"\"not-hex\"", "584312", false},
      {q(cat({kHex, "0"})), "584312", false},
      {q(kHex.substr(1)), "584312", false},
      {q(cat({kHex.substr(1), "g"})), "584312", false},
      {q(cat({" ", kHex.substr(1)})), "584312", false},
      {q(kHex), "999999999", false},
      {q(kHex), "65535", false},
      {q(kHex), "52428801", false},
      {q(kHex), "584312.5", false},
      {q(kHex), "-584312", false},
      {q(kHex), "\"584312\"", false},
      {q(kHex), "null", false},
      {"null", "584312", false},
      {"123", "584312", false},
  };
  for (const auto& c : cases) {
    const auto s = parse_release_status(doc("\"1.9.10\"", c.sha_json, c.bytes_json), u"1.9.4");
    const std::string label = cat({c.sha_json, " / ", c.bytes_json});
    EXPECT_TRUE(s.understood) << label;
    EXPECT_EQ(s.version, u"1.9.10") << label;
    if (c.usable) {
      EXPECT_EQ(s.sha256.size(), 64u) << label;
      EXPECT_EQ(s.sha256.find_first_of("ABCDEF"), std::string::npos) << label;
      EXPECT_EQ(s.bytes, static_cast<std::uint64_t>(std::stod(c.bytes_json))) << label;
    } else {
      EXPECT_EQ(s.sha256, "") << label;
      EXPECT_EQ(s.bytes, 0u) << label;
    }
  }
  const auto without_pair = parse_release_status(R"({"version":"1.9.10","ready":true})", u"1.9.4");
  EXPECT_EQ(without_pair.version, u"1.9.10");
  EXPECT_EQ(without_pair.sha256, "");
  const auto only_sha =
      parse_release_status(cat({R"({"version":"1.9.10","ready":true,"sha256":")", kHex, "\"}"}));
  EXPECT_EQ(only_sha.sha256, "");
  EXPECT_EQ(only_sha.bytes, 0u);
}

TEST(ParseReleaseStatus, LowersUpperCaseDigests) {
  std::string upper = kHex;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  const auto s = parse_release_status(doc("\"1.9.10\"", q(upper), "584312"), u"1.9.4");
  EXPECT_EQ(s.sha256, kHex);
}

TEST(ParseReleaseStatus, BoundsTheBodyAndTheVersionLength) {
  // Padding with white space inside the object keeps it valid JSON of an exact size.
  const std::string base = R"({"ready":true,"version":"1.9.10"})";
  auto padded = [&](std::size_t total) {
    std::string body = base;
    body.insert(1, std::string(total - base.size(), ' '));
    return body;
  };
  EXPECT_EQ(parse_release_status(padded(4096), u"1.9.4").version, u"1.9.10");
  const auto over = parse_release_status(padded(4097), u"1.9.4");
  EXPECT_EQ(over.version, u"");
  EXPECT_FALSE(over.understood);

  // 64 units is the longest version; the pre-release makes it long while staying valid.
  const std::string v64 = cat({"1.9.10-", std::string(57, 'a')});
  const std::string v65 = cat({"1.9.10-", std::string(58, 'a')});
  ASSERT_EQ(v64.size(), 64u);
  EXPECT_EQ(
      parse_release_status(cat({R"({"ready":true,"version":")", v64, "\"}"}), u"1.9.4").version,
      to_utf16(v64));
  const auto long_one =
      parse_release_status(cat({R"({"ready":true,"version":")", v65, "\"}"}), u"1.9.4");
  EXPECT_EQ(long_one.version, u"");
  EXPECT_FALSE(long_one.understood);
}

TEST(ParseReleaseStatus, ReadsOnlyTheTopLevelAndIllFormedTextDoesNotRefuseTheAnswer) {
  const auto s = parse_release_status(
      cat({R"({"ready":true,"version":"1.9.10","x":{"sha256":")", kHex, R"(","bytes":584312}})"}),
      u"1.9.4");
  EXPECT_EQ(s.version, u"1.9.10");
  EXPECT_EQ(s.sha256, "");
  const auto bad_utf8 = parse_release_status(
      std::string("{\"note\":\"\xff\xfe\",\"ready\":true,\"version\":\"1.9.10\"}"), u"1.9.4");
  EXPECT_EQ(bad_utf8.version, u"1.9.10");
}

TEST(ParseReleaseStatus, ComparesWithTheRunningBuild) {
  EXPECT_EQ(kCurrentVersion, u"1.9.4");
  EXPECT_EQ(parse_release_status(R"({"ready":true,"version":"1.9.5"})").version, u"1.9.5");
  EXPECT_EQ(parse_release_status(R"({"ready":true,"version":"1.9.4"})").version, u"");
}

}  // namespace
}  // namespace vantiro::update
