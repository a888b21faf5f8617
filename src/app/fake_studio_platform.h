#pragma once

// A recording desktop host for the whole studio: its window is a rectangle, its loop runs what
// the test scripts, and posted events wait in a queue until the test delivers them.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/studio.h"

namespace vantiro::app::testing {

struct QueuedPoster final : UiPoster {
  std::deque<UiEvent> queue;
  bool withdrawn = false;
  bool post(UiEvent& event) override {
    if (withdrawn) return false;
    queue.push_back(std::move(event));
    return true;
  }
};

struct RecordingLock final : update::InstanceLock {
  int releases = 0;
  int reacquires = 0;
  void release() override { ++releases; }
  bool reacquire() override {
    ++reacquires;
    return true;
  }
};

struct FakeStudioPlatform final : StudioPlatform {
  Studio* studio = nullptr;  // destroy_window calls back like a real window would

  InstanceLock lock_answer = InstanceLock::acquired;
  std::vector<std::string> calls;
  std::vector<std::u16string> messages;
  std::map<int, std::uint64_t> timers;
  std::u16string title;
  std::u16string tooltip;
  bool window_exists = false;
  bool graphics_ok = true;
  bool window_ok = true;
  bool answer_yes = false;
  std::vector<std::u16string> questions;
  Modifiers modifiers;
  std::optional<WindowPlacement> placement = WindowPlacement{100, 80, 1280, 800, false};
  std::optional<int> quit_code;
  std::function<void()> in_loop;  // what happens while the loop runs
  QueuedPoster posted;
  RecordingLock lock;

  void set_app_user_model_id() override {}
  InstanceLock acquire_single_instance() override {
    calls.push_back("acquire");
    return lock_answer;
  }
  void activate_running_window() override { calls.push_back("activate"); }
  void release_single_instance() override { calls.push_back("release"); }
  update::InstanceLock& instance_lock() override { return lock; }
  void show_message(std::u16string_view text, bool) override { messages.emplace_back(text); }
  std::optional<bool> read_system_animations() override { return true; }
  std::optional<std::uint64_t> total_memory_bytes() override { return 32ull << 30; }
  std::uint32_t logical_processors() override { return 8; }

  bool create_window(const WindowPlacement&, bool) override {
    calls.push_back("create window");
    window_exists = window_ok;
    return window_ok;
  }
  bool init_graphics() override { return graphics_ok; }
  void create_tooltip() override {}
  void apply_frame_attributes() override {}
  void show_window(bool, bool) override { calls.push_back("show"); }
  ClientGeometry client_geometry() override { return {1440, 900, 96, false, false}; }
  void paint_now() override {}
  void destroy_window() override {
    if (!window_exists) return;
    calls.push_back("destroy");
    window_exists = false;
    posted.withdrawn = true;
    if (studio && studio->window()) studio->window()->on_destroyed();
  }
  UiPoster& poster() override { return posted; }
  int run_message_loop() override {
    calls.push_back("loop");
    if (in_loop) in_loop();
    return quit_code.value_or(-1);
  }
  void quit(int code) override {
    if (!quit_code) quit_code = code;
  }

  void repaint() override {}
  void set_title(std::u16string_view t) override { title = t; }
  void set_cursor(chrome::CursorKind) override {}
  void set_tooltip(std::u16string_view t) override { tooltip = t; }
  bool start_timer(TimerId id, std::uint64_t ms) override {
    timers[static_cast<int>(id)] = ms;
    return true;
  }
  void stop_timer(TimerId id) override { timers.erase(static_cast<int>(id)); }
  void begin_move_drag() override {}
  void begin_resize_drag(int) override {}
  void toggle_maximize() override {}
  void minimize() override {}
  std::optional<WindowPlacement> read_placement() override { return placement; }
  bool cover_monitor() override { return true; }
  void restore_placement(const WindowPlacement&) override {}
  void focus_main_window() override {}
  bool ask_yes_no(std::u16string_view, std::u16string_view text) override {
    questions.emplace_back(text);
    return answer_yes;
  }
  bool ask_to_install_web_runtime(bool) override {
    calls.push_back("runtime question");
    return false;
  }
  void open_web_runtime_download_page() override {}
  Modifiers keyboard_modifiers() override { return modifiers; }

  bool timer_armed(TimerId id) const { return timers.count(static_cast<int>(id)) != 0; }
};

}  // namespace vantiro::app::testing
