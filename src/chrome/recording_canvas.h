#pragma once

// A canvas that keeps every call as a value, so painter tests can ask what was drawn.

#include <string>
#include <vector>

#include "chrome/canvas.h"

namespace vantiro::chrome {

enum class DrawOpKind {
  clear,
  fill_rect,
  stroke_rect,
  fill_round_rect,
  stroke_round_rect,
  fill_ellipse,
  stroke_ellipse,
  line,
  fill_path,
  stroke_path,
  fill_linear,
  fill_radial,
  push_layer,
  pop_layer,
  push_clip,
  push_round_clip,
  pop_clip,
  push_scale,
  pop_transform,
  text,
  icon_glyph,
  backdrop,  // what its paint draws follows: span ops
  sprite,    // likewise
};

struct DrawOp {
  DrawOpKind kind = DrawOpKind::clear;
  RectF rect;       // shape bounds, clip, text box; ellipse bounds for ellipses
  Point a, b;       // line ends, gradient ends, centre
  Color color;      // first stop for gradients
  float value = 0;  // radius, stroke width, layer opacity or scale
  std::u16string text;
  TextFormat format = TextFormat::small;
  TextOverflow overflow = TextOverflow::ellipsis;
  char16_t glyph = 0;
  std::uint64_t key = 0;    // backdrop and sprite key
  std::size_t span = 0;     // ops drawn by a backdrop's or sprite's paint, right after it
  int layer_depth = 0;      // layers open around this call
  float layer_opacity = 1;  // product of the open layers' opacities
  std::vector<GradientStop> stops;
  Fidelity fidelity = Fidelity::exact;  // radial fills
  Path path;
};

class RecordingCanvas : public Canvas {
 public:
  std::vector<DrawOp> ops;
  // Glyphs of the icon fonts; empty models a host without them (Linux, Wine).
  bool has_icon_font = false;

  void clear(Color c) override { add(DrawOpKind::clear, {}, c); }
  void fill_rect(const RectF& r, Color c) override { add(DrawOpKind::fill_rect, r, c); }
  void stroke_rect(const RectF& r, Color c, float w) override {
    add(DrawOpKind::stroke_rect, r, c).value = w;
  }
  void fill_round_rect(const RectF& r, float radius, Color c) override {
    add(DrawOpKind::fill_round_rect, r, c).value = radius;
  }
  void stroke_round_rect(const RectF& r, float radius, Color c, float) override {
    add(DrawOpKind::stroke_round_rect, r, c).value = radius;
  }
  void fill_ellipse(Point p, float rx, float ry, Color c) override {
    add(DrawOpKind::fill_ellipse, {p.x - rx, p.y - ry, p.x + rx, p.y + ry}, c).a = p;
  }
  void stroke_ellipse(Point p, float rx, float ry, Color c, float w) override {
    DrawOp& op = add(DrawOpKind::stroke_ellipse, {p.x - rx, p.y - ry, p.x + rx, p.y + ry}, c);
    op.a = p;
    op.value = w;
  }
  void line(Point a, Point b, Color c, float w) override {
    DrawOp& op = add(DrawOpKind::line, {a.x, a.y, b.x, b.y}, c);
    op.a = a;
    op.b = b;
    op.value = w;
  }
  void fill_path(const Path& p, Color c) override { add(DrawOpKind::fill_path, {}, c).path = p; }
  void stroke_path(const Path& p, Color c, float w) override {
    DrawOp& op = add(DrawOpKind::stroke_path, {}, c);
    op.path = p;
    op.value = w;
  }
  void fill_linear(const RectF& r, float radius, Point s, Point e,
                   std::span<const GradientStop> stops) override {
    DrawOp& op = add(DrawOpKind::fill_linear, r, stops.empty() ? Color{} : stops[0].color);
    op.a = s;
    op.b = e;
    op.value = radius;
    op.stops.assign(stops.begin(), stops.end());
  }
  void fill_radial(const RectF& r, Point c, float rx, float ry, std::span<const GradientStop> stops,
                   Fidelity fidelity) override {
    DrawOp& op = add(DrawOpKind::fill_radial, r, stops.empty() ? Color{} : stops[0].color);
    op.a = c;
    op.b = {rx, ry};
    op.stops.assign(stops.begin(), stops.end());
    op.fidelity = fidelity;
  }
  void push_layer(float opacity) override {
    add(DrawOpKind::push_layer, {}, {}).value = opacity;
    layers_.push_back(opacity);
  }
  void pop_layer() override {
    if (!layers_.empty()) layers_.pop_back();
    add(DrawOpKind::pop_layer, {}, {});
  }
  void push_clip(const RectF& r, bool antialiased) override {
    add(DrawOpKind::push_clip, r, {}).value = antialiased ? 1 : 0;
  }
  void push_round_clip(const RectF& r, float radius) override {
    add(DrawOpKind::push_round_clip, r, {}).value = radius;
  }
  void pop_clip() override { add(DrawOpKind::pop_clip, {}, {}); }
  void push_scale(Point about, float s) override {
    DrawOp& op = add(DrawOpKind::push_scale, {}, {});
    op.a = about;
    op.value = s;
  }
  void pop_transform() override { add(DrawOpKind::pop_transform, {}, {}); }
  void text(std::u16string_view t, TextFormat f, const RectF& box, Color c,
            TextOverflow overflow) override {
    DrawOp& op = add(DrawOpKind::text, box, c);
    op.text = std::u16string(t);
    op.format = f;
    op.overflow = overflow;
  }
  bool icon_glyph(char16_t glyph, Point centre, Color c) override {
    if (!has_icon_font) return false;
    DrawOp& op = add(DrawOpKind::icon_glyph,
                     {centre.x - 10, centre.y - 10, centre.x + 10, centre.y + 10}, c);
    op.glyph = glyph;
    op.a = centre;
    return true;
  }

  void backdrop(const RectF& r, std::uint64_t key, const std::function<void()>& paint) override {
    group(DrawOpKind::backdrop, r, key, paint);
  }
  void sprite(const RectF& bounds, std::uint64_t key, const std::function<void()>& paint) override {
    group(DrawOpKind::sprite, bounds, key, paint);
  }

  // The first text op that reads exactly t, or nullptr.
  const DrawOp* find_text(std::u16string_view t) const {
    for (const DrawOp& op : ops)
      if (op.kind == DrawOpKind::text && op.text == t) return &op;
    return nullptr;
  }
  int count(DrawOpKind k) const {
    int n = 0;
    for (const DrawOp& op : ops) n += op.kind == k;
    return n;
  }

 private:
  void group(DrawOpKind k, const RectF& r, std::uint64_t key, const std::function<void()>& paint) {
    const std::size_t at = ops.size();
    add(k, r, {}).key = key;
    paint();
    ops[at].span = ops.size() - at - 1;
  }
  DrawOp& add(DrawOpKind k, const RectF& r, Color c) {
    DrawOp op;
    op.kind = k;
    op.rect = r;
    op.color = c;
    op.layer_depth = static_cast<int>(layers_.size());
    for (float o : layers_) op.layer_opacity *= o;
    ops.push_back(std::move(op));
    return ops.back();
  }
  std::vector<float> layers_;
};

}  // namespace vantiro::chrome
