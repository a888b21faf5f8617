#include "account/session_cookies.h"

namespace vantiro::account {
namespace {

constexpr std::u16string_view kSessionCookie = u"quorvanta.sid";

bool is_token_char(char16_t c) {
  return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
         std::u16string_view(u"!#$%&'*+-.^_`|~").find(c) != std::u16string_view::npos;
}

// The characters a cookie value may hold: visible ASCII except '"', ',', ';' and '\'.
bool is_cookie_value_char(char16_t c) {
  return c >= 0x21 && c <= 0x7e && c != u'"' && c != u',' && c != u';' && c != u'\\';
}

bool is_header_safe(const StoredCookie& c) {
  for (char16_t ch : c.name)
    if (!is_token_char(ch)) return false;
  for (char16_t ch : c.value)
    if (!is_cookie_value_char(ch)) return false;
  return true;
}

}  // namespace

bool is_session_cookie_name(std::u16string_view name) {
  if (name == kSessionCookie) return true;
  return name.size() > kSessionCookie.size() &&
         name.substr(0, kSessionCookie.size()) == kSessionCookie &&
         name[kSessionCookie.size()] == u'.';
}

std::string collect_session_cookies(const std::vector<StoredCookie>& cookies,
                                    std::int64_t now_wall_ms) {
  const double now_s = static_cast<double>(now_wall_ms) / 1000.0;
  std::string header;
  for (const auto& c : cookies) {
    if (!is_session_cookie_name(c.name) || c.value.empty()) continue;
    if (!(c.is_session || c.expires_s <= 0 || c.expires_s > now_s)) continue;
    if (!is_header_safe(c)) continue;
    if (!header.empty()) header += "; ";
    // Both parts are ASCII here.
    for (char16_t ch : c.name) header += static_cast<char>(ch);
    header += '=';
    for (char16_t ch : c.value) header += static_cast<char>(ch);
  }
  return header;
}

void wipe(std::string& secret) {
  volatile char* p = secret.data();
  for (std::size_t i = 0; i < secret.size(); ++i) p[i] = 0;
  secret.clear();
  secret.shrink_to_fit();
}

}  // namespace vantiro::account
