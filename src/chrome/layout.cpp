#include "chrome/layout.h"

#include <algorithm>
#include <cmath>

#include "chrome/launcher.h"
#include "chrome/palette.h"
#include "chrome/settings_overlay.h"
#include "chrome/tool_catalog.h"

namespace vantiro::chrome {

namespace {

using Text = std::u16string_view;

Text pick(bool sv, Text s, Text e) {
  return sv ? s : e;
}

HitZone zone(float l, float t, float r, float b, ZoneKind kind, int icon, Text label) {
  HitZone z = zone_at(l, t, r, b, kind);
  z.icon = icon;
  z.label = std::u16string(label);
  return z;
}

void add_caption_zones(const ChromeState& s, float inset, float R, float T,
                       std::vector<HitZone>& zones) {
  const bool sv = s.ui_swedish;
  zones.push_back(zone(R - 174, inset, R - 138, T, ZoneKind::Fullscreen, 6,
                       pick(sv, u"Helskärm (F11)", u"Fullscreen (F11)")));
  zones.push_back(
      zone(R - 138, inset, R - 92, T, ZoneKind::Minimize, 7, pick(sv, u"Minimera", u"Minimize")));
  if (s.maximized) {
    zones.push_back(
        zone(R - 92, inset, R - 46, T, ZoneKind::Maximize, 9, pick(sv, u"Återställ", u"Restore")));
  } else {
    zones.push_back(
        zone(R - 92, inset, R - 46, T, ZoneKind::Maximize, 8, pick(sv, u"Maximera", u"Maximize")));
  }
  HitZone close =
      zone(R - 46, inset, R, T, ZoneKind::CloseWindow, 10, pick(sv, u"Stäng", u"Close"));
  close.danger = true;
  zones.push_back(std::move(close));
}

// Brand, navigation, tabs, new tab, update pill and find box; returns whether the title-bar
// update pill was laid out.
bool add_title_bar_zones(const ChromeState& s, float inset, float R, std::vector<HitZone>& zones) {
  const bool sv = s.ui_swedish;
  zones.push_back(
      zone(inset + 10, inset + 6, inset + 158, inset + 38, ZoneKind::Brand, 0, u"Vantiro Studio"));
  HitZone back = zone(inset + 168, inset + 8, inset + 196, inset + 36, ZoneKind::Back, 2,
                      pick(sv, u"Bakåt (Alt+←)", u"Back (Alt+←)"));
  back.disabled = !s.can_go_back;
  HitZone fwd = zone(inset + 199, inset + 8, inset + 227, inset + 36, ZoneKind::Forward, 3,
                     pick(sv, u"Framåt (Alt+→)", u"Forward (Alt+→)"));
  fwd.disabled = !s.can_go_forward;
  zones.push_back(std::move(back));
  zones.push_back(std::move(fwd));
  zones.push_back(zone(inset + 230, inset + 8, inset + 258, inset + 36, ZoneKind::Reload, 4,
                       pick(sv, u"Ladda om (Ctrl+R)", u"Reload (Ctrl+R)")));

  const float x0 = inset + 271;
  const float f = R - 272;
  const float d = f - x0;
  const float pill_w = d >= 490 ? 108 : 30;
  const bool pill = s.update_ready && d >= pill_w + 56;
  const float e = pill ? f - pill_w - 8 : f;

  const int n = static_cast<int>(s.tabs.size());
  const float wt = std::max(e - 48 - 34 - x0, 0.0f);
  float extra = 0;
  if (n > 1) extra = std::clamp(68 - wt / n, 0.0f, std::min(wt, 27.0f));
  const float base = n > 0 ? std::clamp((wt - extra) / n, 0.0f, 188.0f) : 0;
  float x = x0;
  for (const ChromeTab& t : s.tabs) {
    const float w = base + (t.active ? extra : 0);
    HitZone tab = zone(x, inset + 6, x + w, inset + 44, ZoneKind::Tab, t.icon, t.title);
    tab.value = t.id;
    tab.active = t.active;
    tab.tab_loading = t.loading;
    zones.push_back(std::move(tab));
    if (w >= 28) {
      HitZone close = zone(x + w - 23, inset + 15, x + w - 5, inset + 33, ZoneKind::TabClose, 10,
                           pick(sv, u"Stäng flik (Ctrl+W)", u"Close tab (Ctrl+W)"));
      close.value = t.id;
      close.active = t.active;
      zones.push_back(std::move(close));
    }
    x += w;
  }
  if (e + 0.01f >= x + 82) {
    const bool full = n >= kMaxTabs;
    HitZone add = zone(x + 6, inset + 8, x + 34, inset + 36, ZoneKind::NewTab, 0,
                       full ? pick(sv, u"Max 8 flikar öppna", u"Maximum 8 tabs open")
                            : pick(sv, u"Ny flik (Ctrl+T)", u"New tab (Ctrl+T)"));
    add.disabled = full;
    zones.push_back(std::move(add));
  }
  if (pill) {
    std::u16string label(pick(sv, u"Starta om & uppdatera till v", u"Restart & update to v"));
    label += s.available_version;
    HitZone p = zone(e, inset + 8, f - 8, inset + 36, ZoneKind::RestartToUpdate, 0, label);
    p.update_pill = true;
    zones.push_back(std::move(p));
  }
  HitZone find = zone(f, inset + 8, f + 88, inset + 36, ZoneKind::FindTool, 5,
                      pick(sv, u"Snabbsök verktyg (Ctrl+K)", u"Find a tool (Ctrl+K)"));
  find.find_box = true;
  zones.push_back(std::move(find));
  return pill;
}

void add_auth_flow_zones(const ChromeState& s, float inset, float R, std::vector<HitZone>& zones) {
  const bool sv = s.ui_swedish;
  HitZone back = zone(inset + 172, inset + 8, inset + 276, inset + 36, ZoneKind::BackToSignIn, 2,
                      pick(sv, u"Tillbaka", u"Back"));
  back.index = 110;
  zones.push_back(std::move(back));
  if (R - 186 > inset + 410) {
    HitZone offline = zone(inset + 284, inset + 8, inset + 404, inset + 36, ZoneKind::TryOffline, 0,
                           pick(sv, u"Testa offline", u"Try offline"));
    offline.index = 111;
    zones.push_back(std::move(offline));
  }
}

void add_status_pill(const ChromeState& s, bool title_pill, float R, float S, float B,
                     std::vector<HitZone>& zones) {
  const bool sv = s.ui_swedish;
  if (!title_pill && !s.available_version.empty() && !s.update_scene) {
    const float w = s.update_ready ? 215 : 138;
    std::u16string label(s.update_ready
                             ? pick(sv, u"↑ Starta om & uppdatera v", u"↑ Restart to update v")
                             : pick(sv, u"Uppdatering v", u"Update v"));
    label += s.available_version;
    HitZone p = zone(R - 12 - w, S + 3, R - 12, B - 3, ZoneKind::UpdatePill, 0, label);
    p.update_pill = true;
    zones.push_back(std::move(p));
  } else if (s.offline_mode) {
    const float w = sv ? 156 : 132;
    zones.push_back(zone(R - 12 - w, S + 3, R - 12, B - 3, ZoneKind::BackToSignIn, 0,
                         pick(sv, u"Offline-läge · Logga in", u"Offline · Sign in")));
  }
}

void add_rail_row(const ToolEntry& e, const std::u16string& path, float p, float& y,
                  const ChromeState& s, LayoutResult& out) {
  const float in = out.inset;
  const float lt = out.rail_list.top;
  const float lb = out.rail_list.bottom;
  const bool active = rail_item_active(path, e.route);
  if (active) out.rail_active_anchor = s.rail_scroll + y + p / 2;
  if (y + p >= lt - 4 && y <= lb + 4) {
    const float top = std::max(y, lt);
    const float bottom = std::min(y + p, lb);
    if (bottom - top >= 12) {
      HitZone z = zone(in + 8, top, in + out.rail_width - 8, bottom, ZoneKind::OpenTool, e.icon,
                       e.label().pick(s.ui_swedish));
      z.text3 = std::u16string(e.badge);
      z.payload = std::u16string(e.route);
      z.active = active;
      z.rail_item = true;
      out.zones.push_back(std::move(z));
    }
  }
  y += p + 3;
}

void add_rail_zones(const ChromeState& s, float inset, float T, float S, LayoutResult& out) {
  const bool sv = s.ui_swedish;
  const bool expanded = s.sidebar_expanded;
  const float w = out.rail_width;
  HitZone toggle =
      zone(inset + 8, T + 6, inset + w - 8, T + 34, ZoneKind::SidebarToggle, 1,
           expanded ? pick(sv, u"Fäll ihop sidopanelen (Ctrl+B)", u"Collapse sidebar (Ctrl+B)")
                    : pick(sv, u"Fäll ut sidopanelen (Ctrl+B)", u"Expand sidebar (Ctrl+B)"));
  out.zones.push_back(std::move(toggle));

  const float lt = T + 42;
  const float lb = std::max(S - 86, lt + 40);
  out.rail_list = {inset, lt, inset + w, lb};
  const std::u16string path = normalize_tool_path(s.current_path);
  const float p = expanded ? 36 : 40;
  const auto catalog = tool_catalog();
  float y = lt - s.rail_scroll;
  auto heading = [&](float height, std::u16string_view text, bool separator) {
    if (expanded)
      out.rail_headings.push_back({y + s.rail_scroll, height, std::u16string(text), separator});
    y += height;
  };
  heading(expanded ? 20 : 0, u"STUDIO", false);
  for (const ToolEntry& e : catalog)
    if (e.core) add_rail_row(e, path, p, y, s, out);
  y += 10;
  heading(expanded ? 20 : 0, pick(sv, u"BIBLIOTEK", u"LIBRARY"), true);
  for (const ToolEntry& e : catalog)
    if (e.library) add_rail_row(e, path, p, y, s, out);
  if (expanded) {
    std::u16string_view previous_group = catalog[0].group().pick(sv);
    for (const ToolEntry& e : catalog) {
      if (e.library) previous_group = e.group().pick(sv);
      if (e.core || e.library || e.account || e.route.starts_with(u"app:")) continue;
      const std::u16string_view group = e.group().pick(sv);
      if (group != previous_group) heading(30, group, true);
      previous_group = group;
      add_rail_row(e, path, p, y, s, out);
    }
  }
  out.rail_content_end = y + s.rail_scroll;
  out.rail_max_scroll = std::max(y + s.rail_scroll - lb + 8, 0.0f);

  float pinned = S - 80;
  for (const ToolEntry& e : catalog) {
    if (!e.account) continue;
    HitZone z =
        zone(inset + 8, pinned, inset + w - 8, pinned + 35, ZoneKind::OpenTool, e.icon,
             s.offline_mode ? pick(sv, u"Offline-läge · Logga in", u"Offline mode · Sign in")
                            : e.label().pick(sv));
    z.payload = std::u16string(e.route);
    z.active = rail_item_active(path, e.route);
    z.rail_item = true;
    out.zones.push_back(std::move(z));
    pinned += 38;
  }
  HitZone gear = zone(inset + 8, pinned, inset + w - 8, pinned + 35, ZoneKind::SettingsToggle, 24,
                      pick(sv, u"Inställningar (Ctrl+,)", u"Settings (Ctrl+,)"));
  gear.active = s.settings_open;
  gear.rail_item = true;
  out.zones.push_back(std::move(gear));
}

void add_palette_zones(const ChromeState& s, LayoutResult& out) {
  const std::vector<const ToolEntry*> rows = filter_palette(s.query);
  const PaletteLayout p =
      layout_palette(out.title_bottom, out.status_top, out.inset + out.rail_width, out.right,
                     s.palette_progress, rows.size());
  out.palette_panel = {p.panel.left, p.panel.top, p.panel.right, p.panel.bottom};
  out.palette_list = {p.list.left, p.list.top, p.list.right, p.list.bottom};
  out.palette_viewport = p.viewport;
  out.palette_max_scroll = p.max_scroll;
  out.palette_result_count = static_cast<int>(rows.size());
  for (const PaletteRowPlacement& r :
       place_palette_rows(p, rows.size(), s.palette_scroll, s.selection)) {
    const ToolEntry& e = *rows[static_cast<size_t>(r.index)];
    HitZone z = zone(r.zone.left, r.zone.top, r.zone.right, r.zone.bottom, ZoneKind::PaletteRow,
                     e.icon, e.label().pick(s.ui_swedish));
    z.text2 = std::u16string(e.group().pick(s.ui_swedish));
    z.payload = std::u16string(e.route);
    z.row_index = r.index;
    z.row_y = r.y;
    z.active = r.selected;
    z.palette_row = true;
    out.zones.push_back(std::move(z));
  }
}

}  // namespace

float rail_target_width(bool expanded) {
  return expanded ? kRailExpandedWidth : kRailCompactWidth;
}

float rail_width_of(const ChromeState& s) {
  return s.rail_width > 0 ? s.rail_width : rail_target_width(s.sidebar_expanded);
}

LayoutResult layout_chrome(float width, float height, float inset, const ChromeState& s) {
  LayoutResult out;
  width = std::max(width, 0.0f);
  height = std::max(height, 0.0f);
  inset = std::max(inset, 0.0f);
  out.width = width;
  out.height = height;
  out.inset = inset;
  const float R = std::max(width - 2 * inset, 0.0f) + inset;
  const float B = std::max(height - 2 * inset, 0.0f) + inset;
  const float T = inset + kTitleBarHeight;
  const float S = B - kStatusBarHeight;
  out.right = R;
  out.bottom = B;
  out.title_bottom = T;
  out.status_top = S;
  out.rail_width = rail_width_of(s);

  if (s.fullscreen) {
    out.mode = ChromeMode::fullscreen;
    out.content = {0, 0, width, height};
    if (s.welcome_gate && !s.update_scene) {
      layout_welcome_zones(out.content, s, out);
    } else {
      layout_launcher_zones(out.content, s, out);
    }
    return out;
  }
  if (s.welcome_gate && !s.update_scene) {
    out.mode = ChromeMode::welcome;
    out.content = {inset, T, R, B};
    add_caption_zones(s, inset, R, T, out.zones);
    layout_welcome_zones(out.content, s, out);
    return out;
  }
  if (s.auth_flow && !s.update_scene) {
    out.mode = ChromeMode::auth_flow;
    out.content = {inset, T, R, B};
    add_auth_flow_zones(s, inset, R, out.zones);
    add_caption_zones(s, inset, R, T, out.zones);
    return out;
  }

  const float rail_right = inset + out.rail_width;
  out.content = {rail_right, T, R, S};
  if (s.update_scene) {
    // The update scene owns the window: nothing but the caption buttons answers the mouse.
    out.mode = ChromeMode::studio;
    add_caption_zones(s, inset, R, T, out.zones);
    return out;
  }
  const bool title_pill = add_title_bar_zones(s, inset, R, out.zones);
  add_caption_zones(s, inset, R, T, out.zones);
  if (s.settings_open) {
    out.mode = ChromeMode::settings;
    layout_settings_zones({inset, T, R, B}, s, out);
    return out;
  }
  out.mode = ChromeMode::studio;
  add_rail_zones(s, inset, T, S, out);
  add_status_pill(s, title_pill, R, S, B, out.zones);
  layout_launcher_zones(out.content, s, out);
  if (s.palette_open) add_palette_zones(s, out);
  return out;
}

LayoutResult relayout_chrome(float width, float height, float inset, ChromeState& s) {
  LayoutResult out = layout_chrome(width, height, inset, s);
  auto clamp_pair = [](float& value, float& target, float max) {
    const float v = std::clamp(value, 0.0f, max);
    const float t = std::clamp(target, 0.0f, max);
    const bool changed = v != value || t != target;
    value = v;
    target = t;
    return changed;
  };
  bool changed = clamp_pair(s.rail_scroll, s.rail_scroll_target, out.rail_max_scroll);
  changed |= clamp_pair(s.palette_scroll, s.palette_scroll_target, out.palette_max_scroll);
  changed |= clamp_pair(s.settings_scroll, s.settings_scroll_target, out.settings_max_scroll);
  if (changed) out = layout_chrome(width, height, inset, s);
  return out;
}

int hit_test(const std::vector<HitZone>& zones, float x, float y) {
  for (int i = static_cast<int>(zones.size()) - 1; i >= 0; --i) {
    if (zones[static_cast<size_t>(i)].contains(x, y)) return i;
  }
  return -1;
}

int frame_inset_px(int dpi, bool maximized, bool fullscreen) {
  if (maximized || fullscreen) return 0;
  if (dpi <= 0) dpi = 96;
  return (5 * dpi + 48) / 96;
}

float px_to_dip(float px, int dpi) {
  return px * 96.0f / static_cast<float>(dpi <= 0 ? 96 : dpi);
}

int native_hit_test(const std::vector<HitZone>& zones, int x, int y, int w, int h, int dpi, int b,
                    bool fullscreen) {
  if (b > 0) {
    const bool left = x < b;
    const bool right = x >= w - b;
    if (y < b) return left ? kHtTopLeft : right ? kHtTopRight : kHtTop;
    if (y >= h - b) return left ? kHtBottomLeft : right ? kHtBottomRight : kHtBottom;
    if (left) return kHtLeft;
    if (right) return kHtRight;
  }
  const int i =
      hit_test(zones, px_to_dip(static_cast<float>(x), dpi), px_to_dip(static_cast<float>(y), dpi));
  if (i >= 0 && zones[static_cast<size_t>(i)].kind == ZoneKind::Maximize) return kHtMaxButton;
  if (fullscreen) return kHtClient;
  const float above = px_to_dip(static_cast<float>(y - b), dpi);
  if (i < 0 && above >= 0 && above <= kTitleBarHeight) return kHtCaption;
  return kHtClient;
}

PixelRect web_content_rect(int w, int h, int dpi, int i, bool expanded, bool fullscreen) {
  if (fullscreen) return {0, 0, w, h};
  const int d = std::max(dpi, 96);
  const int rail = expanded ? 220 : 64;
  PixelRect r;
  r.left = i + (rail * d + 48) / 96;
  r.top = i + (44 * d + 48) / 96;
  r.right = std::max(w - i, r.left);
  r.bottom = std::max(h - i - (28 * d + 48) / 96, r.top);
  return r;
}

CursorKind cursor_for(const std::vector<HitZone>& zones, int index) {
  if (index < 0 || index >= static_cast<int>(zones.size())) return CursorKind::arrow;
  return zones[static_cast<size_t>(index)].disabled ? CursorKind::arrow : CursorKind::hand;
}

std::u16string tooltip_for(const std::vector<HitZone>& zones, int index, const ChromeState& s,
                           float inset) {
  if (index < 0 || index >= static_cast<int>(zones.size())) return {};
  const HitZone& z = zones[static_cast<size_t>(index)];
  if (z.kind == ZoneKind::Maximize) return {};
  const bool shows = z.kind == ZoneKind::SidebarToggle || (z.rail_item && !s.sidebar_expanded) ||
                     z.top < inset + kTitleBarHeight;
  return shows ? z.label : std::u16string();
}

}  // namespace vantiro::chrome
