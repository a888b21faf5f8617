#pragma once

#include "chrome/chrome_state.h"
#include "chrome/layout.h"

namespace vantiro::chrome {

// Launcher cards, links and search, or the crash card's reload button, for the content
// rectangle. Adds nothing while the update scene or the palette shows.
void layout_launcher_zones(const RectF& content, const ChromeState& state, LayoutResult& out);

// Welcome sign-in zones for the welcome rectangle; nothing while the session check runs.
void layout_welcome_zones(const RectF& area, const ChromeState& state, LayoutResult& out);

// Top of the launcher's column for a content rectangle.
float launcher_top(const RectF& content);
// Top of the welcome card for a welcome rectangle.
float welcome_top(const RectF& area);

}  // namespace vantiro::chrome
