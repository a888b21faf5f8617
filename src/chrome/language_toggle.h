#pragma once

#include <optional>
#include <string>

namespace vantiro::chrome {

// Language settings: auto 0, Swedish 1, English 2.
inline constexpr int kLanguageAuto = 0;
inline constexpr int kLanguageSwedish = 1;
inline constexpr int kLanguageEnglish = 2;

// The UI language: a language forced on the command line wins, then the setting, then the
// automatic preference.
bool resolve_ui_swedish(std::optional<bool> forced_swedish, int language_setting,
                        bool automatic_swedish);

struct LanguageToggleInput {
  bool ui_swedish = true;
  bool welcome_gate = false;
  bool settings_open = false;
  bool has_active_tab = false;
  bool active_tab_is_launcher = false;
  bool active_tab_on_service_origin = false;
  std::u16string current_path;  // the active tab's service path
};

struct LanguageTogglePlan {
  int language_setting = kLanguageSwedish;  // what to save
  // The user chose a language: a command-line force ends for the rest of the run, otherwise
  // every later toggle would be overruled by it.
  bool end_forced_language = true;
  bool clear_settings_message = true;
  // The tool to open again in the new language; only for a tab on the service origin, so a
  // sign-in or checkout page elsewhere is never replaced by the home page.
  std::optional<std::u16string> reopen_route;
};

LanguageTogglePlan plan_language_toggle(const LanguageToggleInput& input);

// After the save: the new side when it was saved, else the language shown before.
bool ui_swedish_after_toggle(bool saved, const LanguageTogglePlan& plan, bool previous_ui_swedish);

}  // namespace vantiro::chrome
