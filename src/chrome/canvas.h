#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "chrome/hit_zone.h"

namespace vantiro::chrome {

struct Color {
  float r = 0;
  float g = 0;
  float b = 0;
  float a = 1;
  bool operator==(const Color&) const = default;
};

// #RRGGBB with an alpha.
constexpr Color rgb(std::uint32_t hex, float alpha = 1) {
  return {static_cast<float>((hex >> 16) & 0xFF) / 255.0f,
          static_cast<float>((hex >> 8) & 0xFF) / 255.0f, static_cast<float>(hex & 0xFF) / 255.0f,
          alpha};
}

struct Point {
  float x = 0;
  float y = 0;
  bool operator==(const Point&) const = default;
};

struct GradientStop {
  float offset = 0;
  Color color;
};

// An outline of straight and cubic segments.
struct Path {
  enum class Op { move, line, cubic, close };
  struct Segment {
    Op op = Op::move;
    Point p1, p2, p3;  // line/move use p1; cubic uses control points p1, p2 and end p3
  };
  std::vector<Segment> segments;

  Path& move_to(Point p) { return add({Op::move, p, {}, {}}); }
  Path& line_to(Point p) { return add({Op::line, p, {}, {}}); }
  Path& cubic_to(Point c1, Point c2, Point end) { return add({Op::cubic, c1, c2, end}); }
  Path& close() { return add({Op::close, {}, {}, {}}); }

 private:
  Path& add(Segment s) {
    segments.push_back(s);
    return *this;
  }
};

// The text formats of the chrome; each backend builds its fonts from text_format_spec.
enum class TextFormat {
  wordmark,
  badge,
  label,
  nav_label,
  section,
  small,
  hint,
  query,
  row,
  group,
  hero,
  heading,
  body,
  card_title,
  page_title,
  page_text,
  fine,
  button,
  tiny,
  tip_heading,
  tip,
};
inline constexpr int kTextFormatCount = 21;

enum class TextAlign { leading, center, trailing };

struct TextFormatSpec {
  int weight = 400;
  bool italic = false;
  float size = 12;
  TextAlign align = TextAlign::leading;
};

constexpr TextFormatSpec text_format_spec(TextFormat f) {
  using A = TextAlign;
  switch (f) {
    case TextFormat::wordmark:
      return {800, true, 16.5f, A::leading};
    case TextFormat::badge:
      return {700, false, 9, A::center};
    case TextFormat::label:
      return {600, false, 12.5f, A::leading};
    case TextFormat::nav_label:
      return {600, false, 12.5f, A::leading};
    case TextFormat::section:
      return {700, false, 9.5f, A::leading};
    case TextFormat::small:
      return {400, false, 11, A::leading};
    case TextFormat::hint:
      return {600, false, 11, A::center};
    case TextFormat::query:
      return {400, false, 14, A::leading};
    case TextFormat::row:
      return {600, false, 13, A::leading};
    case TextFormat::group:
      return {400, false, 11, A::trailing};
    case TextFormat::hero:
      return {600, false, 36, A::center};
    case TextFormat::heading:
      return {600, false, 25, A::center};
    case TextFormat::body:
      return {400, false, 13, A::center};
    case TextFormat::card_title:
      return {600, false, 15, A::leading};
    case TextFormat::page_title:
      return {600, false, 22, A::leading};
    case TextFormat::page_text:
      return {400, false, 12.5f, A::leading};
    case TextFormat::fine:
      return {400, false, 11.5f, A::leading};
    case TextFormat::button:
      return {600, false, 12, A::center};
    case TextFormat::tiny:
      return {600, false, 10, A::center};
    case TextFormat::tip_heading:
      return {700, false, 9.5f, A::center};
    case TextFormat::tip:
      return {400, false, 13, A::center};
  }
  return {};
}

// The family every text format asks for; hosts without it alias it to a stand-in.
inline constexpr std::string_view kTextFamily = "Segoe UI";

// How a line that does not fit ends: with an ellipsis, or cut at the box (where the end of the
// text matters, like a caret).
enum class TextOverflow { ellipsis, clip };

// How closely a drawing must follow its exact picture. A frame painted while the content area
// moves (the rail easing) is replaced by the next tick's, so a backend may draw its large
// smooth fills within kMotionTolerance of the exact picture when that is cheaper. Every other
// frame is exact, so a picture that stays on screen is always the exact one.
enum class Fidelity { exact, motion };
// Per colour channel, in 1/255.
inline constexpr int kMotionTolerance = 2;

// What the chrome painter needs from a 2-D backend, in DIPs. Texts are one line, vertically
// centred in their box.
struct Canvas {
  virtual ~Canvas() = default;
  virtual void clear(Color c) = 0;
  virtual void fill_rect(const RectF& r, Color c) = 0;
  virtual void stroke_rect(const RectF& r, Color c, float width) = 0;
  virtual void fill_round_rect(const RectF& r, float radius, Color c) = 0;
  virtual void stroke_round_rect(const RectF& r, float radius, Color c, float width) = 0;
  virtual void fill_ellipse(Point centre, float rx, float ry, Color c) = 0;
  virtual void stroke_ellipse(Point centre, float rx, float ry, Color c, float width) = 0;
  // Lines and path strokes use round caps and joins.
  virtual void line(Point a, Point b, Color c, float width) = 0;
  virtual void fill_path(const Path& p, Color c) = 0;
  virtual void stroke_path(const Path& p, Color c, float width) = 0;
  // Gradient fills of a (rounded) rectangle: linear from start to end, or elliptical radial.
  virtual void fill_linear(const RectF& r, float radius, Point start, Point end,
                           std::span<const GradientStop> stops) = 0;
  virtual void fill_radial(const RectF& r, Point centre, float rx, float ry,
                           std::span<const GradientStop> stops, Fidelity fidelity) = 0;
  // Everything until pop_layer is composed at this opacity.
  virtual void push_layer(float opacity) = 0;
  virtual void pop_layer() = 0;
  virtual void push_clip(const RectF& r, bool antialiased) = 0;
  virtual void push_round_clip(const RectF& r, float radius) = 0;
  virtual void pop_clip() = 0;
  // Scales by s about a point until pop_transform.
  virtual void push_scale(Point about, float s) = 0;
  virtual void pop_transform() = 0;
  virtual void text(std::u16string_view text, TextFormat format, const RectF& box, Color c,
                    TextOverflow overflow = TextOverflow::ellipsis) = 0;
  // Draws a glyph of the icon fonts centred in a 20 x 20 box; false when no icon font has it.
  virtual bool icon_glyph(char16_t glyph, Point centre, Color c) = 0;
  // Draws r as paint draws it; paint first covers r opaquely, so nothing beneath shows through.
  // A backend may keep the result and, while the key and r's place on the target stay the
  // same, draw later frames from that copy instead of calling paint.
  virtual void backdrop(const RectF& r, std::uint64_t key, const std::function<void()>& paint) {
    (void)r;
    (void)key;
    paint();
  }
  // Draws what paint draws, all of it inside bounds. A backend may keep the result as one image
  // and draw later calls with the same key from it where bounds lies the same way on its pixels.
  virtual void sprite(const RectF& bounds, std::uint64_t key, const std::function<void()>& paint) {
    (void)bounds;
    (void)key;
    paint();
  }
};

// A key for backdrop or sprite from every value that decides what it shows.
inline std::uint64_t cache_key(std::initializer_list<float> values) {
  std::uint64_t h = 14695981039346656037ull;  // FNV-1a
  for (const float v : values) {
    const auto bits = std::bit_cast<std::uint32_t>(v);
    for (int i = 0; i < 4; ++i) {
      h ^= (bits >> (8 * i)) & 0xFFu;
      h *= 1099511628211ull;
    }
  }
  return h;
}

}  // namespace vantiro::chrome
