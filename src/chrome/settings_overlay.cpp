#include "chrome/settings_overlay.h"

#include <algorithm>
#include <array>

#include "chrome/tool_catalog.h"
#include "common/build_config.h"

namespace vantiro::chrome {

namespace {

using Text = std::u16string_view;

struct Category {
  int icon;
  Text label_sv, label_en, text_sv, text_en;
};

constexpr std::array<Category, kSettingsCategoryCount> kCategories = {{
    {24, u"Allmänt", u"General", u"Hur Vantiro startar och pratar med dig.",
     u"How Vantiro starts and speaks to you."},
    {27, u"Utseende", u"Appearance", u"Zoom, sidopanel och rörelse i studion.",
     u"Zoom, sidebar and motion in the studio."},
    {25, u"Kortkommandon", u"Keyboard shortcuts",
     u"Jobba snabbare utan att lyfta händerna från tangentbordet.",
     u"Work faster without lifting your hands from the keyboard."},
    {22, u"Konto", u"Account", u"Inloggningsläge, konto och krediter.",
     u"Sign-in status, account and credits."},
    {26, u"App och uppdateringar", u"App & updates",
     u"Version, automatiska uppdateringar och felsökning.",
     u"Version, automatic updates and troubleshooting."},
    {20, u"Om och juridik", u"About & legal",
     u"Villkor, integritetspolicy, ångerrätt och vem som står bakom Vantiro.",
     u"Terms, privacy policy, right of withdrawal and who is behind Vantiro."},
}};

// Builds one page top to bottom: headings, cards, rows and their controls.
class PageBuilder {
 public:
  PageBuilder(const ChromeState& s, LayoutResult& out, float viewport_top, float viewport_bottom)
      : s_(s), out_(out), page_(out.settings_page), vt_(viewport_top), vb_(viewport_bottom) {}

  bool sv() const { return s_.ui_swedish; }
  Text t(Text a, Text b) const { return sv() ? a : b; }
  float cl() const { return page_.content_left; }
  float cr() const { return page_.content_right; }

  void section(Text heading) {
    page_.headings.push_back({y_, std::u16string(heading)});
    y_ += 22;
    card_top_ = y_;
    first_row_ = true;
  }
  void end_card(float gap) {
    page_.cards.push_back({{cl(), card_top_, cr(), y_}, false});
    last_row_bottom_ = y_;
    y_ += gap;
  }
  SettingsRow& row(Text title, Text description, float reserved, float height = 58) {
    SettingsRow r;
    r.top = y_;
    r.height = height;
    r.title = std::u16string(title);
    r.description = std::u16string(description);
    r.reserved = reserved;
    r.separator_above = !first_row_;
    first_row_ = false;
    page_.rows.push_back(std::move(r));
    y_ += height;
    return page_.rows.back();
  }

  void add(HitZone z) {
    // Only what the viewport shows, cut to it.
    if (z.bottom < vt_ || z.top > vb_) return;
    z.top = std::max(z.top, vt_);
    z.bottom = std::min(z.bottom, vb_);
    out_.zones.push_back(std::move(z));
  }
  HitZone control(float l, float top, float r, float b, ZoneKind kind, int style, Text label) {
    HitZone z = zone_at(l, top, r, b, kind);
    z.style = style;
    z.label = std::u16string(label);
    return z;
  }
  void button(float width, float offset, ZoneKind kind, int style, Text label, float row_top,
              bool disabled = false, Text payload = {}, float right_gap = 18) {
    HitZone z = control(cr() - right_gap - width, row_top + offset, cr() - right_gap,
                        row_top + offset + 32, kind, style, label);
    z.disabled = disabled;
    z.payload = std::u16string(payload);
    add(std::move(z));
  }
  void choice(SettingsRow& r, ZoneKind kind, std::initializer_list<std::pair<Text, int>> options,
              float option_w, int current) {
    const float n = static_cast<float>(options.size());
    const float g = std::max(std::min(n * option_w + 6, cr() - cl() - 36), 0.0f);
    r.choice_track = {cr() - 18 - g, r.top + 14, cr() - 18, r.top + 44};
    int i = 0;
    for (const auto& [label, value] : options) {
      const float x0 = cr() - 15 - g + static_cast<float>(i) * (g - 6) / n;
      const float x1 = cr() - 15 - g + static_cast<float>(i + 1) * (g - 6) / n;
      HitZone z = control(x0, r.top + 17, std::max(x1, x0), r.top + 41, kind, kStyleSegment, label);
      z.value = value;
      z.active = value == current;
      add(std::move(z));
      ++i;
    }
  }
  void toggle(const SettingsRow& r, ZoneKind kind, bool on) {
    HitZone z = control(cl() + 1, r.top, cr() - 1, r.top + r.height, kind, kStyleToggle, r.title);
    z.toggled = on;
    add(std::move(z));
  }

  float y_ = 0;
  float last_row_bottom_ = 0;

 private:
  const ChromeState& s_;
  LayoutResult& out_;
  SettingsPage& page_;
  float vt_;
  float vb_;
  float card_top_ = 0;
  bool first_row_ = true;
};

void general_page(PageBuilder& p, const ChromeState& s) {
  const ChromeSettingsValues& v = s.settings;
  p.section(p.t(u"SPRÅK OCH START", u"LANGUAGE & STARTUP"));
  SettingsRow& lang = p.row(
      p.t(u"Språk i Studio", u"Studio language"),
      p.t(u"Styr menyer, knappar och nya flikar.", u"Controls menus, buttons and new tabs."), 260);
  p.choice(lang, ZoneKind::SettingsLanguage, {{u"Auto", 0}, {u"Svenska", 1}, {u"English", 2}}, 78,
           v.language);
  SettingsRow& start = p.row(p.t(u"Öppna vid start", u"Open on startup"),
                             p.t(u"Välj arbetsyta som öppnas när appen startar.",
                                 u"Choose which workspace opens at launch."),
                             260);
  p.choice(start, ZoneKind::SettingsStartup,
           {{p.t(u"Ped-editorn", u"Ped Editor"), 0}, {p.t(u"Ny arbetsyta", u"New Workspace"), 1}},
           118, v.startup);
  p.end_card(26);
  p.section(p.t(u"FLIKAR", u"TABS"));
  const SettingsRow& ask =
      p.row(p.t(u"Fråga innan flera flikar stängs", u"Ask before closing multiple tabs"),
            p.t(u"Skyddar osparat arbete mot att stänga fönstret av misstag.",
                u"Prevents accidentally closing multiple open editors."),
            74);
  p.toggle(ask, ZoneKind::SettingsConfirmClose, v.confirm_close_tabs);
  p.end_card(26);
  p.section(p.t(u"FIVEM-MAPP", u"FIVEM FOLDER"));
  const bool has_folder = !s.fivem_dir.empty();
  const std::u16string folder =
      has_folder ? shortened_folder(s.fivem_dir)
                 : std::u16string(p.t(u"Ingen mapp vald", u"No folder selected"));
  const float top =
      p.row(p.t(u"FiveM resources-mapp", u"FiveM resources folder"), folder, has_folder ? 258 : 170)
          .top;
  p.button(134, 13, ZoneKind::SettingsChooseFolder, kStylePrimary,
           p.t(u"Välj mapp …", u"Choose folder …"), top);
  if (has_folder) {
    p.button(80, 13, ZoneKind::SettingsClearFolder, kStyleSecondary, p.t(u"Rensa", u"Clear"), top,
             false, {}, 160);
  }
  p.end_card(26);
}

void appearance_page(PageBuilder& p, const ChromeState& s) {
  const ChromeSettingsValues& v = s.settings;
  p.section(p.t(u"VISNING", u"DISPLAY"));
  SettingsRow& zoom = p.row(p.t(u"Zoom i verktygen", u"Workspace zoom"),
                            p.t(u"Gäller alla öppna och nya flikar direkt.",
                                u"Applies immediately to all open and new tabs."),
                            330);
  p.choice(
      zoom, ZoneKind::SettingsZoom,
      {{u"80%", 80}, {u"90%", 90}, {u"100%", 100}, {u"110%", 110}, {u"125%", 125}, {u"150%", 150}},
      50, v.zoom_percent);
  SettingsRow& side =
      p.row(p.t(u"Sidopanel vid start", u"Default sidebar"),
            p.t(u"Växla snabbt när som helst med Ctrl+B.", u"Toggle anytime with Ctrl+B."), 210);
  p.choice(side, ZoneKind::SettingsSidebar,
           {{p.t(u"Kompakt", u"Compact"), 0}, {p.t(u"Utfälld", u"Expanded"), 1}}, 88,
           v.sidebar_expanded ? 1 : 0);
  p.end_card(26);
  p.section(p.t(u"RÖRELSE OCH PRESTANDA", u"MOTION & PERFORMANCE"));
  SettingsRow& motion = p.row(p.t(u"Animationer i Studio", u"Studio animations"),
                              p.t(u"Följ Windows-inställningen eller stäng av övergångar.",
                                  u"Match Windows settings or reduce chrome transitions."),
                              312);
  p.choice(motion, ZoneKind::SettingsMotion,
           {{p.t(u"Som Windows", u"System"), 0},
            {p.t(u"Minska", u"Reduce"), 2},
            {p.t(u"Alla", u"All"), 1}},
           96, v.reduce_motion);
  SettingsRow& perf =
      p.row(p.t(u"Prestandaläge", u"Performance mode"),
            p.t(u"Lättare 3D, färre animationer och snabbare paus av bakgrundsflikar.",
                u"Lighter 3D, fewer animations and faster background tab suspension."),
            312);
  p.choice(perf, ZoneKind::SettingsPerformance,
           {{u"Auto", 0}, {p.t(u"Lätt", u"Light"), 1}, {u"Full", 2}}, 96, v.perf_mode);
  p.end_card(26);
}

void shortcuts_page(PageBuilder& p, const ChromeState&, LayoutResult& out) {
  SettingsPage& page = out.settings_page;
  const float top = p.y_;
  page.cards.push_back({{p.cl(), top, p.cr(), top + 58}, true});
  SettingsRow intro;
  intro.top = top;
  intro.title = std::u16string(p.t(u"Hitta vilket verktyg som helst blixtsnabbt med Ctrl+K",
                                   u"Jump to any tool instantly with Ctrl+K"));
  intro.reserved = 130;
  intro.icon = 5;
  page.rows.push_back(intro);
  p.button(100, 13, ZoneKind::SettingsOpenPalette, kStylePrimary, p.t(u"Prova nu", u"Try it"), top);
  p.y_ = top + 58 + 24;
  auto key_row = [&](Text title, std::vector<std::u16string> keys, int icon) {
    SettingsRow& r = p.row(title, {}, 160, 40);
    r.kind = SettingsRowKind::shortcut;
    r.keys = std::move(keys);
    r.icon = icon;
  };
  p.section(p.t(u"VERKTYG", u"TOOLS"));
  key_row(p.t(u"Snabbsök verktyg", u"Quick tool switcher"), {u"Ctrl", u"K"}, 5);
  int n = 1;
  for (const ToolEntry& e : tool_catalog()) {
    if (!e.core) continue;
    key_row(e.label().pick(p.sv()), {u"Ctrl", std::u16string(1, static_cast<char16_t>(u'0' + n))},
            e.icon);
    ++n;
  }
  p.end_card(24);
  p.section(p.t(u"FLIKAR", u"TABS"));
  key_row(p.t(u"Ny flik", u"New tab"), {u"Ctrl", u"T"}, 0);
  key_row(p.t(u"Stäng aktiv flik", u"Close active tab"), {u"Ctrl", u"W"}, 0);
  key_row(p.t(u"Nästa flik", u"Next tab"), {u"Ctrl", u"Tab"}, 0);
  key_row(p.t(u"Föregående flik", u"Previous tab"), {u"Ctrl", u"Shift", u"Tab"}, 0);
  p.end_card(24);
  p.section(p.t(u"FÖNSTER OCH NAVIGERING", u"WINDOW & NAVIGATION"));
  key_row(p.t(u"Fäll ut eller ihop sidopanelen", u"Toggle sidebar"), {u"Ctrl", u"B"}, 0);
  key_row(p.t(u"Helskärm", u"Fullscreen"), {u"F11"}, 0);
  key_row(p.t(u"Inställningar", u"Settings"), {u"Ctrl", u","}, 0);
  key_row(p.t(u"Ladda om fliken", u"Reload tab"), {u"Ctrl", u"R"}, 0);
  key_row(p.t(u"Bakåt / Framåt", u"Back / Forward"), {u"Alt", u"←", u"→"}, 0);
  p.end_card(24);
  p.last_row_bottom_ = top + 884 - 48;  // the page ends 48 below the last card
}

void account_page(PageBuilder& p, const ChromeState& s) {
  p.section(p.t(u"KONTOSTATUS", u"ACCOUNT STATUS"));
  const bool offline = s.offline_mode;
  SettingsRow& status =
      p.row(offline ? p.t(u"Offline-läge", u"Offline mode")
                    : p.t(u"Inloggad på Vantiro", u"Signed in to Vantiro"),
            offline ? p.t(u"Projekt och krediter kräver inloggning.",
                          u"Projects and credits require sign-in.")
                    : p.t(u"Dina projekt, exporter och krediter synkas automatiskt.",
                          u"Your projects, exports and credits sync automatically."),
            336, 84);
  status.kind = SettingsRowKind::account_status;
  status.icon = 22;
  const float top = status.top;
  if (offline) {
    p.button(116, 26, ZoneKind::BackToSignIn, kStylePrimary, p.t(u"Logga in", u"Sign in"), top);
  } else {
    p.button(148, 26, ZoneKind::OpenTool, kStylePrimary,
             p.t(u"Hantera konto ↗", u"Manage account ↗"), top, false, u"/account");
    p.button(148, 26, ZoneKind::OpenTool, kStyleSecondary,
             p.t(u"Priser & krediter", u"Pricing & credits"), top, false, u"/pricing", 176);
  }
  p.end_card(26);
  p.section(u"SESSION");
  const float session = p.row(p.t(u"Öppna inloggningsmenyn", u"Open sign-in menu"),
                              p.t(u"Byt konto eller växla mellan inloggat och offline-läge.",
                                  u"Switch account or move between signed-in and offline mode."),
                              170)
                            .top;
  p.button(140, 13, ZoneKind::BackToSignIn, kStyleSecondary,
           p.t(u"Inloggningsmeny", u"Sign-in menu"), session);
  p.end_card(26);
}

void app_page(PageBuilder& p, const ChromeState& s) {
  p.section(p.t(u"UPPDATERINGAR", u"UPDATES"));
  std::u16string version = u"Version ";
  version += kAppVersion;
  version += u"  ·  Mirsel AB";
  SettingsRow& v = p.row(u"Vantiro Studio", version, 220, 88);
  v.kind = SettingsRowKind::version;
  if (!s.update_text.empty()) {
    v.keys = {s.update_text};
  } else if (s.update_ready) {
    v.keys = {std::u16string(p.t(u"Ny version redo: v", u"New version ready: v")) +
              s.available_version};
  } else {
    v.keys = {std::u16string(p.t(u"Söker automatiskt efter nya versioner i bakgrunden.",
                                 u"Checks automatically for new releases in the background."))};
  }
  v.description_color = s.update_status == 2   ? 0x3DDC97
                        : s.update_status == 4 ? 0xF06E64
                        : s.update_ready       ? 0xF1D4B1
                                               : 0x8A9BB3;
  const float vtop = v.top;
  if (s.update_ready) {
    p.button(190, 24, ZoneKind::UpdatePill, kStylePrimary,
             p.t(u"Starta om och uppdatera", u"Restart and update"), vtop);
  } else {
    Text label = p.t(u"Sök efter uppdateringar", u"Check for updates");
    if (s.update_status == 1) label = p.t(u"Söker …", u"Checking …");
    if (s.update_status == 4) label = p.t(u"Försök igen", u"Try again");
    p.button(178, 24, ZoneKind::SettingsCheckUpdates, kStylePrimary, label, vtop,
             s.update_status == 1);
  }
  const SettingsRow& boot =
      p.row(p.t(u"Uppdatera automatiskt vid start", u"Update automatically on startup"),
            p.t(u"Installerar verifierade Mirsel AB-uppdateringar direkt vid start.",
                u"Installs signed Mirsel AB updates automatically at launch."),
            74);
  p.toggle(boot, ZoneKind::SettingsBootUpdate, s.settings.boot_auto_update);
  p.end_card(26);
  p.section(u"WINDOWS");
  if (s.shortcuts_added) {
    const float top =
        p.row(p.t(u"Startmenyn och skrivbordet", u"Start menu & desktop"),
              p.t(u"Installerad i Windows. Hantera eller avinstallera i Installerade appar.",
                  u"Installed in Windows. Manage or uninstall via Installed apps."),
              222)
            .top;
    p.button(174, 13, ZoneKind::SettingsInstalledApps, kStyleSecondary,
             p.t(u"Installerade appar ↗", u"Installed apps ↗"), top);
  } else {
    const float top = p.row(p.t(u"Startmenyn och skrivbordet", u"Start menu & desktop"),
                            p.t(u"Lägg till Vantiro på Startmenyn och skrivbordet.",
                                u"Add Vantiro to the Start menu and desktop."),
                            176)
                          .top;
    p.button(128, 13, ZoneKind::AddShortcuts, kStylePrimary, p.t(u"Lägg till", u"Add"), top);
  }
  p.end_card(26);
  p.section(p.t(u"FELSÖKNING", u"TROUBLESHOOTING"));
  const float reload = p.row(p.t(u"Ladda om alla flikar", u"Reload all tabs"),
                             p.t(u"Uppdaterar alla öppna verktyg och stänger inställningarna.",
                                 u"Refreshes every open workspace tab and closes settings."),
                             150)
                           .top;
  p.button(110, 13, ZoneKind::SettingsReloadTabs, kStyleSecondary, p.t(u"Ladda om", u"Reload"),
           reload);
  const float cache = p.row(p.t(u"Rensa webbcache", u"Clear web cache"),
                            p.t(u"Rensar tillfälliga webbfiler utan att logga ut dig.",
                                u"Clears temporary web cache without signing you out."),
                            150)
                          .top;
  p.button(
      110, 13, ZoneKind::SettingsClearCache, kStyleSecondary,
      s.cache_state == 1 ? p.t(u"Rensar …", u"Clearing …") : p.t(u"Rensa cache", u"Clear cache"),
      cache, s.cache_state == 1 || s.cache_state == 3);
  p.end_card(26);
}

void about_page(PageBuilder& p, const ChromeState&) {
  p.section(p.t(u"JURIDIK", u"LEGAL"));
  struct Legal {
    Text title_sv, title_en, text_sv, text_en, payload;
  };
  const Legal legal[] = {
      {u"Villkor", u"Terms of service",
       u"Avtalet som gäller när du använder Vantiro och köper krediter.",
       u"The agreement that applies when you use Vantiro and buy credits.", u"/terms"},
      {u"Integritetspolicy", u"Privacy policy",
       u"Vilka personuppgifter vi behandlar, varför och dina rättigheter.",
       u"Which personal data we process, why, and your rights.", u"/privacy"},
      {u"Ångra köp – ångerrätt", u"Cancel a purchase – right of withdrawal",
       u"Ångra ett köp eller begär återbetalning direkt från ditt konto.",
       u"Withdraw from a purchase or request a refund from your account.", u"/account#withdrawals"},
  };
  for (const Legal& l : legal) {
    const float top = p.row(p.t(l.title_sv, l.title_en), p.t(l.text_sv, l.text_en), 152).top;
    p.button(116, 13, ZoneKind::SettingsLegal, kStyleSecondary, p.t(u"Öppna", u"Open"), top, false,
             l.payload);
  }
  p.end_card(26);
  const float third_legal_bottom = p.last_row_bottom_;
  p.section(p.t(u"OM VANTIRO STUDIO", u"ABOUT VANTIRO STUDIO"));
  std::u16string about = u"Vantiro Studio ";
  about += kAppVersion;
  SettingsRow& a =
      p.row(about,
            p.t(u"Vantiro tillhandahålls av Mirsel AB, Sverige. Sidorna öppnas i en ny flik.",
                u"Vantiro is provided by Mirsel AB, Sweden. Pages open in a new tab."),
            18, 84);
  a.kind = SettingsRowKind::about;
  p.end_card(26);
  p.last_row_bottom_ = third_legal_bottom + 196 - 64;  // App-style 64 below, see page_end
}

}  // namespace

std::u16string shortened_folder(std::u16string_view path) {
  if (path.size() <= 64) return std::u16string(path);
  return u"…" + std::u16string(path.substr(path.size() - 63));
}

SettingsOpenResult set_settings_open(ChromeState& s, bool open, int category,
                                     const SettingsOpenGuards& g) {
  SettingsOpenResult r;
  if (!open) {
    if (!s.settings_open) return r;
    s.settings_open = false;
    r.changed = true;
    r.show_web_view = true;
    r.focus_web_view = s.window_active;
    return r;
  }
  if (s.welcome_gate || s.auth_flow || s.update_scene || g.installing_update || g.minimized) {
    return r;
  }
  r.leave_fullscreen = s.fullscreen;
  if (category >= 0 && category < kSettingsCategoryCount && category != s.settings_category) {
    s.settings_category = category;
    s.settings_scroll = 0;
    s.settings_scroll_target = 0;
    r.changed = true;
  }
  if (s.settings_open) return r;
  r.close_palette = s.palette_open;
  s.settings_open = true;
  s.settings_scroll = 0;
  s.settings_scroll_target = 0;
  s.settings_progress = g.reduced_motion ? 1.0f : 0.0f;
  if (s.update_ready) {
    s.update_status = 3;
    s.update_text = std::u16string(s.ui_swedish ? u"Ny version redo: v" : u"New version ready: v") +
                    s.available_version;
  }
  r.changed = true;
  r.hide_web_views = true;
  r.focus_main_window = true;
  r.start_animation = true;
  return r;
}

bool settings_category_step(ChromeState& s, int delta) {
  const int next = std::clamp(s.settings_category + delta, 0, kSettingsCategoryCount - 1);
  if (next == s.settings_category) return false;
  s.settings_category = next;
  s.settings_scroll = 0;
  s.settings_scroll_target = 0;
  return true;
}

void layout_settings_zones(const RectF& area, const ChromeState& s, LayoutResult& out) {
  const float l = area.left;
  const float t = area.top;
  const float r = std::max(area.right, l);
  const float b = std::max(area.bottom, t);
  out.settings_area = {l, t, r, b};
  SettingsPage& page = out.settings_page;
  page = {};
  const bool narrow = r - l < 760;
  const float n = l + (narrow ? 64.0f : 236.0f);
  const float c = std::max(r - n, 240.0f);
  const float g = narrow ? 20.0f : std::clamp(0.05f * c, 32.0f, 56.0f);
  const float cl = n + g;
  const float cr =
      std::max(std::min(r - 76, cl + std::min(std::max(c - 2 * g - 68, 260.0f), 760.0f)), cl + 220);
  page.narrow = narrow;
  page.nav_right = n;
  page.content_left = cl;
  page.content_right = cr;
  const bool sv = s.ui_swedish;
  const int category = std::clamp(s.settings_category, 0, kSettingsCategoryCount - 1);

  HitZone close;
  close.left = cr + 18;
  close.top = t + 28;
  close.right = cr + 58;
  close.bottom = t + 82;
  close.kind = ZoneKind::SettingsClose;
  close.icon = 10;
  close.style = kStyleClose;
  close.label = sv ? u"Stäng (Esc)" : u"Close (Esc)";
  out.zones.push_back(close);

  HitZone back;
  back.left = l + 10;
  back.top = t + (narrow ? 16.0f : 18.0f);
  back.right = n - (narrow ? 10.0f : 12.0f);
  back.bottom = t + 48;
  back.kind = ZoneKind::SettingsClose;
  back.icon = 2;
  back.style = kStyleBackToStudio;
  back.label = sv ? u"Tillbaka till studion" : u"Back to studio";
  out.zones.push_back(back);

  float y = t + (narrow ? 64.0f : 92.0f);
  for (int i = 0; i < kSettingsCategoryCount; ++i) {
    const Category& cat = kCategories[static_cast<size_t>(i)];
    HitZone z;
    z.left = l + (narrow ? 8.0f : 10.0f);
    z.top = y;
    z.right = n - 10;
    z.bottom = y + 34;
    z.kind = ZoneKind::SettingsCategory;
    z.style = kStyleCategory;
    z.icon = cat.icon;
    z.value = i;
    z.label = std::u16string(sv ? cat.label_sv : cat.label_en);
    z.active = i == category;
    if (z.active) out.settings_anchor = y + 17;
    out.zones.push_back(std::move(z));
    y += i == 2 ? 48 : 38;
  }

  out.settings_viewport = {n + 1, t, r, b};
  const Category& cat = kCategories[static_cast<size_t>(category)];
  page.title = std::u16string(sv ? cat.label_sv : cat.label_en);
  page.description = std::u16string(sv ? cat.text_sv : cat.text_en);
  page.y0 = t + 36 - s.settings_scroll;
  PageBuilder p(s, out, t, b);
  p.y_ = page.y0 + 78;
  float tail = 48;
  switch (category) {
    case 0:
      general_page(p, s);
      break;
    case 1:
      appearance_page(p, s);
      break;
    case 2:
      shortcuts_page(p, s, out);
      break;
    case 3:
      account_page(p, s);
      break;
    case 4:
      app_page(p, s);
      tail = 64;
      break;
    default:
      about_page(p, s);
      tail = 64;
      break;
  }
  const float page_end = p.last_row_bottom_ + tail;
  out.settings_max_scroll = std::max(page_end + s.settings_scroll - b, 0.0f);
}

}  // namespace vantiro::chrome
