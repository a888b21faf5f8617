#include <glib.h>

#include <mutex>
#include <unordered_set>
#include <utility>

#include "platform/gtk_host_ports.h"

namespace vantiro::platform {
namespace {

class GlibUiPoster final : public UiPoster, public std::enable_shared_from_this<GlibUiPoster> {
 public:
  GlibUiPoster() : context_(g_main_context_ref(g_main_context_default())) {}

  ~GlibUiPoster() override {
    withdraw();
    g_main_context_unref(context_);
  }

  bool post(std::function<void()> closure) override {
    if (!closure) return false;
    std::lock_guard<std::mutex> lock(mutex_);
    if (withdrawn_) return false;
    auto* task = new Task{shared_from_this(), std::move(closure), nullptr};
    GSource* source = g_idle_source_new();
    task->source = source;
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_set_callback(source, &GlibUiPoster::run, task, &GlibUiPoster::drop);
    pending_.insert(source);
    g_source_attach(source, context_);
    // The set keeps the reference that g_idle_source_new gave us until the task is dropped.
    return true;
  }

  void withdraw() override {
    std::unordered_set<GSource*> sources;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      withdrawn_ = true;
      sources.swap(pending_);
    }
    // Destroying a source drops its task, which frees what the closure owns.
    for (GSource* source : sources) {
      g_source_destroy(source);
      g_source_unref(source);
    }
  }

 private:
  struct Task {
    std::shared_ptr<GlibUiPoster> owner;
    std::function<void()> closure;
    GSource* source;
  };

  static gboolean run(gpointer data) {
    auto* task = static_cast<Task*>(data);
    bool live = false;
    {
      std::lock_guard<std::mutex> lock(task->owner->mutex_);
      live = !task->owner->withdrawn_;
    }
    if (live) task->closure();
    return G_SOURCE_REMOVE;
  }

  static void drop(gpointer data) {
    auto* task = static_cast<Task*>(data);
    std::shared_ptr<GlibUiPoster> owner = std::move(task->owner);
    {
      std::lock_guard<std::mutex> lock(owner->mutex_);
      if (owner->pending_.erase(task->source) != 0) g_source_unref(task->source);
    }
    delete task;
  }

  GMainContext* context_;
  std::mutex mutex_;
  bool withdrawn_ = false;
  std::unordered_set<GSource*> pending_;
};

}  // namespace

std::shared_ptr<UiPoster> make_ui_poster() {
  return std::make_shared<GlibUiPoster>();
}

}  // namespace vantiro::platform
