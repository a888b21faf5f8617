#include "workspace/tab_model.h"

#include <algorithm>
#include <array>
#include <utility>

namespace vantiro::workspace {

namespace {

constexpr LocalizedText kTabLimitNotice{u"Max 8 flikar öppna", u"Maximum 8 tabs open"};
constexpr LocalizedText kLauncherLabel{u"Ny arbetsyta", u"New Workspace"};
constexpr std::u16string_view kUntitled = u"Vantiro Studio";

std::uint64_t elapsed(std::uint64_t now, std::uint64_t since) {
  return now > since ? now - since : 0;
}

bool starts_with(std::u16string_view s, std::u16string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

}  // namespace

void position_view(WebHostWindow* host, WebController* controller, const ViewRect& rect) {
  if (host) {
    if (host->rect() != rect) host->move(rect);
    if (controller) controller->notify_parent_window_position_changed();
  }
  if (controller) {
    const ViewRect inner{0, 0, rect.width, rect.height};
    const ViewRect now = controller->bounds();
    if (now.width != rect.width || now.height != rect.height || now.x != 0 || now.y != 0)
      controller->set_bounds(inner);
  }
}

bool allow_in_window(std::vector<std::uint64_t>& times, std::size_t limit, std::uint64_t now_ms) {
  std::erase_if(times, [&](std::uint64_t t) { return elapsed(now_ms, t) >= kCrashWindowMs; });
  if (times.size() >= limit) return false;
  times.push_back(now_ms);
  return true;
}

std::u16string strip_brand_suffix(std::u16string_view title) {
  static constexpr std::array<std::u16string_view, 4> kSuffixes = {u" · Vantiro", u" — Vantiro",
                                                                   u" – Vantiro", u" - Vantiro"};
  for (auto suffix : kSuffixes) {
    if (title.size() > suffix.size() && title.substr(title.size() - suffix.size()) == suffix)
      return std::u16string(title.substr(0, title.size() - suffix.size()));
  }
  return std::u16string(title);
}

std::u16string tab_label_for(const WorkspaceTab& tab, TabAddresses& addresses, bool ui_swedish) {
  if (tab.is_launcher) return std::u16string(kLauncherLabel.pick(ui_swedish));
  const std::u16string& url = tab.pending_url.empty() ? tab.source_url : tab.pending_url;
  const std::u16string path = addresses.route_of(url);
  if (const auto tool = addresses.tool_label(path)) {
    bool swedish = ui_swedish;
    if (path == u"/sv" || starts_with(path, u"/sv/"))
      swedish = true;
    else if (path == u"/en" || starts_with(path, u"/en/"))
      swedish = false;
    return std::u16string(tool->pick(swedish));
  }
  return tab.title.empty() ? std::u16string(kUntitled) : tab.title;
}

bool can_suspend_tab(const WorkspaceTab& tab, bool is_active, bool auth_flow_active, bool perf_lite,
                     std::uint64_t now_ms) {
  if (is_active || !tab.web_ready || !tab.loaded_ok || tab.loading || tab.is_launcher ||
      tab.showing_local_document || tab.suspended || tab.suspend_pending || auth_flow_active)
    return false;
  return elapsed(now_ms, tab.last_active_ms) >= (perf_lite ? kSuspendIdleLiteMs : kSuspendIdleMs);
}

TabModel::TabModel(WorkspaceShell& shell, TabAddresses& addresses, TabViewFactory& views,
                   WorkspaceConditions& conditions, Clock& clock)
    : shell_(shell),
      addresses_(addresses),
      views_(views),
      conditions_(conditions),
      clock_(clock),
      self_(std::make_shared<TabModel*>(this)) {}

TabModel::~TabModel() {
  *self_ = nullptr;
}

WorkspaceTab* TabModel::active_tab() {
  return active_index_ < tabs_.size() ? tabs_[active_index_].get() : nullptr;
}

WorkspaceTab* TabModel::find_tab(std::int32_t id) {
  for (auto& t : tabs_)
    if (t->id == id) return t.get();
  return nullptr;
}

std::optional<std::size_t> TabModel::index_of(std::int32_t id) const {
  for (std::size_t i = 0; i < tabs_.size(); ++i)
    if (tabs_[i]->id == id) return i;
  return std::nullopt;
}

bool TabModel::is_active(const WorkspaceTab& tab) const {
  return active_index_ < tabs_.size() && tabs_[active_index_].get() == &tab;
}

bool TabModel::open_tab(std::u16string_view url, bool activate, std::uint64_t now_ms) {
  if (!conditions_.has_main_window) return false;
  if (tabs_.size() >= kMaxTabs) {
    shell_.show_notice(kTabLimitNotice, false);
    shell_.refresh_chrome();
    return false;
  }
  auto tab = std::make_unique<WorkspaceTab>();
  tab->id = next_tab_id();
  tab->loading = !url.empty();
  tab->is_launcher = url.empty();
  tab->load_started_ms = tab->last_active_ms = now_ms;
  tab->pending_url = std::u16string(url);
  tab->icon = tab->is_launcher ? kLauncherIcon : addresses_.icon_for_url(url);
  WorkspaceTab& added = *tab;
  tabs_.push_back(std::move(tab));
  if (activate)
    activate_tab(tabs_.size() - 1, now_ms);
  else
    shell_.refresh_chrome();
  if (!added.is_launcher && environment_state_ == EnvironmentState::ready)
    views_.create_tab_view(added);
  return true;
}

void TabModel::activate_tab(std::size_t index, std::uint64_t now_ms) {
  if (index >= tabs_.size()) return;
  WorkspaceTab* previous = active_tab();
  WorkspaceTab& next = *tabs_[index];
  if (previous && previous != &next) {
    previous->last_active_ms = now_ms;
    if (previous->html_fullscreen) {
      if (previous->web_view) previous->web_view->execute_script(kExitFullscreenScript, nullptr);
      previous->html_fullscreen = false;
      shell_.leave_window_fullscreen();
    }
  }
  active_index_ = index;
  wake_tab(next, now_ms);
  position_view(next.host_window.get(), next.controller.get(), shell_.content_rect());
  update_web_view_visibility();
  if (conditions_.main_window_active) {
    if (next.revealed && !next.crashed)
      focus_active_web_view();
    else
      shell_.focus_main_window();
  }
  shell_.refresh_chrome();
}

void TabModel::close_tab(std::size_t index, std::uint64_t now_ms) {
  if (index >= tabs_.size()) return;
  if (tabs_.size() == 1) {
    navigate_tab(*tabs_[0], addresses_.start_url(conditions_.ui_swedish), now_ms);
    return;
  }
  std::unique_ptr<WorkspaceTab> removed = std::move(tabs_[index]);
  tabs_.erase(tabs_.begin() + static_cast<std::ptrdiff_t>(index));
  const bool was_active = index == active_index_;
  const bool left_fullscreen = was_active && removed->html_fullscreen;
  if (index < active_index_) --active_index_;
  active_index_ = std::min(active_index_, tabs_.size() - 1);
  release_tab_web_view(*removed);
  if (left_fullscreen) shell_.leave_window_fullscreen();
  activate_tab(active_index_, now_ms);
}

void TabModel::navigate_tab(WorkspaceTab& tab, std::u16string_view url, std::uint64_t now_ms) {
  wake_tab(tab, now_ms);
  bool restart = false;
  if (tab.is_launcher || tab.crashed) {
    tab.revealed = tab.crashed = tab.is_launcher = false;
    tab.loading = true;
    tab.load_started_ms = now_ms;
    restart = true;
  }
  tab.pending_url = std::u16string(url);
  tab.icon = addresses_.icon_for_url(url);
  if (restart) {
    restart_tab(tab, now_ms);  // refreshes
    return;
  }
  if (tab.web_ready && tab.web_view) {
    if (!tab.web_view->navigate(url)) {
      tab.pending_url.clear();
      tab.icon = addresses_.icon_for_url(tab.source_url);
    }
  }
  // A tab whose view is still being created loads pending_url when its set-up finishes.
  shell_.refresh_chrome();
}

void TabModel::open_route(std::u16string_view route, bool in_new_tab, std::uint64_t now_ms) {
  if (!starts_with(route, u"/")) return;
  const std::u16string url = addresses_.route_url(route, conditions_.ui_swedish);
  if (in_new_tab) {
    open_tab(url, true, now_ms);
  } else if (WorkspaceTab* tab = active_tab()) {
    navigate_tab(*tab, url, now_ms);
  }
}

void TabModel::release_tab_web_view(WorkspaceTab& tab) {
  if (tab.controller) tab.controller->close();
  if (tab.host_window) tab.host_window->destroy();
  tab.web_view.reset();
  tab.controller.reset();
  tab.host_window.reset();
  tab.web_ready = tab.loaded_ok = tab.can_go_back = tab.can_go_forward = false;
  tab.local_document_permit = tab.showing_local_document = tab.html_fullscreen = false;
  tab.suspended = tab.suspend_pending = false;
  tab.reveal_at_ms = 0;
  tab.navigation_id = 0;
}

void TabModel::fill_pending_url(WorkspaceTab& tab) {
  if (!tab.pending_url.empty()) return;
  if (!tab.retry_url.empty())
    tab.pending_url = tab.retry_url;
  else if (!tab.source_url.empty())
    tab.pending_url = tab.source_url;
  else
    tab.pending_url = addresses_.start_url(conditions_.ui_swedish);
}

void TabModel::renew_tab_web_view(WorkspaceTab& tab, std::uint64_t now_ms) {
  fill_pending_url(tab);
  // Late events of the old view carry the old id and find no tab.
  tab.id = next_tab_id();
  release_tab_web_view(tab);
  tab.revealed = false;
  tab.loading = true;
  tab.load_started_ms = now_ms;
}

void TabModel::restart_tab(WorkspaceTab& tab, std::uint64_t now_ms) {
  if (tab.host_window || tab.controller) renew_tab_web_view(tab, now_ms);
  tab.revealed = tab.crashed = false;
  tab.loading = true;
  tab.load_started_ms = now_ms;
  fill_pending_url(tab);
  switch (environment_state_) {
    case EnvironmentState::ready:
      views_.create_tab_view(tab);
      break;
    case EnvironmentState::starting:
      // The environment being created makes this view when it is ready.
      break;
    case EnvironmentState::absent:
      environment_restarting_ = true;
      environment_state_ = EnvironmentState::starting;
      views_.create_web_environment();
      break;
  }
  update_web_view_visibility();
  shell_.refresh_chrome();
}

void TabModel::reload_active_tab(std::uint64_t now_ms) {
  WorkspaceTab* tab = active_tab();
  if (!tab) return;
  if (tab->crashed) {
    restart_tab(*tab, now_ms);
    return;
  }
  if (!tab->web_ready || !tab->web_view) return;
  if (tab->showing_local_document && !tab->retry_url.empty()) {
    const std::u16string retry = tab->retry_url;
    navigate_tab(*tab, retry, now_ms);
    return;
  }
  tab->web_view->reload();
}

void TabModel::wake_tab(WorkspaceTab& tab, std::uint64_t now_ms) {
  tab.last_active_ms = now_ms;
  if (!tab.web_view) return;
  tab.web_view->set_memory_usage_target(MemoryUsageTarget::normal);
  if (tab.suspended || tab.suspend_pending) {
    tab.web_view->resume();
    tab.suspended = tab.suspend_pending = false;
  }
}

void TabModel::sweep_background_tabs(std::uint64_t now_ms) {
  if (tabs_.size() < 2 || conditions_.welcome_gate_active || conditions_.auth_flow_active) return;
  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    WorkspaceTab& tab = *tabs_[i];
    if (!tab.web_view) continue;
    if (!can_suspend_tab(tab, i == active_index_, conditions_.auth_flow_active,
                         conditions_.perf_lite, now_ms))
      continue;
    tab.web_view->set_memory_usage_target(MemoryUsageTarget::low);
    tab.suspend_pending = true;
    const std::int32_t id = tab.id;
    const EngineResult r = tab.web_view->try_suspend([self = self_, id](bool ok, bool suspended) {
      if (TabModel* model = *self)
        model->on_suspend_completed(id, ok, suspended, model->clock_.now_ms());
    });
    if (r != EngineResult::ok) tab.suspend_pending = false;
  }
}

void TabModel::on_suspend_completed(std::int32_t tab_id, bool ok, bool suspended,
                                    std::uint64_t now_ms) {
  WorkspaceTab* tab = find_tab(tab_id);
  if (!tab) return;
  // Woken meanwhile: the wake already resumed the view and cleared the request.
  const bool still_requested = tab->suspend_pending;
  tab->suspend_pending = false;
  if (!ok || !suspended) return;
  if (is_active(*tab) || !still_requested) {
    tab->suspended = true;  // so that the wake resumes it
    wake_tab(*tab, now_ms);
  } else {
    tab->suspended = true;
  }
}

void TabModel::on_view_failed(std::int32_t tab_id, std::uint64_t now_ms) {
  WorkspaceTab* tab = find_tab(tab_id);
  if (!tab) return;
  renew_tab_web_view(*tab, now_ms);
  tab->crashed = true;
  update_web_view_visibility();
  shell_.refresh_chrome();
}

void TabModel::on_process_failed(std::int32_t tab_id, ProcessFailureKind kind,
                                 std::uint64_t now_ms) {
  WorkspaceTab* tab = find_tab(tab_id);
  if (!tab || tab->crashed) return;
  if (is_active(*tab) && tab->html_fullscreen) shell_.leave_window_fullscreen();
  switch (kind) {
    case ProcessFailureKind::browser_process_exited: {
      // Every view of the old browser reports its exit; the first report handles them all.
      if (environment_state_ != EnvironmentState::ready) break;
      const bool allowed = allow_in_window(browser_restarts_, kBrowserRestartLimit, now_ms);
      for (auto& t : tabs_) {
        if (t->is_launcher || t->crashed) continue;
        renew_tab_web_view(*t, now_ms);
        if (!allowed) t->crashed = true;
      }
      environment_.reset();
      environment_state_ = EnvironmentState::absent;
      if (allowed) {
        environment_restarting_ = true;
        environment_state_ = EnvironmentState::starting;
        views_.create_web_environment();
      }
      break;
    }
    case ProcessFailureKind::render_process_exited:
    case ProcessFailureKind::frame_render_process_exited: {
      if (allow_in_window(tab->renderer_restarts, kRendererRestartLimit, now_ms) && tab->web_view &&
          tab->web_view->reload()) {
        tab->revealed = false;
        tab->reveal_at_ms = 0;
        tab->load_started_ms = now_ms;
      } else {
        renew_tab_web_view(*tab, now_ms);
        tab->crashed = true;
      }
      break;
    }
    default:
      break;
  }
  update_web_view_visibility();
  shell_.refresh_chrome();
}

bool TabModel::view_may_show(const WorkspaceTab& tab, bool active) const {
  return active && tab.revealed && !tab.crashed && !conditions_.palette_open &&
         !conditions_.settings_open && !conditions_.boot_update_overlay &&
         !conditions_.welcome_gate_active && !conditions_.minimized;
}

void TabModel::update_web_view_visibility() {
  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    WorkspaceTab& tab = *tabs_[i];
    const bool show = view_may_show(tab, i == active_index_);
    if (show) {
      if (tab.host_window) tab.host_window->show(true);
      if (tab.controller) tab.controller->set_visible(true);
    } else {
      if (tab.controller) tab.controller->set_visible(false);
      if (tab.host_window) tab.host_window->show(false);
    }
  }
}

void TabModel::focus_active_web_view() {
  WorkspaceTab* tab = active_tab();
  if (!tab || !tab->web_ready || !tab->revealed || tab->crashed || !tab->controller) return;
  if (conditions_.palette_open || conditions_.settings_open || conditions_.boot_update_overlay ||
      conditions_.welcome_gate_active || conditions_.minimized)
    return;
  tab->controller->move_focus();
}

void TabModel::watch_first_loads(std::uint64_t now_ms) {
  if (conditions_.welcome_gate_active || conditions_.boot_update_overlay) return;
  bool changed = false;
  // Renewing gives tabs new ids but never changes the list, so indices stay valid.
  for (std::size_t i = 0; i < tabs_.size(); ++i) {
    WorkspaceTab& tab = *tabs_[i];
    if (tab.is_launcher || tab.revealed || tab.crashed) continue;
    if (tab.web_ready) {
      const std::uint64_t first =
          tab.first_completed_ms < tab.load_started_ms ? 0 : tab.first_completed_ms;
      const bool active = i == active_index_;
      const bool reveal_due = tab.reveal_at_ms != 0 && now_ms >= tab.reveal_at_ms &&
                              (!active || conditions_.reduced_motion || first == 0 ||
                               elapsed(now_ms, first) >= kActiveRevealAfterFirstMs);
      const bool no_completion = tab.reveal_at_ms == 0 &&
                                 elapsed(now_ms, tab.load_started_ms) >= kRevealWithoutCompletionMs;
      if (reveal_due || no_completion) {
        tab.revealed = true;
        changed = true;
        continue;
      }
    }
    if (elapsed(now_ms, tab.load_started_ms) < kFirstLoadTimeoutMs) {
      shell_.keep_animating();
    } else {
      renew_tab_web_view(tab, now_ms);
      tab.crashed = true;
      changed = true;
    }
  }
  if (!changed) return;
  update_web_view_visibility();
  if (conditions_.main_window_active) focus_active_web_view();
  shell_.refresh_chrome();
}

std::u16string TabModel::tab_label(const WorkspaceTab& tab) const {
  return tab_label_for(tab, addresses_, conditions_.ui_swedish);
}

void TabModel::start_environment() {
  if (environment_state_ != EnvironmentState::absent) return;
  environment_state_ = EnvironmentState::starting;
  views_.create_web_environment();
}

void TabModel::environment_created(std::shared_ptr<WebEnvironment> environment) {
  environment_ = std::move(environment);
  environment_state_ = EnvironmentState::ready;
  environment_restarting_ = false;
  // Creating a view never changes the list, but look each tab up by id all the same.
  std::vector<std::int32_t> ids;
  for (auto& t : tabs_)
    if (!t->is_launcher && !t->crashed) ids.push_back(t->id);
  for (auto id : ids)
    if (WorkspaceTab* t = find_tab(id)) views_.create_tab_view(*t);
}

bool TabModel::environment_failed(std::uint64_t now_ms) {
  environment_.reset();
  environment_state_ = EnvironmentState::absent;
  if (!environment_restarting_) return false;
  environment_restarting_ = false;
  for (auto& t : tabs_) {
    if (t->is_launcher || t->crashed) continue;
    renew_tab_web_view(*t, now_ms);
    t->crashed = true;
  }
  update_web_view_visibility();
  shell_.refresh_chrome();
  return true;
}

void TabModel::on_navigation_accepted(WorkspaceTab& tab, std::u16string_view uri,
                                      std::uint64_t navigation_id) {
  tab.showing_local_document = false;
  tab.navigation_id = navigation_id;
  tab.pending_url = std::u16string(uri);
  tab.title.clear();
  tab.icon = addresses_.icon_for_url(uri);
  if (uri != u"about:blank") tab.retry_url = std::u16string(uri);
  tab.loading = true;
}

void TabModel::schedule_reveal(WorkspaceTab& tab, std::uint64_t now_ms) {
  if (tab.revealed) return;
  if (tab.first_completed_ms == 0 || tab.first_completed_ms < tab.load_started_ms)
    tab.first_completed_ms = now_ms;
  tab.reveal_at_ms = now_ms + kRevealDelayMs;
}

}  // namespace vantiro::workspace
