#pragma once

// The web view host: creates the shared engine environment and each tab's view, sets every
// view up the same way, and turns the view's events into changes of the tab model, decisions
// of the navigation policy, or messages to the main window. Everything goes through the
// engine port, so the rules here hold for every engine.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/localized_text.h"
#include "persist/settings.h"
#include "workspace/tab_model.h"
#include "workspace/web_engine.h"

namespace vantiro {
struct ExternalOpener;
}

namespace vantiro::workspace {

inline constexpr std::u16string_view kBrowserArguments =
    u"--disable-background-timer-throttling --disable-renderer-backgrounding";
inline constexpr Rgba kViewBackground{9, 15, 24, 255};

// The status line states of web-cache clearing that the settings overlay shows.
enum class CacheClearState : int { idle = 0, running = 1, done = 2, refused = 3, failed = 4 };

// Whether a failed load shows the offline card: not for an error page served with an HTTP
// status (0) or a cancelled navigation (14), nor for an aborted load (9) of a page that had
// loaded before.
bool shows_offline_card(int web_error_status, bool loaded_before);

// Which context-menu items stay, by command name.
bool keep_context_menu_item(std::u16string_view name, bool editable, bool has_selection);

// The script that hands a changed performance mode ("low", "high" or "auto") to a loaded page.
std::u16string perf_mode_script(std::u16string_view word);
// The document-created script: the mode word, then the desktop bridge.
std::u16string document_created_script(std::u16string_view perf_word);

// What the host asks of the main window beyond what the tab model does. The post_* calls
// hand work to the main window's message loop, never run it inside the engine callback.
struct WebHostShell : WorkspaceShell {
  virtual void post_view_failed(std::int32_t tab_id) = 0;
  virtual void post_process_failed(std::int32_t tab_id, ProcessFailureKind kind) = 0;
  virtual void post_shortcut(std::uint32_t virtual_key, int action, std::int32_t tab_id) = 0;
  virtual void post_cache_cleared(bool ok, std::uint64_t token) = 0;
  virtual void post_quit(int exit_code) = 0;
  // The question box about the missing engine runtime; true for Yes.
  virtual bool ask_to_install_runtime() = 0;
  virtual void open_runtime_download_page() = 0;
  // The shortcut action of a key pressed inside a page (modifiers from the keyboard state),
  // or nothing when the key is not one of the studio's.
  virtual std::optional<int> shortcut_action(std::uint32_t virtual_key) = 0;
  virtual void start_session_check(std::int32_t tab_id) = 0;
  virtual void set_window_fullscreen(bool on) = 0;
  virtual void end_welcome_grace() = 0;
  virtual void set_cache_status(CacheClearState state, LocalizedText text) = 0;
  virtual ExternalOpener& external_opener() = 0;
};

// The word a page's performance hook understands for the setting: "low", "high", or "auto".
std::u16string_view perf_mode_word(PerfModeSetting mode);

// The preferences the host applies to views, taken from the settings.
struct WebViewPreferences {
  std::uint32_t zoom_percent = kDefaultZoomPercent;
  std::u16string perf_word = u"auto";
};
WebViewPreferences web_view_preferences(const AppSettings& settings);

// The state of the first decision of the welcome gate, shared with the sign-in flow.
struct WelcomeState {
  bool skipped = false;       // the gate's first decision has been taken
  bool visual_check = false;  // visual-check mode: no session check, the grace period ends
};

// The bridge's entry: the tab id the handler was registered with, the view that raised the
// message, and the message.
using WebMessageHandler = std::function<void(
    std::int32_t tab_id, const std::shared_ptr<WebView>& sender, WebMessageEvent& message)>;

class WebViewHost final : public TabViewFactory {
 public:
  WebViewHost(WebEngine& engine, WebHostShell& shell, WorkspaceConditions& conditions,
              WebViewPreferences& preferences, WelcomeState& welcome, Clock& clock);
  ~WebViewHost() override;
  WebViewHost(const WebViewHost&) = delete;
  WebViewHost& operator=(const WebViewHost&) = delete;

  void attach(TabModel& model) { model_ = &model; }
  void set_user_data_folder(std::u16string folder) { user_data_folder_ = std::move(folder); }
  void set_web_message_handler(WebMessageHandler handler) { on_message_ = std::move(handler); }

  // TabViewFactory
  void create_web_environment() override;
  void create_tab_view(WorkspaceTab& tab) override;

  void on_controller_created(std::int32_t tab_id, std::shared_ptr<WebController> controller);
  bool set_up_view(WorkspaceTab& tab);

  void apply_zoom(WorkspaceTab& tab);
  void apply_zoom_to_all();
  void apply_perf_mode_to_views();
  void clear_web_cache();
  // The main window got a clearing result: true when it answers the latest request (which
  // then no longer runs), false for a stale one that must be ignored.
  bool on_cache_cleared(std::uint64_t token);
  bool cache_clear_running() const { return cache_clear_running_; }
  std::uint64_t cache_request_token() const { return cache_request_token_; }

 private:
  void on_environment_completed(std::shared_ptr<WebEnvironment> environment);
  void on_script_added(std::int32_t tab_id, bool ok);
  void on_navigation_starting(std::int32_t tab_id, NavigationStartingEvent& e);
  void on_new_window(std::int32_t tab_id, NewWindowRequestedEvent& e);
  void on_navigation_completed(std::int32_t tab_id, const NavigationCompletedEvent& e);
  void on_source_changed(std::int32_t tab_id);
  void on_fullscreen_changed(std::int32_t tab_id);
  void on_context_menu(ContextMenuEvent& e);
  void on_accelerator_key(std::int32_t tab_id, AcceleratorKeyEvent& e);
  void on_web_message(std::int32_t tab_id, WebMessageEvent& e);
  std::uint64_t now() { return clock_.now_ms(); }

  // Wraps an engine callback so that it does nothing once the host is gone.
  template <typename F>
  auto guarded(F f);

  WebEngine& engine_;
  WebHostShell& shell_;
  WorkspaceConditions& conditions_;
  WebViewPreferences& preferences_;
  WelcomeState& welcome_;
  Clock& clock_;
  TabModel* model_ = nullptr;
  std::u16string user_data_folder_;
  WebMessageHandler on_message_;
  bool cache_clear_running_ = false;
  std::uint64_t cache_request_token_ = 0;
  std::shared_ptr<WebViewHost*> self_;
};

}  // namespace vantiro::workspace
