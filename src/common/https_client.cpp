#include "common/https_client.h"

#include "common/build_config.h"

namespace vantiro {

std::string_view code(HttpsError e) {
  switch (e) {
    case HttpsError::none:
      return "none";
    case HttpsError::bad_request:
      return "bad_request";
    case HttpsError::network:
      return "network";
    case HttpsError::timeout:
      return "timeout";
    case HttpsError::status:
      return "status";
    case HttpsError::too_large:
      return "too_large";
    case HttpsError::aborted:
      return "aborted";
  }
  return "network";
}

HttpsBody https_get_body(HttpsClient& client, const HttpsRequest& request) {
  HttpsBody out;
  std::string body;
  out.error = client.get(request, [&](std::string_view chunk) {
    // The client enforces the cap too; this keeps a faulty client from growing the string.
    if (body.size() + chunk.size() > request.max_body_bytes) return false;
    body.append(chunk);
    return true;
  });
  if (out.error == HttpsError::none) out.body = std::move(body);
  return out;
}

ServiceEndpoint service_endpoint() {
  return {kServiceHostUtf8, 443};
}

HttpsRequest service_request(const ServiceEndpoint& endpoint, std::string path,
                             std::string user_agent, std::uint64_t deadline_ms,
                             std::size_t max_body_bytes) {
  HttpsRequest r;
  r.host = endpoint.host;
  r.port = endpoint.port;
  r.path = std::move(path);
  r.user_agent = std::move(user_agent);
  r.deadline_ms = deadline_ms;
  r.max_body_bytes = max_body_bytes;
  return r;
}

bool is_safe_header(std::string_view name, std::string_view value) {
  if (name.empty()) return false;
  for (char c : name) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool token = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') ||
                       std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    if (!token) return false;
  }
  for (char c : value) {
    const unsigned char u = static_cast<unsigned char>(c);
    if ((u < 0x20 && u != '\t') || u == 0x7f) return false;
  }
  return true;
}

}  // namespace vantiro
