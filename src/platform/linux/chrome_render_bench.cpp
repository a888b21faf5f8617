#include <benchmark/benchmark.h>

#include "platform/linux/chrome_render.h"

namespace {

using vantiro::chrome::ChromeState;

ChromeState studio_frame() {
  ChromeState s;
  s.sidebar_expanded = true;
  s.current_path = u"/vehicles/wheels";
  s.active_tab_is_launcher = true;
  s.available_version = u"1.9.5";
  for (int i = 0; i < 6; ++i) s.tabs.push_back({i + 1, u"Vehicle Studio", 12, i == 0, false});
  return s;
}

void paint_frames(benchmark::State& st, int w, int h, ChromeState s) {
  vantiro::platform::ChromeFrameRenderer r(w, h, 96);
  if (!r.ok()) {
    st.SkipWithError("no surface");
    return;
  }
  for (auto _ : st) benchmark::DoNotOptimize(r.paint(0, s));
}

void BM_PaintStudio1440x900(benchmark::State& st) {
  paint_frames(st, 1440, 900, studio_frame());
}
BENCHMARK(BM_PaintStudio1440x900)->Unit(benchmark::kMillisecond);

void BM_PaintStudio3840x2160(benchmark::State& st) {
  paint_frames(st, 3840, 2160, studio_frame());
}
BENCHMARK(BM_PaintStudio3840x2160)->Unit(benchmark::kMillisecond);

void BM_PaintPalette1440x900(benchmark::State& st) {
  ChromeState s = studio_frame();
  s.palette_open = true;
  s.query = u"fordon";
  paint_frames(st, 1440, 900, s);
}
BENCHMARK(BM_PaintPalette1440x900)->Unit(benchmark::kMillisecond);

void BM_PaintBootScene3840x2160(benchmark::State& st) {
  ChromeState s = studio_frame();
  s.active_tab_is_launcher = false;
  s.startup_scene = true;
  s.active_tab_loading = true;
  s.spinner_phase = 0.35f;
  paint_frames(st, 3840, 2160, s);
}
BENCHMARK(BM_PaintBootScene3840x2160)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The same studio frame over a tool page: everything but the launcher screen.
void BM_PaintStudioTool1440x900(benchmark::State& st) {
  ChromeState s = studio_frame();
  s.active_tab_is_launcher = false;
  paint_frames(st, 1440, 900, s);
}
BENCHMARK(BM_PaintStudioTool1440x900)->Unit(benchmark::kMillisecond);

}  // namespace
