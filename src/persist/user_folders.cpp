#include "persist/user_folders.h"

namespace vantiro {

Path app_data_folder(UserFolders& folders) {
  if (auto local = folders.local_app_data(); local && !local->empty()) return *local / u"Vantiro";
  return folders.temp_dir() / u"Vantiro";
}

Path settings_file_path(UserFolders& folders, const Path& visual_check_dir) {
  if (!visual_check_dir.empty()) return visual_check_dir / u"settings.ini";
  if (auto local = folders.local_app_data(); local && !local->empty()) {
    return *local / u"Vantiro" / u"settings.ini";
  }
  return Path();
}

Path window_ini_path(UserFolders& folders) {
  return app_data_folder(folders) / u"window.ini";
}

Path startup_window_ini_path(UserFolders& folders, const Path& visual_check_dir) {
  if (!visual_check_dir.empty()) return visual_check_dir / u"visual-window.ini";
  return window_ini_path(folders);
}

}  // namespace vantiro
