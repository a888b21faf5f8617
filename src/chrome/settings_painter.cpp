#include <algorithm>
#include <cmath>

#include "chrome/animation.h"
#include "chrome/painter.h"
#include "chrome/settings_overlay.h"
#include "common/build_config.h"

#include "chrome/chrome_colors.h"

namespace vantiro::chrome {

namespace {

using namespace tokens;

class SettingsPainter {
 public:
  SettingsPainter(Canvas& c, const LayoutResult& l, const ChromeState& s)
      : c_(c),
        l_(l),
        s_(s),
        page_(l.settings_page),
        a_(std::clamp(s.settings_progress, 0.0f, 1.0f)) {}

  void paint() {
    const RectF area = l_.settings_area;
    const float n = page_.nav_right;
    c_.backdrop(area, cache_key({6, area.left, area.top, area.right, area.bottom, n, a_}), [&] {
      c_.fill_rect(area, rgb(0x080D15));
      const GradientStop nav[] = {{0, col(0x0B111E)}, {1, col(0x080D17)}};
      c_.fill_linear(box(area.left, area.top, n, area.bottom), 0, {area.left, area.top},
                     {area.left, area.bottom}, nav);
      c_.line({n - 0.5f, area.top}, {n - 0.5f, area.bottom}, col(kAccent, 0.10f), 1);
      const Color grid = col(kAccent, 0.014f);
      for (float x = n + 38; x <= area.right; x += 38)
        c_.line({x, area.top}, {x, area.bottom}, grid, 1);
      for (float y = area.top + 38; y <= area.bottom; y += 38)
        c_.line({n, y}, {area.right, y}, grid, 1);
    });
    const bool sv = s_.ui_swedish;
    if (!page_.narrow) {
      c_.text(sv ? u"INSTÄLLNINGAR" : u"SETTINGS", TextFormat::section,
              box(area.left + 18, area.top + 64, n - 12, area.top + 82), col(kHeading));
      c_.line({area.left + 14, area.top + 209}, {n - 14, area.top + 209}, col(kAccent, 0.10f), 1);
      std::u16string footer = u"v";
      footer += kAppVersion;
      footer += u"  ·  Mirsel AB";
      c_.text(footer, TextFormat::small,
              box(area.left + 18, area.bottom - 34, n - 10, area.bottom - 14), col(0x66768E));
    }
    navigation();
    c_.push_clip(l_.settings_viewport, false);
    page();
    controls();
    c_.pop_clip();
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      if (l_.zones[static_cast<size_t>(i)].style == kStyleClose) close_button(i);
    }
    scrollbar();
  }

 private:
  Color col(std::uint32_t hex, float a = 1) const { return rgb(hex, a * a_); }
  float hover(int i) const { return hover_value(s_, l_.zones, i); }
  bool hovered(int i) const { return i == s_.hover && hover(i) > 0; }

  void navigation() {
    const RectF area = l_.settings_area;
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      const float v = hover(i);
      if (z.style == kStyleCategory) {
        Color ink = col(0x8E9FB6);
        if (z.active) {
          c_.fill_round_rect(z.rect(), 8, col(kAccent, 0.14f));
          ink = col(kAccent);
        } else if (v > 0) {
          c_.fill_round_rect(z.rect(), 8, col(kWhite, 0.06f * v));
          ink = col(kText);
        }
        const Point icon{page_.narrow ? z.rect().center_x() : z.left + 18, z.rect().center_y()};
        draw_icon(c_, z.icon, icon, 16, ink);
        if (!page_.narrow) {
          c_.text(z.label, TextFormat::nav_label, box(z.left + 36, z.top, z.right - 16, z.bottom),
                  ink);
        }
        if (z.value == 4 && !s_.available_version.empty()) {
          const Point dot = page_.narrow ? Point{icon.x + 9, icon.y - 8}
                                         : Point{z.right - 12, z.rect().center_y()};
          c_.fill_ellipse(dot, 3.5f, 3.5f, col(kAccent));
        }
      } else if (z.style == kStyleBackToStudio) {
        if (v > 0) c_.fill_round_rect(z.rect(), 7, col(kWhite, 0.06f * v));
        const Color ink = hovered(i) ? col(kAccent) : col(0x98A9C0);
        draw_icon(c_, z.icon,
                  {page_.narrow ? z.rect().center_x() : z.left + 15, z.rect().center_y()}, 14, ink);
        if (!page_.narrow) {
          c_.text(z.label, TextFormat::small, box(z.left + 30, z.top, z.right - 8, z.bottom), ink);
        }
      }
    }
    const float m = s_.settings_marker >= 0 ? s_.settings_marker : l_.settings_anchor;
    if (m >= 0)
      c_.fill_round_rect({area.left + 1, m - 11, area.left + 4, m + 11}, 1.5f, col(kAccent));
  }

  void close_button(int i) {
    const HitZone& z = l_.zones[static_cast<size_t>(i)];
    const float v = hover(i);
    const bool h = hovered(i);
    const Point c{page_.content_right + 38, l_.settings_area.top + 48};
    if (v > 0) c_.fill_ellipse(c, 18, 18, col(kAccent, 0.1f * v));
    const Color ink = h ? col(kAccent, 0.65f + 0.35f * v) : col(kTitleText, 0.38f);
    c_.stroke_ellipse(c, 18, 18, ink, 1.5f);
    c_.line({c.x - 5.5f, c.y - 5.5f}, {c.x + 5.5f, c.y + 5.5f}, ink, 1.5f);
    c_.line({c.x + 5.5f, c.y - 5.5f}, {c.x - 5.5f, c.y + 5.5f}, ink, 1.5f);
    c_.text(u"ESC", TextFormat::badge, {c.x - 20, c.y + 21, c.x + 20, c.y + 35},
            h ? col(kAccent) : col(kMuted));
    (void)z;
  }

  void page() {
    const float cl = page_.content_left;
    const float cr = page_.content_right;
    const float y0 = page_.y0;
    c_.text(page_.title, TextFormat::page_title, box(cl, y0, cr, y0 + 30), col(kText));
    c_.text(page_.description, TextFormat::page_text, box(cl, y0 + 32, cr, y0 + 54), col(kMuted));
    if (!s_.settings_message.empty()) {
      c_.text(s_.settings_message, TextFormat::fine, box(cl, y0 + 54, cr, y0 + 72), col(kDanger));
    }
    for (const SettingsHeading& h : page_.headings) {
      c_.text(h.text, TextFormat::section, box(cl + 2, h.y, cr, h.y + 16), col(kHeading));
    }
    for (const SettingsCard& card : page_.cards) {
      if (card.intro) {
        c_.fill_round_rect(card.rect, 12, col(kAccent, 0.06f));
        c_.stroke_round_rect(card.rect, 12, col(kAccent, 0.24f), 1);
        continue;
      }
      c_.fill_round_rect(card.rect, 12, col(0x0D1524));
      c_.stroke_round_rect(card.rect, 12, col(kAccent, 0.10f), 1);
      if (cr - cl > 32)
        c_.line({cl + 16, card.rect.top + 1}, {cr - 16, card.rect.top + 1}, col(kAccent, 0.08f), 1);
    }
    for (const SettingsRow& r : page_.rows) row(r);
  }

  void row(const SettingsRow& r) {
    const float cl = page_.content_left;
    const float cr = page_.content_right;
    const float y = r.top;
    if (r.separator_above)
      c_.line({cl + 18, y}, {std::max(cr - 18, cl + 18), y}, col(kWhite, 0.06f), 1);
    if (r.choice_track.width() > 0) {
      c_.fill_round_rect(r.choice_track, 8, col(kWhite, 0.035f));
      c_.stroke_round_rect(r.choice_track, 8, col(kAccent, 0.12f), 1);
    }
    switch (r.kind) {
      case SettingsRowKind::shortcut: {
        float x = cr - 18;
        for (auto it = r.keys.rbegin(); it != r.keys.rend(); ++it) {
          const float w = std::max(7.2f * static_cast<float>(it->size()) + 14, 26.0f);
          const RectF cap{x - w, y + 9, x, y + 31};
          c_.fill_round_rect(cap, 5, col(kWhite, 0.055f));
          c_.stroke_round_rect(cap, 5, col(kWhite, 0.14f), 1);
          c_.line({cap.left + 4, cap.bottom - 1}, {cap.right - 4, cap.bottom - 1},
                  col(kWhite, 0.08f), 1);
          c_.text(*it, TextFormat::tiny, cap, col(0xC4D0E0));
          x -= w + 5;
        }
        if (r.icon) draw_icon(c_, r.icon, {cl + 26, y + 20}, 15, col(kAccent));
        c_.text(r.title, TextFormat::row, box(cl + (r.icon ? 44.0f : 18.0f), y, cr - 160, y + 40),
                col(kText));
        return;
      }
      case SettingsRowKind::account_status: {
        const Color state = s_.offline_mode ? col(kAccent) : col(kSuccess);
        c_.fill_ellipse({cl + 42, y + 42}, 22, 22, col(0x141E30));
        c_.stroke_ellipse({cl + 42, y + 42}, 22, 22, col(kAccent, 0.28f), 1);
        draw_icon(c_, 22, {cl + 42, y + 42}, 20, state);
        c_.fill_ellipse({cl + 57, y + 57}, 5, 5, state);
        c_.text(r.title, TextFormat::card_title, box(cl + 76, y + 18, cr - 336, y + 40),
                col(kText));
        c_.text(r.description, TextFormat::fine, box(cl + 76, y + 42, cr - 336, y + 64),
                col(kMuted));
        return;
      }
      case SettingsRowKind::version:
        draw_brand_mark(c_, {cl + 22, y + 20}, 1, a_);
        c_.text(r.title, TextFormat::card_title, box(cl + 58, y + 16, cr - 220, y + 36),
                col(kText));
        c_.text(r.description, TextFormat::fine, box(cl + 58, y + 36, cr - 220, y + 54),
                col(kAccent));
        if (!r.keys.empty()) {
          c_.text(r.keys[0], TextFormat::fine, box(cl + 18, y + 60, cr - 220, y + 80),
                  col(r.description_color));
        }
        return;
      case SettingsRowKind::about:
        draw_brand_mark(c_, {cl + 22, y + 22}, 1, a_);
        c_.text(r.title, TextFormat::card_title, box(cl + 58, y + 16, cr - 18, y + 38), col(kText));
        c_.text(r.description, TextFormat::fine, box(cl + 58, y + 42, cr - 18, y + 62),
                col(kMuted));
        return;
      case SettingsRowKind::plain:
        break;
    }
    if (r.icon) {  // the keyboard page's intro card
      draw_icon(c_, r.icon, {cl + 28, y + 29}, 16, col(kAccent));
      c_.text(r.title, TextFormat::row, box(cl + 48, y, cr - 130, y + 58), col(kText));
      return;
    }
    const float right = cr - r.reserved;
    if (r.description.empty()) {
      c_.text(r.title, TextFormat::row, box(cl + 18, y, right, y + r.height), col(kText));
    } else {
      c_.text(r.title, TextFormat::row, box(cl + 18, y + 9, right, y + 29), col(kText));
      c_.text(r.description, TextFormat::fine, box(cl + 18, y + 30, right, y + 49), col(kMuted));
    }
  }

  void controls() {
    for (int i = 0; i < static_cast<int>(l_.zones.size()); ++i) {
      const HitZone& z = l_.zones[static_cast<size_t>(i)];
      const float v = z.disabled ? 0 : hover(i);
      switch (z.style) {
        case kStyleSegment:
          if (z.active) {
            c_.fill_round_rect(z.rect(), 6, col(kAccent, 0.16f));
            c_.stroke_round_rect(z.rect(), 6, col(kAccent, 0.45f), 1);
            c_.text(z.label, TextFormat::button, z.rect(), col(kAccent));
          } else if (v > 0) {
            c_.fill_round_rect(z.rect(), 6, col(kWhite, 0.05f * v));
            c_.text(z.label, TextFormat::button, z.rect(), col(kText));
          } else {
            c_.text(z.label, TextFormat::button, z.rect(), col(0xA5B4C6));
          }
          break;
        case kStyleToggle: {
          if (v > 0) c_.fill_round_rect(z.rect(), 8, col(kWhite, 0.025f * v));
          const float cy = z.rect().center_y();
          const RectF pill{z.right - 58, cy - 11, z.right - 18, cy + 11};
          if (z.toggled) {
            c_.fill_round_rect(pill, 11, col(kAccent));
            c_.fill_ellipse({z.right - 29, cy}, 8, 8, col(0x0B1220));
          } else {
            c_.fill_round_rect(pill, 11, col(kWhite, 0.10f));
            c_.stroke_round_rect(pill, 11, hovered(i) ? col(kAccent, 0.4f) : col(kWhite, 0.14f), 1);
            c_.fill_ellipse({z.right - 47, cy}, 8, 8, col(0xA7B5C8));
          }
          break;
        }
        case kStylePrimary:
          if (z.disabled) {
            c_.fill_round_rect(z.rect(), 8, col(0x788291, 0.3f));
            c_.text(z.label, TextFormat::button, z.rect(), col(0x070B12, 0.6f));
          } else {
            c_.fill_round_rect(z.rect(), 8, hovered(i) ? col(0xF8E2C7) : col(kAccent));
            c_.text(z.label, TextFormat::button, z.rect(), col(0x070B12));
          }
          break;
        case kStyleSecondary:
          c_.fill_round_rect(z.rect(), 8, col(kWhite, 0.04f + 0.04f * v));
          c_.stroke_round_rect(z.rect(), 8, col(kAccent, z.disabled ? 0.12f : 0.28f + 0.17f * v),
                               1);
          c_.text(z.label, TextFormat::button, z.rect(), col(kText, z.disabled ? 0.45f : 1));
          break;
        default:
          break;
      }
    }
  }

  void scrollbar() {
    const float max = l_.settings_max_scroll;
    const RectF area = l_.settings_area;
    const float track = area.height() - 24;
    // Only when there is something to scroll and room for a track.
    if (max <= 0 || track <= 0) return;
    const float h = std::min(std::max(track * track / (max + track), 28.0f), track);
    const float top =
        area.top + 12 + (track - h) * std::clamp(s_.settings_scroll / max, 0.0f, 1.0f);
    c_.fill_round_rect({area.right - 7, top, area.right - 4, top + h}, 1.5f, col(kAccent, 0.34f));
  }

  Canvas& c_;
  const LayoutResult& l_;
  const ChromeState& s_;
  const SettingsPage& page_;
  float a_;
};

}  // namespace

void paint_settings_overlay(Canvas& canvas, const LayoutResult& layout, const ChromeState& state) {
  SettingsPainter(canvas, layout, state).paint();
}

}  // namespace vantiro::chrome
