#pragma once

#include <optional>

#include "common/file_system.h"

namespace vantiro {

// Where the user's own per-machine data lives.
struct UserFolders {
  virtual ~UserFolders() = default;
  // The user's local application data folder; nullopt when it cannot be obtained.
  virtual std::optional<Path> local_app_data() = 0;
  // The system's folder for temporary files.
  virtual Path temp_dir() = 0;
};

// local_app_data joined with "Vantiro"; the temporary folder joined with "Vantiro" when the
// local folder cannot be obtained.
Path app_data_folder(UserFolders& folders);

// In visual-check mode (visual_check_dir non-empty) that folder's settings.ini, otherwise
// local_app_data/Vantiro/settings.ini; empty when the local folder cannot be obtained (the
// settings never fall back to the temporary folder).
Path settings_file_path(UserFolders& folders, const Path& visual_check_dir);

// app_data_folder joined with "window.ini".
Path window_ini_path(UserFolders& folders);

// The placement file that start-up reads: visual-window.ini in the visual-check folder in
// that mode, else window_ini_path.
Path startup_window_ini_path(UserFolders& folders, const Path& visual_check_dir);

}  // namespace vantiro
