#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "chrome/chrome_state.h"
#include "chrome/layout.h"

namespace vantiro::chrome {

// One frame-rate independent step: x += (target - x) * (1 - e^(-rate * dt)).
float exponential_ease(float current, float target, float rate, float dt_seconds);

// Eases value toward target and snaps when within snap; returns whether the value changed.
bool ease_toward(float& value, float target, float rate, float dt_seconds, float snap);

// Seconds since the previous tick, clamped to 1..50 ms; 16 ms on the first tick.
float tick_seconds(std::optional<std::uint64_t> previous_ms, std::uint64_t now_ms);

inline constexpr float kRailRate = 22;
inline constexpr float kScrollRate = 18;
inline constexpr float kMarkerRate = 20;
inline constexpr float kHoverRate = 26;
inline constexpr float kFadeRate = 22;
inline constexpr float kDownloadRate = 14;
inline constexpr float kDistanceSnap = 0.25f;
inline constexpr float kFractionSnap = 0.01f;
inline constexpr float kDownloadSnap = 0.002f;
inline constexpr std::uint64_t kSpinnerCycleMs = 1350;

// Whether the loading, sign-in check or update scene is on screen.
bool scene_showing(const ChromeState& state);

// Whether anything still moves. Under reduced motion only tabs waiting for their reveal keep
// the timer (the first-load watchdog).
bool chrome_needs_animation(const ChromeState& state, const LayoutResult& layout,
                            bool tabs_waiting_for_reveal);

struct AnimationTick {
  bool changed = false;             // relayout and repaint
  bool rail_width_changed = false;  // the web views must be placed again
};

// Advances every eased value by dt and the spinner phase to now_ms.
AnimationTick animate_chrome(ChromeState& state, const LayoutResult& layout, float dt_seconds,
                             std::uint64_t now_ms);

// Puts every eased value on its target at once (reduced motion switching on).
void finish_chrome_animations(ChromeState& state, const LayoutResult& layout);

// The 16 ms timer's bookkeeping: it runs only while something moves.
struct AnimationTimer {
  bool running = false;
  std::optional<std::uint64_t> last_tick_ms;
};
// Returns true when the host must arm the timer now.
bool start_chrome_animation(AnimationTimer& timer, bool anything_animates, std::uint64_t now_ms);
// One tick: returns what changed; stops the timer when nothing animates any more.
AnimationTick tick_chrome_animation(AnimationTimer& timer, ChromeState& state,
                                    const LayoutResult& layout, bool tabs_waiting_for_reveal,
                                    std::uint64_t now_ms);

// Hover moves to the zone at new_index (-1 for none). The zone that loses hover keeps fading
// out by its identity, so a relayout can never make another zone light up.
void set_hover(ChromeState& state, const std::vector<HitZone>& zones, int new_index,
               bool reduced_motion);
// The hover fade value a painter uses for zone i of the current list.
float hover_value(const ChromeState& state, const std::vector<HitZone>& zones, int index);

// Flips the rail; the width animates from where it is, or jumps under reduced motion.
void toggle_rail(ChromeState& state, bool reduced_motion);

}  // namespace vantiro::chrome
