#include "chrome/language_toggle.h"

#include "chrome/tool_catalog.h"

namespace vantiro::chrome {

bool resolve_ui_swedish(std::optional<bool> forced, int setting, bool automatic_swedish) {
  if (forced) return *forced;
  if (setting == kLanguageSwedish) return true;
  if (setting == kLanguageEnglish) return false;
  return automatic_swedish;
}

LanguageTogglePlan plan_language_toggle(const LanguageToggleInput& in) {
  LanguageTogglePlan plan;
  plan.language_setting = in.ui_swedish ? kLanguageEnglish : kLanguageSwedish;
  if (!in.welcome_gate && !in.settings_open && in.has_active_tab && !in.active_tab_is_launcher &&
      in.active_tab_on_service_origin) {
    plan.reopen_route = normalize_tool_path(in.current_path);
  }
  return plan;
}

bool ui_swedish_after_toggle(bool saved, const LanguageTogglePlan& plan, bool previous) {
  if (!saved) return previous;
  return plan.language_setting == kLanguageSwedish;
}

}  // namespace vantiro::chrome
