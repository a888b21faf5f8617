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

ChromeState launcher_frame() {
  ChromeState s = studio_frame();
  s.active_tab_is_launcher = true;
  return s;
}

ChromeState settings_frame() {
  ChromeState s = studio_frame();
  s.settings_open = true;
  s.settings_category = 2;  // the keyboard shortcuts: the most rows and key caps
  return s;
}

ChromeState boot_frame() {
  ChromeState s = studio_frame();
  s.startup_scene = true;
  s.active_tab_loading = true;
  s.boot_stage = 3;
  s.boot_status_line = u"Opening workspace …";
  s.tip_seed = 1;
  return s;
}

struct Screen {
  const char* name;
  ChromeState (*state)();
  // What moves from one frame to the next, as the 16 ms animation tick moves it; null for a
  // screen that is repainted as it is.
  void (*advance)(ChromeState&, const vantiro::chrome::LayoutResult&, int frame);
};

const Screen kScreens[] = {
    {"studio", studio_frame, nullptr},
    {"launcher", launcher_frame, nullptr},
    {"palette",
     [] {
       ChromeState s = launcher_frame();
       s.palette_open = true;
       s.query = u"fordon";
       s.selection = 1;
       return s;
     },
     nullptr},
    {"settings", settings_frame, nullptr},
    {"boot", boot_frame,
     [](ChromeState& s, const vantiro::chrome::LayoutResult&, int frame) {
       s.spinner_phase = static_cast<float>(frame * 16 % vantiro::chrome::kSpinnerCycleMs) /
                         static_cast<float>(vantiro::chrome::kSpinnerCycleMs);
     }},
    // Frames while something eases: nothing kept from the previous frame fits them all.
    {"launcher-hover-fading", launcher_frame,
     [](ChromeState& s, const vantiro::chrome::LayoutResult& l, int frame) {
       for (size_t i = 0; i < l.zones.size(); ++i) {
         if (l.zones[i].index != 2) continue;  // a launcher card
         s.hover = static_cast<int>(i);
         s.hover_zone = vantiro::chrome::ZoneIdentity::of(l.zones[i]);
       }
       s.hover_fade_in = static_cast<float>(frame % 10 + 1) / 10;
     }},
    {"settings-opening", settings_frame,
     [](ChromeState& s, const vantiro::chrome::LayoutResult&, int frame) {
       s.settings_progress = static_cast<float>(frame % 12 + 1) / 12;
     }},
    {"rail-moving", launcher_frame,
     [](ChromeState& s, const vantiro::chrome::LayoutResult&, int frame) {
       s.sidebar_expanded = true;
       s.rail_width = 64 + static_cast<float>(frame % 20) * 7.8f;
     }},
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
  const vantiro::chrome::LayoutResult layout = vantiro::chrome::layout_chrome(
      vantiro::chrome::px_to_dip(static_cast<float>(w), dpi),
      vantiro::chrome::px_to_dip(static_cast<float>(h), dpi), inset, s);
  int frame = 0;
  for (auto _ : st) {
    if (screen.advance) screen.advance(s, layout, frame++);
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
