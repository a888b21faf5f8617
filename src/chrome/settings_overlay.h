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

// Up and Down move the category by one, clamped to 0..5; returns whether it changed.
bool settings_category_step(ChromeState& state, int delta);

}  // namespace vantiro::chrome
