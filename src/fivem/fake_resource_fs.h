#pragma once

// Test double: an in-memory tree of folders, files and links with the semantics of the
// handle-based port, plus hooks to change the tree between calls (to stage races), mount
// points (a folder on another device) and folders whose resolved path lies elsewhere.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fivem/resource_fs.h"

namespace vantiro::testing_fs {

class FakeResourceFs final : public ResourceFs {
 public:
  enum class Kind { folder, file, link, other };
  struct Node {
    Kind kind = Kind::folder;
    int parent = -1;
    std::u16string name;
    std::map<std::u16string, int> children;
    std::string bytes;
    std::u16string link_target;
    int device = 0;
    std::u16string final_path_override;
  };

  FakeResourceFs() { nodes_.push_back(Node{}); }

  // Runs before every call with the operation's name; may change the tree.
  std::function<void(std::string_view op)> before;
  std::uint64_t operations = 0;  // every call that touches the tree

  int add(std::u16string_view path, Kind kind, std::string bytes = {}) {
    int cur = 0;
    const auto parts = split(path);
    for (std::size_t i = 0; i < parts.size(); ++i) {
      auto& ch = nodes_[cur].children;
      auto it = ch.find(parts[i]);
      if (it != ch.end()) {
        cur = it->second;
        continue;
      }
      Node n;
      n.kind = i + 1 == parts.size() ? kind : Kind::folder;
      n.parent = cur;
      n.name = parts[i];
      n.device = nodes_[cur].device;
      if (i + 1 == parts.size()) n.bytes = std::move(bytes);
      nodes_.push_back(std::move(n));
      const int id = static_cast<int>(nodes_.size()) - 1;
      nodes_[cur].children[parts[i]] = id;
      cur = id;
    }
    return cur;
  }
  int add_link(std::u16string_view path, std::u16string_view target) {
    const int id = add(path, Kind::link);
    nodes_[id].link_target = target;
    return id;
  }
  // Moves a node to a new path (whose parent must exist), as rename would.
  void move(std::u16string_view from, std::u16string_view to) {
    const int id = find(from);
    const int new_parent = find(parent_of(to));
    nodes_[nodes_[id].parent].children.erase(nodes_[id].name);
    nodes_[id].parent = new_parent;
    nodes_[id].name = split(to).back();
    nodes_[new_parent].children[nodes_[id].name] = id;
  }
  Node& node(std::u16string_view path) { return nodes_[find(path)]; }
  bool exists(std::u16string_view path) { return find(path) >= 0; }
  int find(std::u16string_view path) const {
    int cur = 0;
    for (const auto& p : split(path)) {
      auto it = nodes_[cur].children.find(p);
      if (it == nodes_[cur].children.end()) return -1;
      cur = it->second;
    }
    return cur;
  }
  // Every path under a folder, to compare before and after.
  std::vector<std::u16string> listing(std::u16string_view root = u"") const {
    std::vector<std::u16string> out;
    const int start = find(root);
    if (start >= 0) list(start, std::u16string(root), out);
    return out;
  }

  PathStyle path_style() const override { return PathStyle::posix; }

  OpenedFolder open_root_folder(std::u16string_view path) override {
    hook("open_root_folder");
    int cur = 0;
    for (int hops = 0; hops < 8; ++hops) {
      cur = 0;
      bool relinked = false;
      std::u16string rebuilt;
      const auto parts = split(path);
      for (std::size_t i = 0; i < parts.size(); ++i) {
        auto it = nodes_[cur].children.find(parts[i]);
        if (it == nodes_[cur].children.end()) return {OpenStatus::missing, -1};
        cur = it->second;
        if (nodes_[cur].kind == Kind::link) {
          rebuilt = nodes_[cur].link_target;
          for (std::size_t j = i + 1; j < parts.size(); ++j) rebuilt += u"/" + parts[j];
          relinked = true;
          break;
        }
        if (nodes_[cur].kind != Kind::folder) return {OpenStatus::not_folder, -1};
      }
      if (!relinked) return {OpenStatus::ok, open_handle(cur)};
      link_storage_ = rebuilt;
      path = link_storage_;
    }
    return {OpenStatus::error, -1};
  }

  EntryKind entry_kind(FolderHandle folder, std::u16string_view name) override {
    hook("entry_kind");
    const int parent = folders_.at(folder);
    const int id = child(parent, name);
    if (id < 0) return EntryKind::missing;
    switch (nodes_[id].kind) {
      case Kind::link:
        return EntryKind::reparse_point;
      case Kind::folder:
        return nodes_[id].device == nodes_[parent].device ? EntryKind::folder
                                                          : EntryKind::reparse_point;
      case Kind::file:
        return EntryKind::file;
      case Kind::other:
        return EntryKind::other;
    }
    return EntryKind::error;
  }

  OpenedFolder open_folder(FolderHandle parent_handle, std::u16string_view name) override {
    hook("open_folder");
    const int parent = folders_.at(parent_handle);
    const int id = child(parent, name);
    if (id < 0) return {OpenStatus::missing, -1};
    if (nodes_[id].kind == Kind::link) return {OpenStatus::reparse_point, -1};
    if (nodes_[id].kind != Kind::folder) return {OpenStatus::not_folder, -1};
    if (nodes_[id].device != nodes_[parent].device) return {OpenStatus::reparse_point, -1};
    return {OpenStatus::ok, open_handle(id)};
  }

  bool create_folder(FolderHandle parent_handle, std::u16string_view name) override {
    hook("create_folder");
    ++operations;
    const int parent = folders_.at(parent_handle);
    if (child(parent, name) >= 0) return false;
    make_child(parent, name, Kind::folder);
    return true;
  }

  std::optional<std::u16string> final_path(FolderHandle folder) override {
    hook("final_path");
    const int id = folders_.at(folder);
    if (!nodes_[id].final_path_override.empty()) return nodes_[id].final_path_override;
    return path_of(id);
  }

  void close_folder(FolderHandle folder) override {
    hook("close_folder");
    folders_.erase(folder);
  }
  bool flush_folder(FolderHandle folder) override {
    hook("flush_folder");
    return folders_.count(folder) == 1;
  }

  std::optional<FileHandle> create_new_file(FolderHandle folder,
                                            std::u16string_view name) override {
    hook("create_new_file");
    ++operations;
    const int parent = folders_.at(folder);
    if (child(parent, name) >= 0) return std::nullopt;
    const int id = make_child(parent, name, Kind::file);
    files_[next_] = id;
    return next_++;
  }
  std::size_t write_file(FileHandle file, const char* data, std::size_t size) override {
    hook("write_file");
    ++operations;
    nodes_[files_.at(file)].bytes.append(data, size);
    return size;
  }
  void begin_flush(FileHandle) override { hook("begin_flush"); }
  bool flush_file(FileHandle) override {
    hook("flush_file");
    return true;
  }
  bool close_file(FileHandle file) override {
    hook("close_file");
    return files_.erase(file) == 1;
  }
  void remove_file(FolderHandle folder, std::u16string_view name) override {
    hook("remove_file");
    ++operations;
    const int parent = folders_.at(folder);
    const int id = child(parent, name);
    if (id >= 0 && nodes_[id].kind != Kind::folder) nodes_[parent].children.erase(nodes_[id].name);
  }
  bool replace_file(FolderHandle folder, std::u16string_view from,
                    std::u16string_view to) override {
    hook("replace_file");
    ++operations;
    const int parent = folders_.at(folder);
    const int src = child(parent, from);
    const int dst = child(parent, to);
    if (src < 0 || nodes_[src].kind != Kind::file) return false;
    if (dst >= 0 && nodes_[dst].kind == Kind::folder) return false;
    auto& ch = nodes_[parent].children;
    ch.erase(nodes_[src].name);
    nodes_[src].name = to;
    ch[nodes_[src].name] = src;
    return true;
  }
  std::uint32_t process_id() override { return 4312; }
  std::uint64_t tick_ms() override { return 90210577; }

  std::size_t open_folder_count() const { return folders_.size(); }

 private:
  static std::vector<std::u16string> split(std::u16string_view path) {
    std::vector<std::u16string> out;
    std::size_t i = 0;
    while (i < path.size()) {
      while (i < path.size() && path[i] == u'/') ++i;
      std::size_t e = i;
      while (e < path.size() && path[e] != u'/') ++e;
      if (e > i) out.emplace_back(path.substr(i, e - i));
      i = e;
    }
    return out;
  }
  static std::u16string parent_of(std::u16string_view path) {
    const auto slash = path.rfind(u'/');
    return std::u16string(slash == std::u16string_view::npos ? u"" : path.substr(0, slash));
  }
  void hook(std::string_view op) {
    if (before) before(op);
  }
  int child(int parent, std::u16string_view name) const {
    auto it = nodes_[parent].children.find(std::u16string(name));
    return it == nodes_[parent].children.end() ? -1 : it->second;
  }
  int make_child(int parent, std::u16string_view name, Kind kind) {
    Node n;
    n.kind = kind;
    n.parent = parent;
    n.name = name;
    n.device = nodes_[parent].device;
    nodes_.push_back(std::move(n));
    const int id = static_cast<int>(nodes_.size()) - 1;
    nodes_[parent].children[std::u16string(name)] = id;
    return id;
  }
  FolderHandle open_handle(int id) {
    folders_[next_] = id;
    return next_++;
  }
  std::u16string path_of(int id) const {
    if (id == 0) return u"/";
    std::u16string out;
    for (int cur = id; cur != 0; cur = nodes_[cur].parent) out = u"/" + nodes_[cur].name + out;
    return out;
  }
  void list(int id, const std::u16string& prefix, std::vector<std::u16string>& out) const {
    for (const auto& [name, c] : nodes_[id].children) {
      const std::u16string p = prefix + u"/" + name;
      out.push_back(p + (nodes_[c].kind == Kind::file ? u"=" + to_u16(nodes_[c].bytes) : u""));
      if (nodes_[c].kind == Kind::folder) list(c, p, out);
    }
  }
  static std::u16string to_u16(const std::string& bytes) {
    return std::u16string(bytes.begin(), bytes.end());
  }

  std::vector<Node> nodes_;
  std::map<FolderHandle, int> folders_;
  std::map<FileHandle, int> files_;
  FileHandle next_ = 3;
  std::u16string link_storage_;
};

}  // namespace vantiro::testing_fs
