#include "app/ui_poster.h"

#include <utility>

namespace vantiro::app {

bool post_to_main_window(SharedMainWindow& window, update::UpdatePostKind kind,
                         std::unique_ptr<update::UpdateCheckResult>& result) {
  UiEvent event{UpdateResultEvent{kind, std::move(result)}};
  if (window.post(event)) return true;
  // Refused: the record goes back to the worker, which frees it.
  result = std::move(std::get<UpdateResultEvent>(event).result);
  return false;
}

bool post_progress(SharedMainWindow& window, std::uint64_t bytes, std::uint64_t total,
                   bool verifying) {
  return window.post(UiEvent{DownloadProgressEvent{bytes, total, verifying}});
}

update::UpdatePosts update_posts_for(std::shared_ptr<SharedMainWindow> window) {
  update::UpdatePosts posts;
  posts.result = [window](update::UpdatePostKind kind,
                          std::unique_ptr<update::UpdateCheckResult>& result) {
    return post_to_main_window(*window, kind, result);
  };
  posts.progress = [window](std::uint64_t done, std::uint64_t total, bool final) {
    return post_progress(*window, done, total, final);
  };
  return posts;
}

}  // namespace vantiro::app
