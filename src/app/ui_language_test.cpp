#include "app/ui_language.h"

#include <gtest/gtest.h>

#include "common/utf.h"

namespace vantiro {
namespace {

TEST(PreferSwedish, RulesTable) {
  struct Case {
    bool ui_swedish;
    std::int32_t geo;
    std::u16string_view locale;
    bool expected;
  };
  const Case cases[] = {
      {true, 244, u"en-US", true},     {false, 221, u"en-US", true},  {false, 244, u"en-SE", true},
      {false, 244, u"sv", true},       {false, 244, u"sv-FI", true},  {false, 244, u"se", false},
      {false, 244, u"sv_SE", false},   {false, 244, u"SV", false},    {false, 244, u"-SE", true},
      {false, 244, u"SE", false},      {false, 244, u"en-se", false}, {false, 244, u"", false},
      {false, 244, u"svenska", false}, {false, 220, u"en-US", false}, {false, 244, u"sv-", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(prefer_swedish(c.ui_swedish, c.geo, c.locale), c.expected)
        << c.ui_swedish << " " << c.geo << " " << to_utf8(c.locale);
  }
}

TEST(ChooseUiSwedish, ForcedThenSettingThenSystem) {
  using L = LanguageSetting;
  struct Case {
    std::optional<bool> forced;
    LanguageSetting setting;
    bool system;
    bool expected;
  };
  const Case cases[] = {
      {true, L::en, false, true},
      {false, L::sv, true, false},
      {std::nullopt, L::sv, false, true},
      {std::nullopt, L::en, true, false},
      {std::nullopt, L::automatic, true, true},
      {std::nullopt, L::automatic, false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(choose_ui_swedish(c.forced, c.setting, c.system), c.expected)
        << (c.forced ? (*c.forced ? "forced sv" : "forced en") : "not forced") << " setting "
        << static_cast<int>(c.setting) << " system " << c.system;
  }
  // English UI in a Swedish region under "auto".
  EXPECT_TRUE(choose_ui_swedish(std::nullopt, L::automatic, prefer_swedish(false, 244, u"en-SE")));
  EXPECT_TRUE(choose_ui_swedish(std::nullopt, L::automatic, prefer_swedish(false, 221, u"en-US")));
}

}  // namespace
}  // namespace vantiro
