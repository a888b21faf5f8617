#pragma once

#include <string>

namespace vantiro::chrome {

// Rectangles are in DIPs (96 per inch); for hit testing the edges are inside.
struct RectF {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;

  float width() const { return right - left; }
  float height() const { return bottom - top; }
  float center_x() const { return (left + right) * 0.5f; }
  float center_y() const { return (top + bottom) * 0.5f; }
  bool contains(float x, float y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
  bool operator==(const RectF&) const = default;
};

// The numbers are part of the system's vocabulary (tests and the visual check name them); no
// zone uses 6.
enum class ZoneKind : int {
  None = 0,
  Brand = 1,
  Back = 2,
  Forward = 3,
  Reload = 4,
  FindTool = 5,
  Fullscreen = 7,
  Minimize = 8,
  Maximize = 9,
  CloseWindow = 10,
  SidebarToggle = 11,
  LanguageToggle = 12,
  AddShortcuts = 13,
  UpdatePill = 14,
  RestartToUpdate = 15,
  OpenTool = 16,
  PaletteRow = 17,
  Tab = 18,
  TabClose = 19,
  NewTab = 20,
  ReloadWorkspace = 21,
  SignInDiscord = 22,
  SignInEmail = 23,
  TryOffline = 24,
  BackToSignIn = 25,
  SettingsToggle = 26,
  SettingsClose = 27,
  SettingsCategory = 28,
  SettingsLanguage = 29,
  SettingsStartup = 30,
  SettingsConfirmClose = 31,
  SettingsZoom = 32,
  SettingsSidebar = 33,
  SettingsMotion = 34,
  SettingsPerformance = 35,
  SettingsBootUpdate = 36,
  SettingsCheckUpdates = 37,
  SettingsInstalledApps = 38,
  SettingsReloadTabs = 39,
  SettingsClearCache = 40,
  SettingsOpenPalette = 41,
  SettingsLegal = 42,
  SettingsChooseFolder = 43,
  SettingsClearFolder = 44,
};

// Visual styles of settings zones.
enum SettingsStyle : int {
  kStyleNone = 0,
  kStyleCategory = 1,
  kStyleClose = 2,
  kStyleSegment = 3,
  kStyleToggle = 4,
  kStylePrimary = 5,
  kStyleSecondary = 6,
  kStyleBackToStudio = 8,
};

struct HitZone {
  float left = 0;
  float top = 0;
  float right = 0;
  float bottom = 0;
  ZoneKind kind = ZoneKind::None;
  int icon = 0;
  std::u16string label;
  std::u16string text2;
  std::u16string text3;
  std::u16string payload;
  bool disabled = false;
  bool active = false;
  bool danger = false;
  bool rail_item = false;
  bool palette_row = false;
  bool update_pill = false;
  bool find_box = false;
  int style = 0;
  bool toggled = false;
  int row_index = -1;
  float row_y = 0;
  int value = 0;
  bool tab_loading = false;
  int index = -1;

  RectF rect() const { return {left, top, right, bottom}; }
  float width() const { return right - left; }
  float height() const { return bottom - top; }
  bool contains(float x, float y) const {
    return x >= left && x <= right && y >= top && y <= bottom;
  }
};

// A zone of the kind over (l, t, r, b); the caller sets what else it carries.
inline HitZone zone_at(float l, float t, float r, float b, ZoneKind kind) {
  HitZone z;
  z.left = l;
  z.top = t;
  z.right = r;
  z.bottom = b;
  z.kind = kind;
  return z;
}

// What survives a relayout: a remembered press or a fading hover names its zone by these, never
// by its position in the list.
struct ZoneIdentity {
  ZoneKind kind = ZoneKind::None;
  std::u16string payload;
  int value = 0;
  int index = -1;

  static ZoneIdentity of(const HitZone& z) { return {z.kind, z.payload, z.value, z.index}; }
  bool matches(const HitZone& z) const {
    return kind != ZoneKind::None && z.kind == kind && z.payload == payload && z.value == value &&
           z.index == index;
  }
  bool operator==(const ZoneIdentity&) const = default;
};

}  // namespace vantiro::chrome
