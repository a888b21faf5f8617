#include "app/studio.h"

#include <algorithm>
#include <iostream>
#include <thread>
#include <utility>

#include "account/account_summary.h"
#include "app/ui_language.h"
#include "common/build_config.h"
#include "common/utf.h"
#include "update/update_worker.h"
#include "web/url.h"

namespace vantiro::app {

namespace {

constexpr std::uint32_t kOldExecutableTries = 1;
constexpr std::uint32_t kOldExecutableTriesAfterUpdate = 20;
constexpr std::uint64_t kOldExecutableRetryMs = 150;

// A cookie header that is wiped when the last holder lets go, also when its job never ran.
struct SecretText {
  std::string text;
  ~SecretText() { account::wipe(text); }
};

}  // namespace

WorkerStarter detached_thread_starter() {
  return [](std::function<void()> job) {
    try {
      std::thread(std::move(job)).detach();
      return true;
    } catch (...) {
      return false;
    }
  };
}

void clean_up_old_executable(update::UpdateFiles& files, const Path& executable, bool cleanup_old,
                             const std::function<void(std::uint64_t)>& sleep_ms) {
  if (executable.empty()) return;
  Path old = executable;
  old += u".old";
  const std::uint32_t tries = cleanup_old ? kOldExecutableTriesAfterUpdate : kOldExecutableTries;
  for (std::uint32_t i = 0; i < tries; ++i) {
    if (files.kind(old) == PathKind::missing || files.remove_file(old)) return;
    if (i + 1 < tries && sleep_ms) sleep_ms(kOldExecutableRetryMs);
  }
}

bool verify_own_signature(update::UpdateFiles& files, update::ReleaseChecks& checks,
                          const Path& executable) {
  if (executable.empty()) return false;
  std::unique_ptr<update::HeldFile> held = files.open_held(executable);
  if (!held) return false;
  const std::optional<std::uint64_t> size = held->regular_file_size();
  // Our own file, but still read with a bound: a program of a gigabyte is not ours.
  constexpr std::uint64_t kMaxOwnBytes = 1ull << 30;
  if (!size || *size == 0 || *size > kMaxOwnBytes) return false;
  const std::optional<std::string> content = held->read_all(static_cast<std::size_t>(*size));
  return content && checks.authenticode_publisher_ok(*held, *content);
}

// ---------------------------------------------------------------- folder choice adapters

FolderPickResult Studio::ModalPicker::pick_folder(const FolderPickRequest& request) {
  MainWindow* w = studio.window();
  if (w) w->begin_modal();
  FolderPickResult result = inner.pick_folder(request);
  // The window may have asked to close meanwhile; end_modal carries that out now.
  if (w && studio.window() == w) w->end_modal();
  return result;
}

Studio::FolderStore::FolderStore(Studio& s)
    : studio(s), inner(s.store_, s.ports_.fs, s.rt_.ui_swedish) {}

std::string Studio::FolderStore::stored_folder() const {
  return studio.rt_.settings.fivem_resources_dir;
}

bool Studio::FolderStore::accepts_folder(std::string_view utf8) const {
  return inner.accepts_folder(utf8);
}

bool Studio::FolderStore::commit_folder(std::string utf8) {
  studio.store_.live = studio.rt_.settings;
  studio.store_.read_only = studio.rt_.settings_read_only;
  const bool ok = inner.commit_folder(std::move(utf8));
  studio.rt_.settings = studio.store_.live;
  return ok;
}

// ---------------------------------------------------------------- construction and entry

Studio::Studio(StudioPorts ports, ProcessFacts facts)
    : ports_(std::move(ports)),
      facts_(std::move(facts)),
      modal_picker_(*this, ports_.folder_picker),
      folder_store_(*this),
      folder_choice_(modal_picker_, ports_.resource_fs, folder_store_, *this) {
  if (!ports_.start_worker) ports_.start_worker = detached_thread_starter();
}

Studio::~Studio() {
  // The web host's handlers and the bridge refer to the window; they go first.
  views_.host = nullptr;
  bridge_.reset();
  web_host_.reset();
  fivem_tabs_.reset();
  window_.reset();
}

int Studio::run(const std::vector<std::u16string>& args, const MakeAbsolute& make_absolute,
                const std::function<void(std::uint64_t)>& sleep_ms) {
  plan_ = parse_launch_options(args, make_absolute);
  switch (plan_.mode) {
    case LaunchMode::verify_signed:
      return verify_own_signature(*ports_.update_files, *ports_.release_checks, facts_.executable)
                 ? kExitSuccess
                 : kExitFailure;
    case LaunchMode::self_test:
      std::cerr << "vantiro: this build has no self-test\n";
      return kExitFailure;
    case LaunchMode::unusable_path:
      return kUnusablePathExitCode;
    case LaunchMode::uninstall:
    case LaunchMode::visual_check:
    case LaunchMode::studio:
      break;
  }
  clean_up_old_executable(*ports_.update_files, facts_.executable, plan_.options.cleanup_old,
                          sleep_ms);
  rt_.system_prefers_swedish =
      prefer_swedish(facts_.ui_language_is_swedish, facts_.nation_geo_id, facts_.locale_name);
  return run_startup(*this, rt_, plan_);
}

// ---------------------------------------------------------------- StartupHost

void Studio::set_app_user_model_id() {
  ports_.platform.set_app_user_model_id();
}

InstanceLock Studio::acquire_single_instance() {
  return ports_.platform.acquire_single_instance();
}

void Studio::activate_running_window() {
  ports_.platform.activate_running_window();
}

void Studio::show_message(std::u16string_view text, bool error) {
  ports_.platform.show_message(text, error);
}

bool Studio::uninstall_studio() {
  // Registration and its removal come with the installation; until then there is nothing this
  // build can remove, and saying so is the honest answer.
  return false;
}

std::optional<Path> Studio::per_user_folder() {
  if (!ports_.folders.local_app_data()) return std::nullopt;
  return app_data_folder(ports_.folders) / u"App";
}

update::InstallLocations Studio::install_locations() {
  update::InstallLocations locations;
  locations.running_executable = facts_.executable;
  if (const std::optional<Path> folder = per_user_folder())
    locations.per_user_executable = *folder / facts_.executable.filename();
  return locations;
}

bool Studio::is_installed_copy() {
  const update::InstallLocations l = install_locations();
  return l.per_user_executable && !facts_.executable.empty() &&
         l.per_user_executable->lexically_normal() == facts_.executable.lexically_normal();
}

void Studio::register_uninstall_entry() {}

StartupSettings Studio::load_settings() {
  const Path check_dir(rt_.visual_check_dir);
  StartupSettings loaded;
  loaded.path = settings_file_path(ports_.folders, check_dir);
  loaded.settings = vantiro::load_settings(ports_.fs, ports_.profiles, loaded.path,
                                           startup_window_ini_path(ports_.folders, check_dir));
  return loaded;
}

void Studio::save_settings(const StartupSettings& settings) {
  save_settings_atomic(ports_.fs, settings.path, settings.settings);
}

void Studio::prepare_ui_thread() {}

WindowPlacement Studio::read_window_placement(bool) {
  const Path path = startup_window_ini_path(ports_.folders, Path(rt_.visual_check_dir));
  return load_window_placement(ports_.profiles, ports_.work_areas, path).placement;
}

bool Studio::create_window(const WindowPlacement& placement, bool visual_check) {
  store_.path = settings_file_path(ports_.folders, Path(rt_.visual_check_dir));
  store_.read_only = rt_.settings_read_only;
  store_.live = rt_.settings;
  preferences_ = workspace::web_view_preferences(rt_.settings);

  account::SignInGate gate = account::SignInGate::at_start_up(plan_.options.skip_welcome);
  gate.welcome_gate_active = plan_.welcome.welcome_gate_active;
  gate.welcome_grace_pending = plan_.welcome.welcome_grace_pending;
  gate.welcome_skipped = plan_.welcome.welcome_skipped;
  MainWindowHost& window_host = *this;
  window_ = std::make_unique<MainWindow>(rt_, ports_.platform, window_host, addresses_, views_,
                                         *ports_.clock, gate);
  workspace::WebHostShell& shell = *this;
  web_host_ = std::make_unique<workspace::WebViewHost>(ports_.engine, shell, window_->conditions(),
                                                       preferences_, window_->welcome_state(),
                                                       *ports_.clock);
  web_host_->attach(window_->tabs());
  views_.host = web_host_.get();
  const Path data = visual_check ? Path(rt_.visual_check_dir) : app_data_folder(ports_.folders);
  web_host_->set_user_data_folder((data / u"WebView2").u16string());
  fivem_tabs_ = std::make_unique<workspace::WorkspaceFiveMTabs>(window_->tabs());
  bridge_ = std::make_unique<FiveMBridge>(FiveMBridge{
      *fivem_tabs_, folder_choice_, ports_.resource_fs, *this, [this] { return rt_.ui_swedish; }});
  web_host_->set_web_message_handler(workspace::fivem_web_message_handler(*bridge_, *fivem_tabs_));

  if (!ports_.platform.create_window(placement, visual_check)) {
    views_.host = nullptr;
    bridge_.reset();
    web_host_.reset();
    fivem_tabs_.reset();
    window_.reset();
    return false;
  }
  window_->on_created(ports_.platform.client_geometry());
  return true;
}

bool Studio::init_graphics() {
  return ports_.platform.init_graphics();
}

void Studio::write_visual_check_failure(std::u16string_view reason) {
  std::cerr << "vantiro: visual check failed: " << to_utf8(reason) << "\n";
}

void Studio::destroy_window() {
  ports_.platform.destroy_window();
}

void Studio::create_tooltip() {
  ports_.platform.create_tooltip();
}

std::uint64_t Studio::tick_count_ms() {
  return now();
}

void Studio::refresh_chrome() {
  if (window_) window_->refresh_chrome();
}

void Studio::apply_frame_attributes() {
  ports_.platform.apply_frame_attributes();
}

std::optional<bool> Studio::read_system_animations() {
  return ports_.platform.read_system_animations();
}

std::optional<std::uint64_t> Studio::total_memory_bytes() {
  return ports_.platform.total_memory_bytes();
}

std::uint32_t Studio::logical_processors() {
  return ports_.platform.logical_processors();
}

void Studio::show_window(bool maximized, bool visual_check) {
  ports_.platform.show_window(maximized, visual_check);
}

UiPoster& Studio::poster() {
  return ports_.platform.poster();
}

void Studio::paint_now() {
  ports_.platform.paint_now();
}

bool Studio::open_first_tab(std::u16string_view url) {
  return window_ && window_->tabs().open_tab(url, true, now());
}

void Studio::start_visual_check() {
  std::cerr << "vantiro: this build has no visual check; the window closes with exit code 1\n";
}

void Studio::create_web_environment() {
  if (window_) window_->tabs().start_environment();
}

bool Studio::start_timer(int id, std::uint64_t interval_ms) {
  return ports_.platform.start_timer(static_cast<TimerId>(id), interval_ms);
}

void Studio::start_update_check(bool auto_install) {
  if (!window_ || window_->staged_update() || rt_.install_running || rt_.update_check_running)
    return;
  rt_.update_check_running = true;
  window_->boot_update().on_check_started(auto_install);
  auto job = [https = ports_.https, files = ports_.update_files, sha = ports_.sha256,
              checks = ports_.release_checks, clock = ports_.clock,
              folder = facts_.executable.parent_path(), per_user = per_user_folder(),
              pid = facts_.process_id, posts = update_posts_for(rt_.shared_main_window),
              auto_install] {
    update::UpdateWorkerPorts p(*https, *files, *sha, *checks, *clock);
    p.executable_folder = folder;
    p.per_user_folder = per_user;
    p.process_id = pid;
    update::update_worker(p, auto_install, posts);
  };
  if (!ports_.start_worker(std::move(job))) {
    window_->boot_update().on_check_start_failed();
    rt_.update_check_running = false;
  }
  window_->refresh_chrome();
}

int Studio::run_message_loop() {
  return ports_.platform.run_message_loop();
}

void Studio::release_single_instance() {
  ports_.platform.release_single_instance();
}

void Studio::shut_down() {
  // A loop that ended with a failure (the web engine could not start) leaves the window up.
  if (rt_.main_window) ports_.platform.destroy_window();
}

// ---------------------------------------------------------------- MainWindowHost

void Studio::focus_main_window() {
  ports_.platform.focus_main_window();
}

void Studio::repaint() {
  ports_.platform.repaint();
}

bool Studio::ask_close_confirmation(std::u16string_view text) {
  return ports_.platform.ask_yes_no(u"Vantiro Studio", text);
}

void Studio::save_window_placement() {
  // In fullscreen the window covers the monitor; the placement worth keeping is the one from
  // before.
  std::optional<WindowPlacement> placement = rt_.fullscreen && rt_.saved_placement
                                                 ? rt_.saved_placement
                                                 : ports_.platform.read_placement();
  if (!placement) return;
  vantiro::save_window_placement(ports_.fs, ports_.profiles, window_ini_path(ports_.folders),
                                 *placement, rt_.sidebar_expanded);
}

void Studio::quit(int exit_code) {
  ports_.platform.quit(exit_code);
}

void Studio::open_externally(std::u16string_view url) {
  ports_.opener.open_in_browser(url);
}

bool Studio::install_update_and_restart(std::unique_ptr<update::StagedUpdate>& update) {
  if (!update) return false;
  update::InstallPorts install{ports_.process_starter, ports_.platform.instance_lock(),
                               [this] { save_window_placement(); }};
  const update::InstallOutcome outcome =
      update::install_update_and_restart(*update, install_locations(), rt_.ui_swedish, install);
  if (outcome != update::InstallOutcome::restarted) return false;
  update.reset();
  // The new program runs and holds the lock now; this one ends as if the user closed it.
  ports_.platform.destroy_window();
  return true;
}

void Studio::visual_check_step() {
  record_exit_code(rt_, kExitFailure);
  ports_.platform.destroy_window();
}

bool Studio::accept_cache_result(std::uint64_t token) {
  return web_host_ && web_host_->on_cache_cleared(token);
}

void Studio::reapply_zoom_to_all_views() {
  if (web_host_) web_host_->apply_zoom_to_all();
}

// ---------------------------------------------------------------- WorkspaceShell

void Studio::show_notice(LocalizedText text, bool success) {
  if (window_) window_->show_notice(text, success);
}

void Studio::leave_window_fullscreen() {
  if (window_) window_->set_fullscreen(false);
}

workspace::ViewRect Studio::content_rect() {
  return window_ ? window_->content_rect() : workspace::ViewRect{};
}

void Studio::keep_animating() {
  if (window_) window_->start_chrome_animation();
}

// ---------------------------------------------------------------- WebHostShell

bool Studio::post(UiEvent event) {
  return rt_.shared_main_window->post(event);
}

void Studio::post_view_failed(std::int32_t tab_id) {
  post(TabViewFailedEvent{tab_id});
}

void Studio::post_process_failed(std::int32_t tab_id, workspace::ProcessFailureKind kind) {
  post(TabProcessFailedEvent{tab_id, kind});
}

void Studio::post_shortcut(std::uint32_t virtual_key, int action, std::int32_t tab_id) {
  post(ShortcutKeyEvent{virtual_key, action, tab_id});
}

void Studio::post_cache_cleared(bool ok, std::uint64_t token) {
  post(CacheClearResultEvent{ok, token});
}

void Studio::post_quit(int exit_code) {
  record_exit_code(rt_, exit_code);
  ports_.platform.quit(exit_code);
}

bool Studio::ask_to_install_runtime() {
  return ports_.platform.ask_to_install_web_runtime(rt_.ui_swedish);
}

void Studio::open_runtime_download_page() {
  ports_.platform.open_web_runtime_download_page();
}

std::optional<int> Studio::shortcut_action(std::uint32_t virtual_key) {
  const Modifiers m = ports_.platform.keyboard_modifiers();
  const TabShortcut action = tab_shortcut_action(virtual_key, m.ctrl, m.alt, m.shift);
  if (action != TabShortcut::none) return static_cast<int>(action);
  if (is_native_shortcut(virtual_key, m.ctrl, m.alt, rt_.fullscreen, rt_.palette.palette_open))
    return 0;
  return std::nullopt;
}

void Studio::start_session_check(std::int32_t tab_id) {
  if (!window_) return;
  const workspace::WorkspaceTab* tab = window_->tabs().find_tab(tab_id);
  if (!tab || !tab->web_view) return;
  const std::optional<std::uint64_t> tag = window_->gate().begin_session_check();
  if (!tag) return;
  session_check(tab_id, *tag);
}

void Studio::session_check(std::int32_t tab_id, std::uint64_t tag) {
  auto shared = rt_.shared_main_window;
  auto answer = [shared, tab_id, tag](bool signed_in) {
    return shared->post(UiEvent{SessionResultEvent{tab_id, tag, signed_in}});
  };
  const workspace::WorkspaceTab* tab = window_ ? window_->tabs().find_tab(tab_id) : nullptr;
  if (!tab || !tab->web_view) {
    answer(false);
    return;
  }
  auto done = [answer, https = ports_.https, clock = ports_.clock,
               start_worker = ports_.start_worker](bool ok,
                                                   std::vector<workspace::WebCookie> cookies) {
    if (!ok) {
      answer(false);
      return;
    }
    std::vector<account::StoredCookie> stored;
    stored.reserve(cookies.size());
    for (auto& c : cookies)
      stored.push_back({std::move(c.name), std::move(c.value), c.is_session, c.expires_s});
    auto header = std::make_shared<SecretText>();
    header->text = account::collect_session_cookies(stored, clock->wall_time_ms());
    for (auto& c : stored) std::fill(c.value.begin(), c.value.end(), u'\0');
    if (header->text.empty()) {
      answer(false);
      return;
    }
    auto job = [answer, https, header] {
      account::session_worker(*https, service_endpoint(), std::move(header->text), answer);
    };
    if (!start_worker(std::move(job))) answer(false);
  };
  const std::u16string uri = u"https://" + std::u16string(kServiceHost);
  if (tab->web_view->get_cookies(uri, std::move(done)) != workspace::EngineResult::ok)
    answer(false);
}

void Studio::set_window_fullscreen(bool on) {
  if (window_) window_->set_fullscreen(on);
}

void Studio::end_welcome_grace() {
  if (window_) window_->on_timer(TimerId::welcome_grace);
}

void Studio::set_cache_status(workspace::CacheClearState state, LocalizedText text) {
  rt_.cache_state = static_cast<int>(state);
  rt_.cache_status_text = std::u16string(text.pick(rt_.ui_swedish));
  if (window_) window_->refresh_chrome();
}

ExternalOpener& Studio::external_opener() {
  return ports_.opener;
}

// ---------------------------------------------------------------- FiveMChrome

void Studio::show_notice(std::u16string_view text, bool success, std::uint32_t duration_ms) {
  rt_.notice_text = std::u16string(text);
  rt_.notice_success = success;
  ports_.platform.start_timer(TimerId::chrome_notice, duration_ms);
  if (window_) window_->refresh_chrome();
}

}  // namespace vantiro::app
