#pragma once

// What a desktop host does for the studio: its one main window, the window system's services
// around it, and the few process facts start-up asks for. The host also feeds the window's
// input, timers and posted events into Studio::window(). Everything runs on the UI thread.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "app/main_window.h"
#include "app/startup.h"
#include "app/ui_poster.h"
#include "chrome/layout.h"
#include "persist/window_placement.h"
#include "update/install.h"

namespace vantiro::app {

struct StudioPlatform : WindowServices {
  // --- the process ---
  virtual void set_app_user_model_id() = 0;
  virtual InstanceLock acquire_single_instance() = 0;
  // Restores and raises the running studio's window, when there is one.
  virtual void activate_running_window() = 0;
  virtual void release_single_instance() = 0;
  // The lock an update hands to the program it starts.
  virtual update::InstanceLock& instance_lock() = 0;
  // A box without owner, captioned "Vantiro Studio".
  virtual void show_message(std::u16string_view text, bool error) = 0;
  // The system's client-area animation setting; nothing when it cannot be read.
  virtual std::optional<bool> read_system_animations() = 0;
  virtual std::optional<std::uint64_t> total_memory_bytes() = 0;
  virtual std::uint32_t logical_processors() = 0;

  // --- the main window's life ---
  virtual bool create_window(const WindowPlacement& placement, bool visual_check) = 0;
  virtual bool init_graphics() = 0;
  virtual void create_tooltip() = 0;
  virtual void apply_frame_attributes() = 0;
  virtual void show_window(bool maximized, bool visual_check) = 0;
  virtual ClientGeometry client_geometry() = 0;
  virtual void paint_now() = 0;
  // Destroys the window; the host then calls MainWindow::on_destroyed.
  virtual void destroy_window() = 0;
  virtual UiPoster& poster() = 0;
  virtual int run_message_loop() = 0;
  virtual void quit(int exit_code) = 0;

  // --- the main window's services (the rest are the WindowServices) ---
  // Yes/No with No as the default, owned by the main window; runs its own loop.
  virtual bool ask_yes_no(std::u16string_view caption, std::u16string_view text) = 0;
  // The web engine could not start: tells the user (in the UI language) and returns whether
  // the engine's download page should open; the studio then ends with 1.
  virtual bool ask_to_install_web_runtime(bool ui_swedish) = 0;
  virtual void open_web_runtime_download_page() = 0;
  // The keyboard's modifier state now.
  virtual Modifiers keyboard_modifiers() = 0;
};

}  // namespace vantiro::app
