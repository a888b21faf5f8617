#include "chrome/tool_catalog.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "common/utf.h"
#include "web/url_test_support.h"

namespace vantiro {
namespace {

using testing_support::with_host;

TEST(ToolCatalog, HasTheFixedShapeTheRailLauncherAndShortcutsRelyOn) {
  const auto catalog = tool_catalog();
  ASSERT_EQ(catalog.size(), 46u);
  std::set<std::u16string_view> routes;
  int app_routes = 0;
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    const ToolEntry& e = catalog[i];
    const std::string msg = std::to_string(i + 1) + " " + to_utf8(e.route);
    EXPECT_TRUE(routes.insert(e.route).second) << msg;
    EXPECT_EQ(e.core, i < 6) << msg;
    EXPECT_EQ(e.library, i >= 6 && i < 10) << msg;
    EXPECT_EQ(e.account, e.route == u"/account") << msg;
    EXPECT_EQ(e.core, e.group_en == u"Studio") << msg;
    EXPECT_EQ(e.library, e.group_sv == u"Bibliotek") << msg;
    EXPECT_FALSE(e.label_sv.empty() || e.label_en.empty() || e.group_sv.empty() ||
                 e.group_en.empty())
        << msg;
    if (e.route.substr(0, 4) == u"app:") {
      ++app_routes;
      EXPECT_EQ(e.group_sv, u"App") << msg;
      EXPECT_NE(tool_action_for_route(e.route), ToolAction::none) << msg;
    } else {
      ASSERT_FALSE(e.route.empty()) << msg;
      EXPECT_EQ(e.route.front(), u'/') << msg;
      EXPECT_EQ(tool_action_for_route(e.route), ToolAction::open_route) << msg;
      // Every service row is found again from its own address in both languages.
      for (bool swedish : {true, false}) {
        const auto address = tool_route_address(e.route, swedish);
        ASSERT_TRUE(address.has_value()) << msg;
        EXPECT_EQ(tool_for_path(address->substr(with_host(u"https://{H}").size())), &e) << msg;
      }
    }
  }
  EXPECT_EQ(app_routes, 5);
}

TEST(ToolCatalog, CarriesTheBadgesAndTheRowsTheChromeNamesDirectly) {
  const auto catalog = tool_catalog();
  for (const ToolEntry& e : catalog) {
    if (e.route == u"/tools/ai-prop") {
      EXPECT_EQ(e.badge, u"AI");
    } else if (e.route == u"/fivem-menu") {
      EXPECT_EQ(e.badge, u"FREE");
    } else {
      EXPECT_TRUE(e.badge.empty()) << to_utf8(e.route);
    }
  }
  EXPECT_EQ(catalog[15].route, u"/vehicles/boat");
  EXPECT_EQ(catalog[15].label().pick(true), u"B\u00E5t");
  EXPECT_EQ(catalog[15].label().pick(false), u"Boat");
  EXPECT_EQ(catalog[23].group().pick(true), u"Peds & kl\u00E4der");
  EXPECT_EQ(catalog[44].route, u"app:legal");
  EXPECT_EQ(catalog[44].label_sv, u"Villkor, integritet och \u00E5ngerr\u00E4tt");
  EXPECT_EQ(catalog[45].label_en, u"Switch language (Swedish / English)");
  EXPECT_EQ(catalog[45].icon, 23);
}

TEST(StudioShortcut, DigitsOneToSixOpenTheCoreToolsInOrder) {
  const std::u16string_view expected[] = {u"/editor",         u"/vehicles/editor",
                                          u"/weapons/editor", u"/tools/sounds",
                                          u"/tools/ai-prop",  u"/tools/retexture"};
  for (int n = 1; n <= 6; ++n) {
    const ToolEntry* e = studio_shortcut_tool(48 + n);
    ASSERT_NE(e, nullptr) << n;
    EXPECT_EQ(e->route, expected[n - 1]) << n;
  }
  // 0, 7, K, R, F5, F11, the comma key and the numeric-keypad 1
  for (int key : {0x30, 0x37, 0x4B, 0x52, 0x74, 0x7A, 0xBC, 0x61, 0, -1}) {
    EXPECT_EQ(studio_shortcut_tool(key), nullptr) << key;
  }
}

TEST(NormalizeToolPath, DropsTheLanguagePrefixAndMapsTheLanguageRootToTheEditor) {
  struct Case {
    std::u16string_view path;
    std::u16string_view normalized;
  };
  const Case cases[] = {
      {u"/sv/editor", u"/editor"},
      {u"/en/vehicles/editor?tool=stance", u"/vehicles/editor?tool=stance"},
      {u"/sv", u"/editor"},
      {u"/en", u"/editor"},
      {u"", u"/editor"},
      {u"/", u"/"},
      {u"/sv/", u"/"},
      {u"/fr/editor", u"/fr/editor"},
      {u"/SV/editor", u"/SV/editor"},
      {u"/svx", u"/svx"},
      {u"/sv?x", u"/sv?x"},
      {u"/sv/sv/editor", u"/sv/editor"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(normalize_tool_path(c.path), c.normalized) << to_utf8(c.path);
  }
}

TEST(ToolForPath, FindsExactThenQuerylessThenLongestSegmentPrefix) {
  struct Case {
    std::u16string_view path;
    std::u16string_view route;  // empty: no row
  };
  const Case cases[] = {
      {u"/en/vehicles/editor?tool=stance", u"/vehicles/editor?tool=stance"},
      {u"/en/vehicles/editor?tool=stance#x", u"/vehicles/editor?tool=stance"},
      {u"/sv/vehicles/editor?tool=other", u"/vehicles/editor"},
      {u"/sv/vehicles/editor", u"/vehicles/editor"},
      {u"/sv/tools/sounds?file=test", u"/tools/sounds"},
      {u"/sv/tools/sounds/project/1", u"/tools/sounds"},
      {u"/en/fivem-menu#download", u"/fivem-menu"},
      {u"/sv/editor", u"/editor"},
      {u"/sv", u"/editor"},
      {u"", u"/editor"},
      {u"/sv/vehicles/wheels/front", u"/vehicles/wheels"},
      {u"/sv/vehicles/editor/x", u"/vehicles/editor"},
      {u"/sv/tools/soundsx", u""},
      {u"/sv/vehicles/unknown", u""},
      {u"/sv/vehicles", u""},
      {u"/", u""},
      {u"/sv/app:settings", u""},
      {u"app:settings", u"app:settings"},
      {u"/sv/account", u"/account"},
      {u"/sv/account/billing", u"/account"},
  };
  for (const auto& c : cases) {
    const ToolEntry* e = tool_for_path(c.path);
    if (c.route.empty()) {
      EXPECT_EQ(e, nullptr) << to_utf8(c.path) << " -> " << (e ? to_utf8(e->route) : "");
    } else {
      ASSERT_NE(e, nullptr) << to_utf8(c.path);
      EXPECT_EQ(e->route, c.route) << to_utf8(c.path);
    }
  }
}

TEST(TabIcon, ComesFromTheRowOrTheVehicleAndWeaponTrees) {
  struct Case {
    std::u16string_view path;
    int icon;
  };
  const Case cases[] = {
      {u"/sv/editor", 11},
      {u"/en/vehicles/editor?tool=stance", 12},
      {u"/sv/weapons/editor", 13},
      {u"/sv/tools/sounds?file=test", 14},
      {u"/en/fivem-menu#download", 18},
      {u"/sv/tools/ai-prop", 15},
      {u"/en/tools/retexture", 16},
      {u"/sv/vehicles/not-listed", 12},
      {u"/sv/weapons/not-listed", 13},
      {u"/sv/not-listed/at-all", 0},
      {u"/sv/vehicles", 0},
      {u"/", 0},
      {u"", 11},
      {u"/en/pricing", 21},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(tab_icon_for_path(c.path), c.icon) << to_utf8(c.path);
  }
}

TEST(RailItemActive, LightsTheRowAndItsStudioButNotLookAlikes) {
  struct Case {
    std::u16string_view current;
    std::u16string_view route;
    bool active;
  };
  const Case cases[] = {
      {u"/editor", u"/editor", true},
      {u"/editor/x", u"/editor", false},
      {u"/vehicles/wheels", u"/vehicles/wheels", true},
      {u"/vehicles/wheels", u"/vehicles/editor", true},
      {u"/vehicles-extra/editor", u"/vehicles/editor", false},
      {u"/vehicles-extra/editor", u"/vehicles/wheels", false},
      {u"/vehicles/editor?tool=stance", u"/vehicles/editor?tool=stance", true},
      {u"/vehicles/editor?tool=stance", u"/vehicles/editor", true},
      {u"/vehicles/editor", u"/vehicles/editor?tool=stance", false},
      {u"/weapons/editor", u"/weapons/editor", true},
      {u"/weapons/other", u"/weapons/editor", true},
      {u"/tools/weapon-skins", u"/weapons/editor", true},
      {u"/tools/weapon-skins", u"/tools/weapon-skins", true},
      {u"/tools/weapons", u"/weapons/editor", false},
      {u"/tools/sounds/clip", u"/tools/sounds", true},
      {u"/tools/soundsx", u"/tools/sounds", false},
      {u"/tools/sounds", u"/tools/sounds/clip", false},
      {u"/account", u"/account", true},
      {u"/account/billing", u"/account", true},
      {u"/", u"/editor", false},
      {u"/", u"/account", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(rail_item_active(c.current, c.route), c.active)
        << to_utf8(c.current) << " vs " << to_utf8(c.route);
  }
}

TEST(ToolRouteAddress, PutsTheRouteUnderTheLanguageBase) {
  EXPECT_EQ(tool_route_address(u"/vehicles/editor", true),
            with_host(u"https://{H}/sv/vehicles/editor"));
  EXPECT_EQ(tool_route_address(u"/vehicles/editor?tool=stance", false),
            with_host(u"https://{H}/en/vehicles/editor?tool=stance"));
  EXPECT_EQ(tool_route_address(u"/", true), with_host(u"https://{H}/sv/"));
  EXPECT_EQ(tool_route_address(u"app:settings", true), std::nullopt);
  EXPECT_EQ(tool_route_address(u"vehicles/editor", true), std::nullopt);
  EXPECT_EQ(tool_route_address(u"", false), std::nullopt);
}

struct RecordingRouteHost final : ToolRouteHost {
  bool swedish = true;
  int settings_closed = 0;
  std::vector<std::pair<std::u16string, bool>> opened;

  bool ui_swedish() const override { return swedish; }
  void close_settings_overlay() override { ++settings_closed; }
  void open_address(std::u16string_view address, bool new_tab) override {
    opened.emplace_back(address, new_tab);
  }
};

TEST(OpenToolRoute, ClosesSettingsAndOpensOnlyServiceRoutes) {
  RecordingRouteHost host;
  open_tool_route(host, u"/tools/sounds", true);
  host.swedish = false;
  open_tool_route(host, u"/projects", false);
  open_tool_route(host, u"app:update", false);
  open_tool_route(host, u"https://example.com/", false);
  EXPECT_EQ(host.settings_closed, 4);
  ASSERT_EQ(host.opened.size(), 2u);
  EXPECT_EQ(host.opened[0].first, with_host(u"https://{H}/sv/tools/sounds"));
  EXPECT_TRUE(host.opened[0].second);
  EXPECT_EQ(host.opened[1].first, with_host(u"https://{H}/en/projects"));
  EXPECT_FALSE(host.opened[1].second);
}

TEST(ToolAction, NamesTheFiveInAppActions) {
  EXPECT_EQ(tool_action_for_route(u"app:settings"), ToolAction::settings_general);
  EXPECT_EQ(tool_action_for_route(u"app:shortcuts"), ToolAction::settings_shortcuts);
  EXPECT_EQ(tool_action_for_route(u"app:update"), ToolAction::settings_update_check);
  EXPECT_EQ(tool_action_for_route(u"app:legal"), ToolAction::settings_legal);
  EXPECT_EQ(tool_action_for_route(u"app:lang"), ToolAction::toggle_language);
  EXPECT_EQ(tool_action_for_route(u"/x"), ToolAction::open_route);
  EXPECT_EQ(tool_action_for_route(u"app:other"), ToolAction::none);
  EXPECT_EQ(tool_action_for_route(u"APP:settings"), ToolAction::none);
  EXPECT_EQ(tool_action_for_route(u""), ToolAction::none);
}

}  // namespace
}  // namespace vantiro
