#include "web/url.h"

#include <gtest/gtest.h>

#include "common/utf.h"
#include "web/url_test_support.h"

namespace vantiro {
namespace {

using testing_support::upper_host;
using testing_support::with_host;

TEST(ParseUrl, SplitsSchemeHostAndPathAndRefusesWhatItCannotJudge) {
  struct Case {
    std::u16string_view url;
    bool valid;
    std::u16string_view scheme;
    std::u16string_view host;
    std::u16string_view path;
    bool has_userinfo;
  };
  const Case cases[] = {
      {u"https://{H}/sv/editor", true, u"https", u"{H}", u"/sv/editor", false},
      {u"https://{H}", true, u"https", u"{H}", u"/", false},
      {u"https://{H}?q=1", true, u"https", u"{H}", u"?q=1", false},
      {u"https://{H}#top", true, u"https", u"{H}", u"#top", false},
      {u"HTTPS://WWW.EXAMPLE.COM/Sv/Editor?A=B#C", true, u"https", u"www.example.com",
       u"/Sv/Editor?A=B#C", false},
      {u"https://{H}:443/x", true, u"https", u"{H}", u"/x", false},
      {u"https://{H}:99999999999999999999/x", true, u"https", u"{H}", u"/x", false},
      {u"https://{H}:/x", false, u"https", u"", u"/x", false},
      {u"https://{H}:44a/x", false, u"https", u"", u"/x", false},
      {u"https://{H}:-1/x", false, u"https", u"", u"/x", false},
      // The port is split at the last colon, so a colon inside the host stays in it.
      {u"https://a:b:80/", true, u"https", u"a:b", u"/", false},
      {u"https://{H}@evil.example/", false, u"https", u"", u"/", true},
      {u"https://user:pass@{H}/", false, u"https", u"", u"/", true},
      {u"https://:443/", false, u"https", u"", u"/", false},
      {u"file:///C:/Windows/System32/cmd.exe", false, u"file", u"", u"/C:/Windows/System32/cmd.exe",
       false},
      {u"https://ev il.example/", false, u"https", u"ev il.example", u"/", false},
      {u"https://evil.example\\.{H}/", false, u"https", u"evil.example\\.{H}", u"/", false},
      {u"javascript:alert(1)", false, u"", u"", u"", false},
      {u"ms-msdt:/id", false, u"", u"", u"", false},
      {u"about:blank", false, u"", u"", u"", false},
      {u"data:text/javascript,alert(1)", false, u"", u"", u"", false},
      {u"://{H}/", false, u"", u"", u"", false},
      {u"", false, u"", u"", u"", false},
      {u"ht tp://{H}/", false, u"ht tp", u"", u"", false},
      {u"h_t://{H}/", false, u"h_t", u"", u"", false},
      {u"9p+x-y.z://host/", true, u"9p+x-y.z", u"host", u"/", false},
      // A "://" inside the query of a scheme-less text does not make a scheme.
      {u"javascript:go('https://{H}')", false, u"javascript:go('https", u"", u"", false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    const ParsedUrl p = parse_url(url);
    const std::string msg = to_utf8(url);
    EXPECT_EQ(p.valid, c.valid) << msg;
    EXPECT_EQ(p.has_userinfo, c.has_userinfo) << msg;
    EXPECT_EQ(p.scheme, c.scheme) << msg;
    if (c.valid || !c.host.empty()) {
      EXPECT_EQ(p.host, with_host(c.host)) << msg;
    }
    if (!c.path.empty()) {
      EXPECT_EQ(p.path, c.path) << msg;
    }
  }
}

TEST(ParseUrl, LowersOnlyAsciiLettersOfTheHost) {
  const ParsedUrl p = parse_url(u"https://\u00C5SA.Example/\u00C5");
  ASSERT_TRUE(p.valid);
  EXPECT_EQ(p.host, u"\u00C5sa.example");
  EXPECT_EQ(p.path, u"/\u00C5");
}

TEST(ServiceOrigin, AcceptsOnlyHttpsOnTheServiceHostAndItsWwwVariant) {
  struct Case {
    std::u16string_view url;
    bool on_origin;
  };
  const Case cases[] = {
      {u"https://{H}/sv/editor", true},
      {u"https://www.{H}/en/vehicles/editor", true},
      {u"https://{H}", true},
      {u"https://{H}:8443/sv/editor", true},
      {u"https://{H}?tool=stance", true},
      {u"http://{H}/sv/editor", false},
      {u"https://{H}@evil.example/", false},
      {u"https://{H}.evil.example/", false},
      {u"https://evil{H}/", false},
      {u"https://evil.{H}/", false},
      {u"https://www.www.{H}/", false},
      {u"https://{H}./", false},
      {u"https://{H}:/", false},
      {u"https://{H}:4x3/", false},
      {u"wss://{H}/", false},
      {u"https:{H}/sv/editor", false},
      {u"https:/{H}/sv/editor", false},
      {u" https://{H}/", false},
      {u"https://accounts.google.com/signin", false},
      {u"file:///C:/Windows/System32/cmd.exe", false},
      {u"javascript:alert(1)", false},
      {u"about:blank", false},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_EQ(is_service_origin_url(url), c.on_origin) << to_utf8(url);
  }
}

TEST(ServiceOrigin, CapitalSchemeAndHostStayOnTheOriginAndThePathKeepsItsCase) {
  const std::u16string url = u"HTTPS://" + upper_host() + u"/SV/Editor";
  EXPECT_TRUE(is_service_origin_url(url));
  EXPECT_EQ(parse_url(url).path, u"/SV/Editor");
  EXPECT_TRUE(is_service_origin_url(u"HtTpS://WWW." + upper_host() + u"/"));
}

TEST(ServiceUrls, AreBuiltOnTheServiceOriginInTheUiLanguage) {
  EXPECT_EQ(service_url(u"/x?y#z"), with_host(u"https://{H}/x?y#z"));
  EXPECT_EQ(service_url(u""), with_host(u"https://{H}"));
  EXPECT_EQ(start_url(true), with_host(u"https://{H}/sv/editor"));
  EXPECT_EQ(start_url(false), with_host(u"https://{H}/en/editor"));
  EXPECT_EQ(language_base_url(true), with_host(u"https://{H}/sv"));
  EXPECT_EQ(language_base_url(false), with_host(u"https://{H}/en"));
  EXPECT_TRUE(is_service_origin_url(start_url(false)));
  EXPECT_TRUE(is_service_origin_url(start_url(true)));
}

TEST(LegalUrls, NameEachDocumentInBothLanguages) {
  struct Case {
    LegalDocument document;
    bool swedish;
    std::u16string_view url;
  };
  const Case cases[] = {
      {LegalDocument::terms, true, u"https://{H}/sv/terms"},
      {LegalDocument::terms, false, u"https://{H}/en/terms"},
      {LegalDocument::privacy, true, u"https://{H}/sv/privacy"},
      {LegalDocument::privacy, false, u"https://{H}/en/privacy"},
      {LegalDocument::withdrawal, true, u"https://{H}/sv/account#withdrawals"},
      {LegalDocument::withdrawal, false, u"https://{H}/en/account#withdrawals"},
      {static_cast<LegalDocument>(3), false, u"https://{H}/en/terms"},
      {static_cast<LegalDocument>(-1), true, u"https://{H}/sv/terms"},
  };
  for (const auto& c : cases) {
    const std::u16string expected = with_host(c.url);
    EXPECT_EQ(legal_url(c.document, c.swedish), expected) << to_utf8(expected);
    EXPECT_TRUE(is_service_origin_url(expected)) << to_utf8(expected);
  }
}

TEST(LegalDocumentForPath, MatchesOnlyTheExactPaths) {
  struct Case {
    std::u16string_view path;
    std::optional<LegalDocument> document;
  };
  const Case cases[] = {
      {u"/terms", LegalDocument::terms},
      {u"/privacy", LegalDocument::privacy},
      {u"/account#withdrawals", LegalDocument::withdrawal},
      {u"/account", std::nullopt},
      {u"//", std::nullopt},
      {u"//evil.example/terms", std::nullopt},
      {u"https://{H}/en/terms", std::nullopt},
      {u"/Terms", std::nullopt},
      {u"/terms/", std::nullopt},
      {u"/privacy?x", std::nullopt},
      {u"", std::nullopt},
  };
  for (const auto& c : cases) {
    const std::u16string path = with_host(c.path);
    EXPECT_EQ(legal_document_for_path(path), c.document) << to_utf8(path);
  }
}

TEST(ServiceRoute, KeepsOnlyThePagePartOfServiceUrls) {
  struct Case {
    std::u16string_view url;
    std::u16string_view route;
  };
  const Case cases[] = {
      {u"https://{H}/sv/vehicles/editor?tool=stance", u"/sv/vehicles/editor?tool=stance"},
      {u"https://{H}/sv/vehicles/editor?tool=stance#wheels", u"/sv/vehicles/editor?tool=stance"},
      {u"https://{H}/sv/vehicles/editor?tool=stance&x=1", u"/sv/vehicles/editor"},
      {u"https://{H}/sv/vehicles/editor?tool=Stance", u"/sv/vehicles/editor"},
      {u"https://{H}/sv/editor?returnTo=x#frag", u"/sv/editor"},
      {u"https://{H}/sv/editor#a?tool=stance", u"/sv/editor"},
      {u"https://www.{H}/En/Projects", u"/En/Projects"},
      {u"https://{H}", u"/"},
      {u"https://{H}?x=1", u"/"},
      {u"https://{H}:443/sv/editor", u"/sv/editor"},
      {u"http://{H}/sv/editor", u"/"},
      {u"https://{H}.evil.example/sv/editor", u"/"},
      {u"https://{H}@evil.example/sv/editor", u"/"},
      {u"https://accounts.google.com/sv/editor", u"/"},
      {u"about:blank", u"/"},
      {u"", u"/"},
  };
  for (const auto& c : cases) {
    const std::u16string url = with_host(c.url);
    EXPECT_EQ(service_route_of(url), c.route) << to_utf8(url);
  }
}

}  // namespace
}  // namespace vantiro
