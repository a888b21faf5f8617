#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace vantiro::devservice {

struct Account {
  std::string id;     // "u_" and 16 hexadecimal characters
  std::string email;  // lower-cased
  std::string name;
  std::int64_t credits = 0;
};

enum class SignUpError { none, invalid_email, invalid_name, weak_password, exists };

// Accounts and sessions in memory: they end with the process, as a stand-in's should.
class Accounts {
 public:
  // Rounds of PBKDF2; tests may lower it, the default costs a real guesser something.
  explicit Accounts(int kdf_rounds = 100000) : kdf_rounds_(kdf_rounds) {}

  SignUpError sign_up(std::string_view email, std::string_view name, std::string_view password);
  // A new session id on success; the same answer for an unknown address and a wrong
  // password so the form does not tell which addresses have accounts.
  std::optional<std::string> sign_in(std::string_view email, std::string_view password,
                                     std::uint64_t now_s);
  std::optional<Account> account_for_session(std::string_view session_id, std::uint64_t now_s);
  void end_session(std::string_view session_id);

  static constexpr std::uint64_t kSessionSeconds = 30ull * 24 * 3600;

 private:
  struct Stored {
    Account account;
    std::string salt;
    std::string hash;
  };
  struct Session {
    std::string email;
    std::uint64_t expires_s;
  };
  std::string derive(std::string_view password, std::string_view salt) const;

  int kdf_rounds_;
  std::mutex mu_;
  std::map<std::string, Stored, std::less<>> by_email_;
  std::map<std::string, Session, std::less<>> sessions_;
};

std::string_view sign_up_error_code(SignUpError e);

}  // namespace vantiro::devservice
