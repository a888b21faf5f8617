#include "update/verify.h"

#include <gtest/gtest.h>

#include "update/fake_release_checks.h"
#include "update/fake_update_files.h"

namespace vantiro::update {
namespace {

using testing::FakeReleaseChecks;
using testing::FakeSha256;
using testing::FakeUpdateFiles;

const Path kTemp = "/app/Vantiro-update-{X}.tmp";

class VerifyTest : public ::testing::Test {
 public:
  void SetUp() override { fs.files[kTemp] = std::string(70000, 'r'); }
  std::unique_ptr<StagedUpdate> staged(std::u16string version = u"1.9.10", std::string digest = {},
                                       std::uint64_t bytes = 70000) {
    if (digest.empty()) digest = testing::fake_digest(fs.files[kTemp]);
    return std::make_unique<StagedUpdate>(fs, std::move(version), std::move(digest), bytes, kTemp);
  }
  FakeUpdateFiles fs;
  FakeSha256 sha;
  FakeReleaseChecks checks;
};

TEST_F(VerifyTest, AVerifiedUpdateHoldsItsFileAndDeletesItWhenDestroyed) {
  auto u = staged();
  EXPECT_EQ(verify_staged_update(*u, sha, checks, u"1.9.4"), VerifyResult::ok);
  EXPECT_TRUE(u->holds_file());
  EXPECT_EQ(fs.held_open, 1);
  EXPECT_EQ(checks.asked, (std::vector<std::string>{"publisher", "version"}));
  u.reset();
  EXPECT_EQ(fs.held_open, 0);
  EXPECT_EQ(fs.kind(kTemp), PathKind::missing);
}

TEST_F(VerifyTest, EachFailureLeavesNoHandleAndStopsBeforeLaterChecks) {
  struct Case {
    const char* label;
    std::function<std::unique_ptr<StagedUpdate>(VerifyTest&)> make;
    VerifyResult expected;
    std::vector<std::string> asked;
  };
  const Case cases[] = {
      {"missing file",
       [](VerifyTest& t) {
         t.fs.files.erase(kTemp);
         return t.staged(u"1.9.10", std::string(64, 'a'));
       },
       VerifyResult::open_failed,
       {}},
      {"open refused",
       [](VerifyTest& t) {
         t.fs.fail_open_held = true;
         return t.staged();
       },
       VerifyResult::open_failed,
       {}},
      {"a folder",
       [](VerifyTest& t) {
         auto u = t.staged();
         t.fs.files.erase(kTemp);
         t.fs.folders.insert(kTemp);
         return u;
       },
       VerifyResult::not_regular,
       {}},
      {"one byte short",
       [](VerifyTest& t) { return t.staged(u"1.9.10", {}, 70001); },
       VerifyResult::wrong_size,
       {}},
      {"one byte long",
       [](VerifyTest& t) { return t.staged(u"1.9.10", {}, 69999); },
       VerifyResult::wrong_size,
       {}},
      {"wrong digest",
       [](VerifyTest& t) { return t.staged(u"1.9.10", testing::fake_digest("other")); },
       VerifyResult::wrong_digest,
       {}},
      {"unsigned",
       [](VerifyTest& t) {
         t.checks.signed_ok = false;
         return t.staged();
       },
       VerifyResult::unsigned_or_foreign,
       {"publisher"}},
      {"equal version",
       [](VerifyTest& t) {
         t.checks.version = u"1.9.4";
         return t.staged(u"1.9.4");
       },
       VerifyResult::not_newer,
       {"publisher"}},
      {"older version",
       [](VerifyTest& t) {
         t.checks.version = u"1.6.1";
         return t.staged(u"1.6.1");
       },
       VerifyResult::not_newer,
       {"publisher"}},
      {"built as another version",
       [](VerifyTest& t) {
         t.checks.version = u"1.9.5";
         return t.staged(u"1.9.10");
       },
       VerifyResult::wrong_version,
       {"publisher", "version"}},
      {"no version record",
       [](VerifyTest& t) {
         t.checks.version = u"";
         return t.staged(u"1.9.10");
       },
       VerifyResult::wrong_version,
       {"publisher", "version"}},
  };
  for (const auto& c : cases) {
    fs = FakeUpdateFiles();
    fs.files[kTemp] = std::string(70000, 'r');
    checks = FakeReleaseChecks();
    auto u = c.make(*this);
    const VerifyResult got = verify_staged_update(*u, sha, checks, u"1.9.4");
    EXPECT_EQ(got, c.expected) << c.label << ": " << code(got);
    EXPECT_EQ(checks.asked, c.asked) << c.label;
    EXPECT_FALSE(u->holds_file()) << c.label;
    EXPECT_EQ(fs.held_open, 0) << c.label;
    u.reset();
    EXPECT_NE(fs.kind(kTemp), PathKind::regular_file) << c.label;
  }
}

TEST_F(VerifyTest, TheCheckedBytesAreTheHeldBytes) {
  // The digest of what was downloaded, but the file now holds other bytes of the same size.
  auto u = staged();
  fs.files[kTemp] = std::string(70000, 'X');
  EXPECT_EQ(verify_staged_update(*u, sha, checks, u"1.9.4"), VerifyResult::wrong_digest);
}

}  // namespace
}  // namespace vantiro::update
