#pragma once

// The web engine port: every operation the workspace needs from the engine that renders the
// service pages, in the workspace's words. One implementation per host engine; the fake in
// fake_web_engine.h honours the same contract for tests.
//
// What every caller relies on:
// - Completions and event handlers run on the UI thread, and never inside the call that
//   started them: a handler registered or a request made during a call is invoked later,
//   after that call has returned.
// - The starting and the completed event of one navigation carry the same navigation id, and
//   every navigation gets a new one. A document loaded with navigate_to_string is reported
//   with a "data:text/html" address.
// - A document-created script runs in every document of the view, frames included, before the
//   document's own scripts.
// - A string the page posts arrives as a web message (UTF-8) with the URI of the document that
//   sent it; post_web_message_as_json reaches the top document's "message" listener as an object.
// - Cookies carry name, value, the session flag and the expiry in seconds since 1970.
// - An operation the engine does not have returns EngineResult::unsupported (or is reported
//   as such) and never pretends to have done anything; its completion is then never called.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantiro::workspace {

enum class EngineResult { ok, failed, unsupported };

// Rectangles are in the parent window's pixels.
struct ViewRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const ViewRect&, const ViewRect&) = default;
};

struct Rgba {
  std::uint8_t r = 0, g = 0, b = 0, a = 255;
  friend bool operator==(const Rgba&, const Rgba&) = default;
};

// The engine's process-failure kinds, with the engine's own numbering.
enum class ProcessFailureKind : int {
  browser_process_exited = 0,
  render_process_exited = 1,
  render_process_unresponsive = 2,
  frame_render_process_exited = 3,
  utility_process_exited = 4,
  sandbox_helper_process_exited = 5,
  gpu_process_exited = 6,
  plugin_process_exited = 7,
  plugin_broker_process_exited = 8,
  unknown_process_exited = 9,
};

// Web error statuses of a failed navigation, with the engine's own numbering.
namespace web_error {
inline constexpr int kUnknown = 0;
inline constexpr int kCertificateCommonNameIsIncorrect = 1;
inline constexpr int kCertificateExpired = 2;
inline constexpr int kClientCertificateContainsErrors = 3;
inline constexpr int kCertificateRevoked = 4;
inline constexpr int kCertificateIsInvalid = 5;
inline constexpr int kServerUnreachable = 6;
inline constexpr int kTimeout = 7;
inline constexpr int kErrorHttpInvalidServerResponse = 8;
inline constexpr int kConnectionAborted = 9;
inline constexpr int kConnectionReset = 10;
inline constexpr int kDisconnected = 11;
inline constexpr int kCannotConnect = 12;
inline constexpr int kHostNameNotResolved = 13;
inline constexpr int kOperationCanceled = 14;
inline constexpr int kRedirectFailed = 15;
inline constexpr int kUnexpectedError = 16;
}  // namespace web_error

enum class MemoryUsageTarget { normal, low };

// Browsing-data kinds; values are the engine's bit flags.
namespace browsing_data {
inline constexpr std::uint32_t kDiskCache = 256;
}  // namespace browsing_data

enum class ViewSetting {
  script_enabled,
  default_script_dialogs_enabled,
  status_bar_enabled,
  dev_tools_enabled,
  default_context_menus_enabled,
  zoom_control_enabled,
  built_in_error_page_enabled,
  web_message_enabled,
  swipe_navigation_enabled,
};

struct NavigationStartingEvent {
  std::u16string uri;
  std::uint64_t navigation_id = 0;
  bool cancel = false;  // set by the handler
};

struct NavigationCompletedEvent {
  bool success = false;
  int web_error_status = web_error::kUnknown;
  std::uint64_t navigation_id = 0;
};

struct NewWindowRequestedEvent {
  std::u16string uri;
  bool handled = false;  // set by the handler; a handled request opens no engine window
};

enum class AcceleratorKeyKind { key_down, key_up, system_key_down, system_key_up };

struct AcceleratorKeyEvent {
  AcceleratorKeyKind kind = AcceleratorKeyKind::key_down;
  std::uint32_t virtual_key = 0;  // Windows virtual-key code
  bool was_key_down = false;      // physical key status: the key was already down (repeat)
  bool handled = false;           // set by the handler; a handled key never reaches the page
};

struct WebMessageEvent {
  std::u16string source_uri;  // the document that posted the message
  // The message as UTF-8 when the page posted a string; empty when it posted any other value.
  // A send carries up to ~90 MB: handlers may take it out instead of copying it.
  std::optional<std::string> message;
};

// A context menu about to open. Reads can fail on a real engine, hence the optionals.
struct ContextMenuEvent {
  virtual ~ContextMenuEvent() = default;
  virtual std::optional<bool> target_is_editable() = 0;
  virtual std::optional<bool> target_has_selection() = 0;
  virtual std::optional<std::size_t> item_count() = 0;
  // The item's command name ("copy", "print", ...).
  virtual std::optional<std::u16string> item_name(std::size_t index) = 0;
  virtual bool remove_item(std::size_t index) = 0;
  virtual void set_handled(bool handled) = 0;  // handled: no menu is shown
};

struct WebCookie {
  std::u16string name;
  std::u16string value;
  bool is_session = false;
  double expires_s = -1;  // seconds since 1970; meaningless for a session cookie
};

// The child window that holds one view.
struct WebHostWindow {
  virtual ~WebHostWindow() = default;
  virtual ViewRect rect() = 0;
  // Moves without activation or change of Z order.
  virtual bool move(const ViewRect& rect) = 0;
  virtual void show(bool visible) = 0;  // showing never activates
  virtual void destroy() = 0;
};

class WebView;

using DoneCallback = std::function<void(bool ok)>;

class WebController {
 public:
  virtual ~WebController() = default;
  virtual bool set_visible(bool visible) = 0;
  virtual ViewRect bounds() = 0;
  virtual bool set_bounds(const ViewRect& rect) = 0;
  virtual bool set_zoom_factor(double factor) = 0;
  // Programmatic focus into the view.
  virtual bool move_focus() = 0;
  virtual bool add_accelerator_key_handler(std::function<void(AcceleratorKeyEvent&)> handler) = 0;
  virtual void notify_parent_window_position_changed() = 0;
  virtual EngineResult set_default_background_color(Rgba color) = 0;
  // Ends the view; no handler of it runs afterwards.
  virtual void close() = 0;
  virtual std::shared_ptr<WebView> view() = 0;
};

class WebView {
 public:
  virtual ~WebView() = default;

  // Settings. unsupported for a setting the engine lacks; failed when the settings cannot be
  // obtained at all.
  virtual EngineResult set_setting(ViewSetting setting, bool on) = 0;

  virtual std::u16string source() = 0;
  virtual bool navigate(std::u16string_view uri) = 0;
  virtual bool navigate_to_string(std::u16string_view html) = 0;
  virtual bool reload() = 0;
  virtual bool go_back() = 0;
  virtual bool go_forward() = 0;
  virtual bool can_go_back() = 0;
  virtual bool can_go_forward() = 0;
  virtual std::u16string document_title() = 0;
  virtual bool contains_fullscreen_element() = 0;

  // done gets ok and the script's result as JSON text.
  virtual bool execute_script(std::u16string_view script,
                              std::function<void(bool ok, std::string result_json)> done) = 0;
  // done gets ok and the picture as PNG bytes.
  virtual EngineResult capture_preview(
      std::function<void(bool ok, std::vector<std::uint8_t> png)> done) = 0;
  virtual bool add_script_on_document_created(std::u16string_view script, DoneCallback done) = 0;
  // json is UTF-8 JSON text of one value.
  virtual bool post_web_message_as_json(std::string_view json) = 0;

  // Events. Each returns false when the handler could not be registered.
  virtual bool on_navigation_starting(std::function<void(NavigationStartingEvent&)> handler) = 0;
  virtual bool on_navigation_completed(
      std::function<void(const NavigationCompletedEvent&)> handler) = 0;
  virtual bool on_source_changed(std::function<void()> handler) = 0;
  virtual bool on_history_changed(std::function<void()> handler) = 0;
  virtual bool on_new_window_requested(std::function<void(NewWindowRequestedEvent&)> handler) = 0;
  virtual bool on_document_title_changed(std::function<void()> handler) = 0;
  virtual bool on_fullscreen_element_changed(std::function<void()> handler) = 0;
  virtual bool on_process_failed(std::function<void(ProcessFailureKind)> handler) = 0;
  virtual bool on_web_message_received(std::function<void(WebMessageEvent&)> handler) = 0;
  virtual EngineResult on_context_menu_requested(
      std::function<void(ContextMenuEvent&)> handler) = 0;

  // Cookies that would be sent to uri.
  virtual EngineResult get_cookies(std::u16string_view uri,
                                   std::function<void(bool ok, std::vector<WebCookie>)> done) = 0;

  // Suspension. done gets whether the call succeeded and whether the view did suspend.
  virtual EngineResult try_suspend(std::function<void(bool ok, bool suspended)> done) = 0;
  virtual EngineResult resume() = 0;
  virtual EngineResult set_memory_usage_target(MemoryUsageTarget target) = 0;

  // Clears the profile's browsing data of the given kinds; cookies and storage stay unless
  // named.
  virtual EngineResult clear_browsing_data(std::uint32_t kinds, DoneCallback done) = 0;
};

class WebEnvironment {
 public:
  virtual ~WebEnvironment() = default;
  // done gets the controller, or null when the creation failed.
  virtual bool create_controller(std::shared_ptr<WebHostWindow> host,
                                 std::function<void(std::shared_ptr<WebController>)> done) = 0;
};

struct WebEnvironmentOptions {
  std::u16string user_data_folder;
  std::u16string additional_browser_arguments;
};

// The loader: the engine's entry point, and the host's child windows.
class WebEngine {
 public:
  virtual ~WebEngine() = default;
  // The installed engine's version, or nothing when no engine is installed.
  virtual std::optional<std::u16string> available_browser_version() = 0;
  // done gets the environment, or null when it could not be created. false: the request
  // could not be made and done is never called.
  virtual bool create_environment(const WebEnvironmentOptions& options,
                                  std::function<void(std::shared_ptr<WebEnvironment>)> done) = 0;
  // A hidden child window of the main window at (0, 0) with size 0 x 0; null on failure.
  virtual std::shared_ptr<WebHostWindow> create_host_window() = 0;
};

}  // namespace vantiro::workspace
