#include "app/motion_state.h"

namespace vantiro {

bool is_low_end_machine(std::optional<std::uint64_t> total_memory_bytes,
                        std::uint32_t logical_processors) {
  if (total_memory_bytes && *total_memory_bytes != 0 && *total_memory_bytes <= kLowEndMemoryBytes) {
    return true;
  }
  return logical_processors >= 1 && logical_processors <= 4;
}

MotionState derive_motion_state(ReduceMotionSetting reduce_motion, PerfModeSetting perf_mode,
                                bool system_animations, bool low_end_machine) {
  MotionState m;
  switch (perf_mode) {
    case PerfModeSetting::low:
      m.perf_lite = true;
      break;
    case PerfModeSetting::high:
      m.perf_lite = false;
      break;
    case PerfModeSetting::automatic:
      m.perf_lite = low_end_machine;
      break;
  }
  m.reduced_motion = reduce_motion == ReduceMotionSetting::on ||
                     (reduce_motion == ReduceMotionSetting::system && !system_animations) ||
                     perf_mode == PerfModeSetting::low;
  return m;
}

float sidebar_end_width(bool expanded) {
  return expanded ? kSidebarExpandedWidth : kSidebarCompactWidth;
}

float settle_sidebar_width(float current_width, bool expanded, bool reduced_motion) {
  return reduced_motion ? sidebar_end_width(expanded) : current_width;
}

}  // namespace vantiro
