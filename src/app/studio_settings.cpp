// The settings overlay's controls and the other chrome actions that reach beyond the window:
// each writes its setting through the settings commit (which rolls back a failed save) and
// applies it at once.

#include <utility>

#include "app/studio.h"
#include "app/ui_language.h"
#include "chrome/language_toggle.h"
#include "update/update_texts.h"
#include "update/update_worker.h"
#include "web/url.h"

namespace vantiro::app {

namespace {

inline constexpr LocalizedText kTextShortcutsFailed{
    u"Kunde inte lägga till Vantiro. Stäng andra Vantiro-fönster och försök igen.",
    u"Could not add Vantiro. Close other Vantiro windows and try again."};
inline constexpr std::u16string_view kInstalledAppsUri = u"ms-settings:appsfeatures";

LanguageSetting language_setting_of(int value) {
  switch (value) {
    case chrome::kLanguageSwedish:
      return LanguageSetting::sv;
    case chrome::kLanguageEnglish:
      return LanguageSetting::en;
    default:
      return LanguageSetting::automatic;
  }
}

}  // namespace

template <typename Change>
bool Studio::commit_setting(Change change) {
  store_.live = rt_.settings;
  store_.read_only = rt_.settings_read_only;
  const AppSettings previous = store_.live;
  change(store_.live);
  const bool saved = commit_settings_change(store_, ports_.fs, previous, rt_.ui_swedish);
  rt_.settings = store_.live;
  // A refused or failed save says why where the user just acted; a good one clears it.
  rt_.settings_message = saved ? std::u16string() : store_.settings_error_text;
  return saved;
}

void Studio::run_settings_action(const chrome::ZoneAction& a) {
  using chrome::ActionKind;
  if (!window_) return;
  switch (a.kind) {
    case ActionKind::toggle_language:
      toggle_language();
      return;
    case ActionKind::set_language: {
      const LanguageSetting language = language_setting_of(a.value);
      if (commit_setting([&](AppSettings& s) { s.language = language; })) {
        // The user chose a language; a "--lang=" of this run no longer overrules it.
        rt_.language_forced = false;
        rt_.ui_swedish =
            choose_ui_swedish(std::nullopt, rt_.settings.language, rt_.system_prefers_swedish);
      }
      break;
    }
    case ActionKind::set_startup:
      commit_setting([&](AppSettings& s) {
        s.startup = a.value == 1 ? StartupWorkspace::launcher : StartupWorkspace::ped;
      });
      break;
    case ActionKind::toggle_confirm_close:
      commit_setting([](AppSettings& s) { s.confirm_close_tabs = !s.confirm_close_tabs; });
      break;
    case ActionKind::toggle_boot_update:
      commit_setting([](AppSettings& s) { s.boot_auto_update = !s.boot_auto_update; });
      break;
    case ActionKind::set_zoom:
      if (!is_allowed_zoom_percent(a.value)) return;
      if (commit_setting(
              [&](AppSettings& s) { s.zoom_percent = static_cast<std::uint32_t>(a.value); })) {
        preferences_ = workspace::web_view_preferences(rt_.settings);
        if (web_host_) web_host_->apply_zoom_to_all();
      }
      break;
    case ActionKind::set_sidebar:
      if (commit_setting([&](AppSettings& s) { s.sidebar_expanded = a.value != 0; }))
        window_->set_sidebar_expanded(a.value != 0);
      break;
    case ActionKind::set_motion:
      if (a.value < 0 || a.value > 2) return;
      if (commit_setting(
              [&](AppSettings& s) { s.reduce_motion = static_cast<ReduceMotionSetting>(a.value); }))
        window_->apply_motion_settings();
      break;
    case ActionKind::set_performance:
      if (a.value < 0 || a.value > 2) return;
      if (commit_setting(
              [&](AppSettings& s) { s.perf_mode = static_cast<PerfModeSetting>(a.value); })) {
        window_->apply_motion_settings();
        preferences_ = workspace::web_view_preferences(rt_.settings);
        if (web_host_) web_host_->apply_perf_mode_to_views();
        window_->tabs().sweep_background_tabs(now());
      }
      break;
    case ActionKind::check_updates:
      check_for_updates();
      return;
    case ActionKind::apply_update:
      apply_update();
      return;
    case ActionKind::add_shortcuts:
      if (shortcuts_added_this_run_) return;
      // Shortcuts come with the installation, which this build does not have yet.
      rt_.settings_message = std::u16string(kTextShortcutsFailed.pick(rt_.ui_swedish));
      break;
    case ActionKind::open_installed_apps:
      ports_.opener.open_in_browser(kInstalledAppsUri);
      return;
    case ActionKind::reload_all_tabs:
      reload_all_tabs();
      break;
    case ActionKind::clear_cache:
      if (web_host_) web_host_->clear_web_cache();
      break;
    case ActionKind::open_legal:
      open_legal_page(a.payload);
      return;
    case ActionKind::choose_fivem_folder:
      choose_fivem_folder();
      return;
    case ActionKind::clear_fivem_folder:
      clear_fivem_folder();
      return;
    default:
      return;
  }
  window_->refresh_chrome();
}

void Studio::toggle_language() {
  const workspace::WorkspaceTab* tab = window_->tabs().active_tab();
  chrome::LanguageToggleInput in;
  in.ui_swedish = rt_.ui_swedish;
  in.welcome_gate = window_->gate().welcome_gate_active;
  in.settings_open = rt_.settings_open;
  in.has_active_tab = tab != nullptr;
  if (tab) {
    in.active_tab_is_launcher = tab->is_launcher;
    const std::u16string& url = tab->pending_url.empty() ? tab->source_url : tab->pending_url;
    in.active_tab_on_service_origin = is_service_origin_url(url);
    in.current_path = service_route_of(url);
  }
  const chrome::LanguageTogglePlan plan = chrome::plan_language_toggle(in);
  const bool saved = commit_setting(
      [&](AppSettings& s) { s.language = language_setting_of(plan.language_setting); });
  if (saved && plan.end_forced_language) rt_.language_forced = false;
  rt_.ui_swedish = chrome::ui_swedish_after_toggle(saved, plan, rt_.ui_swedish);
  if (saved && plan.clear_settings_message) rt_.settings_message.clear();
  if (saved && plan.reopen_route) open_tool_route(*window_, *plan.reopen_route, false);
  window_->refresh_chrome();
}

void Studio::check_for_updates() {
  const bool sv = rt_.ui_swedish;
  if (const auto& staged = window_->staged_update()) {
    rt_.update_state = static_cast<int>(update::UpdateState::available);
    rt_.update_status_text = std::u16string(update::kTextReadyPrefix.pick(sv)) + staged->version();
  } else if (!rt_.update_check_running && !rt_.install_running) {
    rt_.update_state = static_cast<int>(update::UpdateState::checking);
    rt_.update_status_text = std::u16string(update::kTextChecking.pick(sv));
    start_update_check(false);
  }
  window_->refresh_chrome();
}

bool Studio::start_install_verification() {
  if (rt_.update_check_running) return false;
  std::unique_ptr<update::StagedUpdate> staged = window_->take_staged_update();
  if (!staged) return false;
  staged->close_held();
  rt_.update_check_running = true;
  // The job must be copyable; the update travels in a shared box and is dropped (its file
  // deleted) when the job is dropped unrun.
  auto box = std::make_shared<std::unique_ptr<update::StagedUpdate>>(std::move(staged));
  auto job = [box, sha = ports_.sha256, checks = ports_.release_checks,
              posts = update_posts_for(rt_.shared_main_window)] {
    update::install_verification_worker(std::move(*box), *sha, *checks, posts);
  };
  if (!ports_.start_worker(std::move(job))) {
    rt_.update_check_running = false;
    return false;
  }
  return true;
}

void Studio::apply_update() {
  const bool sv = rt_.ui_swedish;
  bool started = false;
  if (window_->staged_update() && !rt_.install_running) {
    started = start_install_verification();
    rt_.settings_message = std::u16string(
        (started ? update::kTextVerifyingAndInstalling : update::kTextCouldNotInstall).pick(sv));
  }
  window_->refresh_chrome();
  if (!started && !rt_.latest_version.empty()) {
    const std::u16string url = update::download_page_url();
    if (classify_navigation(url) != NavigationDecision::blocked) ports_.opener.open_in_browser(url);
  }
}

void Studio::choose_fivem_folder() {
  const FiveMPickOutcome outcome = folder_choice_.pick_fivem_folder(rt_.ui_swedish);
  if (!window_) return;
  folder_choice_.show_fivem_pick_notice(outcome, rt_.ui_swedish);
  window_->refresh_chrome();
}

void Studio::clear_fivem_folder() {
  if (!folder_choice_.clear_fivem_folder(rt_.ui_swedish))
    rt_.settings_message = store_.settings_error_text;
  window_->refresh_chrome();
}

void Studio::open_legal_page(std::u16string_view path) {
  const std::optional<LegalDocument> document = legal_document_for_path(path);
  if (!document) return;
  const std::u16string url = legal_url(*document, rt_.ui_swedish);
  if (classify_navigation(url) != NavigationDecision::in_app) return;
  window_->set_settings_open(false);
  workspace::WorkspaceTab* tab = window_->tabs().active_tab();
  if (tab && tab->is_launcher)
    window_->tabs().navigate_tab(*tab, url, now());
  else
    window_->tabs().open_tab(url, true, now());
}

void Studio::reload_all_tabs() {
  for (const auto& t : window_->tabs().tabs())
    if (t->web_view && !t->crashed) t->web_view->reload();
}

}  // namespace vantiro::app
