#include "platform/linux/cairo_canvas.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace vantiro::platform {
namespace {

using chrome::Fidelity;
using chrome::GradientStop;
using chrome::Point;
using chrome::RectF;
using chrome::rgb;

// What draw paints on a w x h image whose user space is scaled by scale, from a new canvas.
std::vector<std::uint32_t> painted(int w, int h, double scale,
                                   const std::function<void(CairoCanvas&)>& draw) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  {
    CairoCanvas canvas(cr);
    draw(canvas);
  }
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  std::vector<std::uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    std::memcpy(&out[static_cast<size_t>(y) * static_cast<size_t>(w)],
                data + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(w) * 4);
  }
  cairo_surface_destroy(surface);
  return out;
}

int largest_channel_difference(const std::vector<std::uint32_t>& a,
                               const std::vector<std::uint32_t>& b) {
  int largest = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift = 0; shift < 32; shift += 8) {
      const int d = std::abs(static_cast<int>((a[i] >> shift) & 0xFFu) -
                             static_cast<int>((b[i] >> shift) & 0xFFu));
      largest = std::max(largest, d);
    }
  }
  return largest;
}

struct GlowCase {
  const char* what;
  int width;
  int height;
  double scale;
  RectF area;
  RectF clip;
  Point centre;
  float rx;
  float ry;
  bool three_stops;
  bool in_layer;
};

// A glow over an opaque base inside a hard clip, the way the painter draws one.
void draw_glow(CairoCanvas& c, const GlowCase& g, Fidelity fidelity) {
  const GradientStop two[] = {{0, rgb(0xF1D4B1, 0.12f)}, {1, rgb(0xF1D4B1, 0)}};
  const GradientStop three[] = {
      {0, rgb(0xF1D4B1, 0.3f)}, {0.45f, rgb(0xF1D4B1, 0.114f)}, {1, rgb(0xF1D4B1, 0)}};
  c.clear(rgb(0x080D15));
  c.push_clip(g.clip, false);
  if (g.in_layer) c.push_layer(0.8f);
  if (g.three_stops) {
    c.fill_radial(g.area, g.centre, g.rx, g.ry, three, fidelity);
  } else {
    c.fill_radial(g.area, g.centre, g.rx, g.ry, two, fidelity);
  }
  if (g.in_layer) c.pop_layer();
  c.pop_clip();
}

const GlowCase kGlowCases[] = {
    {"launcher glow at 144 DPI, fractional content edges",
     1400,
     860,
     1.5,
     {100.3f, 40.2f, 900.7f, 560.9f},
     {100.3f, 40.2f, 900.7f, 560.9f},
     {500.5f, 256.45f},
     416.2f,
     325,
     false,
     false},
    {"centre near a corner: the ellipse's box cuts the area",
     640,
     400,
     1,
     {0, 0, 640, 400},
     {0, 0, 640, 400},
     {600, -50},
     300,
     200,
     false,
     false},
    {"a clip inside the area",
     900,
     640,
     1.25,
     {10, 10, 700, 500},
     {200.4f, 100.6f, 520.2f, 420.8f},
     {350, 250},
     340,
     240,
     false,
     false},
    {"three stops inside a layer at 200 %",
     780,
     600,
     2,
     {0.5f, 0.5f, 380.25f, 290.75f},
     {0, 0, 390, 300},
     {190.3f, 140.7f},
     200,
     160,
     true,
     true},
    {"a narrow ellipse",
     800,
     500,
     1,
     {0, 0, 800, 500},
     {0, 0, 800, 500},
     {400, 250},
     390,
     40,
     false,
     false},
};

TEST(CairoCanvas, GlowsInMotionStayWithinTheToleranceOfExactGlows) {
  // Frames in motion may take the cheaper glow as long as no channel moves by more than the
  // tolerance from the exact picture.
  for (const GlowCase& g : kGlowCases) {
    const auto exact = painted(g.width, g.height, g.scale,
                               [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
    const auto moving = painted(g.width, g.height, g.scale,
                                [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::motion); });
    const auto base =
        painted(g.width, g.height, g.scale, [&](CairoCanvas& c) { c.clear(rgb(0x080D15)); });
    EXPECT_GT(largest_channel_difference(exact, base), 10) << g.what << ": no glow to compare";
    EXPECT_LE(largest_channel_difference(moving, exact), chrome::kMotionTolerance) << g.what;
  }
}

TEST(CairoCanvas, AnExactOnlyCanvasDrawsGlowsInMotionExactly) {
  const GlowCase& g = kGlowCases[0];
  const auto exact = painted(g.width, g.height, g.scale,
                             [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
  const auto moving = painted(g.width, g.height, g.scale, [&](CairoCanvas& c) {
    c.set_exact_only(true);
    draw_glow(c, g, Fidelity::motion);
  });
  EXPECT_EQ(moving, exact);
}

TEST(CairoCanvas, AGlowInMotionLeavesTheExactGlowOfLaterFramesAlone) {
  // One canvas across frames: a steady frame after moving ones is exact, the first time and
  // from the copy kept the time after.
  const GlowCase& g = kGlowCases[0];
  const auto exact = painted(g.width, g.height, g.scale,
                             [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, g.width, g.height);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, g.scale, g.scale);
  CairoCanvas canvas(cr);
  cairo_destroy(cr);
  for (int frame = 0; frame < 6; ++frame) {
    cr = cairo_create(surface);
    cairo_scale(cr, g.scale, g.scale);
    canvas.retarget(cr);
    draw_glow(canvas, g, frame < 3 ? Fidelity::motion : Fidelity::exact);
    cairo_destroy(cr);
    if (frame < 3) continue;
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    int differing = 0;
    for (int y = 0; y < g.height; ++y) {
      differing += std::memcmp(&exact[static_cast<size_t>(y) * static_cast<size_t>(g.width)],
                               data + static_cast<ptrdiff_t>(y) * stride,
                               static_cast<size_t>(g.width) * 4) != 0;
    }
    EXPECT_EQ(differing, 0) << "frame " << frame;
  }
  cairo_surface_destroy(surface);
}

}  // namespace
}  // namespace vantiro::platform
