#include "fivem/folder_choice.h"

#include "common/utf.h"
#include "fivem/validation.h"

namespace vantiro {
namespace {

// Clears the busy flag however the dialog call ends.
class BusyScope {
 public:
  explicit BusyScope(bool& flag) : flag_(flag) { flag_ = true; }
  BusyScope(const BusyScope&) = delete;
  BusyScope& operator=(const BusyScope&) = delete;
  ~BusyScope() { flag_ = false; }

 private:
  bool& flag_;
};

}  // namespace

std::u16string FiveMFolderChoice::stored_fivem_folder() const {
  return to_utf16(store_.stored_folder());
}

std::u16string FiveMFolderChoice::fivem_folder_name() const {
  const std::u16string stored = stored_fivem_folder();
  if (stored.empty()) return {};
  return last_path_component(stored, fs_.path_style());
}

bool FiveMFolderChoice::is_fivem_folder_configured() {
  const std::u16string stored = stored_fivem_folder();
  if (stored.empty() || !is_absolute_fivem_folder(stored, fs_.path_style())) return false;
  const OpenedFolder f = fs_.open_root_folder(stored);
  if (f.status != OpenStatus::ok) return false;
  fs_.close_folder(f.folder);
  return true;
}

FiveMPickOutcome FiveMFolderChoice::pick_fivem_folder(bool ui_swedish) {
  if (folder_dialog_open_) return FiveMPickOutcome::busy;
  FolderPickRequest request{
      kFiveMDialogTitle.pick(ui_swedish), kFiveMDialogOk.pick(ui_swedish), {}};
  if (is_fivem_folder_configured()) request.initial_folder = stored_fivem_folder();

  FolderPickResult result;
  {
    BusyScope busy(folder_dialog_open_);
    result = picker_.pick_folder(request);
  }
  if (result.status == FolderPickResult::Status::cancelled) return FiveMPickOutcome::cancelled;
  if (result.status != FolderPickResult::Status::chosen) return FiveMPickOutcome::failed;

  // An unpaired surrogate cannot be stored as UTF-8; it reads as an empty, invalid path.
  const std::string utf8 = utf16_to_utf8_strict(result.path).value_or(std::string());
  if (!store_.accepts_folder(utf8) || !is_absolute_fivem_folder(result.path, fs_.path_style()))
    return FiveMPickOutcome::invalid_folder;
  if (!store_.commit_folder(utf8)) return FiveMPickOutcome::failed;
  chrome_.repaint();
  return FiveMPickOutcome::chosen;
}

void FiveMFolderChoice::show_fivem_pick_notice(FiveMPickOutcome outcome, bool ui_swedish) {
  switch (outcome) {
    case FiveMPickOutcome::chosen: {
      std::u16string text(kFiveMFolderSelected.pick(ui_swedish));
      text += fivem_folder_name();
      chrome_.show_notice(text, true, kSuccessNoticeMs);
      return;
    }
    case FiveMPickOutcome::failed:
      chrome_.show_notice(kFiveMFolderPickFailed.pick(ui_swedish), false, kNoticeMs);
      return;
    case FiveMPickOutcome::invalid_folder:
      chrome_.show_notice(kFiveMFolderInvalid.pick(ui_swedish), false, kNoticeMs);
      return;
    case FiveMPickOutcome::cancelled:
    case FiveMPickOutcome::busy:
      return;
  }
}

bool FiveMFolderChoice::clear_fivem_folder(bool ui_swedish) {
  if (!store_.commit_folder(std::string())) return false;
  chrome_.show_notice(kFiveMFolderCleared.pick(ui_swedish), false, kNoticeMs);
  chrome_.repaint();
  return true;
}

}  // namespace vantiro
