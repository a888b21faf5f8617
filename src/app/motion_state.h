#pragma once

#include <cstdint>
#include <optional>

#include "persist/settings.h"

namespace vantiro {

inline constexpr std::uint64_t kLowEndMemoryBytes = 8589934592ull;  // 8 GiB
inline constexpr float kSidebarExpandedWidth = 220.0f;              // DIPs
inline constexpr float kSidebarCompactWidth = 64.0f;                // DIPs

// At most 8 GiB of memory (when known and non-zero) or 1 to 4 logical processors.
bool is_low_end_machine(std::optional<std::uint64_t> total_memory_bytes,
                        std::uint32_t logical_processors);

struct MotionState {
  bool perf_lite = false;
  bool reduced_motion = false;
};

MotionState derive_motion_state(ReduceMotionSetting reduce_motion, PerfModeSetting perf_mode,
                                bool system_animations, bool low_end_machine);

float sidebar_end_width(bool expanded);

// Under reduced motion the animated width jumps to its end; otherwise it stays where it is.
float settle_sidebar_width(float current_width, bool expanded, bool reduced_motion);

}  // namespace vantiro
