#include "chrome/launcher.h"

#include <algorithm>

namespace vantiro::chrome {

namespace {

HitZone make_zone(float l, float t, float r, float b, ZoneKind kind, int index) {
  HitZone z;
  z.left = l;
  z.top = t;
  z.right = r;
  z.bottom = b;
  z.kind = kind;
  z.index = index;
  return z;
}

}  // namespace

float launcher_top(const RectF& c) {
  return std::max((c.top + c.bottom - 416) / 2, c.top + 20);
}

float welcome_top(const RectF& a) {
  return std::max(a.center_y() - 224, a.top + 16);
}

void layout_launcher_zones(const RectF& c, const ChromeState& s, LayoutResult& out) {
  out.launcher_y0 = launcher_top(c);
  if (s.update_scene || s.palette_open) return;
  if (!s.active_tab_is_launcher && !s.active_tab_stalled) return;
  const float usable = std::min(c.width() - 48, 856.0f);
  if (usable < 300) return;
  const float cx = c.center_x();
  const float cy = c.center_y();
  if (s.active_tab_stalled && !s.active_tab_is_launcher) {
    HitZone z = make_zone(cx - 82, cy + 66, cx + 82, cy + 106, ZoneKind::ReloadWorkspace, 11);
    z.icon = 4;
    z.label = s.ui_swedish ? u"Ladda om" : u"Reload workspace";
    out.zones.push_back(std::move(z));
    return;
  }
  const float y0 = out.launcher_y0;
  const float g = std::min(452.0f, usable) / 2;
  HitZone search = make_zone(cx - g, y0 + 94, cx + g, y0 + 136, ZoneKind::FindTool, 0);
  search.icon = 5;
  search.label = s.ui_swedish ? u"Sök bland alla 40+ verktyg …" : u"Search 40+ tools …";
  out.zones.push_back(std::move(search));
}

void layout_welcome_zones(const RectF& a, const ChromeState& s, LayoutResult& out) {
  out.welcome = a;
  if (s.welcome_checking) return;
  if (a.width() < 280 || a.height() < 320) return;
  const float cx = a.center_x();
  const float y0 = welcome_top(a);
  const float hb = (std::min(a.width() - 36, 436.0f) - 64) / 2;
  const bool sv = s.ui_swedish;
  HitZone discord = make_zone(cx - hb, y0 + 196, cx + hb, y0 + 242, ZoneKind::SignInDiscord, 100);
  discord.label = sv ? u"Logga in med Discord" : u"Sign in with Discord";
  HitZone email = make_zone(cx - hb, y0 + 254, cx + hb, y0 + 298, ZoneKind::SignInEmail, 101);
  email.label = sv ? u"Logga in med e-post eller konto" : u"Sign in with email or account";
  HitZone offline = make_zone(cx - hb, y0 + 334, cx + hb, y0 + 378, ZoneKind::TryOffline, 102);
  offline.label = sv ? u"Testa offline utan konto" : u"Try offline without account";
  HitZone lang = make_zone(cx - 110, y0 + 402, cx + 110, y0 + 430, ZoneKind::LanguageToggle, 103);
  lang.label = sv ? u"Svenska  ·  Switch to English" : u"English  ·  Byt till Svenska";
  out.zones.push_back(std::move(discord));
  out.zones.push_back(std::move(email));
  out.zones.push_back(std::move(offline));
  out.zones.push_back(std::move(lang));
}

}  // namespace vantiro::chrome
