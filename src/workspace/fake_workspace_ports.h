#pragma once

// Recording doubles of the small ports around the tab model.

#include <string>
#include <vector>

#include "common/clock.h"
#include "workspace/tab_model.h"

namespace vantiro::workspace::testing {

struct FakeShell final : WorkspaceShell {
  struct Notice {
    std::u16string en;
    bool success;
  };
  void show_notice(LocalizedText text, bool success) override {
    notices.push_back({std::u16string(text.en), success});
  }
  void refresh_chrome() override { ++refreshes; }
  void leave_window_fullscreen() override { ++fullscreen_leaves; }
  void focus_main_window() override { ++main_focuses; }
  ViewRect content_rect() override { return content; }
  void keep_animating() override { ++animation_requests; }

  std::vector<Notice> notices;
  ViewRect content{48, 80, 1200, 700};
  int refreshes = 0;
  int fullscreen_leaves = 0;
  int main_focuses = 0;
  int animation_requests = 0;
};

// A small stand-in for the address helpers and the catalog: "/sv/<tool>" and "/en/<tool>"
// on https://svc.test; the tools "editor" and "vehicles".
struct FakeAddresses final : TabAddresses {
  static constexpr std::u16string_view kOrigin = u"https://svc.test";
  std::int32_t icon_for_url(std::u16string_view url) override {
    const std::u16string path = route_of(url);
    if (path.ends_with(u"/editor")) return 1;
    if (path.ends_with(u"/vehicles")) return 2;
    return 0;
  }
  std::u16string start_url(bool sv) override {
    return std::u16string(kOrigin) + (sv ? u"/sv/editor" : u"/en/editor");
  }
  std::u16string route_url(std::u16string_view route, bool sv) override {
    return std::u16string(kOrigin) + (sv ? u"/sv" : u"/en") + std::u16string(route);
  }
  std::u16string route_of(std::u16string_view url) override {
    if (!url.starts_with(kOrigin)) return {};
    return std::u16string(url.substr(kOrigin.size()));
  }
  std::optional<LocalizedText> tool_label(std::u16string_view path) override {
    if (path.ends_with(u"/editor")) return LocalizedText{u"Redigerare", u"Editor"};
    if (path.ends_with(u"/vehicles")) return LocalizedText{u"Fordon", u"Vehicles"};
    return std::nullopt;
  }
};

struct FakeClock final : Clock {
  std::uint64_t now = 0;
  std::uint64_t now_ms() override { return now; }
  std::int64_t wall_time_ms() override { return 1'700'000'000'000; }
};

}  // namespace vantiro::workspace::testing
