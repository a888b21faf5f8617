#include "account/account_summary.h"

#include <gtest/gtest.h>

#include "common/build_config.h"

#include "common/fake_https_client.h"

namespace vantiro::account {
namespace {

using vantiro::testing::FakeHttpsClient;

TEST(IsSignedInSummary, OnlyABooleanFalseAndAUserObject) {
  struct Case {
    std::string body;
    bool signed_in;
  };
  const Case cases[] = {
      {R"({"loginRequired":false,"user":{"id":"u1","email":"a@b.se"}})", true},
      {R"({"loginRequired":false,"user":{}})", true},
      {R"({"user":{},"loginRequired":false,"credits":3})", true},
      {R"({"loginRequired":true,"prototype":true,"code":"loginRequired"})", false},
      {R"({"loginRequired":false,"user":null})", false},
      {R"({"loginRequired":"false","user":{}})", false},
      {R"({"loginRequired":0,"user":{}})", false},
      {R"({"loginRequired":false,"user":[]})", false},
      {R"({"loginRequired":false,"user":"me"})", false},
      {R"({"loginRequired":false})", false},
      {R"({"user":{}})", false},
      {R"({"data":{"loginRequired":false,"user":{}}})", false},
      {R"({"loginRequired":false,"user":{}} trailing)", false},
      {R"([{"loginRequired":false,"user":{}}])", false},
      {"", false},
      {"<html>sign in</html>", false},
  };
  for (const auto& c : cases) EXPECT_EQ(is_signed_in_summary(c.body), c.signed_in) << c.body;
}

TEST(IsSignedInSummary, BoundedTo65536Bytes) {
  const std::string base = R"({"loginRequired":false,"user":{}})";
  auto padded = [&](std::size_t total) {
    std::string b = base;
    b.insert(1, std::string(total - base.size(), ' '));
    return b;
  };
  EXPECT_TRUE(is_signed_in_summary(padded(65536)));
  EXPECT_FALSE(is_signed_in_summary(padded(65537)));
}

TEST(FetchAccountSummary, SendsTheCookieWithOneDeadlineAndCapsTheAnswer) {
  FakeHttpsClient client;
  client.answers.push_back({HttpsError::none, {R"({"loginRequired":false,)", R"("user":{}})"}});
  EXPECT_TRUE(fetch_account_summary(client, service_endpoint(), "quorvanta.sid=abc"));
  ASSERT_EQ(client.requests.size(), 1u);
  const auto& r = client.requests[0];
  EXPECT_EQ(r.host, kServiceHostUtf8);
  EXPECT_EQ(r.port, 443);
  EXPECT_EQ(r.path, "/api/account/summary");
  EXPECT_EQ(r.user_agent, "VantiroDesktop/1.8");
  EXPECT_EQ(r.max_body_bytes, 65536u);
  EXPECT_GT(r.deadline_ms, 0u);
  EXPECT_LE(r.deadline_ms, 10000u);
  ASSERT_EQ(r.headers.size(), 2u);
  EXPECT_EQ(r.headers[0], (std::pair<std::string, std::string>{"Cookie", "quorvanta.sid=abc"}));
  EXPECT_EQ(r.headers[1], (std::pair<std::string, std::string>{"Accept", "application/json"}));
}

TEST(FetchAccountSummary, EveryFailureIsNotSignedIn) {
  const HttpsError errors[] = {HttpsError::network, HttpsError::timeout, HttpsError::status,
                               HttpsError::too_large, HttpsError::bad_request};
  for (HttpsError e : errors) {
    FakeHttpsClient client;
    client.answers.push_back({e, {R"({"loginRequired":false,"user":{}})"}});
    EXPECT_FALSE(fetch_account_summary(client, service_endpoint(), "quorvanta.sid=abc")) << code(e);
  }
  FakeHttpsClient client;
  EXPECT_FALSE(fetch_account_summary(client, service_endpoint(), ""));
  EXPECT_TRUE(client.requests.empty());
}

TEST(SessionWorker, PostsTheAnswer) {
  FakeHttpsClient client;
  client.answers.push_back({HttpsError::none, {R"({"loginRequired":false,"user":{}})"}});
  client.answers.push_back({HttpsError::none, {R"({"loginRequired":true})"}});
  std::vector<bool> posted;
  auto post = [&](bool s) {
    posted.push_back(s);
    return true;
  };
  EXPECT_TRUE(session_worker(client, service_endpoint(), "quorvanta.sid=a", post));
  EXPECT_TRUE(session_worker(client, service_endpoint(), "quorvanta.sid=a", post));
  EXPECT_FALSE(
      session_worker(client, service_endpoint(), "quorvanta.sid=a", [](bool) { return false; }));
  EXPECT_EQ(posted, (std::vector<bool>{true, false}));
}

}  // namespace
}  // namespace vantiro::account
