#include "update/download.h"

#include <gtest/gtest.h>

#include "common/build_config.h"

#include "common/fake_https_client.h"
#include "update/fake_update_files.h"

namespace vantiro::update {
namespace {

using testing::FakeUpdateFiles;
using vantiro::testing::FakeHttpsAnswer;
using vantiro::testing::FakeHttpsClient;

const Path kFile = "/app/Vantiro-update-{X}.tmp";

TEST(DownloadToFile, AsksTheServiceForTheReleaseWithTheWrittenLimits) {
  FakeHttpsClient client;
  FakeUpdateFiles fs;
  client.answers.push_back({HttpsError::none, {"abcd", "ef"}});
  std::vector<std::uint64_t> progress;
  EXPECT_TRUE(download_to_file(client, fs, service_endpoint(), kReleaseDownloadPath, kFile, 6,
                               [&](std::uint64_t n) { progress.push_back(n); }));
  EXPECT_EQ(fs.files[kFile], "abcdef");
  // The last chunk completes the file; only totals below the size are reported.
  EXPECT_EQ(progress, (std::vector<std::uint64_t>{4}));
  ASSERT_EQ(client.requests.size(), 1u);
  const auto& r = client.requests[0];
  EXPECT_EQ(r.host, kServiceHostUtf8);
  EXPECT_EQ(r.port, 443);
  EXPECT_EQ(r.path, "/downloads/desktop/Vantiro.exe");
  EXPECT_EQ(r.user_agent, "VantiroDesktop");
  EXPECT_EQ(r.deadline_ms, 30000u);
  EXPECT_EQ(r.max_body_bytes, 6u);
  EXPECT_TRUE(r.headers.empty());
}

TEST(DownloadToFile, EveryFailureLeavesNoFile) {
  struct Case {
    const char* label;
    FakeHttpsAnswer answer;
    std::function<void(FakeUpdateFiles&)> setup;
  };
  const Case cases[] = {
      {"one byte short", {HttpsError::none, {"abcde"}}, nullptr},
      {"one byte long", {HttpsError::none, {"abcdefg"}}, nullptr},
      {"long in a later chunk", {HttpsError::none, {"abc", "def", "g"}}, nullptr},
      {"empty body", {HttpsError::none, {}}, nullptr},
      {"deadline mid-body", {HttpsError::timeout, {"abc"}}, nullptr},
      {"status", {HttpsError::status, {}}, nullptr},
      {"network after the whole body", {HttpsError::network, {"abcdef"}}, nullptr},
      {"write error",
       {HttpsError::none, {"abc", "def"}},
       [](FakeUpdateFiles& f) {
         f.fail_write_after_bytes = true;
         f.write_limit = 4;
       }},
      {"flush error",
       {HttpsError::none, {"abcdef"}},
       [](FakeUpdateFiles& f) { f.fail_finish = true; }},
  };
  for (const auto& c : cases) {
    FakeHttpsClient client;
    FakeUpdateFiles fs;
    if (c.setup) c.setup(fs);
    client.answers.push_back(c.answer);
    EXPECT_FALSE(
        download_to_file(client, fs, service_endpoint(), kReleaseDownloadPath, kFile, 6, nullptr))
        << c.label;
    EXPECT_EQ(fs.kind(kFile), PathKind::missing) << c.label;
  }
}

TEST(DownloadToFile, NeverTouchesAFileThatAlreadyHadTheName) {
  FakeHttpsClient client;
  FakeUpdateFiles fs;
  fs.files[kFile] = "someone else's";
  client.answers.push_back({HttpsError::none, {"abcdef"}});
  EXPECT_FALSE(
      download_to_file(client, fs, service_endpoint(), kReleaseDownloadPath, kFile, 6, nullptr));
  EXPECT_EQ(fs.files[kFile], "someone else's");
}

TEST(FetchReleaseStatus, EmptyOnAnyFailureAndCappedAt4096) {
  FakeHttpsClient client;
  client.answers.push_back({HttpsError::none, {"{\"ready\":false}"}});
  client.answers.push_back({HttpsError::none, {std::string(4097, ' ')}});
  client.answers.push_back({HttpsError::status, {}});
  EXPECT_EQ(fetch_release_status(client, service_endpoint(), 1800), "{\"ready\":false}");
  EXPECT_EQ(fetch_release_status(client, service_endpoint(), 1800), "");
  EXPECT_EQ(fetch_release_status(client, service_endpoint(), 5000), "");
  ASSERT_EQ(client.requests.size(), 3u);
  EXPECT_EQ(client.requests[0].path, "/api/desktop-app/status");
  EXPECT_EQ(client.requests[0].deadline_ms, 1800u);
  EXPECT_EQ(client.requests[0].max_body_bytes, 4096u);
  EXPECT_EQ(client.requests[2].deadline_ms, 5000u);
}

}  // namespace
}  // namespace vantiro::update
