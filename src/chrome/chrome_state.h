#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chrome/hit_zone.h"

namespace vantiro::chrome {

// One workspace tab as the chrome sees it; the tab model fills these in tab order.
struct ChromeTab {
  int id = 0;
  std::u16string title;
  int icon = 0;
  bool active = false;
  bool loading = false;
};

// The persisted preferences the settings overlay shows, as plain values.
struct ChromeSettingsValues {
  int language = 0;  // auto 0, sv 1, en 2
  int startup = 0;   // ped 0, launcher 1
  bool sidebar_expanded = false;
  int reduce_motion = 0;  // system 0, off 1, on 2
  int perf_mode = 0;      // auto 0, low 1, high 2
  int zoom_percent = 100;
  bool boot_auto_update = true;
  bool confirm_close_tabs = true;
};

// The snapshot that layout and painting read; refreshed from the live state after every change.
struct ChromeState {
  bool ui_swedish = true;
  bool window_active = true;
  bool sidebar_expanded = false;
  float rail_width = 0;  // animated; <= 0 means the target width
  // The rail arrived at its target on the last tick. That frame may be drawn as one in motion,
  // so one more tick repaints it at rest.
  bool rail_settling = false;
  bool active_tab_is_launcher = false;
  bool active_tab_loading = false;
  bool active_tab_stalled = false;
  bool maximized = false;
  bool fullscreen = false;
  bool can_go_back = false;
  bool can_go_forward = false;

  bool palette_open = false;
  std::u16string query;
  int selection = 0;
  float palette_scroll = 0;
  float palette_scroll_target = 0;
  float palette_progress = 1;

  bool update_ready = false;
  bool update_scene = false;
  bool startup_scene = false;
  bool welcome_gate = false;
  bool offline_mode = false;
  bool auth_flow = false;
  bool welcome_checking = false;

  bool settings_open = false;
  int settings_category = 0;
  float settings_progress = 1;
  float settings_scroll = 0;
  float settings_scroll_target = 0;
  ChromeSettingsValues settings;
  std::u16string fivem_dir;
  int update_status = 0;  // 1 checking, 2 up to date / success, 3 ready, 4 failed
  std::u16string update_text;
  bool shortcuts_added = false;
  int cache_state = 0;  // 0 idle, 1 clearing, 2 cleared, 3 not possible, 4 failed

  std::u16string available_version;
  std::u16string current_path = u"/";
  std::vector<ChromeTab> tabs;
  float rail_scroll = 0;
  float rail_scroll_target = 0;
  std::u16string title = u"Vantiro Studio";
  std::u16string settings_message;
  std::u16string notice_text;
  bool notice_success = false;

  // Hover: the index is into the current zone list; the fading-out zone is kept by identity
  // because a relayout may have moved or removed it.
  int hover = -1;
  ZoneIdentity hover_zone;
  float hover_fade_in = 1;
  ZoneIdentity hover_previous;
  float hover_fade_out = 0;

  // Eased markers (DIPs, content space); < 0 means unset.
  float rail_marker = -1;
  float settings_marker = -1;

  // Boot scene.
  int boot_stage = 0;
  float boot_alpha = 1;
  float spinner_phase = 0;
  bool reduced_motion = false;
  int tip_seed = 0;
  std::u16string update_from_version;
  std::u16string update_scene_text;
  std::u16string boot_status_line;    // the start-up stage's line, in the UI language
  std::u16string download_kilobytes;  // "done / total KB" of the update download
  std::uint64_t download_done = 0;
  std::uint64_t download_total = 0;
  float download_progress = 0;
  float download_progress_target = 0;
};

}  // namespace vantiro::chrome
