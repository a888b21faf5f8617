#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantiro::devservice {

enum class Lang { sv, en };

std::string_view lang_prefix(Lang lang);  // "/sv" or "/en"

// Splits "/sv/tools/sounds" into the language and "/tools/sounds"; "/sv" gives "/".
struct LangPath {
  Lang lang;
  std::string rest;
};
std::optional<LangPath> split_lang_path(std::string_view path);

// Text for HTML element content and double-quoted attributes.
std::string html_escape(std::string_view text);

// The value of one cookie in a Cookie request header, first occurrence wins.
std::optional<std::string> cookie_value(std::string_view header, std::string_view name);

// A place to send the browser back to after sign-in: a path on this service only, so the
// parameter cannot turn the sign-in page into a redirector to other sites.
bool is_local_return_path(std::string_view target);

// "https://host[:port]" whose host is one of the service's two names.
bool is_service_origin_header(std::string_view origin, std::string_view service_host);

// Host header (possibly with a port) naming the service's host or its "www." variant.
bool is_service_host_header(std::string_view host_header, std::string_view service_host);

std::string random_hex(std::size_t bytes);
std::string sha256_hex(std::string_view bytes);
std::string base64_encode(std::string_view bytes);

}  // namespace vantiro::devservice
