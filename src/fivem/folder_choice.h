#pragma once

#include <string>
#include <string_view>

#include "common/localized_text.h"
#include "fivem/fivem_chrome.h"
#include "fivem/folder_picker.h"
#include "fivem/resource_fs.h"

namespace vantiro {

enum class FiveMPickOutcome : int {
  chosen = 0,
  cancelled = 1,
  failed = 2,
  busy = 3,
  invalid_folder = 4,
};

// Where the chosen folder is kept: the settings value fivem_resources_dir.
struct FiveMFolderStore {
  virtual ~FiveMFolderStore() = default;
  virtual std::string stored_folder() const = 0;  // UTF-8, empty when none
  // The settings value rule; a refused value is never stored.
  virtual bool accepts_folder(std::string_view utf8) const = 0;
  // Stores and saves; false leaves the previous value in place.
  virtual bool commit_folder(std::string utf8) = 0;
};

inline constexpr LocalizedText kFiveMDialogTitle{u"Välj din FiveM resources-mapp",
                                                 u"Choose your FiveM resources folder"};
inline constexpr LocalizedText kFiveMDialogOk{u"Välj mapp", u"Choose folder"};
inline constexpr LocalizedText kFiveMFolderSelected{u"FiveM-mapp vald: ",
                                                    u"FiveM folder selected: "};
inline constexpr LocalizedText kFiveMFolderPickFailed{u"Kunde inte välja mapp",
                                                      u"Could not choose folder"};
inline constexpr LocalizedText kFiveMFolderInvalid{u"Mappens sökväg är för lång eller ogiltig",
                                                   u"Folder path is too long or invalid"};
inline constexpr LocalizedText kFiveMFolderCleared{u"FiveM-mappen är bortkopplad",
                                                   u"FiveM folder cleared"};

// The FiveM folder choice of the run. One instance lives on the UI thread; its busy flag is
// what the bridge reads while a dialog is open.
class FiveMFolderChoice {
 public:
  FiveMFolderChoice(FolderPicker& picker, ResourceFs& fs, FiveMFolderStore& store,
                    FiveMChrome& chrome)
      : picker_(picker), fs_(fs), store_(store), chrome_(chrome) {}

  FiveMPickOutcome pick_fivem_folder(bool ui_swedish);
  void show_fivem_pick_notice(FiveMPickOutcome outcome, bool ui_swedish);
  // True when the clear was saved (and its notice shown).
  bool clear_fivem_folder(bool ui_swedish);

  // Non-empty, absolute and an existing directory (links followed).
  bool is_fivem_folder_configured();
  std::u16string fivem_folder_name() const;
  std::u16string stored_fivem_folder() const;
  bool folder_dialog_open() const { return folder_dialog_open_; }

 private:
  FolderPicker& picker_;
  ResourceFs& fs_;
  FiveMFolderStore& store_;
  FiveMChrome& chrome_;
  bool folder_dialog_open_ = false;
};

}  // namespace vantiro
