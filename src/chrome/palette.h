#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "chrome/tool_catalog.h"
#include "common/localized_text.h"

namespace vantiro {

// Virtual-key codes the open palette answers.
namespace vk {
inline constexpr int kBack = 0x08;
inline constexpr int kReturn = 0x0D;
inline constexpr int kEscape = 0x1B;
inline constexpr int kUp = 0x26;
inline constexpr int kDown = 0x28;
}  // namespace vk

inline constexpr std::size_t kPaletteQueryMaxUnits = 128;
inline constexpr float kPaletteRowPitch = 36.0f;
inline constexpr float kPaletteRowHeight = 34.0f;
inline constexpr float kPaletteHeaderHeight = 52.0f;
inline constexpr float kPaletteFooterHeight = 34.0f;
inline constexpr float kPaletteWheelStep = 90.0f;  // DIPs per wheel notch
inline constexpr int kWheelDelta = 120;            // one notch

inline constexpr LocalizedText kPalettePlaceholder = {
    u"S\u00F6k verktyg (Ped, Fordon, Vapen, FiveM-meny \u2026)",
    u"Search tools (Ped, Vehicle, Weapon, FiveM Menu \u2026)"};
inline constexpr LocalizedText kPaletteFooterHint = {
    u"\u2191\u2193 Navigera   \u00B7   Enter \u00D6ppna   \u00B7   Esc St\u00E4ng",
    u"\u2191\u2193 Navigate   \u00B7   Enter Open   \u00B7   Esc Close"};
inline constexpr std::u16string_view kPaletteKeyHint = u"ESC";

// The palette's part of the chrome snapshot.
struct PaletteState {
  bool palette_open = false;
  std::u16string query;  // at most 128 UTF-16 units, surrogate pairs whole
  int selection = 0;     // index into the current filter result
  float palette_scroll = 0.0f;
  float palette_scroll_target = 0.0f;
  float palette_progress = 1.0f;  // fade/slide-in, 0..1
};

// Only "A".."Z" fold; å, ä, ö and everything else compare as typed.
std::u16string fold_palette_text(std::u16string_view text);

// Rows whose label_sv, label_en, group_sv, group_en or route contain the folded query, in
// catalog order. The empty query keeps every row.
std::vector<const ToolEntry*> filter_palette(std::u16string_view query);

// A WM_CHAR unit typed while the palette is open. Returns whether the layout must be refreshed.
bool palette_char(PaletteState& state, std::uint32_t unit);

struct PaletteKeyResult {
  bool handled = false;  // false: the key goes on to default processing
  bool refresh = false;
  bool close = false;               // close the palette (set_palette_open(false))
  const ToolEntry* open = nullptr;  // open this row after closing
  bool new_tab = false;
};

// viewport: the result list's visible height from the last layout.
PaletteKeyResult palette_key(PaletteState& state, int virtual_key, float viewport);

struct PaletteOpenResult {
  bool changed = false;
  bool close_settings = false;     // opening closes the settings overlay
  bool start_animation = false;    // the fade-in needs the animation timer
  bool focus_main_window = false;  // opening: the web view hides, the window takes the keys
  bool focus_web_view = false;     // closing: the web view shows again and takes the keys
};

PaletteOpenResult set_palette_open(PaletteState& state, bool open, bool fullscreen,
                                   bool reduced_motion);

// wheel_delta as Windows reports it (positive away from the user, 120 per notch). Returns
// whether anything moved.
bool palette_wheel(PaletteState& state, int wheel_delta, float max_scroll, bool reduced_motion);

// After every layout: both scroll values into 0..max_scroll. Returns whether either changed.
bool clamp_palette_scroll(PaletteState& state, float max_scroll);

struct PaletteRect {
  float left = 0, top = 0, right = 0, bottom = 0;
};

struct PaletteLayout {
  int visible_rows = 1;
  PaletteRect panel;
  PaletteRect list;  // between the 52-DIP header and the 34-DIP footer
  float viewport = 0;
  float max_scroll = 0;
};

// title_bottom = top inset + 44, status_top = bottom edge - 28, rail_right = left inset + rail
// width, right_edge = the inner right edge.
PaletteLayout layout_palette(float title_bottom, float status_top, float rail_right,
                             float right_edge, float progress, std::size_t result_count);

struct PaletteRowPlacement {
  int index = 0;
  float y = 0;       // unclipped top
  PaletteRect zone;  // clipped to the list vertically
  bool selected = false;
};

// The result rows that overlap the list at the given scroll offset.
std::vector<PaletteRowPlacement> place_palette_rows(const PaletteLayout& layout,
                                                    std::size_t result_count, float scroll,
                                                    int selection);

struct PaletteRowBoxes {
  float icon_x = 0, icon_y = 0;  // icon centre
  PaletteRect label;
  PaletteRect group;
};

// Text boxes of a row whose zone spans zone_left..zone_right; never of negative width.
PaletteRowBoxes palette_row_boxes(float zone_left, float zone_right, float y);

struct PaletteChromeBoxes {
  float glyph_x = 0, glyph_y = 0;  // search glyph centre
  PaletteRect query;
  PaletteRect key_hint;
  float header_separator_y = 0;
  float footer_separator_y = 0;
  PaletteRect footer_hint;
};

PaletteChromeBoxes palette_chrome_boxes(const PaletteRect& panel);

}  // namespace vantiro
