#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::account {

// One cookie as the web engine's store reports it.
struct StoredCookie {
  std::u16string name;
  std::u16string value;
  bool is_session = false;
  double expires_s = 0;  // seconds since 1970-01-01 UTC; 0 or less means none
};

// The web engine's cookie store. The answer may come later, on the UI thread.
struct CookieSource {
  virtual ~CookieSource() = default;
  // ok is false when the store could not be read.
  using Done = std::function<void(bool ok, std::vector<StoredCookie> cookies)>;
  virtual void get_cookies(std::u16string_view uri, Done done) = 0;
};

// "quorvanta.sid" or any name that begins "quorvanta.sid.".
bool is_session_cookie_name(std::u16string_view name);

// The Cookie header value from the session cookies in list order: live, non-empty ones whose
// name and value can go into a header as they are. A cookie with a control character, a
// separator or a non-ASCII character is left out rather than sent.
std::string collect_session_cookies(const std::vector<StoredCookie>& cookies,
                                    std::int64_t now_wall_ms);

// Overwrites the text before emptying it, so a cookie does not outlive its request in memory.
void wipe(std::string& secret);

}  // namespace vantiro::account
