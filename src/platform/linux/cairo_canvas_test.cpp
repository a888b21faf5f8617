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

// The pixels of an image surface, rows top to bottom.
std::vector<std::uint32_t> pixels_of(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  const int w = cairo_image_surface_get_width(surface);
  const int h = cairo_image_surface_get_height(surface);
  std::vector<std::uint32_t> out(static_cast<size_t>(w) * static_cast<size_t>(h));
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < h; ++y) {
    std::memcpy(&out[static_cast<size_t>(y) * static_cast<size_t>(w)],
                data + static_cast<ptrdiff_t>(y) * stride, static_cast<size_t>(w) * 4);
  }
  return out;
}

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
  std::vector<std::uint32_t> out = pixels_of(surface);
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
  double scale;
  RectF area;
  RectF clip;  // the image reaches 10 DIPs past its right and bottom edges
  Point centre;
  Point radii;
  bool three_stops;
  bool in_layer;
  int width() const { return static_cast<int>((clip.right + 10) * scale); }
  int height() const { return static_cast<int>((clip.bottom + 10) * scale); }
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
    c.fill_radial(g.area, g.centre, g.radii.x, g.radii.y, three, fidelity);
  } else {
    c.fill_radial(g.area, g.centre, g.radii.x, g.radii.y, two, fidelity);
  }
  if (g.in_layer) c.pop_layer();
  c.pop_clip();
}

const GlowCase kGlowCases[] = {
    {"launcher glow at 144 DPI, fractional content edges", 1.5,
     RectF{100.3f, 40.2f, 900.7f, 560.9f}, RectF{100.3f, 40.2f, 900.7f, 560.9f},
     Point{500.5f, 256.45f}, Point{416.2f, 325}, false, false},
    {"centre near a corner: the ellipse's box cuts the area", 1, RectF{0, 0, 640, 400},
     RectF{0, 0, 640, 400}, Point{600, -50}, Point{300, 200}, false, false},
    {"a clip inside the area", 1.25, RectF{10, 10, 700, 500}, RectF{200.4f, 100.6f, 520.2f, 420.8f},
     Point{350, 250}, Point{340, 240}, false, false},
    {"three stops inside a layer at 200 %", 2, RectF{0.5f, 0.5f, 380.25f, 290.75f},
     RectF{0, 0, 390, 300}, Point{190.3f, 140.7f}, Point{200, 160}, true, true},
    {"a narrow ellipse", 1, RectF{0, 0, 800, 500}, RectF{0, 0, 800, 500}, Point{400, 250},
     Point{390, 40}, false, false},
};

TEST(CairoCanvas, GlowsInMotionStayWithinTheToleranceOfExactGlows) {
  // Frames in motion may take the cheaper glow as long as no channel moves by more than the
  // tolerance from the exact picture.
  for (const GlowCase& g : kGlowCases) {
    const auto exact = painted(g.width(), g.height(), g.scale,
                               [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
    const auto moving = painted(g.width(), g.height(), g.scale,
                                [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::motion); });
    const auto base =
        painted(g.width(), g.height(), g.scale, [&](CairoCanvas& c) { c.clear(rgb(0x080D15)); });
    EXPECT_GT(largest_channel_difference(exact, base), 10) << g.what << ": no glow to compare";
    EXPECT_LE(largest_channel_difference(moving, exact), chrome::kMotionTolerance) << g.what;
  }
}

TEST(CairoCanvas, AnExactOnlyCanvasDrawsGlowsInMotionExactly) {
  const GlowCase& g = kGlowCases[0];
  const auto exact = painted(g.width(), g.height(), g.scale,
                             [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
  const auto moving = painted(g.width(), g.height(), g.scale, [&](CairoCanvas& c) {
    c.set_exact_only(true);
    draw_glow(c, g, Fidelity::motion);
  });
  EXPECT_EQ(moving, exact);
}

TEST(CairoCanvas, AGlowInMotionLeavesTheExactGlowOfLaterFramesAlone) {
  // One canvas across frames: a steady frame after moving ones is exact, the first time and
  // from the copy kept the time after.
  const GlowCase& g = kGlowCases[0];
  const auto exact = painted(g.width(), g.height(), g.scale,
                             [&](CairoCanvas& c) { draw_glow(c, g, Fidelity::exact); });
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, g.width(), g.height());
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
    EXPECT_TRUE(pixels_of(surface) == exact) << "frame " << frame;
  }
  cairo_surface_destroy(surface);
}

}  // namespace
}  // namespace vantiro::platform
