#pragma once

// The host clock's tests; each host's test file includes them once.

#include <gtest/gtest.h>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

TEST(HostClock, IsMonotonicAndWallTimeIsAfter2024) {
  auto clock = make_clock();
  const auto a = clock->now_ms();
  const auto b = clock->now_ms();
  EXPECT_LE(a, b);
  EXPECT_GT(clock->wall_time_ms(), 1704067200000);  // 2024-01-01
}

}  // namespace
}  // namespace vantiro::platform
