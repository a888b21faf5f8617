#include "web/navigation.h"

#include <gtest/gtest.h>

#include <set>

#include "common/utf.h"
#include "web/fake_external_opener.h"
#include "web/url.h"
#include "web/url_test_support.h"

namespace vantiro {
namespace {

using testing_support::upper_host;
using testing_support::with_host;

const char* name(NavigationDecision d) {
  switch (d) {
    case NavigationDecision::in_app:
      return "in_app";
    case NavigationDecision::external:
      return "external";
    case NavigationDecision::blocked:
      return "blocked";
  }
  return "?";
}

TEST(InAppHosts, AreSeventeenDistinctLoweredHostsStartingWithTheServiceHost) {
  const auto& hosts = in_app_hosts();
  EXPECT_EQ(hosts[0], std::u16string_view(kServiceHost));
  EXPECT_EQ(hosts[1], with_host(u"www.{H}"));
  std::set<std::u16string_view> seen;
  for (std::u16string_view h : hosts) {
    EXPECT_TRUE(seen.insert(h).second) << to_utf8(h);
    EXPECT_EQ(ascii_lower(h), h) << to_utf8(h);
    const ParsedUrl p = parse_url(u"https://" + std::u16string(h) + u"/");
    EXPECT_TRUE(p.valid) << to_utf8(h);
    EXPECT_EQ(p.host, h);
  }
}

TEST(ClassifyNavigation, SortsAddressesIntoInAppExternalAndBlocked) {
  using D = NavigationDecision;
  struct Case {
    std::u16string_view url;
    D decision;
  };
  const Case cases[] = {
      {u"about:blank", D::in_app},
      {u"https://{H}/sv/editor", D::in_app},
      {u"https://www.{H}/en/vehicles/editor", D::in_app},
      {u"https://{H}:8443/sv/editor", D::in_app},
      {u"https://checkout.stripe.com/c/pay/cs_test", D::in_app},
      {u"https://js.stripe.com/v3/", D::in_app},
      {u"https://stripe.com/", D::in_app},
      {u"https://discord.com/oauth2/authorize?client_id=1", D::in_app},
      {u"https://canary.discord.com/login", D::in_app},
      {u"https://challenges.cloudflare.com/turnstile", D::in_app},
      {u"https://accounts.google.com/signin", D::in_app},
      {u"https://accounts.youtube.com/accounts/SetSID", D::in_app},
      {u"https://app.swish.nu/pay", D::in_app},
      {u"HTTPS://CHECKOUT.STRIPE.COM/c/pay", D::in_app},
      {u"https://discord.gg/abc", D::external},
      {u"https://example.com/", D::external},
      {u"https://dashboard.stripe.com/", D::external},
      {u"https://stripe.com.evil.example/", D::external},
      {u"https://{H}.evil.example/sv/editor", D::external},
      {u"https://evil-{H}/", D::external},
      {u"http://{H}/sv/editor", D::external},
      {u"http://checkout.stripe.com/", D::external},
      {u"HTTP://example.com/", D::external},
      {u"file:///C:/Windows/System32/cmd.exe", D::blocked},
      {u"file://server/share/x", D::blocked},
      {u"javascript:alert(1)", D::blocked},
      {u"ms-msdt:/id", D::blocked},
      {u"data:text/html,<b>x</b>", D::blocked},
      {u"data:text/javascript,alert(1)", D::blocked},
      {u"about:Blank", D::blocked},
      {u"about:blank#x", D::blocked},
      {u"https://{H}@evil.example/", D::blocked},
      {u"https://evil.example@{H}/", D::blocked},
      {u"http://user@{H}/", D::blocked},
      {u"https://{H}:/", D::blocked},
      {u"wss://{H}/", D::blocked},
      {u"vantiro://open", D::blocked},
      {u"ftp://example.com/", D::blocked},
      {u"", D::blocked},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_STREQ(name(classify_navigation(url)), name(c.decision)) << to_utf8(url);
  }
}

TEST(ClassifyNavigation, AllowsEveryLegalPageInAppInBothLanguages) {
  for (bool swedish : {true, false}) {
    for (LegalDocument d :
         {LegalDocument::terms, LegalDocument::privacy, LegalDocument::withdrawal}) {
      const std::u16string url = legal_url(d, swedish);
      EXPECT_EQ(classify_navigation(url), NavigationDecision::in_app) << to_utf8(url);
    }
  }
}

TEST(ClassifyNavigation, ServiceOriginImpliesInAppButGoogleSignInIsNotTheOrigin) {
  const std::u16string google = u"https://accounts.google.com/signin/v2";
  EXPECT_EQ(classify_navigation(google), NavigationDecision::in_app);
  EXPECT_FALSE(is_service_origin_url(google));
  const std::u16string capital = u"HTTPS://" + upper_host() + u"/En/Editor";
  EXPECT_TRUE(is_service_origin_url(capital));
  EXPECT_EQ(classify_navigation(capital), NavigationDecision::in_app);
}

TEST(AuthFlow, RecognisesSignInPagesOfTheServiceDiscordAndCloudflare) {
  struct Case {
    std::u16string_view url;
    bool auth;
  };
  const Case cases[] = {
      {u"", true},
      {u"about:blank", true},
      {u"https://{H}/sv/login?returnTo=%2Fsv%2Feditor", true},
      {u"https://{H}/api/auth/discord/start", true},
      {u"https://{H}/sv/api/auth/discord/start", true},
      {u"https://discord.com/oauth2/authorize", true},
      {u"http://discord.com/anything", true},
      {u"https://challenges.cloudflare.com/turnstile", true},
      {u"https://ptb.discord.com/oauth2/authorize", false},
      {u"https://canary.discord.com/oauth2/authorize", false},
      {u"https://accounts.google.com/signin", false},
      {u"https://{H}/sv/editor", false},
      {u"https://{H}/en/projects", false},
      {u"https://{H}/en/signup/", true},
      {u"https://{H}/en/signup/step/2", true},
      {u"https://{H}/sv/verify-email", true},
      {u"https://{H}/sv/verify-email#done", true},
      {u"https://{H}/reset-password?token=x", true},
      {u"https://www.{H}/forgot-password", true},
      {u"https://{H}/auth/callback", true},
      {u"https://{H}/sv/loginx", false},
      {u"https://{H}/sv/login-help", false},
      {u"https://{H}/sv/Login", false},
      {u"https://{H}/svlogin", false},
      {u"https://{H}/sv", false},
      {u"https://{H}/en", false},
      {u"https://{H}/auth", false},
      {u"https://{H}/fr/login", false},
      {u"https://{H}/sv/sv/login", false},
      {u"http://{H}/sv/login", true},  // the scheme is not looked at
      {u"https://{H}@evil.example/sv/login", false},
      {u"https://{H}.evil.example/sv/login", false},
      {u"javascript:alert(1)", false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_EQ(is_auth_flow_url(url), c.auth) << to_utf8(url);
  }
}

TEST(LocalShellDocument, IsAboutBlankOrAnHtmlDataDocument) {
  struct Case {
    std::u16string_view url;
    bool local;
  };
  const Case cases[] = {
      {u"about:blank", true},
      {u"data:text/html", true},
      {u"data:text/html,<p>x</p>", true},
      {u"data:text/html;charset=utf-8;base64,PGh0bWw+", true},
      {u"DATA:Text/HTML;base64,PGh0bWw+", true},
      {u"data:text/htmlx,", false},
      {u"data:text/javascript,alert(1)", false},
      {u"data:text/htm", false},
      {u" data:text/html,", false},
      {u"ABOUT:BLANK", false},
      {u"about:blank?", false},
      {u"https://{H}/", false},
      {u"", false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_EQ(is_local_shell_document(url), c.local) << to_utf8(url);
    EXPECT_EQ(legacy_shell_accepts_source(url), c.local) << to_utf8(url);
  }
}

TEST(LegacyShell, MayShowLocalDocumentsOnlyBeforeItIsReady) {
  struct Case {
    std::u16string_view url;
    bool before_ready;
  };
  const Case cases[] = {
      {u"data:text/html;charset=utf-8;base64,PGh0bWw+", true},
      {u"about:blank", true},
      {u"https://{H}/", false},
      {u"data:text/javascript,alert(1)", false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_EQ(legacy_shell_may_navigate(url, false), c.before_ready) << to_utf8(url);
    EXPECT_FALSE(legacy_shell_may_navigate(url, true)) << to_utf8(url);
  }
  EXPECT_TRUE(legacy_shell_accepts_source(u"about:blank"));
  EXPECT_FALSE(legacy_shell_accepts_source(service_url(u"/")));
}

constexpr std::u16string_view kOfflinePage = u"data:text/html;charset=utf-8;base64,PGh0bWw+";

TEST(NavigationStarting, DecidesEachAddressForActiveAndBackgroundTabs) {
  struct Case {
    std::u16string_view url;
    bool permit;
    bool showing_before;
    bool active;
    bool allow;
    bool open_externally;
    bool in_app;
    bool showing_after;
  };
  const Case cases[] = {
      // in-app pages load and end a local document
      {u"https://{H}/sv/editor", false, true, true, true, false, true, false},
      {u"https://{H}/sv/editor", false, false, false, true, false, true, false},
      {u"https://checkout.stripe.com/c/pay/cs_test", false, false, true, true, false, true, false},
      // about:blank is always allowed, with or without the permit
      {u"about:blank", false, true, true, true, false, true, false},
      {u"about:blank", true, false, true, true, false, false, true},
      // the offline page only through the permit
      {kOfflinePage, true, false, true, true, false, false, true},
      {kOfflinePage, false, false, true, false, false, false, false},
      {kOfflinePage, false, true, true, false, false, false, true},
      // the permit admits local documents only
      {u"https://example.com/", true, false, true, false, true, false, false},
      {u"javascript:alert(1)", true, false, true, false, false, false, false},
      {u"data:text/javascript,alert(1)", true, false, true, false, false, false, false},
      // external: cancelled; only the active tab opens the browser
      {u"https://example.com/", false, false, true, false, true, false, false},
      {u"https://example.com/", false, true, false, false, false, false, true},
      {u"http://{H}/sv/editor", false, false, true, false, true, false, false},
      {u"https://{H}.evil.example/", false, false, true, false, true, false, false},
      // blocked: cancelled, nothing opens, fields unchanged
      {u"file:///C:/Windows/System32/cmd.exe", false, false, true, false, false, false, false},
      {u"ms-msdt:/id", false, true, true, false, false, false, true},
      {u"https://{H}@evil.example/", false, false, true, false, false, false, false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    const std::string msg =
        to_utf8(url) + (c.permit ? " permit" : "") + (c.active ? " active" : " background");
    const auto v = decide_navigation_starting(LocalDocumentState{c.permit, c.showing_before},
                                              std::u16string_view(url), c.active);
    EXPECT_EQ(v.allow, c.allow) << msg;
    EXPECT_EQ(v.open_externally, c.open_externally) << msg;
    EXPECT_EQ(v.in_app, c.in_app) << msg;
    EXPECT_EQ(v.record_navigation_id, c.allow) << msg;
    EXPECT_FALSE(v.tab.local_document_permit) << msg;
    EXPECT_EQ(v.tab.showing_local_document, c.showing_after) << msg;
  }
}

TEST(NavigationStarting, FailsClosedWithoutTabOrAddressAndStillConsumesThePermit) {
  auto v = decide_navigation_starting(std::nullopt, std::u16string_view(u"about:blank"), true);
  EXPECT_FALSE(v.allow);
  EXPECT_FALSE(v.open_externally);
  EXPECT_FALSE(v.record_navigation_id);

  v = decide_navigation_starting(LocalDocumentState{true, false}, std::nullopt, true);
  EXPECT_FALSE(v.allow);
  EXPECT_FALSE(v.open_externally);
  EXPECT_FALSE(v.tab.local_document_permit);
  EXPECT_FALSE(v.tab.showing_local_document);
}

TEST(NavigationStarting, PermitIsOneShot) {
  // The host sets the permit, loads the offline page; a second local document is refused.
  LocalDocumentState tab{true, false};
  auto v = decide_navigation_starting(tab, kOfflinePage, true);
  ASSERT_TRUE(v.allow);
  tab = v.tab;
  EXPECT_TRUE(tab.showing_local_document);
  EXPECT_FALSE(tab.local_document_permit);

  v = decide_navigation_starting(tab, u"data:text/html,<p>second</p>", true);
  EXPECT_FALSE(v.allow);
  tab = v.tab;

  v = decide_navigation_starting(tab, u"about:blank", true);
  EXPECT_TRUE(v.allow);

  // Any navigation consumes it, even one the policy refuses.
  tab = LocalDocumentState{true, false};
  v = decide_navigation_starting(tab, u"ms-msdt:/id", true);
  EXPECT_FALSE(v.allow);
  v = decide_navigation_starting(v.tab, kOfflinePage, true);
  EXPECT_FALSE(v.allow);
}

TEST(NewWindow, OpensTabsNavigatesTheAskerOrOpensTheBrowser) {
  using A = NewWindowAction;
  struct Case {
    std::u16string_view url;
    bool asker_active;
    A action;
    bool activate;
  };
  const Case cases[] = {
      {u"https://{H}/sv/tools/sounds", true, A::open_tab, true},
      {u"https://{H}/sv/tools/sounds", false, A::open_tab, false},
      {u"https://www.{H}/en/editor", true, A::open_tab, true},
      {u"https://discord.com/oauth2/authorize", true, A::navigate_asker, false},
      {u"https://checkout.stripe.com/c/pay/cs_test", false, A::navigate_asker, false},
      {u"https://accounts.google.com/signin", false, A::navigate_asker, false},
      {u"https://example.com/", true, A::open_externally, false},
      {u"https://example.com/", false, A::nothing, false},
      {u"http://{H}/sv/editor", true, A::open_externally, false},
      {u"javascript:alert(1)", true, A::nothing, false},
      {u"file:///C:/Windows/System32/cmd.exe", true, A::nothing, false},
      {u"https://{H}@evil.example/", true, A::nothing, false},
      {u"data:text/html,<p>x</p>", true, A::nothing, false},
      // window.open() with no address must not blank the asking tab
      {u"about:blank", true, A::nothing, false},
      {u"about:blank", false, A::nothing, false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    const std::string msg = to_utf8(url) + (c.asker_active ? " active" : " background");
    const auto v = decide_new_window(true, std::u16string_view(url), c.asker_active);
    EXPECT_TRUE(v.handled) << msg;
    EXPECT_EQ(static_cast<int>(v.action), static_cast<int>(c.action)) << msg;
    EXPECT_EQ(v.activate_new_tab, c.activate) << msg;
  }
}

TEST(NewWindow, IsHandledButDoesNothingWithoutTabOrAddress) {
  const std::u16string url = service_url(u"/sv/editor");
  auto v = decide_new_window(false, std::u16string_view(url), true);
  EXPECT_TRUE(v.handled);
  EXPECT_EQ(v.action, NewWindowAction::nothing);
  v = decide_new_window(true, std::nullopt, true);
  EXPECT_TRUE(v.handled);
  EXPECT_EQ(v.action, NewWindowAction::nothing);
}

TEST(ExternalOpen, TheBrowserIsCalledOnlyForExternalAddressesOfTheActiveTab) {
  FakeExternalOpener opener;
  const std::u16string outside = u"https://example.com/docs";
  handle_navigation_starting(LocalDocumentState{}, std::u16string_view(outside), false, opener);
  handle_new_window(true, std::u16string_view(outside), false, opener);
  handle_navigation_starting(LocalDocumentState{}, std::u16string_view(u"ms-msdt:/id"), true,
                             opener);
  handle_new_window(true, std::u16string_view(u"javascript:alert(1)"), true, opener);
  const std::u16string own = service_url(u"/sv/editor");
  handle_navigation_starting(LocalDocumentState{}, std::u16string_view(own), true, opener);
  handle_new_window(true, std::u16string_view(own), true, opener);
  EXPECT_TRUE(opener.opened.empty());

  handle_navigation_starting(LocalDocumentState{}, std::u16string_view(outside), true, opener);
  handle_new_window(true, std::u16string_view(u"http://example.org/"), true, opener);
  ASSERT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(opener.opened[0], outside);
  EXPECT_EQ(opener.opened[1], u"http://example.org/");
}

TEST(ExternalOpen, OwnAddressesAreHandedOverUnlessBlocked) {
  FakeExternalOpener opener;
  EXPECT_TRUE(open_externally_unless_blocked(service_url(u"/downloads/desktop"), opener));
  EXPECT_FALSE(open_externally_unless_blocked(u"file:///C:/x.exe", opener));
  EXPECT_FALSE(open_externally_unless_blocked(with_host(u"https://{H}@evil.example/"), opener));
  opener.result = false;
  EXPECT_FALSE(open_externally_unless_blocked(u"https://example.com/", opener));
  ASSERT_EQ(opener.opened.size(), 2u);
  EXPECT_EQ(opener.opened[0], service_url(u"/downloads/desktop"));
}

}  // namespace
}  // namespace vantiro
