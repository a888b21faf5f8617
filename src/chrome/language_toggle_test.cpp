#include "chrome/language_toggle.h"

#include <gtest/gtest.h>

namespace vantiro::chrome {
namespace {

LanguageToggleInput on_tool(std::u16string path) {
  LanguageToggleInput in;
  in.ui_swedish = true;
  in.has_active_tab = true;
  in.active_tab_on_service_origin = true;
  in.current_path = std::move(path);
  return in;
}

TEST(LanguageToggle, FlipsTheSettingAndReopensTheToolOnTheServiceOrigin) {
  const LanguageTogglePlan plan = plan_language_toggle(on_tool(u"/sv/vehicles/editor"));
  EXPECT_EQ(plan.language_setting, kLanguageEnglish);
  ASSERT_TRUE(plan.reopen_route.has_value());
  EXPECT_EQ(*plan.reopen_route, u"/vehicles/editor");
  EXPECT_TRUE(plan.clear_settings_message);
  LanguageToggleInput en = on_tool(u"/en/docs");
  en.ui_swedish = false;
  EXPECT_EQ(plan_language_toggle(en).language_setting, kLanguageSwedish);
}

TEST(LanguageToggle, LeavesPagesAlone) {
  struct Case {
    const char* what;
    void (*change)(LanguageToggleInput&);
  };
  const Case cases[] = {
      {"sign-in page elsewhere",
       [](LanguageToggleInput& in) { in.active_tab_on_service_origin = false; }},
      {"welcome gate", [](LanguageToggleInput& in) { in.welcome_gate = true; }},
      {"settings open", [](LanguageToggleInput& in) { in.settings_open = true; }},
      {"launcher tab", [](LanguageToggleInput& in) { in.active_tab_is_launcher = true; }},
      {"no tab", [](LanguageToggleInput& in) { in.has_active_tab = false; }},
  };
  for (const Case& c : cases) {
    LanguageToggleInput in = on_tool(u"/sv/editor");
    c.change(in);
    const LanguageTogglePlan plan = plan_language_toggle(in);
    EXPECT_FALSE(plan.reopen_route.has_value()) << c.what;
    EXPECT_EQ(plan.language_setting, kLanguageEnglish) << c.what;
  }
}

TEST(LanguageToggle, AUserToggleEndsACommandLineForce) {
  // "--lang=sv" forces Swedish; the setting alone cannot change what is shown.
  std::optional<bool> forced = true;
  EXPECT_TRUE(resolve_ui_swedish(forced, kLanguageEnglish, false));
  const LanguageTogglePlan plan = plan_language_toggle(on_tool(u"/sv/editor"));
  ASSERT_TRUE(plan.end_forced_language);
  if (plan.end_forced_language) forced.reset();
  EXPECT_FALSE(resolve_ui_swedish(forced, plan.language_setting, true));
  EXPECT_FALSE(ui_swedish_after_toggle(true, plan, true));
  // A failed save keeps what was shown.
  EXPECT_TRUE(ui_swedish_after_toggle(false, plan, true));
  // Without a force: setting, then the automatic preference.
  EXPECT_TRUE(resolve_ui_swedish(std::nullopt, kLanguageSwedish, false));
  EXPECT_FALSE(resolve_ui_swedish(std::nullopt, kLanguageAuto, false));
  EXPECT_TRUE(resolve_ui_swedish(std::nullopt, kLanguageAuto, true));
}

}  // namespace
}  // namespace vantiro::chrome
