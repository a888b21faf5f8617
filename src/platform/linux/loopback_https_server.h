#pragma once

// A small HTTPS server on 127.0.0.1 for the engine's tests: a self-signed certificate made at
// start (for 127.0.0.1 and localhost), fixed responses by path, one thread per connection,
// and a record of the paths asked for. Every socket has a time-out, so nothing waits forever.
// It is its own HTTP proxy too: a connection that opens with CONNECT is answered and then
// served here, whatever host it names, so an engine told to use the proxy loads any
// "https://host/path" from this server without any name resolving.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vantiro::platform::testing {

struct HttpsResponse {
  int status = 200;
  std::string content_type = "text/html; charset=utf-8";
  std::vector<std::string> headers;  // extra header lines without the line end
  std::string body;
};

class LoopbackHttpsServer {
 public:
  LoopbackHttpsServer() {
    if (!make_certificate()) return;
    listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
    if (listener_ < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listener_, 16) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    accept_thread_ = std::thread([this] { accept_loop(); });
  }

  ~LoopbackHttpsServer() {
    stop_ = true;
    if (accept_thread_.joinable()) accept_thread_.join();
    std::vector<std::thread> workers;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      workers.swap(workers_);
    }
    for (auto& t : workers) t.join();
    if (listener_ >= 0) ::close(listener_);
    if (ctx_ != nullptr) SSL_CTX_free(ctx_);
  }

  bool ok() const { return port_ != 0; }
  int port() const { return port_; }
  const std::string& certificate_pem() const { return cert_pem_; }
  const std::string& key_pem() const { return key_pem_; }
  std::string url(const std::string& path, const std::string& host = "127.0.0.1") const {
    return "https://" + host + ":" + std::to_string(port_) + path;
  }
  std::string proxy_url() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The "host:port" of every CONNECT, in order.
  std::vector<std::string> tunnels() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return tunnels_;
  }

  void set(const std::string& path, HttpsResponse response) {
    std::lock_guard<std::mutex> lock(mutex_);
    routes_[path] = std::move(response);
  }
  void set_page(const std::string& path, std::string html) {
    HttpsResponse r;
    r.body = std::move(html);
    set(path, std::move(r));
  }
  // How many requests asked for path (the query included when there is one).
  int requests_for(const std::string& path) const {
    std::lock_guard<std::mutex> lock(mutex_);
    int n = 0;
    for (const auto& p : requested_)
      if (p == path) ++n;
    return n;
  }

 private:
  bool make_certificate() {
    EVP_PKEY* key = EVP_EC_gen("P-256");
    X509* cert = X509_new();
    bool ok = key != nullptr && cert != nullptr;
    if (ok) {
      X509_set_version(cert, 2);
      ASN1_INTEGER_set(X509_get_serialNumber(cert), static_cast<long>(::time(nullptr)));
      X509_gmtime_adj(X509_getm_notBefore(cert), -3600);
      X509_gmtime_adj(X509_getm_notAfter(cert), 24 * 3600);
      X509_set_pubkey(cert, key);
      X509_NAME* name = X509_get_subject_name(cert);
      X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC,
                                 reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
      X509_set_issuer_name(cert, name);
      X509V3_CTX v3;
      X509V3_set_ctx_nodb(&v3);
      X509V3_set_ctx(&v3, cert, cert, nullptr, nullptr, 0);
      X509_EXTENSION* san =
          X509V3_EXT_conf_nid(nullptr, &v3, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
      ok = san != nullptr && X509_add_ext(cert, san, -1) == 1;
      if (san != nullptr) X509_EXTENSION_free(san);
      ok = ok && X509_sign(cert, key, EVP_sha256()) > 0;
    }
    if (ok) {
      cert_pem_ = pem_of([&](BIO* b) { return PEM_write_bio_X509(b, cert); });
      key_pem_ = pem_of([&](BIO* b) {
        return PEM_write_bio_PrivateKey(b, key, nullptr, nullptr, 0, nullptr, nullptr);
      });
      ctx_ = SSL_CTX_new(TLS_server_method());
      ok = ctx_ != nullptr && SSL_CTX_use_certificate(ctx_, cert) == 1 &&
           SSL_CTX_use_PrivateKey(ctx_, key) == 1;
    }
    if (cert != nullptr) X509_free(cert);
    if (key != nullptr) EVP_PKEY_free(key);
    return ok && !cert_pem_.empty();
  }

  template <class Write>
  static std::string pem_of(Write write) {
    BIO* bio = BIO_new(BIO_s_mem());
    std::string out;
    if (bio != nullptr && write(bio) == 1) {
      char* data = nullptr;
      const long n = BIO_get_mem_data(bio, &data);
      if (n > 0) out.assign(data, static_cast<std::size_t>(n));
    }
    if (bio != nullptr) BIO_free(bio);
    return out;
  }

  void accept_loop() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      const int fd = ::accept(listener_, nullptr, nullptr);
      if (fd < 0) continue;
      timeval timeout{2, 0};
      ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
      ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
      std::lock_guard<std::mutex> lock(mutex_);
      workers_.emplace_back([this, fd] { serve(fd); });
    }
  }

  // Answers a CONNECT that opens the connection; false when the connection cannot go on. The
  // client sends nothing more until it has the answer, so reading up to the blank line takes
  // no byte of the TLS handshake.
  bool accept_tunnel(int fd) {
    char first = 0;
    if (::recv(fd, &first, 1, MSG_PEEK) != 1) return false;
    if (first != 'C') return true;
    std::string head;
    char c = 0;
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 8192) {
      if (::recv(fd, &c, 1, 0) != 1) return false;
      head += c;
    }
    if (head.rfind("CONNECT ", 0) != 0) return false;
    const auto end = head.find(' ', 8);
    if (end == std::string::npos) return false;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      tunnels_.push_back(head.substr(8, end - 8));
    }
    static constexpr char kEstablished[] = "HTTP/1.1 200 Connection established\r\n\r\n";
    return ::send(fd, kEstablished, sizeof kEstablished - 1, MSG_NOSIGNAL) ==
           static_cast<ssize_t>(sizeof kEstablished - 1);
  }

  void serve(int fd) {
    if (!accept_tunnel(fd)) {
      ::close(fd);
      return;
    }
    SSL* ssl = SSL_new(ctx_);
    if (ssl != nullptr && SSL_set_fd(ssl, fd) == 1 && SSL_accept(ssl) == 1) {
      // One request per connection; the response closes it.
      std::string request;
      char buffer[4096];
      while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536 && !stop_) {
        const int n = SSL_read(ssl, buffer, sizeof buffer);
        if (n <= 0) break;
        request.append(buffer, static_cast<std::size_t>(n));
      }
      const auto first_space = request.find(' ');
      const auto second_space = request.find(' ', first_space + 1);
      if (first_space != std::string::npos && second_space != std::string::npos) {
        const std::string path = request.substr(first_space + 1, second_space - first_space - 1);
        HttpsResponse response;
        bool found = false;
        {
          std::lock_guard<std::mutex> lock(mutex_);
          requested_.push_back(path);
          auto it = routes_.find(path);
          if (it != routes_.end()) {
            response = it->second;
            found = true;
          }
        }
        if (!found) {
          response.status = 404;
          response.body = "<!doctype html><title>Not found</title><p>Not found</p>";
        }
        std::string text = "HTTP/1.1 " + std::to_string(response.status) +
                           (response.status < 400 ? " OK" : " Error") + "\r\n";
        text += "Content-Type: " + response.content_type + "\r\n";
        text += "Content-Length: " + std::to_string(response.body.size()) + "\r\n";
        text += "Cache-Control: no-store\r\nConnection: close\r\n";
        for (const auto& h : response.headers) text += h + "\r\n";
        text += "\r\n" + response.body;
        std::size_t sent = 0;
        while (sent < text.size()) {
          const int n = SSL_write(ssl, text.data() + sent, static_cast<int>(text.size() - sent));
          if (n <= 0) break;
          sent += static_cast<std::size_t>(n);
        }
        SSL_shutdown(ssl);
      }
    }
    if (ssl != nullptr) SSL_free(ssl);
    ::close(fd);
  }

  SSL_CTX* ctx_ = nullptr;
  std::string cert_pem_;
  std::string key_pem_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread accept_thread_;
  mutable std::mutex mutex_;
  std::vector<std::thread> workers_;
  std::map<std::string, HttpsResponse> routes_;
  std::vector<std::string> requested_;
  std::vector<std::string> tunnels_;
};

}  // namespace vantiro::platform::testing
