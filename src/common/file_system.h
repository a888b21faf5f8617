#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace vantiro {

using Path = std::filesystem::path;

enum class PathKind { missing, regular_file, directory, other, error };

struct BoundedRead {
  enum class Status { ok, missing, not_regular, too_large, error };
  Status status = Status::error;
  std::string bytes;
};

// What the core needs from the local file system for its own small files (settings.ini,
// window.ini, the updater's files). The FiveM writer has a port of its own.
struct FileSystem {
  virtual ~FileSystem() = default;

  // Kind of the path itself; a final symbolic link is not followed and counts as other.
  virtual PathKind kind(const Path& path) = 0;

  // Reads a regular file of at most max_bytes. Never reads more than max_bytes + 1 bytes,
  // so a file that grows, a FIFO or a device cannot stall or exhaust memory.
  virtual BoundedRead read_regular_file(const Path& path, std::size_t max_bytes) = 0;

  // Creates the folder and its missing ancestors; true when the folder exists afterwards.
  virtual bool create_directories(const Path& path) = 0;

  // Writes bytes to a uniquely named staging file in the target's folder, makes it durable
  // and moves it over the target atomically. On any failure the staging file is removed and
  // the old target is untouched.
  virtual bool replace_file_atomically(const Path& target, std::string_view bytes) = 0;

  // Removes a file (not a folder); true when it is gone afterwards.
  virtual bool remove_file(const Path& path) = 0;
};

}  // namespace vantiro
