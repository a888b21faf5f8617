#include "chrome/zone_action.h"

namespace vantiro::chrome {

ZoneAction dispatch_zone_action(ZoneKind kind, std::u16string_view payload, int value,
                                bool new_tab) {
  ZoneAction a;
  // The brand always goes home; built in one step (GCC 12 misreads a later reassignment).
  a.payload = kind == ZoneKind::Brand ? std::u16string(u"/") : std::u16string(payload);
  a.value = value;
  a.new_tab = new_tab;
  switch (kind) {
    case ZoneKind::Brand:
      a.kind = ActionKind::open_route;
      a.new_tab = false;
      a.closes_settings = true;
      break;
    case ZoneKind::Back:
      a.kind = ActionKind::go_back;
      break;
    case ZoneKind::Forward:
      a.kind = ActionKind::go_forward;
      break;
    case ZoneKind::Reload:
      a.kind = ActionKind::reload;
      break;
    case ZoneKind::FindTool:
    case ZoneKind::SettingsOpenPalette:
      a.kind = ActionKind::open_palette;
      break;
    case ZoneKind::Fullscreen:
      a.kind = ActionKind::toggle_fullscreen;
      break;
    case ZoneKind::Minimize:
      a.kind = ActionKind::minimize;
      break;
    case ZoneKind::Maximize:
      a.kind = ActionKind::toggle_maximize;
      break;
    case ZoneKind::CloseWindow:
      a.kind = ActionKind::close_window;
      break;
    case ZoneKind::SidebarToggle:
      a.kind = ActionKind::toggle_sidebar;
      break;
    case ZoneKind::LanguageToggle:
      a.kind = ActionKind::toggle_language;
      break;
    case ZoneKind::AddShortcuts:
      a.kind = ActionKind::add_shortcuts;
      break;
    case ZoneKind::UpdatePill:
    case ZoneKind::RestartToUpdate:
      a.kind = ActionKind::apply_update;
      break;
    case ZoneKind::OpenTool:
      a.kind = ActionKind::open_tool;
      a.closes_settings = true;
      break;
    case ZoneKind::PaletteRow:
      a.kind = ActionKind::open_palette_row;
      break;
    case ZoneKind::Tab:
      a.kind = ActionKind::switch_tab;
      a.closes_settings = true;
      break;
    case ZoneKind::TabClose:
      a.kind = ActionKind::close_tab;
      break;
    case ZoneKind::NewTab:
      a.kind = ActionKind::new_tab;
      a.closes_settings = true;
      break;
    case ZoneKind::ReloadWorkspace:
      a.kind = ActionKind::restart_tab;
      break;
    case ZoneKind::SignInDiscord:
      a.kind = ActionKind::sign_in_discord;
      break;
    case ZoneKind::SignInEmail:
      a.kind = ActionKind::sign_in_email;
      break;
    case ZoneKind::TryOffline:
      a.kind = ActionKind::try_offline;
      break;
    case ZoneKind::BackToSignIn:
      a.kind = ActionKind::back_to_sign_in;
      break;
    case ZoneKind::SettingsToggle:
      a.kind = ActionKind::toggle_settings;
      break;
    case ZoneKind::SettingsClose:
      a.kind = ActionKind::close_settings;
      break;
    case ZoneKind::SettingsCategory:
      a.kind = ActionKind::settings_category;
      break;
    case ZoneKind::SettingsLanguage:
      a.kind = ActionKind::set_language;
      break;
    case ZoneKind::SettingsStartup:
      a.kind = ActionKind::set_startup;
      break;
    case ZoneKind::SettingsConfirmClose:
      a.kind = ActionKind::toggle_confirm_close;
      break;
    case ZoneKind::SettingsZoom:
      a.kind = ActionKind::set_zoom;
      break;
    case ZoneKind::SettingsSidebar:
      a.kind = ActionKind::set_sidebar;
      break;
    case ZoneKind::SettingsMotion:
      a.kind = ActionKind::set_motion;
      break;
    case ZoneKind::SettingsPerformance:
      a.kind = ActionKind::set_performance;
      break;
    case ZoneKind::SettingsBootUpdate:
      a.kind = ActionKind::toggle_boot_update;
      break;
    case ZoneKind::SettingsCheckUpdates:
      a.kind = ActionKind::check_updates;
      break;
    case ZoneKind::SettingsInstalledApps:
      a.kind = ActionKind::open_installed_apps;
      break;
    case ZoneKind::SettingsReloadTabs:
      a.kind = ActionKind::reload_all_tabs;
      a.closes_settings = true;
      break;
    case ZoneKind::SettingsClearCache:
      a.kind = ActionKind::clear_cache;
      break;
    case ZoneKind::SettingsLegal:
      a.kind = ActionKind::open_legal;
      break;
    case ZoneKind::SettingsChooseFolder:
      a.kind = ActionKind::choose_fivem_folder;
      break;
    case ZoneKind::SettingsClearFolder:
      a.kind = ActionKind::clear_fivem_folder;
      break;
    case ZoneKind::None:
      return {};
  }
  return a;
}

PressOutcome left_press(PointerState& p, const LayoutResult& layout, const ChromeState& s, float x,
                        float y) {
  PressOutcome out;
  p.pressed.reset();
  const int i = hit_test(layout.zones, x, y);
  if (i >= 0) {
    const HitZone& z = layout.zones[static_cast<size_t>(i)];
    if (!z.disabled) {
      p.pressed = z;
      out.capture = true;
    }
    return out;
  }
  out.close_palette = s.palette_open && !layout.palette_panel.contains(x, y);
  return out;
}

ZoneAction left_release(PointerState& p, const std::vector<HitZone>& zones, float x, float y,
                        bool ctrl_held) {
  std::optional<HitZone> pressed = std::move(p.pressed);
  p.pressed.reset();
  if (!pressed) return {};
  const int i = hit_test(zones, x, y);
  if (i < 0) return {};
  const HitZone& z = zones[static_cast<size_t>(i)];
  if (z.disabled || !ZoneIdentity::of(*pressed).matches(z)) return {};
  return dispatch_zone_action(z.kind, z.payload, z.value, ctrl_held);
}

ZoneAction middle_release(const std::vector<HitZone>& zones, float x, float y) {
  const int i = hit_test(zones, x, y);
  if (i < 0) return {};
  const HitZone& z = zones[static_cast<size_t>(i)];
  if (z.disabled) return {};
  switch (z.kind) {
    case ZoneKind::OpenTool:
    case ZoneKind::PaletteRow:
      return dispatch_zone_action(z.kind, z.payload, z.value, true);
    case ZoneKind::Tab:
    case ZoneKind::TabClose:
      return dispatch_zone_action(ZoneKind::TabClose, z.payload, z.value, false);
    default:
      return {};
  }
}

WheelTarget wheel_target(const LayoutResult& l, const ChromeState& s, float x, float y) {
  if (l.mode == ChromeMode::settings) {
    return l.settings_viewport.contains(x, y) ? WheelTarget::settings : WheelTarget::none;
  }
  if (s.palette_open && l.palette_panel.contains(x, y)) return WheelTarget::palette;
  if (l.mode == ChromeMode::studio && !s.update_scene && x >= l.inset &&
      x <= l.inset + l.rail_width && y >= l.title_bottom) {
    return WheelTarget::rail;
  }
  return WheelTarget::none;
}

float wheel_distance(int delta) {
  return static_cast<float>(-delta) * 90.0f / 120.0f;
}

}  // namespace vantiro::chrome
