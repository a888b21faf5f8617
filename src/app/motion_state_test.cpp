#include "app/motion_state.h"

#include <gtest/gtest.h>

namespace vantiro {
namespace {

TEST(LowEndMachine, MemoryAndProcessorTable) {
  constexpr std::uint64_t GiB = 1024ull * 1024 * 1024;
  struct Case {
    std::optional<std::uint64_t> memory;
    std::uint32_t processors;
    bool expected;
  };
  const Case cases[] = {
      {8 * GiB, 16, true},     {8 * GiB + 1, 16, false},
      {4 * GiB, 16, true},     {16 * GiB, 4, true},
      {16 * GiB, 5, false},    {16 * GiB, 1, true},
      {16 * GiB, 0, false},    {std::nullopt, 8, false},
      {std::nullopt, 2, true}, {std::nullopt, 0, false},
      {0, 8, false},           {1, 8, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_low_end_machine(c.memory, c.processors), c.expected)
        << (c.memory ? std::to_string(*c.memory) : "unknown") << " bytes, " << c.processors;
  }
}

TEST(MotionState, DerivedFromSettingsSystemAndMachine) {
  using R = ReduceMotionSetting;
  using P = PerfModeSetting;
  struct Case {
    R reduce;
    P perf;
    bool system_animations;
    bool low_end;
    bool perf_lite;
    bool reduced;
  };
  const Case cases[] = {
      {R::system, P::automatic, true, false, false, false},
      {R::system, P::automatic, true, true, true, false},    // light mode on a small machine
      {R::system, P::automatic, false, false, false, true},  // the system turned animations off
      {R::off, P::automatic, false, false, false, false},
      {R::on, P::automatic, true, false, false, true},
      {R::off, P::low, true, false, true, true},       // low always reduces motion
      {R::system, P::high, true, true, false, false},  // high wins over the machine class
      {R::on, P::high, true, true, false, true},
  };
  for (const auto& c : cases) {
    const MotionState m = derive_motion_state(c.reduce, c.perf, c.system_animations, c.low_end);
    EXPECT_EQ(m.perf_lite, c.perf_lite)
        << static_cast<int>(c.reduce) << "/" << static_cast<int>(c.perf) << "/"
        << c.system_animations << "/" << c.low_end;
    EXPECT_EQ(m.reduced_motion, c.reduced)
        << static_cast<int>(c.reduce) << "/" << static_cast<int>(c.perf) << "/"
        << c.system_animations << "/" << c.low_end;
  }
  // "normal" in the file reads as high.
  const AppSettings s = parse_settings("[settings]\nschema=1\nperf_mode=normal\n");
  EXPECT_FALSE(derive_motion_state(s.reduce_motion, s.perf_mode, true, true).perf_lite);
}

TEST(SidebarWidth, JumpsToItsEndUnderReducedMotion) {
  EXPECT_EQ(sidebar_end_width(true), 220.0f);
  EXPECT_EQ(sidebar_end_width(false), 64.0f);
  EXPECT_EQ(settle_sidebar_width(130.0f, true, true), 220.0f);
  EXPECT_EQ(settle_sidebar_width(130.0f, false, true), 64.0f);
  EXPECT_EQ(settle_sidebar_width(130.0f, true, false), 130.0f);
}

}  // namespace
}  // namespace vantiro
