// Renders the chrome's main screens to PNG files: vantiro_render_screens OUTPUT_FOLDER
// Swedish at 96 DPI, English at 144 DPI, a client area of 1440 x 900 DIPs each.

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "chrome/chrome_state.h"
#include "chrome/layout.h"
#include "platform/linux/chrome_render.h"
#include "platform/linux/lsan_exemptions.h"

extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return vantiro::platform::toolkit_leak_exemptions();
}

namespace {

using vantiro::chrome::ChromeState;
using vantiro::chrome::ChromeTab;

ChromeState studio(bool sv) {
  ChromeState s;
  s.ui_swedish = sv;
  s.tip_seed = 0;
  s.tabs = {{1, sv ? u"Fordonsstudion" : u"Vehicle Studio", 12, false, false},
            {2, sv ? u"Ped-editorn" : u"Ped Editor", 11, true, false},
            {3, sv ? u"Ljudredigeraren" : u"Audio Editor", 14, false, true},
            {4, u"Livery", 12, false, false}};
  s.title = s.tabs[1].title;
  s.current_path = u"/sv/editor";
  s.can_go_back = true;
  return s;
}

struct Screen {
  std::string name;
  std::function<void(ChromeState&)> setup;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER [FONTCONFIG_FILE]\n", argv[0]);
    return 1;
  }
  const std::string out = argv[1];
  std::error_code ec;
  std::filesystem::create_directories(out, ec);
  const std::string fonts = argc > 2 ? argv[2] : VANTIRO_FONTS_CONF;
  if (!vantiro::platform::load_font_aliases(fonts)) {
    std::fprintf(stderr, "cannot load %s\n", fonts.c_str());
    return 1;
  }
  const std::vector<Screen> screens = {
      {"studio-compact",
       [](ChromeState& s) {
         s.tabs[1].title = s.ui_swedish ? u"Ny arbetsyta" : u"New Workspace";
         s.tabs[1].icon = 0;
         s.title = s.tabs[1].title;
         s.active_tab_is_launcher = true;
         s.current_path = u"/";
       }},
      {"studio-expanded",
       [](ChromeState& s) {
         s.sidebar_expanded = true;
         s.current_path = u"/vehicles/wheels";
         s.available_version = u"1.9.5";
         s.notice_text =
             s.ui_swedish ? u"Skickat till FiveM: police-pack" : u"Sent to FiveM: police-pack";
         s.notice_success = true;
       }},
      {"studio-update-ready",
       [](ChromeState& s) {
         s.available_version = u"1.9.5";
         s.update_ready = true;
         s.window_active = false;
       }},
      {"palette",
       [](ChromeState& s) {
         s.active_tab_is_launcher = true;
         s.palette_open = true;
         s.query = u"fordon";
         s.selection = 1;
       }},
      {"launcher",
       [](ChromeState& s) {
         s.tabs.resize(1);
         s.tabs[0].active = true;
         s.tabs[0].title = s.ui_swedish ? u"Ny arbetsyta" : u"New Workspace";
         s.tabs[0].icon = 0;
         s.title = s.tabs[0].title;
         s.active_tab_is_launcher = true;
         s.current_path = u"/";
       }},
      {"crash-card", [](ChromeState& s) { s.active_tab_stalled = true; }},
      {"welcome",
       [](ChromeState& s) {
         s.welcome_gate = true;
         s.tabs.clear();
       }},
      {"sign-in-flow",
       [](ChromeState& s) {
         s.auth_flow = true;
         s.active_tab_loading = true;
         s.spinner_phase = 0.35f;
         s.title = s.ui_swedish ? u"Logga in" : u"Sign in";
       }},
      {"boot",
       [](ChromeState& s) {
         s.startup_scene = true;
         s.active_tab_loading = true;
         s.boot_stage = 3;
         s.boot_status_line = s.ui_swedish ? u"Öppnar arbetsyta …" : u"Opening workspace …";
         s.spinner_phase = 0.35f;
         s.tip_seed = 1;
       }},
      {"boot-update",
       [](ChromeState& s) {
         s.update_scene = true;
         s.startup_scene = true;
         s.update_from_version = u"1.9.5";
         s.download_done = 434000;
         s.download_total = 700000;
         s.download_progress = 0.62f;
         s.update_scene_text = s.ui_swedish ? u"Hämtar uppdatering 1.9.5 … (62 %)"
                                            : u"Downloading update 1.9.5 … (62 %)";
         s.download_kilobytes = u"423 / 683 KB";
         s.spinner_phase = 0.35f;
       }},
  };
  std::vector<std::pair<std::string, std::function<void(ChromeState&)>>> all;
  for (const Screen& sc : screens) all.emplace_back(sc.name, sc.setup);
  for (int page = 0; page < 6; ++page) {
    all.emplace_back("settings-" + std::to_string(page), [page](ChromeState& s) {
      s.settings_open = true;
      s.settings_category = page;
      s.available_version = u"1.9.5";
      s.fivem_dir = u"/home/user/FXServer/server-data/resources/[local]";
    });
  }
  int failures = 0;
  for (const int dpi : {96, 144}) {
    const bool sv = dpi == 96;
    const int inset_px = vantiro::chrome::frame_inset_px(dpi, false, false);
    const float inset = vantiro::chrome::px_to_dip(static_cast<float>(inset_px), dpi);
    for (const auto& [name, setup] : all) {
      ChromeState s = studio(sv);
      setup(s);
      vantiro::platform::ChromeImage image;
      const std::string path = out + "/" + name + "-" + std::to_string(dpi) + ".png";
      if (!vantiro::platform::render_chrome_image(1440 * dpi / 96, 900 * dpi / 96, dpi, inset, s,
                                                  image) ||
          !vantiro::platform::write_png(image, path)) {
        std::fprintf(stderr, "failed: %s\n", path.c_str());
        ++failures;
      }
    }
  }
  return failures == 0 ? 0 : 1;
}
