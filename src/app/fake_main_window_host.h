#pragma once

// A recording main-window host and the small doubles a MainWindow needs in tests.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "common/utf.h"
#include "workspace/fake_workspace_ports.h"

namespace vantiro::app::testing {

struct FakeViews final : workspace::TabViewFactory {
  int environments = 0;
  int views = 0;
  void create_web_environment() override { ++environments; }
  void create_tab_view(workspace::WorkspaceTab&) override { ++views; }
};

struct FakeMainWindowHost final : MainWindowHost, WindowServices {
  std::vector<std::string> calls;       // in order, e.g. "timer 78 3500"
  std::map<int, std::uint64_t> timers;  // armed timers and their intervals
  std::u16string title;
  std::u16string tooltip;
  chrome::CursorKind cursor = chrome::CursorKind::arrow;
  int repaints = 0;
  int prompts = 0;
  std::u16string prompt_text;
  bool answer_yes = false;
  std::function<void()> during_prompt;  // events that arrive inside the question's loop
  std::optional<WindowPlacement> placement = WindowPlacement{100, 80, 1280, 800, false};
  bool can_cover_monitor = true;
  bool install_succeeds = false;
  int installs = 0;
  std::vector<bool> update_checks;
  std::vector<std::u16string> opened_externally;
  std::uint64_t cache_token = 0;
  int quit_code = -1;
  MainWindow* window = nullptr;  // destroy_window calls back like a real window would

  void repaint() override { ++repaints; }
  void set_title(std::u16string_view t) override { title = t; }
  void set_cursor(chrome::CursorKind c) override { cursor = c; }
  void set_tooltip(std::u16string_view t) override { tooltip = t; }
  bool start_timer(TimerId id, std::uint64_t ms) override {
    timers[static_cast<int>(id)] = ms;
    calls.push_back("timer " + std::to_string(static_cast<int>(id)) + " " + std::to_string(ms));
    return true;
  }
  void stop_timer(TimerId id) override { timers.erase(static_cast<int>(id)); }
  void begin_move_drag() override { calls.push_back("move drag"); }
  void begin_resize_drag(int code) override {
    calls.push_back("resize drag " + std::to_string(code));
  }
  void toggle_maximize() override { calls.push_back("toggle maximize"); }
  void minimize() override { calls.push_back("minimize"); }
  std::optional<WindowPlacement> read_placement() override { return placement; }
  bool cover_monitor() override {
    calls.push_back("cover monitor");
    return can_cover_monitor;
  }
  void restore_placement(const WindowPlacement& p) override {
    calls.push_back("restore " + std::to_string(p.x) + "," + std::to_string(p.y));
  }
  void focus_main_window() override {}
  bool ask_close_confirmation(std::u16string_view text) override {
    ++prompts;
    prompt_text = text;
    calls.push_back("ask");
    if (during_prompt) during_prompt();
    return answer_yes;
  }
  void save_window_placement() override { calls.push_back("save placement"); }
  void destroy_window() override {
    calls.push_back("destroy");
    if (window) window->on_destroyed();
  }
  void quit(int code) override {
    quit_code = code;
    calls.push_back("quit " + std::to_string(code));
  }
  void open_externally(std::u16string_view url) override { opened_externally.emplace_back(url); }
  void start_update_check(bool auto_install) override { update_checks.push_back(auto_install); }
  bool install_update_and_restart(std::unique_ptr<update::StagedUpdate>&) override {
    ++installs;
    return install_succeeds;
  }
  void visual_check_step() override { calls.push_back("visual step"); }
  bool accept_cache_result(std::uint64_t token) override { return token == cache_token; }
  void reapply_zoom_to_all_views() override { calls.push_back("zoom"); }
  void run_settings_action(const chrome::ZoneAction&) override { calls.push_back("settings"); }

  bool called(const std::string& what) const {
    for (const auto& c : calls)
      if (c == what) return true;
    return false;
  }
  int count(const std::string& what) const {
    int n = 0;
    for (const auto& c : calls) n += c == what;
    return n;
  }
};

}  // namespace vantiro::app::testing
