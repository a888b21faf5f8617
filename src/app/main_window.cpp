#include "app/main_window.h"

#include <algorithm>
#include <string>
#include <utility>

#include "account/sign_in_gate.h"
#include "app/motion_state.h"
#include "chrome/palette.h"
#include "chrome/settings_overlay.h"
#include "common/utf.h"
#include "update/update_progress.h"
#include "update/update_texts.h"
#include "web/navigation.h"
#include "web/url.h"

namespace vantiro::app {

namespace {

constexpr std::u16string_view kProductName = u"Vantiro Studio";

bool is_letter_key(std::uint32_t vk, char c) {
  return vk == key::letter(c);
}

}  // namespace

std::u16string close_confirmation_text(std::size_t n, bool sv) {
  const std::u16string count = to_utf16(std::to_string(n));
  if (sv) return u"Stänga " + count + u" öppna flikar?\nOsparat arbete i verktygen kan försvinna.";
  return u"Close " + count + u" open tabs?\nUnsaved work in the tools may be lost.";
}

std::u16string window_title(bool gate_or_auth_flow, const std::u16string* label) {
  if (gate_or_auth_flow || label == nullptr) return std::u16string(kProductName);
  if (*label == kProductName) return *label;
  return *label + u" — Vantiro";
}

MainWindow::MainWindow(AppRuntime& runtime, WindowServices& window, MainWindowHost& host,
                       workspace::TabAddresses& addresses, workspace::TabViewFactory& views,
                       Clock& clock, account::SignInGate gate)
    : rt_(runtime),
      window_(window),
      host_(host),
      clock_(clock),
      tabs_(*this, addresses, views, conditions_, clock),
      gate_(gate) {
  conditions_.has_main_window = false;
  welcome_.skipped = gate_.welcome_skipped;
  welcome_.visual_check = rt_.visual_check();
}

MainWindow::~MainWindow() = default;

// ---------------------------------------------------------------- lifetime

void MainWindow::on_created(const ClientGeometry& geometry) {
  geometry_ = geometry;
  rt_.main_window = true;
  state_.rail_width = chrome::rail_target_width(rt_.sidebar_expanded);
  sync_conditions();
}

void MainWindow::on_destroyed() {
  if (!rt_.main_window) return;
  // Workers first: nothing may be posted to a window that is being torn down.
  rt_.shared_main_window->withdraw();
  for (TimerId id : {TimerId::animation, TimerId::periodic_update_check,
                     TimerId::boot_download_watchdog, TimerId::welcome_grace})
    window_.stop_timer(id);
  animation_.running = false;
  staged_.reset();
  rt_.main_window = false;
  sync_conditions();
  while (tabs_.tabs().size() > 1) tabs_.close_tab(tabs_.tabs().size() - 1, now());
  if (!tabs_.tabs().empty()) tabs_.release_tab_web_view(*tabs_.tabs().front());
  record_exit_code(rt_, kExitSuccess);
  host_.quit(kExitSuccess);
}

void MainWindow::destroy() {
  if (!rt_.main_window) return;
  host_.destroy_window();
}

void MainWindow::on_close_request() {
  if (!rt_.main_window) return;
  // One question at a time; a close during the folder chooser waits for it to return.
  if (close_prompt_open_) return;
  if (modal_depth_ > 0) {
    close_deferred_ = true;
    return;
  }
  const std::size_t n = tabs_.tabs().size();
  if (rt_.settings.confirm_close_tabs && n >= 2) {
    if (rt_.visual_check()) {
      destroy();
      return;
    }
    if (rt_.install_running) {
      host_.save_window_placement();
      destroy();
      return;
    }
    close_prompt_open_ = true;
    const bool yes = host_.ask_close_confirmation(close_confirmation_text(n, rt_.ui_swedish));
    close_prompt_open_ = false;
    // The question ran its own loop: the window may be gone by now.
    if (!rt_.main_window) return;
    if (end_session_pending_) {
      on_end_session();
      return;
    }
    if (!yes) return;
  }
  if (!rt_.visual_check()) host_.save_window_placement();
  destroy();
}

void MainWindow::on_end_session() {
  if (!rt_.main_window) return;
  if (close_prompt_open_ || modal_depth_ > 0) {
    end_session_pending_ = true;
    return;
  }
  end_session_pending_ = false;
  if (!rt_.visual_check()) host_.save_window_placement();
  destroy();
}

void MainWindow::begin_modal() {
  ++modal_depth_;
}

void MainWindow::end_modal() {
  if (modal_depth_ > 0) --modal_depth_;
  if (modal_depth_ == 0 && end_session_pending_) {
    on_end_session();
    return;
  }
  if (modal_depth_ == 0 && close_deferred_) {
    close_deferred_ = false;
    on_close_request();
  }
}

// ---------------------------------------------------------------- state

void MainWindow::sync_conditions() {
  conditions_.has_main_window = rt_.main_window;
  conditions_.main_window_active = rt_.window_active;
  conditions_.minimized = geometry_.minimized;
  conditions_.welcome_gate_active = gate_.welcome_gate_active;
  conditions_.auth_flow_active = gate_.auth_flow_active;
  conditions_.palette_open = rt_.palette.palette_open;
  conditions_.settings_open = rt_.settings_open;
  conditions_.boot_update_overlay = boot_update_.overlay;
  conditions_.reduced_motion = rt_.reduced_motion;
  conditions_.perf_lite = rt_.perf_lite;
  conditions_.ui_swedish = rt_.ui_swedish;
  // The first decision of the gate is taken for good, by the gate or by the web host.
  if (welcome_.skipped) gate_.welcome_skipped = true;
  welcome_.skipped = gate_.welcome_skipped;
  welcome_.visual_check = rt_.visual_check();
}

BootInputs MainWindow::boot_inputs() {
  BootInputs in;
  if (const workspace::WorkspaceTab* t = tabs_.active_tab()) {
    in.active_tab = {true,
                     t->is_launcher,
                     t->revealed,
                     t->crashed,
                     t->web_view != nullptr,
                     t->reveal_at_ms,
                     t->first_completed_ms,
                     t->load_started_ms};
  }
  in.update_check_running = rt_.update_check_running;
  in.boot_update_check_pending = boot_update_.check_pending;
  in.boot_update_overlay = boot_update_.overlay;
  in.welcome_gate_active = gate_.welcome_gate_active;
  in.welcome_grace_pending = gate_.welcome_grace_pending;
  in.reduced_motion = rt_.reduced_motion;
  return in;
}

void MainWindow::fill_chrome_state() {
  chrome::ChromeState& s = state_;
  s.ui_swedish = rt_.ui_swedish;
  s.window_active = rt_.window_active;
  s.sidebar_expanded = rt_.sidebar_expanded;
  s.maximized = geometry_.maximized;
  s.fullscreen = rt_.fullscreen;
  s.reduced_motion = rt_.reduced_motion;
  s.tip_seed = rt_.tip_seed;

  s.palette_open = rt_.palette.palette_open;
  s.query = rt_.palette.query;
  s.selection = rt_.palette.selection;
  s.palette_scroll = rt_.palette.palette_scroll;
  s.palette_scroll_target = rt_.palette.palette_scroll_target;
  s.palette_progress = rt_.palette.palette_progress;

  s.update_ready = staged_ != nullptr && !rt_.install_running;
  s.update_scene = boot_update_.overlay;
  s.welcome_gate = gate_.welcome_gate_active;
  s.offline_mode = gate_.offline_mode;
  s.auth_flow = gate_.auth_flow_active;
  s.welcome_checking = gate_.welcome_checking();

  s.settings_open = rt_.settings_open;
  s.settings_category = rt_.settings_category;
  const AppSettings& st = rt_.settings;
  s.settings.language = static_cast<int>(st.language);
  s.settings.startup = static_cast<int>(st.startup);
  s.settings.sidebar_expanded = st.sidebar_expanded;
  s.settings.reduce_motion = static_cast<int>(st.reduce_motion);
  s.settings.perf_mode = static_cast<int>(st.perf_mode);
  s.settings.zoom_percent = static_cast<int>(st.zoom_percent);
  s.settings.boot_auto_update = st.boot_auto_update;
  s.settings.confirm_close_tabs = st.confirm_close_tabs;
  s.fivem_dir = to_utf16(st.fivem_resources_dir);
  s.update_status = rt_.update_state;
  s.update_text = rt_.update_status_text;
  s.cache_state = rt_.cache_state;
  s.available_version = rt_.latest_version;
  s.settings_message = rt_.settings_message;
  s.notice_text = rt_.notice_text;
  s.notice_success = rt_.notice_success;

  s.tabs.clear();
  const workspace::WorkspaceTab* active = tabs_.active_tab();
  // A crashed tab keeps its loading flag from the renewal, but its card does not spin.
  for (const auto& t : tabs_.tabs())
    s.tabs.push_back(
        {t->id, tabs_.tab_label(*t), t->icon, t.get() == active, t->loading && !t->crashed});
  s.current_path.assign(1, u'/');  // GCC 12 at -O3 warns falsely on a literal here
  s.active_tab_is_launcher = false;
  s.active_tab_stalled = false;
  s.can_go_back = false;
  s.can_go_forward = false;
  std::u16string label;
  if (active) {
    const std::u16string& url =
        active->pending_url.empty() ? active->source_url : active->pending_url;
    s.current_path = service_route_of(url);
    s.active_tab_is_launcher = active->is_launcher;
    s.active_tab_stalled = active->crashed;
    s.can_go_back = active->can_go_back;
    s.can_go_forward = active->can_go_forward;
    label = tabs_.tab_label(*active);
  }
  s.title = active ? label : std::u16string(kProductName);

  update_boot_state(boot_, boot_inputs(), now());
  rt_.boot_finished = boot_.finished;
  rt_.active_tab_loading = boot_.active_tab_loading;
  rt_.boot_stage = boot_.stage;
  rt_.boot_alpha = boot_.alpha;
  s.startup_scene = !boot_.finished;
  s.active_tab_loading = boot_.active_tab_loading;
  s.boot_stage = boot_.stage;
  s.boot_alpha = boot_.alpha;
  s.spinner_phase = rt_.spinner_phase;
  s.boot_status_line = boot_status_text(boot_.stage, rt_.ui_swedish, boot_update_.version,
                                        boot_update_.received, boot_update_.total);
  s.update_scene_text = boot_update_.boot_line(rt_.ui_swedish);
  s.update_from_version = boot_update_.version;
  s.download_done = boot_update_.received;
  s.download_total = boot_update_.total;
  s.download_progress_target =
      update::update_progress_fraction(boot_update_.received, boot_update_.total);
  if (rt_.reduced_motion) s.download_progress = s.download_progress_target;

  window_.set_title(
      window_title(gate_.welcome_gate_active || gate_.auth_flow_active, active ? &label : nullptr));
}

void MainWindow::relayout() {
  const int inset_px = chrome::frame_inset_px(geometry_.dpi, geometry_.maximized, rt_.fullscreen);
  const float w = chrome::px_to_dip(static_cast<float>(geometry_.width_px), geometry_.dpi);
  const float h = chrome::px_to_dip(static_cast<float>(geometry_.height_px), geometry_.dpi);
  const float inset = chrome::px_to_dip(static_cast<float>(inset_px), geometry_.dpi);
  layout_ = chrome::relayout_chrome(w, h, inset, state_);
  // The layout may have clamped the scroll offsets.
  rt_.palette.palette_scroll = state_.palette_scroll;
  rt_.palette.palette_scroll_target = state_.palette_scroll_target;
  if (state_.rail_marker < 0 || rt_.reduced_motion) state_.rail_marker = layout_.rail_active_anchor;
  if (pointer_at_)
    set_hover_index(chrome::hit_test(layout_.zones, pointer_at_->first, pointer_at_->second));
  else
    set_hover_index(-1);
  window_.repaint();
}

void MainWindow::refresh_chrome() {
  if (!rt_.main_window) return;
  sync_conditions();
  fill_chrome_state();
  relayout();
  if (workspace::WorkspaceTab* t = tabs_.active_tab())
    workspace::position_view(t->host_window.get(), t->controller.get(), content_rect());
  start_chrome_animation();
}

workspace::ViewRect MainWindow::content_rect() {
  const int inset = chrome::frame_inset_px(geometry_.dpi, geometry_.maximized, rt_.fullscreen);
  const chrome::PixelRect r =
      chrome::web_content_rect(geometry_.width_px, geometry_.height_px, geometry_.dpi, inset,
                               rt_.sidebar_expanded, rt_.fullscreen);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

void MainWindow::place_all_views() {
  if (geometry_.minimized) return;
  const workspace::ViewRect rect = content_rect();
  for (const auto& t : tabs_.tabs())
    workspace::position_view(t->host_window.get(), t->controller.get(), rect);
}

void MainWindow::show_notice(LocalizedText text, bool success) {
  rt_.notice_text = std::u16string(text.pick(rt_.ui_swedish));
  rt_.notice_success = success;
  window_.start_timer(TimerId::chrome_notice, success ? kSuccessNoticeMs : kNoticeMs);
  refresh_chrome();
}

// ---------------------------------------------------------------- geometry and focus

void MainWindow::on_size(const ClientGeometry& geometry) {
  const bool was_minimized = geometry_.minimized;
  geometry_ = geometry;
  sync_conditions();
  place_all_views();
  tabs_.update_web_view_visibility();
  refresh_chrome();
  if (was_minimized && !geometry_.minimized) start_chrome_animation();
}

void MainWindow::on_activation(bool active) {
  rt_.window_active = active;
  if (!active) {
    pointer_at_.reset();
    set_hover_index(-1);
  }
  refresh_chrome();
}

void MainWindow::on_focus() {
  sync_conditions();
  tabs_.focus_active_web_view();
}

void MainWindow::on_system_animations(bool enabled) {
  rt_.system_animations = enabled;
  apply_motion_settings();
}

void MainWindow::apply_motion_settings() {
  const MotionState m = derive_motion_state(rt_.settings.reduce_motion, rt_.settings.perf_mode,
                                            rt_.system_animations, rt_.low_end_machine);
  rt_.perf_lite = m.perf_lite;
  rt_.reduced_motion = m.reduced_motion;
  if (rt_.reduced_motion) chrome::finish_chrome_animations(state_, layout_);
  refresh_chrome();
}

// ---------------------------------------------------------------- mouse

void MainWindow::set_hover_index(int index) {
  if (index != state_.hover ||
      (index >= 0 && !state_.hover_zone.matches(layout_.zones[static_cast<size_t>(index)]))) {
    chrome::set_hover(state_, layout_.zones, index, rt_.reduced_motion);
    window_.repaint();
  }
  window_.set_cursor(chrome::cursor_for(layout_.zones, index));
  std::u16string tip = chrome::tooltip_for(layout_.zones, index, state_, layout_.inset);
  if (tip != tooltip_) {
    tooltip_ = std::move(tip);
    window_.set_tooltip(tooltip_);
  }
}

int MainWindow::native_hit_test_at(float x, float y) const {
  const int dpi = geometry_.dpi <= 0 ? 96 : geometry_.dpi;
  const int x_px = static_cast<int>(x * static_cast<float>(dpi) / 96.0f);
  const int y_px = static_cast<int>(y * static_cast<float>(dpi) / 96.0f);
  const int inset = chrome::frame_inset_px(dpi, geometry_.maximized, rt_.fullscreen);
  return chrome::native_hit_test(layout_.zones, x_px, y_px, geometry_.width_px, geometry_.height_px,
                                 dpi, inset, rt_.fullscreen);
}

void MainWindow::on_mouse_move(float x, float y) {
  if (!rt_.main_window) return;
  pointer_at_ = std::make_pair(x, y);
  set_hover_index(chrome::hit_test(layout_.zones, x, y));
  start_chrome_animation();
}

void MainWindow::on_mouse_leave() {
  pointer_at_.reset();
  set_hover_index(-1);
  start_chrome_animation();
}

void MainWindow::on_left_down(float x, float y, Modifiers) {
  if (!rt_.main_window) return;
  const int code = native_hit_test_at(x, y);
  if (code == chrome::kHtCaption) {
    window_.begin_move_drag();
    return;
  }
  if (code >= chrome::kHtLeft && code <= chrome::kHtBottomRight) {
    window_.begin_resize_drag(code);
    return;
  }
  const chrome::PressOutcome out = chrome::left_press(pointer_, layout_, state_, x, y);
  if (out.close_palette) set_palette_open(false);
}

void MainWindow::on_left_up(float x, float y, Modifiers mods) {
  if (!rt_.main_window) return;
  const chrome::ZoneAction action = chrome::left_release(pointer_, layout_.zones, x, y, mods.ctrl);
  run_zone_action(action);
}

void MainWindow::on_double_click(float x, float y) {
  if (!rt_.main_window) return;
  if (native_hit_test_at(x, y) == chrome::kHtCaption) window_.toggle_maximize();
}

void MainWindow::on_middle_up(float x, float y) {
  if (!rt_.main_window) return;
  run_zone_action(chrome::middle_release(layout_.zones, x, y));
}

void MainWindow::on_wheel(float x, float y, int delta) {
  if (!rt_.main_window) return;
  switch (chrome::wheel_target(layout_, state_, x, y)) {
    case chrome::WheelTarget::palette:
      rt_.palette.palette_scroll = state_.palette_scroll;
      if (palette_wheel(rt_.palette, delta, layout_.palette_max_scroll, rt_.reduced_motion))
        refresh_chrome();
      break;
    case chrome::WheelTarget::rail: {
      const float target = std::clamp(state_.rail_scroll_target + chrome::wheel_distance(delta),
                                      0.0f, layout_.rail_max_scroll);
      if (target != state_.rail_scroll_target) {
        state_.rail_scroll_target = target;
        if (rt_.reduced_motion) state_.rail_scroll = target;
        refresh_chrome();
      }
      break;
    }
    case chrome::WheelTarget::settings: {
      const float target = std::clamp(state_.settings_scroll_target + chrome::wheel_distance(delta),
                                      0.0f, layout_.settings_max_scroll);
      if (target != state_.settings_scroll_target) {
        state_.settings_scroll_target = target;
        if (rt_.reduced_motion) state_.settings_scroll = target;
        refresh_chrome();
      }
      break;
    }
    case chrome::WheelTarget::none:
      break;
  }
}

// ---------------------------------------------------------------- actions

void MainWindow::open_address(std::u16string_view address, bool new_tab) {
  if (new_tab) {
    tabs_.open_tab(address, true, now());
  } else if (workspace::WorkspaceTab* t = tabs_.active_tab()) {
    tabs_.navigate_tab(*t, address, now());
  }
}

account::TabFacts MainWindow::facts_of(workspace::WorkspaceTab* tab) const {
  account::TabFacts f;
  if (!tab) return f;
  f.exists = true;
  f.has_view = tab->web_view != nullptr;
  f.has_source = !tab->source_url.empty();
  f.source_is_auth_flow = f.has_source && is_auth_flow_url(tab->source_url);
  return f;
}

void MainWindow::restart_tab_load(workspace::WorkspaceTab& tab, std::u16string_view url) {
  const std::uint64_t t = now();
  tab.load_started_ms = t;
  tab.loading = true;
  tab.revealed = false;
  tab.crashed = false;
  tabs_.navigate_tab(tab, url, t);
}

void MainWindow::apply_gate_effects(const account::GateEffects& fx, workspace::WorkspaceTab* tab) {
  if (fx.kill_grace_timer) window_.stop_timer(TimerId::welcome_grace);
  if (fx.close_overlays) {
    set_settings_open(false);
    set_palette_open(false);
  }
  sync_conditions();
  if (fx.tab == account::TabLoad::replace_with_launcher && tabs_.tabs().size() == 1) {
    // Open first so the list is never empty; the old tab then closes behind the launcher.
    if (tabs_.open_tab(u"", true, now())) tabs_.close_tab(0, now());
  } else if (fx.tab == account::TabLoad::load_target && tab) {
    restart_tab_load(*tab, fx.target);
  }
  if (fx.reapply_zoom) host_.reapply_zoom_to_all_views();
  if (fx.refresh) {
    place_all_views();
    tabs_.update_web_view_visibility();
    refresh_chrome();
  }
  if (fx.focus_active_view) tabs_.focus_active_web_view();
}

void MainWindow::run_zone_action(const chrome::ZoneAction& a) {
  using chrome::ActionKind;
  if (a.kind == ActionKind::none || !rt_.main_window) return;
  if (a.closes_settings) set_settings_open(false);
  const std::uint64_t t = now();
  switch (a.kind) {
    case ActionKind::open_route:
    case ActionKind::open_tool:
      open_tool_route(*this, a.payload, a.new_tab);
      break;
    case ActionKind::open_palette_row:
      set_palette_open(false);
      open_palette_route(a.payload, a.new_tab);
      break;
    case ActionKind::go_back:
      handle_shortcut(key::kLeft, TabShortcut::none);
      break;
    case ActionKind::go_forward:
      handle_shortcut(key::kRight, TabShortcut::none);
      break;
    case ActionKind::reload:
      handle_shortcut(key::kF5, TabShortcut::none);
      break;
    case ActionKind::open_palette:
      set_palette_open(true);
      break;
    case ActionKind::toggle_fullscreen:
      handle_shortcut(key::kF11, TabShortcut::none);
      break;
    case ActionKind::minimize:
      window_.minimize();
      break;
    case ActionKind::toggle_maximize:
      window_.toggle_maximize();
      break;
    case ActionKind::close_window:
      on_close_request();
      break;
    case ActionKind::toggle_sidebar:
      toggle_sidebar();
      break;
    case ActionKind::switch_tab:
      if (auto i = tabs_.index_of(a.value)) tabs_.activate_tab(*i, t);
      break;
    case ActionKind::close_tab:
      if (auto i = tabs_.index_of(a.value)) tabs_.close_tab(*i, t);
      break;
    case ActionKind::new_tab:
      tabs_.open_tab(u"", true, t);
      break;
    case ActionKind::restart_tab:
      if (workspace::WorkspaceTab* tab = tabs_.active_tab()) tabs_.restart_tab(*tab, t);
      break;
    case ActionKind::sign_in_discord:
    case ActionKind::sign_in_email:
    case ActionKind::try_offline:
    case ActionKind::back_to_sign_in: {
      const auto action =
          a.kind == ActionKind::sign_in_discord ? account::GateAction::sign_in_discord
          : a.kind == ActionKind::sign_in_email ? account::GateAction::sign_in_email
          : a.kind == ActionKind::try_offline   ? account::GateAction::try_offline
                                                : account::GateAction::back_to_sign_in;
      workspace::WorkspaceTab* tab = tabs_.active_tab();
      apply_gate_effects(gate_.on_action(action, facts_of(tab), rt_.ui_swedish), tab);
      break;
    }
    case ActionKind::toggle_settings:
      set_settings_open(!rt_.settings_open);
      break;
    case ActionKind::close_settings:
      set_settings_open(false);
      break;
    case ActionKind::settings_category:
      set_settings_open(true, std::clamp(a.value, 0, chrome::kSettingsCategoryCount - 1));
      break;
    default:
      host_.run_settings_action(a);
      break;
  }
}

void MainWindow::open_palette_route(std::u16string_view route, bool new_tab) {
  switch (tool_action_for_route(route)) {
    case ToolAction::open_route:
      open_tool_route(*this, route, new_tab);
      break;
    case ToolAction::settings_general:
      set_settings_open(true, 0);
      break;
    case ToolAction::settings_shortcuts:
      set_settings_open(true, 2);
      break;
    case ToolAction::settings_update_check:
      set_settings_open(true, 4);
      host_.run_settings_action(
          chrome::ZoneAction{chrome::ActionKind::check_updates, {}, 0, false, false});
      break;
    case ToolAction::settings_legal:
      set_settings_open(true, 5);
      break;
    case ToolAction::toggle_language:
      host_.run_settings_action(
          chrome::ZoneAction{chrome::ActionKind::toggle_language, {}, 0, false, false});
      break;
    case ToolAction::none:
      break;
  }
}

void MainWindow::set_sidebar_expanded(bool expanded) {
  if (expanded != rt_.sidebar_expanded) toggle_sidebar();
}

void MainWindow::set_settings_open(bool open, int category) {
  // The overlay's own rule decides, on the state it reads; the window's record follows it.
  chrome::ChromeState& s = state_;
  s.settings_open = rt_.settings_open;
  s.settings_category = rt_.settings_category;
  s.welcome_gate = gate_.welcome_gate_active;
  s.auth_flow = gate_.auth_flow_active;
  s.update_scene = boot_update_.overlay;
  s.fullscreen = rt_.fullscreen;
  s.palette_open = rt_.palette.palette_open;
  s.window_active = rt_.window_active;
  s.update_ready = staged_ != nullptr && !rt_.install_running;
  s.ui_swedish = rt_.ui_swedish;
  s.available_version = rt_.latest_version;
  s.update_status = rt_.update_state;
  s.update_text = rt_.update_status_text;
  const chrome::SettingsOpenResult r = chrome::set_settings_open(
      s, open, category, {rt_.install_running, geometry_.minimized, rt_.reduced_motion});
  if (!r.changed) return;
  rt_.settings_open = s.settings_open;
  rt_.settings_category = s.settings_category;
  rt_.update_state = s.update_status;
  rt_.update_status_text = s.update_text;
  if (r.close_palette) set_palette_open(false);
  if (r.leave_fullscreen) set_fullscreen(false);
  sync_conditions();
  tabs_.update_web_view_visibility();
  refresh_chrome();
  if (r.focus_main_window) window_.focus_main_window();
  if (r.focus_web_view) tabs_.focus_active_web_view();
}

void MainWindow::set_palette_open(bool open) {
  rt_.palette.palette_progress = state_.palette_progress;
  const PaletteOpenResult r =
      vantiro::set_palette_open(rt_.palette, open, rt_.fullscreen, rt_.reduced_motion);
  if (!r.changed) return;
  state_.palette_progress = rt_.palette.palette_progress;
  if (r.close_settings) set_settings_open(false);
  sync_conditions();
  tabs_.update_web_view_visibility();
  refresh_chrome();
  if (r.focus_main_window) window_.focus_main_window();
  if (r.focus_web_view) tabs_.focus_active_web_view();
}

void MainWindow::toggle_sidebar() {
  chrome::toggle_rail(state_, rt_.reduced_motion);
  rt_.sidebar_expanded = state_.sidebar_expanded;
  place_all_views();
  refresh_chrome();
}

void MainWindow::set_fullscreen(bool on) {
  if (on == rt_.fullscreen || !rt_.main_window) return;
  if (on) {
    std::optional<WindowPlacement> placement = window_.read_placement();
    if (!placement) return;
    set_palette_open(false);
    set_settings_open(false);
    if (!window_.cover_monitor()) return;
    rt_.saved_placement = placement;
    rt_.fullscreen = true;
  } else {
    rt_.fullscreen = false;
    if (rt_.saved_placement) window_.restore_placement(*rt_.saved_placement);
  }
  place_all_views();
  sync_conditions();
  tabs_.update_web_view_visibility();
  refresh_chrome();
  tabs_.focus_active_web_view();
}

// ---------------------------------------------------------------- keyboard

void MainWindow::handle_shortcut(std::uint32_t vk, TabShortcut action) {
  if (!rt_.main_window) return;
  const std::uint64_t t = now();
  sync_conditions();
  const bool reload_key = is_letter_key(vk, 'R') || vk == key::kF5;
  if (gate_.welcome_gate_active || gate_.auth_flow_active || boot_update_.overlay) {
    if (action != TabShortcut::none) return;
    if (vk == key::kF11) {
      set_fullscreen(!rt_.fullscreen);
    } else if (gate_.auth_flow_active && reload_key) {
      tabs_.reload_active_tab(t);
    }
    return;
  }
  switch (action) {
    case TabShortcut::new_tab:
      set_settings_open(false);
      tabs_.open_tab(u"", true, t);
      return;
    case TabShortcut::close_tab:
      set_settings_open(false);
      if (!tabs_.tabs().empty()) tabs_.close_tab(tabs_.active_index(), t);
      return;
    case TabShortcut::next_tab:
    case TabShortcut::previous_tab: {
      set_settings_open(false);
      const std::size_t n = tabs_.tabs().size();
      if (n > 1) {
        const std::size_t a = tabs_.active_index();
        tabs_.activate_tab(action == TabShortcut::next_tab ? (a + 1) % n : (a + n - 1) % n, t);
      }
      return;
    }
    case TabShortcut::none:
      break;
  }
  if (vk == key::kOemComma) {
    set_settings_open(!rt_.settings_open);
    return;
  }
  if (vk == key::kF11) {
    workspace::WorkspaceTab* tab = tabs_.active_tab();
    if (tab && tab->html_fullscreen && tab->web_view) {
      tab->web_view->execute_script(workspace::kExitFullscreenScript, nullptr);
    } else {
      set_fullscreen(!rt_.fullscreen);
    }
    return;
  }
  if (is_letter_key(vk, 'K')) {
    if (!rt_.fullscreen) set_palette_open(!rt_.palette.palette_open);
    return;
  }
  if (is_letter_key(vk, 'B')) {
    if (!rt_.fullscreen && !rt_.settings_open) toggle_sidebar();
    return;
  }
  workspace::WorkspaceTab* tab = tabs_.active_tab();
  if (!tab || rt_.palette.palette_open) return;
  if (const ToolEntry* tool = studio_shortcut_tool(static_cast<int>(vk))) {
    set_settings_open(false);
    tabs_.open_route(tool->route, false, t);
    return;
  }
  if (rt_.settings_open) return;
  if (vk == key::kLeft || vk == key::kRight) {
    if (tab->web_ready && tab->web_view) {
      if (vk == key::kLeft)
        tab->web_view->go_back();
      else
        tab->web_view->go_forward();
    }
  } else if (reload_key) {
    tabs_.reload_active_tab(t);
  }
}

bool MainWindow::palette_key(std::uint32_t vk) {
  rt_.palette.palette_scroll = state_.palette_scroll;
  const PaletteKeyResult r =
      vantiro::palette_key(rt_.palette, static_cast<int>(vk), layout_.palette_viewport);
  if (r.close || r.open) set_palette_open(false);
  if (r.open) open_palette_route(r.open->route, r.new_tab);
  if (r.refresh) refresh_chrome();
  return r.handled;
}

bool MainWindow::settings_key(std::uint32_t vk) {
  if (vk == key::kEscape) {
    set_settings_open(false);
    return true;
  }
  if (vk == key::kUp || vk == key::kDown) {
    const int next = rt_.settings_category + (vk == key::kUp ? -1 : 1);
    set_settings_open(true, std::clamp(next, 0, chrome::kSettingsCategoryCount - 1));
    return true;
  }
  return false;
}

bool MainWindow::on_key_down(std::uint32_t vk, Modifiers mods, bool repeat, bool system_key) {
  if (!rt_.main_window) return false;
  const TabShortcut action = tab_shortcut_action(vk, mods.ctrl, mods.alt, mods.shift);
  const bool shortcut =
      action != TabShortcut::none ||
      is_native_shortcut(vk, mods.ctrl, mods.alt, rt_.fullscreen, rt_.palette.palette_open);
  // Holding a key must not open eight tabs: a repeat is swallowed.
  if (repeat) return shortcut || rt_.palette.palette_open || rt_.settings_open;
  if (shortcut) {
    handle_shortcut(vk, action);
    return true;
  }
  if (system_key) return false;
  if (rt_.settings_open) return settings_key(vk);
  if (rt_.palette.palette_open) return palette_key(vk);
  return false;
}

void MainWindow::on_key_up(std::uint32_t) {}

void MainWindow::on_char(std::uint32_t unit) {
  if (!rt_.main_window || !rt_.palette.palette_open) return;
  if (vantiro::palette_char(rt_.palette, unit)) refresh_chrome();
}

// ---------------------------------------------------------------- timers

void MainWindow::on_timer(TimerId id) {
  if (!rt_.main_window) return;
  if (is_one_shot(id)) window_.stop_timer(id);
  const std::uint64_t t = now();
  switch (id) {
    case TimerId::visual_check_step:
      host_.visual_check_step();
      break;
    case TimerId::chrome_notice:
      rt_.notice_text.clear();
      rt_.notice_success = false;
      refresh_chrome();
      break;
    case TimerId::animation:
      animation_tick();
      break;
    case TimerId::periodic_update_check:
      host_.start_update_check(false);
      break;
    case TimerId::boot_download_watchdog:
      boot_update_.on_watchdog();
      sync_conditions();
      tabs_.update_web_view_visibility();
      refresh_chrome();
      break;
    case TimerId::welcome_grace:
      apply_gate_effects(gate_.on_grace_timer(), nullptr);
      break;
    case TimerId::background_sweep:
      sync_conditions();
      tabs_.sweep_background_tabs(t);
      break;
  }
}

bool MainWindow::boot_animating() const {
  return boot_timer_needed(boot_.active_tab_loading, boot_update_.overlay, gate_.welcome_checking(),
                           rt_.reduced_motion);
}

bool MainWindow::tabs_waiting_for_reveal() const {
  if (gate_.welcome_gate_active || boot_update_.overlay) return false;
  for (const auto& t : tabs_.tabs())
    if (!t->is_launcher && !t->revealed && !t->crashed) return true;
  return false;
}

void MainWindow::start_chrome_animation() {
  if (!rt_.main_window || animation_.running) return;
  const bool moving = boot_animating() ||
                      chrome::chrome_needs_animation(state_, layout_, tabs_waiting_for_reveal());
  if (!chrome::start_chrome_animation(animation_, moving, now())) return;
  // The timer counts as armed only when the system armed it.
  if (!window_.start_timer(TimerId::animation, kAnimationTickMs)) animation_.running = false;
}

void MainWindow::animation_tick() {
  const std::uint64_t t = now();
  sync_conditions();
  if (!gate_.welcome_gate_active && !boot_update_.overlay) tabs_.watch_first_loads(t);
  bool changed = false;
  bool more = false;
  if (!rt_.reduced_motion && !geometry_.minimized) {
    const chrome::AnimationTick tick =
        chrome::tick_chrome_animation(animation_, state_, layout_, tabs_waiting_for_reveal(), t);
    changed = tick.changed;
    if (tick.rail_width_changed) place_all_views();
    if (boot_animating() && !rt_.palette.palette_open) {
      rt_.spinner_phase = spinner_phase_at(t);
      state_.spinner_phase = rt_.spinner_phase;
      update_boot_state(boot_, boot_inputs(), t);
      state_.boot_alpha = boot_.alpha;
      changed = true;
      more = true;
    }
  } else {
    state_.download_progress = state_.download_progress_target;
    animation_.running = chrome::chrome_needs_animation(state_, layout_, tabs_waiting_for_reveal());
  }
  rt_.palette.palette_scroll = state_.palette_scroll;
  rt_.palette.palette_progress = state_.palette_progress;
  if (changed) relayout();
  if (more) animation_.running = true;
  if (!animation_.running) {
    window_.stop_timer(TimerId::animation);
    if (!geometry_.minimized) start_chrome_animation();
  }
}

// ---------------------------------------------------------------- posted results

void MainWindow::on_event(UiEvent& event) {
  if (!rt_.main_window) return;
  const std::uint64_t t = now();
  sync_conditions();
  if (auto* e = std::get_if<ShortcutKeyEvent>(&event)) {
    const workspace::WorkspaceTab* active = tabs_.active_tab();
    if (active && active->id == e->tab_id)
      handle_shortcut(e->virtual_key, static_cast<TabShortcut>(e->action));
  } else if (auto* u = std::get_if<UpdateResultEvent>(&event)) {
    on_update_result(*u);
  } else if (auto* v = std::get_if<TabViewFailedEvent>(&event)) {
    tabs_.on_view_failed(v->tab_id, t);
  } else if (auto* p = std::get_if<TabProcessFailedEvent>(&event)) {
    tabs_.on_process_failed(p->tab_id, p->kind, t);
  } else if (auto* d = std::get_if<DownloadProgressEvent>(&event)) {
    if (boot_update_.overlay) {
      boot_update_.on_progress(d->bytes, d->total, d->verifying);
      refresh_chrome();
    }
  } else if (auto* s = std::get_if<SessionResultEvent>(&event)) {
    on_session_result(*s);
  } else if (auto* c = std::get_if<CacheClearResultEvent>(&event)) {
    if (!host_.accept_cache_result(c->token)) return;
    rt_.cache_state = c->success ? 2 : 4;
    rt_.cache_status_text =
        std::u16string((c->success ? kTextCacheCleared : kTextCacheFailed).pick(rt_.ui_swedish));
    refresh_chrome();
  }
}

void MainWindow::open_download_page() {
  const std::u16string url = service_url(kDownloadPath);
  if (classify_navigation(url) != NavigationDecision::blocked) host_.open_externally(url);
}

void MainWindow::on_update_result(UpdateResultEvent& e) {
  const bool sv = rt_.ui_swedish;
  // The record is ours from here on and goes when this returns, whatever happens.
  std::unique_ptr<update::UpdateCheckResult> record = std::move(e.result);
  switch (e.kind) {
    case update::UpdatePostKind::boot_download_started:
      if (record && boot_update_.on_download_started(*record)) {
        rt_.latest_version = record->version;
        state_.download_progress = 0;
        window_.start_timer(TimerId::boot_download_watchdog, kBootDownloadWatchdogMs);
        sync_conditions();
        tabs_.update_web_view_visibility();
        refresh_chrome();
      }
      return;
    case update::UpdatePostKind::check_finished: {
      rt_.update_check_running = false;
      window_.stop_timer(TimerId::boot_download_watchdog);
      if (!record) {
        boot_update_.on_watchdog();
        rt_.update_state = static_cast<int>(update::UpdateState::error);
        rt_.update_status_text = std::u16string(update::kTextUnreachable.pick(sv));
        sync_conditions();
        tabs_.update_web_view_visibility();
        refresh_chrome();
        return;
      }
      if (!record->version.empty()) rt_.latest_version = record->version;
      if (record->staged) {
        rt_.update_state = static_cast<int>(update::UpdateState::available);
        rt_.update_status_text =
            std::u16string(update::kTextReadyPrefix.pick(sv)) + record->staged->version();
        if (boot_update_.on_check_finished(*record) == update::BootUpdate::Finish::install_now) {
          rt_.install_running = true;
          state_.download_progress = 1;
          state_.download_progress_target = 1;
          refresh_chrome();
          if (host_.install_update_and_restart(record->staged)) return;
          boot_update_.on_install_failed();
          rt_.install_running = false;
        }
        staged_ = std::move(record->staged);
      } else {
        boot_update_.on_check_finished(*record);
        const update::UpdateStatus status = update::update_status_after_check(*record, sv);
        rt_.update_state = static_cast<int>(status.state);
        rt_.update_status_text = status.text;
      }
      sync_conditions();
      tabs_.update_web_view_visibility();
      refresh_chrome();
      return;
    }
    case update::UpdatePostKind::install_verified:
      rt_.update_check_running = false;
      if (record && record->staged) {
        rt_.install_running = true;
        if (host_.install_update_and_restart(record->staged)) return;
        rt_.install_running = false;
        rt_.settings_message = std::u16string(update::kTextCouldNotInstall.pick(sv));
      } else {
        rt_.settings_message = std::u16string(update::kTextCouldNotVerify.pick(sv));
      }
      refresh_chrome();
      open_download_page();
      return;
  }
}

void MainWindow::on_session_result(const SessionResultEvent& e) {
  workspace::WorkspaceTab* tab = tabs_.find_tab(e.tab_id);
  const bool startup_launcher = rt_.settings.startup == StartupWorkspace::launcher;
  const account::GateEffects fx = gate_.on_session_answer(
      {e.tag, e.signed_in}, facts_of(tab), startup_launcher, tabs_.tabs().size(), rt_.ui_swedish);
  apply_gate_effects(fx, tab);
}

}  // namespace vantiro::app
