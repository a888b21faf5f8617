#include "accounts.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "http_util.h"

namespace vantiro::devservice {
namespace {

std::string normalized_email(std::string_view email) {
  std::string out;
  for (char c : email) out.push_back(c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
  return out;
}

bool plausible_email(std::string_view e) {
  if (e.size() < 3 || e.size() > 254) return false;
  const auto at = e.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 >= e.size()) return false;
  if (e.find('@', at + 1) != std::string_view::npos) return false;
  if (e.substr(at + 1).find('.') == std::string_view::npos) return false;
  for (char c : e) {
    const auto u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u == 0x7f || c == '<' || c == '>' || c == '"') return false;
  }
  return true;
}

}  // namespace

std::string_view sign_up_error_code(SignUpError e) {
  switch (e) {
    case SignUpError::none:
      return "none";
    case SignUpError::invalid_email:
      return "invalid_email";
    case SignUpError::invalid_name:
      return "invalid_name";
    case SignUpError::weak_password:
      return "weak_password";
    case SignUpError::exists:
      return "exists";
  }
  return "unknown";
}

std::string Accounts::derive(std::string_view password, std::string_view salt) const {
  unsigned char out[32];
  if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()),
                        reinterpret_cast<const unsigned char*>(salt.data()),
                        static_cast<int>(salt.size()), kdf_rounds_, EVP_sha256(), sizeof out,
                        out) != 1) {
    return {};
  }
  return std::string(reinterpret_cast<const char*>(out), sizeof out);
}

SignUpError Accounts::sign_up(std::string_view email, std::string_view name,
                              std::string_view password) {
  const std::string key = normalized_email(email);
  if (!plausible_email(key)) return SignUpError::invalid_email;
  if (name.size() > 64) return SignUpError::invalid_name;
  if (password.size() < 8 || password.size() > 256) return SignUpError::weak_password;
  Stored s;
  s.account.id = "u_" + random_hex(8);
  s.account.email = key;
  s.account.name = name.empty() ? key.substr(0, key.find('@')) : std::string(name);
  s.account.credits = 25;  // the welcome credits of a new account
  s.salt = random_hex(16);
  s.hash = derive(password, s.salt);
  if (s.hash.empty()) return SignUpError::weak_password;
  std::lock_guard lock(mu_);
  return by_email_.emplace(key, std::move(s)).second ? SignUpError::none : SignUpError::exists;
}

std::optional<std::string> Accounts::sign_in(std::string_view email, std::string_view password,
                                             std::uint64_t now_s) {
  const std::string key = normalized_email(email);
  std::string salt;
  std::string hash;
  {
    std::lock_guard lock(mu_);
    const auto it = by_email_.find(key);
    if (it != by_email_.end()) {
      salt = it->second.salt;
      hash = it->second.hash;
    }
  }
  if (hash.empty()) {
    // Spend the same time as for a real account, so timing does not tell either.
    derive(password, "0000000000000000");
    return std::nullopt;
  }
  const std::string given = derive(password, salt);
  if (given.size() != hash.size() || CRYPTO_memcmp(given.data(), hash.data(), hash.size()) != 0)
    return std::nullopt;
  std::string id = random_hex(32);
  std::lock_guard lock(mu_);
  sessions_[id] = Session{key, now_s + kSessionSeconds};
  return id;
}

std::optional<Account> Accounts::account_for_session(std::string_view session_id,
                                                     std::uint64_t now_s) {
  std::lock_guard lock(mu_);
  const auto it = sessions_.find(session_id);
  if (it == sessions_.end()) return std::nullopt;
  if (it->second.expires_s <= now_s) {
    sessions_.erase(it);
    return std::nullopt;
  }
  const auto acc = by_email_.find(it->second.email);
  if (acc == by_email_.end()) return std::nullopt;
  return acc->second.account;
}

void Accounts::end_session(std::string_view session_id) {
  std::lock_guard lock(mu_);
  const auto it = sessions_.find(session_id);
  if (it != sessions_.end()) sessions_.erase(it);
}

}  // namespace vantiro::devservice
