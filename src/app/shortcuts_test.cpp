#include "app/shortcuts.h"

#include <gtest/gtest.h>

namespace vantiro::app {
namespace {

TEST(TabShortcutAction, RecognisesCtrlTabKeysAndNothingWithAltOrShiftedLetters) {
  struct Case {
    const char* name;
    std::uint32_t vk;
    bool ctrl, alt, shift;
    TabShortcut want;
  };
  const Case cases[] = {
      {"Ctrl+T", key::letter('T'), true, false, false, TabShortcut::new_tab},
      {"Ctrl+W", key::letter('W'), true, false, false, TabShortcut::close_tab},
      {"Ctrl+F4", key::kF4, true, false, false, TabShortcut::close_tab},
      {"Ctrl+Tab", key::kTab, true, false, false, TabShortcut::next_tab},
      {"Ctrl+Shift+Tab", key::kTab, true, false, true, TabShortcut::previous_tab},
      {"Shift+Tab", key::kTab, false, false, true, TabShortcut::none},
      {"Ctrl+Alt+Tab", key::kTab, true, true, false, TabShortcut::none},
      {"Ctrl+Shift+T", key::letter('T'), true, false, true, TabShortcut::none},
      {"Ctrl+Shift+W", key::letter('W'), true, false, true, TabShortcut::none},
      {"T alone", key::letter('T'), false, false, false, TabShortcut::none},
      {"Ctrl+X", key::letter('X'), true, false, false, TabShortcut::none},
  };
  for (const auto& c : cases)
    EXPECT_EQ(tab_shortcut_action(c.vk, c.ctrl, c.alt, c.shift), c.want) << c.name;
}

TEST(IsNativeShortcut, FollowsTheModifierFullscreenAndPaletteRules) {
  struct Case {
    const char* name;
    std::uint32_t vk;
    bool ctrl, alt, fullscreen, palette;
    bool want;
  };
  const Case cases[] = {
      {"F11", key::kF11, false, false, false, false, true},
      {"Ctrl+Alt+F11", key::kF11, true, true, true, true, true},
      {"Ctrl+,", key::kOemComma, true, false, false, false, true},
      {"Ctrl+, fullscreen", key::kOemComma, true, false, true, false, true},
      {"Ctrl+K", key::letter('K'), true, false, false, false, true},
      {"Ctrl+K fullscreen", key::letter('K'), true, false, true, false, false},
      {"Ctrl+B", key::letter('B'), true, false, false, false, true},
      {"B alone", key::letter('B'), false, false, false, false, false},
      {"Ctrl+Alt+B", key::letter('B'), true, true, false, false, false},
      {"Ctrl+B fullscreen", key::letter('B'), true, false, true, false, false},
      {"Ctrl+R", key::letter('R'), true, false, false, false, true},
      {"Ctrl+1", key::letter('1'), true, false, false, false, true},
      {"Ctrl+6", key::letter('6'), true, false, false, false, true},
      {"Ctrl+7", key::letter('7'), true, false, false, false, false},
      {"Ctrl+Alt+1", key::letter('1'), true, true, false, false, false},
      {"Alt+Left", key::kLeft, false, true, false, false, true},
      {"Alt+Right", key::kRight, false, true, false, false, true},
      {"Ctrl+Alt+Left", key::kLeft, true, true, false, false, false},
      {"F5", key::kF5, false, false, false, false, true},
      {"Alt+F5", key::kF5, false, true, false, false, false},
      {"palette: F11", key::kF11, false, false, false, true, true},
      {"palette: Ctrl+,", key::kOemComma, true, false, false, true, true},
      {"palette: Ctrl+K", key::letter('K'), true, false, false, true, true},
      {"palette: Ctrl+B", key::letter('B'), true, false, false, true, true},
      {"palette: F5", key::kF5, false, false, false, true, false},
      {"palette: Ctrl+R", key::letter('R'), true, false, false, true, false},
      {"palette: Ctrl+1", key::letter('1'), true, false, false, true, false},
      {"palette: Alt+Left", key::kLeft, false, true, false, true, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(is_native_shortcut(c.vk, c.ctrl, c.alt, c.fullscreen, c.palette), c.want) << c.name;
}

TEST(KeyRepeatTracker, OnlyTheFirstPressOfAHeldKeyCountsUntilItIsReleased) {
  KeyRepeatTracker keys;
  EXPECT_FALSE(keys.key_down(key::letter('T')));
  EXPECT_TRUE(keys.key_down(key::letter('T')));
  EXPECT_TRUE(keys.key_down(key::letter('T')));
  EXPECT_FALSE(keys.key_down(key::kControl));
  keys.key_up(key::letter('T'));
  EXPECT_FALSE(keys.key_down(key::letter('T')));
  keys.reset();
  EXPECT_FALSE(keys.key_down(key::letter('T')));
}

}  // namespace
}  // namespace vantiro::app
