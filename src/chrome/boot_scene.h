#pragma once

#include <optional>
#include <string_view>

#include "chrome/canvas.h"
#include "chrome/chrome_state.h"

namespace vantiro::chrome {

inline constexpr int kTipCount = 8;

// The boot tip at index mod 8, also for negative indexes (-1 gives the last tip).
std::u16string_view tip_text(int index, bool swedish);

// The animated loading, sign-in check and update scene for a rectangle. Without a base the
// caller has clipped to the rectangle; with one, the base fills the rectangle first, unclipped.
// The fidelity is that of the still part (the rectangle itself moves with the rail).
void paint_boot_scene(Canvas& canvas, const RectF& rect, const ChromeState& state,
                      std::optional<Color> base = std::nullopt,
                      Fidelity fidelity = Fidelity::exact);

}  // namespace vantiro::chrome
