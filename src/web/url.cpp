#include "web/url.h"

#include "common/build_config.h"

namespace vantiro {
namespace {

constexpr std::u16string_view kSchemeSeparator = u"://";
constexpr std::u16string_view kWwwPrefix = u"www.";
constexpr std::u16string_view kStanceQuery = u"?tool=stance";

bool is_scheme_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' ||
         c == u'.';
}

bool is_decimal(std::u16string_view text) {
  if (text.empty()) return false;
  for (char16_t c : text) {
    if (c < u'0' || c > u'9') return false;
  }
  return true;
}

}  // namespace

std::u16string ascii_lower(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) {
    if (c >= u'A' && c <= u'Z') c = static_cast<char16_t>(c - u'A' + u'a');
  }
  return out;
}

ParsedUrl parse_url(std::u16string_view url) {
  ParsedUrl out;
  const std::size_t sep = url.find(kSchemeSeparator);
  if (sep == std::u16string_view::npos || sep == 0) return out;

  out.scheme = ascii_lower(url.substr(0, sep));
  for (char16_t c : out.scheme) {
    if (!is_scheme_char(c)) return out;
  }

  const std::size_t authority_begin = sep + kSchemeSeparator.size();
  std::size_t authority_end = url.find_first_of(u"/?#", authority_begin);
  if (authority_end == std::u16string_view::npos) {
    authority_end = url.size();
    out.path = u"/";
  } else {
    out.path = std::u16string(url.substr(authority_end));
  }
  const std::u16string_view authority =
      url.substr(authority_begin, authority_end - authority_begin);

  if (authority.find(u'@') != std::u16string_view::npos) {
    out.has_userinfo = true;
    return out;
  }

  std::u16string_view host = authority;
  const std::size_t colon = authority.rfind(u':');
  if (colon != std::u16string_view::npos) {
    if (!is_decimal(authority.substr(colon + 1))) return out;
    host = authority.substr(0, colon);
  }

  out.host = ascii_lower(host);
  out.valid = !out.host.empty() && out.host.find_first_of(u"\\ ") == std::u16string::npos;
  return out;
}

bool is_service_host(std::u16string_view lowered_host) {
  const std::u16string_view service = kServiceHost;
  if (lowered_host == service) return true;
  return lowered_host.size() == kWwwPrefix.size() + service.size() &&
         lowered_host.substr(0, kWwwPrefix.size()) == kWwwPrefix &&
         lowered_host.substr(kWwwPrefix.size()) == service;
}

bool is_service_origin_url(std::u16string_view url) {
  const ParsedUrl parsed = parse_url(url);
  return parsed.valid && parsed.scheme == u"https" && is_service_host(parsed.host);
}

std::u16string service_url(std::u16string_view path) {
  std::u16string out = u"https://";
  out += kServiceHost;
  out += path;
  return out;
}

std::u16string start_url(bool swedish) {
  return service_url(swedish ? u"/sv/editor" : u"/en/editor");
}

std::u16string language_base_url(bool swedish) {
  return service_url(swedish ? u"/sv" : u"/en");
}

std::u16string_view legal_document_path(LegalDocument document) {
  switch (document) {
    case LegalDocument::privacy:
      return u"/privacy";
    case LegalDocument::withdrawal:
      return u"/account#withdrawals";
    case LegalDocument::terms:
      break;
  }
  return u"/terms";
}

std::u16string legal_url(LegalDocument document, bool swedish) {
  return language_base_url(swedish) + std::u16string(legal_document_path(document));
}

std::optional<LegalDocument> legal_document_for_path(std::u16string_view path) {
  for (LegalDocument d :
       {LegalDocument::terms, LegalDocument::privacy, LegalDocument::withdrawal}) {
    if (path == legal_document_path(d)) return d;
  }
  return std::nullopt;
}

std::u16string service_route_of(std::u16string_view url) {
  const ParsedUrl parsed = parse_url(url);
  if (!parsed.valid || parsed.scheme != u"https" || !is_service_host(parsed.host)) return u"/";
  std::u16string_view route = parsed.path;
  route = route.substr(0, route.find(u'#'));
  const std::size_t query = route.find(u'?');
  if (query != std::u16string_view::npos && route.substr(query) != kStanceQuery) {
    route = route.substr(0, query);
  }
  // "https://H?x" has no slash before its query; the page is still the root.
  if (route.empty()) return u"/";
  return std::u16string(route);
}

}  // namespace vantiro
