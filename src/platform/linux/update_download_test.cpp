#include <gtest/gtest.h>

#include "platform/linux/curl_https_client.h"
#include "platform/linux/test_https_server.h"
#include "platform/linux/test_pki.h"
#include "platform/update_ports.h"
#include "update/download.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;

class UpdateDownloadTest : public ::testing::Test {
 protected:
  bool download(const ReplyScript& script, std::uint64_t expected,
                std::vector<std::uint64_t>* progress = nullptr) {
    TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                           [&](const std::string&) { return script; });
    last_requests.clear();
    const bool ok = update::download_to_file(*client, *files, {"localhost", server.port()},
                                             update::kReleaseDownloadPath, file, expected,
                                             [&](std::uint64_t n) {
                                               if (progress) progress->push_back(n);
                                             });
    last_requests = server.requests();
    return ok;
  }
  TestServerPki pki;
  std::unique_ptr<HttpsClient> client = make_curl_https_client(pki.ca_file.string());
  std::unique_ptr<update::UpdateFiles> files = make_update_files();
  Path file = pki.dir.path() / "Vantiro-update-{0}.tmp";
  std::vector<std::string> last_requests;
};

TEST_F(UpdateDownloadTest, WritesExactlyTheAnnouncedBytes) {
  std::string body(100000, '\0');
  for (std::size_t i = 0; i < body.size(); ++i) body[i] = static_cast<char>(i * 7);
  std::vector<std::uint64_t> progress;
  ASSERT_TRUE(download(simple_reply(200, "OK", body), body.size(), &progress));
  EXPECT_EQ(read_text_file(file), body);
  ASSERT_FALSE(progress.empty());
  for (std::size_t i = 1; i < progress.size(); ++i) EXPECT_GT(progress[i], progress[i - 1]);
  EXPECT_LT(progress.back(), body.size());
  ASSERT_EQ(last_requests.size(), 1u);
  EXPECT_EQ(last_requests[0].rfind("GET /downloads/desktop/Vantiro.exe HTTP/1.1\r\n", 0), 0u);
}

TEST_F(UpdateDownloadTest, EveryWrongAnswerFailsAndLeavesNoFile) {
  const std::string body(70000, 'b');
  struct Case {
    const char* label;
    ReplyScript script;
  };
  const Case cases[] = {
      {"one byte long", simple_reply(200, "OK", body + "x")},
      {"one byte short", simple_reply(200, "OK", body.substr(1))},
      {"short without a length",
       {{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body.substr(1), 0}}},
      {"long without a length, excess arriving late",
       {{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body, 0}, {"excess", 200}}},
      {"not found", simple_reply(404, "Not Found", body)},
      {"redirect", simple_reply(302, "Found", "", "Location: /elsewhere\r\n")},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(download(c.script, body.size())) << c.label;
    EXPECT_FALSE(std::filesystem::exists(file)) << c.label;
    EXPECT_EQ(last_requests.size(), 1u) << c.label;
  }
}

}  // namespace
}  // namespace vantiro::platform
