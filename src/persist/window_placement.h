#pragma once

#include <cstdint>
#include <optional>

#include "common/file_system.h"
#include "persist/profile_store.h"

namespace vantiro {

// Screen rectangle in physical pixels, right and bottom exclusive.
struct ScreenRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// Outer window rectangle as origin and size.
struct WindowRect {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
  friend bool operator==(const WindowRect&, const WindowRect&) = default;
};

struct WindowPlacement {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t w = 0;
  std::int32_t h = 0;
  bool maximized = false;
  friend bool operator==(const WindowPlacement&, const WindowPlacement&) = default;
};

struct WindowSize {
  std::int32_t width = 0;
  std::int32_t height = 0;
  friend bool operator==(const WindowSize&, const WindowSize&) = default;
};

// Used when the system reports no usable work area at all, so that a window still opens at a
// size a person can work with instead of 0 by 0.
inline constexpr ScreenRect kFallbackWorkArea{0, 0, 1280, 800};

// Placement values beyond this are not trusted.
inline constexpr std::int32_t kMaxPlacementCoordinate = 65536;

// Monitors as the window placement needs them. A rectangle with no width or height counts as
// unavailable.
struct WorkAreas {
  virtual ~WorkAreas() = default;
  // Work area of the primary monitor.
  virtual std::optional<ScreenRect> primary_work_area() = 0;
  // Work area of the monitor nearest to the rectangle.
  virtual std::optional<ScreenRect> nearest_work_area(const ScreenRect& rect) = 0;
};

WindowRect default_window_rect(const ScreenRect& work);
WindowRect clamp_window_to_work_area(const WindowRect& rect, const ScreenRect& work);

// number * numerator / denominator from a 64-bit product, rounded half away from zero; -1 when
// the denominator is 0 or the result does not fit, as the system's MulDiv.
std::int32_t mul_div(std::int32_t number, std::int32_t numerator, std::int32_t denominator);

// 960 by 640 at 96 DPI, scaled by dpi (0 counts as 96), no larger than the work area.
WindowSize minimum_window_size(std::uint32_t dpi, const std::optional<ScreenRect>& work);

struct LoadedWindowPlacement {
  WindowPlacement placement;
  bool sidebar_expanded = false;  // the file's "expanded" value
};

LoadedWindowPlacement load_window_placement(ProfileStore& profiles, WorkAreas& areas,
                                            const Path& path);

// The values to save from the system's placement of the window: its normal rectangle is in
// workspace coordinates, so it is moved by the nearest monitor's work-area origin minus its
// monitor origin (no move when the monitor is unknown).
WindowPlacement placement_to_save(const ScreenRect& normal_rect,
                                  const std::optional<ScreenRect>& monitor,
                                  const std::optional<ScreenRect>& monitor_work_area,
                                  bool maximized);

// Creates the file's folder, then writes x, y, w, h, max, expanded and schema (2) in that order,
// one key at a time so the file's other lines stay. Stops at the first failed write so that
// schema 2 is only written after the rest. The caller ignores the result; tests read it.
bool save_window_placement(FileSystem& fs, ProfileStore& profiles, const Path& path,
                           const WindowPlacement& placement, bool sidebar_expanded);

}  // namespace vantiro
