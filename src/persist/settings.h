#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "common/file_system.h"
#include "common/localized_text.h"
#include "persist/profile_store.h"

namespace vantiro {

enum class LanguageSetting : std::int32_t { automatic = 0, sv = 1, en = 2 };
enum class StartupWorkspace : std::int32_t { ped = 0, launcher = 1 };
enum class ReduceMotionSetting : std::int32_t { system = 0, off = 1, on = 2 };
enum class PerfModeSetting : std::int32_t { automatic = 0, low = 1, high = 2 };

inline constexpr std::size_t kMaxSettingsFileBytes = 4096;
inline constexpr std::uint32_t kDefaultZoomPercent = 100;

struct AppSettings {
  LanguageSetting language = LanguageSetting::automatic;
  StartupWorkspace startup = StartupWorkspace::ped;
  bool sidebar_expanded = false;
  ReduceMotionSetting reduce_motion = ReduceMotionSetting::system;
  PerfModeSetting perf_mode = PerfModeSetting::automatic;
  std::uint32_t zoom_percent = kDefaultZoomPercent;
  bool boot_auto_update = true;
  bool confirm_close_tabs = true;
  std::string fivem_resources_dir;  // UTF-8 bytes

  // Load flags; only the loader sets them.
  bool file_existed = false;
  bool legacy_expanded_inherited = false;
  bool newer_schema = false;
  bool unreadable = false;
  // The file's status could not be determined, so whatever is there must not be overwritten.
  bool status_unknown = false;
};

// The nine persisted values compare equal (the load flags are ignored).
bool same_values(const AppSettings& a, const AppSettings& b);
// Copies the nine persisted values and leaves the load flags of `to` alone.
void copy_values(const AppSettings& from, AppSettings& to);

// Exactly {80, 90, 100, 110, 125, 150}.
bool is_allowed_zoom_percent(std::int64_t percent);
bool is_valid_fivem_resources_dir(std::string_view bytes);

AppSettings parse_settings(std::string_view bytes);
std::string serialize_settings(const AppSettings& settings);

// Reads settings.ini; when it is absent, takes sidebar_expanded from the legacy window file.
AppSettings load_settings(FileSystem& fs, ProfileStore& profiles, const Path& settings_path,
                          const Path& legacy_window_path);

// Creates the parent folder, then replaces the file atomically. False for an empty path.
bool save_settings_atomic(FileSystem& fs, const Path& path, const AppSettings& settings);

// What start-up does right after load_settings.
struct SettingsStartup {
  bool read_only = false;   // no save may happen during this run
  bool write_back = false;  // save the loaded record at once
};
SettingsStartup decide_settings_startup(const AppSettings& loaded, const Path& settings_path,
                                        bool visual_check_mode);

inline constexpr LocalizedText kSettingsReadOnlyText{
    u"Inställningsfilen är skrivskyddad eller från en nyare version.",
    u"Settings file is read-only or from a newer version."};
inline constexpr LocalizedText kSettingsSaveFailedText{
    u"Kunde inte spara inställningarna. Försök igen.",
    u"Could not save settings. Please try again."};

// The live settings of the run and what is needed to persist them.
struct SettingsStore {
  Path path;               // empty when it cannot be obtained
  bool read_only = false;  // settings_read_only
  AppSettings live;
  std::u16string settings_error_text;  // the latest refusal or failure; cleared by a save
};

// Loads the settings, applies the start-up decision and writes the file back when it says so.
SettingsStore open_settings_store(FileSystem& fs, ProfileStore& profiles, const Path& settings_path,
                                  const Path& legacy_window_path, bool visual_check_mode);

// The caller has changed store.live already; previous is the copy from just before. Saves the
// live record, or puts previous back and keeps the reason in settings_error_text. A record
// that would not read back unchanged from the file is refused like a failed save.
bool commit_settings_change(SettingsStore& store, FileSystem& fs, const AppSettings& previous,
                            bool ui_swedish);

}  // namespace vantiro
