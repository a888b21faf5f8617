#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"

// GTK and the libraries under it keep caches for the life of the process (fonts, D-Bus, type
// registrations); only their allocations are exempt from the leak check. Weak, so that another
// test file of the program may give a longer list.
extern "C" const char* __lsan_default_suppressions();
extern "C" __attribute__((weak)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libpango\n"
         "leak:libharfbuzz.so\n"
         "leak:libcairo.so\n"
         "leak:libatk\n"
         "leak:libatspi.so\n";
}

namespace vantiro::platform {
namespace {

using gtk_tests::ChildRun;

std::string describe(const std::optional<ScreenRect>& r) {
  if (!r) return "none";
  return std::to_string(r->left) + " " + std::to_string(r->top) + " " + std::to_string(r->right) +
         " " + std::to_string(r->bottom);
}

// The test run gives the display one 1920 by 1080 screen and no window manager, so the work
// area is the whole screen.
TEST(GdkWorkAreas, ReportsTheWholeScreenOfTheTestDisplay) {
  VANTIRO_REQUIRE_DISPLAY();
  GdkMonitor* monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
  ASSERT_NE(monitor, nullptr);
  GdkRectangle g{};
  gdk_monitor_get_geometry(monitor, &g);
  if (g.width != 1920 || g.height != 1080 || gdk_monitor_get_scale_factor(monitor) != 1)
    GTEST_SKIP() << "display is not the 1920x1080 test screen";

  auto areas = make_work_areas();
  EXPECT_EQ(describe(areas->primary_work_area()), "0 0 1920 1080");
  struct Case {
    const char* what;
    ScreenRect rect;
  };
  const Case cases[] = {
      {"inside", {100, 100, 900, 700}},
      {"far above and left", {-5000, -5000, -2000, -3000}},
      {"far right", {50000, 10, 51000, 500}},
      {"empty", {0, 0, 0, 0}},
      {"straddling the edge", {1800, 1000, 2800, 2000}},
  };
  for (const auto& c : cases)
    EXPECT_EQ(describe(areas->nearest_work_area(c.rect)), "0 0 1920 1080") << c.what;
}

// Child side: prints the answers of the port as this process sees the display.
TEST(DISABLED_GdkWorkAreasChild, PrintsTheAnswers) {
  auto areas = make_work_areas();
  std::printf("primary=%s\n", describe(areas->primary_work_area()).c_str());
  std::printf("nearest=%s\n", describe(areas->nearest_work_area({10, 10, 20, 20})).c_str());
  std::fflush(stdout);
}

TEST(GdkWorkAreas, IsUnavailableWithoutADisplay) {
  ChildRun child("DISABLED_GdkWorkAreasChild.*", {}, {"DISPLAY", "WAYLAND_DISPLAY"});
  ASSERT_TRUE(child.started());
  EXPECT_TRUE(child.wait_for("nearest=", 20000)) << child.output();
  EXPECT_EQ(child.wait_exit(20000), 0) << child.output();
  EXPECT_NE(child.output().find("primary=none\n"), std::string::npos) << child.output();
  EXPECT_NE(child.output().find("nearest=none\n"), std::string::npos) << child.output();
}

// Under a window scale of 2 GDK reports 960 by 540 application pixels; the port answers in
// physical pixels.
TEST(GdkWorkAreas, AppliesTheMonitorScaleFactor) {
  VANTIRO_REQUIRE_DISPLAY();
  GdkMonitor* monitor = gdk_display_get_monitor(gdk_display_get_default(), 0);
  GdkRectangle g{};
  gdk_monitor_get_geometry(monitor, &g);
  if (g.width != 1920 || g.height != 1080 || gdk_monitor_get_scale_factor(monitor) != 1)
    GTEST_SKIP() << "display is not the 1920x1080 test screen";
  ChildRun child("DISABLED_GdkWorkAreasChild.*", {"GDK_SCALE=2"});
  ASSERT_TRUE(child.started());
  EXPECT_TRUE(child.wait_for("nearest=", 20000)) << child.output();
  EXPECT_EQ(child.wait_exit(20000), 0) << child.output();
  EXPECT_NE(child.output().find("primary=0 0 1920 1080\n"), std::string::npos) << child.output();
  EXPECT_NE(child.output().find("nearest=0 0 1920 1080\n"), std::string::npos) << child.output();
}

}  // namespace
}  // namespace vantiro::platform
