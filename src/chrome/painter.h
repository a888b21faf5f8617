#pragma once

#include "chrome/canvas.h"
#include "chrome/chrome_state.h"
#include "chrome/layout.h"

namespace vantiro::chrome {

// Draws one frame of the chrome from the zone list and the state; changes nothing.
void paint_chrome(Canvas& canvas, const LayoutResult& layout, const ChromeState& state);

// The icon set: an icon-font glyph for small navigation and caption icons when a font has it,
// the vector drawing otherwise. alpha multiplies the colour's own.
void draw_icon(Canvas& canvas, int id, Point centre, float size, Color color);

// The two-part brand mark in accent colour (32 x 32 design box, moved by (-6, -3) x scale).
void draw_brand_mark(Canvas& canvas, Point origin, float scale, float alpha = 1);

// 1-DIP lines every 38 DIPs across r, one of each direction through the point.
void draw_grid(Canvas& canvas, const RectF& r, Point through, Color color);

// The icon-font code point for icon ids 2 to 10, else 0.
char16_t icon_font_glyph(int id);

}  // namespace vantiro::chrome
