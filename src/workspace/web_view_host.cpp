#include "workspace/web_view_host.h"

#include <array>
#include <utility>
#include <vector>

#include "web/navigation.h"
#include "web/url.h"
#include "workspace/desktop_bridge_script.h"
#include "workspace/offline_page.h"

namespace vantiro::workspace {

namespace {

constexpr LocalizedText kCacheNoTool{u"Öppna ett verktyg först för att rensa webbcache.",
                                     u"Open a tool first before clearing web cache."};
constexpr LocalizedText kCacheUnsupported{
    u"Din WebView2-version stöder inte selektiv cache-rensning.",
    u"Your WebView2 runtime does not support selective cache clearing."};
constexpr LocalizedText kCacheRunning{u"Rensar tillfälliga webbfiler … Du förblir inloggad.",
                                      u"Clearing temporary web cache … You stay signed in."};
constexpr LocalizedText kCacheFailed{u"Kunde inte rensa webbcachen. Försök igen.",
                                     u"Could not clear web cache. Please try again."};

constexpr std::u16string_view kPerfPrefix = u"window.__vantiroDesktopPerfMode='";

}  // namespace

bool shows_offline_card(int web_error_status, bool loaded_before) {
  if (web_error_status == web_error::kUnknown || web_error_status == web_error::kOperationCanceled)
    return false;
  if (web_error_status == web_error::kConnectionAborted && loaded_before) return false;
  return true;
}

bool keep_context_menu_item(std::u16string_view name, bool editable, bool has_selection) {
  if (name == u"copy" || name == u"selectAll") return editable || has_selection;
  if (!editable) return false;
  return name == u"cut" || name == u"paste" || name == u"undo" || name == u"redo";
}

std::u16string_view perf_mode_word(PerfModeSetting mode) {
  switch (mode) {
    case PerfModeSetting::low:
      return u"low";
    case PerfModeSetting::high:
      return u"high";
    case PerfModeSetting::automatic:
      break;
  }
  return u"auto";
}

WebViewPreferences web_view_preferences(const AppSettings& settings) {
  WebViewPreferences p;
  p.zoom_percent = settings.zoom_percent;
  p.perf_word = std::u16string(perf_mode_word(settings.perf_mode));
  return p;
}

std::u16string perf_mode_script(std::u16string_view word) {
  std::u16string s(kPerfPrefix);
  s += word;
  s += u"';if(window.VantiroPerf&&typeof window.VantiroPerf.setMode==='function')"
       u"{window.VantiroPerf.setMode('";
  s += word;
  s += u"',{persist:false});}";
  return s;
}

std::u16string document_created_script(std::u16string_view perf_word) {
  std::u16string s(kPerfPrefix);
  s += perf_word;
  s += u"';\n";
  s += kDesktopBridgeScript;
  return s;
}

WebViewHost::WebViewHost(WebEngine& engine, WebHostShell& shell, WorkspaceConditions& conditions,
                         WebViewPreferences& preferences, WelcomeState& welcome, Clock& clock)
    : engine_(engine),
      shell_(shell),
      conditions_(conditions),
      preferences_(preferences),
      welcome_(welcome),
      clock_(clock),
      self_(std::make_shared<WebViewHost*>(this)) {}

WebViewHost::~WebViewHost() {
  *self_ = nullptr;
}

template <typename F>
auto WebViewHost::guarded(F f) {
  return [self = self_, f = std::move(f)](auto&&... args) {
    if (WebViewHost* host = *self) f(*host, std::forward<decltype(args)>(args)...);
  };
}

void WebViewHost::create_web_environment() {
  WebEnvironmentOptions options;
  options.user_data_folder = user_data_folder_;
  options.additional_browser_arguments = std::u16string(kBrowserArguments);
  auto done = guarded([](WebViewHost& host, std::shared_ptr<WebEnvironment> env) {
    host.on_environment_completed(std::move(env));
  });
  // A request refused at once is handled like a failed completion.
  if (!engine_.create_environment(options, done)) on_environment_completed(nullptr);
}

void WebViewHost::on_environment_completed(std::shared_ptr<WebEnvironment> environment) {
  if (!conditions_.has_main_window || !model_) return;
  if (model_->environment_state() != EnvironmentState::starting) return;
  if (environment) {
    model_->environment_created(std::move(environment));
    return;
  }
  if (model_->environment_failed(now())) return;  // a restart failed: every tab shows its card
  if (shell_.ask_to_install_runtime()) shell_.open_runtime_download_page();
  shell_.post_quit(1);
}

void WebViewHost::create_tab_view(WorkspaceTab& tab) {
  if (!model_ || !model_->environment() || tab.host_window || tab.is_launcher || tab.crashed)
    return;
  const std::int32_t id = tab.id;
  auto host = engine_.create_host_window();
  if (!host) {
    shell_.post_view_failed(id);
    return;
  }
  tab.host_window = host;
  auto done = guarded([id](WebViewHost& h, std::shared_ptr<WebController> controller) {
    h.on_controller_created(id, std::move(controller));
  });
  if (!model_->environment()->create_controller(host, done)) shell_.post_view_failed(id);
}

void WebViewHost::on_controller_created(std::int32_t tab_id,
                                        std::shared_ptr<WebController> controller) {
  WorkspaceTab* tab = model_ ? model_->find_tab(tab_id) : nullptr;
  if (!tab) {
    // The tab was closed or renewed while its view was being made.
    if (controller) controller->close();
    return;
  }
  if (!controller) {
    shell_.post_view_failed(tab_id);
    return;
  }
  controller->set_visible(false);
  if (tab->controller && tab->controller != controller) tab->controller->close();
  tab->controller = controller;
  tab->web_view = controller->view();
  if (tab->web_view && set_up_view(*tab)) {
    position_view(tab->host_window.get(), tab->controller.get(), shell_.content_rect());
    apply_zoom(*tab);
    model_->update_web_view_visibility();
    return;
  }
  shell_.post_view_failed(tab_id);
}

bool WebViewHost::set_up_view(WorkspaceTab& tab) {
  WebController& controller = *tab.controller;
  const std::shared_ptr<WebView> view = tab.web_view;
  const std::int32_t id = tab.id;

  controller.set_default_background_color(kViewBackground);  // when supported

  if (view->set_setting(ViewSetting::script_enabled, true) == EngineResult::failed) return false;
  view->set_setting(ViewSetting::default_script_dialogs_enabled, true);
  view->set_setting(ViewSetting::status_bar_enabled, false);
  view->set_setting(ViewSetting::dev_tools_enabled, false);
  view->set_setting(ViewSetting::built_in_error_page_enabled, false);
  view->set_setting(ViewSetting::swipe_navigation_enabled, false);
  // Without the filter the engine's full menu would show, so it stays off then.
  const bool menu_filtered =
      view->on_context_menu_requested(guarded(
          [](WebViewHost& h, ContextMenuEvent& e) { h.on_context_menu(e); })) == EngineResult::ok;
  view->set_setting(ViewSetting::default_context_menus_enabled, menu_filtered);
  view->set_setting(ViewSetting::zoom_control_enabled, true);
  if (view->set_setting(ViewSetting::web_message_enabled, true) != EngineResult::ok) return false;

  if (!controller.add_accelerator_key_handler(
          guarded([id](WebViewHost& h, AcceleratorKeyEvent& e) { h.on_accelerator_key(id, e); })))
    return false;

  view->on_process_failed(guarded(
      [id](WebViewHost& h, ProcessFailureKind kind) { h.shell_.post_process_failed(id, kind); }));

  if (!view->on_navigation_starting(guarded(
          [id](WebViewHost& h, NavigationStartingEvent& e) { h.on_navigation_starting(id, e); })))
    return false;
  if (!view->on_new_window_requested(
          guarded([id](WebViewHost& h, NewWindowRequestedEvent& e) { h.on_new_window(id, e); })))
    return false;
  view->on_navigation_completed(guarded([id](WebViewHost& h, const NavigationCompletedEvent& e) {
    h.on_navigation_completed(id, e);
  }));
  if (!view->on_web_message_received(
          guarded([id](WebViewHost& h, WebMessageEvent& e) { h.on_web_message(id, e); })))
    return false;
  view->on_document_title_changed(guarded([id](WebViewHost& h) {
    WorkspaceTab* t = h.model_->find_tab(id);
    if (!t || !t->web_view) return;
    t->title = strip_brand_suffix(t->web_view->document_title());
    h.shell_.refresh_chrome();
  }));
  view->on_fullscreen_element_changed(
      guarded([id](WebViewHost& h) { h.on_fullscreen_changed(id); }));
  view->on_source_changed(guarded([id](WebViewHost& h) { h.on_source_changed(id); }));
  view->on_history_changed(guarded([id](WebViewHost& h) {
    WorkspaceTab* t = h.model_->find_tab(id);
    if (!t || !t->web_view) return;
    t->can_go_back = t->web_view->can_go_back();
    t->can_go_forward = t->web_view->can_go_forward();
    h.shell_.refresh_chrome();
  }));

  return view->add_script_on_document_created(
      document_created_script(preferences_.perf_word),
      guarded([id](WebViewHost& h, bool ok) { h.on_script_added(id, ok); }));
}

void WebViewHost::on_script_added(std::int32_t tab_id, bool ok) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab) return;
  if (!ok) {
    shell_.post_view_failed(tab_id);
    return;
  }
  tab->web_ready = true;
  if (conditions_.welcome_gate_active) {
    // The page waits until the gate's decision.
    tab->loading = false;
    if (!welcome_.skipped) {
      welcome_.skipped = true;
      if (!welcome_.visual_check)
        shell_.start_session_check(tab_id);
      else
        shell_.end_welcome_grace();
    }
    shell_.refresh_chrome();
    return;
  }
  if (!tab->web_view->navigate(tab->pending_url)) {
    shell_.post_view_failed(tab_id);
    return;
  }
  if (model_->is_active(*tab) && conditions_.main_window_active && tab->controller)
    tab->controller->move_focus();
}

void WebViewHost::on_navigation_starting(std::int32_t tab_id, NavigationStartingEvent& e) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  std::optional<LocalDocumentState> state;
  if (tab) state = LocalDocumentState{tab->local_document_permit, tab->showing_local_document};
  std::optional<std::u16string_view> uri;
  if (!e.uri.empty()) uri = e.uri;
  const bool active = tab && model_->is_active(*tab);
  const NavigationStartingVerdict verdict =
      handle_navigation_starting(state, uri, active, shell_.external_opener());
  e.cancel = !verdict.allow;
  if (!tab) return;
  tab->local_document_permit = verdict.tab.local_document_permit;
  tab->showing_local_document = verdict.tab.showing_local_document;
  if (verdict.record_navigation_id) tab->navigation_id = e.navigation_id;
  if (verdict.allow && verdict.in_app) {
    model_->on_navigation_accepted(*tab, e.uri, e.navigation_id);
    shell_.refresh_chrome();
  }
}

void WebViewHost::on_new_window(std::int32_t tab_id, NewWindowRequestedEvent& e) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  std::optional<std::u16string_view> uri;
  if (!e.uri.empty()) uri = e.uri;
  const bool active = tab && model_->is_active(*tab);
  const NewWindowVerdict verdict =
      handle_new_window(tab != nullptr, uri, active, shell_.external_opener());
  e.handled = true;  // the engine never opens a window of its own
  if (!tab) return;
  switch (verdict.action) {
    case NewWindowAction::open_tab:
      model_->open_tab(e.uri, verdict.activate_new_tab, now());
      break;
    case NewWindowAction::navigate_asker:
      if (tab->web_view) tab->web_view->navigate(e.uri);
      break;
    case NewWindowAction::open_externally:
    case NewWindowAction::nothing:
      break;
  }
}

void WebViewHost::on_navigation_completed(std::int32_t tab_id, const NavigationCompletedEvent& e) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab || !tab->web_view || e.navigation_id != tab->navigation_id) return;
  tab->loading = false;
  tab->pending_url.clear();
  bool failed = false;
  if (e.success) {
    tab->loaded_ok = true;
    if (!tab->showing_local_document) tab->source_url = tab->web_view->source();
    if (conditions_.auth_flow_active && is_service_origin_url(tab->source_url) &&
        !is_auth_flow_url(tab->source_url))
      shell_.start_session_check(tab_id);
  } else if (!shows_offline_card(e.web_error_status, tab->loaded_ok)) {
    // The page stays; an HTTP error page or an aborted download keeps the editor.
    if (tab->loaded_ok && !tab->source_url.empty()) tab->retry_url = tab->source_url;
    tab->icon = model_->icon_for_url(tab->source_url);
    shell_.refresh_chrome();
    return;
  } else {
    tab->loaded_ok = false;
    failed = true;
  }
  tab->icon = model_->icon_for_url(tab->source_url);
  if (tab->revealed || failed) {
    shell_.refresh_chrome();
    if (failed && tab->showing_local_document) {
      shell_.post_view_failed(tab_id);  // the offline page itself failed
    } else if (failed && !tab->retry_url.empty()) {
      tab->local_document_permit = true;
      const std::u16string html =
          offline_page_for(conditions_.ui_swedish, start_url(conditions_.ui_swedish));
      if (!tab->web_view->navigate_to_string(html)) {
        tab->local_document_permit = false;
        shell_.post_view_failed(tab_id);
      }
    }
  }
  if (!failed && !tab->revealed) {
    model_->schedule_reveal(*tab, now());
    shell_.refresh_chrome();
  }
}

void WebViewHost::on_source_changed(std::int32_t tab_id) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab || !tab->web_view) return;
  const std::u16string source = tab->web_view->source();
  if (is_service_origin_url(source)) {
    tab->source_url = source;
    tab->icon = model_->icon_for_url(source);
    if (conditions_.auth_flow_active && !is_auth_flow_url(source))
      shell_.start_session_check(tab_id);
  }
  shell_.refresh_chrome();
}

void WebViewHost::on_fullscreen_changed(std::int32_t tab_id) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab || !tab->web_view) return;
  const bool fullscreen = tab->web_view->contains_fullscreen_element();
  if (model_->is_active(*tab)) {
    const bool before = tab->html_fullscreen;
    tab->html_fullscreen = fullscreen;
    if (fullscreen || before) shell_.set_window_fullscreen(fullscreen);
  } else if (fullscreen) {
    tab->web_view->execute_script(kExitFullscreenScript, nullptr);
  }
}

void WebViewHost::on_context_menu(ContextMenuEvent& e) {
  const std::optional<bool> editable = e.target_is_editable();
  const std::optional<bool> selection = e.target_has_selection();
  if (!editable || !selection || (!*editable && !*selection)) {
    e.set_handled(true);
    return;
  }
  const std::optional<std::size_t> count = e.item_count();
  if (!count) {
    e.set_handled(true);
    return;
  }
  std::size_t left = *count;
  for (std::size_t i = *count; i-- > 0;) {
    const std::optional<std::u16string> name = e.item_name(i);
    if (name && keep_context_menu_item(*name, *editable, *selection)) continue;
    if (!e.remove_item(i)) {
      e.set_handled(true);
      return;
    }
    --left;
  }
  if (left == 0) e.set_handled(true);
}

void WebViewHost::on_accelerator_key(std::int32_t tab_id, AcceleratorKeyEvent& e) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab || !model_->is_active(*tab)) return;
  if (e.kind != AcceleratorKeyKind::key_down && e.kind != AcceleratorKeyKind::system_key_down)
    return;
  const std::optional<int> action = shell_.shortcut_action(e.virtual_key);
  if (!action) return;
  e.handled = true;
  if (!e.was_key_down) shell_.post_shortcut(e.virtual_key, *action, tab_id);
}

void WebViewHost::on_web_message(std::int32_t tab_id, WebMessageEvent& e) {
  WorkspaceTab* tab = model_->find_tab(tab_id);
  if (!tab || !tab->web_view || !on_message_) return;
  // Nothing a page sends may take the studio down; the request then simply gets no reply.
  try {
    on_message_(tab_id, tab->web_view, e);
  } catch (...) {
  }
}

void WebViewHost::apply_zoom(WorkspaceTab& tab) {
  if (!tab.controller || tab.is_launcher) return;
  // Sign-in pages of other parties are laid out for 100 %.
  const double factor =
      conditions_.auth_flow_active ? 1.0 : static_cast<double>(preferences_.zoom_percent) / 100.0;
  tab.controller->set_zoom_factor(factor);
}

void WebViewHost::apply_zoom_to_all() {
  if (!model_) return;
  for (auto& tab : model_->tabs()) apply_zoom(*tab);
}

void WebViewHost::apply_perf_mode_to_views() {
  if (!model_) return;
  const std::u16string script = perf_mode_script(preferences_.perf_word);
  for (auto& tab : model_->tabs()) {
    if (!tab->web_ready || !tab->web_view || tab->is_launcher || tab->suspended) continue;
    tab->web_view->execute_script(script, nullptr);
  }
}

void WebViewHost::clear_web_cache() {
  if (!model_ || cache_clear_running_ || conditions_.welcome_gate_active ||
      conditions_.auth_flow_active || conditions_.boot_update_overlay)
    return;
  WorkspaceTab* target = nullptr;
  for (auto& tab : model_->tabs()) {
    if (tab->web_ready && tab->web_view) {
      target = tab.get();
      break;
    }
  }
  if (!target) {
    shell_.set_cache_status(CacheClearState::refused, kCacheNoTool);
    return;
  }
  const std::uint64_t token = cache_request_token_ + 1;
  auto done = [self = self_, token](bool ok) {
    WebViewHost* host = *self;
    if (host && host->conditions_.has_main_window) host->shell_.post_cache_cleared(ok, token);
  };
  const EngineResult r = target->web_view->clear_browsing_data(browsing_data::kDiskCache, done);
  if (r == EngineResult::unsupported) {
    shell_.set_cache_status(CacheClearState::refused, kCacheUnsupported);
    return;
  }
  cache_request_token_ = token;
  if (r != EngineResult::ok) {
    cache_clear_running_ = false;
    shell_.set_cache_status(CacheClearState::failed, kCacheFailed);
    return;
  }
  cache_clear_running_ = true;
  shell_.set_cache_status(CacheClearState::running, kCacheRunning);
}

bool WebViewHost::on_cache_cleared(std::uint64_t token) {
  if (token != cache_request_token_ || !cache_clear_running_) return false;
  cache_clear_running_ = false;
  return true;
}

}  // namespace vantiro::workspace
