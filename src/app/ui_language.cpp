#include "app/ui_language.h"

namespace vantiro {

bool prefer_swedish(bool ui_language_is_swedish, std::int32_t nation_geo_id,
                    std::u16string_view locale_name) {
  if (ui_language_is_swedish) return true;
  if (nation_geo_id == kSwedenGeoId) return true;
  if (locale_name == u"sv") return true;
  if (locale_name.starts_with(u"sv-")) return true;
  return locale_name.size() >= 3 && locale_name.ends_with(u"-SE");
}

bool choose_ui_swedish(std::optional<bool> forced_swedish, LanguageSetting setting,
                       bool system_prefers_swedish) {
  if (forced_swedish) return *forced_swedish;
  switch (setting) {
    case LanguageSetting::sv:
      return true;
    case LanguageSetting::en:
      return false;
    case LanguageSetting::automatic:
      break;
  }
  return system_prefers_swedish;
}

}  // namespace vantiro
