#pragma once

// Test double: an in-memory folder tree of regular files with switchable failures.

#include <map>
#include <set>
#include <string>

#include "update/update_files.h"

namespace vantiro::update::testing {

class FakeUpdateFiles final : public UpdateFiles {
 public:
  std::map<Path, std::string> files;
  std::set<Path> folders;
  std::set<Path> unwritable_folders;
  std::set<Path> undeletable;  // removing these fails, as for a file still in use
  bool fail_create = false;
  bool fail_write_after_bytes = false;  // a write fails once this many bytes were written
  std::size_t write_limit = 0;
  bool fail_finish = false;
  bool fail_open_held = false;
  bool fail_replace = false;
  bool replace_loses_target = false;  // the failing replace leaves no target behind
  bool fail_move = false;
  int held_open = 0;  // held handles alive now

  PathKind kind(const Path& p) override {
    if (files.count(p)) return PathKind::regular_file;
    if (folders.count(p)) return PathKind::directory;
    return PathKind::missing;
  }

  std::unique_ptr<DownloadFile> create_download(const Path& p) override {
    if (fail_create || files.count(p)) return nullptr;
    files[p];
    return std::make_unique<Download>(*this, p);
  }

  std::unique_ptr<HeldFile> open_held(const Path& p) override {
    if (fail_open_held || (!files.count(p) && !folders.count(p))) return nullptr;
    return std::make_unique<Held>(*this, p);
  }

  bool remove_file(const Path& p) override {
    if (undeletable.count(p)) return false;
    files.erase(p);
    return true;
  }

  bool can_create_file_in(const Path& folder, std::u16string_view) override {
    return folders.count(folder) && !unwritable_folders.count(folder);
  }

  bool create_directories(const Path& p) override {
    for (Path q = p; !q.empty() && q != q.parent_path(); q = q.parent_path()) folders.insert(q);
    return true;
  }

  bool replace_with_backup(const Path& target, const Path& replacement,
                           const Path& backup) override {
    if (fail_replace) {
      if (replace_loses_target) {
        files[backup] = files[target];
        files.erase(target);
      }
      return false;
    }
    if (!files.count(target) || !files.count(replacement)) return false;
    files[backup] = files[target];
    files[target] = files[replacement];
    files.erase(replacement);
    return true;
  }

  bool move_replacing(const Path& from, const Path& to) override {
    if (fail_move || !files.count(from)) return false;
    files[to] = files[from];
    files.erase(from);
    return true;
  }

 private:
  struct Download final : DownloadFile {
    Download(FakeUpdateFiles& f, Path p) : fs(f), path(std::move(p)) {}
    bool write(std::string_view b) override {
      std::string& content = fs.files[path];
      if (fs.fail_write_after_bytes && content.size() + b.size() > fs.write_limit) return false;
      content.append(b);
      return true;
    }
    bool finish() override { return !fs.fail_finish; }
    FakeUpdateFiles& fs;
    Path path;
  };

  struct Held final : HeldFile {
    Held(FakeUpdateFiles& f, Path p) : fs(f), path(std::move(p)) { ++fs.held_open; }
    ~Held() override { --fs.held_open; }
    std::optional<std::uint64_t> regular_file_size() override {
      if (!fs.files.count(path)) return std::nullopt;
      return fs.files[path].size();
    }
    std::optional<std::string> read_all(std::size_t max) override {
      if (!fs.files.count(path) || fs.files[path].size() > max) return std::nullopt;
      return fs.files[path];
    }
    FakeUpdateFiles& fs;
    Path path;
  };
};

}  // namespace vantiro::update::testing
