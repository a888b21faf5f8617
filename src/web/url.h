#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantiro {

// The one URL shape the studio accepts: scheme "://" authority rest. Deliberately not a
// general parser; anything it cannot judge is invalid, and invalid never means trusted.
struct ParsedUrl {
  std::u16string scheme;  // ASCII letters lowered
  std::u16string host;    // ASCII letters lowered; set only when the parse got that far
  std::u16string path;    // from the first "/", "?" or "#" after the authority, else "/"
  bool has_userinfo = false;
  bool valid = false;
};

ParsedUrl parse_url(std::u16string_view url);

// Lowers "A".."Z" only; every other unit stays as it is.
std::u16string ascii_lower(std::u16string_view text);

// H or "www." followed by H, compared exactly (the host must already be lowered).
bool is_service_host(std::u16string_view lowered_host);

// HTTPS on the service host; the port does not matter, user information never passes.
bool is_service_origin_url(std::u16string_view url);

// "https://" + H + path, the path unchanged.
std::u16string service_url(std::u16string_view path);

// The first tab's address: the editor in the UI language.
std::u16string start_url(bool swedish);

// The service origin followed by "/sv" or "/en"; catalog routes are appended to it.
std::u16string language_base_url(bool swedish);

enum class LegalDocument { terms = 0, privacy = 1, withdrawal = 2 };

// "/terms", "/privacy", "/account#withdrawals"; a number outside the enumeration gives terms.
std::u16string_view legal_document_path(LegalDocument document);
std::u16string legal_url(LegalDocument document, bool swedish);

// Exact, case-sensitive, whole-string match on one of the three paths.
std::optional<LegalDocument> legal_document_for_path(std::u16string_view path);

// The part of a service URL that names the page: the path without fragment, without query
// unless the query is exactly "?tool=stance". "/" for anything off the service origin.
std::u16string service_route_of(std::u16string_view url);

}  // namespace vantiro
