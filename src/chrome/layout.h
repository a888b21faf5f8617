#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "chrome/chrome_state.h"
#include "chrome/hit_zone.h"

namespace vantiro::chrome {

inline constexpr float kTitleBarHeight = 44;
inline constexpr float kStatusBarHeight = 28;
inline constexpr float kRailCompactWidth = 64;
inline constexpr float kRailExpandedWidth = 220;
inline constexpr int kMaxTabs = 8;

// Windows hit-test answers (WM_NCHITTEST); the core speaks them on every host.
inline constexpr int kHtClient = 1;
inline constexpr int kHtCaption = 2;
inline constexpr int kHtMaxButton = 9;
inline constexpr int kHtLeft = 10;
inline constexpr int kHtRight = 11;
inline constexpr int kHtTop = 12;
inline constexpr int kHtTopLeft = 13;
inline constexpr int kHtTopRight = 14;
inline constexpr int kHtBottom = 15;
inline constexpr int kHtBottomLeft = 16;
inline constexpr int kHtBottomRight = 17;

enum class ChromeMode { fullscreen, welcome, auth_flow, studio, settings };

// A heading or separator the painter draws in the rail list (content-space y of its slot top).
struct RailHeading {
  float y = 0;
  float height = 0;
  std::u16string text;
  bool separator_above = false;
};

// What the settings overlay draws besides its zones (content-space y, already scrolled).
enum class SettingsRowKind { plain, shortcut, account_status, version, about };

struct SettingsRow {
  SettingsRowKind kind = SettingsRowKind::plain;
  float top = 0;
  float height = 58;
  std::u16string title;
  std::u16string description;
  float reserved = 0;  // width kept free at the right of the row for its controls
  int icon = 0;
  std::vector<std::u16string> keys;  // key caps of a shortcut row, left to right
  bool separator_above = false;
  std::uint32_t description_color = 0x8A9BB3;
  RectF choice_track;  // empty when the row has no choice control
};

struct SettingsCard {
  RectF rect;
  bool intro = false;  // the keyboard page's accent card
};

struct SettingsHeading {
  float y = 0;
  std::u16string text;
};

struct SettingsPage {
  bool narrow = false;
  float nav_right = 0;      // N
  float content_left = 0;   // CL
  float content_right = 0;  // CR
  float y0 = 0;             // page top after scrolling
  std::u16string title;
  std::u16string description;
  std::vector<SettingsHeading> headings;
  std::vector<SettingsCard> cards;
  std::vector<SettingsRow> rows;
};

struct LayoutResult {
  std::vector<HitZone> zones;
  ChromeMode mode = ChromeMode::studio;
  float width = 0;
  float height = 0;
  float inset = 0;
  float right = 0;         // inner right edge R
  float bottom = 0;        // inner bottom edge B
  float title_bottom = 0;  // T
  float status_top = 0;    // S
  float rail_width = 0;    // the width laid out (animated or target)
  RectF content;           // where the content screens are drawn
  RectF welcome;           // the welcome screen's rectangle (welcome layouts only)
  float launcher_y0 = 0;

  RectF rail_list;  // LT..LB between the rail's edges
  float rail_max_scroll = 0;
  float rail_active_anchor = -1;
  float rail_content_end = 0;  // bottom of the last row, content space
  std::vector<RailHeading> rail_headings;

  RectF palette_panel;
  RectF palette_list;
  float palette_viewport = 0;
  float palette_max_scroll = 0;
  int palette_result_count = 0;

  RectF settings_area;
  RectF settings_viewport;
  float settings_max_scroll = 0;
  float settings_anchor = -1;
  SettingsPage settings_page;
};

// Rail width a state asks for: the animated one, or the target when none is set.
float rail_width_of(const ChromeState& state);
float rail_target_width(bool expanded);

LayoutResult layout_chrome(float width, float height, float inset, const ChromeState& state);

// Lays out, clamps the three scroll offsets (and their targets) into their ranges, and lays out
// again when anything moved, so zones never come from an offset beyond the end.
LayoutResult relayout_chrome(float width, float height, float inset, ChromeState& state);

// Zones are searched from the last to the first; -1 when none is under the point.
int hit_test(const std::vector<HitZone>& zones, float x, float y);

// Frame inset in pixels: 0 when maximized or fullscreen, else 5 DIPs rounded like MulDiv.
int frame_inset_px(int dpi, bool maximized, bool fullscreen);
float px_to_dip(float px, int dpi);

// WM_NCHITTEST answer for a point in client pixels.
int native_hit_test(const std::vector<HitZone>& zones, int x_px, int y_px, int width_px,
                    int height_px, int dpi, int inset_px, bool fullscreen);

struct PixelRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  bool operator==(const PixelRect&) const = default;
};

// Where every tab's web view sits, in client pixels; uses the target rail width.
PixelRect web_content_rect(int width_px, int height_px, int dpi, int inset_px,
                           bool sidebar_expanded, bool fullscreen);

enum class CursorKind { arrow, hand };
CursorKind cursor_for(const std::vector<HitZone>& zones, int index);

// Empty when no tooltip shows for the zone.
std::u16string tooltip_for(const std::vector<HitZone>& zones, int index, const ChromeState& state,
                           float inset);

}  // namespace vantiro::chrome
