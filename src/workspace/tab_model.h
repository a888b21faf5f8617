#pragma once

// The workspace tab list: opening, closing, switching, navigating, restarting, waking and
// suspending tabs, the rules for when a view may be seen and focused, the crash-loop guards,
// tab labels and the first-load watchdog. Time comes in as now_ms; everything that leaves
// the model goes through the engine port (the tab's view) or the small ports below.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/clock.h"
#include "common/localized_text.h"
#include "workspace/web_engine.h"

namespace vantiro::workspace {

inline constexpr std::size_t kMaxTabs = 8;
inline constexpr std::int32_t kLauncherIcon = 17;
inline constexpr std::uint64_t kCrashWindowMs = 60000;
inline constexpr std::size_t kBrowserRestartLimit = 2;
inline constexpr std::size_t kRendererRestartLimit = 3;
inline constexpr std::uint64_t kRevealDelayMs = 80;
inline constexpr std::uint64_t kActiveRevealAfterFirstMs = 200;
inline constexpr std::uint64_t kRevealWithoutCompletionMs = 1800;
inline constexpr std::uint64_t kFirstLoadTimeoutMs = 12000;
inline constexpr std::uint64_t kSuspendIdleMs = 30000;
inline constexpr std::uint64_t kSuspendIdleLiteMs = 10000;

inline constexpr std::u16string_view kExitFullscreenScript =
    u"if(document.fullscreenElement) document.exitFullscreen();";

struct WorkspaceTab {
  std::int32_t id = 0;
  std::shared_ptr<WebHostWindow> host_window;
  std::shared_ptr<WebController> controller;
  std::shared_ptr<WebView> web_view;
  std::u16string source_url;
  std::u16string pending_url;
  std::u16string title;
  std::u16string retry_url;
  std::int32_t icon = 0;
  bool web_ready = false;
  bool loaded_ok = false;
  bool loading = false;
  bool can_go_back = false;
  bool can_go_forward = false;
  bool local_document_permit = false;
  bool showing_local_document = false;
  bool html_fullscreen = false;
  bool is_launcher = false;
  bool revealed = false;
  bool crashed = false;
  bool suspended = false;
  bool suspend_pending = false;
  std::uint64_t load_started_ms = 0;
  std::uint64_t reveal_at_ms = 0;
  std::uint64_t first_completed_ms = 0;
  std::uint64_t last_active_ms = 0;
  std::vector<std::uint64_t> renderer_restarts;
  std::uint64_t navigation_id = 0;
};

// The shared engine environment. "Starting" is its own state: a restart requested while the
// first environment is still being created must wait for it, not start a second one.
enum class EnvironmentState { absent, starting, ready };

// States other parts of the studio own; the model only reads them.
struct WorkspaceConditions {
  bool has_main_window = true;
  bool main_window_active = false;  // the main window is the foreground window and has focus
  bool minimized = false;
  bool welcome_gate_active = false;
  bool auth_flow_active = false;
  bool palette_open = false;
  bool settings_open = false;
  bool boot_update_overlay = false;
  bool reduced_motion = false;
  bool perf_lite = false;
  bool ui_swedish = true;
};

// What the model needs to know about addresses and the tool catalog.
struct TabAddresses {
  virtual ~TabAddresses() = default;
  // The tab icon kind of the address's route.
  virtual std::int32_t icon_for_url(std::u16string_view url) = 0;
  // The editor start page of the language.
  virtual std::u16string start_url(bool ui_swedish) = 0;
  // The service origin's "/sv" or "/en" followed by route (which begins with "/").
  virtual std::u16string route_url(std::u16string_view route, bool ui_swedish) = 0;
  // The path of a service-origin address; empty for other addresses.
  virtual std::u16string route_of(std::u16string_view url) = 0;
  // The label of the catalog's tool for a path, when there is one.
  virtual std::optional<LocalizedText> tool_label(std::u16string_view path) = 0;
};

// What the model asks of the main window.
struct WorkspaceShell {
  virtual ~WorkspaceShell() = default;
  // Replaces the chrome notice; it stays 5000 ms after a success, 3500 ms otherwise.
  virtual void show_notice(LocalizedText text, bool success) = 0;
  virtual void refresh_chrome() = 0;
  virtual void leave_window_fullscreen() = 0;
  virtual void focus_main_window() = 0;
  // The web content rectangle of the current layout.
  virtual ViewRect content_rect() = 0;
  // Keeps the animation tick running (the watchdog is fed from it).
  virtual void keep_animating() = 0;
};

// What the web view host does for the model.
struct TabViewFactory {
  virtual ~TabViewFactory() = default;
  // Creates the shared environment; the host reports back with environment_created or
  // environment_failed.
  virtual void create_web_environment() = 0;
  // Creates the tab's host window and asks the environment for a controller.
  virtual void create_tab_view(WorkspaceTab& tab) = 0;
};

// Moves the host window to rect when it differs, tells the controller that its parent
// moved, and sizes the controller to the window when the size differs.
void position_view(WebHostWindow* host, WebController* controller, const ViewRect& rect);

// The crash-loop guard: entries at least 60 s old are dropped; with limit or more left the
// attempt is refused and not recorded, otherwise it is recorded and allowed.
bool allow_in_window(std::vector<std::uint64_t>& times, std::size_t limit, std::uint64_t now_ms);

// Removes one trailing " · Vantiro", " — Vantiro", " – Vantiro" or " - Vantiro" (tested in that
// order) when the title is longer than the suffix.
std::u16string strip_brand_suffix(std::u16string_view title);

// The label of a tab whose catalog entry (if any) is tool.
std::u16string tab_label_for(const WorkspaceTab& tab, TabAddresses& addresses, bool ui_swedish);

// May the background sweep suspend this tab now?
bool can_suspend_tab(const WorkspaceTab& tab, bool is_active, bool auth_flow_active, bool perf_lite,
                     std::uint64_t now_ms);

class TabModel {
 public:
  TabModel(WorkspaceShell& shell, TabAddresses& addresses, TabViewFactory& views,
           WorkspaceConditions& conditions, Clock& clock);
  ~TabModel();
  TabModel(const TabModel&) = delete;
  TabModel& operator=(const TabModel&) = delete;

  // --- the list ---
  const std::vector<std::unique_ptr<WorkspaceTab>>& tabs() const { return tabs_; }
  std::size_t active_index() const { return active_index_; }
  WorkspaceTab* active_tab();
  WorkspaceTab* find_tab(std::int32_t id);
  std::optional<std::size_t> index_of(std::int32_t id) const;
  bool is_active(const WorkspaceTab& tab) const;

  // --- operations ---
  bool open_tab(std::u16string_view url, bool activate, std::uint64_t now_ms);
  void activate_tab(std::size_t index, std::uint64_t now_ms);
  void close_tab(std::size_t index, std::uint64_t now_ms);
  void navigate_tab(WorkspaceTab& tab, std::u16string_view url, std::uint64_t now_ms);
  void open_route(std::u16string_view route, bool in_new_tab, std::uint64_t now_ms);
  void restart_tab(WorkspaceTab& tab, std::uint64_t now_ms);
  void renew_tab_web_view(WorkspaceTab& tab, std::uint64_t now_ms);
  void release_tab_web_view(WorkspaceTab& tab);
  void reload_active_tab(std::uint64_t now_ms);
  void wake_tab(WorkspaceTab& tab, std::uint64_t now_ms);
  void sweep_background_tabs(std::uint64_t now_ms);
  void on_suspend_completed(std::int32_t tab_id, bool ok, bool suspended, std::uint64_t now_ms);
  void on_process_failed(std::int32_t tab_id, ProcessFailureKind kind, std::uint64_t now_ms);
  void on_view_failed(std::int32_t tab_id, std::uint64_t now_ms);
  void update_web_view_visibility();
  void focus_active_web_view();
  void watch_first_loads(std::uint64_t now_ms);
  std::u16string tab_label(const WorkspaceTab& tab) const;

  // --- the environment ---
  EnvironmentState environment_state() const { return environment_state_; }
  bool environment_restarting() const { return environment_restarting_; }
  const std::shared_ptr<WebEnvironment>& environment() const { return environment_; }
  // Starts the first environment (start-up); nothing while one exists or is starting.
  void start_environment();
  // The environment creation finished; the host then creates the views.
  void environment_created(std::shared_ptr<WebEnvironment> environment);
  // The creation failed. Returns true when it was a restart after a browser crash (every
  // tab then shows the crashed card); false on the first start, which the host reports.
  bool environment_failed(std::uint64_t now_ms);

  // --- bookkeeping fed by the web view host ---
  // An in-app navigation start was allowed.
  void on_navigation_accepted(WorkspaceTab& tab, std::u16string_view uri,
                              std::uint64_t navigation_id);
  // The latest navigation of a tab not yet revealed loaded: the watchdog reveals it soon.
  void schedule_reveal(WorkspaceTab& tab, std::uint64_t now_ms);

  std::int32_t next_tab_id() { return next_id_++; }
  std::int32_t icon_for_url(std::u16string_view url) { return addresses_.icon_for_url(url); }

 private:
  bool view_may_show(const WorkspaceTab& tab, bool active) const;
  void fill_pending_url(WorkspaceTab& tab);

  WorkspaceShell& shell_;
  TabAddresses& addresses_;
  TabViewFactory& views_;
  WorkspaceConditions& conditions_;
  Clock& clock_;
  std::vector<std::unique_ptr<WorkspaceTab>> tabs_;
  std::size_t active_index_ = 0;
  std::int32_t next_id_ = 1;
  std::vector<std::uint64_t> browser_restarts_;
  std::shared_ptr<WebEnvironment> environment_;
  EnvironmentState environment_state_ = EnvironmentState::absent;
  bool environment_restarting_ = false;
  // Completions of engine requests check it, so a late one after the model is gone is dropped.
  std::shared_ptr<TabModel*> self_;
};

}  // namespace vantiro::workspace
