#pragma once

#include <string>
#include <string_view>

#include "chrome/canvas.h"
#include "chrome/chrome_state.h"
#include "chrome/layout.h"

namespace vantiro::chrome {

inline constexpr int kSettingsCategoryCount = 6;

// The overlay's zones and page for the area below the title bar. Page controls are kept only
// where they overlap the scroll viewport, and clipped to it, so a control scrolled out of view
// can never lie over the title bar.
void layout_settings_zones(const RectF& area, const ChromeState& state, LayoutResult& out);

void paint_settings_overlay(Canvas& canvas, const LayoutResult& layout, const ChromeState& state);

// A folder path as the FiveM row shows it: at most 64 UTF-16 units, the end kept.
std::u16string shortened_folder(std::u16string_view path);

struct SettingsOpenResult {
  bool changed = false;
  bool leave_fullscreen = false;  // opening from fullscreen leaves it first
  bool close_palette = false;     // the overlay and the palette exclude each other
  bool hide_web_views = false;
  bool focus_main_window = false;
  bool start_animation = false;
  bool show_web_view = false;   // closing: the active view shows again
  bool focus_web_view = false;  // ... and takes the keys back when the window is active
};

struct SettingsOpenGuards {
  bool installing_update = false;  // a staged update is being installed
  bool minimized = false;
  bool reduced_motion = false;
};

// Opens on a category (0..5; any other value keeps the current one) or closes the overlay.
// Opening is refused while the welcome gate, a sign-in flow or the update scene shows, while an
// update installs and while the window is minimized.
SettingsOpenResult set_settings_open(ChromeState& state, bool open, int category,
                                     const SettingsOpenGuards& guards);

// Up and Down move the category by one, clamped to 0..5; returns whether it changed.
bool settings_category_step(ChromeState& state, int delta);

}  // namespace vantiro::chrome
