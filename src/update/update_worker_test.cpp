#include "update/update_worker.h"

#include <gtest/gtest.h>

#include "common/build_config.h"

#include "common/fake_https_client.h"
#include "update/fake_release_checks.h"
#include "update/fake_update_files.h"

namespace vantiro::update {
namespace {

using testing::FakeReleaseChecks;
using testing::FakeSha256;
using testing::FakeUpdateFiles;
using vantiro::testing::FakeHttpsClient;

struct SteppingClock final : Clock {
  std::uint64_t now = 1000;
  std::uint64_t step = 0;
  std::uint64_t now_ms() override { return now += step; }
  std::int64_t wall_time_ms() override { return 0; }
};

struct Post {
  std::string what;
  std::unique_ptr<UpdateCheckResult> record;
};

class UpdateWorkerTest : public ::testing::Test {
 public:
  void SetUp() override { fs.folders.insert("/app"); }

  std::string status_body(std::uint64_t bytes) {
    return R"({"ready":true,"version":"1.9.10","sha256":")" + testing::fake_digest(release(bytes)) +
           R"(","bytes":)" + std::to_string(bytes) + "}";
  }
  static std::string release(std::uint64_t bytes) { return std::string(bytes, 'R'); }

  // The release arrives in chunks of 16384 bytes.
  void serve_release(std::uint64_t bytes) {
    vantiro::testing::FakeHttpsAnswer a;
    const std::string r = release(bytes);
    for (std::size_t i = 0; i < r.size(); i += 16384) a.chunks.push_back(r.substr(i, 16384));
    client.answers.push_back(a);
  }

  UpdatePosts posts() {
    UpdatePosts p;
    p.result = [this](UpdatePostKind kind, std::unique_ptr<UpdateCheckResult>& r) {
      if (!accept_result) return false;
      log.push_back({"kind " + std::to_string(static_cast<int>(kind)), std::move(r)});
      return true;
    };
    p.progress = [this](std::uint64_t done, std::uint64_t total, bool final) {
      log.push_back({"progress " + std::to_string(done) + "/" + std::to_string(total) +
                         (final ? " final" : ""),
                     nullptr});
      return true;
    };
    return p;
  }

  UpdateWorkerPorts make_ports(std::optional<Path> per_user) {
    UpdateWorkerPorts ports(client, fs, sha, checks, clock);
    ports.executable_folder = "/app";
    ports.per_user_folder = std::move(per_user);
    ports.process_id = 42;
    ports.current_version = u"1.9.4";
    return ports;
  }

  bool run(bool auto_install) {
    UpdateWorkerPorts ports = make_ports(Path("/per-user"));
    return update_worker(ports, auto_install, posts());
  }

  std::vector<std::string> whats() const {
    std::vector<std::string> w;
    for (const auto& p : log) w.push_back(p.what);
    return w;
  }

  bool any_temp_file() const {
    for (const auto& [path, content] : fs.files)
      if (path.filename().string().rfind("Vantiro-update-", 0) == 0) return true;
    return false;
  }

  FakeHttpsClient client;
  FakeUpdateFiles fs;
  FakeSha256 sha;
  FakeReleaseChecks checks;
  SteppingClock clock;
  bool accept_result = true;
  std::vector<Post> log;
};

TEST_F(UpdateWorkerTest, UpToDateAsksOnceWithTheDeadlineOfItsKind) {
  client.answers.push_back({HttpsError::none, {R"({"ready":true,"version":"1.9.4"})"}});
  client.answers.push_back({HttpsError::none, {R"({"ready":false})"}});
  EXPECT_TRUE(run(true));
  EXPECT_TRUE(run(false));
  ASSERT_EQ(client.requests.size(), 2u);
  EXPECT_EQ(client.requests[0].deadline_ms, 1800u);
  EXPECT_EQ(client.requests[1].deadline_ms, 5000u);
  ASSERT_EQ(whats(), (std::vector<std::string>{"kind 1", "kind 1"}));
  for (const auto& p : log) {
    EXPECT_EQ(p.record->version, u"");
    EXPECT_FALSE(p.record->fetch_failed);
    EXPECT_FALSE(p.record->staged);
  }
  EXPECT_TRUE(log[0].record->auto_install);
  EXPECT_FALSE(log[1].record->auto_install);
}

TEST_F(UpdateWorkerTest, AnAnswerThatIsNoStatusIsAFailedCheckNotUpToDate) {
  const char* bodies[] = {"<html>maintenance</html>", R"({"ready":"true","version":"1.9.10"})",
                          R"({"nested":{"ready":true,"version":"9.0.0"}})"};
  for (const char* b : bodies) client.answers.push_back({HttpsError::none, {b}});
  client.answers.push_back({HttpsError::timeout, {}});
  for (std::size_t i = 0; i < 4; ++i) EXPECT_TRUE(run(false));
  ASSERT_EQ(log.size(), 4u);
  for (const auto& p : log) {
    EXPECT_TRUE(p.record->fetch_failed);
    EXPECT_EQ(update_status_after_check(*p.record, false).text,
              u"Could not reach the update server.");
  }
}

TEST_F(UpdateWorkerTest, ANewerVersionWithoutDigestIsReportedButNotDownloaded) {
  client.answers.push_back({HttpsError::none, {R"({"ready":true,"version":"1.9.10"})"}});
  EXPECT_TRUE(run(true));
  EXPECT_EQ(client.requests.size(), 1u);
  ASSERT_EQ(whats(), (std::vector<std::string>{"kind 1"}));
  EXPECT_EQ(log[0].record->version, u"1.9.10");
  EXPECT_FALSE(log[0].record->staged);
  EXPECT_EQ(update_status_after_check(*log[0].record, true).text,
            u"Uppdatering tillgänglig: v1.9.10");
}

TEST_F(UpdateWorkerTest, AtStartUpAnnouncesTheDownloadReportsThrottledProgressAndStages) {
  const std::uint64_t bytes = 16384 * 6;
  client.answers.push_back({HttpsError::none, {status_body(bytes)}});
  serve_release(bytes);
  clock.step = 25;  // each chunk 25 ms after the one before
  EXPECT_TRUE(run(true));
  ASSERT_EQ(client.requests.size(), 2u);
  EXPECT_EQ(client.requests[1].path, "/downloads/desktop/Vantiro.exe");
  EXPECT_EQ(client.requests[1].max_body_bytes, bytes);
  EXPECT_EQ(whats(), (std::vector<std::string>{"kind 0", "progress 16384/98304",
                                               "progress 49152/98304", "progress 81920/98304",
                                               "progress 98304/98304 final", "kind 1"}));
  EXPECT_EQ(log[0].record->version, u"1.9.10");
  EXPECT_EQ(log[0].record->download_size, bytes);
  const auto& final = *log.back().record;
  ASSERT_TRUE(final.staged);
  EXPECT_TRUE(final.staged->holds_file());
  EXPECT_EQ(final.staged->temp_path().parent_path(), Path("/app"));
  EXPECT_EQ(final.staged->temp_path().filename().string().size(),
            std::string("Vantiro-update-").size() + 38 + 4);
  EXPECT_EQ(update_status_after_check(final, false).text, u"New version ready: v1.9.10");
  log.clear();
  EXPECT_FALSE(any_temp_file());
}

TEST_F(UpdateWorkerTest, WithoutAutoInstallOrWhenTheAnnouncementFailsNoProgressIsPosted) {
  const std::uint64_t bytes = 70000;
  client.answers.push_back({HttpsError::none, {status_body(bytes)}});
  serve_release(bytes);
  EXPECT_TRUE(run(false));
  EXPECT_EQ(whats(), (std::vector<std::string>{"kind 1"}));
  EXPECT_TRUE(log[0].record->staged);
  log.clear();

  client.answers.push_back({HttpsError::none, {status_body(bytes)}});
  serve_release(bytes);
  UpdatePosts p = posts();
  auto inner = p.result;
  p.result = [&](UpdatePostKind kind, std::unique_ptr<UpdateCheckResult>& r) {
    return kind != UpdatePostKind::boot_download_started && inner(kind, r);
  };
  UpdateWorkerPorts ports = make_ports(Path("/per-user"));
  EXPECT_TRUE(update_worker(ports, true, p));
  EXPECT_EQ(whats(), (std::vector<std::string>{"kind 1"}));
  EXPECT_TRUE(log[0].record->staged);
}

TEST_F(UpdateWorkerTest, AFailedDownloadOrVerificationStagesNothingAndLeavesNoFile) {
  struct Case {
    const char* label;
    std::function<void(UpdateWorkerTest&)> setup;
  };
  const std::uint64_t bytes = 70000;
  const Case cases[] = {
      {"short body",
       [&](UpdateWorkerTest& t) {
         t.client.answers.push_back({HttpsError::none, {release(bytes - 1)}});
       }},
      {"long body",
       [&](UpdateWorkerTest& t) {
         t.client.answers.push_back({HttpsError::none, {release(bytes + 1)}});
       }},
      {"deadline",
       [&](UpdateWorkerTest& t) {
         t.client.answers.push_back({HttpsError::timeout, {release(100)}});
       }},
      {"unsigned",
       [&](UpdateWorkerTest& t) {
         t.serve_release(bytes);
         t.checks.signed_ok = false;
       }},
      {"built as another version",
       [&](UpdateWorkerTest& t) {
         t.serve_release(bytes);
         t.checks.version = u"1.9.5";
       }},
      {"other bytes of the same size",
       [&](UpdateWorkerTest& t) {
         t.client.answers.push_back({HttpsError::none, {std::string(bytes, 'X')}});
       }},
  };
  for (const auto& c : cases) {
    client = FakeHttpsClient();
    checks = FakeReleaseChecks();
    log.clear();
    client.answers.push_back({HttpsError::none, {status_body(bytes)}});
    c.setup(*this);
    EXPECT_TRUE(run(true)) << c.label;
    ASSERT_FALSE(log.empty()) << c.label;
    EXPECT_EQ(log.back().what, "kind 1") << c.label;
    EXPECT_FALSE(log.back().record->staged) << c.label;
    EXPECT_EQ(log.back().record->version, u"1.9.10") << c.label;
    EXPECT_FALSE(any_temp_file()) << c.label;
    EXPECT_EQ(fs.held_open, 0) << c.label;
  }
}

TEST_F(UpdateWorkerTest, WithNoUsableFolderNothingIsDownloaded) {
  fs.unwritable_folders.insert("/app");
  UpdateWorkerPorts ports = make_ports(std::nullopt);
  client.answers.push_back({HttpsError::none, {status_body(70000)}});
  EXPECT_TRUE(update_worker(ports, true, posts()));
  EXPECT_EQ(client.requests.size(), 1u);
  EXPECT_EQ(whats(), (std::vector<std::string>{"kind 1"}));
}

TEST_F(UpdateWorkerTest, AFailedFinalPostFreesTheRecordAndItsFile) {
  client.answers.push_back({HttpsError::none, {status_body(70000)}});
  serve_release(70000);
  accept_result = false;
  EXPECT_FALSE(run(false));
  EXPECT_FALSE(any_temp_file());
  EXPECT_EQ(fs.held_open, 0);
}

TEST_F(UpdateWorkerTest, InstallVerificationPostsTheUpdateOnlyWhenItStillHolds) {
  const Path temp = "/app/Vantiro-update-{A}.tmp";
  fs.files[temp] = release(70000);
  auto good = std::make_unique<StagedUpdate>(fs, u"1.9.10", testing::fake_digest(release(70000)),
                                             70000, temp);
  EXPECT_TRUE(install_verification_worker(std::move(good), sha, checks, posts(), u"1.9.4"));
  ASSERT_EQ(whats(), (std::vector<std::string>{"kind 2"}));
  ASSERT_TRUE(log[0].record->staged);
  EXPECT_TRUE(log[0].record->staged->holds_file());
  log.clear();
  EXPECT_FALSE(any_temp_file());

  fs.files[temp] = release(70000);
  auto tampered =
      std::make_unique<StagedUpdate>(fs, u"1.9.10", testing::fake_digest("x"), 70000, temp);
  EXPECT_TRUE(install_verification_worker(std::move(tampered), sha, checks, posts(), u"1.9.4"));
  ASSERT_EQ(whats(), (std::vector<std::string>{"kind 2"}));
  EXPECT_FALSE(log[0].record->staged);
  EXPECT_FALSE(any_temp_file());
}

TEST(BeginUpdateCheck, OneAtATimeAndNeverWhileStagedOrInstalling) {
  std::atomic<bool> running{false};
  EXPECT_FALSE(begin_update_check(running, true, false));
  EXPECT_FALSE(running);
  EXPECT_FALSE(begin_update_check(running, false, true));
  EXPECT_FALSE(running);
  EXPECT_TRUE(begin_update_check(running, false, false));
  EXPECT_TRUE(running);
  EXPECT_FALSE(begin_update_check(running, false, false));
}

TEST(BeginInstallVerification, TakesTheStagedUpdateOnlyWhenNothingElseRuns) {
  FakeUpdateFiles fs;
  fs.files["/app/u.tmp"] = "x";
  std::unique_ptr<StagedUpdate> slot =
      std::make_unique<StagedUpdate>(fs, u"1.9.10", std::string(64, 'a'), 1, "/app/u.tmp");
  slot->hold(fs.open_held("/app/u.tmp"));
  std::atomic<bool> running{true};
  EXPECT_FALSE(begin_install_verification(slot, running));
  EXPECT_TRUE(slot);
  running = false;
  auto taken = begin_install_verification(slot, running);
  ASSERT_TRUE(taken);
  EXPECT_FALSE(slot);
  EXPECT_TRUE(running);
  EXPECT_FALSE(taken->holds_file());
  EXPECT_EQ(fs.held_open, 0);
  running = false;
  EXPECT_FALSE(begin_install_verification(slot, running));
  EXPECT_FALSE(running);
}

TEST(DownloadPageUrl, IsTheReleaseOnTheServiceOrigin) {
  EXPECT_EQ(download_page_url(),
            u"https://" + std::u16string(kServiceHost) + u"/downloads/desktop/Vantiro.exe");
}

TEST(UpdateStatusAfterCheck, PicksTheLineAndState) {
  UpdateCheckResult r;
  EXPECT_EQ(update_status_after_check(r, true).text, u"Du har den senaste versionen.");
  EXPECT_EQ(update_status_after_check(r, false).state, UpdateState::up_to_date);
  r.fetch_failed = true;
  EXPECT_EQ(update_status_after_check(r, true).text, u"Kunde inte nå uppdateringsservern.");
  EXPECT_EQ(update_status_after_check(r, true).state, UpdateState::error);
  r.fetch_failed = false;
  r.version = u"2.0.0";
  EXPECT_EQ(update_status_after_check(r, false).text, u"Update available: v2.0.0");
  EXPECT_EQ(update_status_after_check(r, false).state, UpdateState::available);
}

}  // namespace
}  // namespace vantiro::update
