#include "platform/linux/curl_https_client.h"

#include <curl/curl.h>

#include <chrono>
#include <mutex>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

bool is_host_char(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
         c == '-';
}

bool is_valid_host(std::string_view host) {
  if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-') return false;
  for (char c : host)
    if (!is_host_char(c)) return false;
  return true;
}

// Only what a path and query need; no fragment, no space, no control character.
bool is_valid_path(std::string_view path) {
  if (path.empty() || path.front() != '/') return false;
  for (char c : path) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7f || c == '#' || c == '\\') return false;
  }
  return true;
}

struct Transfer {
  CURL* curl = nullptr;
  const HttpsBodySink* sink = nullptr;
  std::size_t max_body = 0;
  std::size_t received = 0;
  HttpsError failure = HttpsError::none;
};

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  long status = 0;
  curl_easy_getinfo(t->curl, CURLINFO_RESPONSE_CODE, &status);
  if (status != 200) {
    t->failure = HttpsError::status;
    return 0;
  }
  if (n > t->max_body - t->received) {
    t->failure = HttpsError::too_large;
    return 0;
  }
  t->received += n;
  if (n > 0 && !(*t->sink)(std::string_view(data, n))) {
    t->failure = HttpsError::aborted;
    return 0;
  }
  return n;
}

struct CurlHandle {
  CURL* p = curl_easy_init();
  ~CurlHandle() {
    if (p) curl_easy_cleanup(p);
  }
};

struct HeaderList {
  curl_slist* p = nullptr;
  ~HeaderList() { curl_slist_free_all(p); }
  bool add(const std::string& line) {
    curl_slist* next = curl_slist_append(p, line.c_str());
    if (!next) return false;
    p = next;
    return true;
  }
};

class CurlHttpsClient final : public HttpsClient {
 public:
  explicit CurlHttpsClient(std::string ca_bundle) : ca_bundle_(std::move(ca_bundle)) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
  }

  HttpsError get(const HttpsRequest& request, const HttpsBodySink& sink) override {
    const auto start = std::chrono::steady_clock::now();
    if (!is_valid_host(request.host) || !is_valid_path(request.path) || request.port == 0 ||
        request.deadline_ms == 0 || request.max_body_bytes == 0 ||
        !is_safe_header("User-Agent", request.user_agent))
      return HttpsError::bad_request;
    HeaderList headers;
    // Without this curl would send "Accept: */*" that nobody asked for; callers add their own.
    if (!headers.add("Accept:")) return HttpsError::network;
    for (const auto& [name, value] : request.headers) {
      if (!is_safe_header(name, value)) return HttpsError::bad_request;
      if (!headers.add(name + ": " + value)) return HttpsError::network;
    }
    CurlHandle h;
    if (!h.p) return HttpsError::network;
    const std::string url =
        "https://" + request.host + ":" + std::to_string(request.port) + request.path;

    Transfer t;
    t.curl = h.p;
    t.sink = &sink;
    t.max_body = request.max_body_bytes;

    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    if (static_cast<std::uint64_t>(elapsed) >= request.deadline_ms) return HttpsError::timeout;
    const long left = static_cast<long>(request.deadline_ms - static_cast<std::uint64_t>(elapsed));

    bool ok = true;
    auto set = [&](CURLoption opt, auto value) {
      ok = ok && curl_easy_setopt(h.p, opt, value) == CURLE_OK;
    };
    set(CURLOPT_URL, url.c_str());
    set(CURLOPT_PROTOCOLS_STR, "https");
    set(CURLOPT_REDIR_PROTOCOLS_STR, "https");
    set(CURLOPT_FOLLOWLOCATION, 0L);
    set(CURLOPT_MAXREDIRS, 0L);
    set(CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                                static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_3));
    set(CURLOPT_SSL_VERIFYPEER, 1L);
    set(CURLOPT_SSL_VERIFYHOST, 2L);
    set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    set(CURLOPT_NOSIGNAL, 1L);
    // One deadline for everything: resolve, connect, TLS and every read.
    set(CURLOPT_TIMEOUT_MS, left);
    set(CURLOPT_CONNECTTIMEOUT_MS, left);
    set(CURLOPT_USERAGENT, request.user_agent.c_str());
    set(CURLOPT_HTTPHEADER, headers.p);
    set(CURLOPT_NETRC, static_cast<long>(CURL_NETRC_IGNORED));
    set(CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_NONE));
    set(CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.max_body_bytes));
    set(CURLOPT_WRITEFUNCTION, &on_body);
    set(CURLOPT_WRITEDATA, &t);
    if (!ca_bundle_.empty()) set(CURLOPT_CAINFO, ca_bundle_.c_str());
    if (!ok) return HttpsError::network;

    const CURLcode rc = curl_easy_perform(h.p);
    if (t.failure != HttpsError::none) return t.failure;
    if (rc == CURLE_OPERATION_TIMEDOUT) return HttpsError::timeout;
    if (rc == CURLE_FILESIZE_EXCEEDED) return HttpsError::too_large;
    if (rc != CURLE_OK) return HttpsError::network;
    long status = 0;
    if (curl_easy_getinfo(h.p, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status != 200)
      return HttpsError::status;
    return HttpsError::none;
  }

 private:
  std::string ca_bundle_;
};

}  // namespace

std::unique_ptr<HttpsClient> make_curl_https_client(std::string test_ca_bundle) {
  return std::make_unique<CurlHttpsClient>(std::move(test_ca_bundle));
}

std::unique_ptr<HttpsClient> make_https_client() {
  return make_curl_https_client({});
}

}  // namespace vantiro::platform
