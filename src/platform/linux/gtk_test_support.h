#pragma once

// Helpers for tests that need the display or the GLib main loop: a bounded loop, a dialog
// finder, and a child run of this test program.

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/gtk_host_ports.h"

extern char** environ;

namespace vantiro::platform::gtk_tests {

// Skips when there is no display at all; a display that is set but cannot be reached fails.
#define VANTIRO_REQUIRE_DISPLAY()                                                \
  do {                                                                           \
    if (std::getenv("DISPLAY") == nullptr) GTEST_SKIP() << "DISPLAY unset";      \
    ASSERT_TRUE(::vantiro::platform::ensure_display()) << "display unreachable"; \
  } while (0)

// Runs the default main context until done() holds or timeout_ms passes; true when done.
inline bool run_loop_until(const std::function<bool()>& done, int timeout_ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
  }
  return true;
}

// Drains what is ready without waiting.
inline void drain_loop() {
  while (g_main_context_iteration(nullptr, FALSE)) {
  }
}

// The first visible top-level window of the type, or null.
inline GtkWidget* find_toplevel(GType type) {
  GtkWidget* found = nullptr;
  GList* all = gtk_window_list_toplevels();
  for (GList* l = all; l != nullptr; l = l->next) {
    auto* w = static_cast<GtkWidget*>(l->data);
    if (G_TYPE_CHECK_INSTANCE_TYPE(w, type) && gtk_widget_get_visible(w)) {
      found = w;
      break;
    }
  }
  g_list_free(all);
  return found;
}

// While a modal dialog runs its own loop, this polls for a dialog of the type and hands it to
// act once it is mapped and ready() holds for it (the file chooser loads folders
// asynchronously). If act is never called within timeout_ms, the dialog (if any) is answered with
// GTK_RESPONSE_NONE so that the test ends instead of hanging, and acted() stays false.
class DialogDriver {
 public:
  DialogDriver(GType type, std::function<void(GtkWidget*)> act,
               std::function<bool(GtkWidget*)> ready = {}, int timeout_ms = 10000)
      : type_(type), act_(std::move(act)), ready_(std::move(ready)) {
    poll_ = g_timeout_add(20, &DialogDriver::on_poll, this);
    guard_ = g_timeout_add(static_cast<guint>(timeout_ms), &DialogDriver::on_guard, this);
  }
  ~DialogDriver() {
    if (poll_ != 0) g_source_remove(poll_);
    if (guard_ != 0) g_source_remove(guard_);
  }
  bool acted() const { return acted_; }

 private:
  static gboolean on_poll(gpointer data) {
    auto* self = static_cast<DialogDriver*>(data);
    GtkWidget* w = find_toplevel(self->type_);
    if (w == nullptr || !gtk_widget_get_mapped(w)) return G_SOURCE_CONTINUE;
    if (self->ready_ && !self->ready_(w)) return G_SOURCE_CONTINUE;
    self->poll_ = 0;
    self->acted_ = true;
    self->act_(w);
    return G_SOURCE_REMOVE;
  }
  static gboolean on_guard(gpointer data) {
    auto* self = static_cast<DialogDriver*>(data);
    self->guard_ = 0;
    if (!self->acted_) {
      if (GtkWidget* w = find_toplevel(self->type_))
        gtk_dialog_response(GTK_DIALOG(w), GTK_RESPONSE_NONE);
    }
    return G_SOURCE_REMOVE;
  }

  GType type_;
  std::function<void(GtkWidget*)> act_;
  std::function<bool(GtkWidget*)> ready_;
  guint poll_ = 0;
  guint guard_ = 0;
  bool acted_ = false;
};

// This test program started again with a filter (disabled tests included) and extra
// environment, optionally through a launcher such as xvfb-run; its standard output is read
// through a pipe.
class ChildRun {
 public:
  ChildRun(const std::string& filter, const std::vector<std::string>& env_extra,
           const std::vector<std::string>& env_removed = {},
           const std::vector<std::string>& launcher = {}) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return;
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      std::string entry(*e);
      bool removed = false;
      for (const auto& name : env_removed) removed |= entry.rfind(name + "=", 0) == 0;
      if (!removed) env.push_back(entry);
    }
    env.insert(env.end(), env_extra.begin(), env_extra.end());
    std::vector<char*> envp;
    for (auto& s : env) envp.push_back(s.data());
    envp.push_back(nullptr);
    char self_path[4096] = {};
    const ssize_t len = readlink("/proc/self/exe", self_path, sizeof(self_path) - 1);
    if (len <= 0) {
      close(fds[0]);
      close(fds[1]);
      return;
    }
    std::vector<std::string> args = launcher;
    args.push_back(std::string(self_path, static_cast<std::size_t>(len)));
    args.push_back("--gtest_filter=" + filter);
    args.push_back("--gtest_also_run_disabled_tests");
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    if (posix_spawnp(&pid_, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    out_ = fds[0];
  }
  ~ChildRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (out_ >= 0) close(out_);
  }
  bool started() const { return pid_ > 0; }

  // Waits until the child's output holds the word (or timeout_ms passes).
  bool wait_for(const std::string& word, int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (output_.find(word) == std::string::npos) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
          end - std::chrono::steady_clock::now());
      if (left.count() <= 0 || out_ < 0) return false;
      pollfd p{out_, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(left.count())) <= 0) return false;
      char buf[512];
      const ssize_t n = read(out_, buf, sizeof(buf));
      if (n <= 0) return output_.find(word) != std::string::npos;
      output_.append(buf, static_cast<std::size_t>(n));
    }
    return true;
  }

  void kill_hard() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
  }

  // The child's exit status after it ends by itself; -1 on a signal or a time-out.
  int wait_exit(int timeout_ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (pid_ > 0) {
      int status = 0;
      const pid_t r = waitpid(pid_, &status, WNOHANG);
      if (r == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (std::chrono::steady_clock::now() >= end) return -1;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return -1;
  }

  const std::string& output() const { return output_; }

 private:
  pid_t pid_ = -1;
  int out_ = -1;
  std::string output_;
};

}  // namespace vantiro::platform::gtk_tests
