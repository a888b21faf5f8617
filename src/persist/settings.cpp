#include "persist/settings.h"

#include <array>
#include <optional>

namespace vantiro {
namespace {

constexpr std::array<std::uint32_t, 6> kZoomSteps{80, 90, 100, 110, 125, 150};

bool is_trim_char(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

std::string_view trim(std::string_view s) {
  while (!s.empty() && is_trim_char(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_trim_char(s.back())) s.remove_suffix(1);
  return s;
}

// 1 to 6 decimal digits, nothing else.
std::optional<std::uint32_t> parse_small_decimal(std::string_view s) {
  if (s.empty() || s.size() > 6) return std::nullopt;
  std::uint32_t value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return value;
}

std::optional<bool> parse_flag(std::string_view v) {
  if (v == "0") return false;
  if (v == "1") return true;
  return std::nullopt;
}

enum Key { k_language, k_startup, k_sidebar, k_reduce, k_perf, k_zoom, k_boot, k_confirm, k_dir };
constexpr std::array<std::string_view, 9> kKeyNames{
    "language",     "startup",          "sidebar_expanded",   "reduce_motion",      "perf_mode",
    "zoom_percent", "boot_auto_update", "confirm_close_tabs", "fivem_resources_dir"};

void reset_field(AppSettings& s, int key) {
  const AppSettings d;
  switch (key) {
    case k_language:
      s.language = d.language;
      break;
    case k_startup:
      s.startup = d.startup;
      break;
    case k_sidebar:
      s.sidebar_expanded = d.sidebar_expanded;
      break;
    case k_reduce:
      s.reduce_motion = d.reduce_motion;
      break;
    case k_perf:
      s.perf_mode = d.perf_mode;
      break;
    case k_zoom:
      s.zoom_percent = d.zoom_percent;
      break;
    case k_boot:
      s.boot_auto_update = d.boot_auto_update;
      break;
    case k_confirm:
      s.confirm_close_tabs = d.confirm_close_tabs;
      break;
    case k_dir:
      s.fivem_resources_dir.clear();
      break;
  }
}

void apply_first(AppSettings& s, int key, std::string_view v) {
  switch (key) {
    case k_language:
      if (v == "auto") s.language = LanguageSetting::automatic;
      if (v == "sv") s.language = LanguageSetting::sv;
      if (v == "en") s.language = LanguageSetting::en;
      break;
    case k_startup:
      if (v == "ped") s.startup = StartupWorkspace::ped;
      if (v == "launcher") s.startup = StartupWorkspace::launcher;
      break;
    case k_reduce:
      if (v == "system") s.reduce_motion = ReduceMotionSetting::system;
      if (v == "off") s.reduce_motion = ReduceMotionSetting::off;
      if (v == "on") s.reduce_motion = ReduceMotionSetting::on;
      break;
    case k_perf:
      if (v == "auto") s.perf_mode = PerfModeSetting::automatic;
      if (v == "low") s.perf_mode = PerfModeSetting::low;
      if (v == "high" || v == "normal") s.perf_mode = PerfModeSetting::high;
      break;
    case k_sidebar:
      if (auto f = parse_flag(v)) s.sidebar_expanded = *f;
      break;
    case k_boot:
      if (auto f = parse_flag(v)) s.boot_auto_update = *f;
      break;
    case k_confirm:
      if (auto f = parse_flag(v)) s.confirm_close_tabs = *f;
      break;
    case k_zoom:
      if (auto z = parse_small_decimal(v); z && is_allowed_zoom_percent(*z)) s.zoom_percent = *z;
      break;
    case k_dir:
      if (is_valid_fivem_resources_dir(v)) s.fivem_resources_dir = std::string(v);
      break;
  }
}

bool is_continuation(unsigned char c) {
  return c >= 0x80 && c <= 0xBF;
}

}  // namespace

bool same_values(const AppSettings& a, const AppSettings& b) {
  return a.language == b.language && a.startup == b.startup &&
         a.sidebar_expanded == b.sidebar_expanded && a.reduce_motion == b.reduce_motion &&
         a.perf_mode == b.perf_mode && a.zoom_percent == b.zoom_percent &&
         a.boot_auto_update == b.boot_auto_update && a.confirm_close_tabs == b.confirm_close_tabs &&
         a.fivem_resources_dir == b.fivem_resources_dir;
}

void copy_values(const AppSettings& from, AppSettings& to) {
  to.language = from.language;
  to.startup = from.startup;
  to.sidebar_expanded = from.sidebar_expanded;
  to.reduce_motion = from.reduce_motion;
  to.perf_mode = from.perf_mode;
  to.zoom_percent = from.zoom_percent;
  to.boot_auto_update = from.boot_auto_update;
  to.confirm_close_tabs = from.confirm_close_tabs;
  to.fivem_resources_dir = from.fivem_resources_dir;
}

bool is_allowed_zoom_percent(std::int64_t percent) {
  for (auto step : kZoomSteps) {
    if (percent == static_cast<std::int64_t>(step)) return true;
  }
  return false;
}

bool is_valid_fivem_resources_dir(std::string_view bytes) {
  if (bytes.empty() || bytes.size() > 512) return false;
  const auto edge = [](char c) { return c == ' ' || c == '\t'; };
  if (edge(bytes.front()) || edge(bytes.back())) return false;
  const std::size_t n = bytes.size();
  for (std::size_t i = 0; i < n;) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    if (b == 0x00 || b == 0x0A || b == 0x0D) return false;
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t len = 0;
    if (b >= 0xC2 && b <= 0xDF) {
      len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      len = 3;
    } else if (b >= 0xF0 && b <= 0xF4) {
      len = 4;
    } else {
      return false;
    }
    if (n - i < len) return false;
    for (std::size_t k = 1; k < len; ++k) {
      if (!is_continuation(static_cast<unsigned char>(bytes[i + k]))) return false;
    }
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    if (b == 0xE0 && second < 0xA0) return false;
    if (b == 0xED && second >= 0xA0) return false;
    if (b == 0xF0 && second < 0x90) return false;
    if (b == 0xF4 && second >= 0x90) return false;
    i += len;
  }
  return true;
}

AppSettings parse_settings(std::string_view bytes) {
  AppSettings s;
  if (bytes.size() > kMaxSettingsFileBytes || bytes.find('\0') != std::string_view::npos) {
    s.unreadable = true;
    return s;
  }
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);

  std::array<bool, kKeyNames.size()> seen{};
  bool in_section = false;
  bool schema_held = false;
  std::uint32_t schema = 0;

  while (!bytes.empty()) {
    const std::size_t lf = bytes.find('\n');
    std::string_view line = bytes.substr(0, lf);
    bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);

    line = trim(line);
    if (line.empty() || line.front() == '#' || line.front() == ';') continue;
    if (line.front() == '[' && line.back() == ']' && line.size() >= 2) {
      in_section = trim(line.substr(1, line.size() - 2)) == "settings";
      continue;
    }
    if (!in_section) continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    const std::string_view key = trim(line.substr(0, eq));
    const std::string_view value = trim(line.substr(eq + 1));

    if (key == "schema") {
      const auto v = parse_small_decimal(value);
      if (!schema_held && v && *v >= 1) {
        schema_held = true;
        schema = *v;
      } else {
        schema_held = false;
      }
      continue;
    }
    for (std::size_t k = 0; k < kKeyNames.size(); ++k) {
      if (key != kKeyNames[k]) continue;
      if (seen[k]) {
        reset_field(s, static_cast<int>(k));
      } else {
        seen[k] = true;
        apply_first(s, static_cast<int>(k), value);
      }
      break;
    }
  }

  if (!schema_held) {
    AppSettings d;
    d.unreadable = true;
    return d;
  }
  if (schema > 1) {
    AppSettings d;
    d.newer_schema = true;
    return d;
  }
  return s;
}

std::string serialize_settings(const AppSettings& s) {
  std::string out = "[settings]\nschema=1\n";
  out += "language=";
  out += s.language == LanguageSetting::sv   ? "sv"
         : s.language == LanguageSetting::en ? "en"
                                             : "auto";
  out += "\nstartup=";
  out += s.startup == StartupWorkspace::launcher ? "launcher" : "ped";
  out += "\nsidebar_expanded=";
  out += s.sidebar_expanded ? "1" : "0";
  out += "\nreduce_motion=";
  out += s.reduce_motion == ReduceMotionSetting::off  ? "off"
         : s.reduce_motion == ReduceMotionSetting::on ? "on"
                                                      : "system";
  out += "\nperf_mode=";
  out += s.perf_mode == PerfModeSetting::low    ? "low"
         : s.perf_mode == PerfModeSetting::high ? "high"
                                                : "auto";
  out += "\nzoom_percent=";
  out += std::to_string(is_allowed_zoom_percent(s.zoom_percent) ? s.zoom_percent
                                                                : kDefaultZoomPercent);
  out += "\nboot_auto_update=";
  out += s.boot_auto_update ? "1" : "0";
  out += "\nconfirm_close_tabs=";
  out += s.confirm_close_tabs ? "1" : "0";
  out += "\n";
  if (is_valid_fivem_resources_dir(s.fivem_resources_dir)) {
    out += "fivem_resources_dir=";
    out += s.fivem_resources_dir;
    out += "\n";
  }
  return out;
}

AppSettings load_settings(FileSystem& fs, ProfileStore& profiles, const Path& settings_path,
                          const Path& legacy_window_path) {
  AppSettings s;
  if (settings_path.empty()) {
    s.unreadable = true;
    return s;
  }
  const PathKind kind = fs.kind(settings_path);
  if (kind == PathKind::error) {
    s.unreadable = true;
    s.status_unknown = true;
    return s;
  }
  if (kind != PathKind::missing) {
    // One byte past the limit is enough to tell an over-long file; FIFOs and devices are
    // refused rather than read.
    const BoundedRead read = fs.read_regular_file(settings_path, kMaxSettingsFileBytes);
    if (read.status != BoundedRead::Status::ok) {
      s.file_existed = true;
      s.unreadable = true;
      return s;
    }
    s = parse_settings(read.bytes);
    s.file_existed = true;
    return s;
  }
  if (!legacy_window_path.empty()) {
    const PathKind legacy = fs.kind(legacy_window_path);
    if (legacy != PathKind::missing && legacy != PathKind::error) {
      const std::u16string v =
          profiles.read_string(legacy_window_path, u"window", u"expanded", u"", 15);
      if (v == u"0" || v == u"1") {
        s.sidebar_expanded = v == u"1";
        s.legacy_expanded_inherited = true;
      }
    }
  }
  return s;
}

bool save_settings_atomic(FileSystem& fs, const Path& path, const AppSettings& settings) {
  if (path.empty()) return false;
  // A failure here shows up as a failed replace below.
  if (path.has_parent_path()) fs.create_directories(path.parent_path());
  return fs.replace_file_atomically(path, serialize_settings(settings));
}

SettingsStartup decide_settings_startup(const AppSettings& loaded, const Path& settings_path,
                                        bool visual_check_mode) {
  SettingsStartup d;
  d.read_only =
      loaded.newer_schema || loaded.status_unknown || (loaded.unreadable && settings_path.empty());
  d.write_back =
      !loaded.file_existed && !d.read_only && !settings_path.empty() && !visual_check_mode;
  return d;
}

SettingsStore open_settings_store(FileSystem& fs, ProfileStore& profiles, const Path& settings_path,
                                  const Path& legacy_window_path, bool visual_check_mode) {
  SettingsStore store;
  store.path = settings_path;
  store.live = load_settings(fs, profiles, settings_path, legacy_window_path);
  const SettingsStartup d = decide_settings_startup(store.live, settings_path, visual_check_mode);
  store.read_only = d.read_only;
  // A failed first write changes nothing for the run; the next commit tries again.
  if (d.write_back) save_settings_atomic(fs, settings_path, store.live);
  return store;
}

bool commit_settings_change(SettingsStore& store, FileSystem& fs, const AppSettings& previous,
                            bool ui_swedish) {
  if (store.read_only) {
    copy_values(previous, store.live);
    store.settings_error_text = std::u16string(kSettingsReadOnlyText.pick(ui_swedish));
    return false;
  }
  // A value the file cannot hold (a zoom outside the steps, a folder that would not read back)
  // would leave the file and the live record disagreeing; such a change is refused.
  const AppSettings round_trip = parse_settings(serialize_settings(store.live));
  if (same_values(round_trip, store.live) && !store.path.empty() &&
      save_settings_atomic(fs, store.path, store.live)) {
    store.settings_error_text.clear();
    return true;
  }
  copy_values(previous, store.live);
  store.settings_error_text = std::u16string(kSettingsSaveFailedText.pick(ui_swedish));
  return false;
}

}  // namespace vantiro
