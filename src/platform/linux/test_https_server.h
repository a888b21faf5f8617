#pragma once

// A small HTTPS server on loopback for tests: each connection gets the scripted reply of the
// handler, step by step, so tests can send wrong statuses, stall, or trickle a body.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantiro::platform::testing {

struct ReplyStep {
  std::string bytes;
  int delay_before_ms = 0;
};

using ReplyScript = std::vector<ReplyStep>;

inline ReplyScript simple_reply(int status, std::string_view reason, const std::string& body,
                                const std::string& extra_headers = {}) {
  return {{"HTTP/1.1 " + std::to_string(status) + " " + std::string(reason) +
               "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n" +
               extra_headers + "\r\n" + body,
           0}};
}

class TestHttpsServer {
 public:
  using Handler = std::function<ReplyScript(const std::string& request_head)>;

  // min/max are TLS1_VERSION ... TLS1_3_VERSION.
  TestHttpsServer(EVP_PKEY* key, X509* cert, Handler handler, int min_tls = TLS1_2_VERSION,
                  int max_tls = TLS1_3_VERSION)
      : handler_(std::move(handler)) {
    // A client that gave up closes its end; writing to it must fail, not end the tests.
    std::signal(SIGPIPE, SIG_IGN);
    ctx_ = SSL_CTX_new(TLS_server_method());
    SSL_CTX_set_min_proto_version(ctx_, min_tls);
    SSL_CTX_set_max_proto_version(ctx_, max_tls);
    // Old protocol versions only exist below the default security level.
    if (max_tls < TLS1_2_VERSION) SSL_CTX_set_cipher_list(ctx_, "DEFAULT:@SECLEVEL=0");
    SSL_CTX_use_certificate(ctx_, cert);
    SSL_CTX_use_PrivateKey(ctx_, key);
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    int one = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    listen(listener_, 8);
    socklen_t len = sizeof addr;
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
  }

  ~TestHttpsServer() {
    {
      std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
    close(listener_);
    SSL_CTX_free(ctx_);
  }

  std::uint16_t port() const { return port_; }

  std::vector<std::string> requests() {
    std::lock_guard lock(mutex_);
    return requests_;
  }
  int handshakes_failed() {
    std::lock_guard lock(mutex_);
    return handshakes_failed_;
  }

 private:
  bool stopping() {
    std::lock_guard lock(mutex_);
    return stop_;
  }

  // False when the server is stopping.
  bool sleep_ms(int ms) {
    std::unique_lock lock(mutex_);
    return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_; });
  }

  void run() {
    while (!stopping()) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const int fd = accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      serve(fd);
      close(fd);
    }
  }

  void serve(int fd) {
    SSL* ssl = SSL_new(ctx_);
    SSL_set_fd(ssl, fd);
    if (SSL_accept(ssl) != 1) {
      std::lock_guard lock(mutex_);
      ++handshakes_failed_;
      SSL_free(ssl);
      ERR_clear_error();
      return;
    }
    std::string head;
    char buf[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536) {
      const int n = SSL_read(ssl, buf, sizeof buf);
      if (n <= 0) break;
      head.append(buf, static_cast<std::size_t>(n));
    }
    {
      std::lock_guard lock(mutex_);
      requests_.push_back(head);
    }
    for (const auto& step : handler_(head)) {
      if (step.delay_before_ms > 0 && !sleep_ms(step.delay_before_ms)) break;
      if (!step.bytes.empty() &&
          SSL_write(ssl, step.bytes.data(), static_cast<int>(step.bytes.size())) <= 0)
        break;
    }
    SSL_shutdown(ssl);
    SSL_free(ssl);
    ERR_clear_error();
  }

  Handler handler_;
  SSL_CTX* ctx_ = nullptr;
  int listener_ = -1;
  std::uint16_t port_ = 0;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::vector<std::string> requests_;
  int handshakes_failed_ = 0;
};

}  // namespace vantiro::platform::testing
