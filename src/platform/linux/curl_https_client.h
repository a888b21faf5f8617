#pragma once

#include <memory>
#include <string>

#include "common/https_client.h"

namespace vantiro::platform {

// The host's HTTPS client on libcurl with the system's default trust store. A non-empty
// test_ca_bundle replaces that store with one PEM file; only tests pass one.
std::unique_ptr<HttpsClient> make_curl_https_client(std::string test_ca_bundle);

}  // namespace vantiro::platform
