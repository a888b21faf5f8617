#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "chrome/chrome_state.h"
#include "chrome/hit_zone.h"
#include "chrome/layout.h"

namespace vantiro::chrome {

// What the host carries out for a click; the chrome itself changes nothing.
enum class ActionKind {
  none,
  open_route,  // close settings, then the active tab opens payload
  go_back,
  go_forward,
  reload,
  open_palette,
  toggle_fullscreen,
  minimize,
  toggle_maximize,
  close_window,
  toggle_sidebar,
  toggle_language,
  add_shortcuts,
  apply_update,
  open_tool,         // open_tool_route(payload, new_tab)
  open_palette_row,  // payload is the row's route
  switch_tab,        // value is the tab id
  close_tab,
  new_tab,
  restart_tab,
  sign_in_discord,
  sign_in_email,
  try_offline,
  back_to_sign_in,
  toggle_settings,
  close_settings,
  settings_category,
  set_language,
  set_startup,
  toggle_confirm_close,
  set_zoom,
  set_sidebar,
  set_motion,
  set_performance,
  toggle_boot_update,
  check_updates,
  open_installed_apps,
  reload_all_tabs,
  clear_cache,
  open_legal,
  choose_fivem_folder,
  clear_fivem_folder,
};

struct ZoneAction {
  ActionKind kind = ActionKind::none;
  std::u16string payload;
  int value = 0;
  bool new_tab = false;
  bool closes_settings = false;  // settings close before the action runs
  bool operator==(const ZoneAction&) const = default;
};

ZoneAction dispatch_zone_action(ZoneKind kind, std::u16string_view payload, int value,
                                bool new_tab);

// Press and release: a press remembers a copy of its zone (the list is rebuilt by every layout);
// the release runs the action only on a zone of the same identity that is not disabled.
struct PointerState {
  std::optional<HitZone> pressed;
};

struct PressOutcome {
  bool capture = false;        // a zone was remembered
  bool close_palette = false;  // a press on nothing outside the open palette panel
};

PressOutcome left_press(PointerState& pointer, const LayoutResult& layout, const ChromeState& state,
                        float x, float y);
ZoneAction left_release(PointerState& pointer, const std::vector<HitZone>& zones, float x, float y,
                        bool ctrl_held);
// Rows open in a new tab; tabs and their close boxes close the tab; everything else ignores it.
ZoneAction middle_release(const std::vector<HitZone>& zones, float x, float y);

enum class WheelTarget { none, settings, palette, rail };
WheelTarget wheel_target(const LayoutResult& layout, const ChromeState& state, float x, float y);
// 90 DIPs per 120-unit notch; scrolling down (negative delta) grows the offset.
float wheel_distance(int delta);

}  // namespace vantiro::chrome
