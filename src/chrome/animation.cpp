#include "chrome/animation.h"

#include <algorithm>
#include <cmath>

namespace vantiro::chrome {

float exponential_ease(float current, float target, float rate, float dt) {
  return current + (target - current) * (1.0f - std::exp(-rate * dt));
}

bool ease_toward(float& value, float target, float rate, float dt, float snap) {
  if (value == target) return false;
  float next = exponential_ease(value, target, rate, dt);
  if (std::fabs(target - next) <= snap) next = target;
  const bool changed = next != value;
  value = next;
  return changed;
}

float tick_seconds(std::optional<std::uint64_t> previous_ms, std::uint64_t now_ms) {
  if (!previous_ms) return 0.016f;
  const std::uint64_t elapsed = now_ms >= *previous_ms ? now_ms - *previous_ms : 0;
  return std::clamp(static_cast<float>(elapsed) / 1000.0f, 0.001f, 0.05f);
}

bool scene_showing(const ChromeState& s) {
  return s.update_scene || s.welcome_checking || s.active_tab_loading;
}

namespace {

float clamped_target(float target, float max) {
  return std::clamp(target, 0.0f, max);
}

bool any_tab_loading(const ChromeState& s) {
  return std::any_of(s.tabs.begin(), s.tabs.end(), [](const ChromeTab& t) { return t.loading; });
}

}  // namespace

bool chrome_needs_animation(const ChromeState& s, const LayoutResult& l, bool waiting_for_reveal) {
  if (s.reduced_motion) return waiting_for_reveal;
  const float rail_target = rail_target_width(s.sidebar_expanded);
  if (s.rail_width > 0 && s.rail_width != rail_target) return true;
  if (s.rail_settling) return true;
  if (s.rail_scroll != clamped_target(s.rail_scroll_target, l.rail_max_scroll)) return true;
  if (s.palette_scroll != clamped_target(s.palette_scroll_target, l.palette_max_scroll)) {
    return true;
  }
  if (s.settings_scroll != clamped_target(s.settings_scroll_target, l.settings_max_scroll)) {
    return true;
  }
  if (s.hover_fade_in < 1 || s.hover_fade_out > 0) return true;
  if (s.palette_open && s.palette_progress < 1) return true;
  if (s.settings_open && s.settings_progress < 1) return true;
  if (l.rail_active_anchor >= 0 && s.rail_marker != l.rail_active_anchor) return true;
  if (l.settings_anchor >= 0 && s.settings_marker != l.settings_anchor) return true;
  if (s.download_progress != s.download_progress_target) return true;
  if (scene_showing(s) || any_tab_loading(s)) return true;
  return waiting_for_reveal;
}

AnimationTick animate_chrome(ChromeState& s, const LayoutResult& l, float dt, std::uint64_t now) {
  AnimationTick t;
  t.changed = s.rail_settling;
  s.rail_settling = false;
  if (s.rail_width > 0) {
    const float target = rail_target_width(s.sidebar_expanded);
    t.rail_width_changed = ease_toward(s.rail_width, target, kRailRate, dt, kDistanceSnap);
    t.changed |= t.rail_width_changed;
    s.rail_settling = t.rail_width_changed && s.rail_width == target;
  }
  s.rail_scroll_target = clamped_target(s.rail_scroll_target, l.rail_max_scroll);
  s.palette_scroll_target = clamped_target(s.palette_scroll_target, l.palette_max_scroll);
  s.settings_scroll_target = clamped_target(s.settings_scroll_target, l.settings_max_scroll);
  t.changed |= ease_toward(s.rail_scroll, s.rail_scroll_target, kScrollRate, dt, kDistanceSnap);
  t.changed |=
      ease_toward(s.palette_scroll, s.palette_scroll_target, kScrollRate, dt, kDistanceSnap);
  t.changed |=
      ease_toward(s.settings_scroll, s.settings_scroll_target, kScrollRate, dt, kDistanceSnap);

  auto marker = [&](float& m, float anchor) {
    if (anchor < 0) return;
    if (m < 0) {
      m = anchor;
      t.changed = true;
      return;
    }
    t.changed |= ease_toward(m, anchor, kMarkerRate, dt, kDistanceSnap);
  };
  marker(s.rail_marker, l.rail_active_anchor);
  marker(s.settings_marker, l.settings_anchor);

  t.changed |= ease_toward(s.hover_fade_in, 1, kHoverRate, dt, kFractionSnap);
  t.changed |= ease_toward(s.hover_fade_out, 0, kHoverRate, dt, kFractionSnap);
  if (s.hover_fade_out == 0) s.hover_previous = {};
  if (s.palette_open) t.changed |= ease_toward(s.palette_progress, 1, kFadeRate, dt, kFractionSnap);
  if (s.settings_open) {
    t.changed |= ease_toward(s.settings_progress, 1, kFadeRate, dt, kFractionSnap);
  }
  t.changed |= ease_toward(s.download_progress, s.download_progress_target, kDownloadRate, dt,
                           kDownloadSnap);
  if (scene_showing(s) && !s.palette_open && !s.reduced_motion) {
    const float phase =
        static_cast<float>(now % kSpinnerCycleMs) / static_cast<float>(kSpinnerCycleMs);
    t.changed |= phase != s.spinner_phase;
    s.spinner_phase = phase;
  }
  return t;
}

void finish_chrome_animations(ChromeState& s, const LayoutResult& l) {
  if (s.rail_width > 0) s.rail_width = rail_target_width(s.sidebar_expanded);
  s.rail_settling = false;
  s.rail_scroll = s.rail_scroll_target = clamped_target(s.rail_scroll_target, l.rail_max_scroll);
  s.palette_scroll = s.palette_scroll_target =
      clamped_target(s.palette_scroll_target, l.palette_max_scroll);
  s.settings_scroll = s.settings_scroll_target =
      clamped_target(s.settings_scroll_target, l.settings_max_scroll);
  if (l.rail_active_anchor >= 0) s.rail_marker = l.rail_active_anchor;
  if (l.settings_anchor >= 0) s.settings_marker = l.settings_anchor;
  s.hover_fade_in = 1;
  s.hover_fade_out = 0;
  s.hover_previous = {};
  s.palette_progress = 1;
  s.settings_progress = 1;
  s.download_progress = s.download_progress_target;
}

bool start_chrome_animation(AnimationTimer& timer, bool anything_animates, std::uint64_t now) {
  if (timer.running || !anything_animates) return false;
  timer.running = true;
  timer.last_tick_ms.reset();  // the first tick counts as 16 ms
  (void)now;
  return true;
}

AnimationTick tick_chrome_animation(AnimationTimer& timer, ChromeState& s, const LayoutResult& l,
                                    bool waiting_for_reveal, std::uint64_t now) {
  const float dt = tick_seconds(timer.last_tick_ms, now);
  timer.last_tick_ms = now;
  const AnimationTick t = animate_chrome(s, l, dt, now);
  if (!chrome_needs_animation(s, l, waiting_for_reveal)) {
    timer.running = false;
    timer.last_tick_ms.reset();
  }
  return t;
}

void set_hover(ChromeState& s, const std::vector<HitZone>& zones, int new_index,
               bool reduced_motion) {
  if (new_index >= static_cast<int>(zones.size())) new_index = -1;
  const ZoneIdentity next =
      new_index >= 0 ? ZoneIdentity::of(zones[static_cast<size_t>(new_index)]) : ZoneIdentity{};
  if (next == s.hover_zone) {
    s.hover = new_index;  // the same zone after a relayout keeps its fade
    return;
  }
  s.hover_previous = s.hover_zone;
  s.hover_fade_out = s.hover_zone.kind == ZoneKind::None ? 0 : s.hover_fade_in;
  s.hover_zone = next;
  s.hover = new_index;
  s.hover_fade_in = new_index >= 0 ? 0 : 1;
  if (reduced_motion) {
    s.hover_fade_in = 1;
    s.hover_fade_out = 0;
    s.hover_previous = {};
  }
}

float hover_value(const ChromeState& s, const std::vector<HitZone>& zones, int index) {
  if (index < 0 || index >= static_cast<int>(zones.size())) return 0;
  const HitZone& z = zones[static_cast<size_t>(index)];
  if (z.disabled) return 0;
  if (index == s.hover && s.hover_zone.matches(z)) return s.hover_fade_in;
  if (s.hover_fade_out > 0 && s.hover_previous.matches(z)) return s.hover_fade_out;
  return 0;
}

void toggle_rail(ChromeState& s, bool reduced_motion) {
  const float from = rail_width_of(s);
  s.sidebar_expanded = !s.sidebar_expanded;
  s.rail_width = reduced_motion ? rail_target_width(s.sidebar_expanded) : from;
  s.rail_settling = false;
  s.rail_scroll = 0;
  s.rail_scroll_target = 0;
}

}  // namespace vantiro::chrome
