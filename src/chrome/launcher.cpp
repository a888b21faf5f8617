#include "chrome/launcher.h"

#include <algorithm>

#include "chrome/tool_catalog.h"

namespace vantiro::chrome {

namespace {

HitZone make_zone(float l, float t, float r, float b, ZoneKind kind, int index) {
  HitZone z = zone_at(l, t, r, b, kind);
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

  // Catalog rows 1 to 6 are the cards, 7 to 10 the links.
  const auto catalog = tool_catalog();
  const float left = cx - usable / 2;
  const float card_w = (usable - 24) / 3;
  for (int i = 0; i < 6; ++i) {
    const ToolEntry& e = catalog[static_cast<size_t>(i)];
    const float x = left + static_cast<float>(i % 3) * (card_w + 12);
    const float y = y0 + 158 + static_cast<float>(i / 3) * 110;
    HitZone z = make_zone(x, y, x + card_w, y + 98, ZoneKind::OpenTool, i + 1);
    z.icon = e.icon;
    z.label = std::u16string(e.label().pick(s.ui_swedish));
    z.payload = std::u16string(e.route);
    out.zones.push_back(std::move(z));
  }
  const float link_w = (usable - 30) / 4;
  for (int i = 6; i < 10; ++i) {
    const ToolEntry& e = catalog[static_cast<size_t>(i)];
    const float x = left + static_cast<float>(i - 6) * (link_w + 10);
    HitZone z = make_zone(x, y0 + 390, x + link_w, y0 + 426, ZoneKind::OpenTool, i + 1);
    z.icon = e.icon;
    z.label = std::u16string(e.label().pick(s.ui_swedish));
    if (e.route == u"/fivem-menu") z.label += u" (FREE)";
    z.payload = std::u16string(e.route);
    out.zones.push_back(std::move(z));
  }
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
