#include "platform/linux/curl_https_client.h"

#include <gtest/gtest.h>

#include <chrono>

#include "platform/linux/test_https_server.h"
#include "platform/linux/test_pki.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;

std::uint64_t elapsed_ms(std::chrono::steady_clock::time_point since) {
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - since)
                                        .count());
}

class CurlHttpsClientTest : public ::testing::Test {
 protected:
  HttpsRequest request(std::uint16_t port, std::size_t max_body = 4096,
                       std::uint64_t deadline = 5000) {
    HttpsRequest r;
    r.host = "localhost";
    r.port = port;
    r.path = "/api/desktop-app/status";
    r.user_agent = "VantiroDesktop";
    r.deadline_ms = deadline;
    r.max_body_bytes = max_body;
    return r;
  }
  TestServerPki pki;
  std::unique_ptr<HttpsClient> client = make_curl_https_client(pki.ca_file.string());
};

TEST_F(CurlHttpsClientTest, ReturnsTheBodyOfA200AndSendsOnlyTheGivenHeaders) {
  TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                         [](const std::string&) { return simple_reply(200, "OK", "{\"a\":1}"); });
  auto r = request(server.port());
  r.headers = {{"Cookie", "quorvanta.sid=abc; quorvanta.sid.1=def"},
               {"Accept", "application/json"}};
  const auto got = https_get_body(*client, r);
  EXPECT_EQ(got.error, HttpsError::none) << code(got.error);
  EXPECT_EQ(got.body, "{\"a\":1}");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& head = requests[0];
  EXPECT_EQ(head.rfind("GET /api/desktop-app/status HTTP/1.1\r\n", 0), 0u) << head;
  EXPECT_NE(head.find("\r\nUser-Agent: VantiroDesktop\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("\r\nCookie: quorvanta.sid=abc; quorvanta.sid.1=def\r\n"), std::string::npos)
      << head;
  EXPECT_NE(head.find("\r\nAccept: application/json\r\n"), std::string::npos) << head;
  EXPECT_EQ(head.find("Accept: */*"), std::string::npos) << head;
  EXPECT_EQ(head.find("Authorization"), std::string::npos) << head;
}

TEST_F(CurlHttpsClientTest, RefusesEveryStatusButOkAndNeverFollowsARedirect) {
  struct Case {
    int status;
    const char* reason;
    std::string extra;
  };
  const Case cases[] = {
      {201, "Created", ""},
      {204, "No Content", ""},
      {301, "Moved Permanently", "Location: /other\r\n"},
      {302, "Found", "Location: https://localhost/elsewhere\r\n"},
      {307, "Temporary Redirect", "Location: /other\r\n"},
      {404, "Not Found", ""},
      {500, "Internal Server Error", ""},
  };
  for (const auto& c : cases) {
    TestHttpsServer server(pki.server_key.get(), pki.server.get(), [&](const std::string& head) {
      if (head.rfind("GET /api/desktop-app/status ", 0) == 0)
        return simple_reply(c.status, c.reason, "{\"ready\":true}", c.extra);
      return simple_reply(200, "OK", "followed");
    });
    const auto got = https_get_body(*client, request(server.port()));
    EXPECT_EQ(got.error, HttpsError::status) << c.status << " " << code(got.error);
    EXPECT_EQ(got.body, "") << c.status;
    EXPECT_EQ(server.requests().size(), 1u) << c.status;
  }
}

TEST_F(CurlHttpsClientTest, EnforcesTheBodyCapWhileReading) {
  const std::string exact(4096, 'x');
  const std::string over(4097, 'x');
  {
    TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                           [&](const std::string&) { return simple_reply(200, "OK", exact); });
    const auto got = https_get_body(*client, request(server.port()));
    EXPECT_EQ(got.error, HttpsError::none) << code(got.error);
    EXPECT_EQ(got.body.size(), 4096u);
  }
  {
    TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                           [&](const std::string&) { return simple_reply(200, "OK", over); });
    const auto got = https_get_body(*client, request(server.port()));
    EXPECT_EQ(got.error, HttpsError::too_large) << code(got.error);
    EXPECT_EQ(got.body, "");
  }
  {
    // No length announced: the cap must hold on the bytes as they arrive.
    TestHttpsServer server(pki.server_key.get(), pki.server.get(), [&](const std::string&) {
      return ReplyScript{{"HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n", 0},
                         {std::string(3000, 'y'), 0},
                         {std::string(3000, 'y'), 20}};
    });
    const auto got = https_get_body(*client, request(server.port()));
    EXPECT_EQ(got.error, HttpsError::too_large) << code(got.error);
  }
}

TEST_F(CurlHttpsClientTest, ABodyShorterThanAnnouncedFails) {
  TestHttpsServer server(pki.server_key.get(), pki.server.get(), [](const std::string&) {
    return ReplyScript{{"HTTP/1.1 200 OK\r\nContent-Length: 100\r\nConnection: close\r\n\r\n", 0},
                       {std::string(99, 'z'), 0}};
  });
  const auto got = https_get_body(*client, request(server.port()));
  EXPECT_EQ(got.error, HttpsError::network) << code(got.error);
}

TEST_F(CurlHttpsClientTest, TheDeadlineCoversTheWholeExchange) {
  {
    // Stalls after the head.
    TestHttpsServer server(pki.server_key.get(), pki.server.get(), [](const std::string&) {
      return ReplyScript{{"HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\n", 0},
                         {"0123456789", 5000}};
    });
    const auto start = std::chrono::steady_clock::now();
    const auto got = https_get_body(*client, request(server.port(), 4096, 600));
    EXPECT_EQ(got.error, HttpsError::timeout) << code(got.error);
    EXPECT_GE(elapsed_ms(start), 550u);
    EXPECT_LT(elapsed_ms(start), 2500u);
  }
  {
    // Every byte arrives well within any per-read time-out, yet the total runs out.
    TestHttpsServer server(pki.server_key.get(), pki.server.get(), [](const std::string&) {
      ReplyScript s{{"HTTP/1.1 200 OK\r\nContent-Length: 40\r\n\r\n", 0}};
      for (int i = 0; i < 40; ++i) s.push_back({"a", 100});
      return s;
    });
    const auto start = std::chrono::steady_clock::now();
    const auto got = https_get_body(*client, request(server.port(), 4096, 800));
    EXPECT_EQ(got.error, HttpsError::timeout) << code(got.error);
    EXPECT_LT(elapsed_ms(start), 2500u);
  }
}

TEST_F(CurlHttpsClientTest, SpeaksTls12And13ButNothingOlder) {
  struct Case {
    int min;
    int max;
    bool works;
    const char* label;
  };
  const Case cases[] = {
      {TLS1_3_VERSION, TLS1_3_VERSION, true, "1.3"},
      {TLS1_2_VERSION, TLS1_2_VERSION, true, "1.2"},
      {TLS1_1_VERSION, TLS1_1_VERSION, false, "1.1"},
      {TLS1_VERSION, TLS1_VERSION, false, "1.0"},
  };
  for (const auto& c : cases) {
    TestHttpsServer server(
        pki.server_key.get(), pki.server.get(),
        [](const std::string&) { return simple_reply(200, "OK", "ok"); }, c.min, c.max);
    const auto got = https_get_body(*client, request(server.port()));
    EXPECT_EQ(got.error == HttpsError::none, c.works) << c.label << " " << code(got.error);
    if (!c.works) {
      EXPECT_TRUE(server.requests().empty()) << c.label;
      EXPECT_EQ(server.handshakes_failed(), 1) << c.label;
    }
  }
}

TEST_F(CurlHttpsClientTest, RefusesAServerItDoesNotTrust) {
  TestServerPki other;
  TestHttpsServer server(other.server_key.get(), other.server.get(),
                         [](const std::string&) { return simple_reply(200, "OK", "ok"); });
  const auto got = https_get_body(*client, request(server.port()));
  EXPECT_EQ(got.error, HttpsError::network) << code(got.error);
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(CurlHttpsClientTest, RefusesRequestsThatCouldBreakTheHeaderBlockOrTheAddress) {
  TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                         [](const std::string&) { return simple_reply(200, "OK", "ok"); });
  struct Case {
    const char* label;
    std::function<void(HttpsRequest&)> change;
  };
  const Case cases[] = {
      {"cookie with CR LF",
       [](HttpsRequest& r) {
         r.headers = {{"Cookie", "a=b\r\nX-Evil: 1"}};
       }},
      {"cookie with LF",
       [](HttpsRequest& r) {
         r.headers = {{"Cookie", "a=b\nX"}};
       }},
      {"cookie with NUL",
       [](HttpsRequest& r) {
         r.headers = {{"Cookie", std::string("a=b\0c", 5)}};
       }},
      {"name with colon",
       [](HttpsRequest& r) {
         r.headers = {{"Coo:kie", "a"}};
       }},
      {"empty name",
       [](HttpsRequest& r) {
         r.headers = {{"", "a"}};
       }},
      {"host with port", [](HttpsRequest& r) { r.host = "localhost:1"; }},
      {"host with userinfo", [](HttpsRequest& r) { r.host = "user@localhost"; }},
      {"host with path", [](HttpsRequest& r) { r.host = "localhost/x"; }},
      {"path without slash", [](HttpsRequest& r) { r.path = "api"; }},
      {"path with space", [](HttpsRequest& r) { r.path = "/a b"; }},
      {"path with CR LF", [](HttpsRequest& r) { r.path = "/a\r\nb"; }},
      {"no deadline", [](HttpsRequest& r) { r.deadline_ms = 0; }},
      {"no body cap", [](HttpsRequest& r) { r.max_body_bytes = 0; }},
  };
  for (const auto& c : cases) {
    auto r = request(server.port());
    c.change(r);
    EXPECT_EQ(https_get_body(*client, r).error, HttpsError::bad_request) << c.label;
  }
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(CurlHttpsClientTest, StreamsToTheSinkAndStopsWhenItRefuses) {
  const std::string body(50000, 'q');
  TestHttpsServer server(pki.server_key.get(), pki.server.get(),
                         [&](const std::string&) { return simple_reply(200, "OK", body); });
  std::string got;
  EXPECT_EQ(client->get(request(server.port(), 60000),
                        [&](std::string_view chunk) {
                          got.append(chunk);
                          return true;
                        }),
            HttpsError::none);
  EXPECT_EQ(got, body);
  int calls = 0;
  EXPECT_EQ(client->get(request(server.port(), 60000),
                        [&](std::string_view) {
                          ++calls;
                          return false;
                        }),
            HttpsError::aborted);
  EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vantiro::platform
