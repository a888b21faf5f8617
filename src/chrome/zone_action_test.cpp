#include "chrome/zone_action.h"

#include <gtest/gtest.h>

namespace vantiro::chrome {
namespace {

HitZone make(float l, float t, float r, float b, ZoneKind k, std::u16string payload = {},
             int value = 0) {
  HitZone z = zone_at(l, t, r, b, k);
  z.payload = std::move(payload);
  z.value = value;
  return z;
}

TEST(ZoneAction, EveryKindMapsToItsAction) {
  struct Case {
    ZoneKind kind;
    ActionKind action;
    bool closes_settings;
  };
  const Case cases[] = {
      {ZoneKind::Brand, ActionKind::open_route, true},
      {ZoneKind::Back, ActionKind::go_back, false},
      {ZoneKind::FindTool, ActionKind::open_palette, false},
      {ZoneKind::SettingsOpenPalette, ActionKind::open_palette, false},
      {ZoneKind::Maximize, ActionKind::toggle_maximize, false},
      {ZoneKind::UpdatePill, ActionKind::apply_update, false},
      {ZoneKind::RestartToUpdate, ActionKind::apply_update, false},
      {ZoneKind::OpenTool, ActionKind::open_tool, true},
      {ZoneKind::Tab, ActionKind::switch_tab, true},
      {ZoneKind::NewTab, ActionKind::new_tab, true},
      {ZoneKind::TabClose, ActionKind::close_tab, false},
      {ZoneKind::ReloadWorkspace, ActionKind::restart_tab, false},
      {ZoneKind::BackToSignIn, ActionKind::back_to_sign_in, false},
      {ZoneKind::SettingsToggle, ActionKind::toggle_settings, false},
      {ZoneKind::SettingsReloadTabs, ActionKind::reload_all_tabs, true},
      {ZoneKind::SettingsClearFolder, ActionKind::clear_fivem_folder, false},
      {ZoneKind::None, ActionKind::none, false},
  };
  for (const Case& c : cases) {
    const ZoneAction a = dispatch_zone_action(c.kind, u"/x", 7, false);
    EXPECT_EQ(a.kind, c.action) << static_cast<int>(c.kind);
    EXPECT_EQ(a.closes_settings, c.closes_settings) << static_cast<int>(c.kind);
  }
  // The brand always opens the start route in the same tab.
  const ZoneAction brand = dispatch_zone_action(ZoneKind::Brand, u"", 0, true);
  EXPECT_EQ(brand.payload, u"/");
  EXPECT_FALSE(brand.new_tab);
}

TEST(ZoneAction, PressAndReleaseOnTheSameZoneRunsItWithCtrlAsNewTab) {
  LayoutResult l;
  l.zones = {make(0, 0, 100, 40, ZoneKind::OpenTool, u"/editor"),
             make(0, 50, 100, 90, ZoneKind::OpenTool, u"/projects")};
  ChromeState s;
  PointerState p;
  EXPECT_TRUE(left_press(p, l, s, 50, 20).capture);
  const ZoneAction a = left_release(p, l.zones, 60, 30, true);
  EXPECT_EQ(a.kind, ActionKind::open_tool);
  EXPECT_EQ(a.payload, u"/editor");
  EXPECT_TRUE(a.new_tab);
  EXPECT_FALSE(p.pressed.has_value());

  // Press on one zone, release on another: nothing.
  left_press(p, l, s, 50, 20);
  EXPECT_EQ(left_release(p, l.zones, 50, 70, false).kind, ActionKind::none);
  // Release without a press: nothing.
  EXPECT_EQ(left_release(p, l.zones, 50, 20, false).kind, ActionKind::none);
}

TEST(ZoneAction, ThePressSurvivesARelayoutThatMovesItsZone) {
  LayoutResult l;
  l.zones = {make(0, 0, 100, 40, ZoneKind::Tab, u"", 3)};
  ChromeState s;
  PointerState p;
  left_press(p, l, s, 10, 10);
  // A relayout put another tab first; the pressed tab moved and keeps its id.
  std::vector<HitZone> after = {make(0, 0, 50, 40, ZoneKind::Tab, u"", 9),
                                make(50, 0, 100, 40, ZoneKind::Tab, u"", 3)};
  EXPECT_EQ(left_release(p, after, 10, 10, false).kind, ActionKind::none);  // now tab 9
  left_press(p, l, s, 10, 10);
  const ZoneAction a = left_release(p, after, 70, 10, false);
  EXPECT_EQ(a.kind, ActionKind::switch_tab);
  EXPECT_EQ(a.value, 3);
}

TEST(ZoneAction, DisabledZonesIgnorePressAndRelease) {
  LayoutResult l;
  l.zones = {make(0, 0, 100, 40, ZoneKind::NewTab)};
  l.zones[0].disabled = true;
  ChromeState s;
  PointerState p;
  EXPECT_FALSE(left_press(p, l, s, 10, 10).capture);
  EXPECT_EQ(left_release(p, l.zones, 10, 10, false).kind, ActionKind::none);
}

TEST(ZoneAction, PressOnNothingOutsideTheOpenPaletteClosesIt) {
  LayoutResult l;
  l.palette_panel = {100, 100, 500, 400};
  ChromeState s;
  s.palette_open = true;
  PointerState p;
  EXPECT_TRUE(left_press(p, l, s, 50, 50).close_palette);
  EXPECT_FALSE(left_press(p, l, s, 200, 200).close_palette);  // inside the panel
  s.palette_open = false;
  EXPECT_FALSE(left_press(p, l, s, 50, 50).close_palette);
}

TEST(ZoneAction, MiddleReleaseOpensRowsInANewTabAndClosesTabs) {
  const std::vector<HitZone> zones = {make(0, 0, 100, 40, ZoneKind::Tab, u"", 4),
                                      make(70, 10, 90, 30, ZoneKind::TabClose, u"", 4),
                                      make(0, 50, 100, 90, ZoneKind::OpenTool, u"/gta"),
                                      make(0, 100, 100, 140, ZoneKind::PaletteRow, u"/docs"),
                                      make(0, 150, 100, 190, ZoneKind::Reload)};
  ZoneAction a = middle_release(zones, 10, 10);
  EXPECT_EQ(a.kind, ActionKind::close_tab);
  EXPECT_EQ(a.value, 4);
  EXPECT_EQ(middle_release(zones, 80, 20).kind, ActionKind::close_tab);
  a = middle_release(zones, 10, 70);
  EXPECT_EQ(a.kind, ActionKind::open_tool);
  EXPECT_TRUE(a.new_tab);
  a = middle_release(zones, 10, 120);
  EXPECT_EQ(a.kind, ActionKind::open_palette_row);
  EXPECT_TRUE(a.new_tab);
  EXPECT_EQ(middle_release(zones, 10, 170).kind, ActionKind::none);
  EXPECT_EQ(middle_release(zones, 500, 500).kind, ActionKind::none);
}

TEST(ZoneAction, WheelGoesToTheAreaUnderThePointer) {
  ChromeState s;
  LayoutResult l = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(wheel_target(l, s, 30, 300), WheelTarget::rail);
  EXPECT_EQ(wheel_target(l, s, 30, 20), WheelTarget::none);  // title bar
  EXPECT_EQ(wheel_target(l, s, 600, 300), WheelTarget::none);
  s.palette_open = true;
  l = layout_chrome(1440, 900, 5, s);
  EXPECT_EQ(wheel_target(l, s, l.palette_panel.center_x(), l.palette_panel.center_y()),
            WheelTarget::palette);
  s.fullscreen = true;
  s.palette_open = false;
  l = layout_chrome(1440, 900, 0, s);
  EXPECT_EQ(wheel_target(l, s, 30, 300), WheelTarget::none);
  EXPECT_FLOAT_EQ(wheel_distance(-120), 90);
  EXPECT_FLOAT_EQ(wheel_distance(240), -180);
}

}  // namespace
}  // namespace vantiro::chrome
