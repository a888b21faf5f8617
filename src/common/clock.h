#pragma once

#include <cstdint>

namespace vantiro {

// Logic takes time as an argument; the host reads it from here.
struct Clock {
  virtual ~Clock() = default;
  // Monotonic milliseconds since an arbitrary start; never goes back.
  virtual std::uint64_t now_ms() = 0;
  // Wall-clock milliseconds since 1970-01-01 UTC (cookie expiry, reports).
  virtual std::int64_t wall_time_ms() = 0;
};

}  // namespace vantiro
