#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "accounts.h"
#include "release.h"
#include "test_pages.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace vantiro::devservice {

struct ServiceOptions {
  std::string host;          // the service host; "www." + host is served too
  std::string own_version;   // the studio's version, named when no release is offered
  std::string admin_secret;  // empty: no admin endpoint
  int kdf_rounds = 100000;
  std::string test_pages;  // folder of the end-to-end test pages; empty: none
};

inline constexpr char kSessionCookie[] = "quorvanta.sid";

// The whole service: its state and the routes that read it. Handlers run on the server's
// worker threads, so the release is swapped under a lock and shared by pointer.
class Service {
 public:
  explicit Service(ServiceOptions options);

  void set_release(std::optional<Release> release);
  Accounts& accounts() { return accounts_; }
  void install(httplib::Server& server);

 private:
  void get(const httplib::Request& req, httplib::Response& res);
  void post(const httplib::Request& req, httplib::Response& res);
  void admin_release(const httplib::Request& req, httplib::Response& res);
  void admin_e2e(const httplib::Request& req, httplib::Response& res);
  bool admin_allowed(const httplib::Request& req) const;
  std::optional<Account> session_account(const httplib::Request& req);
  std::shared_ptr<const Release> release() const;

  ServiceOptions options_;
  Accounts accounts_;
  std::optional<TestPages> test_pages_;
  mutable std::mutex mu_;
  std::shared_ptr<const Release> release_;
};

}  // namespace vantiro::devservice
