#include <benchmark/benchmark.h>

#include <string>

#include "common/json.h"

namespace {

// Shaped like the largest bridge message: 64 files whose Base64 content fills the 89.5
// million unit cap, and a few short members around them.
std::string make_send_message(std::size_t total_units) {
  const std::size_t files = 64;
  const std::size_t per_file = (total_units - 4096) / files / 4 * 4;
  std::string b64;
  b64.reserve(per_file);
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  for (std::size_t i = 0; i < per_file; ++i) b64.push_back(alphabet[(i * 7 + i / 64) % 64]);
  std::string m =
      R"({"type":"vantiro.fivem.send","id":"req-1-abc","resourceName":"bilverkstad","files":[)";
  for (std::size_t f = 0; f < files; ++f) {
    if (f) m += ',';
    m += R"({"path":"stream/part)" + std::to_string(f) + R"(.ytd","contentBase64":")" + b64 + "\"}";
  }
  m += "]}";
  return m;
}

void BM_ParseLargestBridgeMessage(benchmark::State& state) {
  const std::string message = make_send_message(89'478'485);
  for (auto _ : state) {
    // The message arrives as a string the caller hands over; making it is not intake.
    state.PauseTiming();
    std::string text = message;
    state.ResumeTiming();
    auto r = vantiro::json::parse_object(std::move(text));
    if (!r.document) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * message.size()));
}
BENCHMARK(BM_ParseLargestBridgeMessage)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace
