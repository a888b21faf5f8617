#pragma once

// The studio put together: the entry point's modes, the start-up order, the main window with
// its web views, the FiveM bridge, the settings overlay's actions, and the update and session
// workers, over the ports a host provides. A host builds the ports, calls run, and feeds its
// window's events into window().

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "account/session_cookies.h"
#include "app/app_runtime.h"
#include "app/launch_options.h"
#include "app/main_window.h"
#include "app/startup.h"
#include "app/studio_platform.h"
#include "common/clock.h"
#include "common/file_system.h"
#include "common/https_client.h"
#include "common/sha256.h"
#include "fivem/bridge.h"
#include "fivem/folder_choice.h"
#include "fivem/folder_picker.h"
#include "fivem/resource_fs.h"
#include "fivem/settings_folder_store.h"
#include "persist/profile_store.h"
#include "persist/settings.h"
#include "persist/user_folders.h"
#include "persist/window_placement.h"
#include "update/install.h"
#include "update/update_files.h"
#include "update/verify.h"
#include "web/navigation.h"
#include "workspace/fivem_link.h"
#include "workspace/service_addresses.h"
#include "workspace/web_engine.h"
#include "workspace/web_view_host.h"

namespace vantiro::app {

// Starts job on a thread of its own; false when no thread could be started (job is then
// dropped unrun, and whatever it owns with it).
using WorkerStarter = std::function<bool(std::function<void()> job)>;

// A detached std::thread per job.
WorkerStarter detached_thread_starter();

// Ports that worker threads use are shared: a worker may outlive the window it reports to.
struct StudioPorts {
  StudioPlatform& platform;
  FileSystem& fs;
  UserFolders& folders;
  ProfileStore& profiles;
  WorkAreas& work_areas;
  ExternalOpener& opener;
  ResourceFs& resource_fs;
  FolderPicker& folder_picker;
  workspace::WebEngine& engine;
  update::ProcessStarter& process_starter;
  std::shared_ptr<Clock> clock;
  std::shared_ptr<Sha256> sha256;
  std::shared_ptr<HttpsClient> https;
  std::shared_ptr<update::UpdateFiles> update_files;
  std::shared_ptr<update::ReleaseChecks> release_checks;
  WorkerStarter start_worker;
};

// What the process knows about itself and its user.
struct ProcessFacts {
  Path executable;  // the running program's own file
  std::uint32_t process_id = 0;
  bool ui_language_is_swedish = false;
  std::int32_t nation_geo_id = 0;
  std::u16string locale_name;
};

// The rollback copy an update left behind (the program's path followed by ".old") is deleted,
// tried once, or up to 20 times 150 ms apart after an update restart ("--cleanup-old").
// Failure is silent; sleep_ms waits between tries.
void clean_up_old_executable(update::UpdateFiles& files, const Path& executable, bool cleanup_old,
                             const std::function<void(std::uint64_t)>& sleep_ms);

// "--verify-signed": the program's own file must carry the maker's trusted signature.
bool verify_own_signature(update::UpdateFiles& files, update::ReleaseChecks& checks,
                          const Path& executable);

class Studio final : private StartupHost,
                     private MainWindowHost,
                     private workspace::WebHostShell,
                     private FiveMChrome {
 public:
  Studio(StudioPorts ports, ProcessFacts facts);
  ~Studio() override;
  Studio(const Studio&) = delete;
  Studio& operator=(const Studio&) = delete;

  // The whole life of the process after the host is ready: args hold the program first.
  // Returns the exit code.
  int run(const std::vector<std::u16string>& args, const MakeAbsolute& make_absolute,
          const std::function<void(std::uint64_t)>& sleep_ms);

  // The main window's core, from the moment the host's window is being created until the
  // studio ends; null outside that time.
  MainWindow* window() { return window_.get(); }
  AppRuntime& runtime() { return rt_; }
  const SettingsStore& settings_store() const { return store_; }
  workspace::WebViewHost* web_host() { return web_host_.get(); }
  FiveMFolderChoice& folder_choice() { return folder_choice_; }

 private:
  // StartupHost
  void set_app_user_model_id() override;
  InstanceLock acquire_single_instance() override;
  void activate_running_window() override;
  void show_message(std::u16string_view text, bool error) override;
  bool uninstall_studio() override;
  bool is_installed_copy() override;
  void register_uninstall_entry() override;
  StartupSettings load_settings() override;
  void save_settings(const StartupSettings& settings) override;
  void prepare_ui_thread() override;
  WindowPlacement read_window_placement(bool visual_check) override;
  bool create_window(const WindowPlacement& placement, bool visual_check) override;
  bool init_graphics() override;
  void write_visual_check_failure(std::u16string_view reason) override;
  void destroy_window() override;
  void create_tooltip() override;
  std::uint64_t tick_count_ms() override;
  void refresh_chrome() override;
  void apply_frame_attributes() override;
  std::optional<bool> read_system_animations() override;
  std::optional<std::uint64_t> total_memory_bytes() override;
  std::uint32_t logical_processors() override;
  void show_window(bool maximized, bool visual_check) override;
  UiPoster& poster() override;
  void paint_now() override;
  bool open_first_tab(std::u16string_view url) override;
  void start_visual_check() override;
  void create_web_environment() override;
  bool start_timer(int id, std::uint64_t interval_ms) override;
  void start_update_check(bool auto_install) override;
  int run_message_loop() override;
  void release_single_instance() override;
  void shut_down() override;

  // MainWindowHost
  bool ask_close_confirmation(std::u16string_view text) override;
  void save_window_placement() override;
  void quit(int exit_code) override;
  void open_externally(std::u16string_view url) override;
  bool install_update_and_restart(std::unique_ptr<update::StagedUpdate>& update) override;
  void visual_check_step() override;
  bool accept_cache_result(std::uint64_t token) override;
  void reapply_zoom_to_all_views() override;
  void run_settings_action(const chrome::ZoneAction& action) override;

  // WorkspaceShell (through WebHostShell)
  void show_notice(LocalizedText text, bool success) override;
  void leave_window_fullscreen() override;
  workspace::ViewRect content_rect() override;
  void keep_animating() override;
  void focus_main_window() override;

  // WebHostShell
  void post_view_failed(std::int32_t tab_id) override;
  void post_process_failed(std::int32_t tab_id, workspace::ProcessFailureKind kind) override;
  void post_shortcut(std::uint32_t virtual_key, int action, std::int32_t tab_id) override;
  void post_cache_cleared(bool ok, std::uint64_t token) override;
  void post_quit(int exit_code) override;
  bool ask_to_install_runtime() override;
  void open_runtime_download_page() override;
  std::optional<int> shortcut_action(std::uint32_t virtual_key) override;
  void start_session_check(std::int32_t tab_id) override;
  void set_window_fullscreen(bool on) override;
  void end_welcome_grace() override;
  void set_cache_status(workspace::CacheClearState state, LocalizedText text) override;
  ExternalOpener& external_opener() override;

  // FiveMChrome
  void show_notice(std::u16string_view text, bool success, std::uint32_t duration_ms) override;
  void repaint() override;

  // Settings actions.
  template <typename Change>
  bool commit_setting(Change change);
  void after_settings_sync();
  void toggle_language();
  void check_for_updates();
  void apply_update();
  void choose_fivem_folder();
  void clear_fivem_folder();
  void open_legal_page(std::u16string_view path);
  void reload_all_tabs();
  bool start_install_verification();
  void session_check(std::int32_t tab_id, std::uint64_t tag);

  bool post(UiEvent event);
  std::uint64_t now() { return ports_.clock->now_ms(); }
  std::optional<Path> per_user_folder();
  update::InstallLocations install_locations();

  // The tab model's view factory is the web host, which is made after the window it serves.
  struct ViewsForwarder final : workspace::TabViewFactory {
    workspace::WebViewHost* host = nullptr;
    void create_web_environment() override {
      if (host) host->create_web_environment();
    }
    void create_tab_view(workspace::WorkspaceTab& tab) override {
      if (host) host->create_tab_view(tab);
    }
  };

  StudioPorts ports_;
  ProcessFacts facts_;
  AppRuntime rt_;
  LaunchPlan plan_;
  SettingsStore store_;
  workspace::ServiceAddresses addresses_;
  workspace::WebViewPreferences preferences_;
  ViewsForwarder views_;
  std::unique_ptr<MainWindow> window_;
  std::unique_ptr<workspace::WebViewHost> web_host_;
  std::unique_ptr<workspace::WorkspaceFiveMTabs> fivem_tabs_;
  // The folder dialog counts as a modal loop of the window: a close waits for it.
  struct ModalPicker final : FolderPicker {
    ModalPicker(Studio& s, FolderPicker& p) : studio(s), inner(p) {}
    FolderPickResult pick_folder(const FolderPickRequest& request) override;
    Studio& studio;
    FolderPicker& inner;
  };
  // The FiveM folder is a setting: its commits keep the run's settings record in step.
  struct FolderStore final : FiveMFolderStore {
    explicit FolderStore(Studio& s);
    std::string stored_folder() const override;
    bool accepts_folder(std::string_view utf8) const override;
    bool commit_folder(std::string utf8) override;
    Studio& studio;
    SettingsFolderStore inner;
  };

  ModalPicker modal_picker_;
  FolderStore folder_store_;
  FiveMFolderChoice folder_choice_;
  std::unique_ptr<FiveMBridge> bridge_;
  bool shortcuts_added_this_run_ = false;
};

}  // namespace vantiro::app
