#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "accounts.h"
#include "catalog.h"
#include "http_util.h"

namespace vantiro::devservice {

// What every page needs to draw its header, footer and language switch.
struct PageContext {
  Lang lang = Lang::en;
  std::string here;  // the path below the language prefix, query included for stance
  std::optional<Account> user;
  bool release_offered = false;
};

enum class LegalPage { terms, privacy };

// Sign-in and sign-up outcomes the forms explain to the user.
enum class FormNotice {
  none,
  wrong_credentials,
  invalid_email,
  invalid_name,
  weak_password,
  exists,
  bad_origin,
  signed_out,
  reset_sent,
  discord_unavailable,
};

std::string editor_page(const PageContext& ctx);
std::string editor_frame_page(const PageContext& ctx);
std::string tool_page(const PageContext& ctx, const ToolPage& tool);
std::string account_page(const PageContext& ctx);
std::string legal_page(const PageContext& ctx, LegalPage which);
std::string login_page(const PageContext& ctx, std::string_view return_to, FormNotice notice,
                       std::string_view email);
std::string signup_page(const PageContext& ctx, std::string_view return_to, FormNotice notice,
                        std::string_view email, std::string_view name);
std::string forgot_password_page(const PageContext& ctx, FormNotice notice);
std::string desktop_fivem_page(const PageContext& ctx);
std::string not_found_page(const PageContext& ctx);

// Static files under /assets/.
std::optional<std::pair<std::string_view, std::string_view>> asset(std::string_view name);

}  // namespace vantiro::devservice
