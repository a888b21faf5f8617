// Drives the URL parser and the navigation policy with arbitrary text and checks the rules
// that the rest of the studio trusts. Input: first byte picks the decoding (even: UTF-8 with
// "{H}" standing for the service host; odd: raw UTF-16 little-endian), the rest is the URL.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "common/build_config.h"
#include "common/utf.h"
#include "web/navigation.h"
#include "web/url.h"

namespace {

using namespace vantiro;

void check(bool ok, const char* what, std::u16string_view url) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\nurl: %s\n", what, to_utf8(url).c_str());
  std::abort();
}

std::u16string decode(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return {};
  const std::uint8_t mode = data[0];
  ++data;
  --size;
  if ((mode & 1) == 0) {
    std::u16string text =
        utf8_to_utf16_lossy(std::string_view(reinterpret_cast<const char*>(data), size));
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text.compare(i, 3, u"{H}") == 0) {
        out += kServiceHost;
        i += 2;
      } else {
        out += text[i];
      }
    }
    return out;
  }
  std::u16string out;
  for (std::size_t i = 0; i + 1 < size; i += 2) {
    out += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
  }
  return out;
}

bool has_upper_ascii(std::u16string_view s) {
  for (char16_t c : s) {
    if (c >= u'A' && c <= u'Z') return true;
  }
  return false;
}

void check_parse(std::u16string_view url) {
  const ParsedUrl p = parse_url(url);
  check(!(p.valid && p.has_userinfo), "user information never parses as valid", url);
  if (p.valid) {
    check(!p.scheme.empty() && !p.host.empty(), "valid URL has scheme and host", url);
    check(!has_upper_ascii(p.scheme) && !has_upper_ascii(p.host), "scheme and host lowered", url);
    check(p.host.find_first_of(u"\\ @/?#") == std::u16string::npos, "host has no separators", url);
    check(!p.path.empty() && (p.path[0] == u'/' || p.path[0] == u'?' || p.path[0] == u'#'),
          "path starts at a separator", url);
    check(url.size() >= p.path.size() &&
              (p.path == u"/" || url.substr(url.size() - p.path.size()) == p.path),
          "path is the URL's own tail", url);
  }
  // Letter case never changes what is valid or which host it names.
  const ParsedUrl lowered = parse_url(ascii_lower(url));
  check(lowered.valid == p.valid, "validity ignores letter case", url);
  if (p.valid) check(lowered.host == p.host, "host ignores letter case", url);
}

void check_origin_and_policy(std::u16string_view url) {
  const bool origin = is_service_origin_url(url);
  const NavigationDecision decision = classify_navigation(url);

  const std::size_t sep = url.find(u"://");
  if (sep != std::u16string_view::npos) {
    const std::size_t begin = sep + 3;
    const std::size_t end = url.find_first_of(u"/?#", begin);
    const std::u16string_view authority =
        url.substr(begin, end == url.npos ? url.npos : end - begin);
    if (authority.find(u'@') != std::u16string_view::npos) {
      check(!origin, "user information is never the service origin", url);
      check(decision == NavigationDecision::blocked, "user information is blocked", url);
    }
  }
  if (origin) check(decision == NavigationDecision::in_app, "service origin is in-app", url);
  if (decision == NavigationDecision::in_app && url != u"about:blank") {
    const ParsedUrl p = parse_url(url);
    check(p.valid && p.scheme == u"https", "in-app means HTTPS", url);
  }
  if (!parse_url(url).valid && url != u"about:blank") {
    check(decision == NavigationDecision::blocked, "what does not parse is blocked", url);
  }

  const std::u16string route = service_route_of(url);
  check(!route.empty(), "a route is never empty", url);
  if (!origin) check(route == u"/", "off the origin the route is /", url);
  check(route.find(u'#') == std::u16string::npos, "a route has no fragment", url);
  const std::size_t q = route.find(u'?');
  if (q != std::u16string::npos)
    check(route.substr(q) == u"?tool=stance", "only the stance query", url);

  // Neither may fail on any text.
  (void)is_auth_flow_url(url);
  const bool local = is_local_shell_document(url);
  check(!legacy_shell_may_navigate(url, true), "a ready shell never navigates", url);
  check(legacy_shell_may_navigate(url, false) == local, "shell rule follows the document rule",
        url);
}

void check_events(std::u16string_view url) {
  const NavigationDecision decision = classify_navigation(url);
  for (int bits = 0; bits < 8; ++bits) {
    const LocalDocumentState tab{(bits & 1) != 0, (bits & 2) != 0};
    const bool active = (bits & 4) != 0;
    const auto v = decide_navigation_starting(tab, url, active);
    check(!v.tab.local_document_permit, "the permit is always consumed", url);
    check(!v.open_externally || (active && decision == NavigationDecision::external),
          "only an active tab opens the browser, only for external addresses", url);
    if (v.allow && decision != NavigationDecision::in_app) {
      check(tab.local_document_permit && is_local_shell_document(url),
            "only the permit lets a non-in-app document load", url);
    }
    const auto w = decide_new_window(true, url, active);
    check(w.handled, "new windows are always handled", url);
    if (w.action == NewWindowAction::open_tab) {
      check(is_service_origin_url(url), "new tabs only on the service origin", url);
    }
    if (w.action == NewWindowAction::navigate_asker) {
      check(decision == NavigationDecision::in_app, "the asker only loads in-app pages", url);
    }
    if (w.action == NewWindowAction::open_externally) {
      check(active && decision == NavigationDecision::external, "pop-ups open the browser rarely",
            url);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string url = decode(data, size);
  check_parse(url);
  check_origin_and_policy(url);
  check_events(url);
  return 0;
}
