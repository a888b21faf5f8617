#pragma once

// Test double: passes every call to a real file system and fails the chosen call of one
// operation, so each staging and commit step can be made to fail on real folders.

#include <map>
#include <string>

#include "fivem/resource_fs.h"

namespace vantiro::testing_fs {

class FaultResourceFs final : public ResourceFs {
 public:
  explicit FaultResourceFs(ResourceFs& inner) : inner_(inner) {}

  // Fails call number `index` (0-based) of operation `op`; "" fails nothing.
  void fail(std::string op, int index) {
    fail_op_ = std::move(op);
    fail_index_ = index;
  }
  int calls(const std::string& op) const {
    auto it = calls_.find(op);
    return it == calls_.end() ? 0 : it->second;
  }

  PathStyle path_style() const override { return inner_.path_style(); }
  OpenedFolder open_root_folder(std::u16string_view p) override {
    count("open_root_folder");
    return inner_.open_root_folder(p);
  }
  EntryKind entry_kind(FolderHandle f, std::u16string_view n) override {
    count("entry_kind");
    return inner_.entry_kind(f, n);
  }
  OpenedFolder open_folder(FolderHandle p, std::u16string_view n) override {
    count("open_folder");
    return inner_.open_folder(p, n);
  }
  bool create_folder(FolderHandle p, std::u16string_view n) override {
    return !hit("create_folder") && inner_.create_folder(p, n);
  }
  std::optional<std::u16string> final_path(FolderHandle f) override {
    count("final_path");
    return inner_.final_path(f);
  }
  void close_folder(FolderHandle f) override {
    count("close_folder");
    inner_.close_folder(f);
  }
  bool flush_folder(FolderHandle f) override {
    return !hit("flush_folder") && inner_.flush_folder(f);
  }
  std::optional<FileHandle> create_new_file(FolderHandle f, std::u16string_view n) override {
    if (hit("create_new_file")) return std::nullopt;
    return inner_.create_new_file(f, n);
  }
  std::size_t write_file(FileHandle f, const char* d, std::size_t s) override {
    return hit("write_file") ? 0 : inner_.write_file(f, d, s);
  }
  void begin_flush(FileHandle f) override {
    count("begin_flush");
    inner_.begin_flush(f);
  }
  bool flush_file(FileHandle f) override { return !hit("flush_file") && inner_.flush_file(f); }
  bool close_file(FileHandle f) override {
    const bool failing = hit("close_file");
    return inner_.close_file(f) && !failing;  // the handle is released either way
  }
  void remove_file(FolderHandle f, std::u16string_view n) override {
    count("remove_file");
    inner_.remove_file(f, n);
  }
  bool replace_file(FolderHandle f, std::u16string_view from, std::u16string_view to) override {
    return !hit("replace_file") && inner_.replace_file(f, from, to);
  }
  std::uint32_t process_id() override { return inner_.process_id(); }
  std::uint64_t tick_ms() override { return inner_.tick_ms(); }

 private:
  void count(const std::string& op) { ++calls_[op]; }
  bool hit(const std::string& op) { return calls_[op]++ == fail_index_ && op == fail_op_; }

  ResourceFs& inner_;
  std::map<std::string, int> calls_;
  std::string fail_op_;
  int fail_index_ = -1;
};

}  // namespace vantiro::testing_fs
