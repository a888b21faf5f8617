#include "platform/linux/cairo_canvas.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "common/utf.h"

namespace vantiro::platform {

using chrome::Color;
using chrome::Point;
using chrome::RectF;

namespace {

constexpr double kPi = 3.14159265358979323846;

// The icon fonts exist only where the chrome's own families are installed.
bool family_installed(const char* name) {
  PangoFontMap* map = pango_cairo_font_map_get_default();
  PangoFontFamily** families = nullptr;
  int n = 0;
  pango_font_map_list_families(map, &families, &n);
  bool found = false;
  for (int i = 0; i < n && !found; ++i) {
    found = g_ascii_strcasecmp(pango_font_family_get_name(families[i]), name) == 0;
  }
  g_free(families);
  return found;
}

PangoWeight pango_weight(int w) {
  return static_cast<PangoWeight>(w);
}

// A gradient's colour at t as a premultiplied 0xAARRGGBB pixel: stops are interpolated
// unpremultiplied, and it pads with its first and last stops.
std::uint32_t gradient_pixel(std::span<const chrome::GradientStop> stops, double t) {
  Color c = stops.front().color;
  if (t >= stops.back().offset) {
    c = stops.back().color;
  } else {
    for (size_t k = 0; k + 1 < stops.size(); ++k) {
      const chrome::GradientStop& a = stops[k];
      const chrome::GradientStop& b = stops[k + 1];
      if (t < a.offset || t >= b.offset) continue;
      const double f = b.offset > a.offset ? (t - a.offset) / (b.offset - a.offset) : 0;
      const auto mix = [&](float p, float q) { return static_cast<float>(p + (q - p) * f); };
      c = {mix(a.color.r, b.color.r), mix(a.color.g, b.color.g), mix(a.color.b, b.color.b),
           mix(a.color.a, b.color.a)};
      break;
    }
  }
  const double alpha = std::clamp(static_cast<double>(c.a), 0.0, 1.0);
  const auto channel = [&](double v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * alpha * 255));
  };
  return static_cast<std::uint32_t>(std::lround(alpha * 255)) << 24 | channel(c.r) << 16 |
         channel(c.g) << 8 | channel(c.b);
}

// A premultiplied pixel at a fraction of its coverage.
std::uint32_t scaled_pixel(std::uint32_t p, float f) {
  if (f >= 1) return p;
  std::uint32_t out = 0;
  for (int shift = 0; shift < 32; shift += 8) {
    const float v = static_cast<float>((p >> shift) & 0xFFu) * f;
    out |= static_cast<std::uint32_t>(std::lround(v)) << shift;
  }
  return out;
}

}  // namespace

namespace {

void set_stroke_style(cairo_t* cr) {
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_miter_limit(cr, 10);
}

// A rectangle of user space where it lands on the device, with the transform that put it there.
struct OnDevice {
  double left = 0;
  double top = 0;
  double right = 0;
  double bottom = 0;
  cairo_matrix_t m{};
  bool axis_aligned() const { return m.xy == 0 && m.yx == 0; }
};

OnDevice on_device(cairo_t* cr, const RectF& r) {
  OnDevice d;
  cairo_get_matrix(cr, &d.m);
  double x0 = r.left;
  double y0 = r.top;
  double x1 = r.right;
  double y1 = r.bottom;
  cairo_user_to_device(cr, &x0, &y0);
  cairo_user_to_device(cr, &x1, &y1);
  d.left = std::min(x0, x1);
  d.right = std::max(x0, x1);
  d.top = std::min(y0, y1);
  d.bottom = std::max(y0, y1);
  return d;
}

}  // namespace

CairoCanvas::CairoCanvas(cairo_t* cr) : cr_(cairo_reference(cr)) {
  set_stroke_style(cr_);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  for (int i = 0; i < chrome::kTextFormatCount; ++i) {
    const chrome::TextFormatSpec spec =
        chrome::text_format_spec(static_cast<chrome::TextFormat>(i));
    PangoLayout* layout = pango_cairo_create_layout(cr_);
    pango_cairo_context_set_font_options(pango_layout_get_context(layout), options);
    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, std::string(chrome::kTextFamily).c_str());
    pango_font_description_set_weight(font, pango_weight(spec.weight));
    pango_font_description_set_style(font, spec.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
    pango_font_description_set_absolute_size(font, spec.size * PANGO_SCALE);
    pango_layout_set_font_description(layout, font);
    pango_font_description_free(font);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    layouts_[static_cast<size_t>(i)] = layout;
  }
  for (const char* family : {"Segoe Fluent Icons", "Segoe MDL2 Assets"}) {
    if (!family_installed(family)) continue;
    icon_layout_ = pango_cairo_create_layout(cr_);
    PangoFontDescription* font = pango_font_description_from_string(family);
    pango_font_description_set_absolute_size(font, 11 * PANGO_SCALE);
    pango_layout_set_font_description(icon_layout_, font);
    pango_font_description_free(font);
    break;
  }
  cairo_font_options_destroy(options);
}

void CairoCanvas::retarget(cairo_t* cr) {
  cairo_reference(cr);
  cairo_destroy(cr_);
  cr_ = cr;
  set_stroke_style(cr_);
  layer_opacity_.clear();
  // The scratch image of moving glows goes once the motion ends.
  if (!moving_glow_drawn_ && moving_glow_scratch_) {
    cairo_surface_destroy(moving_glow_scratch_);
    moving_glow_scratch_ = nullptr;
  }
  moving_glow_drawn_ = false;
}

CairoCanvas::~CairoCanvas() {
  drop_shaped();
  cairo_font_options_destroy(target_font_options_);
  cairo_font_options_destroy(synced_font_options_);
  for (Glow& g : glows_) drop_glow(g);
  if (moving_glow_scratch_) cairo_surface_destroy(moving_glow_scratch_);
  for (Backdrop& b : backdrops_) cairo_surface_destroy(b.surface);
  for (auto& [id, sprite] : sprites_) cairo_surface_destroy(sprite.surface);
  for (PangoLayout* l : layouts_)
    if (l) g_object_unref(l);
  if (icon_layout_) g_object_unref(icon_layout_);
  cairo_destroy(cr_);
}

void CairoCanvas::source(Color c) {
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, std::clamp(c.a, 0.0f, 1.0f));
}

void CairoCanvas::round_rect_path(const RectF& r, float radius) {
  const double w = std::max(r.width(), 0.0f);
  const double h = std::max(r.height(), 0.0f);
  const double rad = std::clamp(static_cast<double>(radius), 0.0, std::min(w, h) / 2);
  cairo_new_path(cr_);
  if (rad <= 0) {
    cairo_rectangle(cr_, r.left, r.top, w, h);
    return;
  }
  const double x = r.left;
  const double y = r.top;
  cairo_new_sub_path(cr_);
  cairo_arc(cr_, x + w - rad, y + rad, rad, -kPi / 2, 0);
  cairo_arc(cr_, x + w - rad, y + h - rad, rad, 0, kPi / 2);
  cairo_arc(cr_, x + rad, y + h - rad, rad, kPi / 2, kPi);
  cairo_arc(cr_, x + rad, y + rad, rad, kPi, 3 * kPi / 2);
  cairo_close_path(cr_);
}

void CairoCanvas::ellipse_path(Point c, float rx, float ry) {
  cairo_new_path(cr_);
  if (rx <= 0 || ry <= 0) return;
  cairo_save(cr_);
  cairo_translate(cr_, c.x, c.y);
  cairo_scale(cr_, rx, ry);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr_);
}

void CairoCanvas::set_path(const chrome::Path& p) {
  cairo_new_path(cr_);
  for (const chrome::Path::Segment& s : p.segments) {
    switch (s.op) {
      case chrome::Path::Op::move:
        cairo_move_to(cr_, s.p1.x, s.p1.y);
        break;
      case chrome::Path::Op::line:
        cairo_line_to(cr_, s.p1.x, s.p1.y);
        break;
      case chrome::Path::Op::cubic:
        cairo_curve_to(cr_, s.p1.x, s.p1.y, s.p2.x, s.p2.y, s.p3.x, s.p3.y);
        break;
      case chrome::Path::Op::close:
        cairo_close_path(cr_);
        break;
    }
  }
}

void CairoCanvas::clear(Color c) {
  cairo_save(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  source(c);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::fill_rect(const RectF& r, Color c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  cairo_new_path(cr_);
  cairo_rectangle(cr_, r.left, r.top, r.width(), r.height());
  source(c);
  cairo_fill(cr_);
}

void CairoCanvas::stroke_outline(const RectF& outer, float band,
                                 const std::function<void()>& trace) {
  const OnDevice d = on_device(cr_, outer);
  const cairo_matrix_t& m = d.m;
  const int left = static_cast<int>(std::floor(d.left)) - 1;
  const int top = static_cast<int>(std::floor(d.top)) - 1;
  const int right = static_cast<int>(std::ceil(d.right)) + 1;
  const int bottom = static_cast<int>(std::ceil(d.bottom)) + 1;
  const int bx = static_cast<int>(std::ceil(band * std::fabs(m.xx))) + 2;
  const int by = static_cast<int>(std::ceil(band * std::fabs(m.yy))) + 2;
  const bool axis_aligned = d.axis_aligned();
  const long inside = static_cast<long>(std::max(right - left - 2 * bx, 0)) *
                      static_cast<long>(std::max(bottom - top - 2 * by, 0));
  if (!axis_aligned || inside < 160L * 160L) {
    trace();
    cairo_stroke(cr_);
    return;
  }
  // The spans of one stroke reach from its leftmost to its rightmost edge on every row, so a
  // large outline would go through every pixel inside it; four bands along its edges do not.
  const int bands[4][4] = {{left, top, right, top + by},
                           {left, bottom - by, right, bottom},
                           {left, top + by, left + bx, bottom - by},
                           {right - bx, top + by, right, bottom - by}};
  for (const auto& b : bands) {
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, b[0], b[1], b[2] - b[0], b[3] - b[1]);
    cairo_clip(cr_);
    cairo_set_matrix(cr_, &m);
    trace();
    cairo_stroke(cr_);
    cairo_restore(cr_);
  }
}

void CairoCanvas::stroke_rect(const RectF& r, Color c, float width) {
  source(c);
  cairo_set_line_width(cr_, width);
  const float h = width / 2;
  stroke_outline(
      {r.left - h, r.top - h, std::max(r.right, r.left) + h, std::max(r.bottom, r.top) + h},
      width + 1, [&] {
        cairo_new_path(cr_);
        cairo_rectangle(cr_, r.left, r.top, std::max(r.width(), 0.0f), std::max(r.height(), 0.0f));
      });
}

void CairoCanvas::fill_round_rect(const RectF& r, float radius, Color c) {
  if (r.width() <= 0 || r.height() <= 0) return;
  round_rect_path(r, radius);
  source(c);
  cairo_fill(cr_);
}

void CairoCanvas::stroke_round_rect(const RectF& r, float radius, Color c, float width) {
  if (r.width() <= 0 || r.height() <= 0) return;
  // Centre the stroke on the half pixel inside the box like the system's thin outlines.
  const float h = width / 2;
  source(c);
  cairo_set_line_width(cr_, width);
  stroke_outline(r, radius + width + 1, [&] {
    round_rect_path({r.left + h, r.top + h, std::max(r.right - h, r.left + h),
                     std::max(r.bottom - h, r.top + h)},
                    std::max(radius - h, 0.0f));
  });
}

void CairoCanvas::fill_ellipse(Point centre, float rx, float ry, Color c) {
  ellipse_path(centre, rx, ry);
  source(c);
  cairo_fill(cr_);
}

void CairoCanvas::stroke_ellipse(Point centre, float rx, float ry, Color c, float width) {
  ellipse_path(centre, rx, ry);
  source(c);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoCanvas::line(Point a, Point b, Color c, float width) {
  cairo_new_path(cr_);
  source(c);
  // Axis-aligned lines (grids, separators, borders) are rectangles: far cheaper to fill than
  // a stroke, and the same pixels since their caps end inside the covered span.
  if (a.x == b.x || a.y == b.y) {
    const double h = width / 2.0;
    const double x0 = std::min(a.x, b.x) - (a.y == b.y ? 0.0 : h);
    const double x1 = std::max(a.x, b.x) + (a.y == b.y ? 0.0 : h);
    const double y0 = std::min(a.y, b.y) - (a.x == b.x ? 0.0 : h);
    const double y1 = std::max(a.y, b.y) + (a.x == b.x ? 0.0 : h);
    if (x1 <= x0 || y1 <= y0) return;
    cairo_rectangle(cr_, x0, y0, x1 - x0, y1 - y0);
    cairo_fill(cr_);
    return;
  }
  cairo_move_to(cr_, a.x, a.y);
  cairo_line_to(cr_, b.x, b.y);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoCanvas::fill_path(const chrome::Path& p, Color c) {
  set_path(p);
  source(c);
  cairo_fill(cr_);
}

void CairoCanvas::stroke_path(const chrome::Path& p, Color c, float width) {
  set_path(p);
  source(c);
  cairo_set_line_width(cr_, width);
  cairo_stroke(cr_);
}

void CairoCanvas::fill_linear(const RectF& r, float radius, Point start, Point end,
                              std::span<const chrome::GradientStop> stops) {
  if (r.width() <= 0 || r.height() <= 0 || stops.empty()) return;
  cairo_pattern_t* pat = cairo_pattern_create_linear(start.x, start.y, end.x, end.y);
  for (const chrome::GradientStop& s : stops) {
    cairo_pattern_add_color_stop_rgba(pat, s.offset, s.color.r, s.color.g, s.color.b, s.color.a);
  }
  round_rect_path(r, radius);
  cairo_set_source(cr_, pat);
  cairo_fill(cr_);
  cairo_pattern_destroy(pat);
}

void CairoCanvas::fill_radial(const RectF& r, Point centre, float rx, float ry,
                              std::span<const chrome::GradientStop> stops,
                              chrome::Fidelity fidelity) {
  if (r.width() <= 0 || r.height() <= 0 || stops.empty() || rx <= 0 || ry <= 0) return;
  // Nothing is drawn outside the ellipse's box when the last stop is transparent.
  RectF area = r;
  if (stops.back().color.a <= 0) {
    area.left = std::max(area.left, centre.x - rx);
    area.top = std::max(area.top, centre.y - ry);
    area.right = std::min(area.right, centre.x + rx);
    area.bottom = std::min(area.bottom, centre.y + ry);
    if (area.width() <= 0 || area.height() <= 0) return;
  }
  cairo_pattern_t* pat = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
  for (const chrome::GradientStop& s : stops) {
    cairo_pattern_add_color_stop_rgba(pat, s.offset, s.color.r, s.color.g, s.color.b, s.color.a);
  }
  double ux = 1;
  double uy = 1;
  cairo_user_to_device_distance(cr_, &ux, &uy);
  if (area.width() * area.height() * std::fabs(ux * uy) > 256.0 * 256.0) {
    cairo_pattern_destroy(pat);
    cairo_matrix_t m;
    cairo_get_matrix(cr_, &m);
    if (fidelity == chrome::Fidelity::motion && !exact_only_ && m.xy == 0 && m.yx == 0 &&
        stops.back().color.a <= 0) {
      draw_moving_glow(area, centre, rx, ry, stops);
    } else {
      draw_glow(area, centre, rx, ry, stops);
    }
    return;
  }
  cairo_matrix_t m;
  cairo_matrix_init_scale(&m, 1.0 / rx, 1.0 / ry);
  cairo_matrix_translate(&m, -centre.x, -centre.y);
  cairo_pattern_set_matrix(pat, &m);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, area.left, area.top, area.width(), area.height());
  cairo_set_source(cr_, pat);
  cairo_fill(cr_);
  cairo_pattern_destroy(pat);
}

void CairoCanvas::draw_glow(const RectF& area, Point centre, float rx, float ry,
                            std::span<const chrome::GradientStop> stops) {
  const OnDevice d = on_device(cr_, area);
  const int ix0 = static_cast<int>(std::floor(d.left));
  const int iy0 = static_cast<int>(std::floor(d.top));
  const int iw = static_cast<int>(std::ceil(d.right)) - ix0;
  const int ih = static_cast<int>(std::ceil(d.bottom)) - iy0;
  if (iw <= 0 || ih <= 0) return;
  double ux = 1;
  double uy = 1;
  cairo_user_to_device_distance(cr_, &ux, &uy);
  std::string key;
  for (double v : {static_cast<double>(area.left), static_cast<double>(area.top),
                   static_cast<double>(area.right), static_cast<double>(area.bottom),
                   static_cast<double>(centre.x), static_cast<double>(centre.y),
                   static_cast<double>(rx), static_cast<double>(ry), ux, uy, d.left, d.top}) {
    key += std::to_string(v);
    key.push_back(',');
  }
  for (const chrome::GradientStop& st : stops) {
    for (float v : {st.offset, st.color.r, st.color.g, st.color.b, st.color.a}) {
      key += std::to_string(v);
      key.push_back(',');
    }
  }
  // Smooth enough to render at a quarter of the resolution and stretch. Small-surface pixel
  // (i, j) stands for device pixel (ix0 + (i - 1) k, iy0 + (j - 1) k).
  const double k = 4;
  const cairo_matrix_t user = d.m;
  cairo_matrix_t to_small;
  cairo_matrix_init_translate(&to_small, -(ix0 - k), -(iy0 - k));
  cairo_matrix_t scale_down;
  cairo_matrix_init_scale(&scale_down, 1.0 / k, 1.0 / k);
  cairo_matrix_multiply(&to_small, &to_small, &scale_down);
  cairo_matrix_multiply(&to_small, &user, &to_small);
  // Stretches the small rendering over the area of the target gc.
  auto stretch = [&](cairo_t* gc, cairo_surface_t* small) {
    cairo_pattern_t* image = cairo_pattern_create_for_surface(small);
    cairo_pattern_set_matrix(image, &to_small);
    cairo_pattern_set_filter(image, CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(image, CAIRO_EXTEND_PAD);
    cairo_new_path(gc);
    cairo_rectangle(gc, area.left, area.top, area.width(), area.height());
    cairo_set_source(gc, image);
    cairo_fill(gc);
    cairo_pattern_destroy(image);
  };

  auto it = std::find_if(glows_.begin(), glows_.end(), [&](const Glow& g) { return g.key == key; });
  if (it == glows_.end()) {
    const int sw = std::max(1, static_cast<int>(std::ceil(iw / k)) + 2);
    const int sh = std::max(1, static_cast<int>(std::ceil(ih / k)) + 2);
    cairo_surface_t* small = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, sw, sh);
    cairo_pattern_t* pat = cairo_pattern_create_radial(0, 0, 0, 0, 0, 1);
    for (const chrome::GradientStop& st : stops) {
      cairo_pattern_add_color_stop_rgba(pat, st.offset, st.color.r, st.color.g, st.color.b,
                                        st.color.a);
    }
    cairo_matrix_t device_to_user = user;
    cairo_matrix_invert(&device_to_user);
    cairo_matrix_t m;
    cairo_matrix_init_scale(&m, 1.0 / rx, 1.0 / ry);
    cairo_matrix_translate(&m, -centre.x, -centre.y);
    cairo_matrix_multiply(&m, &device_to_user, &m);
    cairo_matrix_translate(&m, ix0 - k, iy0 - k);
    cairo_matrix_scale(&m, k, k);
    cairo_pattern_set_matrix(pat, &m);
    cairo_t* sc = cairo_create(small);
    cairo_set_source(sc, pat);
    cairo_paint(sc);
    cairo_destroy(sc);
    cairo_pattern_destroy(pat);
    // Least recently used first.
    if (glows_.size() >= 4) {
      drop_glow(glows_.front());
      glows_.erase(glows_.begin());
    }
    Glow g;
    g.key = std::move(key);
    g.small = small;
    glows_.push_back(std::move(g));
    // A glow that changes every frame (a pulse) is stretched straight onto the target; only
    // one that comes back gets a device-resolution copy.
    stretch(cr_, small);
    return;
  }
  std::rotate(it, it + 1, glows_.end());
  Glow& g = glows_.back();
  if (!g.full) {
    g.x = ix0;
    g.y = iy0;
    g.full = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, iw, ih);
    cairo_t* gc = cairo_create(g.full);
    cairo_translate(gc, -ix0, -iy0);
    cairo_transform(gc, &user);
    stretch(gc, g.small);
    cairo_destroy(gc);
  }
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, g.x, g.y, cairo_image_surface_get_width(g.full),
                  cairo_image_surface_get_height(g.full));
  cairo_set_source_surface(cr_, g.full, g.x, g.y);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::draw_moving_glow(const RectF& area, Point centre, float rx, float ry,
                                   std::span<const chrome::GradientStop> stops) {
  const OnDevice d = on_device(cr_, area);
  double clip_x0 = 0;
  double clip_y0 = 0;
  double clip_x1 = 0;
  double clip_y1 = 0;
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_clip_extents(cr_, &clip_x0, &clip_y0, &clip_x1, &clip_y1);
  cairo_restore(cr_);
  const int x0 = static_cast<int>(std::floor(std::max(d.left, clip_x0)));
  const int y0 = static_cast<int>(std::floor(std::max(d.top, clip_y0)));
  const int x1 = static_cast<int>(std::ceil(std::min(d.right, clip_x1)));
  const int y1 = static_cast<int>(std::ceil(std::min(d.bottom, clip_y1)));
  if (x1 <= x0 || y1 <= y0) return;
  const int w = x1 - x0;
  const int h = y1 - y0;

  // Colours by squared distance d2 = u^2 + v^2 in the ellipse's unit circle: entry i stands
  // for d2 in [i, i + 1) / n, the last for d2 >= 1 (the gradient pads with its last stop).
  // The widest entry, next to the centre, spans 1/128 of the radius: an alpha within 0.0005 of
  // the gradient's, and bins further out far less.
  constexpr int n = 16384;
  const bool same_stops =
      moving_glow_stops_.size() == stops.size() &&
      std::equal(stops.begin(), stops.end(), moving_glow_stops_.begin(),
                 [](const chrome::GradientStop& a, const chrome::GradientStop& b) {
                   return a.offset == b.offset && a.color == b.color;
                 });
  if (!same_stops) {
    moving_glow_stops_.assign(stops.begin(), stops.end());
    moving_glow_colors_.resize(n + 1);
    for (int i = 0; i <= n; ++i) {
      const double t = i == n ? 1.0 : std::sqrt((i + 0.5) / n);
      moving_glow_colors_[static_cast<size_t>(i)] = gradient_pixel(stops, t);
    }
  }

  // The glow goes through a band of rows that stays in the cache between being written and
  // composited: at 4K a frame is bound by memory more than by arithmetic.
  constexpr int kBand = 32;
  const int band = std::min(h, kBand);
  if (!moving_glow_scratch_ || cairo_image_surface_get_width(moving_glow_scratch_) < w ||
      cairo_image_surface_get_height(moving_glow_scratch_) < band) {
    if (moving_glow_scratch_) cairo_surface_destroy(moving_glow_scratch_);
    moving_glow_scratch_ = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, band);
    if (cairo_surface_status(moving_glow_scratch_) != CAIRO_STATUS_SUCCESS) {
      cairo_surface_destroy(moving_glow_scratch_);
      moving_glow_scratch_ = nullptr;
      draw_glow(area, centre, rx, ry, stops);
      return;
    }
  }
  moving_glow_drawn_ = true;
  auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(moving_glow_scratch_));
  const size_t stride =
      static_cast<size_t>(cairo_image_surface_get_stride(moving_glow_scratch_)) / 4;

  double gx = centre.x;
  double gy = centre.y;
  cairo_user_to_device(cr_, &gx, &gy);
  const float cx = static_cast<float>(gx);
  const float cy = static_cast<float>(gy);
  const float rxd = static_cast<float>(rx * std::fabs(d.m.xx));
  const float ryd = static_cast<float>(ry * std::fabs(d.m.yy));
  const float inv_rx = 1.0f / rxd;
  // The area's fractional edges are covered in part, as a filled rectangle's are.
  const auto coverage = [](int px, double lo, double hi) {
    return static_cast<float>(
        std::clamp(std::min(px + 1.0, hi) - std::max(px + 0.0, lo), 0.0, 1.0));
  };
  std::vector<int> index(static_cast<size_t>(w));
  const std::uint32_t* colors = moving_glow_colors_.data();
  for (int band_top = y0; band_top < y1; band_top += band) {
    const int rows = std::min(band, y1 - band_top);
    cairo_surface_flush(moving_glow_scratch_);
    for (int y = band_top; y < band_top + rows; ++y) {
      std::uint32_t* row = data + static_cast<size_t>(y - band_top) * stride;
      const float v = (static_cast<float>(y) + 0.5f - cy) / ryd;
      const float v2 = v * v;
      // The last stop is transparent: only the ellipse's chord on this row (and a pixel either
      // side) has any colour.
      const float half = v2 >= 1 ? -2.0f : rxd * std::sqrt(1 - v2);
      const int s0 = std::clamp(static_cast<int>(std::floor(cx - half)) - 1, x0, x1);
      const int s1 = std::clamp(static_cast<int>(std::ceil(cx + half)) + 1, s0, x1);
      std::fill(row, row + (s0 - x0), 0u);
      std::fill(row + (s1 - x0), row + w, 0u);
      const float first = static_cast<float>(s0) + 0.5f - cx;
      int* idx = index.data();
      for (int i = 0; i < s1 - s0; ++i) {
        const float u = (first + static_cast<float>(i)) * inv_rx;
        // Within the chord d2 stays near 1, so the product fits an int; clamping it there
        // keeps the loop vectorised.
        const int k = static_cast<int>((u * u + v2) * static_cast<float>(n));
        idx[i] = k < n ? k : n;
      }
      std::uint32_t* out = row + (s0 - x0);
      for (int i = 0; i < s1 - s0; ++i) out[i] = colors[idx[i]];
      if (s1 > s0) {
        row[s0 - x0] = scaled_pixel(row[s0 - x0], coverage(s0, d.left, d.right));
        row[s1 - 1 - x0] = scaled_pixel(row[s1 - 1 - x0], coverage(s1 - 1, d.left, d.right));
      }
      const float cover_y = coverage(y, d.top, d.bottom);
      if (cover_y < 1) {
        for (int i = 0; i < w; ++i) row[i] = scaled_pixel(row[i], cover_y);
      }
    }
    cairo_surface_mark_dirty(moving_glow_scratch_);
    cairo_save(cr_);
    cairo_identity_matrix(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, x0, band_top, w, rows);
    cairo_set_source_surface(cr_, moving_glow_scratch_, x0, band_top);
    cairo_fill(cr_);
    cairo_restore(cr_);
  }
}

void CairoCanvas::drop_glow(Glow& g) {
  if (g.small) cairo_surface_destroy(g.small);
  if (g.full) cairo_surface_destroy(g.full);
  g.small = nullptr;
  g.full = nullptr;
}

void CairoCanvas::backdrop(const RectF& r, std::uint64_t key, const std::function<void()>& paint) {
  const OnDevice d = on_device(cr_, r);
  const cairo_matrix_t& m = d.m;
  // Only a rectangle on whole device pixels is covered the same way by a copy; a fractional
  // edge blends with what lies beneath.
  const auto whole = [](double v) { return std::fabs(v - std::round(v)) < 1e-3; };
  const int left = static_cast<int>(std::round(d.left));
  const int top = static_cast<int>(std::round(d.top));
  const int width = static_cast<int>(std::round(d.right)) - left;
  const int height = static_cast<int>(std::round(d.bottom)) - top;
  if (!d.axis_aligned() || !whole(d.left) || !whole(d.top) || !whole(d.right) || !whole(d.bottom) ||
      width <= 0 || height <= 0) {
    paint();
    return;
  }
  const CopyPlace place{
      key, static_cast<double>(left), static_cast<double>(top), width, height, m.xx, m.yy};
  auto it = std::find_if(backdrops_.begin(), backdrops_.end(),
                         [&](const Backdrop& b) { return b.place == place; });
  if (it == backdrops_.end()) {
    // A backdrop that changes every frame (a fade) is never copied; one seen before is.
    auto seen = std::find(seen_backdrops_.begin(), seen_backdrops_.end(), place);
    if (seen == seen_backdrops_.end()) {
      if (seen_backdrops_.size() >= 8) seen_backdrops_.erase(seen_backdrops_.begin());
      seen_backdrops_.push_back(place);
      paint();
      return;
    }
    seen_backdrops_.erase(seen);
  }
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, left, top, width, height);
  cairo_clip(cr_);
  if (it == backdrops_.end()) {
    cairo_set_matrix(cr_, &m);
    cairo_push_group(cr_);
    paint();
    cairo_pattern_t* group = cairo_pop_group(cr_);
    cairo_surface_t* surface = nullptr;
    if (cairo_pattern_get_surface(group, &surface) != CAIRO_STATUS_SUCCESS) {
      cairo_pattern_destroy(group);
      cairo_restore(cr_);
      paint();
      return;
    }
    // A few screens' worth of the largest window: the least recently used go first.
    std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4;
    for (const Backdrop& b : backdrops_) bytes += b.bytes();
    while (!backdrops_.empty() && bytes > kBackdropBudget) {
      bytes -= backdrops_.front().bytes();
      cairo_surface_destroy(backdrops_.front().surface);
      backdrops_.erase(backdrops_.begin());
    }
    backdrops_.push_back({place, cairo_surface_reference(surface)});
    cairo_pattern_destroy(group);
    it = backdrops_.end() - 1;
    cairo_identity_matrix(cr_);
  } else {
    std::rotate(it, it + 1, backdrops_.end());
    it = backdrops_.end() - 1;
  }
  // The group surface keeps the device offset of its place on the target.
  cairo_set_source_surface(cr_, it->surface, 0, 0);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  cairo_paint(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::sprite(const RectF& bounds, std::uint64_t key,
                         const std::function<void()>& paint) {
  const OnDevice d = on_device(cr_, bounds);
  const cairo_matrix_t& m = d.m;
  const double fx = std::floor(d.left);
  const double fy = std::floor(d.top);
  const int left = static_cast<int>(fx);
  const int top = static_cast<int>(fy);
  const int width = static_cast<int>(std::ceil(d.right)) - left;
  const int height = static_cast<int>(std::ceil(d.bottom)) - top;
  if (!d.axis_aligned() || width <= 0 || height <= 0 || width > 128 || height > 128) {
    paint();
    return;
  }
  // Where the sprite lies within its first pixel decides every pixel it covers.
  const CopyPlace id{key, d.left - fx, d.top - fy, width, height, m.xx, m.yy};
  auto it = sprites_.find(id);
  if (it == sprites_.end()) {
    if (sprites_.size() >= 512) drop_old_sprites();
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_set_device_offset(surface, -left, -top);
    cairo_t* target = cr_;
    cr_ = cairo_create(surface);
    cairo_set_matrix(cr_, &m);
    set_stroke_style(cr_);
    paint();
    cairo_destroy(cr_);
    cr_ = target;
    cairo_surface_set_device_offset(surface, 0, 0);
    it = sprites_.emplace(id, Sprite{surface, 0}).first;
  }
  it->second.last_used = ++sprite_clock_;
  cairo_save(cr_);
  cairo_identity_matrix(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, left, top, width, height);
  cairo_set_source_surface(cr_, it->second.surface, left, top);
  cairo_fill(cr_);
  cairo_restore(cr_);
}

void CairoCanvas::drop_old_sprites() {
  // Keeps the more recently used half.
  std::vector<std::uint64_t> uses;
  uses.reserve(sprites_.size());
  for (const auto& [id, s] : sprites_) uses.push_back(s.last_used);
  std::nth_element(uses.begin(), uses.begin() + static_cast<std::ptrdiff_t>(uses.size() / 2),
                   uses.end());
  const std::uint64_t keep_from = uses[uses.size() / 2];
  for (auto it = sprites_.begin(); it != sprites_.end();) {
    if (it->second.last_used < keep_from) {
      cairo_surface_destroy(it->second.surface);
      it = sprites_.erase(it);
    } else {
      ++it;
    }
  }
}

std::size_t CairoCanvas::CopyPlaceHash::operator()(const CopyPlace& k) const {
  std::size_t h = std::hash<std::uint64_t>()(k.key);
  for (const double v : {k.x, k.y, k.xx, k.yy}) {
    h ^= std::hash<double>()(v) + 0x9E3779B97F4A7C15ull + (h << 6) + (h >> 2);
  }
  return h;
}

void CairoCanvas::push_layer(float opacity) {
  cairo_push_group(cr_);
  layer_opacity_.push_back(opacity);
}

void CairoCanvas::pop_layer() {
  if (layer_opacity_.empty()) return;
  const float opacity = layer_opacity_.back();
  layer_opacity_.pop_back();
  cairo_pop_group_to_source(cr_);
  cairo_paint_with_alpha(cr_, std::clamp(opacity, 0.0f, 1.0f));
}

void CairoCanvas::push_clip(const RectF& r, bool antialiased) {
  cairo_save(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, r.left, r.top, std::max(r.width(), 0.0f), std::max(r.height(), 0.0f));
  cairo_set_antialias(cr_, antialiased ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
  cairo_clip(cr_);
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
}

void CairoCanvas::push_round_clip(const RectF& r, float radius) {
  cairo_save(cr_);
  round_rect_path(r, radius);
  cairo_clip(cr_);
}

void CairoCanvas::pop_clip() {
  cairo_restore(cr_);
}

void CairoCanvas::push_scale(Point about, float s) {
  cairo_save(cr_);
  cairo_translate(cr_, about.x, about.y);
  cairo_scale(cr_, s, s);
  cairo_translate(cr_, -about.x, -about.y);
}

void CairoCanvas::pop_transform() {
  cairo_restore(cr_);
}

void CairoCanvas::sync_text_contexts() {
  // Pango marks a context changed whenever its matrix is set, even to the same value, and
  // every layout on it is then shaped again; so only a real change of the transform or of the
  // target's font options reaches the contexts.
  cairo_matrix_t m;
  cairo_get_matrix(cr_, &m);
  cairo_surface_get_font_options(cairo_get_target(cr_), target_font_options_);
  if (text_contexts_synced_ && m.xx == text_matrix_.xx && m.yx == text_matrix_.yx &&
      m.xy == text_matrix_.xy && m.yy == text_matrix_.yy &&
      cairo_font_options_equal(target_font_options_, synced_font_options_)) {
    return;
  }
  for (PangoLayout* l : layouts_) pango_cairo_update_context(cr_, pango_layout_get_context(l));
  text_matrix_ = m;
  cairo_font_options_destroy(synced_font_options_);
  synced_font_options_ = cairo_font_options_copy(target_font_options_);
  text_contexts_synced_ = true;
  drop_shaped();
}

void CairoCanvas::drop_shaped() {
  for (auto& [key, value] : shaped_) g_object_unref(value.layout);
  shaped_.clear();
}

const CairoCanvas::ShapedText& CairoCanvas::shaped(std::u16string_view text,
                                                   chrome::TextFormat format, float box_width,
                                                   bool clip) {
  const std::string utf8 = to_utf8(text);
  const ShapedText& natural = shaped_line(utf8, format, -1);
  if (clip) return natural;
  const int width_units = static_cast<int>(box_width * PANGO_SCALE);
  // A leading line that fits is the same line in any wider box: boxes that change with an
  // animated width keep their shaping.
  if (chrome::text_format_spec(format).align == chrome::TextAlign::leading &&
      natural.width_units < width_units) {
    return natural;
  }
  return shaped_line(utf8, format, width_units);
}

const CairoCanvas::ShapedText& CairoCanvas::shaped_line(const std::string& utf8,
                                                        chrome::TextFormat format,
                                                        int width_units) {
  std::string key = utf8;
  key.push_back('\0');
  key += std::to_string(static_cast<int>(format));
  key.push_back(':');
  key += std::to_string(width_units);
  auto it = shaped_.find(key);
  if (it != shaped_.end()) return it->second;
  // Enough for every text of a few different frames; a flood of new texts starts afresh.
  if (shaped_.size() >= 2048) drop_shaped();
  const chrome::TextFormatSpec spec = chrome::text_format_spec(format);
  PangoLayout* layout = pango_layout_copy(layouts_[static_cast<size_t>(format)]);
  pango_layout_set_text(layout, utf8.c_str(), static_cast<int>(utf8.size()));
  PangoAlignment align = PANGO_ALIGN_LEFT;
  if (spec.align == chrome::TextAlign::center) align = PANGO_ALIGN_CENTER;
  if (spec.align == chrome::TextAlign::trailing) align = PANGO_ALIGN_RIGHT;
  pango_layout_set_width(layout, width_units);
  pango_layout_set_ellipsize(layout, width_units < 0 ? PANGO_ELLIPSIZE_NONE : PANGO_ELLIPSIZE_END);
  pango_layout_set_alignment(layout, align);
  PangoRectangle logical;
  pango_layout_get_extents(layout, nullptr, &logical);
  ShapedText t;
  t.layout = layout;
  t.width_units = logical.width;
  t.width = static_cast<double>(logical.width) / PANGO_SCALE;
  t.height = static_cast<double>(logical.height) / PANGO_SCALE;
  return shaped_.emplace(std::move(key), t).first->second;
}

void CairoCanvas::text(std::u16string_view text, chrome::TextFormat format, const RectF& box,
                       Color c, chrome::TextOverflow overflow) {
  if (text.empty() || box.width() <= 0 || box.height() <= 0) return;
  sync_text_contexts();
  const bool clip = overflow == chrome::TextOverflow::clip;
  const ShapedText& t = shaped(text, format, box.width(), clip);
  double x = box.left;
  if (clip) {
    const chrome::TextAlign align = chrome::text_format_spec(format).align;
    if (align == chrome::TextAlign::center) x += (box.width() - t.width) / 2;
    if (align == chrome::TextAlign::trailing) x += box.width() - t.width;
    cairo_save(cr_);
    cairo_new_path(cr_);
    cairo_rectangle(cr_, box.left, box.top, box.width(), box.height());
    cairo_clip(cr_);
  }
  source(c);
  cairo_move_to(cr_, x, box.top + (box.height() - t.height) / 2);
  pango_cairo_show_layout(cr_, t.layout);
  cairo_new_path(cr_);
  if (clip) cairo_restore(cr_);
}

bool CairoCanvas::icon_glyph(char16_t glyph, Point centre, Color c) {
  if (!icon_layout_) return false;
  const std::string utf8 = to_utf8(std::u16string(1, glyph));
  pango_cairo_update_layout(cr_, icon_layout_);
  pango_layout_set_text(icon_layout_, utf8.c_str(), static_cast<int>(utf8.size()));
  if (pango_layout_get_unknown_glyphs_count(icon_layout_) > 0) return false;
  PangoRectangle logical;
  pango_layout_get_extents(icon_layout_, nullptr, &logical);
  source(c);
  cairo_move_to(cr_, centre.x - static_cast<double>(logical.width) / PANGO_SCALE / 2,
                centre.y - static_cast<double>(logical.height) / PANGO_SCALE / 2);
  pango_cairo_show_layout(cr_, icon_layout_);
  cairo_new_path(cr_);
  return true;
}

}  // namespace vantiro::platform
