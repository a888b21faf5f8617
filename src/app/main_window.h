#pragma once

// The main window's event handling without a window system: the host turns its input, timers
// and posted results into calls here and carries out what comes back through MainWindowHost.
// Coordinates of mouse events are DIPs of the client area; keys are Windows virtual-key codes.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "account/sign_in_gate.h"
#include "app/app_runtime.h"
#include "app/boot_sequence.h"
#include "app/shortcuts.h"
#include "app/ui_events.h"
#include "chrome/animation.h"
#include "chrome/chrome_state.h"
#include "chrome/layout.h"
#include "chrome/tool_catalog.h"
#include "chrome/zone_action.h"
#include "common/clock.h"
#include "update/boot_update.h"
#include "workspace/tab_model.h"
#include "workspace/web_view_host.h"

namespace vantiro::app {

inline constexpr LocalizedText kTextMaxTabs{u"Max 8 flikar öppna", u"Maximum 8 tabs open"};
inline constexpr LocalizedText kTextCacheCleared{u"Webbcachen är rensad · Du förblir inloggad.",
                                                 u"Web cache cleared · You remain signed in."};
inline constexpr LocalizedText kTextCacheFailed{u"Kunde inte rensa webbcachen. Försök igen.",
                                                u"Could not clear web cache. Please try again."};
inline constexpr std::u16string_view kDownloadPath = u"/downloads/desktop/Vantiro.exe";

// "Stänga N öppna flikar?..." / "Close N open tabs?..." for the close confirmation.
std::u16string close_confirmation_text(std::size_t tab_count, bool swedish);

// The window title: the gate and the sign-in flow show the product name; otherwise the active
// tab's label with " — Vantiro" unless the label is the product name.
std::u16string window_title(bool gate_or_auth_flow, const std::u16string* active_label);

// What the window system does for the window's core. Everything runs on the UI thread.
struct WindowServices {
  virtual ~WindowServices() = default;
  virtual void repaint() = 0;
  virtual void set_title(std::u16string_view title) = 0;
  virtual void set_cursor(chrome::CursorKind cursor) = 0;
  // Empty text hides the tooltip.
  virtual void set_tooltip(std::u16string_view text) = 0;
  // Arms (or re-arms) a timer; false when the system refused.
  virtual bool start_timer(TimerId id, std::uint64_t interval_ms) = 0;
  virtual void stop_timer(TimerId id) = 0;
  // A press on the caption or a resize border hands the pointer to the window manager.
  virtual void begin_move_drag() = 0;
  virtual void begin_resize_drag(int hit_test_code) = 0;
  virtual void toggle_maximize() = 0;
  virtual void minimize() = 0;
  // Fullscreen: the placement to come back to, then borderless over the monitor. Either may
  // fail; the window then stays as it was.
  virtual std::optional<WindowPlacement> read_placement() = 0;
  virtual bool cover_monitor() = 0;
  virtual void restore_placement(const WindowPlacement& placement) = 0;
  virtual void focus_main_window() = 0;
};

// What the rest of the studio does for the window's core: its questions, its end, and the
// work that reaches beyond the window. Everything runs on the UI thread.
struct MainWindowHost {
  virtual ~MainWindowHost() = default;
  // The Yes/No question (No is the default); runs its own loop, so events can arrive inside.
  virtual bool ask_close_confirmation(std::u16string_view text) = 0;
  virtual void save_window_placement() = 0;
  // The host destroys the window and then calls MainWindow::on_destroyed.
  virtual void destroy_window() = 0;
  virtual void quit(int exit_code) = 0;
  virtual void open_externally(std::u16string_view url) = 0;
  virtual void start_update_check(bool auto_install) = 0;
  // Returns only when the installation failed (on success the process ends).
  virtual bool install_update_and_restart(std::unique_ptr<update::StagedUpdate>& update) = 0;
  virtual void visual_check_step() = 0;
  // Whether a cache clearing result answers the latest request.
  virtual bool accept_cache_result(std::uint64_t token) = 0;
  virtual void reapply_zoom_to_all_views() = 0;
  // A settings-overlay action the core does not run itself.
  virtual void run_settings_action(const chrome::ZoneAction& action) = 0;
};

struct ClientGeometry {
  int width_px = 0;
  int height_px = 0;
  int dpi = 96;
  bool maximized = false;
  bool minimized = false;
};

class MainWindow final : public workspace::WorkspaceShell, public ToolRouteHost {
 public:
  MainWindow(AppRuntime& runtime, WindowServices& window, MainWindowHost& host,
             workspace::TabAddresses& addresses, workspace::TabViewFactory& views, Clock& clock,
             account::SignInGate gate);
  ~MainWindow() override;
  MainWindow(const MainWindow&) = delete;
  MainWindow& operator=(const MainWindow&) = delete;

  // --- window lifetime ---
  // The window exists: the core starts answering.
  void on_created(const ClientGeometry& geometry);
  // The window was destroyed: workers stop posting, timers stop, views close, quit 0.
  void on_destroyed();
  void on_close_request();
  // The system ends the session or the process: keep the placement and close without asking.
  // Waits for an open question or dialog to return first.
  void on_end_session();

  // A modal dialog of the studio's own (the folder chooser) runs its own loop: a close that
  // arrives meanwhile waits for it instead of destroying the window under it.
  void begin_modal();
  void end_modal();

  // --- input ---
  void on_size(const ClientGeometry& geometry);
  void on_activation(bool active);
  void on_focus();
  void on_mouse_move(float x, float y);
  void on_mouse_leave();
  void on_left_down(float x, float y, Modifiers mods);
  void on_left_up(float x, float y, Modifiers mods);
  void on_double_click(float x, float y);
  void on_middle_up(float x, float y);
  void on_wheel(float x, float y, int delta);
  // Returns whether the key was handled; unhandled keys go to the system's default.
  bool on_key_down(std::uint32_t virtual_key, Modifiers mods, bool repeat, bool system_key);
  void on_key_up(std::uint32_t virtual_key);
  void on_char(std::uint32_t unit);
  void on_timer(TimerId id);
  void on_event(UiEvent& event);
  // The system's animation setting was read again.
  void on_system_animations(bool enabled);

  // --- operations other parts call ---
  void refresh_chrome() override;
  void set_fullscreen(bool on);
  void handle_shortcut(std::uint32_t virtual_key, TabShortcut action);
  // category 0..5 opens (or stays open) on that page; any other value keeps the current one.
  void set_settings_open(bool open, int category = -1);
  // A palette row, a palette Enter or a launcher link: "app:" rows run their in-app action,
  // other routes open as tools.
  void open_palette_route(std::u16string_view route, bool new_tab);
  void set_sidebar_expanded(bool expanded);
  // The motion settings or the system's animation setting changed: derive the motion state
  // again; entering reduced motion finishes every running chrome animation.
  void apply_motion_settings();
  // The user's own install request takes the staged update out of its slot.
  std::unique_ptr<update::StagedUpdate> take_staged_update() { return std::move(staged_); }
  void set_palette_open(bool open);
  void toggle_sidebar();
  void show_notice(LocalizedText text, bool success) override;
  void start_chrome_animation();
  void run_zone_action(const chrome::ZoneAction& action);
  // The native hit-test answer for a point in client DIPs.
  int native_hit_test_at(float x, float y) const;

  // --- state ---
  workspace::TabModel& tabs() { return tabs_; }
  account::SignInGate& gate() { return gate_; }
  update::BootUpdate& boot_update() { return boot_update_; }
  const chrome::ChromeState& chrome_state() const { return state_; }
  const chrome::LayoutResult& layout() const { return layout_; }
  const BootState& boot() const { return boot_; }
  const std::unique_ptr<update::StagedUpdate>& staged_update() const { return staged_; }
  bool close_prompt_open() const { return close_prompt_open_; }
  bool animation_timer_running() const { return animation_.running; }
  workspace::WorkspaceConditions& conditions() { return conditions_; }
  workspace::WelcomeState& welcome_state() { return welcome_; }

  // WorkspaceShell
  void leave_window_fullscreen() override { set_fullscreen(false); }
  void focus_main_window() override { window_.focus_main_window(); }
  workspace::ViewRect content_rect() override;
  void keep_animating() override { start_chrome_animation(); }

  // ToolRouteHost
  bool ui_swedish() const override { return rt_.ui_swedish; }
  void close_settings_overlay() override { set_settings_open(false); }
  void open_address(std::u16string_view address, bool new_tab) override;

 private:
  std::uint64_t now() { return clock_.now_ms(); }
  void sync_conditions();
  void fill_chrome_state();
  void relayout();
  void place_all_views();
  void set_hover_index(int index);
  void on_update_result(UpdateResultEvent& event);
  void on_session_result(const SessionResultEvent& event);
  void apply_gate_effects(const account::GateEffects& fx, workspace::WorkspaceTab* tab);
  void restart_tab_load(workspace::WorkspaceTab& tab, std::u16string_view url);
  void open_download_page();
  void animation_tick();
  bool boot_animating() const;
  bool tabs_waiting_for_reveal() const;
  void destroy();
  bool palette_key(std::uint32_t virtual_key);
  bool settings_key(std::uint32_t virtual_key);
  account::TabFacts facts_of(workspace::WorkspaceTab* tab) const;
  BootInputs boot_inputs();

  AppRuntime& rt_;
  WindowServices& window_;
  MainWindowHost& host_;
  Clock& clock_;
  workspace::WorkspaceConditions conditions_;
  workspace::WelcomeState welcome_;
  workspace::TabModel tabs_;
  account::SignInGate gate_;
  update::BootUpdate boot_update_;
  std::unique_ptr<update::StagedUpdate> staged_;
  chrome::ChromeState state_;
  chrome::LayoutResult layout_;
  chrome::PointerState pointer_;
  chrome::AnimationTimer animation_;
  BootState boot_;
  ClientGeometry geometry_;
  std::optional<std::pair<float, float>> pointer_at_;
  std::u16string tooltip_;
  bool close_prompt_open_ = false;
  int modal_depth_ = 0;
  bool close_deferred_ = false;
  bool end_session_pending_ = false;
};

}  // namespace vantiro::app
