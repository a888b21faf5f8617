#include <benchmark/benchmark.h>

#include "chrome/layout.h"

namespace {

using vantiro::chrome::ChromeState;

ChromeState full_studio() {
  ChromeState s;
  s.sidebar_expanded = true;
  s.current_path = u"/vehicles/wheels";
  s.available_version = u"1.9.5";
  s.offline_mode = true;
  s.active_tab_is_launcher = true;
  for (int i = 0; i < 8; ++i) {
    s.tabs.push_back({i + 1, u"Vehicle Studio", 12, i == 3, i == 5});
  }
  return s;
}

void BM_LayoutStudio4K(benchmark::State& st) {
  const ChromeState s = full_studio();
  for (auto _ : st) {
    auto r = vantiro::chrome::layout_chrome(3840, 2160, 0, s);
    benchmark::DoNotOptimize(r.zones.data());
  }
}
BENCHMARK(BM_LayoutStudio4K)->Unit(benchmark::kMicrosecond);

void BM_LayoutPalette4K(benchmark::State& st) {
  ChromeState s = full_studio();
  s.palette_open = true;
  s.query = u"a";
  for (auto _ : st) {
    auto r = vantiro::chrome::layout_chrome(3840, 2160, 0, s);
    benchmark::DoNotOptimize(r.zones.data());
  }
}
BENCHMARK(BM_LayoutPalette4K)->Unit(benchmark::kMicrosecond);

void BM_LayoutSettings4K(benchmark::State& st) {
  ChromeState s = full_studio();
  s.settings_open = true;
  s.settings_category = 2;
  for (auto _ : st) {
    auto r = vantiro::chrome::layout_chrome(3840, 2160, 0, s);
    benchmark::DoNotOptimize(r.zones.data());
  }
}
BENCHMARK(BM_LayoutSettings4K)->Unit(benchmark::kMicrosecond);

}  // namespace
