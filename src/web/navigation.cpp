#include "web/navigation.h"

#include <string>

#include "common/build_config.h"
#include "web/url.h"

namespace vantiro {
namespace {

constexpr std::u16string_view kAboutBlank = u"about:blank";
constexpr std::u16string_view kDiscordHost = u"discord.com";
constexpr std::u16string_view kCloudflareChallengeHost = u"challenges.cloudflare.com";
constexpr std::u16string_view kHtmlDataPrefix = u"data:text/html";

bool starts_with(std::u16string_view text, std::u16string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

bool is_in_app_host(std::u16string_view lowered_host) {
  for (std::u16string_view h : in_app_hosts()) {
    if (h == lowered_host) return true;
  }
  return false;
}

bool is_auth_path(std::u16string_view path) {
  constexpr std::u16string_view kPages[] = {u"/login", u"/signup", u"/verify-email",
                                            u"/reset-password", u"/forgot-password"};
  for (std::u16string_view page : kPages) {
    if (path == page) return true;
    if (starts_with(path, page) && path.size() > page.size() && path[page.size()] == u'/') {
      return true;
    }
  }
  return starts_with(path, u"/auth/") || starts_with(path, u"/api/auth/");
}

}  // namespace

const std::array<std::u16string_view, 17>& in_app_hosts() {
  static const std::u16string www_service_host = std::u16string(u"www.") + kServiceHost;
  static const std::array<std::u16string_view, 17> hosts = {
      kServiceHost,
      www_service_host,
      // Discord sign-in
      kDiscordHost,
      u"ptb.discord.com",
      u"canary.discord.com",
      // Google account sign-in
      u"accounts.google.com",
      u"accounts.youtube.com",
      // Stripe payments
      u"checkout.stripe.com",
      u"connect.stripe.com",
      u"billing.stripe.com",
      u"verify.stripe.com",
      u"stripe.com",
      u"js.stripe.com",
      u"hooks.stripe.com",
      // Cloudflare challenge
      kCloudflareChallengeHost,
      // Swish payment pages
      u"app.swish.nu",
      u"www.swish.nu",
  };
  return hosts;
}

NavigationDecision classify_navigation(std::u16string_view url) {
  if (url == kAboutBlank) return NavigationDecision::in_app;
  const ParsedUrl parsed = parse_url(url);
  if (!parsed.valid || parsed.has_userinfo) return NavigationDecision::blocked;
  if (parsed.scheme == u"https") {
    return is_in_app_host(parsed.host) ? NavigationDecision::in_app : NavigationDecision::external;
  }
  // Plain HTTP never renders inside the studio, not even on the service host.
  if (parsed.scheme == u"http") return NavigationDecision::external;
  return NavigationDecision::blocked;
}

bool is_auth_flow_url(std::u16string_view url) {
  if (url.empty() || url == kAboutBlank) return true;
  const ParsedUrl parsed = parse_url(url);
  if (!parsed.valid) return false;
  if (parsed.host == kDiscordHost || parsed.host == kCloudflareChallengeHost) return true;
  if (!is_service_host(parsed.host)) return false;

  std::u16string_view path = parsed.path;
  if (starts_with(path, u"/sv/") || starts_with(path, u"/en/")) {
    path.remove_prefix(3);
  } else if (path == u"/sv" || path == u"/en") {
    path = u"/";
  }
  path = path.substr(0, path.find_first_of(u"?#"));
  return is_auth_path(path);
}

bool is_local_shell_document(std::u16string_view url) {
  if (url == kAboutBlank) return true;
  if (url.size() < kHtmlDataPrefix.size()) return false;
  if (ascii_lower(url.substr(0, kHtmlDataPrefix.size())) != kHtmlDataPrefix) return false;
  if (url.size() == kHtmlDataPrefix.size()) return true;
  const char16_t next = url[kHtmlDataPrefix.size()];
  return next == u';' || next == u',';
}

bool legacy_shell_may_navigate(std::u16string_view url, bool shell_ready) {
  return !shell_ready && is_local_shell_document(url);
}

bool legacy_shell_accepts_source(std::u16string_view source_url) {
  return is_local_shell_document(source_url);
}

NavigationStartingVerdict decide_navigation_starting(std::optional<LocalDocumentState> tab,
                                                     std::optional<std::u16string_view> uri,
                                                     bool tab_is_active) {
  NavigationStartingVerdict v;
  if (!tab) return v;
  v.tab = *tab;
  const bool permitted = v.tab.local_document_permit;
  v.tab.local_document_permit = false;
  if (!uri) return v;

  if (permitted && is_local_shell_document(*uri)) {
    v.allow = true;
    v.record_navigation_id = true;
    v.tab.showing_local_document = true;
    return v;
  }

  switch (classify_navigation(*uri)) {
    case NavigationDecision::in_app:
      v.allow = true;
      v.in_app = true;
      v.record_navigation_id = true;
      v.tab.showing_local_document = false;
      break;
    case NavigationDecision::external:
      // A background tab never launches anything.
      v.open_externally = tab_is_active;
      break;
    case NavigationDecision::blocked:
      break;
  }
  return v;
}

NewWindowVerdict decide_new_window(bool tab_exists, std::optional<std::u16string_view> uri,
                                   bool asker_is_active) {
  NewWindowVerdict v;
  if (!tab_exists || !uri) return v;
  // window.open() without an address asks for about:blank; loading that into the asking tab
  // would only wipe the page the user is working in.
  if (*uri == kAboutBlank) return v;
  switch (classify_navigation(*uri)) {
    case NavigationDecision::in_app:
      if (is_service_origin_url(*uri)) {
        v.action = NewWindowAction::open_tab;
        v.activate_new_tab = asker_is_active;
      } else {
        v.action = NewWindowAction::navigate_asker;
      }
      break;
    case NavigationDecision::external:
      if (asker_is_active) v.action = NewWindowAction::open_externally;
      break;
    case NavigationDecision::blocked:
      break;
  }
  return v;
}

NavigationStartingVerdict handle_navigation_starting(std::optional<LocalDocumentState> tab,
                                                     std::optional<std::u16string_view> uri,
                                                     bool tab_is_active, ExternalOpener& opener) {
  const NavigationStartingVerdict v = decide_navigation_starting(tab, uri, tab_is_active);
  if (v.open_externally) opener.open_in_browser(*uri);
  return v;
}

NewWindowVerdict handle_new_window(bool tab_exists, std::optional<std::u16string_view> uri,
                                   bool asker_is_active, ExternalOpener& opener) {
  const NewWindowVerdict v = decide_new_window(tab_exists, uri, asker_is_active);
  if (v.action == NewWindowAction::open_externally) opener.open_in_browser(*uri);
  return v;
}

bool open_externally_unless_blocked(std::u16string_view url, ExternalOpener& opener) {
  if (classify_navigation(url) == NavigationDecision::blocked) return false;
  return opener.open_in_browser(url);
}

}  // namespace vantiro
