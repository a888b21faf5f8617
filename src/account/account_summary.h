#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/https_client.h"

namespace vantiro::account {

inline constexpr std::string_view kAccountSummaryPath = "/api/account/summary";
inline constexpr std::string_view kAccountUserAgent = "VantiroDesktop/1.8";
inline constexpr std::size_t kMaxAccountBodyBytes = 65536;
// One deadline for the whole request, so a slow answer cannot keep the check alive.
inline constexpr std::uint64_t kAccountDeadlineMs = 8000;

// Signed in only for one JSON object whose "loginRequired" is the boolean false and whose
// "user" is an object.
bool is_signed_in_summary(std::string_view body);

// Asks the service with the session cookies; every failure is "not signed in".
bool fetch_account_summary(HttpsClient& client, const ServiceEndpoint& endpoint,
                           const std::string& cookie_header);

// The session worker's body: asks, wipes the cookie, then posts the answer. Returns whether
// the post went through.
bool session_worker(HttpsClient& client, const ServiceEndpoint& endpoint, std::string cookie_header,
                    const std::function<bool(bool signed_in)>& post);

}  // namespace vantiro::account
