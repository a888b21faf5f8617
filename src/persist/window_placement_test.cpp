#include "persist/window_placement.h"

#include <gtest/gtest.h>

#include <climits>
#include <sstream>
#include <vector>

#include "common/fake_file_system.h"
#include "persist/ini_profile.h"

namespace vantiro {
namespace {

std::string show(const ScreenRect& r) {
  std::ostringstream s;
  s << "(" << r.left << "," << r.top << ")-(" << r.right << "," << r.bottom << ")";
  return s.str();
}

TEST(DefaultWindowRect, ProportionalAndCentredInTheWorkArea) {
  struct Case {
    ScreenRect work;
    WindowRect expected;
  };
  const Case cases[] = {
      {{0, 0, 1920, 1040}, {134, 62, 1651, 915}},
      {{-2560, 0, 0, 1400}, {-2381, 84, 2201, 1232}},
      {{0, 0, 3840, 2120}, {269, 127, 3302, 1865}},
      {{0, 40, 1024, 768}, {0, 40, 1024, 728}},
      {{0, 0, 1372, 863}, {96, 51, 1180, 760}},  // 86% is exactly 1179: the floor applies
      {{100, 100, 100, 50}, {100, 100, 0, 0}},   // an empty or inverted work area
      {{INT_MIN, INT_MIN, INT_MAX, INT_MAX},
       {INT_MIN + 300647711, INT_MIN + 257698038, INT_MAX, INT_MAX}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(default_window_rect(c.work), c.expected) << show(c.work);
  }
}

TEST(ClampWindowToWorkArea, KeepsTheWindowOnItsMonitor) {
  struct Case {
    WindowRect in;
    ScreenRect work;
    WindowRect expected;
  };
  const ScreenRect fhd{0, 0, 1920, 1040};
  const Case cases[] = {
      {{-5000, -5000, 3000, 2000}, fhd, {0, 0, 1920, 1040}},
      {{100, 50, 1200, 800}, fhd, {100, 50, 1200, 800}},     // fits: unchanged
      {{100, 50, 300, 200}, fhd, {100, 50, 900, 600}},       // at least 900 by 600
      {{1500, 900, 1000, 700}, fhd, {460, 170, 1000, 700}},  // sticks out: centred
      {{0, 0, 1920, 1040}, fhd, {0, 0, 1920, 1040}},         // exactly the work area
      {{-1, 0, 1000, 700}, fhd, {460, 0, 1000, 700}},
      {{10, 10, 1000, 700}, {0, 0, 800, 500}, {0, 0, 800, 500}},  // work area below 900 by 600
      {{-2000, 10, 1000, 700}, {-2560, 0, 0, 1400}, {-2000, 10, 1000, 700}},
      {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, fhd, {0, 0, 1920, 1040}},  // no overflow
  };
  for (const auto& c : cases) {
    EXPECT_EQ(clamp_window_to_work_area(c.in, c.work), c.expected)
        << c.in.x << "," << c.in.y << " " << c.in.w << "x" << c.in.h << " in " << show(c.work);
  }
}

TEST(MinimumWindowSize, ScalesWithDpiAndFitsTheWorkArea) {
  struct Case {
    std::uint32_t dpi;
    std::optional<ScreenRect> work;
    WindowSize expected;
  };
  const Case cases[] = {
      {96, std::nullopt, {960, 640}},
      {0, std::nullopt, {960, 640}},
      {144, std::nullopt, {1440, 960}},
      {120, ScreenRect{0, 0, 1366, 728}, {1200, 728}},
      {97, std::nullopt, {970, 647}},    // 646.67 rounds up
      {101, std::nullopt, {1010, 673}},  // 673.33 rounds down
      {192, ScreenRect{0, 0, 1920, 1040}, {1920, 1040}},
      {96, ScreenRect{5, 5, 0, 0}, {0, 0}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(minimum_window_size(c.dpi, c.work), c.expected) << c.dpi;
  }
}

TEST(MulDiv, RoundsToNearestLikeTheSystem) {
  struct Case {
    std::int32_t a, b, c, expected;
  };
  const Case cases[] = {
      {960, 120, 96, 1200},
      {640, 97, 96, 647},
      {1, 1, 2, 1},
      {-1, 1, 2, -1},
      {3, 1, 2, 2},
      {-3, 1, 2, -2},
      {5, 1, -2, -3},
      {7, 0, 3, 0},
      {1, 1, 0, -1},
      {INT_MAX, 2, 1, -1},
      {INT_MAX, 2, 2, INT_MAX},
      {INT_MIN, 1, 1, INT_MIN},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(mul_div(c.a, c.b, c.c), c.expected) << c.a << "*" << c.b << "/" << c.c;
  }
}

struct FakeWorkAreas final : WorkAreas {
  std::optional<ScreenRect> primary = ScreenRect{0, 0, 1920, 1040};
  std::optional<ScreenRect> nearest;
  std::vector<ScreenRect> asked;
  std::optional<ScreenRect> primary_work_area() override { return primary; }
  std::optional<ScreenRect> nearest_work_area(const ScreenRect& rect) override {
    asked.push_back(rect);
    return nearest;
  }
};

const Path kIni = Path(u"/data/Vantiro/window.ini");

struct PlacementCase {
  const char* what;
  std::string file;  // empty: no file
  std::optional<ScreenRect> primary;
  std::optional<ScreenRect> nearest;
  WindowPlacement expected;
  bool expanded;
};

TEST(LoadWindowPlacement, CasesTable) {
  const ScreenRect fhd{0, 0, 1920, 1040};
  const ScreenRect left{-2560, 0, 0, 1400};
  const ScreenRect small{0, 0, 800, 500};
  const PlacementCase cases[] = {
      {"no file", "", fhd, fhd, {134, 62, 1651, 915, true}, false},
      {"legacy file without schema",
       "[window]\nx=12\ny=20\nw=900\nh=600\nmax=0\n",
       fhd,
       fhd,
       {134, 62, 1651, 915, true},
       false},
      {"same file with schema 2",
       "[window]\nx=12\ny=20\nw=900\nh=600\nmax=0\nschema=2\n",
       fhd,
       fhd,
       {12, 20, 900, 600, false},
       false},
      {"schema 2 on a small work area",
       "[window]\nx=12\ny=20\nw=900\nh=600\nmax=0\nschema=2\n",
       small,
       small,
       {0, 0, 800, 500, false},
       false},
      {"another schema",
       "[window]\nx=12\ny=20\nw=900\nh=600\nmax=0\nschema=3\n",
       fhd,
       fhd,
       {134, 62, 1651, 915, true},
       false},
      {"max missing means maximised",
       "[window]\nx=12\ny=20\nw=900\nh=600\nschema=2\n",
       fhd,
       fhd,
       {12, 20, 900, 600, true},
       false},
      {"max any non-zero",
       "[window]\nx=12\ny=20\nw=900\nh=600\nmax=7\nschema=2\n",
       fhd,
       fhd,
       {12, 20, 900, 600, true},
       false},
      {"on the left monitor",
       "[window]\nx=-2000\ny=10\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       left,
       {-2000, 10, 1000, 700, false},
       false},
      {"x beyond 65536",
       "[window]\nx=70000\ny=10\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       left,
       {134, 62, 1651, 915, true},
       false},
      {"y beyond -65536",
       "[window]\nx=0\ny=-65537\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       left,
       {134, 62, 1651, 915, true},
       false},
      {"x the smallest integer",
       "[window]\nx=-2147483648\ny=0\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       left,
       {134, 62, 1651, 915, true},
       false},
      {"x exactly 65536",
       "[window]\nx=65536\ny=0\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       fhd,
       {460, 0, 1000, 700, false},
       false},
      {"zero width",
       "[window]\nx=0\ny=0\nw=0\nh=700\nmax=0\nschema=2\n",
       fhd,
       fhd,
       {134, 62, 1651, 915, true},
       false},
      {"negative size",
       "[window]\nx=0\ny=0\nw=-5\nh=700\nmax=0\nschema=2\n",
       fhd,
       fhd,
       {134, 62, 1651, 915, true},
       false},
      {"huge size",
       "[window]\nx=0\ny=0\nw=99999999\nh=99999999\nmax=0\nschema=2\n",
       fhd,
       fhd,
       {0, 0, 1920, 1040, false},
       false},
      {"no monitor information",
       "[window]\nx=10\ny=10\nw=1000\nh=700\nmax=0\nschema=2\n",
       fhd,
       std::nullopt,
       {10, 10, 1000, 700, false},
       false},
      {"no work area at all",
       "[window]\nx=10\ny=10\nw=1000\nh=700\nmax=0\nschema=2\n",
       std::nullopt,
       std::nullopt,
       {10, 10, 1000, 700, false},
       false},
      {"no work area and no file",
       "",
       std::nullopt,
       std::nullopt,
       {50, 20, 1180, 760, true},
       false},
      {"empty work areas",
       "",
       ScreenRect{0, 0, 0, 0},
       ScreenRect{0, 0, 0, 0},
       {50, 20, 1180, 760, true},
       false},
      {"expanded", "[window]\nexpanded=1\n", fhd, fhd, {134, 62, 1651, 915, true}, true},
      {"expanded other than 1",
       "[window]\nexpanded=2\n",
       fhd,
       fhd,
       {134, 62, 1651, 915, true},
       false},
  };
  for (const auto& c : cases) {
    FakeFileSystem fs;
    if (!c.file.empty()) fs.add_file(kIni, c.file);
    IniProfileStore profiles(fs);
    FakeWorkAreas areas;
    areas.primary = c.primary;
    areas.nearest = c.nearest;
    const LoadedWindowPlacement got = load_window_placement(profiles, areas, kIni);
    const WindowPlacement& p = got.placement;
    EXPECT_EQ(p, c.expected) << c.what << ": got " << p.x << "," << p.y << " " << p.w << "x" << p.h
                             << (p.maximized ? " max" : "");
    EXPECT_EQ(got.sidebar_expanded, c.expanded) << c.what;
  }
}

TEST(LoadWindowPlacement, AsksForTheMonitorNearestToTheSavedRectangle) {
  FakeFileSystem fs;
  fs.add_file(kIni, "[window]\nx=-2000\ny=10\nw=1000\nh=70000\nschema=2\n");
  IniProfileStore profiles(fs);
  FakeWorkAreas areas;
  load_window_placement(profiles, areas, kIni);
  ASSERT_EQ(areas.asked.size(), 1u);
  EXPECT_EQ(areas.asked[0], (ScreenRect{-2000, 10, -1000, 10 + 65536}));

  fs.add_file(kIni, "[window]\nx=12\ny=20\nw=900\nh=600\n");
  FakeWorkAreas legacy;
  load_window_placement(profiles, legacy, kIni);
  EXPECT_TRUE(legacy.asked.empty()) << "an untrusted file uses the primary monitor";
}

TEST(PlacementToSave, MovesWorkspaceCoordinatesToTheScreen) {
  // A taskbar on the left of the monitor shifts the work area by 48 pixels.
  const ScreenRect monitor{0, 0, 1920, 1080};
  const ScreenRect work{48, 0, 1920, 1080};
  EXPECT_EQ(placement_to_save({10, 20, 1010, 720}, monitor, work, false),
            (WindowPlacement{58, 20, 1000, 700, false}));
  EXPECT_EQ(placement_to_save({10, 20, 1010, 720}, std::nullopt, std::nullopt, true),
            (WindowPlacement{10, 20, 1000, 700, true}));
}

TEST(SaveWindowPlacement, WritesEveryKeyInOrderAndKeepsOtherLines) {
  FakeFileSystem fs;
  IniProfileStore profiles(fs);
  ASSERT_TRUE(save_window_placement(fs, profiles, kIni, {-12, 34, 1000, 700, true}, true));
  EXPECT_EQ(fs.contents(kIni),
            "[window]\r\nx=-12\r\ny=34\r\nw=1000\r\nh=700\r\nmax=1\r\nexpanded=1\r\nschema=2\r\n");

  fs.add_file(kIni, "; mine\n[window]\nschema=1\nx=5\nextra=keep\n[other]\nq=1\n");
  ASSERT_TRUE(save_window_placement(fs, profiles, kIni, {1, 2, 900, 600, false}, false));
  EXPECT_EQ(fs.contents(kIni),
            "; mine\n[window]\nschema=2\nx=1\nextra=keep\ny=2\nw=900\nh=600\nmax=0\nexpanded=0\n"
            "[other]\nq=1\n");

  // Saved and loaded again on the same monitor: the user's window comes back.
  FakeWorkAreas areas;
  areas.nearest = ScreenRect{0, 0, 1920, 1040};
  EXPECT_EQ(load_window_placement(profiles, areas, kIni).placement,
            (WindowPlacement{1, 2, 900, 600, false}));
}

TEST(SaveWindowPlacement, StopsAtTheFirstFailureSoNoSchemaIsWritten) {
  FakeFileSystem fs;
  fs.fail_create_directories(true);
  IniProfileStore profiles(fs);
  EXPECT_FALSE(save_window_placement(fs, profiles, kIni, {1, 2, 900, 600, false}, false));
  EXPECT_FALSE(fs.exists(kIni));

  FakeFileSystem refused;
  refused.add_file(kIni, "[window]\nx=1\n");
  refused.fail_replace(kIni);
  IniProfileStore refused_profiles(refused);
  EXPECT_FALSE(
      save_window_placement(refused, refused_profiles, kIni, {5, 5, 900, 600, false}, false));
  EXPECT_EQ(refused.contents(kIni), "[window]\nx=1\n");
  EXPECT_EQ(refused.replace_calls(), 1);
}

}  // namespace
}  // namespace vantiro
