#pragma once

#include <string>
#include <string_view>

namespace vantiro {

struct FolderPickRequest {
  std::u16string_view title;
  std::u16string_view ok_label;
  std::u16string initial_folder;  // empty: the dialog's own default place
};

struct FolderPickResult {
  enum class Status { chosen, cancelled, failed };
  Status status = Status::failed;
  std::u16string path;  // the chosen folder's file-system path when chosen
};

// The system's folder dialog, modal over the main window. It may run a nested message loop,
// so other web messages can arrive while it is open.
struct FolderPicker {
  virtual ~FolderPicker() = default;
  virtual FolderPickResult pick_folder(const FolderPickRequest& request) = 0;
};

}  // namespace vantiro
