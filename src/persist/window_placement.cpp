#include "persist/window_placement.h"

#include <algorithm>
#include <limits>
#include <string>

namespace vantiro {
namespace {

using i64 = std::int64_t;

std::int32_t saturate(i64 v) {
  return static_cast<std::int32_t>(std::clamp<i64>(v, std::numeric_limits<std::int32_t>::min(),
                                                   std::numeric_limits<std::int32_t>::max()));
}

i64 width_of(const ScreenRect& r) {
  return std::max<i64>(i64{r.right} - r.left, 0);
}
i64 height_of(const ScreenRect& r) {
  return std::max<i64>(i64{r.bottom} - r.top, 0);
}

bool usable(const std::optional<ScreenRect>& r) {
  return r && width_of(*r) > 0 && height_of(*r) > 0;
}

}  // namespace

WindowRect default_window_rect(const ScreenRect& work) {
  const i64 aw = width_of(work);
  const i64 ah = height_of(work);
  i64 w = aw * 86 / 100;
  if (w <= 1180) w = 1180;
  w = std::min(w, aw);
  i64 h = ah * 88 / 100;
  if (h <= 760) h = 760;
  h = std::min(h, ah);
  return WindowRect{saturate(work.left + (aw - w) / 2), saturate(work.top + (ah - h) / 2),
                    saturate(w), saturate(h)};
}

WindowRect clamp_window_to_work_area(const WindowRect& rect, const ScreenRect& work) {
  const i64 aw = width_of(work);
  const i64 ah = height_of(work);
  const i64 w = std::min(std::max<i64>(rect.w, std::min<i64>(900, aw)), aw);
  const i64 h = std::min(std::max<i64>(rect.h, std::min<i64>(600, ah)), ah);
  i64 x = rect.x;
  i64 y = rect.y;
  if (x < work.left || x + w > work.right) x = work.left + (aw - w) / 2;
  if (y < work.top || y + h > work.bottom) y = work.top + (ah - h) / 2;
  return WindowRect{saturate(x), saturate(y), saturate(w), saturate(h)};
}

std::int32_t mul_div(std::int32_t number, std::int32_t numerator, std::int32_t denominator) {
  if (denominator == 0) return -1;
  const i64 product = i64{number} * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const i64 p = product < 0 ? -product : product;
  const i64 d = denominator < 0 ? -i64{denominator} : i64{denominator};
  i64 q = (p + d / 2) / d;
  if (negative) q = -q;
  if (q > std::numeric_limits<std::int32_t>::max() ||
      q < std::numeric_limits<std::int32_t>::min()) {
    return -1;
  }
  return static_cast<std::int32_t>(q);
}

WindowSize minimum_window_size(std::uint32_t dpi, const std::optional<ScreenRect>& work) {
  const i64 d = dpi == 0 ? 96 : i64{dpi};
  // The same rounding as mul_div, without its -1 for DPI values no display reports.
  i64 w = (960 * d + 48) / 96;
  i64 h = (640 * d + 48) / 96;
  if (work) {
    w = std::min(w, width_of(*work));
    h = std::min(h, height_of(*work));
  }
  return WindowSize{saturate(w), saturate(h)};
}

LoadedWindowPlacement load_window_placement(ProfileStore& profiles, WorkAreas& areas,
                                            const Path& path) {
  LoadedWindowPlacement out;
  out.sidebar_expanded = profiles.read_int(path, u"window", u"expanded", 0) == 1;
  const bool current_schema = profiles.read_int(path, u"window", u"schema", 0) == 2;

  WindowRect rect;
  std::optional<ScreenRect> work;
  bool nearest = false;
  if (current_schema) {
    const auto size = [&](std::u16string_view key) {
      return std::clamp(profiles.read_int(path, u"window", key, 0), 0, kMaxPlacementCoordinate);
    };
    rect.x = profiles.read_int(path, u"window", u"x", 0);
    rect.y = profiles.read_int(path, u"window", u"y", 0);
    rect.w = size(u"w");
    rect.h = size(u"h");
    // 64-bit so that the smallest 32-bit value has a magnitude too.
    const i64 ax = rect.x < 0 ? -i64{rect.x} : i64{rect.x};
    const i64 ay = rect.y < 0 ? -i64{rect.y} : i64{rect.y};
    if (ax > kMaxPlacementCoordinate || ay > kMaxPlacementCoordinate) {
      rect = WindowRect{};
    } else {
      nearest = true;
    }
  }
  if (nearest) {
    work = areas.nearest_work_area(ScreenRect{rect.x, rect.y, rect.x + rect.w, rect.y + rect.h});
  }
  if (!usable(work)) work = areas.primary_work_area();
  if (!usable(work)) work = kFallbackWorkArea;

  if (current_schema && rect.w != 0 && rect.h != 0) {
    const WindowRect fitted = clamp_window_to_work_area(rect, *work);
    out.placement = WindowPlacement{fitted.x, fitted.y, fitted.w, fitted.h,
                                    profiles.read_int(path, u"window", u"max", 1) != 0};
    return out;
  }
  const WindowRect d = default_window_rect(*work);
  out.placement = WindowPlacement{d.x, d.y, d.w, d.h, true};
  return out;
}

WindowPlacement placement_to_save(const ScreenRect& normal_rect,
                                  const std::optional<ScreenRect>& monitor,
                                  const std::optional<ScreenRect>& monitor_work_area,
                                  bool maximized) {
  i64 dx = 0;
  i64 dy = 0;
  if (monitor && monitor_work_area) {
    dx = i64{monitor_work_area->left} - monitor->left;
    dy = i64{monitor_work_area->top} - monitor->top;
  }
  return WindowPlacement{saturate(normal_rect.left + dx), saturate(normal_rect.top + dy),
                         saturate(i64{normal_rect.right} - normal_rect.left),
                         saturate(i64{normal_rect.bottom} - normal_rect.top), maximized};
}

bool save_window_placement(FileSystem& fs, ProfileStore& profiles, const Path& path,
                           const WindowPlacement& placement, bool sidebar_expanded) {
  if (path.empty()) return false;
  if (path.has_parent_path()) fs.create_directories(path.parent_path());
  const auto put = [&](std::u16string_view key, std::int32_t value) {
    const std::string digits = std::to_string(value);
    return profiles.write_string(path, u"window", key,
                                 std::u16string(digits.begin(), digits.end()));
  };
  return put(u"x", placement.x) && put(u"y", placement.y) && put(u"w", placement.w) &&
         put(u"h", placement.h) && put(u"max", placement.maximized ? 1 : 0) &&
         put(u"expanded", sidebar_expanded ? 1 : 0) && put(u"schema", 2);
}

}  // namespace vantiro
