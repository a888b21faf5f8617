#include <time.h>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

struct PosixClock final : Clock {
  std::uint64_t now_ms() override {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  }
  std::int64_t wall_time_ms() override {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
  }
};

}  // namespace

std::unique_ptr<Clock> make_clock() {
  return std::make_unique<PosixClock>();
}

}  // namespace vantiro::platform
