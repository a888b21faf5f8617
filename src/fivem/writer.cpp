#include "fivem/writer.h"

#include <algorithm>
#include <map>
#include <string>

#include "common/utf.h"

namespace vantiro {
namespace {

FiveMWriteResult failure(FiveMError e, std::int32_t written = 0) {
  return FiveMWriteResult{false, written, e};
}

std::vector<std::u16string_view> split_segments(std::u16string_view path) {
  std::vector<std::u16string_view> out;
  std::size_t start = 0;
  while (true) {
    const auto slash = path.find(u'/', start);
    if (slash == std::u16string_view::npos) {
      out.push_back(path.substr(start));
      return out;
    }
    out.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
}

std::u16string decimal(std::uint64_t v) {
  return to_utf16(std::to_string(v));
}

// Owns every folder the call opened; all are closed when the call ends, on every path.
class OpenFolders {
 public:
  explicit OpenFolders(ResourceFs& fs) : fs_(fs) {}
  OpenFolders(const OpenFolders&) = delete;
  OpenFolders& operator=(const OpenFolders&) = delete;
  ~OpenFolders() { close_all(); }

  FolderHandle keep(FolderHandle h) {
    held_.push_back(h);
    return h;
  }
  void close_all() {
    for (FolderHandle h : held_) fs_.close_folder(h);
    held_.clear();
  }

 private:
  ResourceFs& fs_;
  std::vector<FolderHandle> held_;
};

struct Folder {
  FolderHandle handle = -1;
  std::u16string final_path;
};

class Writer {
 public:
  Writer(ResourceFs& fs, std::u16string_view fivem_folder, std::u16string_view name,
         const std::vector<FiveMFile>& files)
      : fs_(fs), folder_text_(fivem_folder), name_(name), files_(files), open_(fs), preflight_(fs) {
    sep_ = fs.path_style() == PathStyle::windows ? u"\\" : u"/";
  }

  FiveMWriteResult run() {
    if (const FiveMError e = check_fivem_request(name_, files_); e != FiveMError::none)
      return failure(e);
    if (const FiveMError e = check_folders(); e != FiveMError::none) return failure(e);
    if (const FiveMError e = check_targets(); e != FiveMError::none) return failure(e);
    if (const FiveMError e = prepare_folders(); e != FiveMError::none) return failure(e);
    if (const FiveMError e = stage(); e != FiveMError::none) return failure(e);
    return commit();
  }

 private:
  bool inside(std::u16string_view root, std::u16string_view candidate) const {
    return is_strictly_inside(root, candidate, fs_.path_style());
  }

  std::u16string join(std::u16string_view base, std::u16string_view name) const {
    std::u16string out(base);
    if (out.empty() || out.back() != sep_[0]) out += sep_;
    out += name;
    return out;
  }

  // Phase B: the FiveM folder, and the resource folder inside it.
  FiveMError check_folders() {
    if (folder_text_.empty() || !is_absolute_fivem_folder(folder_text_, fs_.path_style()))
      return FiveMError::no_folder;
    const OpenedFolder root = fs_.open_root_folder(folder_text_);
    if (root.status != OpenStatus::ok) return FiveMError::folder_missing;
    root_ = open_.keep(root.folder);

    switch (fs_.entry_kind(root_, name_)) {
      case EntryKind::reparse_point:
        return FiveMError::reparse_point;
      case EntryKind::error:
        return FiveMError::write_failed;
      case EntryKind::file:
      case EntryKind::other:
        return FiveMError::path_conflict;
      case EntryKind::folder:
        resource_existed_ = true;
        break;
      case EntryKind::missing:
        resource_existed_ = false;
        break;
    }

    const auto root_final = fs_.final_path(root_);
    if (!root_final) return FiveMError::folder_missing;
    root_final_ = *root_final;
    if (resource_existed_) {
      const OpenedFolder r = fs_.open_folder(root_, name_);
      if (r.status == OpenStatus::reparse_point) return FiveMError::reparse_point;
      if (r.status != OpenStatus::ok) return FiveMError::outside_resource;
      preflight_resource_ = preflight_.keep(r.folder);
      const auto r_final = fs_.final_path(preflight_resource_);
      if (!r_final) return FiveMError::outside_resource;
      resource_final_ = *r_final;
    } else {
      resource_final_ = join(root_final_, name_);
    }
    if (!inside(root_final_, resource_final_)) return FiveMError::outside_resource;
    return FiveMError::none;
  }

  // Phase C: what already exists on the way to each target, before anything changes.
  FiveMError check_targets() {
    std::map<std::u16string, Folder, std::less<>> seen;
    for (const FiveMFile& file : files_) {
      const auto segs = split_segments(file.path);
      Folder cur{resource_existed_ ? preflight_resource_ : FolderHandle{-1}, resource_final_};
      std::u16string prefix;
      for (std::size_t i = 0; i + 1 < segs.size(); ++i) {
        prefix += segs[i];
        prefix += u'/';
        if (auto it = seen.find(prefix); it != seen.end()) {
          cur = it->second;
          continue;
        }
        Folder next{-1, join(cur.final_path, segs[i])};
        if (cur.handle >= 0) {
          const EntryKind k = fs_.entry_kind(cur.handle, segs[i]);
          if (k == EntryKind::reparse_point) return FiveMError::reparse_point;
          if (k == EntryKind::folder) {
            const OpenedFolder o = fs_.open_folder(cur.handle, segs[i]);
            if (o.status == OpenStatus::reparse_point) return FiveMError::reparse_point;
            if (o.status == OpenStatus::ok) {
              next.handle = preflight_.keep(o.folder);
              const auto p = fs_.final_path(next.handle);
              if (!p) return FiveMError::outside_resource;
              next.final_path = *p;
            }
          }
        }
        seen.emplace(prefix, next);
        cur = next;
      }
      if (cur.handle >= 0 && fs_.entry_kind(cur.handle, segs.back()) == EntryKind::reparse_point)
        return FiveMError::reparse_point;
      if (!inside(resource_final_, join(cur.final_path, segs.back())))
        return FiveMError::outside_resource;
    }
    // The writes below open every folder afresh from the FiveM folder's handle and check it
    // again on the handle they use.
    preflight_.close_all();
    return FiveMError::none;
  }

  // Phase D: the resource folder and every sub-folder, created where missing; each file gets
  // the handle of the folder it will be written into.
  FiveMError prepare_folders() {
    if (!resource_existed_) {
      if (!fs_.create_folder(root_, name_)) return FiveMError::write_failed;
      touched_.push_back(root_);
    }
    if (fs_.entry_kind(root_, name_) == EntryKind::reparse_point) return FiveMError::reparse_point;
    const OpenedFolder r = fs_.open_folder(root_, name_);
    if (r.status == OpenStatus::reparse_point) return FiveMError::reparse_point;
    if (r.status == OpenStatus::not_folder) return FiveMError::path_conflict;
    if (r.status != OpenStatus::ok) return FiveMError::outside_resource;
    const FolderHandle resource = open_.keep(r.folder);
    const auto r_final = fs_.final_path(resource);
    if (!r_final || !inside(root_final_, *r_final)) return FiveMError::outside_resource;
    const std::u16string resource_final = *r_final;
    written_resource_final_ = resource_final;

    std::map<std::u16string, Folder, std::less<>> made;
    targets_.clear();
    for (const FiveMFile& file : files_) {
      const auto segs = split_segments(file.path);
      Folder cur{resource, resource_final};
      std::u16string prefix;
      for (std::size_t i = 0; i + 1 < segs.size(); ++i) {
        prefix += segs[i];
        prefix += u'/';
        if (auto it = made.find(prefix); it != made.end()) {
          cur = it->second;
          continue;
        }
        const std::u16string_view seg = segs[i];
        switch (fs_.entry_kind(cur.handle, seg)) {
          case EntryKind::reparse_point:
            return FiveMError::reparse_point;
          case EntryKind::missing:
          case EntryKind::error:
            if (!fs_.create_folder(cur.handle, seg)) return FiveMError::write_failed;
            touched_.push_back(cur.handle);
            break;
          case EntryKind::file:
          case EntryKind::other:
            return FiveMError::path_conflict;
          case EntryKind::folder:
            break;
        }
        const OpenedFolder o = fs_.open_folder(cur.handle, seg);
        if (o.status == OpenStatus::reparse_point) return FiveMError::reparse_point;
        if (o.status == OpenStatus::not_folder) return FiveMError::path_conflict;
        if (o.status != OpenStatus::ok) return FiveMError::write_failed;
        Folder next{open_.keep(o.folder), {}};
        const auto p = fs_.final_path(next.handle);
        if (!p || !inside(resource_final, *p)) return FiveMError::outside_resource;
        next.final_path = *p;
        made.emplace(prefix, next);
        cur = next;
      }
      const std::u16string_view leaf = segs.back();
      switch (fs_.entry_kind(cur.handle, leaf)) {
        case EntryKind::reparse_point:
          return FiveMError::reparse_point;
        case EntryKind::folder:
          return FiveMError::path_conflict;
        case EntryKind::error:
          return FiveMError::outside_resource;
        default:
          break;
      }
      if (!inside(resource_final, join(cur.final_path, leaf))) return FiveMError::outside_resource;
      targets_.push_back(Target{cur.handle, std::u16string(leaf), {}});
    }
    return FiveMError::none;
  }

  void remove_staged(std::size_t from, std::size_t to) {
    for (std::size_t j = from; j < to; ++j)
      fs_.remove_file(targets_[j].folder, targets_[j].staging);
  }

  // Phase E: every file written completely and flushed beside its target.
  // Phase E: every file written completely beside its target, then each flushed and closed.
  // Writing all before flushing any lets the data of one file go out while the next is written.
  FiveMError stage() {
    std::u16string stamp = decimal(fs_.process_id());
    stamp += u'.';
    stamp += decimal(fs_.tick_ms());
    std::vector<FileHandle> open_files;
    open_files.reserve(files_.size());
    const auto fail = [&](std::size_t staged, std::size_t closed_up_to) {
      for (std::size_t j = closed_up_to; j < open_files.size(); ++j) fs_.close_file(open_files[j]);
      remove_staged(0, staged);
      return FiveMError::write_failed;
    };
    for (std::size_t j = 0; j < files_.size(); ++j) {
      Target& t = targets_[j];
      t.staging = t.leaf;
      t.staging += u'.';
      t.staging += stamp;
      t.staging += u'.';
      t.staging += decimal(j);
      t.staging += kFiveMStagingSuffix;
      const auto file = fs_.create_new_file(t.folder, t.staging);
      if (!file) return fail(j, 0);
      open_files.push_back(*file);
      const std::string& bytes = files_[j].bytes;
      for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t n = std::min(kFiveMWriteChunk, bytes.size() - at);
        const std::size_t written = fs_.write_file(*file, bytes.data() + at, n);
        if (written == 0 || written > n) return fail(j + 1, 0);
        at += written;
      }
      fs_.begin_flush(*file);
    }
    for (std::size_t j = 0; j < open_files.size(); ++j) {
      bool good = fs_.flush_file(open_files[j]);
      good = fs_.close_file(open_files[j]) && good;
      if (!good) return fail(files_.size(), j + 1);
    }
    return FiveMError::none;
  }

  // Phase F: renames only, in request order.
  FiveMWriteResult commit() {
    const auto n = static_cast<std::int32_t>(files_.size());
    for (std::int32_t k = 0; k < n; ++k) {
      const Target& t = targets_[static_cast<std::size_t>(k)];
      // A folder moved away since it was checked takes nothing more: the handle would follow it.
      const auto where = fs_.final_path(t.folder);
      if (!where || !inside(written_resource_final_, join(*where, t.leaf))) {
        remove_staged(static_cast<std::size_t>(k), files_.size());
        flush_touched();
        return failure(FiveMError::outside_resource, k);
      }
      if (!fs_.replace_file(t.folder, t.staging, t.leaf)) {
        remove_staged(static_cast<std::size_t>(k), files_.size());
        flush_touched();
        return failure(FiveMError::write_failed, k);
      }
    }
    if (!flush_touched()) return failure(FiveMError::write_failed, n);
    return FiveMWriteResult{true, n, FiveMError::none};
  }

  // The renames and new folders are durable only once their folders are flushed.
  bool flush_touched() {
    std::vector<FolderHandle> all = touched_;
    for (const Target& t : targets_) all.push_back(t.folder);
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    bool ok = true;
    for (FolderHandle h : all) ok = fs_.flush_folder(h) && ok;
    return ok;
  }

  struct Target {
    FolderHandle folder;
    std::u16string leaf;
    std::u16string staging;
  };

  ResourceFs& fs_;
  std::u16string_view folder_text_;
  std::u16string_view name_;
  const std::vector<FiveMFile>& files_;
  OpenFolders open_;       // the FiveM folder and everything the writes use
  OpenFolders preflight_;  // what the checks before any change opened
  std::u16string_view sep_;
  FolderHandle root_ = -1;
  FolderHandle preflight_resource_ = -1;
  bool resource_existed_ = false;
  std::u16string root_final_;
  std::u16string resource_final_;
  std::u16string written_resource_final_;
  std::vector<FolderHandle> touched_;
  std::vector<Target> targets_;
};

}  // namespace

FiveMWriteResult write_fivem_resource_files(ResourceFs& fs, std::u16string_view fivem_folder,
                                            std::u16string_view resource_name,
                                            const std::vector<FiveMFile>& files) {
  return Writer(fs, fivem_folder, resource_name, files).run();
}

}  // namespace vantiro
