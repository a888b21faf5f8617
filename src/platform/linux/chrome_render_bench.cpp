#include <benchmark/benchmark.h>

#include <string>

#include "chrome/animation.h"
#include "chrome/layout.h"
#include "platform/linux/chrome_render.h"

// One painted frame as the host paints it while something animates: the same renderer (and so
// the same canvas and caches) frame after frame. Every heavy screen at two window sizes (pixels)
// and at 96 and 144 DPI. Compare the CPU column: the machine's cores are shared.

namespace {

using vantiro::chrome::ChromeState;

ChromeState studio_frame() {
  ChromeState s;
  s.ui_swedish = false;
  s.sidebar_expanded = true;
  s.current_path = u"/vehicles/wheels";
  s.available_version = u"1.9.5";
  s.can_go_back = true;
  for (int i = 0; i < 6; ++i) {
    s.tabs.push_back({i + 1, u"Vehicle Studio", 12, i == 0, i == 3});
  }
  s.title = u"Vehicle Studio";
  return s;
}

struct Screen {
  const char* name;
  ChromeState (*state)();
  bool spinner;  // the boot scene moves every frame
};

const Screen kScreens[] = {
    {"studio", [] { return studio_frame(); }, false},
    {"launcher",
     [] {
       ChromeState s = studio_frame();
       s.active_tab_is_launcher = true;
       return s;
     },
     false},
    {"palette",
     [] {
       ChromeState s = studio_frame();
       s.active_tab_is_launcher = true;
       s.palette_open = true;
       s.query = u"fordon";
       s.selection = 1;
       return s;
     },
     false},
    {"settings",
     [] {
       ChromeState s = studio_frame();
       s.settings_open = true;
       s.settings_category = 2;  // the keyboard shortcuts: the most rows and key caps
       return s;
     },
     false},
    {"boot",
     [] {
       ChromeState s = studio_frame();
       s.startup_scene = true;
       s.active_tab_loading = true;
       s.boot_stage = 3;
       s.boot_status_line = u"Opening workspace …";
       s.tip_seed = 1;
       return s;
     },
     true},
};

void paint_frames(benchmark::State& st, const Screen& screen, int w, int h, int dpi) {
  vantiro::platform::ChromeFrameRenderer r(w, h, dpi);
  if (!r.ok()) {
    st.SkipWithError("no surface");
    return;
  }
  ChromeState s = screen.state();
  const float inset = vantiro::chrome::px_to_dip(
      static_cast<float>(vantiro::chrome::frame_inset_px(dpi, false, false)), dpi);
  std::uint64_t now_ms = 0;
  for (auto _ : st) {
    if (screen.spinner) {
      now_ms += 16;
      s.spinner_phase = static_cast<float>(now_ms % vantiro::chrome::kSpinnerCycleMs) /
                        static_cast<float>(vantiro::chrome::kSpinnerCycleMs);
    }
    if (!r.paint(inset, s)) st.SkipWithError("paint failed");
  }
}

[[maybe_unused]] const bool registered = [] {
  vantiro::platform::load_font_aliases(VANTIRO_FONTS_CONF);
  struct Size {
    int w;
    int h;
  };
  for (const Screen& screen : kScreens) {
    for (const Size size : {Size{1440, 900}, Size{3840, 2160}}) {
      for (const int dpi : {96, 144}) {
        const std::string name = std::string("BM_Paint/") + screen.name + "/" +
                                 std::to_string(size.w) + "x" + std::to_string(size.h) + "/" +
                                 std::to_string(dpi) + "dpi";
        benchmark::RegisterBenchmark(name.c_str(), paint_frames, screen, size.w, size.h, dpi)
            ->Unit(benchmark::kMillisecond);
      }
    }
  }
  return true;
}();

}  // namespace
