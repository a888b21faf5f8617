#include <benchmark/benchmark.h>

#include <string>

#include "fivem/base64.h"

namespace {

// 64 MiB of content, the largest a resource may carry.
std::string make_text(std::size_t bytes) {
  const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.resize(bytes / 3 * 4);
  for (std::size_t i = 0; i < text.size(); ++i) text[i] = alphabet[(i * 7 + i / 64) % 64];
  return text;
}

void BM_DecodeBase64Strict(benchmark::State& state) {
  const std::string text = make_text(67'108'863);
  std::string out;
  for (auto _ : state) {
    if (!vantiro::decode_base64_strict(text, out)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeBase64Strict)->Unit(benchmark::kMillisecond)->MinTime(1.0);

void BM_DecodeBase64StrictWide(benchmark::State& state) {
  const std::string narrow = make_text(16'777'215);
  const std::u16string text(narrow.begin(), narrow.end());
  std::string out;
  for (auto _ : state) {
    if (!vantiro::decode_base64_strict(text, out)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_DecodeBase64StrictWide)->Unit(benchmark::kMillisecond)->MinTime(1.0);

}  // namespace
