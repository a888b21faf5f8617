#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "persist/settings.h"

namespace vantiro {

inline constexpr std::int32_t kSwedenGeoId = 221;

// True when the UI language is Swedish, the region is Sweden (geo id 221), or the locale is
// "sv", begins with "sv-" or ends with "-SE" (so "en-SE" prefers Swedish).
bool prefer_swedish(bool ui_language_is_swedish, std::int32_t nation_geo_id,
                    std::u16string_view locale_name);

// The forced language of "--lang=" wins; else the setting; "auto" follows the system.
bool choose_ui_swedish(std::optional<bool> forced_swedish, LanguageSetting setting,
                       bool system_prefers_swedish);

}  // namespace vantiro
