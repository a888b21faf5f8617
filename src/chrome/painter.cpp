#include "chrome/painter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <string>

#include "chrome/animation.h"
#include "chrome/boot_scene.h"
#include "chrome/launcher.h"
#include "chrome/settings_overlay.h"

#include "chrome/chrome_colors.h"

namespace vantiro::chrome {

namespace {

using namespace tokens;

// The icon table's vector drawing; u is half the icon size, w the stroke width.
void draw_vector_icon(Canvas& c, int id, Point centre, float u, float w, Color color);

struct CardSubtitle {
  std::u16string_view sv;
  std::u16string_view en;
};
constexpr std::array<CardSubtitle, 6> kCardSubtitles = {{
    {u"Karaktärer, .ydd / .ytd / .ymt", u"Characters, .ydd / .ytd / .ymt"},
    {u"Bilar, .yft, tuning & fälgar", u"Cars, .yft, tuning & rims"},
    {u"Vapen, skins & komponenter", u"Weapons, skins & components"},
    {u"Ljudpaket & sirener", u"Audio packs & sirens"},
    {u"Generera 3D-props med AI", u"Generate 3D props with AI"},
    {u"YTD-texturer & material", u"YTD textures & materials"},
}};

bool is_caption(ZoneKind k) {
  return k == ZoneKind::Fullscreen || k == ZoneKind::Minimize || k == ZoneKind::Maximize ||
         k == ZoneKind::CloseWindow;
}

class Painter {
 public:
  Painter(Canvas& c, const LayoutResult& l, const ChromeState& s) : c_(c), l_(l), s_(s) {}

  void frame() {
    c_.clear(rgb(kCanvas));
    const float w = l_.width;
    const float h = l_.height;
    if (l_.mode != ChromeMode::fullscreen && l_.inset > 0) {
      const float in = l_.inset;
      if (l_.mode == ChromeMode::auth_flow) {
        c_.fill_rect({0, 0, w, h}, rgb(0x0E1522));
      } else {
        // The studio, welcome and settings layers cover everything inside the inset.
        c_.fill_rect(box(0, 0, w, in), rgb(0x0E1522));
        c_.fill_rect(box(0, h - in, w, h), rgb(0x0E1522));
        c_.fill_rect(box(0, in, in, h - in), rgb(0x0E1522));
        c_.fill_rect(box(w - in, in, w, h - in), rgb(0x0E1522));
      }
      c_.stroke_rect(box(0.5f, 0.5f, w - 0.5f, h - 0.5f), rgb(kAccent, 0.14f), 1);
    }
    switch (l_.mode) {
      case ChromeMode::fullscreen:
        if (s_.welcome_gate && !s_.update_scene) {
          welcome_screen(l_.content);
        } else {
          content_screens(l_.content, rgb(kCanvas));  // only the clear lies beneath
        }
        return;
      case ChromeMode::welcome:
        title_background();
        title_contents(false);
        welcome_screen(l_.content);
        return;
      case ChromeMode::auth_flow:
        title_background();
        title_contents(false);
        content_screens(l_.content);
        return;
      case ChromeMode::studio:
      case ChromeMode::settings:
        studio();
        return;
    }
  }

 private:
  Color col(std::uint32_t hex, float a = 1) const { return rgb(hex, a * alpha_); }
  float hover(int i) const { return hover_value(s_, l_.zones, i); }
  bool hovered(int i) const { return i == s_.hover && hover(i) > 0; }

  // --- title bar ---------------------------------------------------------------------------

  void title_background() {
    const float in = l_.inset;
    const float t = l_.title_bottom;
    const RectF r = box(in, in, l_.right, t);
    c_.backdrop(r, cache_key({4, r.left, r.top, r.right, r.bottom}), [&] {
      const GradientStop stops[] = {{0, rgb(0x10192A)}, {1, rgb(0x0B1220)}};
      c_.fill_linear(r, 0, {in, in}, {in, t}, stops);
    });
  }

  void title_contents(bool studio_layout) {
    const float in = l_.inset;
    const float t = l_.title_bottom;
    alpha_ = s_.window_active ? 1.0f : 0.61f;
    c_.fill_rect(box(in, in, l_.right, in + 1), col(kAccent, 0.06f));
    c_.line({in, t - 0.5f}, {l_.right, t - 0.5f}, col(kAccent, 0.12f), 1);
    brand(studio_layout);
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      switch (z.kind) {
        case ZoneKind::Back:
        case ZoneKind::Forward:
        case ZoneKind::Reload:
        case ZoneKind::Fullscreen:
        case ZoneKind::Minimize:
        case ZoneKind::Maximize:
        case ZoneKind::CloseWindow:
          icon_button(i);
          break;
        case ZoneKind::Tab:
          tab(i);
          break;
        case ZoneKind::TabClose:
        case ZoneKind::NewTab:
          tab_glyph_button(i);
          break;
        case ZoneKind::RestartToUpdate:
          title_update_pill(i);
          break;
        case ZoneKind::FindTool:
          if (z.find_box) find_box(i);
          break;
        case ZoneKind::BackToSignIn:
        case ZoneKind::TryOffline:
          if (z.index == 110 || z.index == 111) auth_button(i);
          break;
        default:
          break;
      }
    }
    alpha_ = 1;
  }

  void brand(bool studio_layout) {
    const float in = l_.inset;
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      if (z.kind == ZoneKind::Brand && hover(i) > 0) {
        c_.fill_round_rect(z.rect(), 7, col(kWhite, 0.05f * hover(i)));
      }
    }
    draw_brand_mark(c_, {in + 14, in + 10}, 0.76f, alpha_);
    c_.text(u"vantiro", TextFormat::wordmark, box(in + 40, in + 6, in + 108, l_.title_bottom - 6),
            col(kWhite));
    const RectF badge{in + 105, in + 14, in + 152, in + 30};
    c_.fill_round_rect(badge, 4, col(kAccent, 0.14f));
    c_.text(u"STUDIO", TextFormat::badge, badge, col(kAccent));
    if (studio_layout) c_.line({in + 162, in + 12}, {in + 162, in + 32}, col(kAccent, 0.14f), 1);
  }

  void icon_button(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = z.disabled ? 0 : hover(i);
    const bool caption = is_caption(z.kind);
    const bool close = z.kind == ZoneKind::CloseWindow;
    if (v > 0) {
      if (close) {
        c_.fill_rect(z.rect(), col(kCloseHover, v));
      } else if (caption) {
        c_.fill_rect(z.rect(), col(kWhite, 0.08f * v));
      } else {
        c_.fill_round_rect(z.rect(), 7, col(kWhite, 0.08f * v));
      }
    }
    Color glyph;
    if (z.disabled) {
      glyph = col(kMuted, 0.3f);
    } else if (hovered(i)) {
      glyph = close ? col(kWhite) : col(kAccent);
    } else {
      glyph = caption ? col(kCaptionGlyph) : col(kIdleGlyph);
    }
    Point centre{z.rect().center_x(), z.rect().center_y()};
    if (z.kind == ZoneKind::SidebarToggle && s_.sidebar_expanded) {
      centre.x = z.left + 20;
      if (l_.rail_width > 84) {
        c_.text(s_.ui_swedish ? u"Fäll ihop" : u"Collapse", TextFormat::nav_label,
                box(z.left + 38, z.top, z.right - 8, z.bottom), glyph);
      }
    }
    draw_icon(c_, z.icon, centre, caption ? 12 : 15, glyph);
  }

  // The tab's own hover, or its close box's.
  float tab_hover(int i) const {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    float v = hover(i);
    for (int j = 0; j < static_cast<int>(l_.zones.size()); ++j) {
      const HitZone& o = l_.zones[static_cast<size_t>(j)];
      if (o.kind == ZoneKind::TabClose && o.value == z.value) v = std::max(v, hover(j));
    }
    return v;
  }

  void tab(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float w = z.width();
    const float v = tab_hover(i);
    if (z.active || v > 0) {
      const float r = std::min(w / 2, 8.0f);
      c_.push_clip(z.rect(), false);
      const RectF shape{z.left, z.top, z.right, z.bottom + r};
      if (z.active) {
        const GradientStop stops[] = {{0, col(0x162134)}, {1, col(kContent)}};
        c_.fill_linear(shape, r, {z.left, z.top}, {z.left, z.bottom}, stops);
        c_.fill_rect(box(z.left + r, z.top, z.right - r, z.top + 2), col(kAccent));
      } else {
        c_.fill_round_rect(shape, r, col(kWhite, 0.055f * v));
      }
      c_.pop_clip();
    } else {
      c_.line({z.right, z.top + 10}, {z.right, z.bottom - 9}, col(kMuted, 0.19f), 1);
    }
    if (w >= 44) {
      const float x = z.left + (w < 64 ? 12 : 16);
      draw_icon(c_, z.tab_loading ? 4 : z.icon, {x, z.rect().center_y()}, 14,
                z.active ? col(kAccent) : col(0x9AABC3));
    }
    if (w >= 64) {
      c_.text(z.label, TextFormat::label, box(z.left + 28, z.top, z.right - 24, z.bottom),
              z.active ? col(0xEEF3FA) : col(0xA5B4C6));
    }
  }

  void tab_glyph_button(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = z.disabled ? 0 : hover(i);
    if (v > 0) c_.fill_round_rect(z.rect(), 5, col(kAccent, 0.052f + 0.068f * v));
    if (z.disabled) c_.fill_round_rect(z.rect(), 5, col(kAccent, 0.025f));
    float a = 0.62f;
    if (z.disabled) {
      a = 0.3f;
    } else if (hovered(i) || z.active) {
      a = 1;
    } else if (z.kind == ZoneKind::TabClose) {
      for (int j = 0; j < static_cast<int>(l_.zones.size()); ++j) {
        const HitZone& o = l_.zones[static_cast<size_t>(j)];
        if (o.kind == ZoneKind::Tab && o.value == z.value && hovered(j)) a = 1;
      }
    }
    const Color glyph = col(kTabIcon, a);
    const Point c{z.rect().center_x(), z.rect().center_y()};
    if (z.kind == ZoneKind::TabClose) {
      c_.line({c.x - 3, c.y - 3}, {c.x + 3, c.y + 3}, glyph, 1.25f);
      c_.line({c.x + 3, c.y - 3}, {c.x - 3, c.y + 3}, glyph, 1.25f);
    } else {
      c_.line({c.x - 5, c.y}, {c.x + 5, c.y}, glyph, 1.4f);
      c_.line({c.x, c.y - 5}, {c.x, c.y + 5}, glyph, 1.4f);
    }
  }

  void title_update_pill(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    c_.fill_round_rect(z.rect(), 8, hovered(i) ? col(0x67EBAE) : col(kSuccess));
    const Color ink = col(0x08231C);
    const float cy = z.rect().center_y();
    const float x = z.left + 15;
    c_.line({x, cy - 6}, {x, cy + 4}, ink, 1.5f);
    c_.line({x - 4, cy}, {x, cy + 4}, ink, 1.5f);
    c_.line({x + 4, cy}, {x, cy + 4}, ink, 1.5f);
    if (z.width() > 30) {
      c_.text(s_.ui_swedish ? u"Uppdatera" : u"Update", TextFormat::label,
              box(z.left + 27, z.top, z.right - 7, z.bottom), ink);
    }
  }

  void find_box(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = hover(i);
    c_.fill_round_rect(z.rect(), 8, col(kAccent, 0.035f + 0.045f * v));
    c_.stroke_round_rect(z.rect(), 8, col(kAccent, hovered(i) ? 0.34f : 0.14f), 1);
    draw_icon(c_, 5, {z.left + 16, z.rect().center_y()}, 13, col(kMuted));
    const RectF chip = box(z.right - 48, z.top + 5, z.right - 8, z.bottom - 5);
    c_.fill_round_rect(chip, 4, col(kWhite, 0.05f));
    c_.stroke_round_rect(chip, 4, col(kWhite, 0.14f), 1);
    c_.text(u"Ctrl K", TextFormat::badge, chip, col(0x9CAABE));
  }

  void auth_button(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = hover(i);
    const bool back = z.index == 110;
    c_.fill_round_rect(z.rect(), 7, col(kWhite, 0.04f + 0.08f * v));
    c_.stroke_round_rect(z.rect(), 7, col(kAccent, back ? 0.26f + 0.24f * v : 0.14f + 0.2f * v), 1);
    if (back) {
      draw_icon(c_, 2, {z.left + 16, z.rect().center_y()}, 11, col(kAccent));
      c_.text(z.label, TextFormat::hint, box(z.left + 24, z.top, z.right - 8, z.bottom),
              col(kAccent));
    } else {
      c_.text(z.label, TextFormat::hint, z.rect(), hovered(i) ? col(kAccent) : col(0xC7D2E2));
    }
  }

  // --- studio ------------------------------------------------------------------------------

  void studio() {
    const float in = l_.inset;
    const float t = l_.title_bottom;
    const float sb = l_.status_top;
    const bool settings = l_.mode == ChromeMode::settings;
    title_background();
    if (!settings) {
      const float rr = in + l_.rail_width;
      const RectF r = box(in, t, rr, sb);
      c_.backdrop(r, cache_key({5, r.left, r.top, r.right, r.bottom}), [&] {
        const GradientStop rail[] = {{0, rgb(0x0B111E)}, {1, rgb(0x080D17)}};
        c_.fill_linear(r, 0, {in, t}, {in, sb}, rail);
      });
      c_.line({rr - 0.5f, t}, {rr - 0.5f, sb}, rgb(kAccent, 0.12f), 1);
      c_.fill_rect(box(in, sb, l_.right, l_.bottom), rgb(0x070C14));
      c_.line({in, sb + 0.5f}, {l_.right, sb + 0.5f}, rgb(kAccent, 0.12f), 1);
    }
    title_contents(true);
    if (settings) {
      paint_settings_overlay(c_, l_, s_);
      return;
    }
    content_screens(l_.content, rgb(kContent));
    rail_zones();
    rail_decorations();
    status_bar();
    if (s_.palette_open) palette();
  }

  void rail_zones() {
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      if (z.kind == ZoneKind::SidebarToggle) {
        icon_button(i);
      } else if (z.rail_item) {
        rail_row(i);
      }
    }
  }

  void rail_row(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = hover(i);
    Color ink = col(kIdleGlyph);
    if (z.active) {
      c_.fill_round_rect(z.rect(), 9, col(kAccent, 0.14f));
      if (z.height() > 16) {
        c_.fill_round_rect(box(z.left + 1, z.top + 7, z.left + 4, z.bottom - 7), 1.5f,
                           col(kAccent));
      }
      ink = col(kAccent);
    } else if (v > 0) {
      c_.fill_round_rect(z.rect(), 9, col(kWhite, 0.06f * v));
      ink = col(kText);
    }
    const bool expanded = s_.sidebar_expanded;
    const Point icon{z.left + (expanded ? 20.0f : 24.0f), z.rect().center_y()};
    const bool dot = (z.kind == ZoneKind::SettingsToggle && !s_.available_version.empty()) ||
                     (z.kind == ZoneKind::OpenTool && z.payload == u"/account" && s_.offline_mode);
    if (dot) ink = col(kAccent);
    draw_icon(c_, z.icon, icon, 18, ink);
    if (dot) c_.fill_ellipse({icon.x + 8, icon.y - 7}, 3, 3, col(kAccent));
    if (!expanded) return;
    const bool badge = !z.text3.empty() && l_.rail_width >= 145;
    const float label_right = z.right - (badge ? 46.0f : 8.0f);
    if (label_right - z.left > 52) {
      c_.text(z.label, TextFormat::nav_label, box(z.left + 38, z.top, label_right, z.bottom), ink);
    }
    if (badge) {
      const float cy = z.rect().center_y();
      const RectF b{z.right - 42, cy - 8, z.right - 6, cy + 8};
      c_.fill_round_rect(b, 4, col(kAccent, 0.15f));
      c_.text(z.text3, TextFormat::badge, b, col(kAccent));
    }
  }

  void rail_decorations() {
    const RectF list = l_.rail_list;
    const float in = l_.inset;
    if (s_.sidebar_expanded && !l_.rail_headings.empty()) {
      c_.push_clip(list, false);
      for (const RailHeading& h : l_.rail_headings) {
        const float y = h.y - s_.rail_scroll;
        if (h.separator_above) {
          c_.fill_rect(box(in + 16, y + 2, in + l_.rail_width - 16, y + 3), rgb(kAccent, 0.10f));
        }
        c_.text(h.text, TextFormat::section,
                box(in + 18, y + h.height - 18, in + l_.rail_width - 12, y + h.height - 2),
                rgb(0x5C6D85));
      }
      c_.pop_clip();
    }
    if (l_.rail_active_anchor >= 0 && s_.rail_marker >= 0) {
      const float m = s_.rail_marker - s_.rail_scroll;
      c_.push_clip(list, false);
      c_.fill_round_rect({in + 1, m - 11, in + 4, m + 11}, 1.5f, rgb(kAccent));
      c_.pop_clip();
    }
    const float max = l_.rail_max_scroll;
    if (s_.sidebar_expanded && l_.rail_content_end - s_.rail_scroll > list.bottom) {
      const GradientStop fade[] = {{0, rgb(0x080D17, 0)}, {1, rgb(0x080D17, 0.95f)}};
      c_.fill_linear(box(list.left, list.bottom - 20, list.right, list.bottom), 0,
                     {list.left, list.bottom - 20}, {list.left, list.bottom}, fade);
    }
    // Only when there is something to scroll: no division by a zero range.
    const float hh = list.height();
    if (max > 0 && hh > 0) {
      const float thumb = std::min(std::max(hh * hh / (hh + max), 24.0f), hh);
      const float y = list.top + (hh - thumb) * std::clamp(s_.rail_scroll / max, 0.0f, 1.0f);
      const float x = in + l_.rail_width;
      c_.fill_round_rect({x - 6, y, x - 3, y + thumb}, 1.5f, rgb(kAccent, 0.36f));
    }
  }

  void status_bar() {
    const float in = l_.inset;
    const float sb = l_.status_top;
    std::uint32_t dot = kSuccess;
    if (s_.active_tab_stalled) {
      dot = kDanger;
    } else if (s_.offline_mode) {
      dot = kAccent;
    }
    c_.fill_ellipse({in + 16, sb + 14}, 6, 6, rgb(dot, 0.14f));
    c_.fill_ellipse({in + 16, sb + 14}, 3, 3, rgb(dot));
    float text_right = l_.right - 12;
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      if (z.top < sb) continue;
      if (z.kind == ZoneKind::UpdatePill) {
        const bool h = hovered(i);
        c_.fill_round_rect(z.rect(), 10, rgb(kAccent, h ? 1.0f : 0.18f));
        c_.stroke_round_rect(z.rect(), 10, rgb(kAccent, 0.45f), 1);
        c_.text(z.label, TextFormat::hint, z.rect(), h ? rgb(kCanvas) : rgb(kAccent));
      } else if (z.kind == ZoneKind::BackToSignIn) {
        const float v = hover(i);
        c_.fill_round_rect(z.rect(), 5, rgb(kWhite, 0.03f + 0.05f * v));
        c_.stroke_round_rect(z.rect(), 5, rgb(kAccent, 0.28f + 0.17f * v), 1);
        c_.text(z.label, TextFormat::hint, z.rect(), rgb(kText));
      } else {
        continue;
      }
      text_right = std::min(text_right, z.left - 12);
    }
    const RectF tb = box(in + 29, sb, text_right, l_.bottom);
    if (!s_.notice_text.empty() && s_.notice_success) {
      c_.text(u"\u2713  " + s_.notice_text, TextFormat::small, tb, rgb(kSuccess));
      return;
    }
    std::u16string line = s_.title;
    const std::u16string& extra = !s_.notice_text.empty() ? s_.notice_text : s_.settings_message;
    if (!extra.empty()) line += u"  ·  " + extra;
    c_.text(line, TextFormat::small, tb, rgb(kStatusText));
  }

  // --- content screens ---------------------------------------------------------------------

  void glow_and_grid(const RectF& r, Point centre, float rx, float ry,
                     Fidelity fidelity = Fidelity::exact) {
    const GradientStop stops[] = {{0, rgb(kAccent, 0.12f)}, {1, rgb(kAccent, 0)}};
    c_.fill_radial(r, centre, rx, ry, stops, fidelity);
    draw_grid(c_, r, {r.center_x(), r.center_y()}, rgb(kAccent, 0.028f));
  }

  // The launcher, crash card or loading scene in r over the base fill, when one is given.
  void content_screens(const RectF& r, std::optional<Color> base = std::nullopt) {
    const bool runs =
        s_.update_scene || (!s_.palette_open && (s_.active_tab_is_launcher ||
                                                 s_.active_tab_loading || s_.active_tab_stalled));
    if (!runs || r.width() <= 0 || r.height() <= 0) {
      if (base) c_.fill_rect(r, *base);
      return;
    }
    // While the rail eases the content area changes every frame, and so do its glows.
    const bool moving =
        l_.mode == ChromeMode::studio &&
        (l_.rail_width != rail_target_width(s_.sidebar_expanded) || s_.rail_settling);
    const Fidelity fidelity = moving ? Fidelity::motion : Fidelity::exact;
    if (s_.update_scene || s_.active_tab_loading) {
      if (base) {
        paint_boot_scene(c_, r, s_, base, fidelity);
      } else {
        c_.push_clip(r, false);
        paint_boot_scene(c_, r, s_);
        c_.pop_clip();
      }
      return;
    }
    const float cx = r.center_x();
    const float cy = r.center_y();
    const Point glow{cx, cy - 44};
    const float glow_rx = std::max(0.52f * r.width(), 1.0f);
    const auto backdrop = [&] {
      if (base) c_.fill_rect(r, *base);
      c_.push_clip(r, false);
      glow_and_grid(r, glow, glow_rx, 325, fidelity);
      c_.pop_clip();
    };
    if (base) {
      c_.backdrop(r,
                  cache_key({1, r.left, r.top, r.right, r.bottom, base->r, base->g, base->b,
                             base->a, moving ? 1.0f : 0.0f}),
                  backdrop);
    } else {
      backdrop();
    }
    c_.push_clip(r, false);
    const bool sv = s_.ui_swedish;
    if (s_.active_tab_is_launcher) {
      const float y0 = launcher_top(r);
      c_.text(u"VANTIRO STUDIO", TextFormat::body, {cx - 144, y0, cx + 144, y0 + 22}, rgb(kAccent));
      c_.text(sv ? u"Vad vill du bygga?" : u"What are you building?", TextFormat::hero,
              box(r.left + 18, y0 + 26, r.right - 18, y0 + 79), rgb(kTitleText));
    } else {
      const RectF tile{cx - 34, cy - 102, cx + 34, cy - 34};
      c_.fill_round_rect(tile, 17, rgb(0x111927));
      c_.stroke_round_rect(tile, 17, rgb(kAccent, 0.22f), 1);
      draw_brand_mark(c_, {cx - 20, cy - 89}, 1.36f);
      c_.text(sv ? u"Arbetsytan behöver laddas om" : u"Reload this workspace", TextFormat::heading,
              box(r.left + 18, cy - 6, r.right - 18, cy + 32), rgb(kTitleText));
      c_.text(sv ? u"Verktyget slutade svara. Öppna samma arbetsyta igen."
                 : u"The tool stopped responding. Reopen the same workspace.",
              TextFormat::body, box(r.left + 18, cy + 34, r.right - 18, cy + 57), rgb(kSecondary));
    }
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      // The launcher's own zones only: welcome and sign-in zones carry indexes of their own.
      if (z.index < 0 || z.index > 11) continue;
      launcher_zone(i);
    }
    c_.pop_clip();
  }

  void launcher_zone(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = hover(i);
    const float radius = z.index < 7 ? 10.0f : 18.0f;
    c_.fill_round_rect(z.rect(), radius, rgb(kCard));
    if (v > 0) c_.fill_round_rect(z.rect(), radius, rgb(kAccent, 0.06f * v));
    c_.stroke_round_rect(z.rect(), radius, rgb(kAccent, 0.16f + 0.5f * v), 1);
    const bool card = z.index >= 1 && z.index <= 6;
    if (!card) {
      draw_icon(c_, z.icon, {z.left + 20, z.rect().center_y()}, 14, rgb(kAccent));
      const bool search = z.index == 0;
      if (search) {
        c_.text(u"Ctrl+K", TextFormat::group, box(z.right - 55, z.top, z.right - 14, z.bottom),
                rgb(kAccent));
      }
      c_.text(z.label, TextFormat::label,
              box(z.left + 36, z.top, z.right - (search ? 68.0f : 9.0f), z.bottom),
              rgb(kTitleText));
      return;
    }
    c_.fill_round_rect({z.left + 13, z.top + 12, z.left + 45, z.top + 44}, 8,
                       rgb(kAccent, 0.10f + 0.09f * v));
    draw_icon(c_, z.icon, {z.left + 29, z.top + 28}, 17, rgb(kAccent));
    c_.text(u"Ctrl+" + std::u16string(1, static_cast<char16_t>(u'0' + z.index)), TextFormat::group,
            box(z.right - 58, z.top + 13, z.right - 13, z.top + 34), rgb(kAccent));
    c_.text(z.label, TextFormat::card_title, box(z.left + 13, z.top + 49, z.right - 12, z.top + 70),
            rgb(kTitleText));
    const CardSubtitle& sub = kCardSubtitles[static_cast<size_t>(z.index - 1)];
    c_.text(s_.ui_swedish ? sub.sv : sub.en, TextFormat::label,
            box(z.left + 13, z.top + 70, z.right - 12, z.bottom - 6), rgb(kSecondary));
  }

  void welcome_screen(const RectF& r) {
    if (r.width() <= 0 || r.height() <= 0) return;
    c_.push_clip(r, false);
    const float cx = r.center_x();
    c_.backdrop(r, cache_key({2, r.left, r.top, r.right, r.bottom}), [&] {
      c_.fill_rect(r, rgb(kContent));
      glow_and_grid(r, {cx, r.center_y() - 60}, std::max(0.48f * r.width(), 1.0f), 340);
    });
    if (s_.welcome_checking) {
      paint_boot_scene(c_, r, s_);
      c_.pop_clip();
      return;
    }
    const bool sv = s_.ui_swedish;
    const float y0 = welcome_top(r);
    const float m = std::max(std::min(r.width() - 36, 436.0f), 0.0f);
    const RectF card{cx - m / 2, y0, cx + m / 2, y0 + 448};
    for (float u : {24.0f, 14.0f, 6.0f}) {
      c_.fill_round_rect({card.left - u, y0 - 0.2f * u, card.right + u, card.bottom + u},
                         u / 2 + 18, rgb(kBlack, 0.16f));
    }
    c_.fill_round_rect(card, 18, rgb(kCard));
    c_.stroke_round_rect(card, 18, rgb(kAccent, 0.20f), 1);
    if (m > 40) {
      c_.line({card.left + 20, y0 + 1.5f}, {card.right - 20, y0 + 1.5f}, rgb(kAccent, 0.14f), 1);
    }
    const RectF tile{cx - 30, y0 + 28, cx + 30, y0 + 88};
    c_.fill_round_rect(tile, 15, rgb(0x141E30));
    c_.stroke_round_rect(tile, 15, rgb(kAccent, 0.28f), 1);
    draw_brand_mark(c_, {cx - 18, y0 + 39}, 1.22f);
    c_.text(sv ? u"Välkommen till Vantiro" : u"Welcome to Vantiro", TextFormat::heading,
            box(card.left + 24, y0 + 100, card.right - 24, y0 + 134), rgb(kTitleText));
    c_.text(sv ? u"Logga in för projekt och krediter — eller kör offline."
               : u"Sign in for projects and credits — or continue offline.",
            TextFormat::body, box(card.left + 20, y0 + 136, card.right - 20, y0 + 180),
            rgb(kSecondary));
    const float dy = y0 + 316;
    if (cx - 28 > card.left + 32) {
      c_.line({card.left + 32, dy}, {cx - 28, dy}, rgb(kAccent, 0.14f), 1);
      c_.line({cx + 28, dy}, {card.right - 32, dy}, rgb(kAccent, 0.14f), 1);
    }
    c_.text(sv ? u"eller" : u"or", TextFormat::hint, {cx - 26, dy - 10, cx + 26, dy + 10},
            rgb(kMuted));
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      if (z.index < 100 || z.index > 103) continue;
      const float v = hover(i);
      switch (z.kind) {
        case ZoneKind::SignInDiscord: {
          const Color fill{static_cast<float>(static_cast<int>(88 + 18 * v)) / 255.0f,
                           static_cast<float>(static_cast<int>(101 + 16 * v)) / 255.0f,
                           242.0f / 255.0f, 1};
          c_.fill_round_rect(z.rect(), 11, fill);
          c_.stroke_round_rect(z.rect(), 11, rgb(kWhite, 0.14f + 0.14f * v), 1);
          c_.text(z.label, TextFormat::body, z.rect(), rgb(kWhite));
          break;
        }
        case ZoneKind::SignInEmail: {
          const Color fill{static_cast<float>(static_cast<int>(22 + 12 * v)) / 255.0f,
                           static_cast<float>(static_cast<int>(33 + 14 * v)) / 255.0f,
                           static_cast<float>(static_cast<int>(53 + 14 * v)) / 255.0f, 1};
          c_.fill_round_rect(z.rect(), 11, fill);
          c_.stroke_round_rect(z.rect(), 11, rgb(kAccent, 0.28f + 0.28f * v), 1);
          c_.text(z.label, TextFormat::body, z.rect(), rgb(kAccent));
          break;
        }
        case ZoneKind::TryOffline:
          c_.fill_round_rect(z.rect(), 11, rgb(kWhite, 0.03f + 0.06f * v));
          c_.stroke_round_rect(z.rect(), 11, rgb(kTitleText, 0.16f + 0.22f * v), 1);
          c_.text(z.label, TextFormat::body, z.rect(), rgb(0xE0E8F4));
          break;
        case ZoneKind::LanguageToggle:
          if (v > 0) c_.fill_round_rect(z.rect(), 7, rgb(kWhite, 0.05f * v));
          c_.text(z.label, TextFormat::hint, z.rect(), hovered(i) ? rgb(kAccent) : rgb(kMuted));
          break;
        default:
          break;
      }
    }
    c_.pop_clip();
  }

  // --- palette -----------------------------------------------------------------------------

  void palette() {
    alpha_ = std::clamp(s_.palette_progress, 0.0f, 1.0f);
    c_.fill_rect(box(l_.inset + l_.rail_width, l_.title_bottom, l_.right, l_.status_top),
                 col(0x050910, 0.78f));
    const RectF p = l_.palette_panel;
    for (float sh : {22.0f, 16.0f, 10.0f, 5.0f}) {
      c_.fill_round_rect({p.left - sh, p.top - sh / 4, p.right + sh, p.bottom + sh}, sh + 14,
                         col(kBlack, 0.12f));
    }
    c_.fill_round_rect(p, 14, col(kPanel));
    c_.stroke_round_rect(p, 14, col(kAccent, 0.32f), 1);
    c_.line({p.left + 15, p.top + 1.5f}, {p.right - 15, p.top + 1.5f}, col(kAccent, 0.12f), 1);
    c_.line({p.left, p.top + 46}, {p.right, p.top + 46}, col(kAccent, 0.14f), 1);
    draw_icon(c_, 5, {p.left + 24, p.top + 23}, 15, col(kAccent));
    const RectF qbox = box(p.left + 44, p.top + 4, p.right - 56, p.top + 46);
    c_.push_clip(qbox, false);
    if (s_.query.empty()) {
      c_.text(s_.ui_swedish ? u"Sök verktyg (Ped, Fordon, Vapen, FiveM-meny …)"
                            : u"Search tools (Ped, Vehicle, Weapon, FiveM Menu …)",
              TextFormat::query, qbox, col(0x788AA4));
    } else {
      // Cut rather than ellipsize, so the caret at the end stays visible on long queries.
      c_.text(s_.query + u"|", TextFormat::query, qbox, col(kText), TextOverflow::clip);
    }
    c_.pop_clip();
    const RectF key{p.right - 46, p.top + 13, p.right - 14, p.top + 33};
    c_.fill_round_rect(key, 4, col(kWhite, 0.05f));
    c_.text(u"ESC", TextFormat::badge, key, col(0x9CAABE));

    c_.push_clip(l_.palette_list, false);
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      if (!z.palette_row) continue;
      const float y = z.row_y;
      const float v = hover(i);
      float highlight = 0;
      if (z.active) {
        highlight = 0.14f;
      } else if (v > 0) {
        highlight = 0.10f * v;
      }
      const Color ink = highlight > 0 ? col(kAccent) : col(kText);
      if (highlight > 0)
        c_.fill_round_rect({z.left, y, z.right, y + 34}, 8, col(kAccent, highlight));
      if (z.active)
        c_.fill_round_rect({z.left + 2, y + 5, z.left + 4.5f, y + 29}, 1.25f, col(kAccent));
      draw_icon(c_, z.icon, {z.left + 18, y + 17}, 15, ink);
      c_.text(z.label, TextFormat::row, box(z.left + 34, y, z.right - 130, y + 34), ink);
      c_.text(z.text2, TextFormat::group, box(z.right - 128, y, z.right - 12, y + 34), col(kMuted));
    }
    c_.pop_clip();
    c_.line({p.left, p.bottom - 28}, {p.right, p.bottom - 28}, col(kAccent, 0.13f), 1);
    c_.text(s_.ui_swedish ? u"↑↓ Navigera   ·   Enter Öppna   ·   Esc Stäng"
                          : u"↑↓ Navigate   ·   Enter Open   ·   Esc Close",
            TextFormat::hint, box(p.left + 8, p.bottom - 28, p.right - 8, p.bottom), col(0xA6B6CD));
    alpha_ = 1;
  }

  Canvas& c_;
  const LayoutResult& l_;
  const ChromeState& s_;
  float alpha_ = 1;
};

}  // namespace

void paint_chrome(Canvas& canvas, const LayoutResult& layout, const ChromeState& state) {
  Painter(canvas, layout, state).frame();
}

char16_t icon_font_glyph(int id) {
  switch (id) {
    case 2:
      return 0xE72B;
    case 3:
      return 0xE72A;
    case 4:
      return 0xE72C;
    case 5:
      return 0xE721;
    case 6:
      return 0xE740;
    case 7:
      return 0xE921;
    case 8:
      return 0xE922;
    case 9:
      return 0xE923;
    case 10:
      return 0xE8BB;
    default:
      return 0;
  }
}

void draw_grid(Canvas& c, const RectF& r, Point through, Color color) {
  const float step = 38;
  for (float x = through.x - std::floor((through.x - r.left) / step) * step; x <= r.right;
       x += step) {
    c.line({x, r.top}, {x, r.bottom}, color, 1);
  }
  for (float y = through.y - std::floor((through.y - r.top) / step) * step; y <= r.bottom;
       y += step) {
    c.line({r.left, y}, {r.right, y}, color, 1);
  }
}

void draw_brand_mark(Canvas& c, Point origin, float scale, float alpha) {
  // Two slanted strokes of a V in the 32 x 32 design box.
  auto at = [&](float x, float y) {
    return Point{origin.x + (x - 6) * scale, origin.y + (y - 3) * scale};
  };
  Path left;
  left.move_to(at(6, 3)).line_to(at(13, 3)).line_to(at(19.5f, 21)).line_to(at(16, 29)).close();
  Path right;
  right.move_to(at(30, 3))
      .line_to(at(23, 3))
      .line_to(at(18.2f, 16.4f))
      .line_to(at(21.7f, 24.6f))
      .close();
  c.fill_path(left, rgb(kAccent, alpha));
  c.fill_path(right, rgb(kAccent, 0.62f * alpha));
}

void draw_icon(Canvas& c, int id, Point centre, float size, Color color) {
  if (size <= 15) {
    const char16_t g = icon_font_glyph(id);
    if (g != 0 && c.icon_glyph(g, centre, color)) return;
  }
  if (id < 1 || id > 27) return;  // 0 and unknown ids: the generic page shows no glyph
  const float u = size / 2;
  const float w = size <= 13 ? 1.25f : 1.6f;
  const float reach = u + w + 1;  // the widest glyph, its caps and their antialiasing
  c.sprite({centre.x - reach, centre.y - reach, centre.x + reach, centre.y + reach},
           cache_key({static_cast<float>(id), size, color.r, color.g, color.b, color.a}),
           [&] { draw_vector_icon(c, id, centre, u, w, color); });
}

namespace {

void draw_vector_icon(Canvas& c, int id, Point centre, float u, float w, Color color) {
  auto p = [&](float x, float y) { return Point{centre.x + x * u, centre.y + y * u}; };
  auto ln = [&](float x0, float y0, float x1, float y1) { c.line(p(x0, y0), p(x1, y1), color, w); };
  auto poly = [&](std::initializer_list<Point> pts, bool closed) {
    Path path;
    bool first = true;
    for (Point q : pts) {
      if (first) {
        path.move_to(p(q.x, q.y));
      } else {
        path.line_to(p(q.x, q.y));
      }
      first = false;
    }
    if (closed) path.close();
    c.stroke_path(path, color, w);
  };
  auto circle = [&](float x, float y, float rx, float ry) {
    c.stroke_ellipse(p(x, y), rx * u, ry * u, color, w);
  };
  auto rrect = [&](float x0, float y0, float x1, float y1, float r) {
    c.stroke_round_rect(
        {centre.x + x0 * u, centre.y + y0 * u, centre.x + x1 * u, centre.y + y1 * u}, r, color, w);
  };
  switch (id) {
    case 1:
      ln(-0.75f, -0.5f, 0.75f, -0.5f);
      ln(-0.75f, 0, 0.35f, 0);
      ln(-0.75f, 0.5f, 0.75f, 0.5f);
      break;
    case 2:
      poly({{0.35f, -0.6f}, {-0.35f, 0}, {0.35f, 0.6f}}, false);
      break;
    case 3:
      poly({{-0.35f, -0.6f}, {0.35f, 0}, {-0.35f, 0.6f}}, false);
      break;
    case 4:
      circle(0, 0, 0.62f, 0.62f);
      poly({{0.25f, -0.75f}, {0.7f, -0.3f}, {0.25f, -0.25f}}, false);
      break;
    case 5:
      circle(-0.18f, -0.18f, 0.52f, 0.52f);
      ln(0.22f, 0.22f, 0.72f, 0.72f);
      break;
    case 6:
      poly({{-0.7f, -0.25f}, {-0.7f, -0.7f}, {-0.25f, -0.7f}}, false);
      poly({{0.25f, -0.7f}, {0.7f, -0.7f}, {0.7f, -0.25f}}, false);
      poly({{0.7f, 0.25f}, {0.7f, 0.7f}, {0.25f, 0.7f}}, false);
      poly({{-0.25f, 0.7f}, {-0.7f, 0.7f}, {-0.7f, 0.25f}}, false);
      break;
    case 7:
      ln(-0.75f, 0, 0.75f, 0);
      break;
    case 8:
      c.stroke_rect(
          {centre.x - 0.68f * u, centre.y - 0.68f * u, centre.x + 0.68f * u, centre.y + 0.68f * u},
          color, w);
      break;
    case 9:
      c.stroke_rect(
          {centre.x - 0.7f * u, centre.y - 0.4f * u, centre.x + 0.4f * u, centre.y + 0.7f * u},
          color, w);
      poly({{-0.4f, -0.4f}, {-0.4f, -0.7f}, {0.7f, -0.7f}, {0.7f, 0.4f}, {0.4f, 0.4f}}, false);
      break;
    case 10:
      ln(-0.65f, -0.65f, 0.65f, 0.65f);
      ln(0.65f, -0.65f, -0.65f, 0.65f);
      break;
    case 11: {
      circle(0, -0.4f, 0.31f, 0.32f);
      Path s;
      s.move_to(p(-0.68f, 0.73f)).cubic_to(p(-0.68f, -0.08f), p(0.68f, -0.08f), p(0.68f, 0.73f));
      c.stroke_path(s, color, w);
      break;
    }
    case 12: {
      Path body;
      body.move_to(p(-0.84f, 0.47f))
          .line_to(p(-0.84f, 0))
          .line_to(p(-0.58f, -0.14f))
          .line_to(p(-0.33f, -0.52f))
          .line_to(p(0.41f, -0.52f))
          .line_to(p(0.68f, -0.12f))
          .line_to(p(0.88f, 0.02f))
          .line_to(p(0.88f, 0.47f))
          .line_to(p(0.65f, 0.47f))
          .cubic_to(p(0.65f, 0.15f), p(0.18f, 0.15f), p(0.18f, 0.47f))
          .line_to(p(-0.23f, 0.47f))
          .cubic_to(p(-0.23f, 0.15f), p(-0.7f, 0.15f), p(-0.7f, 0.47f))
          .close();
      c.stroke_path(body, color, w);
      c.fill_ellipse(p(-0.46f, 0.51f), 0.12f * u, 0.12f * u, color);
      c.fill_ellipse(p(0.41f, 0.51f), 0.12f * u, 0.12f * u, color);
      ln(0.49f, -0.06f, 0.7f, -0.01f);
      break;
    }
    case 13:
      poly({{-0.82f, -0.47f},
            {0.77f, -0.47f},
            {0.77f, -0.13f},
            {0.22f, -0.13f},
            {0.11f, 0.2f},
            {-0.24f, 0.2f},
            {-0.4f, 0.6f},
            {-0.85f, 0.6f},
            {-0.58f, -0.12f},
            {-0.82f, -0.12f}},
           true);
      ln(-0.19f, -0.13f, 0, -0.13f);
      break;
    case 14:
      ln(-0.72f, -0.2f, -0.72f, 0.2f);
      ln(-0.36f, -0.52f, -0.36f, 0.52f);
      ln(0, -0.82f, 0, 0.82f);
      ln(0.36f, -0.52f, 0.36f, 0.52f);
      ln(0.72f, -0.2f, 0.72f, 0.2f);
      break;
    case 15:
      poly({{0, -0.82f},
            {-0.72f, -0.4f},
            {-0.72f, 0.42f},
            {0, 0.82f},
            {0.72f, 0.42f},
            {0.72f, -0.4f},
            {0, -0.82f}},
           false);
      ln(0, 0, -0.72f, -0.4f);
      ln(0, 0, 0.72f, -0.4f);
      ln(0, 0, 0, 0.82f);
      break;
    case 16:
      poly({{0, -0.75f}, {0.75f, -0.32f}, {0, 0.1f}, {-0.75f, -0.32f}, {0, -0.75f}}, false);
      poly({{-0.75f, 0.12f}, {0, 0.52f}, {0.75f, 0.12f}}, false);
      poly({{-0.75f, 0.46f}, {0, 0.84f}, {0.75f, 0.46f}}, false);
      break;
    case 17:
      poly({{-0.8f, 0.62f},
            {-0.8f, -0.54f},
            {-0.22f, -0.54f},
            {0.02f, -0.3f},
            {0.8f, -0.3f},
            {0.8f, 0.62f}},
           true);
      break;
    case 18:
      rrect(-0.82f, -0.62f, 0.82f, 0.62f, 2.5f);
      ln(-0.48f, -0.2f, 0.1f, -0.2f);
      ln(-0.48f, 0.22f, 0.28f, 0.22f);
      ln(0.45f, -0.2f, 0.52f, -0.2f);
      ln(0.45f, 0.22f, 0.52f, 0.22f);
      break;
    case 19:
      circle(0, -0.48f, 0.68f, 0.26f);
      circle(0, 0.48f, 0.68f, 0.26f);
      ln(-0.68f, -0.48f, -0.68f, 0.48f);
      ln(0.68f, -0.48f, 0.68f, 0.48f);
      break;
    case 20:
      rrect(-0.62f, -0.72f, 0.62f, 0.72f, 2);
      ln(-0.32f, -0.25f, 0.32f, -0.25f);
      ln(-0.32f, 0.15f, 0.32f, 0.15f);
      break;
    case 21:
      circle(0, 0, 0.72f, 0.72f);
      ln(0, -0.42f, 0, 0.42f);
      ln(-0.22f, -0.22f, 0.22f, -0.22f);
      ln(-0.22f, 0.22f, 0.22f, 0.22f);
      break;
    case 22:
      circle(0, 0, 0.76f, 0.76f);
      circle(0, -0.18f, 0.25f, 0.25f);
      ln(-0.38f, 0.48f, 0.38f, 0.48f);
      break;
    case 23:
      circle(0, 0, 0.74f, 0.74f);
      ln(-0.74f, 0, 0.74f, 0);
      circle(0, 0, 0.34f, 0.74f);
      break;
    case 24:
      circle(0, 0, 0.3f, 0.3f);
      circle(0, 0, 0.62f, 0.62f);
      ln(0, -0.84f, 0, -0.64f);
      ln(0, 0.64f, 0, 0.84f);
      ln(-0.84f, 0, -0.64f, 0);
      ln(0.64f, 0, 0.84f, 0);
      ln(-0.6f, -0.6f, -0.46f, -0.46f);
      ln(0.46f, 0.46f, 0.6f, 0.6f);
      ln(0.6f, -0.6f, 0.46f, -0.46f);
      ln(-0.46f, 0.46f, -0.6f, 0.6f);
      break;
    case 25:
      rrect(-0.84f, -0.56f, 0.84f, 0.56f, 2);
      ln(-0.52f, -0.18f, -0.36f, -0.18f);
      ln(-0.08f, -0.18f, 0.08f, -0.18f);
      ln(0.36f, -0.18f, 0.52f, -0.18f);
      ln(-0.42f, 0.22f, 0.42f, 0.22f);
      break;
    case 26:
      ln(0, 0.72f, 0, -0.58f);
      ln(-0.46f, -0.14f, 0, -0.6f);
      ln(0.46f, -0.14f, 0, -0.6f);
      ln(-0.66f, 0.74f, 0.66f, 0.74f);
      break;
    case 27:
      circle(0, 0, 0.74f, 0.74f);
      for (Point d : {Point{-0.28f, -0.22f}, Point{0.24f, -0.26f}, Point{-0.22f, 0.26f},
                      Point{0.26f, 0.22f}}) {
        c.fill_ellipse(p(d.x, d.y), 0.13f * u, 0.13f * u, color);
      }
      break;
    default:
      break;  // 0 and unknown ids: the generic page shows no glyph
  }
}

}  // namespace

}  // namespace vantiro::chrome
