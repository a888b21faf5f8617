#include "account/account_summary.h"

#include "account/session_cookies.h"
#include "common/json.h"
#include "common/utf.h"

namespace vantiro::account {

bool is_signed_in_summary(std::string_view body) {
  if (body.empty() || body.size() > kMaxAccountBodyBytes) return false;
  const std::string text = to_utf8(to_utf16(body));
  auto parsed = json::parse_object(text);
  if (!parsed.document) return false;
  const json::ObjectRef root = parsed.document->root();
  const auto login_required = root.get_bool("loginRequired");
  return login_required && !*login_required && root.get_object("user").has_value();
}

bool fetch_account_summary(HttpsClient& client, const ServiceEndpoint& endpoint,
                           const std::string& cookie_header) {
  if (cookie_header.empty()) return false;
  HttpsRequest request =
      service_request(endpoint, std::string(kAccountSummaryPath), std::string(kAccountUserAgent),
                      kAccountDeadlineMs, kMaxAccountBodyBytes);
  request.headers = {{"Cookie", cookie_header}, {"Accept", "application/json"}};
  HttpsBody got = https_get_body(client, request);
  wipe(request.headers[0].second);
  const bool signed_in = got.error == HttpsError::none && is_signed_in_summary(got.body);
  wipe(got.body);
  return signed_in;
}

bool session_worker(HttpsClient& client, const ServiceEndpoint& endpoint, std::string cookie_header,
                    const std::function<bool(bool signed_in)>& post) {
  bool signed_in = false;
  try {
    signed_in = fetch_account_summary(client, endpoint, cookie_header);
  } catch (...) {
    signed_in = false;
  }
  wipe(cookie_header);
  return post && post(signed_in);
}

}  // namespace vantiro::account
