#pragma once

// Test double: records each request and answers with a scripted error and body chunks.

#include <deque>
#include <string>
#include <vector>

#include "common/https_client.h"

namespace vantiro::testing {

struct FakeHttpsAnswer {
  HttpsError error = HttpsError::none;
  std::vector<std::string> chunks;  // delivered before error is returned
};

class FakeHttpsClient final : public HttpsClient {
 public:
  std::vector<HttpsRequest> requests;
  std::deque<FakeHttpsAnswer> answers;

  HttpsError get(const HttpsRequest& request, const HttpsBodySink& sink) override {
    requests.push_back(request);
    if (answers.empty()) return HttpsError::network;
    FakeHttpsAnswer a = std::move(answers.front());
    answers.pop_front();
    std::size_t total = 0;
    for (const auto& c : a.chunks) {
      total += c.size();
      if (total > request.max_body_bytes) return HttpsError::too_large;
      if (!sink(c)) return HttpsError::aborted;
    }
    return a.error;
  }
};

}  // namespace vantiro::testing
