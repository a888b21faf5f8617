#include "common/https_client.h"

#include <gtest/gtest.h>

#include "common/fake_https_client.h"

namespace vantiro {
namespace {

TEST(IsSafeHeader, RefusesAnythingThatCouldStartANewLine) {
  struct Case {
    std::string name;
    std::string value;
    bool safe;
  };
  const Case cases[] = {
      {"Cookie", "quorvanta.sid=abc; quorvanta.sid.1=d%3De", true},
      {"Accept", "application/json", true},
      {"X-Tab", "a\tb", true},
      {"Cookie", "a=b\r\nHost: evil", false},
      {"Cookie", "a=b\n", false},
      {"Cookie", "a=b\r", false},
      {"Cookie", std::string("a=\0b", 4), false},
      {"Cookie", "a=\x7f", false},
      {"Cookie", "a=\x1b[0m", false},
      {"", "x", false},
      {"Coo kie", "x", false},
      {"Cookie:", "x", false},
      {"Cookie\r\n", "x", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_safe_header(c.name, c.value), c.safe) << c.name << ": " << c.value;
}

TEST(HttpsGetBody, KeepsTheBodyOnlyOnSuccess) {
  testing::FakeHttpsClient client;
  client.answers.push_back({HttpsError::none, {"ab", "cd"}});
  client.answers.push_back({HttpsError::timeout, {"ab"}});
  HttpsRequest r;
  r.max_body_bytes = 4;
  const auto ok = https_get_body(client, r);
  EXPECT_EQ(ok.error, HttpsError::none);
  EXPECT_EQ(ok.body, "abcd");
  const auto late = https_get_body(client, r);
  EXPECT_EQ(late.error, HttpsError::timeout);
  EXPECT_EQ(late.body, "");
}

}  // namespace
}  // namespace vantiro
