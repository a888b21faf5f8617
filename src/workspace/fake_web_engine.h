#pragma once

// A web engine for tests. It keeps the port's contract: every completion and event goes into
// one queue that the test drains with run_pending(), so nothing runs inside the call that
// started it; navigations get fresh ids carried by their start and completion; a closed view
// delivers nothing more. Tests raise page-side events (a link, a crash, a message) through the
// view's raise_* and finish_* functions, which queue them the same way.

#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workspace/web_engine.h"

namespace vantiro::workspace::testing {

class FakeWebEngine;

struct FakeTaskQueue {
  std::deque<std::function<void()>> tasks;
  void post(std::function<void()> task) { tasks.push_back(std::move(task)); }
  // Runs queued tasks, also the ones they queue, until none is left. Returns how many ran.
  std::size_t run_pending(std::size_t limit = 10000) {
    std::size_t ran = 0;
    while (!tasks.empty() && ran < limit) {
      auto task = std::move(tasks.front());
      tasks.pop_front();
      task();
      ++ran;
    }
    return ran;
  }
};

class FakeHostWindow final : public WebHostWindow {
 public:
  ViewRect rect() override { return rect_; }
  bool move(const ViewRect& r) override {
    rect_ = r;
    ++moves;
    return !destroyed;
  }
  void show(bool v) override { visible = v; }
  void destroy() override { destroyed = true; }

  ViewRect rect_;
  bool visible = false;
  bool destroyed = false;
  int moves = 0;
};

class FakeContextMenu final : public ContextMenuEvent {
 public:
  std::optional<bool> target_is_editable() override { return editable; }
  std::optional<bool> target_has_selection() override { return has_selection; }
  std::optional<std::size_t> item_count() override { return items.size(); }
  std::optional<std::u16string> item_name(std::size_t i) override {
    if (i >= items.size()) return std::nullopt;
    return items[i];
  }
  bool remove_item(std::size_t i) override {
    if (fail_remove || i >= items.size()) return false;
    items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
    return true;
  }
  void set_handled(bool h) override { handled = h; }

  std::optional<bool> editable = false;
  std::optional<bool> has_selection = false;
  std::vector<std::u16string> items;
  bool fail_remove = false;
  bool handled = false;
};

// Which operations the fake refuses (failed) or lacks (unsupported).
struct FakeViewBehaviour {
  bool settings_unavailable = false;
  bool fail_navigate = false;
  bool fail_navigate_to_string = false;
  bool fail_reload = false;
  bool fail_add_script = false;         // the call itself fails
  bool fail_script_completion = false;  // the completion reports failure
  bool fail_post_message = false;
  bool fail_register_web_message = false;
  bool fail_register_navigation_starting = false;
  bool swipe_unsupported = false;
  bool context_menu_unsupported = false;
  bool suspension_unsupported = false;
  bool fail_try_suspend = false;
  bool suspend_reports_suspended = true;
  bool memory_target_unsupported = false;
  bool browsing_data_unsupported = false;
  bool fail_clear_browsing_data = false;
  bool clear_completion_ok = true;
  bool capture_unsupported = false;
  bool fail_add_accelerator = false;
  bool background_color_unsupported = false;
};

class FakeWebView final : public WebView {
 public:
  FakeWebView(FakeTaskQueue& queue, std::uint64_t& next_navigation_id)
      : queue_(queue), next_navigation_id_(next_navigation_id) {}

  // --- the port ---
  EngineResult set_setting(ViewSetting s, bool on) override {
    if (behaviour.settings_unavailable) return EngineResult::failed;
    if (s == ViewSetting::swipe_navigation_enabled && behaviour.swipe_unsupported)
      return EngineResult::unsupported;
    settings[s] = on;
    return EngineResult::ok;
  }
  std::u16string source() override { return source_; }
  bool navigate(std::u16string_view uri) override {
    navigations.emplace_back(uri);
    if (behaviour.fail_navigate || closed) return false;
    begin_navigation(std::u16string(uri));
    return true;
  }
  bool navigate_to_string(std::u16string_view html) override {
    if (behaviour.fail_navigate_to_string || closed) return false;
    html_documents.emplace_back(html);
    begin_navigation(u"data:text/html,local");
    return true;
  }
  bool reload() override {
    ++reloads;
    if (behaviour.fail_reload || closed) return false;
    if (!source_.empty()) begin_navigation(source_);
    return true;
  }
  bool go_back() override { return can_back; }
  bool go_forward() override { return can_forward; }
  bool can_go_back() override { return can_back; }
  bool can_go_forward() override { return can_forward; }
  std::u16string document_title() override { return title; }
  bool contains_fullscreen_element() override { return fullscreen_element; }

  bool execute_script(std::u16string_view script,
                      std::function<void(bool, std::string)> done) override {
    if (closed) return false;
    executed_scripts.emplace_back(script);
    queue_.post(guard([done = std::move(done)] {
      if (done) done(true, "null");
    }));
    return true;
  }
  EngineResult capture_preview(std::function<void(bool, std::vector<std::uint8_t>)> done) override {
    if (behaviour.capture_unsupported) return EngineResult::unsupported;
    queue_.post(guard([done = std::move(done)] {
      done(true, std::vector<std::uint8_t>{0x89, 'P', 'N', 'G'});
    }));
    return EngineResult::ok;
  }
  bool add_script_on_document_created(std::u16string_view script, DoneCallback done) override {
    if (behaviour.fail_add_script || closed) return false;
    document_scripts.emplace_back(script);
    const bool ok = !behaviour.fail_script_completion;
    queue_.post(guard([done = std::move(done), ok] { done(ok); }));
    return true;
  }
  bool post_web_message_as_json(std::string_view json) override {
    if (behaviour.fail_post_message || closed) return false;
    posted_json.emplace_back(json);
    return true;
  }

  bool on_navigation_starting(std::function<void(NavigationStartingEvent&)> h) override {
    if (behaviour.fail_register_navigation_starting) return false;
    navigation_starting_ = std::move(h);
    return true;
  }
  bool on_navigation_completed(std::function<void(const NavigationCompletedEvent&)> h) override {
    navigation_completed_ = std::move(h);
    return true;
  }
  bool on_source_changed(std::function<void()> h) override {
    source_changed_ = std::move(h);
    return true;
  }
  bool on_history_changed(std::function<void()> h) override {
    history_changed_ = std::move(h);
    return true;
  }
  bool on_new_window_requested(std::function<void(NewWindowRequestedEvent&)> h) override {
    new_window_ = std::move(h);
    return true;
  }
  bool on_document_title_changed(std::function<void()> h) override {
    title_changed_ = std::move(h);
    return true;
  }
  bool on_fullscreen_element_changed(std::function<void()> h) override {
    fullscreen_changed_ = std::move(h);
    return true;
  }
  bool on_process_failed(std::function<void(ProcessFailureKind)> h) override {
    process_failed_ = std::move(h);
    return true;
  }
  bool on_web_message_received(std::function<void(WebMessageEvent&)> h) override {
    if (behaviour.fail_register_web_message) return false;
    web_message_ = std::move(h);
    return true;
  }
  EngineResult on_context_menu_requested(std::function<void(ContextMenuEvent&)> h) override {
    if (behaviour.context_menu_unsupported) return EngineResult::unsupported;
    context_menu_ = std::move(h);
    return EngineResult::ok;
  }
  EngineResult get_cookies(std::u16string_view,
                           std::function<void(bool, std::vector<WebCookie>)> done) override {
    queue_.post(guard([this, done = std::move(done)] { done(true, cookies); }));
    return EngineResult::ok;
  }
  EngineResult try_suspend(std::function<void(bool, bool)> done) override {
    if (behaviour.suspension_unsupported) return EngineResult::unsupported;
    if (behaviour.fail_try_suspend) return EngineResult::failed;
    ++suspend_requests;
    const bool s = behaviour.suspend_reports_suspended;
    queue_.post(guard([this, done = std::move(done), s] {
      if (s) suspended = true;
      done(true, s);
    }));
    return EngineResult::ok;
  }
  EngineResult resume() override {
    if (behaviour.suspension_unsupported) return EngineResult::unsupported;
    ++resumes;
    suspended = false;
    return EngineResult::ok;
  }
  EngineResult set_memory_usage_target(MemoryUsageTarget t) override {
    if (behaviour.memory_target_unsupported) return EngineResult::unsupported;
    memory_target = t;
    return EngineResult::ok;
  }
  EngineResult clear_browsing_data(std::uint32_t kinds, DoneCallback done) override {
    if (behaviour.browsing_data_unsupported) return EngineResult::unsupported;
    if (behaviour.fail_clear_browsing_data) return EngineResult::failed;
    cleared_kinds.push_back(kinds);
    const bool ok = behaviour.clear_completion_ok;
    queue_.post(guard([done = std::move(done), ok] { done(ok); }));
    return EngineResult::ok;
  }

  // --- page-side events, queued like the engine's own ---

  // A navigation begins (a link, a redirect, a script); returns its id.
  std::uint64_t begin_navigation(std::u16string uri) {
    const std::uint64_t id = next_navigation_id_++;
    queue_.post(guard([this, uri = std::move(uri), id] {
      NavigationStartingEvent e{uri, id, false};
      if (navigation_starting_) navigation_starting_(e);
      starts.push_back({uri, id, e.cancel});
      if (!e.cancel) in_flight[id] = uri;
    }));
    return id;
  }
  // Ends a navigation that was started and not cancelled; a success moves the source.
  void finish_navigation(std::uint64_t id, bool success, int status = web_error::kUnknown) {
    queue_.post(guard([this, id, success, status] {
      auto it = in_flight.find(id);
      if (it == in_flight.end()) return;
      if (success) {
        source_ = it->second;
        if (source_changed_) source_changed_();
      }
      in_flight.erase(it);
      if (navigation_completed_)
        navigation_completed_(NavigationCompletedEvent{success, status, id});
    }));
  }
  // The latest navigation that is still in flight, if any.
  std::optional<std::uint64_t> latest_in_flight() const {
    if (in_flight.empty()) return std::nullopt;
    return in_flight.rbegin()->first;
  }
  void raise_new_window(std::u16string uri, bool* handled_out = nullptr) {
    queue_.post(guard([this, uri = std::move(uri), handled_out] {
      NewWindowRequestedEvent e{uri, false};
      if (new_window_) new_window_(e);
      if (handled_out) *handled_out = e.handled;
    }));
  }
  void raise_title(std::u16string t) {
    queue_.post(guard([this, t = std::move(t)] {
      title = t;
      if (title_changed_) title_changed_();
    }));
  }
  void raise_source(std::u16string s) {
    queue_.post(guard([this, s = std::move(s)] {
      source_ = s;
      if (source_changed_) source_changed_();
    }));
  }
  void raise_history(bool back, bool forward) {
    queue_.post(guard([this, back, forward] {
      can_back = back;
      can_forward = forward;
      if (history_changed_) history_changed_();
    }));
  }
  void raise_fullscreen(bool on) {
    queue_.post(guard([this, on] {
      fullscreen_element = on;
      if (fullscreen_changed_) fullscreen_changed_();
    }));
  }
  void raise_process_failed(ProcessFailureKind kind) {
    queue_.post(guard([this, kind] {
      if (process_failed_) process_failed_(kind);
    }));
  }
  void raise_web_message(std::u16string source_uri, std::optional<std::string> message) {
    queue_.post(guard([this, source_uri = std::move(source_uri), message = std::move(message)] {
      WebMessageEvent e{source_uri, message};
      if (web_message_) web_message_(e);
    }));
  }
  void raise_context_menu(std::shared_ptr<FakeContextMenu> menu) {
    queue_.post(guard([this, menu] {
      if (context_menu_) context_menu_(*menu);
    }));
  }
  bool has_context_menu_handler() const { return static_cast<bool>(context_menu_); }

  struct Start {
    std::u16string uri;
    std::uint64_t id;
    bool cancelled;
  };

  FakeViewBehaviour behaviour;
  std::map<ViewSetting, bool> settings;
  std::vector<std::u16string> navigations;  // every navigate() call, also failed ones
  std::vector<std::u16string> html_documents;
  std::vector<std::u16string> executed_scripts;
  std::vector<std::u16string> document_scripts;
  std::vector<std::string> posted_json;
  std::vector<Start> starts;
  std::map<std::uint64_t, std::u16string> in_flight;
  std::vector<std::uint32_t> cleared_kinds;
  std::vector<WebCookie> cookies;
  std::u16string title;
  std::optional<MemoryUsageTarget> memory_target;
  bool can_back = false, can_forward = false;
  bool fullscreen_element = false;
  bool suspended = false;
  bool closed = false;
  int reloads = 0;
  int suspend_requests = 0;
  int resumes = 0;

  void set_source_now(std::u16string s) { source_ = std::move(s); }

 private:
  // A closed view delivers nothing more.
  std::function<void()> guard(std::function<void()> f) {
    return [this, f = std::move(f), alive = alive_] {
      if (*alive && !closed) f();
    };
  }

 public:
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
  ~FakeWebView() override { *alive_ = false; }

 private:
  FakeTaskQueue& queue_;
  std::uint64_t& next_navigation_id_;
  std::u16string source_;
  std::function<void(NavigationStartingEvent&)> navigation_starting_;
  std::function<void(const NavigationCompletedEvent&)> navigation_completed_;
  std::function<void()> source_changed_, history_changed_, title_changed_, fullscreen_changed_;
  std::function<void(NewWindowRequestedEvent&)> new_window_;
  std::function<void(ProcessFailureKind)> process_failed_;
  std::function<void(WebMessageEvent&)> web_message_;
  std::function<void(ContextMenuEvent&)> context_menu_;
};

class FakeController final : public WebController {
 public:
  FakeController(std::shared_ptr<FakeWebView> v, std::shared_ptr<WebHostWindow> h)
      : fake_view(std::move(v)), host(std::move(h)) {}
  bool set_visible(bool v) override {
    visible = v;
    return true;
  }
  ViewRect bounds() override { return bounds_; }
  bool set_bounds(const ViewRect& r) override {
    bounds_ = r;
    ++bounds_sets;
    return true;
  }
  bool set_zoom_factor(double f) override {
    zoom = f;
    return true;
  }
  bool move_focus() override {
    ++focus_moves;
    return true;
  }
  bool add_accelerator_key_handler(std::function<void(AcceleratorKeyEvent&)> h) override {
    if (fake_view->behaviour.fail_add_accelerator) return false;
    accelerator_ = std::move(h);
    return true;
  }
  void notify_parent_window_position_changed() override { ++parent_moves; }
  EngineResult set_default_background_color(Rgba c) override {
    if (fake_view->behaviour.background_color_unsupported) return EngineResult::unsupported;
    background = c;
    return EngineResult::ok;
  }
  void close() override {
    closed = true;
    fake_view->closed = true;
  }
  std::shared_ptr<WebView> view() override { return fake_view; }

  // Delivers a key to the handler now, as the engine does before the page sees it.
  AcceleratorKeyEvent press(AcceleratorKeyEvent e) {
    if (accelerator_ && !closed) accelerator_(e);
    return e;
  }

  std::shared_ptr<FakeWebView> fake_view;
  std::shared_ptr<WebHostWindow> host;
  ViewRect bounds_;
  std::optional<Rgba> background;
  double zoom = 1.0;
  bool visible = true;  // a new controller starts visible, as the engine's does
  bool closed = false;
  int focus_moves = 0;
  int parent_moves = 0;
  int bounds_sets = 0;

 private:
  std::function<void(AcceleratorKeyEvent&)> accelerator_;
};

class FakeEnvironment final : public WebEnvironment {
 public:
  FakeEnvironment(FakeWebEngine& engine) : engine_(engine) {}
  bool create_controller(std::shared_ptr<WebHostWindow> host,
                         std::function<void(std::shared_ptr<WebController>)> done) override;
  bool released = false;

 private:
  FakeWebEngine& engine_;
};

class FakeWebEngine final : public WebEngine {
 public:
  std::optional<std::u16string> available_browser_version() override {
    if (!installed) return std::nullopt;
    return u"120.0.0.0";
  }
  bool create_environment(const WebEnvironmentOptions& options,
                          std::function<void(std::shared_ptr<WebEnvironment>)> done) override {
    environment_requests.push_back(options);
    if (fail_environment_request) return false;
    // The completion waits until the test delivers it (complete_environment).
    pending_environments.push_back(std::move(done));
    return true;
  }
  std::shared_ptr<WebHostWindow> create_host_window() override {
    if (fail_host_window) return nullptr;
    auto w = std::make_shared<FakeHostWindow>();
    host_windows.push_back(w);
    return w;
  }

  // Delivers the oldest pending environment request through the queue.
  void complete_environment(bool success) {
    if (pending_environments.empty()) return;
    auto done = std::move(pending_environments.front());
    pending_environments.erase(pending_environments.begin());
    std::shared_ptr<WebEnvironment> env;
    if (success) {
      auto e = std::make_shared<FakeEnvironment>(*this);
      environments.push_back(e);
      env = e;
    }
    queue.post([done = std::move(done), env] { done(env); });
  }

  std::size_t run_pending() { return queue.run_pending(); }

  // Views in creation order; the last one is the newest.
  std::shared_ptr<FakeController> last_controller() const {
    return controllers.empty() ? nullptr : controllers.back();
  }
  std::size_t open_controllers() const {
    return static_cast<std::size_t>(std::count_if(controllers.begin(), controllers.end(),
                                                  [](const auto& c) { return !c->closed; }));
  }
  std::size_t live_host_windows() const {
    return static_cast<std::size_t>(std::count_if(host_windows.begin(), host_windows.end(),
                                                  [](const auto& w) { return !w->destroyed; }));
  }

  FakeTaskQueue queue;
  std::uint64_t next_navigation_id = 1;
  bool installed = true;
  bool fail_environment_request = false;
  bool fail_host_window = false;
  bool fail_controller_request = false;
  bool fail_controller_creation = false;
  FakeViewBehaviour next_view_behaviour;  // applied to every view created afterwards
  std::vector<WebEnvironmentOptions> environment_requests;
  std::vector<std::function<void(std::shared_ptr<WebEnvironment>)>> pending_environments;
  std::vector<std::shared_ptr<FakeEnvironment>> environments;
  std::vector<std::shared_ptr<FakeHostWindow>> host_windows;
  std::vector<std::shared_ptr<FakeController>> controllers;
};

inline bool FakeEnvironment::create_controller(
    std::shared_ptr<WebHostWindow> host, std::function<void(std::shared_ptr<WebController>)> done) {
  if (engine_.fail_controller_request) return false;
  std::shared_ptr<FakeController> controller;
  if (!engine_.fail_controller_creation) {
    auto view = std::make_shared<FakeWebView>(engine_.queue, engine_.next_navigation_id);
    view->behaviour = engine_.next_view_behaviour;
    controller = std::make_shared<FakeController>(view, std::move(host));
    engine_.controllers.push_back(controller);
  }
  engine_.queue.post([done = std::move(done), controller] { done(controller); });
  return true;
}

}  // namespace vantiro::workspace::testing
