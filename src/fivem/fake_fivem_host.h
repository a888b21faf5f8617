#pragma once

// Test doubles for the folder choice and the bridge: a scripted folder dialog, a settings
// store with the value rule and a failing mode, and a chrome that records its notices.

#include <functional>
#include <string>
#include <vector>

#include "fivem/fivem_chrome.h"
#include "fivem/folder_choice.h"
#include "fivem/folder_picker.h"

namespace vantiro::testing_fs {

struct ScriptedFolderPicker final : FolderPicker {
  FolderPickResult next;
  std::function<void()> while_open;  // runs as if messages arrived during the modal loop
  std::vector<FolderPickRequest> requests;
  std::vector<std::u16string> titles;

  FolderPickResult pick_folder(const FolderPickRequest& request) override {
    requests.push_back(request);
    titles.emplace_back(request.title);
    if (while_open) while_open();
    return next;
  }
};

struct MemoryFolderStore final : FiveMFolderStore {
  std::string value;
  bool fail_commits = false;
  int commits = 0;

  std::string stored_folder() const override { return value; }
  bool accepts_folder(std::string_view v) const override {
    if (v.empty() || v.size() > 512) return false;
    if (v.front() == ' ' || v.front() == '\t' || v.back() == ' ' || v.back() == '\t') return false;
    return v.find_first_of(std::string_view("\0\r\n", 3)) == std::string_view::npos;
  }
  bool commit_folder(std::string v) override {
    if (fail_commits) return false;
    ++commits;
    value = std::move(v);
    return true;
  }
};

struct RecordingChrome final : FiveMChrome {
  struct Notice {
    std::u16string text;
    bool success;
    std::uint32_t duration_ms;
  };
  std::vector<Notice> notices;
  int repaints = 0;

  void show_notice(std::u16string_view text, bool success, std::uint32_t duration_ms) override {
    notices.push_back({std::u16string(text), success, duration_ms});
  }
  void repaint() override { ++repaints; }
};

}  // namespace vantiro::testing_fs
