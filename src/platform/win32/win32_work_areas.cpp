#include <windows.h>

#include "platform/win32/win32_work_areas.h"

namespace vantiro::platform {
namespace {

ScreenRect from_rect(const RECT& r) {
  return ScreenRect{static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top),
                    static_cast<std::int32_t>(r.right), static_cast<std::int32_t>(r.bottom)};
}

std::optional<ScreenRect> work_area_of(HMONITOR monitor) {
  if (monitor == nullptr) return std::nullopt;
  MONITORINFO info{};
  info.cbSize = sizeof(info);
  if (!GetMonitorInfoW(monitor, &info)) return std::nullopt;
  return from_rect(info.rcWork);
}

struct Win32WorkAreas final : WorkAreas {
  std::optional<ScreenRect> primary_work_area() override {
    if (auto work = work_area_of(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY))) {
      return work;
    }
    RECT r{};
    if (!SystemParametersInfoW(SPI_GETWORKAREA, 0, &r, 0)) return std::nullopt;
    return from_rect(r);
  }

  std::optional<ScreenRect> nearest_work_area(const ScreenRect& rect) override {
    const RECT r{rect.left, rect.top, rect.right, rect.bottom};
    return work_area_of(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST));
  }
};

}  // namespace

std::unique_ptr<WorkAreas> make_win32_work_areas() {
  return std::make_unique<Win32WorkAreas>();
}

}  // namespace vantiro::platform
