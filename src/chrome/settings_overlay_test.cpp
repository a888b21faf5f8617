#include "chrome/settings_overlay.h"

#include <gtest/gtest.h>

#include "chrome/painter.h"
#include "chrome/recording_canvas.h"
#include "common/utf.h"

namespace vantiro::chrome {
namespace {

ChromeState open_on(int category, bool swedish = false) {
  ChromeState s;
  s.ui_swedish = swedish;
  s.tabs.push_back({1, u"Ped Editor", 11, true, false});
  s.settings_open = true;
  s.settings_category = category;
  return s;
}

std::vector<const HitZone*> of_kind(const LayoutResult& r, ZoneKind k) {
  std::vector<const HitZone*> out;
  for (const HitZone& z : r.zones)
    if (z.kind == k) out.push_back(&z);
  return out;
}

TEST(SettingsOverlay, GeneralPageAt1440x900) {
  const LayoutResult r = layout_chrome(1440, 900, 5, open_on(0));
  EXPECT_TRUE(of_kind(r, ZoneKind::SidebarToggle).empty());
  ASSERT_EQ(of_kind(r, ZoneKind::SettingsCategory).size(), 6u);
  ASSERT_EQ(of_kind(r, ZoneKind::SettingsClose).size(), 2u);  // close and back to studio
  const auto lang = of_kind(r, ZoneKind::SettingsLanguage);
  ASSERT_EQ(lang.size(), 3u);
  EXPECT_EQ(lang[0]->label, u"Auto");
  EXPECT_TRUE(lang[0]->active);  // the default setting
  EXPECT_EQ(lang[2]->value, 2);
  // N = 241, c = 1194, g = 56, CL = 297, CR = min(1359, 297 + 760) = 1057.
  EXPECT_FLOAT_EQ(r.settings_page.nav_right, 241);
  EXPECT_FLOAT_EQ(r.settings_page.content_left, 297);
  EXPECT_FLOAT_EQ(r.settings_page.content_right, 1057);
  const HitZone* close = of_kind(r, ZoneKind::SettingsClose)[0];
  EXPECT_EQ(close->rect(), (RectF{1075, 77, 1115, 131}));
  // Choice of 3 x 78: track 240 wide ending at CR - 18; segments 78 wide.
  EXPECT_FLOAT_EQ(lang[0]->left, 1057 - 15 - 240);
  EXPECT_FLOAT_EQ(lang[0]->width(), 78);
  // The FiveM folder: only "Choose folder" until one is set.
  EXPECT_EQ(of_kind(r, ZoneKind::SettingsChooseFolder).size(), 1u);
  EXPECT_TRUE(of_kind(r, ZoneKind::SettingsClearFolder).empty());
  ChromeState with = open_on(0);
  with.fivem_dir = u"/srv/fivem/resources";
  EXPECT_EQ(of_kind(layout_chrome(1440, 900, 5, with), ZoneKind::SettingsClearFolder).size(), 1u);
  EXPECT_FLOAT_EQ(r.settings_anchor, 49 + 92 + 17);
}

TEST(SettingsOverlay, EachPageHasItsOwnControls) {
  struct Case {
    int category;
    ZoneKind kind;
    size_t count;
  };
  const Case cases[] = {
      {0, ZoneKind::SettingsStartup, 2},      {0, ZoneKind::SettingsConfirmClose, 1},
      {1, ZoneKind::SettingsZoom, 6},         {1, ZoneKind::SettingsSidebar, 2},
      {1, ZoneKind::SettingsMotion, 3},       {1, ZoneKind::SettingsPerformance, 3},
      {2, ZoneKind::SettingsOpenPalette, 1},  {3, ZoneKind::OpenTool, 2},
      {3, ZoneKind::BackToSignIn, 1},         {4, ZoneKind::SettingsCheckUpdates, 1},
      {4, ZoneKind::SettingsBootUpdate, 1},   {4, ZoneKind::SettingsClearCache, 1},
      {4, ZoneKind::SettingsReloadTabs, 1},   {4, ZoneKind::AddShortcuts, 1},
      {5, ZoneKind::SettingsLegal, 3},        {0, ZoneKind::SettingsLegal, 0},
      {4, ZoneKind::SettingsChooseFolder, 0}, {5, ZoneKind::SettingsChooseFolder, 0},
  };
  for (const Case& c : cases) {
    // Tall enough that nothing is scrolled out of the viewport.
    const LayoutResult r = layout_chrome(1440, 1400, 5, open_on(c.category));
    EXPECT_EQ(of_kind(r, c.kind).size(), c.count)
        << "page " << c.category << " kind " << static_cast<int>(c.kind);
  }
  const LayoutResult about = layout_chrome(1440, 1400, 5, open_on(5));
  const auto legal = of_kind(about, ZoneKind::SettingsLegal);
  EXPECT_EQ(legal[0]->payload, u"/terms");
  EXPECT_EQ(legal[2]->payload, u"/account#withdrawals");
}

TEST(SettingsOverlay, ButtonsFollowTheStateTheyShow) {
  ChromeState s = open_on(4, true);
  s.update_status = 1;
  s.cache_state = 1;
  LayoutResult r = layout_chrome(1440, 1400, 5, s);
  const HitZone* check = of_kind(r, ZoneKind::SettingsCheckUpdates)[0];
  EXPECT_TRUE(check->disabled);
  EXPECT_EQ(check->label, u"Söker …");
  const HitZone* cache = of_kind(r, ZoneKind::SettingsClearCache)[0];
  EXPECT_TRUE(cache->disabled);
  EXPECT_EQ(cache->label, u"Rensar …");
  s.update_status = 4;
  s.cache_state = 3;
  r = layout_chrome(1440, 1400, 5, s);
  EXPECT_EQ(of_kind(r, ZoneKind::SettingsCheckUpdates)[0]->label, u"Försök igen");
  EXPECT_TRUE(of_kind(r, ZoneKind::SettingsClearCache)[0]->disabled);
  s.update_ready = true;
  s.available_version = u"1.9.5";
  s.shortcuts_added = true;
  r = layout_chrome(1440, 1400, 5, s);
  EXPECT_TRUE(of_kind(r, ZoneKind::SettingsCheckUpdates).empty());
  ASSERT_EQ(of_kind(r, ZoneKind::UpdatePill).size(), 1u);
  EXPECT_EQ(of_kind(r, ZoneKind::UpdatePill)[0]->label, u"Starta om och uppdatera");
  EXPECT_EQ(of_kind(r, ZoneKind::SettingsInstalledApps).size(), 1u);
  EXPECT_TRUE(of_kind(r, ZoneKind::AddShortcuts).empty());
  // Offline: one sign-in button instead of the account links.
  ChromeState a = open_on(3);
  a.offline_mode = true;
  r = layout_chrome(1440, 1400, 5, a);
  EXPECT_TRUE(of_kind(r, ZoneKind::OpenTool).empty());
  EXPECT_EQ(of_kind(r, ZoneKind::BackToSignIn).size(), 2u);
}

TEST(SettingsOverlay, GeometryAt4K) {
  const LayoutResult r = layout_chrome(3840, 2160, 0, open_on(4));
  const HitZone* first = of_kind(r, ZoneKind::SettingsCategory)[0];
  EXPECT_LT(first->left, 24);
  EXPECT_LE(first->right, 240);
  const HitZone* check = of_kind(r, ZoneKind::SettingsCheckUpdates)[0];
  EXPECT_GT(check->left, 240);
  EXPECT_LT(check->right, 1150);
  EXPECT_LT(of_kind(r, ZoneKind::SettingsClose)[0]->right, 1200);
}

TEST(SettingsOverlay, NarrowWindowsUseTheIconColumn) {
  const LayoutResult r = layout_chrome(700, 640, 5, open_on(1));
  EXPECT_TRUE(r.settings_page.narrow);
  EXPECT_FLOAT_EQ(r.settings_page.nav_right, 5 + 64);
  const HitZone* first = of_kind(r, ZoneKind::SettingsCategory)[0];
  EXPECT_EQ(first->rect(), (RectF{13, 49 + 64, 59, 49 + 98}));
}

TEST(SettingsOverlay, ScrolledControlsAreClippedToTheViewport) {
  ChromeState s = open_on(1);
  for (float scroll : {0.0f, 60.0f, 120.0f, 400.0f}) {
    s.settings_scroll = scroll;
    s.settings_scroll_target = scroll;
    const LayoutResult r = relayout_chrome(1440, 520, 5, s);
    for (const HitZone& z : r.zones) {
      if (z.style == kStyleSegment || z.style == kStyleToggle || z.style >= kStylePrimary) {
        EXPECT_GE(z.top, r.settings_viewport.top) << scroll << " " << to_utf8(z.label);
        EXPECT_LE(z.bottom, r.settings_viewport.bottom) << scroll << " " << to_utf8(z.label);
        EXPECT_GT(z.bottom, z.top - 0.001f);
      }
    }
    // The tab strip and the caption buttons still answer above the page.
    const int tab = hit_test(r.zones, 300, 30);
    ASSERT_GE(tab, 0);
    EXPECT_EQ(r.zones[static_cast<size_t>(tab)].kind, ZoneKind::Tab) << scroll;
  }
  EXPECT_LE(s.settings_scroll, 400);
}

TEST(SettingsOverlay, MaximumScrollPerPage) {
  // Keyboard page: the page ends 884 below its first card, which starts at t + 36 + 78.
  ChromeState s = open_on(2);
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_FLOAT_EQ(r.settings_max_scroll, 49 + 36 + 78 + 884 - 895);
  // General fits at 1440 x 900: three cards of 116, 58 and 58 plus headings end well above.
  r = layout_chrome(1440, 900, 5, open_on(0));
  EXPECT_FLOAT_EQ(r.settings_max_scroll, 0);
  // Relayout brings an offset past the end back to the maximum.
  s.settings_scroll = 5000;
  s.settings_scroll_target = 5000;
  r = relayout_chrome(1440, 900, 5, s);
  EXPECT_FLOAT_EQ(s.settings_scroll, r.settings_max_scroll);
  EXPECT_FLOAT_EQ(s.settings_scroll_target, r.settings_max_scroll);
}

TEST(SettingsOverlay, CategoryKeysStopAtTheEnds) {
  ChromeState s = open_on(0);
  s.settings_scroll = 30;
  EXPECT_FALSE(settings_category_step(s, -1));
  EXPECT_EQ(s.settings_category, 0);
  EXPECT_FLOAT_EQ(s.settings_scroll, 30);
  EXPECT_TRUE(settings_category_step(s, 1));
  EXPECT_EQ(s.settings_category, 1);
  EXPECT_FLOAT_EQ(s.settings_scroll, 0);
  s.settings_category = 5;
  EXPECT_FALSE(settings_category_step(s, 1));
  EXPECT_EQ(s.settings_category, 5);
}

TEST(SettingsOverlay, OpeningAndClosing) {
  ChromeState s;
  s.ui_swedish = false;
  s.palette_open = true;
  s.fullscreen = true;
  s.update_ready = true;
  s.available_version = u"1.9.5";
  SettingsOpenResult r = set_settings_open(s, true, 5, {});
  EXPECT_TRUE(r.changed);
  EXPECT_TRUE(s.settings_open);
  EXPECT_EQ(s.settings_category, 5);
  EXPECT_TRUE(r.leave_fullscreen);
  EXPECT_TRUE(r.close_palette);
  EXPECT_TRUE(r.hide_web_views && r.focus_main_window && r.start_animation);
  EXPECT_FLOAT_EQ(s.settings_progress, 0);
  EXPECT_EQ(s.update_status, 3);
  EXPECT_EQ(s.update_text, u"New version ready: v1.9.5");
  // Reopening keeps the last category unless one is asked for; out-of-range keeps it too.
  set_settings_open(s, false, -1, {});
  r = set_settings_open(s, true, 9, {.reduced_motion = true});
  EXPECT_EQ(s.settings_category, 5);
  EXPECT_FLOAT_EQ(s.settings_progress, 1);
  // Closing: no fade; the view comes back and takes focus only in an active window.
  s.window_active = false;
  r = set_settings_open(s, false, -1, {});
  EXPECT_FALSE(s.settings_open);
  EXPECT_TRUE(r.show_web_view);
  EXPECT_FALSE(r.focus_web_view);
  EXPECT_FALSE(set_settings_open(s, false, -1, {}).changed);
}

TEST(SettingsOverlay, OpeningIsRefusedWhileSomethingElseOwnsTheWindow) {
  struct Case {
    const char* what;
    void (*setup)(ChromeState&, SettingsOpenGuards&);
  };
  const Case cases[] = {
      {"welcome gate", [](ChromeState& s, SettingsOpenGuards&) { s.welcome_gate = true; }},
      {"sign-in flow", [](ChromeState& s, SettingsOpenGuards&) { s.auth_flow = true; }},
      {"update scene", [](ChromeState& s, SettingsOpenGuards&) { s.update_scene = true; }},
      {"installing", [](ChromeState&, SettingsOpenGuards& g) { g.installing_update = true; }},
      {"minimized", [](ChromeState&, SettingsOpenGuards& g) { g.minimized = true; }},
  };
  for (const Case& c : cases) {
    ChromeState s;
    SettingsOpenGuards g;
    c.setup(s, g);
    EXPECT_FALSE(set_settings_open(s, true, 2, g).changed) << c.what;
    EXPECT_FALSE(s.settings_open) << c.what;
    EXPECT_EQ(s.settings_category, 0) << c.what;
  }
}

TEST(SettingsOverlay, LongFolderPathsKeepTheirEnd) {
  const std::u16string long_path(100, u'a');
  const std::u16string shown = shortened_folder(long_path + u"END");
  EXPECT_EQ(shown.size(), 64u);
  EXPECT_EQ(shown.substr(0, 1), u"…");
  EXPECT_EQ(shown.substr(61), u"END");
  EXPECT_EQ(shortened_folder(u"/short"), u"/short");
}

TEST(SettingsOverlay, PaintsFadingInAndOnlyScrollsWhenThereIsSomethingToScroll) {
  ChromeState s = open_on(2);
  s.settings_progress = 0.5f;
  RecordingCanvas rc;
  paint_chrome(rc, layout_chrome(1440, 900, 5, s), s);
  const DrawOp* title = rc.find_text(u"Keyboard shortcuts");
  ASSERT_NE(title, nullptr);
  EXPECT_NEAR(title->color.a, 0.5f, 1e-4);
  EXPECT_NE(rc.find_text(u"Shift"), nullptr);
  auto thumbs = [](const RecordingCanvas& c) {
    int n = 0;
    for (const DrawOp& op : c.ops) {
      n += op.kind == DrawOpKind::fill_round_rect && op.rect.width() == 3 && op.value == 1.5f &&
           op.rect.left > 1400;
    }
    return n;
  };
  EXPECT_EQ(thumbs(rc), 1);
  ChromeState g = open_on(0);
  RecordingCanvas none;
  paint_chrome(none, layout_chrome(1440, 900, 5, g), g);
  EXPECT_EQ(thumbs(none), 0);
  // A tiny window draws no scrollbar from a negative track.
  RecordingCanvas tiny;
  paint_chrome(tiny, layout_chrome(60, 40, 5, s), s);
  EXPECT_EQ(thumbs(tiny), 0);
}

}  // namespace
}  // namespace vantiro::chrome
