#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vantiro {

// One GET to the service. The client never follows a redirect, keeps no cookies, answers no
// authentication challenge and speaks only TLS 1.2 or 1.3 over HTTPS; anything the caller
// wants sent (a Cookie header) it builds itself.
struct HttpsRequest {
  std::string host;  // a bare host name, no scheme or port
  std::uint16_t port = 443;
  std::string path;  // begins with "/"
  std::string user_agent;
  // Sent as given, after the client checked that no name or value can break the header block.
  std::vector<std::pair<std::string, std::string>> headers;
  // The whole exchange, from the call until the body's last byte.
  std::uint64_t deadline_ms = 0;
  // Bodies larger than this fail as soon as the excess arrives.
  std::size_t max_body_bytes = 0;
};

enum class HttpsError {
  none,
  bad_request,  // host, path or a header the client refuses to send
  network,      // resolve, connect, TLS or transfer failure
  timeout,      // the deadline passed
  status,       // anything but 200, redirects included
  too_large,    // the body passed max_body_bytes
  aborted,      // the sink refused a chunk
};

std::string_view code(HttpsError e);

// Receives the body in pieces, only after status 200 is known; false stops the transfer.
using HttpsBodySink = std::function<bool(std::string_view chunk)>;

struct HttpsClient {
  virtual ~HttpsClient() = default;
  // Blocking; worker threads only.
  virtual HttpsError get(const HttpsRequest& request, const HttpsBodySink& sink) = 0;
};

struct HttpsBody {
  HttpsError error = HttpsError::network;
  std::string body;  // empty unless error is none
};

// The body as one string, at most request.max_body_bytes long.
HttpsBody https_get_body(HttpsClient& client, const HttpsRequest& request);

// Where service requests go; tests point it at a loopback server.
struct ServiceEndpoint {
  std::string host;
  std::uint16_t port = 443;
};

// The service host on port 443.
ServiceEndpoint service_endpoint();

HttpsRequest service_request(const ServiceEndpoint& endpoint, std::string path,
                             std::string user_agent, std::uint64_t deadline_ms,
                             std::size_t max_body_bytes);

// True for a header name of token characters and a value without control characters, so a
// header built from outside text can never add a line of its own.
bool is_safe_header(std::string_view name, std::string_view value);

}  // namespace vantiro
