#include "chrome/boot_scene.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

#include "chrome/painter.h"
#include "common/build_config.h"

#include "chrome/chrome_colors.h"

namespace vantiro::chrome {

namespace {

using namespace tokens;

struct Tip {
  std::u16string_view sv;
  std::u16string_view en;
};

constexpr std::array<Tip, kTipCount> kTips = {{
    {u"Tryck Ctrl+K för att söka bland alla 40+ verktyg.",
     u"Press Ctrl+K to search all 40+ tools."},
    {u"Ctrl+1–6 hoppar direkt till studions sex huvudverktyg.",
     u"Ctrl+1–6 jumps straight to the six core studio tools."},
    {u"F11 växlar helskärm – perfekt för 3D-editorn.",
     u"F11 toggles fullscreen – perfect for the 3D editor."},
    {u"Ctrl+T öppnar en ny flik och Ctrl+Tab växlar mellan upp till 8 flikar.",
     u"Ctrl+T opens a new tab and Ctrl+Tab cycles through up to 8 tabs."},
    {u"Mittenklicka på en flik eller tryck Ctrl+W för att stänga den.",
     u"Middle-click a tab or press Ctrl+W to close it."},
    {u"Testa i FiveM skickar exporter som sparats på ditt konto till din server.",
     u"Test in FiveM sends exports saved to your account to your server."},
    {u"Ctrl+, öppnar inställningarna – där finns även villkor och integritetspolicy.",
     u"Ctrl+, opens settings – including terms and the privacy policy."},
    {u"Projekt, exporter och krediter synkas automatiskt när du är inloggad.",
     u"Projects, exports and credits sync automatically when you're signed in."},
}};

void glow(Canvas& c, const RectF& r, Point centre, float radius, float a,
          Fidelity fidelity = Fidelity::exact) {
  const GradientStop stops[] = {
      {0, rgb(kAccent, a)}, {0.45f, rgb(kAccent, 0.38f * a)}, {1, rgb(kAccent, 0)}};
  c.fill_radial(r, centre, radius, radius, stops, fidelity);
}

}  // namespace

std::u16string_view tip_text(int index, bool swedish) {
  const int i = ((index % kTipCount) + kTipCount) % kTipCount;
  return swedish ? kTips[static_cast<size_t>(i)].sv : kTips[static_cast<size_t>(i)].en;
}

void paint_boot_scene(Canvas& c, const RectF& r, const ChromeState& s, std::optional<Color> base,
                      Fidelity fidelity) {
  const float w = r.width();
  const float h = r.height();
  const bool visible = w >= 60 && h >= 60 && s.boot_alpha > 0;
  const bool layer = s.boot_alpha < 1;
  const bool tip_wanted = (s.startup_scene || s.welcome_checking || s.update_scene) && h >= 380;
  const float cx = r.center_x();
  const float u =
      (r.top + r.bottom) / 2 - (s.update_scene ? 104.0f : 76.0f) - (tip_wanted ? 12 : 0);
  // The fill, the grid and the wide glow stay still while the scene moves.
  const bool still_backdrop = visible && !layer;
  const auto still = [&] {
    if (base) {
      c.fill_rect(r, *base);
      c.push_clip(r, false);
    }
    c.fill_rect(r, rgb(0x090F18));
    if (still_backdrop) {
      draw_grid(c, r, {cx, u}, rgb(kAccent, 0.024f));
      glow(c, r, {cx, u + 40}, std::min(0.55f * std::max(w, h), 620.0f), 0.07f, fidelity);
    }
    if (base) c.pop_clip();
  };
  if (still_backdrop) {
    const Color b = base.value_or(Color{-1, -1, -1, -1});
    const float motion = fidelity == Fidelity::motion ? 1.0f : 0.0f;
    c.backdrop(r, cache_key({3, r.left, r.top, r.right, r.bottom, u, b.r, b.g, b.b, b.a, motion}),
               still);
  } else {
    still();
  }
  if (!visible) return;
  c.push_clip(r, false);
  if (layer) c.push_layer(s.boot_alpha);
  const bool sv = s.ui_swedish;
  const bool reduced = s.reduced_motion;
  const float pi = std::numbers::pi_v<float>;
  const float phase = std::clamp(s.spinner_phase, 0.0f, 1.0f);
  const float p = reduced ? 0.5f : 0.5f + 0.5f * std::sin(2 * pi * phase);

  if (!still_backdrop) {
    draw_grid(c, r, {cx, u}, rgb(kAccent, 0.024f));
    glow(c, r, {cx, u + 40}, std::min(0.55f * std::max(w, h), 620.0f), 0.07f, fidelity);
  }
  glow(c, r, {cx, u}, 170 + 18 * p, 0.22f + 0.1f * p);

  const float ring = 70 + 2 * p;
  if (reduced) {
    c.stroke_ellipse({cx, u}, ring, ring, rgb(kAccent, 0.42f), 1.6f);
  } else {
    c.stroke_ellipse({cx, u}, ring, ring, rgb(kAccent, 0.09f), 2.0f);
    const float head = 2 * pi * phase - pi / 2;
    const float arc = 1.55f + 0.7f * p;
    for (int k = 0; k < 34; ++k) {
      const float a0 = head - (1 - static_cast<float>(k) / 34) * arc;
      const float a1 = head - (1 - static_cast<float>(k + 1) / 34) * arc;
      const float f = static_cast<float>(k + 1) / 34;
      c.line({cx + ring * std::cos(a0), u + ring * std::sin(a0)},
             {cx + ring * std::cos(a1), u + ring * std::sin(a1)},
             rgb(kAccent, 0.03f + 0.92f * f * f), 3);
    }
    const Point dot{cx + ring * std::cos(head), u + ring * std::sin(head)};
    c.fill_ellipse(dot, 8.5f, 8.5f, rgb(kAccent, 0.18f));
    c.fill_ellipse(dot, 3.2f, 3.2f, rgb(0xF8E4CA));
  }

  c.push_scale({cx, u}, 1 + (p - 0.5f) * 0.056f);
  const RectF tile{cx - 48, u - 48, cx + 48, u + 48};
  const GradientStop tile_stops[] = {{0, rgb(0x182336)}, {1, rgb(0x0D1421)}};
  c.fill_linear(tile, 25, {cx, tile.top}, {cx, tile.bottom}, tile_stops);
  c.stroke_round_rect(tile, 25, rgb(kAccent, 0.26f + 0.16f * p), 1.2f);
  c.line({cx - 28, u - 46.5f}, {cx + 28, u - 46.5f}, rgb(0xFFFFFF, 0.07f), 1);
  draw_brand_mark(c, {cx - 22.58075f, u - 27.418749f}, 2.05f);
  if (!reduced) {
    const float k = std::clamp((phase - 0.08f) * 2, 0.0f, 1.0f);
    if (k > 0 && k < 1) {
      const float bx = cx - 80 + 160 * k;
      const GradientStop band[] = {
          {0, rgb(0xFFF4E4, 0)}, {0.5f, rgb(0xFFF4E4, 0.2f)}, {1, rgb(0xFFF4E4, 0)}};
      c.push_round_clip(tile, 25);
      c.fill_linear({bx - 16, tile.top, bx + 16, tile.bottom}, 0, {bx - 16, u}, {bx + 16, u}, band);
      c.pop_clip();
    }
  }
  c.pop_transform();

  std::u16string title;
  if (s.update_scene) {
    title = sv ? u"Uppdaterar Vantiro Studio" : u"Updating Vantiro Studio";
  } else if (s.startup_scene || s.welcome_checking) {
    title = u"Vantiro Studio";
  } else {
    title = std::u16string(sv ? u"Öppnar " : u"Opening ") + s.title;
  }
  c.text(title, TextFormat::heading, {r.left + 18, u + 92, r.right - 18, u + 126}, rgb(0xEDF1F7));

  float y = u + 130;
  if (s.update_scene) {
    const RectF pill{cx - 88, y, cx + 88, y + 26};
    c.fill_round_rect(pill, 8, rgb(kAccent, 0.10f));
    c.stroke_round_rect(pill, 8, rgb(kAccent, 0.28f), 1);
    std::u16string v = u"v";
    v += kAppVersion;
    v += u" → v";
    v += s.update_from_version;
    c.text(v, TextFormat::body, pill, rgb(kAccent));
    y += 36;
  }
  std::u16string status;
  if (s.update_scene) {
    status = s.update_scene_text;
  } else if (s.startup_scene || s.welcome_checking) {
    status = s.boot_status_line;
  } else {
    status = sv ? u"Förbereder arbetsytan …" : u"Preparing workspace …";
  }
  c.text(status, TextFormat::body, {r.left + 18, y, r.right - 18, y + 22}, rgb(0xA7B5C8));
  y += 36;

  const float half = std::clamp(w / 2 - 32, 40.0f, 130.0f);
  const RectF track{cx - half, y, cx + half, y + 4};
  c.fill_round_rect(track, 2, rgb(kAccent, reduced && !s.update_scene ? 0.26f : 0.16f));
  if (s.update_scene) {
    const float end = cx - half + 2 * half * std::clamp(s.download_progress, 0.0f, 1.0f);
    if (end > cx - half) {
      c.fill_round_rect({cx - half - 2, y - 3, end + 2, y + 7}, 5, rgb(kAccent, 0.14f));
      c.fill_round_rect({cx - half, y, end, y + 4}, 2, rgb(kAccent));
    }
    c.text(s.download_kilobytes, TextFormat::hint, {r.left + 18, y + 12, r.right - 18, y + 32},
           rgb(0x8A9BB3));
  } else if (!reduced) {
    const float e = phase < 0.5f ? 2 * phase * phase : 1 - 2 * (1 - phase) * (1 - phase);
    const float seg = 0.68f * half;
    const float x = cx - half - seg + (2 * half + seg) * e;
    const GradientStop stops[] = {
        {0, rgb(kAccent, 0)}, {0.55f, rgb(kAccent, 0.95f)}, {1, rgb(0xF8E4CA)}};
    c.push_clip(track, false);
    c.fill_linear({x, y, x + seg, y + 4}, 2, {x, y}, {x + seg, y}, stops);
    c.pop_clip();
  }

  const float tip_top = r.bottom - 96;
  if (tip_wanted && tip_top > y + 40) {
    const float half_w = std::max(std::min(w / 2 - 24, 320.0f), 0.0f);
    const RectF card{cx - half_w, tip_top, cx + half_w, tip_top + 60};
    c.fill_round_rect(card, 12, rgb(0xFFFFFF, 0.025f));
    c.stroke_round_rect(card, 12, rgb(kAccent, 0.14f), 1);
    if (half_w > 18) {
      c.line({cx - half_w + 18, tip_top + 0.5f}, {cx + half_w - 18, tip_top + 0.5f},
             rgb(kAccent, 0.10f), 1);
    }
    const float tl = cx - half_w + 16;
    const float tr = std::max(cx + half_w - 16, tl);
    c.text(sv ? u"VISSTE DU ATT …" : u"DID YOU KNOW …", TextFormat::tip_heading,
           {tl, tip_top + 10, tr, tip_top + 26}, rgb(kAccent, 0.92f));
    c.text(tip_text(s.tip_seed, sv), TextFormat::tip, {tl, tip_top + 28, tr, tip_top + 50},
           rgb(0xD6DFEC));
  }
  if (layer) c.pop_layer();
  c.pop_clip();
}

}  // namespace vantiro::chrome
