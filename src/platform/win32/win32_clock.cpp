#include <windows.h>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

struct Win32Clock final : Clock {
  std::uint64_t now_ms() override { return GetTickCount64(); }
  std::int64_t wall_time_ms() override {
    FILETIME ft{};
    GetSystemTimePreciseAsFileTime(&ft);
    ULARGE_INTEGER t{};
    t.LowPart = ft.dwLowDateTime;
    t.HighPart = ft.dwHighDateTime;
    // FILETIME counts 100 ns ticks from 1601-01-01.
    constexpr std::uint64_t kEpochDiff = 116444736000000000ull;
    return static_cast<std::int64_t>((t.QuadPart - kEpochDiff) / 10000u);
  }
};

}  // namespace

std::unique_ptr<Clock> make_clock() {
  return std::make_unique<Win32Clock>();
}

}  // namespace vantiro::platform
