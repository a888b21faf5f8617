#pragma once

#include <memory>
#include <mutex>

#include "app/ui_events.h"

namespace vantiro::app {

// The host's way onto the UI thread: queues the event for the main window's loop. Called from
// any thread. Takes the event only when it returns true; otherwise the caller still owns it.
struct UiPoster {
  virtual ~UiPoster() = default;
  virtual bool post(UiEvent& event) = 0;
};

// The one lock of the system. Workers post through it; the UI thread withdraws the window
// first thing when it is destroyed, so no post can reach a window that is going away.
class SharedMainWindow {
 public:
  void publish(UiPoster* poster) {
    std::lock_guard lock(mutex_);
    poster_ = poster;
  }
  void withdraw() {
    std::lock_guard lock(mutex_);
    poster_ = nullptr;
  }
  bool published() {
    std::lock_guard lock(mutex_);
    return poster_ != nullptr;
  }
  // False when no window is published or the host refused; the event then stays with the
  // caller, who frees what it holds.
  bool post(UiEvent& event) {
    std::lock_guard lock(mutex_);
    return poster_ != nullptr && poster_->post(event);
  }
  bool post(UiEvent&& event) { return post(event); }

 private:
  std::mutex mutex_;
  UiPoster* poster_ = nullptr;
};

// The update workers' posts over the shared window: a posted record changes owner, a refused
// one is left in `result` for the worker to free.
bool post_to_main_window(SharedMainWindow& window, update::UpdatePostKind kind,
                         std::unique_ptr<update::UpdateCheckResult>& result);
bool post_progress(SharedMainWindow& window, std::uint64_t bytes, std::uint64_t total,
                   bool verifying);
// The posts keep the shared window alive for as long as the worker holds them.
update::UpdatePosts update_posts_for(std::shared_ptr<SharedMainWindow> window);

}  // namespace vantiro::app
