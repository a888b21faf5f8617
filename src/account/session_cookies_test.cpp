#include "account/session_cookies.h"

#include <gtest/gtest.h>

#include "common/utf.h"

namespace vantiro::account {
namespace {

constexpr std::int64_t kNowMs = 1800000000000;  // 2027-01-15
constexpr double kNowS = 1800000000;

TEST(SessionCookieName, ExactNameOrTheDottedPrefix) {
  struct Case {
    std::u16string_view name;
    bool session;
  };
  const Case cases[] = {
      {u"quorvanta.sid", true},     {u"quorvanta.sid.", true},  {u"quorvanta.sid.0", true},
      {u"quorvanta.sid.1.x", true}, {u"quorvanta.sidx", false}, {u"quorvanta.sid0", false},
      {u"quorvanta.si", false},     {u"Quorvanta.sid", false},  {u" quorvanta.sid", false},
      {u"xquorvanta.sid", false},   {u"quorvanta_sid", false},  {u"", false}};
  for (const auto& c : cases)
    EXPECT_EQ(is_session_cookie_name(c.name), c.session) << to_utf8(c.name);
}

TEST(CollectSessionCookies, TakesLiveNonEmptySessionCookiesInListOrder) {
  const std::vector<StoredCookie> list = {
      {u"other", u"x", true, 0},
      {u"quorvanta.sid.0", u"first", false, kNowS + 60},
      {u"quorvanta.sid", u"", true, 0},                    // empty value
      {u"quorvanta.sidx", u"letter", true, 0},             // not a session name
      {u"quorvanta.sid.old", u"gone", false, kNowS - 1},   // expired persistent cookie
      {u"quorvanta.sid.now", u"gone", false, kNowS},       // expires this second
      {u"quorvanta.sid.1", u"second", true, kNowS - 100},  // a session cookie never expires here
      {u"quorvanta.sid.2", u"third", false, 0},            // no expiry
      {u"quorvanta.sid.3", u"fourth", false, -1},
  };
  EXPECT_EQ(collect_session_cookies(list, kNowMs),
            "quorvanta.sid.0=first; quorvanta.sid.1=second; quorvanta.sid.2=third; "
            "quorvanta.sid.3=fourth");
  EXPECT_EQ(collect_session_cookies({{u"quorvanta.sid.", u"s%3Aabc.def", true, 0}}, kNowMs),
            "quorvanta.sid.=s%3Aabc.def");
  EXPECT_EQ(collect_session_cookies({}, kNowMs), "");
}

TEST(CollectSessionCookies, LeavesOutWhatCouldBreakOrExtendTheHeader) {
  const std::u16string bad_values[] = {u"a\r\nX-Evil: 1",
                                       u"a\nb",
                                       u"a\rb",
                                       std::u16string(u"a\0b", 3),
                                       u"a\tb",
                                       u"a\x7f",
                                       u"a; other=1",
                                       u"a,b",
                                       u"a b",
                                       u"\"q\"",
                                       u"a\\b",
                                       u"å"};
  for (const auto& v : bad_values) {
    const std::vector<StoredCookie> list = {{u"quorvanta.sid", v, true, 0},
                                            {u"quorvanta.sid.1", u"ok", true, 0}};
    EXPECT_EQ(collect_session_cookies(list, kNowMs), "quorvanta.sid.1=ok") << to_utf8(v);
  }
  const std::u16string bad_names[] = {u"quorvanta.sid.\r\n", u"quorvanta.sid.a b",
                                      u"quorvanta.sid.=", u"quorvanta.sid.;",
                                      std::u16string(u"quorvanta.sid.\0", 15)};
  for (const auto& n : bad_names)
    EXPECT_EQ(collect_session_cookies({{n, u"v", true, 0}}, kNowMs), "") << to_utf8(n);
}

TEST(Wipe, LeavesTheTextEmpty) {
  std::string secret = "quorvanta.sid=abc";
  wipe(secret);
  EXPECT_TRUE(secret.empty());
}

}  // namespace
}  // namespace vantiro::account
