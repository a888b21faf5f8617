#pragma once

// Host ports of the Linux desktop host that need a display or the GLib main loop: monitors,
// the folder dialog, message boxes, the single running studio per login session and the
// hand-over of worker results to the UI thread. No GTK type appears here; windows travel as
// opaque pointers.

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "fivem/folder_picker.h"
#include "persist/window_placement.h"

namespace vantiro::platform {

// The window that owns a dialog: a GtkWindow* on this host, or null for none.
struct OwnerWindow {
  void* native = nullptr;
};

// Connects to the display on first use (retried while there is none); false without one. Every factory below
// calls it itself; a host calls it early to learn whether it can show anything at all.
bool ensure_display();

// Work areas of the display's monitors in physical pixels (the monitor's scale factor
// applied). Both answers are nullopt when there is no display.
std::unique_ptr<WorkAreas> make_work_areas();

// The folder dialog, modal over the owner (which may be set after the picker is made, because
// the main window comes later than the ports). It runs a nested main loop while open.
class HostFolderPicker : public FolderPicker {
 public:
  virtual void set_owner(OwnerWindow owner) = 0;
};
std::unique_ptr<HostFolderPicker> make_folder_picker(OwnerWindow owner);

// Caption of every message box of the studio.
inline constexpr std::u16string_view kMessageBoxCaption = u"Vantiro Studio";

enum class MessageBoxKind { information, error };

// A modal message box with one OK button; returns when the user (or anything else) answers
// or closes it. False when no box could be shown (no display, text not valid UTF-16).
bool show_message_box(MessageBoxKind kind, std::u16string_view text, OwnerWindow owner = {});

// One running studio per user login session.
class SingleInstance {
 public:
  enum class Acquire { acquired, already_running, failed };
  virtual ~SingleInstance() = default;
  // acquired: this process now holds the lock until the object dies (or the process ends,
  // however it ends) and listens for activation requests. Repeated calls give the same answer
  // as long as the lock is held.
  virtual Acquire try_acquire() = 0;
  // Asks the holder to bring its window forward. False when no holder listens.
  virtual bool request_activation() = 0;
  // Called on the GLib main loop of the default context for every activation request while
  // this process holds the lock.
  virtual void set_activation_handler(std::function<void()> handler) = 0;
};

// Name of the lock; "_v1" matches the other named objects of the studio.
inline constexpr std::string_view kSingleInstanceName = "VantiroDesktopApp_SingleInstance_v1";

// The lock lives in folder: the lock file "<name>.lock" and the activation socket
// "<name>.sock". Tests pass their own folder.
std::unique_ptr<SingleInstance> make_single_instance(const std::u16string& folder,
                                                     std::string_view name);

// The user's login-session folder ($XDG_RUNTIME_DIR), or when that is missing or not a
// private folder of the user, fallback_folder (the app data folder), created when needed.
std::unique_ptr<SingleInstance> make_session_single_instance(const std::u16string& fallback_folder);

// Runs closures on the UI thread. post may be called from any thread; after withdraw, posts
// fail and the caller keeps (and frees) what it wanted to hand over.
class UiPoster {
 public:
  virtual ~UiPoster() = default;
  // True when the closure was queued; it then runs once on the main loop unless the poster is
  // withdrawn first, in which case it is destroyed without running.
  virtual bool post(std::function<void()> closure) = 0;
  // UI thread. From now on post returns false; queued closures that have not run yet are
  // dropped without running.
  virtual void withdraw() = 0;
};

// Posts to the GLib main loop of the default main context.
std::shared_ptr<UiPoster> make_ui_poster();

}  // namespace vantiro::platform
