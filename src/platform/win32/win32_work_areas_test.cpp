#include <windows.h>

#include <gtest/gtest.h>

#include "platform/win32/win32_work_areas.h"

namespace vantiro::platform {
namespace {

TEST(Win32WorkAreas, PrimaryAndNearestAreasAreTheSystemsOwn) {
  auto areas = make_win32_work_areas();
  const auto primary = areas->primary_work_area();
  ASSERT_TRUE(primary.has_value());
  RECT spi{};
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &spi, 0));
  EXPECT_EQ(*primary, (ScreenRect{spi.left, spi.top, spi.right, spi.bottom}));
  EXPECT_GT(primary->right - primary->left, 0);
  EXPECT_GT(primary->bottom - primary->top, 0);
  // Far off every screen: still the nearest monitor, here the only one.
  const auto nearest = areas->nearest_work_area(ScreenRect{60000, 60000, 61000, 61000});
  ASSERT_TRUE(nearest.has_value());
  EXPECT_EQ(*nearest, *primary);
}

}  // namespace
}  // namespace vantiro::platform
