#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"

namespace vantiro::platform {
namespace {

using gtk_tests::ChildRun;

std::string describe(const std::optional<ScreenRect>& r) {
  if (!r) return "none";
  return std::to_string(r->left) + " " + std::to_string(r->top) + " " + std::to_string(r->right) +
         " " + std::to_string(r->bottom);
}

struct Probe {
  const char* what;
  ScreenRect rect;
};

// Rectangles in physical pixels around a single 1920 by 1080 screen.
const Probe kProbes[] = {
    {"inside", {100, 100, 900, 700}},         {"far-above-left", {-5000, -5000, -2000, -3000}},
    {"far-right", {50000, 10, 51000, 500}},   {"empty", {0, 0, 0, 0}},
    {"straddling", {1800, 1000, 2800, 2000}},
};

// Child side: prints the answers of the port as this process sees its display.
TEST(DISABLED_GdkWorkAreasChild, PrintsTheAnswers) {
  auto areas = make_work_areas();
  std::printf("primary=%s\n", describe(areas->primary_work_area()).c_str());
  for (const auto& p : kProbes)
    std::printf("nearest %s=%s\n", p.what, describe(areas->nearest_work_area(p.rect)).c_str());
  std::fflush(stdout);
}

// Each run has a display of its own with one 1920 by 1080 screen and no window manager, so
// the work area is the whole screen. Under a window scale of 2 GDK reports 960 by 540
// application pixels; the port answers in physical pixels either way.
TEST(GdkWorkAreas, ReportsTheWorkAreaOfItsOwnTestDisplayInPhysicalPixels) {
  if (std::system("command -v xvfb-run >/dev/null 2>&1") != 0) GTEST_SKIP() << "no xvfb-run";
  for (const char* scale : {"1", "2"}) {
    ChildRun child("DISABLED_GdkWorkAreasChild.*", {std::string("GDK_SCALE=") + scale}, {},
                   {"xvfb-run", "-a", "-s", "-screen 0 1920x1080x24"});
    ASSERT_TRUE(child.started()) << scale;
    EXPECT_TRUE(child.wait_for("nearest straddling=", 30000)) << scale << child.output();
    EXPECT_EQ(child.wait_exit(30000), 0) << scale << child.output();
    EXPECT_NE(child.output().find("primary=0 0 1920 1080\n"), std::string::npos)
        << "scale " << scale << "\n"
        << child.output();
    for (const auto& p : kProbes) {
      const std::string line = std::string("nearest ") + p.what + "=0 0 1920 1080\n";
      EXPECT_NE(child.output().find(line), std::string::npos)
          << "scale " << scale << " " << p.what << "\n"
          << child.output();
    }
  }
}

TEST(GdkWorkAreas, IsUnavailableWithoutADisplay) {
  ChildRun child("DISABLED_GdkWorkAreasChild.*", {}, {"DISPLAY", "WAYLAND_DISPLAY"});
  ASSERT_TRUE(child.started());
  EXPECT_TRUE(child.wait_for("nearest straddling=", 20000)) << child.output();
  EXPECT_EQ(child.wait_exit(20000), 0) << child.output();
  EXPECT_NE(child.output().find("primary=none\n"), std::string::npos) << child.output();
  for (const auto& p : kProbes) {
    EXPECT_NE(child.output().find(std::string("nearest ") + p.what + "=none\n"), std::string::npos)
        << p.what << "\n"
        << child.output();
  }
}

}  // namespace
}  // namespace vantiro::platform
