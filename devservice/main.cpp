// The service's stand-in: real HTTPS, pages, cookies and releases for the studio to talk to.

#include <httplib.h>
#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "common/build_config.h"
#include "common/utf.h"
#include "release.h"
#include "service.h"

namespace {

using vantiro::devservice::Release;
using vantiro::devservice::ReleaseMode;

constexpr char kUsage[] = R"(usage: vantiro_devservice --cert PEM --key PEM [options]
  --port N                 port to listen on (443)
  --bind ADDRESS           address to listen on (127.0.0.1)
  --release-file PATH      offer this executable as the newest release
  --release-version V      the version that file carries
  --release-mode MODE      valid, wrong-digest, wrong-version, wrong-size, no-digest, not-ready
  --admin-secret TEXT      enable POST /_devservice/release from the loopback with this secret
                           in the X-Devservice-Secret header (fields file, version, mode, clear)
  --account EMAIL:PASS     create this account at start (may be repeated)
  --kdf-rounds N           password hashing rounds (100000)
  --test-pages DIR         serve the end-to-end test pages in DIR under /_e2e/, take their
                           reports at POST /_e2e/report, and enable POST /_devservice/e2e
                           (fields plan, start, clear_reports; answers with the reports)
  --verbose                log every request to standard error
  --print-host             print the service host and exit
The studio also checks the release's publisher signature and product version; those cases
depend on the file given (signed or not, and with which version inside).
)";

struct Options {
  int port = 443;
  std::string bind = "127.0.0.1";
  std::string cert;
  std::string key;
  std::string release_file;
  std::string release_version;
  std::string release_mode = "valid";
  std::string admin_secret;
  std::vector<std::string> accounts;
  std::string test_pages;
  int kdf_rounds = 100000;
  bool verbose = false;
  bool print_host = false;
};

bool parse_int(std::string_view s, int lo, int hi, int& out) {
  if (s.empty() || s.size() > 9) return false;
  int v = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < lo || v > hi) return false;
  out = v;
  return true;
}

bool parse_options(int argc, char** argv, Options& o) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view a = argv[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= argc) return false;
      out = argv[++i];
      return true;
    };
    std::string v;
    if (a == "--port") {
      if (!value(v) || !parse_int(v, 1, 65535, o.port)) return false;
    } else if (a == "--kdf-rounds") {
      if (!value(v) || !parse_int(v, 1, 10000000, o.kdf_rounds)) return false;
    } else if (a == "--bind") {
      if (!value(o.bind)) return false;
    } else if (a == "--cert") {
      if (!value(o.cert)) return false;
    } else if (a == "--key") {
      if (!value(o.key)) return false;
    } else if (a == "--release-file") {
      if (!value(o.release_file)) return false;
    } else if (a == "--release-version") {
      if (!value(o.release_version)) return false;
    } else if (a == "--release-mode") {
      if (!value(o.release_mode)) return false;
    } else if (a == "--admin-secret") {
      if (!value(o.admin_secret)) return false;
    } else if (a == "--test-pages") {
      if (!value(o.test_pages)) return false;
    } else if (a == "--account") {
      if (!value(v)) return false;
      o.accounts.push_back(v);
    } else if (a == "--verbose") {
      o.verbose = true;
    } else if (a == "--print-host") {
      o.print_host = true;
    } else if (a == "--help") {
      std::cout << kUsage;
      std::exit(0);
    } else {
      std::cerr << "unknown option: " << a << "\n";
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!parse_options(argc, argv, o)) {
    std::cerr << kUsage;
    return 2;
  }
  if (o.print_host) {
    std::cout << vantiro::kServiceHostUtf8 << "\n";
    return 0;
  }
  if (o.cert.empty() || o.key.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  vantiro::devservice::ServiceOptions so;
  so.host = vantiro::kServiceHostUtf8;
  so.own_version = vantiro::to_utf8(vantiro::kAppVersion);
  so.admin_secret = o.admin_secret;
  so.kdf_rounds = o.kdf_rounds;
  so.test_pages = o.test_pages;
  vantiro::devservice::Service service(so);

  if (!o.release_file.empty()) {
    const auto mode = vantiro::devservice::parse_release_mode(o.release_mode);
    if (!mode) {
      std::cerr << "devservice: unknown release mode " << o.release_mode << "\n";
      return 2;
    }
    std::string error;
    auto r = vantiro::devservice::load_release(o.release_file, o.release_version, *mode, error);
    if (!r) {
      std::cerr << "devservice: " << error << "\n";
      return 2;
    }
    const auto size = r->bytes->size();
    if (size < vantiro::devservice::kMinReleaseBytes ||
        size > vantiro::devservice::kMaxReleaseBytes)
      std::cerr << "devservice: note: the studio installs only releases of 64 KiB to 50 MiB; "
                   "this one has "
                << size << " bytes\n";
    service.set_release(std::move(r));
  } else if (!o.release_version.empty()) {
    std::cerr << "devservice: --release-version needs --release-file\n";
    return 2;
  }
  for (const std::string& acc : o.accounts) {
    const auto colon = acc.find(':');
    if (colon == std::string::npos ||
        service.accounts().sign_up(acc.substr(0, colon), "", acc.substr(colon + 1)) !=
            vantiro::devservice::SignUpError::none) {
      std::cerr << "devservice: cannot create the account " << acc.substr(0, colon) << "\n";
      return 2;
    }
  }

  // The signals are taken by one thread that stops the server; the workers never see them.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGINT);
  sigaddset(&stop_signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

  httplib::SSLServer server(o.cert.c_str(), o.key.c_str());
  if (!server.is_valid()) {
    std::cerr << "devservice: cannot load the certificate or the key\n";
    return 1;
  }
  service.install(server);
  if (o.verbose) {
    server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
      std::fprintf(stderr, "devservice: %s %s %d\n", req.method.c_str(), req.path.c_str(),
                   res.status);
    });
  }
  if (!server.bind_to_port(o.bind, o.port)) {
    std::cerr << "devservice: cannot listen on " << o.bind << ":" << o.port << "\n";
    return 1;
  }
  std::thread stopper([&server, stop_signals] {
    int sig = 0;
    sigwait(&stop_signals, &sig);
    server.stop();
  });
  std::cerr << "devservice: https://" << so.host << " on " << o.bind << ":" << o.port << "\n";
  const bool ok = server.listen_after_bind();
  // A listen that ended by itself leaves the stopper waiting; wake it.
  if (stopper.joinable()) {
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
  }
  return ok ? 0 : 1;
}
