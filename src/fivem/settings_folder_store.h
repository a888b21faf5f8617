#pragma once

#include <string>
#include <string_view>

#include "common/file_system.h"
#include "fivem/folder_choice.h"
#include "persist/settings.h"

namespace vantiro {

// The FiveM folder kept as fivem_resources_dir of the run's settings: every change is saved
// through commit_settings_change, so a failed save leaves the previous folder in the record
// and the reason in the store's settings_error_text.
class SettingsFolderStore final : public FiveMFolderStore {
 public:
  // ui_swedish is read at each commit, so the saved reason follows the current language.
  SettingsFolderStore(SettingsStore& settings, FileSystem& fs, const bool& ui_swedish)
      : settings_(settings), fs_(fs), ui_swedish_(ui_swedish) {}

  std::string stored_folder() const override;
  bool accepts_folder(std::string_view utf8) const override;
  // An empty value clears the folder; any other value must pass accepts_folder.
  bool commit_folder(std::string utf8) override;

 private:
  SettingsStore& settings_;
  FileSystem& fs_;
  const bool& ui_swedish_;
};

// The folder the writer is handed: the stored UTF-8 as UTF-16, empty when nothing usable is
// stored. Text that is not UTF-8 yields empty rather than a path with replacement characters.
std::u16string fivem_folder_for_writer(const AppSettings& settings);

}  // namespace vantiro
