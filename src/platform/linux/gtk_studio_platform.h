#pragma once

// The studio's main window on GTK 3: one undecorated top-level window whose whole area the
// chrome paints with Cairo, with the web views placed as child widgets in the content
// rectangle. Input, size, timers and posted results are handed to the studio's core; moving
// and resizing follow the core's hit-test answers.

#include <memory>
#include <string>

#include "app/studio.h"
#include "app/studio_platform.h"

namespace vantiro::platform {

class HostFolderPicker;

class GtkStudioPlatform final : public app::StudioPlatform {
 public:
  // app_data_folder holds the single-instance lock when the login session has no private
  // runtime folder; fonts_conf is the fontconfig file with the chrome's family aliases.
  // lock_folder, when given, holds the lock instead (tests).
  GtkStudioPlatform(std::u16string app_data_folder, std::string fonts_conf,
                    std::u16string lock_folder = {});
  ~GtkStudioPlatform() override;
  GtkStudioPlatform(const GtkStudioPlatform&) = delete;
  GtkStudioPlatform& operator=(const GtkStudioPlatform&) = delete;

  // Input goes to the studio's window from now on.
  void attach(app::Studio& studio);
  // The dialog that needs the main window as its owner once there is one.
  void set_folder_picker(HostFolderPicker* picker);
  // The container the web engine places its views in (a GtkFixed*); null without a display.
  void* view_container();
  // The top-level GtkWindow*, null before it exists (tests).
  void* native_window();

  // --- StudioPlatform ---
  void set_app_user_model_id() override;
  app::InstanceLock acquire_single_instance() override;
  void activate_running_window() override;
  void release_single_instance() override;
  update::InstanceLock& instance_lock() override;
  void show_message(std::u16string_view text, bool error) override;
  std::optional<bool> read_system_animations() override;
  std::optional<std::uint64_t> total_memory_bytes() override;
  std::uint32_t logical_processors() override;

  bool create_window(const WindowPlacement& placement, bool visual_check) override;
  bool init_graphics() override;
  void create_tooltip() override;
  void apply_frame_attributes() override;
  void show_window(bool maximized, bool visual_check) override;
  app::ClientGeometry client_geometry() override;
  void paint_now() override;
  void destroy_window() override;
  app::UiPoster& poster() override;
  int run_message_loop() override;
  void quit(int exit_code) override;

  void repaint() override;
  void set_title(std::u16string_view title) override;
  void set_cursor(chrome::CursorKind cursor) override;
  void set_tooltip(std::u16string_view text) override;
  bool start_timer(app::TimerId id, std::uint64_t interval_ms) override;
  void stop_timer(app::TimerId id) override;
  void begin_move_drag() override;
  void begin_resize_drag(int hit_test_code) override;
  void toggle_maximize() override;
  void minimize() override;
  std::optional<WindowPlacement> read_placement() override;
  bool cover_monitor() override;
  void restore_placement(const WindowPlacement& placement) override;
  void focus_main_window() override;
  bool ask_yes_no(std::u16string_view caption, std::u16string_view text) override;
  bool ask_to_install_web_runtime(bool ui_swedish) override;
  void open_web_runtime_download_page() override;
  app::Modifiers keyboard_modifiers() override;

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace vantiro::platform
