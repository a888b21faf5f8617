#include "chrome/animation.h"

#include <gtest/gtest.h>

#include <cmath>

namespace vantiro::chrome {
namespace {

HitZone make(float l, ZoneKind k, int value = 0) {
  HitZone z = zone_at(l, 0, l + 10, 10, k);
  z.value = value;
  return z;
}

TEST(ChromeAnimation, ExponentialEaseIsFrameRateIndependent) {
  EXPECT_FLOAT_EQ(exponential_ease(0, 220, 22, 0.016f), 220 * (1 - std::exp(-22 * 0.016f)));
  // Two 8 ms steps land where one 16 ms step does.
  const float two = exponential_ease(exponential_ease(0, 100, 18, 0.008f), 100, 18, 0.008f);
  EXPECT_NEAR(two, exponential_ease(0, 100, 18, 0.016f), 1e-4);
  EXPECT_FLOAT_EQ(exponential_ease(5, 5, 22, 0.016f), 5);
}

TEST(ChromeAnimation, TickSecondsAreClamped) {
  EXPECT_FLOAT_EQ(tick_seconds(std::nullopt, 1000), 0.016f);
  EXPECT_FLOAT_EQ(tick_seconds(1000, 1016), 0.016f);
  EXPECT_FLOAT_EQ(tick_seconds(1000, 5000), 0.05f);
  EXPECT_FLOAT_EQ(tick_seconds(1000, 1000), 0.001f);
  EXPECT_FLOAT_EQ(tick_seconds(1000, 900), 0.001f);  // a clock that went back
}

TEST(ChromeAnimation, RailWidthSettlesExactlyAndReleasesTheTimer) {
  ChromeState s;
  s.sidebar_expanded = true;
  s.rail_width = 0.001f;  // 220 away from its target
  LayoutResult l;
  AnimationTimer timer;
  std::uint64_t now = 10'000;
  ASSERT_TRUE(start_chrome_animation(timer, chrome_needs_animation(s, l, false), now));
  EXPECT_FALSE(start_chrome_animation(timer, true, now));  // already running
  int ticks = 0;
  while (timer.running && ticks < 1000) {
    now += 16;
    tick_chrome_animation(timer, s, l, false, now);
    ++ticks;
  }
  EXPECT_LT(ticks, 100);
  EXPECT_FLOAT_EQ(s.rail_width, 220);
  EXPECT_FALSE(timer.running);
  EXPECT_FALSE(chrome_needs_animation(s, l, false));
  // Idle means idle: nothing restarts it and further ticks change nothing.
  EXPECT_FALSE(start_chrome_animation(timer, chrome_needs_animation(s, l, false), now));
  EXPECT_FALSE(animate_chrome(s, l, 0.016f, now + 16).changed);
}

TEST(ChromeAnimation, EveryMovingValueKeepsTheTimerUntilItSettles) {
  LayoutResult l;
  l.rail_max_scroll = 300;
  l.palette_max_scroll = 300;
  l.settings_max_scroll = 300;
  struct Case {
    const char* what;
    void (*setup)(ChromeState&, LayoutResult&);
  };
  const Case cases[] = {
      {"rail scroll", [](ChromeState& s, LayoutResult&) { s.rail_scroll_target = 200; }},
      {"palette scroll", [](ChromeState& s, LayoutResult&) { s.palette_scroll_target = 90; }},
      {"settings scroll", [](ChromeState& s, LayoutResult&) { s.settings_scroll_target = 180; }},
      {"hover in", [](ChromeState& s, LayoutResult&) { s.hover_fade_in = 0; }},
      {"hover out", [](ChromeState& s, LayoutResult&) { s.hover_fade_out = 1; }},
      {"palette fade",
       [](ChromeState& s, LayoutResult&) {
         s.palette_open = true;
         s.palette_progress = 0;
       }},
      {"settings fade",
       [](ChromeState& s, LayoutResult&) {
         s.settings_open = true;
         s.settings_progress = 0;
       }},
      {"rail marker",
       [](ChromeState& s, LayoutResult& r) {
         r.rail_active_anchor = 140;
         s.rail_marker = 300;
       }},
      {"settings marker",
       [](ChromeState& s, LayoutResult& r) {
         r.settings_anchor = 220;
         s.settings_marker = 90;
       }},
      {"download", [](ChromeState& s, LayoutResult&) { s.download_progress_target = 0.62f; }},
  };
  for (const Case& c : cases) {
    ChromeState s;
    LayoutResult lc = l;
    c.setup(s, lc);
    AnimationTimer timer;
    std::uint64_t now = 0;
    ASSERT_TRUE(start_chrome_animation(timer, chrome_needs_animation(s, lc, false), now)) << c.what;
    int ticks = 0;
    while (timer.running && ticks < 2000) {
      now += 16;
      tick_chrome_animation(timer, s, lc, false, now);
      ++ticks;
    }
    EXPECT_FALSE(timer.running) << c.what;
    EXPECT_LT(ticks, 200) << c.what;
    EXPECT_FALSE(chrome_needs_animation(s, lc, false)) << c.what;
    // Settled means settled: the value sits on its target and nothing arms the timer again.
    EXPECT_FALSE(start_chrome_animation(timer, chrome_needs_animation(s, lc, false), now))
        << c.what;
    EXPECT_FALSE(tick_chrome_animation(timer, s, lc, false, now + 16).changed) << c.what;
    EXPECT_FALSE(timer.running) << c.what;
  }
}

TEST(ChromeAnimation, ScrollTargetsAreClampedBeforeEasing) {
  ChromeState s;
  s.rail_scroll_target = 900;
  LayoutResult l;
  l.rail_max_scroll = 120;
  for (int i = 0; i < 200; ++i) animate_chrome(s, l, 0.016f, 0);
  EXPECT_FLOAT_EQ(s.rail_scroll, 120);
  EXPECT_FLOAT_EQ(s.rail_scroll_target, 120);
}

TEST(ChromeAnimation, ScenesAndLoadingTabsKeepTheTimerUnlessMotionIsReduced) {
  LayoutResult l;
  ChromeState s;
  s.active_tab_loading = true;
  EXPECT_TRUE(chrome_needs_animation(s, l, false));
  animate_chrome(s, l, 0.016f, 675);
  EXPECT_FLOAT_EQ(s.spinner_phase, 0.5f);
  s.palette_open = true;  // the spinner pauses under the palette
  animate_chrome(s, l, 0.016f, 1012);
  EXPECT_FLOAT_EQ(s.spinner_phase, 0.5f);

  ChromeState t;
  t.tabs.push_back({1, u"x", 0, false, true});
  EXPECT_TRUE(chrome_needs_animation(t, l, false));

  s.reduced_motion = true;
  s.palette_open = false;
  s.update_scene = true;
  s.hover_fade_in = 0;
  EXPECT_FALSE(chrome_needs_animation(s, l, false));
  EXPECT_TRUE(chrome_needs_animation(s, l, true));  // the first-load watchdog
}

TEST(ChromeAnimation, TheRailIsRepaintedOnceMoreAfterItArrives) {
  // The frame where the rail arrives may be drawn as one in motion; the next tick repaints it
  // at rest, and only then does the timer stop.
  ChromeState s;
  s.sidebar_expanded = true;
  s.rail_width = 64;
  LayoutResult l;
  AnimationTimer timer;
  std::uint64_t now = 10'000;
  ASSERT_TRUE(start_chrome_animation(timer, chrome_needs_animation(s, l, false), now));
  int ticks = 0;
  while (s.rail_width != 220 && ticks < 100) {
    now += 16;
    EXPECT_FALSE(s.rail_settling);
    EXPECT_TRUE(tick_chrome_animation(timer, s, l, false, now).changed);
    ++ticks;
  }
  EXPECT_TRUE(s.rail_settling);
  EXPECT_TRUE(timer.running);
  now += 16;
  const AnimationTick settled = tick_chrome_animation(timer, s, l, false, now);
  EXPECT_TRUE(settled.changed);
  EXPECT_FALSE(settled.rail_width_changed);  // the web views stay where they are
  EXPECT_FALSE(s.rail_settling);
  EXPECT_FALSE(timer.running);
  EXPECT_FALSE(animate_chrome(s, l, 0.016f, now + 16).changed);

  // Toggled again before that tick, or reduced motion switched on: nothing is left to settle.
  for (const bool finish : {false, true}) {
    ChromeState t;
    t.sidebar_expanded = true;
    t.rail_width = 219.9f;
    animate_chrome(t, l, 0.016f, now);
    ASSERT_TRUE(t.rail_settling);
    if (finish) {
      finish_chrome_animations(t, l);
      EXPECT_FALSE(chrome_needs_animation(t, l, false));
    } else {
      toggle_rail(t, false);
    }
    EXPECT_FALSE(t.rail_settling) << finish;
  }
}

TEST(ChromeAnimation, ReducedMotionToggleChangesTheRailInOneFrame) {
  ChromeState s;
  toggle_rail(s, true);
  EXPECT_TRUE(s.sidebar_expanded);
  EXPECT_FLOAT_EQ(s.rail_width, 220);
  toggle_rail(s, true);
  EXPECT_FLOAT_EQ(s.rail_width, 64);

  ChromeState m;
  m.rail_scroll = 50;
  m.rail_scroll_target = 70;
  toggle_rail(m, false);
  EXPECT_FLOAT_EQ(m.rail_width, 64);  // starts from the old target and animates
  EXPECT_FLOAT_EQ(m.rail_scroll, 0);
  EXPECT_FLOAT_EQ(m.rail_scroll_target, 0);
  LayoutResult l;
  EXPECT_TRUE(chrome_needs_animation(m, l, false));
}

TEST(ChromeAnimation, FinishingPutsEveryValueOnItsTarget) {
  ChromeState s;
  s.sidebar_expanded = true;
  s.rail_width = 80;
  s.rail_scroll_target = 40;
  s.settings_open = true;
  s.settings_progress = 0.2f;
  s.palette_progress = 0.3f;
  s.hover_fade_in = 0.1f;
  s.hover_fade_out = 0.7f;
  s.download_progress_target = 0.5f;
  LayoutResult l;
  l.rail_max_scroll = 100;
  l.settings_anchor = 250;
  finish_chrome_animations(s, l);
  EXPECT_FLOAT_EQ(s.rail_width, 220);
  EXPECT_FLOAT_EQ(s.rail_scroll, 40);
  EXPECT_FLOAT_EQ(s.settings_progress, 1);
  EXPECT_FLOAT_EQ(s.settings_marker, 250);
  EXPECT_FLOAT_EQ(s.download_progress, 0.5f);
  EXPECT_FALSE(chrome_needs_animation(s, l, false));
}

TEST(ChromeAnimation, HoverFadeOutFollowsTheZoneNotItsOldIndex) {
  std::vector<HitZone> zones = {make(0, ZoneKind::Tab, 1), make(20, ZoneKind::Tab, 2)};
  ChromeState s;
  set_hover(s, zones, 0, false);
  EXPECT_FLOAT_EQ(s.hover_fade_in, 0);
  s.hover_fade_in = 0.8f;
  set_hover(s, zones, 1, false);
  EXPECT_FLOAT_EQ(hover_value(s, zones, 0), 0.8f);  // fading out
  EXPECT_FLOAT_EQ(hover_value(s, zones, 1), 0);     // fading in from 0

  // Tab 1 was closed: a relayout puts tab 3 where it was. Tab 3 must not fade.
  std::vector<HitZone> after = {make(0, ZoneKind::Tab, 3), make(20, ZoneKind::Tab, 2)};
  set_hover(s, after, 1, false);  // still over tab 2, now at the same index
  EXPECT_FLOAT_EQ(hover_value(s, after, 0), 0);
  EXPECT_FLOAT_EQ(hover_value(s, after, 1), 0);

  // The same zone at a new index keeps its fade instead of restarting it.
  s.hover_fade_in = 0.6f;
  std::vector<HitZone> moved = {make(0, ZoneKind::Brand), make(20, ZoneKind::Tab, 3),
                                make(40, ZoneKind::Tab, 2)};
  set_hover(s, moved, 2, false);
  EXPECT_FLOAT_EQ(hover_value(s, moved, 2), 0.6f);

  set_hover(s, moved, -1, false);
  EXPECT_FLOAT_EQ(s.hover_fade_in, 1);
  EXPECT_FLOAT_EQ(hover_value(s, moved, 2), 0.6f);
  set_hover(s, moved, 0, true);  // reduced motion: no fades at all
  EXPECT_FLOAT_EQ(hover_value(s, moved, 0), 1);
  EXPECT_FLOAT_EQ(hover_value(s, moved, 2), 0);
  EXPECT_FLOAT_EQ(hover_value(s, moved, 7), 0);
}

}  // namespace
}  // namespace vantiro::chrome
