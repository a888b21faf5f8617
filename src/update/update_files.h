#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/file_system.h"

namespace vantiro::update {

// A read handle on a release file. While it is held nobody else can rewrite the file; every
// check of the file reads through this handle so that the bytes checked are the bytes held.
struct HeldFile {
  virtual ~HeldFile() = default;
  // Size of a regular file through the handle; nullopt for anything else or on error.
  virtual std::optional<std::uint64_t> regular_file_size() = 0;
  // The whole content from the start; nullopt on error or when it holds more than max_bytes.
  virtual std::optional<std::string> read_all(std::size_t max_bytes) = 0;
};

// A freshly created download; writable by this process only.
struct DownloadFile {
  virtual ~DownloadFile() = default;
  virtual bool write(std::string_view bytes) = 0;
  // Flushes the content to disk, makes the file unwritable and closes it.
  virtual bool finish() = 0;
};

// What the updater needs from the file system. Paths are never followed through a final
// symbolic link.
struct UpdateFiles {
  virtual ~UpdateFiles() = default;

  virtual PathKind kind(const Path& path) = 0;
  // Fails when the path exists.
  virtual std::unique_ptr<DownloadFile> create_download(const Path& path) = 0;
  virtual std::unique_ptr<HeldFile> open_held(const Path& path) = 0;
  // True when the file is gone afterwards (a missing file counts).
  virtual bool remove_file(const Path& path) = 0;
  // Creates and removes a probe file of that name in the folder.
  virtual bool can_create_file_in(const Path& folder, std::u16string_view probe_name) = 0;
  virtual bool create_directories(const Path& path) = 0;
  // target becomes backup and replacement becomes target, durably, with target never
  // missing in between. An existing backup is replaced.
  virtual bool replace_with_backup(const Path& target, const Path& replacement,
                                   const Path& backup) = 0;
  // Moves from onto to (replacing it) durably.
  virtual bool move_replacing(const Path& from, const Path& to) = 0;
};

}  // namespace vantiro::update
