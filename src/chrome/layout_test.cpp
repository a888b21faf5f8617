#include "chrome/layout.h"

#include <gtest/gtest.h>

#include <string>

#include "chrome/zone_action.h"
#include "common/utf.h"

namespace vantiro::chrome {
namespace {

ChromeState studio(int tabs, bool swedish = false) {
  ChromeState s;
  s.ui_swedish = swedish;
  for (int i = 0; i < tabs; ++i) {
    ChromeTab t;
    t.id = 100 + i;
    t.title = u"Tab " + to_utf16(std::to_string(i));
    t.icon = 11;
    t.active = i == 0;
    s.tabs.push_back(t);
  }
  return s;
}

const HitZone* at(const LayoutResult& r, float x, float y) {
  const int i = hit_test(r.zones, x, y);
  return i < 0 ? nullptr : &r.zones[static_cast<size_t>(i)];
}

ZoneKind kind_at(const LayoutResult& r, float x, float y) {
  const HitZone* z = at(r, x, y);
  return z ? z->kind : ZoneKind::None;
}

int count_kind(const LayoutResult& r, ZoneKind k) {
  int n = 0;
  for (const HitZone& z : r.zones) n += z.kind == k;
  return n;
}

const HitZone* first_of(const LayoutResult& r, ZoneKind k) {
  for (const HitZone& z : r.zones)
    if (z.kind == k) return &z;
  return nullptr;
}

TEST(ChromeLayout, CaptionButtonsAndNativeAnswersAt1440x900) {
  const LayoutResult r = layout_chrome(1440, 900, 5, studio(1));
  EXPECT_EQ(at(r, 1000, 25), nullptr);
  EXPECT_EQ(kind_at(r, 1412, 25), ZoneKind::CloseWindow);
  EXPECT_TRUE(at(r, 1412, 25)->danger);
  EXPECT_EQ(kind_at(r, 1366, 25), ZoneKind::Maximize);
  EXPECT_EQ(kind_at(r, 1320, 25), ZoneKind::Minimize);
  EXPECT_EQ(kind_at(r, 1280, 25), ZoneKind::Fullscreen);

  struct Case {
    int x, y, expected;
    const char* what;
  };
  const Case cases[] = {
      {1366, 25, kHtMaxButton, "maximize button"}, {1000, 25, kHtCaption, "blank caption"},
      {1412, 25, kHtClient, "close button"},       {300, 25, kHtClient, "tab"},
      {1000, 400, kHtClient, "content"},           {2, 400, kHtLeft, "left border"},
      {1437, 400, kHtRight, "right border"},       {700, 2, kHtTop, "top border"},
      {700, 897, kHtBottom, "bottom border"},      {1, 1, kHtTopLeft, "top-left"},
      {1439, 0, kHtTopRight, "top-right"},         {0, 899, kHtBottomLeft, "bottom-left"},
      {1439, 899, kHtBottomRight, "bottom-right"}, {1000, 49, kHtCaption, "title bottom edge"},
      {1000, 50, kHtClient, "just below title"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(native_hit_test(r.zones, c.x, c.y, 1440, 900, 96, 5, false), c.expected) << c.what;
}

TEST(ChromeLayout, MaximizedWindowHasNoResizeBorderAndOffersRestore) {
  ChromeState s = studio(1);
  s.maximized = true;
  const LayoutResult r = layout_chrome(1440, 900, 0, s);
  const HitZone* max = at(r, 1371, 22);
  ASSERT_NE(max, nullptr);
  EXPECT_EQ(max->kind, ZoneKind::Maximize);
  EXPECT_EQ(max->icon, 9);
  EXPECT_EQ(max->label, u"Restore");
  EXPECT_EQ(native_hit_test(r.zones, 0, 400, 1440, 900, 96, 0, false), kHtClient);
  EXPECT_EQ(native_hit_test(r.zones, 1000, 0, 1440, 900, 96, 0, false), kHtCaption);
}

TEST(ChromeLayout, OneTabStripPartsEachHitAtTheirCentres) {
  const LayoutResult r = layout_chrome(1440, 900, 5, studio(1));
  const HitZone* tab = first_of(r, ZoneKind::Tab);
  const HitZone* close = first_of(r, ZoneKind::TabClose);
  const HitZone* add = first_of(r, ZoneKind::NewTab);
  ASSERT_TRUE(tab && close && add);
  EXPECT_EQ(tab->rect(), (RectF{276, 11, 464, 49}));  // capped at 188 wide
  EXPECT_EQ(tab->value, 100);
  EXPECT_EQ(close->rect(), (RectF{441, 20, 459, 38}));
  EXPECT_EQ(close->value, 100);
  EXPECT_EQ(add->rect(), (RectF{470, 13, 498, 41}));
  EXPECT_FALSE(add->disabled);
  EXPECT_EQ(add->label, u"New tab (Ctrl+T)");
  EXPECT_EQ(kind_at(r, tab->rect().center_x() - 40, tab->rect().center_y()), ZoneKind::Tab);
  EXPECT_EQ(kind_at(r, close->rect().center_x(), close->rect().center_y()), ZoneKind::TabClose);
  EXPECT_EQ(kind_at(r, add->rect().center_x(), add->rect().center_y()), ZoneKind::NewTab);
  // The drag gap right of the new-tab button.
  EXPECT_EQ(at(r, 540, 25), nullptr);
  EXPECT_EQ(native_hit_test(r.zones, 540, 25, 1440, 900, 96, 5, false), kHtCaption);
}

TEST(ChromeLayout, ThreeTabsEachHitThemselvesAndTheActiveOneIsWider) {
  ChromeState s = studio(3);
  s.tabs[0].active = false;
  s.tabs[1].active = true;
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  ASSERT_EQ(count_kind(r, ZoneKind::Tab), 3);
  ASSERT_EQ(count_kind(r, ZoneKind::TabClose), 3);
  for (const HitZone& z : r.zones) {
    if (z.kind != ZoneKind::Tab && z.kind != ZoneKind::TabClose) continue;
    const float x = z.kind == ZoneKind::Tab ? z.left + 10 : z.rect().center_x();
    const HitZone* hit = at(r, x, z.rect().center_y());
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->kind, z.kind);
    EXPECT_EQ(hit->value, z.value);
    if (z.kind == ZoneKind::Tab) {
      EXPECT_FLOAT_EQ(z.width(), 188);  // 805 / 3 is over the cap
    }
  }
}

TEST(ChromeLayout, EightTabsKeepTheDragGapAndDisableNewTab) {
  for (float width : {1440.0f, 960.0f}) {
    const LayoutResult r = layout_chrome(width, 900, 5, studio(8, true));
    const HitZone* add = first_of(r, ZoneKind::NewTab);
    const HitZone* find = first_of(r, ZoneKind::FindTool);
    ASSERT_TRUE(add && find) << width;
    EXPECT_TRUE(add->disabled) << width;
    EXPECT_EQ(add->label, u"Max 8 flikar öppna") << width;
    EXPECT_LE(add->right, find->left - 48 + 0.02f) << width;
    EXPECT_EQ(at(r, add->right + 24, add->rect().center_y()), nullptr) << width;
    EXPECT_EQ(cursor_for(r.zones, hit_test(r.zones, add->rect().center_x(), 25)),
              CursorKind::arrow);
  }
  // At 960 the active tab takes the extra width and the rest share what is left.
  const LayoutResult r = layout_chrome(960, 640, 5, studio(8));
  EXPECT_NEAR(r.zones[4].width(), 37.25f + 27, 0.01);  // brand, 3 nav, then the active tab
  EXPECT_NEAR(r.zones[6].width(), 37.25f, 0.01);
}

TEST(ChromeLayout, NarrowTabsLoseTheCloseBoxAndNewTabDisappears) {
  // At 700 the strip is 65 wide: only the active tab (9.5 + 27) keeps its close box.
  const LayoutResult r700 = layout_chrome(700, 600, 5, studio(4));
  EXPECT_EQ(count_kind(r700, ZoneKind::TabClose), 1);
  EXPECT_EQ(count_kind(r700, ZoneKind::NewTab), 1);
  // At 600 there is no strip left: tabs shrink to zero and the button cannot keep its gap.
  const LayoutResult r = layout_chrome(600, 600, 5, studio(4));
  EXPECT_EQ(count_kind(r, ZoneKind::Tab), 4);
  EXPECT_EQ(count_kind(r, ZoneKind::TabClose), 0);
  EXPECT_EQ(count_kind(r, ZoneKind::NewTab), 0);
  for (const HitZone& z : r.zones) EXPECT_GE(z.width(), 0) << static_cast<int>(z.kind);
}

TEST(ChromeLayout, WebContentRectangles) {
  struct Case {
    int dpi, inset;
    bool expanded, fullscreen;
    PixelRect expected;
  };
  const Case cases[] = {
      {96, 5, false, false, {69, 49, 1435, 867}},   {96, 5, true, false, {225, 49, 1435, 867}},
      {144, 8, false, false, {104, 74, 1432, 850}}, {144, 8, true, false, {338, 74, 1432, 850}},
      {96, 0, false, false, {64, 44, 1440, 872}},   {144, 0, true, false, {330, 66, 1440, 858}},
      {96, 0, false, true, {0, 0, 1440, 900}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(web_content_rect(1440, 900, c.dpi, c.inset, c.expanded, c.fullscreen), c.expected)
        << c.dpi << " dpi, inset " << c.inset << (c.expanded ? " expanded" : " compact");
  }
  // Never inverted on a tiny client.
  const PixelRect tiny = web_content_rect(10, 10, 96, 5, true, false);
  EXPECT_GE(tiny.right, tiny.left);
  EXPECT_GE(tiny.bottom, tiny.top);
}

TEST(ChromeLayout, DpiScalesInsetAndNativeAnswers) {
  struct Case {
    int dpi, inset_px;
  };
  for (const Case c : {Case{96, 5}, Case{144, 8}, Case{192, 10}}) {
    EXPECT_EQ(frame_inset_px(c.dpi, false, false), c.inset_px) << c.dpi;
    EXPECT_EQ(frame_inset_px(c.dpi, true, false), 0) << c.dpi;
    EXPECT_EQ(frame_inset_px(c.dpi, false, true), 0) << c.dpi;
    const int w = 1440 * c.dpi / 96;
    const int h = 900 * c.dpi / 96;
    const float inset = px_to_dip(static_cast<float>(c.inset_px), c.dpi);
    const LayoutResult r = layout_chrome(px_to_dip(static_cast<float>(w), c.dpi),
                                         px_to_dip(static_cast<float>(h), c.dpi), inset, studio(1));
    const HitZone* max = first_of(r, ZoneKind::Maximize);
    ASSERT_NE(max, nullptr);
    EXPECT_NEAR(max->right, 1440 - inset - 46, 0.01) << c.dpi;
    auto px = [&](float dip) { return static_cast<int>(dip * static_cast<float>(c.dpi) / 96); };
    EXPECT_EQ(native_hit_test(r.zones, px(max->rect().center_x()), px(25), w, h, c.dpi, c.inset_px,
                              false),
              kHtMaxButton)
        << c.dpi;
    EXPECT_EQ(native_hit_test(r.zones, px(1000), px(25), w, h, c.dpi, c.inset_px, false),
              kHtCaption)
        << c.dpi;
    EXPECT_EQ(native_hit_test(r.zones, px(1412), px(25), w, h, c.dpi, c.inset_px, false), kHtClient)
        << c.dpi;
    EXPECT_EQ(native_hit_test(r.zones, 0, h / 2, w, h, c.dpi, c.inset_px, false), kHtLeft) << c.dpi;
  }
  EXPECT_EQ(frame_inset_px(0, false, false), 5);
  EXPECT_FLOAT_EQ(px_to_dip(150, 0), 150);
}

TEST(ChromeLayout, FullscreenHasNoChromeZones) {
  ChromeState s = studio(1);
  s.fullscreen = true;
  const LayoutResult r = layout_chrome(1440, 900, 0, s);
  EXPECT_EQ(at(r, 1412, 25), nullptr);
  EXPECT_EQ(at(r, 37, 69), nullptr);
  EXPECT_EQ(r.mode, ChromeMode::fullscreen);
  EXPECT_EQ(r.content, (RectF{0, 0, 1440, 900}));
  EXPECT_EQ(native_hit_test(r.zones, 1000, 25, 1440, 900, 96, 0, true), kHtClient);
}

TEST(ChromeLayout, AuthFlowShowsOnlyItsBarAndCaption) {
  ChromeState s = studio(1);
  s.auth_flow = true;
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(r.mode, ChromeMode::auth_flow);
  const HitZone* back = first_of(r, ZoneKind::BackToSignIn);
  const HitZone* offline = first_of(r, ZoneKind::TryOffline);
  ASSERT_TRUE(back && offline);
  EXPECT_EQ(back->rect(), (RectF{177, 13, 281, 41}));
  EXPECT_EQ(back->index, 110);
  EXPECT_EQ(offline->index, 111);
  EXPECT_EQ(count_kind(r, ZoneKind::Tab) + count_kind(r, ZoneKind::SidebarToggle) +
                count_kind(r, ZoneKind::OpenTool) + count_kind(r, ZoneKind::PaletteRow),
            0);
  EXPECT_EQ(r.zones.size(), 6u);
  // Too narrow for the second button.
  EXPECT_EQ(count_kind(layout_chrome(600, 500, 5, s), ZoneKind::TryOffline), 0);
  EXPECT_EQ(count_kind(layout_chrome(800, 500, 5, s), ZoneKind::TryOffline), 1);
}

TEST(ChromeLayout, UpdateSceneLeavesOnlyTheCaptionButtons) {
  ChromeState s = studio(3);
  s.update_scene = true;
  s.available_version = u"1.9.5";
  s.palette_open = true;
  s.active_tab_is_launcher = true;
  for (bool settings : {false, true}) {
    s.settings_open = settings;
    const LayoutResult r = layout_chrome(1440, 900, 5, s);
    ASSERT_EQ(r.zones.size(), 4u) << settings;
    EXPECT_EQ(r.zones[0].kind, ZoneKind::Fullscreen);
    EXPECT_EQ(r.zones[3].kind, ZoneKind::CloseWindow);
  }
}

TEST(ChromeLayout, UpdatePillMovesBetweenTitleAndStatusBar) {
  ChromeState s = studio(1, true);
  s.update_ready = true;
  s.available_version = u"1.9.5";
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  const HitZone* pill = first_of(r, ZoneKind::RestartToUpdate);
  ASSERT_NE(pill, nullptr);
  EXPECT_EQ(pill->rect(), (RectF{1047, 13, 1155, 41}));
  EXPECT_EQ(pill->label, u"Starta om & uppdatera till v1.9.5");
  EXPECT_EQ(count_kind(r, ZoneKind::UpdatePill), 0);

  // Icon-only pill once the strip is short of room.
  r = layout_chrome(700, 600, 5, s);
  pill = first_of(r, ZoneKind::RestartToUpdate);
  ASSERT_NE(pill, nullptr);
  EXPECT_FLOAT_EQ(pill->width(), 30);

  // No room at all in the title bar: the status bar carries it.
  r = layout_chrome(600, 600, 5, s);
  EXPECT_EQ(count_kind(r, ZoneKind::RestartToUpdate), 0);
  pill = first_of(r, ZoneKind::UpdatePill);
  ASSERT_NE(pill, nullptr);
  EXPECT_EQ(pill->rect(), (RectF{368, 570, 583, 592}));
  EXPECT_EQ(pill->label, u"↑ Starta om & uppdatera v1.9.5");

  s.update_ready = false;
  r = layout_chrome(1440, 900, 5, s);
  pill = first_of(r, ZoneKind::UpdatePill);
  ASSERT_NE(pill, nullptr);
  EXPECT_FLOAT_EQ(pill->width(), 138);
  EXPECT_EQ(pill->label, u"Uppdatering v1.9.5");
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, pill->rect().center_x(), 880), s, 5), u"");
}

TEST(ChromeLayout, OfflinePillWidthFollowsTheLanguage) {
  ChromeState s = studio(1, true);
  s.offline_mode = true;
  const LayoutResult rs = layout_chrome(1440, 900, 5, s);
  const HitZone* sv = first_of(rs, ZoneKind::BackToSignIn);
  ASSERT_NE(sv, nullptr);
  EXPECT_FLOAT_EQ(sv->width(), 156);
  s.ui_swedish = false;
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  const HitZone* en = first_of(r, ZoneKind::BackToSignIn);
  ASSERT_NE(en, nullptr);
  EXPECT_FLOAT_EQ(en->width(), 132);
  EXPECT_EQ(en->label, u"Offline · Sign in");
}

TEST(ChromeLayout, SidebarToggleAndGearFollowTheRailWidth) {
  ChromeState s = studio(1);
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(kind_at(r, 37, 69), ZoneKind::SidebarToggle);
  const HitZone* toggle = first_of(r, ZoneKind::SidebarToggle);
  EXPECT_EQ(toggle->rect(), (RectF{13, 55, 61, 83}));
  EXPECT_EQ(toggle->label, u"Expand sidebar (Ctrl+B)");
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 37, 69), s, 5), toggle->label);
  const HitZone* gear = first_of(r, ZoneKind::SettingsToggle);
  ASSERT_NE(gear, nullptr);
  EXPECT_EQ(gear->rect(), (RectF{13, 825, 61, 860}));
  // Compact rail rows show their tooltip.
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 37, 840), s, 5), u"Settings (Ctrl+,)");

  s.sidebar_expanded = true;
  r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(first_of(r, ZoneKind::SidebarToggle)->right, 5 + 220 - 8);
  EXPECT_EQ(first_of(r, ZoneKind::SidebarToggle)->label, u"Collapse sidebar (Ctrl+B)");
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 37, 840), s, 5), u"");
  EXPECT_EQ(r.content.left, 225);
  // An animated width wins over the target.
  s.rail_width = 120;
  EXPECT_EQ(layout_chrome(1440, 900, 5, s).content.left, 125);
}

TEST(ChromeLayout, SettingsOverlayReplacesTheRail) {
  ChromeState s = studio(1);
  s.settings_open = true;
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(r.mode, ChromeMode::settings);
  EXPECT_EQ(count_kind(r, ZoneKind::SidebarToggle), 0);
  EXPECT_EQ(count_kind(r, ZoneKind::SettingsToggle), 0);
  EXPECT_EQ(count_kind(r, ZoneKind::Tab), 1);
}

TEST(ChromeLayout, TooltipsShowForTitleBarZonesExceptMaximize) {
  const ChromeState s = studio(1);
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 1412, 25), s, 5), u"Close");
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 1366, 25), s, 5), u"");
  EXPECT_EQ(tooltip_for(r.zones, hit_test(r.zones, 182, 25), s, 5), u"Back (Alt+←)");
  EXPECT_EQ(tooltip_for(r.zones, -1, s, 5), u"");
  EXPECT_EQ(tooltip_for(r.zones, 999, s, 5), u"");
  // Disabled back button: arrow cursor; reload is never disabled.
  EXPECT_EQ(cursor_for(r.zones, hit_test(r.zones, 182, 25)), CursorKind::arrow);
  EXPECT_EQ(cursor_for(r.zones, hit_test(r.zones, 244, 25)), CursorKind::hand);
  EXPECT_EQ(cursor_for(r.zones, -1), CursorKind::arrow);
}

TEST(ChromeLayout, WelcomeZonesAreDistinctAndAbsentWhileChecking) {
  ChromeState s;
  s.welcome_gate = true;
  s.ui_swedish = true;
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(r.mode, ChromeMode::welcome);
  EXPECT_EQ(r.welcome, (RectF{5, 49, 1435, 895}));
  const ZoneKind kinds[] = {ZoneKind::SignInDiscord, ZoneKind::SignInEmail, ZoneKind::TryOffline,
                            ZoneKind::LanguageToggle};
  std::vector<const HitZone*> found;
  for (ZoneKind k : kinds) {
    const HitZone* z = first_of(r, k);
    ASSERT_NE(z, nullptr) << static_cast<int>(k);
    EXPECT_EQ(kind_at(r, z->rect().center_x(), z->rect().center_y()), k);
    found.push_back(z);
  }
  for (size_t i = 1; i < found.size(); ++i) EXPECT_GT(found[i]->top, found[i - 1]->bottom);
  EXPECT_EQ(found[0]->index, 100);
  EXPECT_EQ(found[3]->index, 103);
  EXPECT_EQ(found[3]->label, u"Svenska  ·  Switch to English");
  // y0 = cy - 224 = 248; half width (436 - 64) / 2.
  EXPECT_EQ(found[0]->rect(), (RectF{534, 444, 906, 490}));
  EXPECT_EQ(count_kind(r, ZoneKind::CloseWindow), 1);

  s.welcome_checking = true;
  r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(r.zones.size(), 4u);  // caption buttons only

  s.welcome_checking = false;
  s.fullscreen = true;
  EXPECT_EQ(layout_chrome(279, 900, 0, s).zones.size(), 0u);
  EXPECT_EQ(layout_chrome(280, 319, 0, s).zones.size(), 0u);
  EXPECT_EQ(layout_chrome(280, 320, 0, s).zones.size(), 4u);
}

TEST(ChromeLayout, CrashCardOffersReloadUnlessThePaletteIsOpen) {
  ChromeState s = studio(1);
  s.active_tab_stalled = true;
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  const HitZone* reload = first_of(r, ZoneKind::ReloadWorkspace);
  ASSERT_NE(reload, nullptr);
  const float cx = (69 + 1435) / 2.0f;
  const float cy = (49 + 867) / 2.0f;
  EXPECT_EQ(reload->rect(), (RectF{cx - 82, cy + 66, cx + 82, cy + 106}));
  EXPECT_EQ(reload->index, 11);
  s.palette_open = true;
  r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(count_kind(r, ZoneKind::ReloadWorkspace), 0);
  // Too narrow a content area.
  s.palette_open = false;
  EXPECT_EQ(count_kind(layout_chrome(400, 600, 5, s), ZoneKind::ReloadWorkspace), 0);
}

TEST(ChromeLayout, RelayoutClampsEveryScrollOffset) {
  ChromeState s = studio(1);
  s.rail_scroll = 500;
  s.rail_scroll_target = 600;
  s.palette_scroll = -3;
  s.settings_scroll = 4000;
  s.settings_scroll_target = 4000;
  const LayoutResult r = relayout_chrome(1440, 900, 5, s);
  EXPECT_LE(s.rail_scroll, r.rail_max_scroll);
  EXPECT_LE(s.rail_scroll_target, r.rail_max_scroll);
  EXPECT_EQ(s.palette_scroll, 0);
  EXPECT_LE(s.settings_scroll, r.settings_max_scroll);
  EXPECT_LE(s.settings_scroll_target, r.settings_max_scroll);
}

TEST(ChromeLayout, TinyAndZeroSizesStayWellFormed) {
  std::vector<ChromeState> states;
  states.push_back(studio(8));
  ChromeState w;
  w.welcome_gate = true;
  states.push_back(w);
  ChromeState a = studio(2);
  a.auth_flow = true;
  states.push_back(a);
  ChromeState p = studio(3);
  p.palette_open = true;
  p.active_tab_is_launcher = true;
  p.update_ready = true;
  p.available_version = u"2.0.0";
  states.push_back(p);
  ChromeState st = studio(1);
  st.settings_open = true;
  states.push_back(st);
  ChromeState f = studio(1);
  f.fullscreen = true;
  f.active_tab_stalled = true;
  states.push_back(f);
  for (ChromeState& s : states) {
    for (float size : {0.0f, 1.0f, 9.0f, 40.0f, 120.0f, 300.0f}) {
      for (float inset : {0.0f, 5.0f}) {
        const LayoutResult r = relayout_chrome(size, size * 0.75f, inset, s);
        for (const HitZone& z : r.zones) {
          EXPECT_GE(z.width(), 0) << size << " kind " << static_cast<int>(z.kind);
          EXPECT_GE(z.height(), 0) << size << " kind " << static_cast<int>(z.kind);
        }
        EXPECT_GE(r.rail_max_scroll, 0);
        EXPECT_GE(r.settings_max_scroll, 0);
        EXPECT_GE(r.palette_max_scroll, 0);
        (void)hit_test(r.zones, size / 2, size / 2);
        (void)native_hit_test(r.zones, 0, 0, static_cast<int>(size), static_cast<int>(size), 96, 5,
                              s.fullscreen);
      }
    }
  }
}

TEST(ChromeLayout, CompactRailMarksTheCurrentTool) {
  ChromeState s = studio(1);
  s.current_path = u"/sv/editor";
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(kind_at(r, 37, 69), ZoneKind::SidebarToggle);
  const HitZone* row = at(r, 37, 110);
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(row->kind, ZoneKind::OpenTool);
  EXPECT_EQ(row->payload, u"/editor");
  EXPECT_TRUE(row->active);
  EXPECT_TRUE(row->rail_item);
  EXPECT_FLOAT_EQ(r.rail_active_anchor, 91 + 20);
  // Compact: the six core rows and the four library rows, then the pinned account and gear.
  int rows = 0;
  for (const HitZone& z : r.zones) rows += z.kind == ZoneKind::OpenTool && z.rail_item;
  EXPECT_EQ(rows, 11);
  EXPECT_EQ(r.rail_max_scroll, 0);
  const HitZone* account = at(r, 37, 800);
  ASSERT_NE(account, nullptr);
  EXPECT_EQ(account->payload, u"/account");
  EXPECT_EQ(account->rect(), (RectF{13, 787, 61, 822}));
}

TEST(ChromeLayout, CtrlClickOnARailRowOpensANewTab) {
  ChromeState s = studio(1);
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  PointerState p;
  left_press(p, r, s, 37, 153);
  const ZoneAction a = left_release(p, r.zones, 37, 153, true);
  EXPECT_EQ(a.kind, ActionKind::open_tool);
  EXPECT_EQ(a.payload, u"/vehicles/editor");
  EXPECT_TRUE(a.new_tab);
}

TEST(ChromeLayout, ExpandedRailListsEveryToolUnderItsGroupAndScrolls) {
  ChromeState s = studio(1, true);
  s.sidebar_expanded = true;
  s.current_path = u"/vehicles/wheels";
  LayoutResult r = layout_chrome(1440, 900, 5, s);
  ASSERT_GE(r.rail_headings.size(), 8u);
  EXPECT_EQ(r.rail_headings[0].text, u"STUDIO");
  EXPECT_EQ(r.rail_headings[1].text, u"BIBLIOTEK");
  EXPECT_EQ(r.rail_headings[2].text, u"Konto");
  EXPECT_EQ(r.rail_headings[3].text, u"Fordon");
  EXPECT_GT(r.rail_max_scroll, 0);
  // Both the Wheels row and the Vehicle Studio row light up (on a window tall enough for all).
  int active = 0;
  for (const HitZone& z : layout_chrome(1440, 2200, 5, s).zones) active += z.rail_item && z.active;
  EXPECT_EQ(active, 2);
  // Rows are clipped to the list; nothing reaches the pinned rows.
  for (const HitZone& z : r.zones) {
    if (!z.rail_item || z.kind != ZoneKind::OpenTool || z.payload == u"/account") continue;
    EXPECT_GE(z.top, r.rail_list.top) << to_utf8(z.label);
    EXPECT_LE(z.bottom, r.rail_list.bottom) << to_utf8(z.label);
    EXPECT_GE(z.height(), 12) << to_utf8(z.label);
  }
  // Scrolled past the end, the relayout brings it back to the maximum.
  s.rail_scroll = 5000;
  s.rail_scroll_target = 5000;
  r = relayout_chrome(1440, 900, 5, s);
  EXPECT_FLOAT_EQ(s.rail_scroll, r.rail_max_scroll);
  EXPECT_FLOAT_EQ(s.rail_scroll_target, r.rail_max_scroll);
  bool last_visible = false;
  for (const HitZone& z : r.zones) last_visible |= z.payload == u"/tools/server-hub";
  EXPECT_TRUE(last_visible);
}

TEST(ChromeLayout, RailAndPaletteRowsShareTheCatalogIcons) {
  ChromeState s = studio(1);
  s.sidebar_expanded = true;
  const LayoutResult rail = layout_chrome(1440, 2200, 5, s);
  s.palette_open = true;
  s.query = u"/vehicles/";
  const LayoutResult palette = layout_chrome(1440, 2200, 5, s);
  int vehicle_rows = 0;
  int palette_matches = 0;
  for (const HitZone& z : rail.zones) {
    if (!z.rail_item || !z.payload.starts_with(u"/vehicles/")) continue;
    EXPECT_EQ(z.icon, 12) << to_utf8(z.payload);
    ++vehicle_rows;
    for (const HitZone& p : palette.zones) {
      if (p.palette_row && p.payload == z.payload) {
        EXPECT_EQ(p.icon, z.icon) << to_utf8(z.payload);
        ++palette_matches;
      }
    }
  }
  EXPECT_EQ(vehicle_rows, 10);  // the studio row and every "Fordon" row under /vehicles/
  EXPECT_GE(palette_matches, 8);
}

TEST(ChromeLayout, LauncherHasSearchSixCardsAndFourLinks) {
  ChromeState s = studio(1, true);
  s.active_tab_is_launcher = true;
  const LayoutResult r = layout_chrome(960, 640, 5, s);
  std::vector<int> seen;
  for (const HitZone& z : r.zones) {
    if (z.index < 0 || z.index > 11) continue;
    const HitZone* hit = at(r, z.rect().center_x(), z.rect().center_y());
    ASSERT_NE(hit, nullptr) << z.index;
    EXPECT_EQ(hit->index, z.index);
    seen.push_back(z.index);
  }
  ASSERT_EQ(seen.size(), 11u);
  for (int i = 0; i <= 10; ++i) EXPECT_EQ(seen[static_cast<size_t>(i)], i);
  const HitZone* fivem = nullptr;
  for (const HitZone& z : r.zones)
    if (z.index == 8) fivem = &z;
  ASSERT_NE(fivem, nullptr);
  EXPECT_EQ(fivem->label, u"FiveM-meny (FREE)");
  EXPECT_EQ(fivem->payload, u"/fivem-menu");
  // Content (69, 49, 955, 607): usable 838, top max((49 + 607 - 416) / 2, 69) = 120.
  const HitZone* card1 = nullptr;
  for (const HitZone& z : r.zones)
    if (z.index == 1) card1 = &z;
  EXPECT_EQ(card1->rect(), (RectF{93, 278, 93 + (838 - 24) / 3.0f, 376}));
  EXPECT_EQ(card1->payload, u"/editor");
  // Below 300 usable width: nothing.
  EXPECT_EQ(count_kind(layout_chrome(410, 640, 5, s), ZoneKind::OpenTool), 11);  // rail only
}

TEST(ChromeLayout, PaletteRowsLieOnTopInFilterOrder) {
  ChromeState s = studio(1);
  s.active_tab_is_launcher = true;
  s.palette_open = true;
  s.query = u"fordon";
  s.selection = 1;
  const LayoutResult r = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(count_kind(r, ZoneKind::FindTool), 1);  // the launcher search is gone under it
  const HitZone* first = first_of(r, ZoneKind::PaletteRow);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->payload, u"/vehicles/editor");
  EXPECT_EQ(first->row_index, 0);
  EXPECT_FALSE(first->active);
  EXPECT_EQ(r.zones.back().kind, ZoneKind::PaletteRow);
  EXPECT_EQ(r.palette_result_count, 12);
  EXPECT_EQ(kind_at(r, first->rect().center_x(), first->rect().center_y()), ZoneKind::PaletteRow);
  EXPECT_FLOAT_EQ(first->left, r.palette_panel.left + 8);
  EXPECT_FLOAT_EQ(first->right, r.palette_panel.right - 12);
  int selected = 0;
  for (const HitZone& z : r.zones) selected += z.palette_row && z.active;
  EXPECT_EQ(selected, 1);
}

}  // namespace
}  // namespace vantiro::chrome
