#include "platform/linux/chrome_render.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "chrome/animation.h"
#include "chrome/canvas.h"
#include "chrome/layout.h"

namespace vantiro::platform {
namespace {

std::uint32_t pixel(const ChromeImage& img, int x, int y) {
  return img.pixels[static_cast<size_t>(y) * static_cast<size_t>(img.width) +
                    static_cast<size_t>(x)] &
         0xFFFFFF;
}

chrome::ChromeState studio() {
  chrome::ChromeState s;
  s.ui_swedish = false;
  s.tabs.push_back({1, u"Ped Editor", 11, true, false});
  s.title = u"Ped Editor";
  return s;
}

TEST(ChromeRender, PaintsTheFrameAtItsColoursAndScale) {
  struct Case {
    int dpi;
    int inset_px;
  };
  for (const Case c : {Case{96, 5}, Case{144, 8}}) {
    const int w = 1440 * c.dpi / 96;
    const int h = 900 * c.dpi / 96;
    ChromeImage img;
    ASSERT_TRUE(render_chrome_image(
        w, h, c.dpi, chrome::px_to_dip(static_cast<float>(c.inset_px), c.dpi), studio(), img))
        << c.dpi;
    ASSERT_EQ(img.width, w);
    ASSERT_EQ(img.height, h);
    const auto px = [&](float dip) {
      return static_cast<int>(dip * static_cast<float>(c.dpi) / 96);
    };
    EXPECT_EQ(pixel(img, 2, h / 2), 0x0E1522u) << c.dpi << " resize border";
    EXPECT_EQ(pixel(img, px(700), h - px(10)), 0x070C14u) << c.dpi << " status bar";
    EXPECT_EQ(pixel(img, px(700), px(500)), 0x080D15u) << c.dpi << " content";
    // Every pixel is opaque: the visual check's bitmaps ignore alpha, the screens must not.
    for (std::uint32_t p : {img.pixels[0], img.pixels.back()}) EXPECT_EQ(p >> 24, 0xFFu);
  }
}

TEST(ChromeRender, CloseButtonHoverTurnsRed) {
  chrome::ChromeState s = studio();
  const chrome::LayoutResult l = chrome::layout_chrome(1440, 900, 5, s);
  s.hover = chrome::hit_test(l.zones, 1412, 25);
  s.hover_zone = chrome::ZoneIdentity::of(l.zones[static_cast<size_t>(s.hover)]);
  ChromeImage img;
  ASSERT_TRUE(render_chrome_image(1440, 900, 96, 5, s, img));
  EXPECT_EQ(pixel(img, 1395, 12), 0xC42B1Cu);
}

TEST(ChromeRender, FramesFromWhatTheRendererKeptMatchFreshFrames) {
  // Later frames draw backdrops, glows, icons and shaped lines from what the canvas kept;
  // each must equal the same frame from a renderer that starts with nothing.
  chrome::ChromeState launcher = studio();
  launcher.active_tab_is_launcher = true;
  launcher.sidebar_expanded = true;
  launcher.current_path = u"/vehicles/wheels";
  chrome::ChromeState hovered = launcher;
  const chrome::LayoutResult l = chrome::layout_chrome(960, 600, 5, hovered);
  for (size_t i = 0; i < l.zones.size(); ++i)
    if (l.zones[i].index == 2) hovered.hover = static_cast<int>(i);  // a launcher card
  ASSERT_GE(hovered.hover, 0);
  hovered.hover_zone = chrome::ZoneIdentity::of(l.zones[static_cast<size_t>(hovered.hover)]);
  hovered.hover_fade_in = 0.5f;
  chrome::ChromeState boot = studio();
  boot.startup_scene = true;
  boot.active_tab_loading = true;
  chrome::ChromeState settings = launcher;
  settings.settings_open = true;
  settings.settings_progress = 0.5f;
  chrome::ChromeState welcome = studio();
  welcome.welcome_gate = true;
  std::vector<chrome::ChromeState> frames = {launcher, hovered, boot, boot, settings};
  frames[3].spinner_phase = 0.6f;  // the pulse and orbit move, the rest comes from copies
  frames.push_back(settings);
  frames.back().settings_progress = 1;
  frames.push_back(launcher);
  frames.back().sidebar_expanded = false;
  frames.push_back(welcome);
  frames.push_back(launcher);
  for (const int dpi : {96, 144}) {
    const int w = 960 * dpi / 96;
    const int h = 600 * dpi / 96;
    const float inset = chrome::px_to_dip(static_cast<float>(dpi == 96 ? 5 : 8), dpi);
    ChromeFrameRenderer kept(w, h, dpi);
    ASSERT_TRUE(kept.ok());
    for (size_t i = 0; i < frames.size(); ++i) {
      ASSERT_TRUE(kept.paint(inset, frames[i]));
      ChromeImage fresh;
      ASSERT_TRUE(render_chrome_image(w, h, dpi, inset, frames[i], fresh));
      const ChromeImage later = kept.image();
      int differing = 0;
      for (size_t p = 0; p < fresh.pixels.size(); ++p)
        differing += later.pixels[p] != fresh.pixels[p];
      EXPECT_EQ(differing, 0) << "frame " << i << " at " << dpi << " DPI";
    }
  }
}

int largest_channel_difference(const ChromeImage& a, const ChromeImage& b) {
  int largest = 0;
  for (size_t p = 0; p < a.pixels.size(); ++p) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int d = std::abs(static_cast<int>((a.pixels[p] >> shift) & 0xFFu) -
                             static_cast<int>((b.pixels[p] >> shift) & 0xFFu));
      largest = std::max(largest, d);
    }
  }
  return largest;
}

TEST(ChromeRender, FramesWhileTheRailMovesStayWithinTheToleranceAndTheSettledOneIsExact) {
  // The rail eases open and closed over the launcher or a loading tab as the animation tick
  // moves it. Each frame in motion, the one where the rail arrives included, may differ from
  // the exact frame by the motion tolerance; the frame painted once it has settled stays on
  // screen and must be exact.
  struct Case {
    int dpi;
    bool loading;
  };
  for (const Case c : {Case{96, false}, Case{144, false}, Case{144, true}}) {
    chrome::ChromeState s = studio();
    s.active_tab_is_launcher = !c.loading;
    s.active_tab_loading = c.loading;
    s.current_path = u"/vehicles/wheels";
    const int dpi = c.dpi;
    const int w = 960 * dpi / 96;
    const int h = 600 * dpi / 96;
    const float inset = chrome::px_to_dip(static_cast<float>(dpi == 96 ? 5 : 8), dpi);
    ChromeFrameRenderer kept(w, h, dpi);
    ASSERT_TRUE(kept.ok());
    s.rail_width = chrome::kRailCompactWidth;
    const chrome::LayoutResult unused;
    int approximate = 0;
    for (const bool expand : {true, false}) {
      s.sidebar_expanded = expand;
      const float target = chrome::rail_target_width(expand);
      for (int frame = 0;; ++frame) {
        ASSERT_TRUE(chrome::animate_chrome(s, unused, 0.016f, 0).changed);
        const bool settled = s.rail_width == target && !s.rail_settling;
        // Every third frame in motion keeps the test short; the frame where the rail arrives
        // and the settled one are always compared.
        if (!settled && !s.rail_settling && frame % 3 != 0) continue;
        ASSERT_TRUE(kept.paint(inset, s));
        ChromeImage exact;
        ASSERT_TRUE(render_chrome_image(w, h, dpi, inset, s, exact));
        const int largest = largest_channel_difference(kept.image(), exact);
        const std::string where = std::to_string(dpi) + " DPI, " +
                                  (c.loading ? "loading" : "launcher") + ", rail " +
                                  std::to_string(s.rail_width) + (settled ? " settled" : " moving");
        if (settled) {
          EXPECT_EQ(largest, 0) << where;
          break;
        }
        EXPECT_LE(largest, chrome::kMotionTolerance) << where;
        approximate += largest > 0;
      }
    }
    // Otherwise the frames in motion were drawn the exact way and nothing above was measured.
    EXPECT_GT(approximate, 0) << dpi << " DPI, loading " << c.loading;
  }
}

TEST(ChromeRender, WritesTheBitmapAndRefusesEmptySizes) {
  const std::string path = ::testing::TempDir() + "chrome-render-test.bmp";
  ASSERT_TRUE(render_chrome_to_bmp(64, 48, 96, 0, studio(), path));
  std::ifstream in(path, std::ios::binary);
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(bytes.size(), 54u + 64u * 48u * 4u);
  EXPECT_EQ(bytes.substr(0, 2), "BM");
  std::remove(path.c_str());
  ChromeImage img;
  EXPECT_FALSE(render_chrome_image(0, 10, 96, 0, studio(), img));
  EXPECT_FALSE(render_chrome_to_bmp(10, 0, 96, 0, studio(), path));
  EXPECT_FALSE(write_png(ChromeImage{}, path));
}

}  // namespace
}  // namespace vantiro::platform
