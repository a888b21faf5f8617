#pragma once

#include <windows.h>

#include "update/update_files.h"

namespace vantiro::platform {

// A read handle that shares reading and deletion but not writing; the release checks use its
// handle and path.
class Win32HeldFile final : public update::HeldFile {
 public:
  Win32HeldFile(HANDLE handle, Path path) : handle_(handle), path_(std::move(path)) {}
  ~Win32HeldFile() override { CloseHandle(handle_); }
  Win32HeldFile(const Win32HeldFile&) = delete;
  Win32HeldFile& operator=(const Win32HeldFile&) = delete;

  std::optional<std::uint64_t> regular_file_size() override;
  std::optional<std::string> read_all(std::size_t max_bytes) override;

  HANDLE handle() const { return handle_; }
  const Path& path() const { return path_; }

 private:
  HANDLE handle_;
  Path path_;
};

}  // namespace vantiro::platform
