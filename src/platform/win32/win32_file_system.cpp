#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/atomic_replace.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

constexpr DWORD kReadChunkBytes = 64 * 1024;

bool is_missing_error(DWORD error) {
  return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND;
}

class Win32FileSystem final : public FileSystem {
 public:
  explicit Win32FileSystem(AtomicReplaceHooks hooks) : hooks_(std::move(hooks)) {}

  PathKind kind(const Path& path) override {
    if (path.empty()) return PathKind::missing;
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
      return is_missing_error(GetLastError()) ? PathKind::missing : PathKind::error;
    }
    // A link or junction is reported as what it is, never as what it points at.
    if (attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) return PathKind::other;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return PathKind::directory;
    return PathKind::regular_file;
  }

  BoundedRead read_regular_file(const Path& path, std::size_t max_bytes) override {
    BoundedRead result;
    if (path.empty()) {
      result.status = BoundedRead::Status::missing;
      return result;
    }
    // Backup semantics let a folder open so that it is refused as not regular below.
    const HANDLE file = CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      result.status = is_missing_error(GetLastError()) ? BoundedRead::Status::missing
                                                       : BoundedRead::Status::error;
      return result;
    }
    result.status = read_open_file(file, max_bytes, result.bytes);
    CloseHandle(file);
    if (result.status != BoundedRead::Status::ok) result.bytes.clear();
    return result;
  }

  bool create_directories(const Path& path) override {
    if (path.empty()) return false;
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
  }

  bool remove_file(const Path& path) override {
    if (path.empty()) return false;
    if (DeleteFileW(path.c_str())) return true;
    return is_missing_error(GetLastError());
  }

  bool replace_file_atomically(const Path& target, std::string_view bytes) override {
    if (!target.has_filename()) return false;
    const std::uint64_t pid = current_process_id();
    const std::uint64_t tick = hooks_.tick ? hooks_.tick() : GetTickCount64();

    Path staging;
    HANDLE file = INVALID_HANDLE_VALUE;
    for (unsigned attempt = 0; attempt < kMaxStagingAttempts && file == INVALID_HANDLE_VALUE;
         ++attempt) {
      staging = staging_path(target, pid, tick, attempt);
      if (!allowed(AtomicReplaceStep::create_staging)) continue;
      file = CreateFileW(staging.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                         FILE_ATTRIBUTE_NORMAL | FILE_FLAG_WRITE_THROUGH, nullptr);
      if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // A name held by a file that is being deleted answers access denied.
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS &&
            error != ERROR_ACCESS_DENIED) {
          return false;
        }
      }
    }
    if (file == INVALID_HANDLE_VALUE) return false;

    const auto fail = [&] {
      if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
      DeleteFileW(staging.c_str());
      return false;
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
      const DWORD len = static_cast<DWORD>(std::min(kWriteChunkBytes, bytes.size() - done));
      if (!allowed(AtomicReplaceStep::write)) return fail();
      DWORD written = 0;
      if (!WriteFile(file, bytes.data() + done, len, &written, nullptr) || written == 0) {
        return fail();
      }
      done += written;
    }

    if (!allowed(AtomicReplaceStep::flush) || !FlushFileBuffers(file)) return fail();

    const bool close_allowed = allowed(AtomicReplaceStep::close);
    const BOOL closed = CloseHandle(file);
    file = INVALID_HANDLE_VALUE;
    if (!close_allowed || !closed) return fail();

    if (!allowed(AtomicReplaceStep::rename) ||
        !MoveFileExW(staging.c_str(), target.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
      return fail();
    }
    return true;
  }

 private:
  bool allowed(AtomicReplaceStep step) const {
    return !hooks_.allow_step || hooks_.allow_step(step);
  }

  static BoundedRead::Status read_open_file(HANDLE file, std::size_t max_bytes, std::string& out) {
    // Pipes, consoles and devices are not files of ours, and reading them could wait forever.
    if (GetFileType(file) != FILE_TYPE_DISK) return BoundedRead::Status::not_regular;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file, &info)) return BoundedRead::Status::error;
    if (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) {
      return BoundedRead::Status::not_regular;
    }
    const std::uint64_t size =
        (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    if (size > max_bytes) return BoundedRead::Status::too_large;

    // One byte past the bound tells a file that grew since the query from one that fits.
    const std::size_t limit =
        max_bytes == std::numeric_limits<std::size_t>::max() ? max_bytes : max_bytes + 1;
    out.reserve(static_cast<std::size_t>(size) + 1);
    while (out.size() < limit) {
      const std::size_t old_size = out.size();
      const DWORD chunk =
          static_cast<DWORD>(std::min<std::size_t>(kReadChunkBytes, limit - old_size));
      out.resize(old_size + chunk);
      DWORD got = 0;
      if (!ReadFile(file, out.data() + old_size, chunk, &got, nullptr)) {
        return BoundedRead::Status::error;
      }
      out.resize(old_size + got);
      if (got == 0) break;
    }
    return out.size() > max_bytes ? BoundedRead::Status::too_large : BoundedRead::Status::ok;
  }

  AtomicReplaceHooks hooks_;
};

}  // namespace

std::uint64_t current_process_id() {
  return GetCurrentProcessId();
}

std::unique_ptr<FileSystem> make_file_system(AtomicReplaceHooks hooks) {
  return std::make_unique<Win32FileSystem>(std::move(hooks));
}

std::unique_ptr<FileSystem> make_file_system() {
  return make_file_system(AtomicReplaceHooks{});
}

}  // namespace vantiro::platform
