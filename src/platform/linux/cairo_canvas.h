#pragma once

// The chrome's canvas over Cairo and Pango; the GTK host hands in its window's context for
// each frame, the off-screen render an image surface's. One canvas lives across frames so its
// shaped lines, glows, backdrops and sprites carry over.

#include <cairo.h>

#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "chrome/canvas.h"

typedef struct _PangoLayout PangoLayout;

namespace vantiro::platform {

class CairoCanvas : public chrome::Canvas {
 public:
  // The canvas keeps a reference to cr; its transform maps DIPs to the target's pixels.
  explicit CairoCanvas(cairo_t* cr);
  ~CairoCanvas() override;
  CairoCanvas(const CairoCanvas&) = delete;
  CairoCanvas& operator=(const CairoCanvas&) = delete;

  // Draws every frame exactly, also those in motion (pictures that are kept, like screens).
  void set_exact_only(bool exact_only) { exact_only_ = exact_only; }

  // Draws the next frame into cr (a reference is kept until the next call). What the canvas
  // keeps between frames is reused as long as the transform and the target's font options
  // match; a frame starts with no open layer.
  void retarget(cairo_t* cr);

  void clear(chrome::Color c) override;
  void fill_rect(const chrome::RectF& r, chrome::Color c) override;
  void stroke_rect(const chrome::RectF& r, chrome::Color c, float width) override;
  void fill_round_rect(const chrome::RectF& r, float radius, chrome::Color c) override;
  void stroke_round_rect(const chrome::RectF& r, float radius, chrome::Color c,
                         float width) override;
  void fill_ellipse(chrome::Point centre, float rx, float ry, chrome::Color c) override;
  void stroke_ellipse(chrome::Point centre, float rx, float ry, chrome::Color c,
                      float width) override;
  void line(chrome::Point a, chrome::Point b, chrome::Color c, float width) override;
  void fill_path(const chrome::Path& p, chrome::Color c) override;
  void stroke_path(const chrome::Path& p, chrome::Color c, float width) override;
  void fill_linear(const chrome::RectF& r, float radius, chrome::Point start, chrome::Point end,
                   std::span<const chrome::GradientStop> stops) override;
  void fill_radial(const chrome::RectF& r, chrome::Point centre, float rx, float ry,
                   std::span<const chrome::GradientStop> stops, chrome::Fidelity fidelity) override;
  void push_layer(float opacity) override;
  void pop_layer() override;
  void push_clip(const chrome::RectF& r, bool antialiased) override;
  void push_round_clip(const chrome::RectF& r, float radius) override;
  void pop_clip() override;
  void push_scale(chrome::Point about, float s) override;
  void pop_transform() override;
  void text(std::u16string_view text, chrome::TextFormat format, const chrome::RectF& box,
            chrome::Color c, chrome::TextOverflow overflow) override;
  bool icon_glyph(char16_t glyph, chrome::Point centre, chrome::Color c) override;
  void backdrop(const chrome::RectF& r, std::uint64_t key,
                const std::function<void()>& paint) override;
  void sprite(const chrome::RectF& bounds, std::uint64_t key,
              const std::function<void()>& paint) override;

 private:
  void round_rect_path(const chrome::RectF& r, float radius);
  void ellipse_path(chrome::Point centre, float rx, float ry);
  void set_path(const chrome::Path& p);
  void source(chrome::Color c);
  // Strokes the outline that trace puts in the path; every pixel it touches lies within band of
  // outer, the outside of the stroke (user space).
  void stroke_outline(const chrome::RectF& outer, float band, const std::function<void()>& trace);

  // A shaped line ready to draw; shaping is the costly part of text, and frames repeat it.
  struct ShapedText {
    PangoLayout* layout = nullptr;
    int width_units = 0;  // Pango units
    double width = 0;
    double height = 0;
  };
  const ShapedText& shaped(std::u16string_view text, chrome::TextFormat format, float box_width,
                           bool clip);
  // A line at a width in Pango units, ellipsized to it; -1 for its natural width.
  const ShapedText& shaped_line(const std::string& utf8, chrome::TextFormat format,
                                int width_units);
  void drop_shaped();
  void sync_text_contexts();

  cairo_t* cr_;
  std::array<PangoLayout*, chrome::kTextFormatCount> layouts_{};
  std::unordered_map<std::string, ShapedText> shaped_;
  // What the text contexts were last set up for.
  bool text_contexts_synced_ = false;
  cairo_matrix_t text_matrix_{};
  cairo_font_options_t* target_font_options_ = cairo_font_options_create();
  cairo_font_options_t* synced_font_options_ = cairo_font_options_create();
  // Large glows rendered at a quarter of the resolution and stretched; one drawn again gets a
  // device-resolution copy that later frames only composite.
  struct Glow {
    std::string key;
    cairo_surface_t* small = nullptr;
    cairo_surface_t* full = nullptr;  // device pixels from (x, y)
    int x = 0;
    int y = 0;
  };
  std::vector<Glow> glows_;  // least recently used first
  void draw_glow(const chrome::RectF& area, chrome::Point centre, float rx, float ry,
                 std::span<const chrome::GradientStop> stops);
  static void drop_glow(Glow& g);
  // A glow in a frame in motion changes with every frame: it is computed at device resolution
  // straight from a table of its colours by squared distance, into one scratch image.
  void draw_moving_glow(const chrome::RectF& area, chrome::Point centre, float rx, float ry,
                        std::span<const chrome::GradientStop> stops);
  bool exact_only_ = false;
  std::vector<chrome::GradientStop> moving_glow_stops_;  // what the table was built for
  std::vector<std::uint32_t> moving_glow_colors_;
  cairo_surface_t* moving_glow_scratch_ = nullptr;
  bool moving_glow_drawn_ = false;  // in the current frame
  // What a kept copy stands for: its key, where it lies on the device (a backdrop: its first
  // whole pixel; a sprite: its place within its first pixel), its size in pixels and the scale.
  struct CopyPlace {
    std::uint64_t key = 0;
    double x = 0;
    double y = 0;
    int width = 0;
    int height = 0;
    double xx = 1;
    double yy = 1;
    bool operator==(const CopyPlace&) const = default;
  };
  struct CopyPlaceHash {
    std::size_t operator()(const CopyPlace& k) const;
  };
  // Backdrops painted before, least recently used first; each a copy of its device pixels.
  struct Backdrop {
    CopyPlace place;
    cairo_surface_t* surface = nullptr;
    std::size_t bytes() const {
      return static_cast<std::size_t>(place.width) * static_cast<std::size_t>(place.height) * 4;
    }
  };
  static constexpr std::size_t kBackdropBudget = 96u << 20;
  std::vector<Backdrop> backdrops_;
  std::vector<CopyPlace> seen_backdrops_;  // painted once, not copied yet
  // Small drawings (icons), each rendered once for its place within a pixel.
  struct Sprite {
    cairo_surface_t* surface = nullptr;
    std::uint64_t last_used = 0;
  };
  std::unordered_map<CopyPlace, Sprite, CopyPlaceHash> sprites_;
  std::uint64_t sprite_clock_ = 0;
  void drop_old_sprites();
  PangoLayout* icon_layout_ = nullptr;  // null when no icon font is installed
  std::vector<float> layer_opacity_;
};

}  // namespace vantiro::platform
