#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fivem/validation.h"

namespace vantiro {

// Opaque ids that the file system hands out and the writer passes back, so every check and
// every write acts on one opened folder and never looks a name up again from the top.
using FolderHandle = std::int64_t;
using FileHandle = std::int64_t;

// What a name inside an opened folder is, without following it. A symbolic link, a junction,
// and a folder on another device (a mount point) are all reparse points.
enum class EntryKind { missing, folder, file, reparse_point, other, error };

enum class OpenStatus { ok, missing, not_folder, reparse_point, error };

struct OpenedFolder {
  OpenStatus status = OpenStatus::error;
  FolderHandle folder = -1;
};

// What the resource writer needs from a file system. Names are single path elements.
struct ResourceFs {
  virtual ~ResourceFs() = default;

  virtual PathStyle path_style() const = 0;

  // The user's FiveM folder; links on the way to it are followed, since the user chose it.
  virtual OpenedFolder open_root_folder(std::u16string_view absolute_path) = 0;
  virtual EntryKind entry_kind(FolderHandle folder, std::u16string_view name) = 0;
  // Never follows a link and never crosses onto another device (reparse_point then).
  virtual OpenedFolder open_folder(FolderHandle parent, std::u16string_view name) = 0;
  // True only when this call created the folder.
  virtual bool create_folder(FolderHandle parent, std::u16string_view name) = 0;
  // Where the opened folder really is now, every link resolved.
  virtual std::optional<std::u16string> final_path(FolderHandle folder) = 0;
  virtual void close_folder(FolderHandle folder) = 0;
  // Makes the folder's entries durable.
  virtual bool flush_folder(FolderHandle folder) = 0;

  // Creates a new file for writing; fails when the name exists in any form, links included.
  virtual std::optional<FileHandle> create_new_file(FolderHandle folder,
                                                    std::u16string_view name) = 0;
  // Bytes written; 0 means failure.
  virtual std::size_t write_file(FileHandle file, const char* data, std::size_t size) = 0;
  // Starts writing the file's data out without waiting, so that later flushes overlap with
  // writing the next files. A hint; flush_file is what makes the data durable.
  virtual void begin_flush(FileHandle file) = 0;
  virtual bool flush_file(FileHandle file) = 0;
  virtual bool close_file(FileHandle file) = 0;
  // Best effort; removes a file, never a folder.
  virtual void remove_file(FolderHandle folder, std::u16string_view name) = 0;
  // Atomically puts from in place of to, replacing an existing file, within one folder.
  virtual bool replace_file(FolderHandle folder, std::u16string_view from,
                            std::u16string_view to) = 0;

  virtual std::uint32_t process_id() = 0;
  virtual std::uint64_t tick_ms() = 0;
};

}  // namespace vantiro
