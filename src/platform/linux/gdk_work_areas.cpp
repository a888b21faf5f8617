#include <gtk/gtk.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>

#include "platform/gtk_host_ports.h"

namespace vantiro::platform {
namespace {

std::int64_t clamp32(std::int64_t v) {
  constexpr std::int64_t lo = std::numeric_limits<std::int32_t>::min();
  constexpr std::int64_t hi = std::numeric_limits<std::int32_t>::max();
  return v < lo ? lo : (v > hi ? hi : v);
}

ScreenRect scaled(const GdkRectangle& r, int scale) {
  const std::int64_t s = scale > 0 ? scale : 1;
  const std::int64_t left = static_cast<std::int64_t>(r.x) * s;
  const std::int64_t top = static_cast<std::int64_t>(r.y) * s;
  return ScreenRect{
      static_cast<std::int32_t>(clamp32(left)), static_cast<std::int32_t>(clamp32(top)),
      static_cast<std::int32_t>(clamp32(left + static_cast<std::int64_t>(r.width) * s)),
      static_cast<std::int32_t>(clamp32(top + static_cast<std::int64_t>(r.height) * s))};
}

std::optional<ScreenRect> usable(const ScreenRect& r) {
  if (r.right <= r.left || r.bottom <= r.top) return std::nullopt;
  return r;
}

ScreenRect monitor_rect(GdkMonitor* monitor) {
  GdkRectangle g{};
  gdk_monitor_get_geometry(monitor, &g);
  return scaled(g, gdk_monitor_get_scale_factor(monitor));
}

std::optional<ScreenRect> work_area_of(GdkMonitor* monitor) {
  if (monitor == nullptr) return std::nullopt;
  GdkRectangle w{};
  gdk_monitor_get_workarea(monitor, &w);
  return usable(scaled(w, gdk_monitor_get_scale_factor(monitor)));
}

std::int64_t overlap(const ScreenRect& a, const ScreenRect& b) {
  const std::int64_t w = std::int64_t{std::min(a.right, b.right)} - std::max(a.left, b.left);
  const std::int64_t h = std::int64_t{std::min(a.bottom, b.bottom)} - std::max(a.top, b.top);
  return (w > 0 && h > 0) ? w * h : 0;
}

// Squared distance between the rectangles; 0 when they touch or overlap.
std::int64_t gap(const ScreenRect& a, const ScreenRect& b) {
  auto axis = [](std::int64_t lo1, std::int64_t hi1, std::int64_t lo2, std::int64_t hi2) {
    if (hi1 <= lo2) return lo2 - hi1;
    if (hi2 <= lo1) return lo1 - hi2;
    return std::int64_t{0};
  };
  const std::int64_t dx = axis(a.left, a.right, b.left, b.right);
  const std::int64_t dy = axis(a.top, a.bottom, b.top, b.bottom);
  return dx * dx + dy * dy;
}

class GdkWorkAreas final : public WorkAreas {
 public:
  std::optional<ScreenRect> primary_work_area() override {
    GdkDisplay* display = ensure_display() ? gdk_display_get_default() : nullptr;
    if (display == nullptr) return std::nullopt;
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    // Some backends name no primary monitor; the first one stands in for it.
    if (monitor == nullptr && gdk_display_get_n_monitors(display) > 0)
      monitor = gdk_display_get_monitor(display, 0);
    return work_area_of(monitor);
  }

  // The monitor sharing the largest area with the rectangle, else the closest one.
  std::optional<ScreenRect> nearest_work_area(const ScreenRect& rect) override {
    GdkDisplay* display = ensure_display() ? gdk_display_get_default() : nullptr;
    if (display == nullptr) return std::nullopt;
    GdkMonitor* best = nullptr;
    std::int64_t best_overlap = -1;
    std::int64_t best_gap = std::numeric_limits<std::int64_t>::max();
    const int n = gdk_display_get_n_monitors(display);
    for (int i = 0; i < n; ++i) {
      GdkMonitor* monitor = gdk_display_get_monitor(display, i);
      if (monitor == nullptr) continue;
      const ScreenRect m = monitor_rect(monitor);
      const std::int64_t o = overlap(m, rect);
      const std::int64_t g = gap(m, rect);
      if (o > best_overlap || (o == 0 && best_overlap == 0 && g < best_gap)) {
        best = monitor;
        best_overlap = o;
        best_gap = g;
      }
    }
    return work_area_of(best);
  }
};

}  // namespace

std::unique_ptr<WorkAreas> make_work_areas() {
  return std::make_unique<GdkWorkAreas>();
}

}  // namespace vantiro::platform
