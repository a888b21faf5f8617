#pragma once

// In-memory FileSystem for tests. Paths are compared in their generic, lexically normal form;
// a path whose parent is a root (or empty) needs no parent folder.

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "common/file_system.h"
#include "common/utf.h"

namespace vantiro {

class FakeFileSystem final : public FileSystem {
 public:
  struct Node {
    PathKind kind = PathKind::regular_file;
    std::string bytes;
  };

  // Set-up.
  void add_file(const Path& path, std::string_view bytes) {
    add_parents(path);
    nodes_[key(path)] = Node{PathKind::regular_file, std::string(bytes)};
  }
  void add_directory(const Path& path) {
    add_parents(path);
    nodes_[key(path)] = Node{PathKind::directory, {}};
  }
  // A FIFO, device or symbolic link: exists but is no regular file.
  void add_other(const Path& path) {
    add_parents(path);
    nodes_[key(path)] = Node{PathKind::other, {}};
  }

  // Injectable failures.
  void fail_kind(const Path& path) { kind_failures_.insert(key(path)); }
  void fail_read(const Path& path) { read_failures_.insert(key(path)); }
  void fail_create_directories(bool fail) { fail_create_directories_ = fail; }
  void fail_replace(const Path& path) { replace_failures_.insert(key(path)); }
  void fail_remove(const Path& path) { remove_failures_.insert(key(path)); }

  // Inspection.
  bool exists(const Path& path) const { return nodes_.count(key(path)) != 0; }
  PathKind kind_of(const Path& path) const {
    auto it = nodes_.find(key(path));
    return it == nodes_.end() ? PathKind::missing : it->second.kind;
  }
  std::string contents(const Path& path) const {
    auto it = nodes_.find(key(path));
    return it == nodes_.end() ? std::string() : it->second.bytes;
  }
  int replace_calls() const { return replace_calls_; }
  int create_directories_calls() const { return create_directories_calls_; }
  // The limits that read_regular_file was called with, in call order.
  const std::vector<std::size_t>& read_limits() const { return read_limits_; }

  // FileSystem.
  PathKind kind(const Path& path) override {
    if (kind_failures_.count(key(path))) return PathKind::error;
    return kind_of(path);
  }

  BoundedRead read_regular_file(const Path& path, std::size_t max_bytes) override {
    read_limits_.push_back(max_bytes);
    BoundedRead r;
    const std::string k = key(path);
    if (read_failures_.count(k) || kind_failures_.count(k)) {
      r.status = BoundedRead::Status::error;
      return r;
    }
    auto it = nodes_.find(k);
    if (it == nodes_.end()) {
      r.status = BoundedRead::Status::missing;
    } else if (it->second.kind != PathKind::regular_file) {
      r.status = BoundedRead::Status::not_regular;
    } else if (it->second.bytes.size() > max_bytes) {
      r.status = BoundedRead::Status::too_large;
    } else {
      r.status = BoundedRead::Status::ok;
      r.bytes = it->second.bytes;
    }
    return r;
  }

  bool create_directories(const Path& path) override {
    ++create_directories_calls_;
    if (fail_create_directories_) return false;
    Path p = path.lexically_normal();
    std::vector<Path> chain;
    for (; !is_rootish(p); p = p.parent_path()) chain.push_back(p);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      auto found = nodes_.find(key(*it));
      if (found == nodes_.end()) {
        nodes_[key(*it)] = Node{PathKind::directory, {}};
      } else if (found->second.kind != PathKind::directory) {
        return false;
      }
    }
    return true;
  }

  bool replace_file_atomically(const Path& target, std::string_view bytes) override {
    ++replace_calls_;
    const std::string k = key(target);
    if (replace_failures_.count(k)) return false;
    if (!parent_is_directory(target)) return false;
    auto it = nodes_.find(k);
    if (it != nodes_.end() && it->second.kind == PathKind::directory) return false;
    nodes_[k] = Node{PathKind::regular_file, std::string(bytes)};
    return true;
  }

  bool remove_file(const Path& path) override {
    const std::string k = key(path);
    if (remove_failures_.count(k)) return false;
    auto it = nodes_.find(k);
    if (it == nodes_.end()) return true;
    if (it->second.kind == PathKind::directory) return false;
    nodes_.erase(it);
    return true;
  }

 private:
  static std::string key(const Path& path) {
    return to_utf8(path.lexically_normal().generic_u16string());
  }
  static bool is_rootish(const Path& p) {
    return p.empty() || p == p.root_path() || !p.has_relative_path();
  }
  bool parent_is_directory(const Path& path) const {
    const Path parent = path.lexically_normal().parent_path();
    if (is_rootish(parent)) return true;
    auto it = nodes_.find(key(parent));
    return it != nodes_.end() && it->second.kind == PathKind::directory;
  }
  void add_parents(const Path& path) {
    for (Path p = path.lexically_normal().parent_path(); !is_rootish(p); p = p.parent_path()) {
      if (!nodes_.count(key(p))) nodes_[key(p)] = Node{PathKind::directory, {}};
    }
  }

  std::map<std::string, Node> nodes_;
  std::set<std::string> kind_failures_, read_failures_, replace_failures_, remove_failures_;
  bool fail_create_directories_ = false;
  int replace_calls_ = 0;
  int create_directories_calls_ = 0;
  std::vector<std::size_t> read_limits_;
};

}  // namespace vantiro
