#include <gtest/gtest.h>

#include "account/account_summary.h"
#include "platform/linux/curl_https_client.h"
#include "platform/linux/test_https_server.h"
#include "platform/linux/test_pki.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;

TEST(AccountSummaryOverHttps, SendsExactlyTheCookieAndAcceptHeaders) {
  TestServerPki pki;
  auto client = make_curl_https_client(pki.ca_file.string());
  TestHttpsServer server(pki.server_key.get(), pki.server.get(), [](const std::string&) {
    return simple_reply(200, "OK", R"({"loginRequired":false,"user":{"id":"u1"}})");
  });
  EXPECT_TRUE(account::fetch_account_summary(*client, {"localhost", server.port()},
                                             "quorvanta.sid=abc; quorvanta.sid.1=def"));
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string& head = requests[0];
  EXPECT_EQ(head.rfind("GET /api/account/summary HTTP/1.1\r\n", 0), 0u) << head;
  EXPECT_NE(head.find("\r\nCookie: quorvanta.sid=abc; quorvanta.sid.1=def\r\n"), std::string::npos)
      << head;
  EXPECT_NE(head.find("\r\nAccept: application/json\r\n"), std::string::npos) << head;
  EXPECT_NE(head.find("\r\nUser-Agent: VantiroDesktop/1.8\r\n"), std::string::npos) << head;
}

TEST(AccountSummaryOverHttps, ARedirectToTheSignInPageIsNotSignedIn) {
  TestServerPki pki;
  auto client = make_curl_https_client(pki.ca_file.string());
  TestHttpsServer server(pki.server_key.get(), pki.server.get(), [](const std::string& head) {
    if (head.rfind("GET /api/account/summary ", 0) == 0)
      return simple_reply(302, "Found", "", "Location: /api/account/me\r\n");
    return simple_reply(200, "OK", R"({"loginRequired":false,"user":{}})");
  });
  EXPECT_FALSE(
      account::fetch_account_summary(*client, {"localhost", server.port()}, "quorvanta.sid=abc"));
  EXPECT_EQ(server.requests().size(), 1u);
}

}  // namespace
}  // namespace vantiro::platform
