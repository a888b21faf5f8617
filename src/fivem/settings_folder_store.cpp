#include "fivem/settings_folder_store.h"

#include <utility>

#include "common/utf.h"

namespace vantiro {

std::string SettingsFolderStore::stored_folder() const {
  return settings_.live.fivem_resources_dir;
}

bool SettingsFolderStore::accepts_folder(std::string_view utf8) const {
  return is_valid_fivem_resources_dir(utf8);
}

bool SettingsFolderStore::commit_folder(std::string utf8) {
  if (!utf8.empty() && !accepts_folder(utf8)) return false;
  const AppSettings previous = settings_.live;
  settings_.live.fivem_resources_dir = std::move(utf8);
  return commit_settings_change(settings_, fs_, previous, ui_swedish_);
}

std::u16string fivem_folder_for_writer(const AppSettings& settings) {
  return utf8_to_utf16_strict(settings.fivem_resources_dir).value_or(std::u16string());
}

}  // namespace vantiro
