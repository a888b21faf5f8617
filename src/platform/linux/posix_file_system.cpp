#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>
#include <system_error>
#include <utility>

#include "platform/atomic_replace.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

// Mode of a file the replace creates. A replaced file keeps the permission bits it had, so a
// user who narrowed them keeps that; set-id and sticky bits are never carried over.
constexpr mode_t kNewFileMode = 0644;

constexpr std::size_t kReadChunkBytes = 64 * 1024;

std::uint64_t monotonic_ms() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
         static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
}

int open_retrying(const char* path, int flags, mode_t mode = 0) {
  int fd;
  do {
    fd = ::open(path, flags, mode);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

class PosixFileSystem final : public FileSystem {
 public:
  explicit PosixFileSystem(AtomicReplaceHooks hooks) : hooks_(std::move(hooks)) {}

  PathKind kind(const Path& path) override {
    if (path.empty()) return PathKind::missing;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
      return (errno == ENOENT || errno == ENOTDIR) ? PathKind::missing : PathKind::error;
    }
    if (S_ISREG(st.st_mode)) return PathKind::regular_file;
    if (S_ISDIR(st.st_mode)) return PathKind::directory;
    return PathKind::other;
  }

  BoundedRead read_regular_file(const Path& path, std::size_t max_bytes) override {
    BoundedRead result;
    if (path.empty()) {
      result.status = BoundedRead::Status::missing;
      return result;
    }
    // O_NONBLOCK: opening a FIFO must not wait for a writer; it is refused after fstat.
    const int fd = open_retrying(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT || errno == ENOTDIR) {
        result.status = BoundedRead::Status::missing;
      } else if (errno == ELOOP) {
        result.status = BoundedRead::Status::not_regular;  // the final name is a symlink
      } else {
        result.status = BoundedRead::Status::error;
      }
      return result;
    }
    result.status = read_open_file(fd, max_bytes, result.bytes);
    ::close(fd);
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
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT || errno == ENOTDIR;
  }

  bool replace_file_atomically(const Path& target, std::string_view bytes) override {
    if (!target.has_filename()) return false;
    const std::uint64_t pid = current_process_id();
    const std::uint64_t tick = hooks_.tick ? hooks_.tick() : monotonic_ms();

    Path staging;
    int fd = -1;
    for (unsigned attempt = 0; attempt < kMaxStagingAttempts && fd < 0; ++attempt) {
      staging = staging_path(target, pid, tick, attempt);
      if (!allowed(AtomicReplaceStep::create_staging)) continue;
      fd = open_retrying(staging.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                         0600);
      // Only a taken name is worth another attempt; a missing folder or a refusal is final.
      if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    const auto fail = [&] {
      if (fd >= 0) ::close(fd);
      ::unlink(staging.c_str());
      return false;
    };

    std::size_t done = 0;
    while (done < bytes.size()) {
      const std::size_t len = std::min(kWriteChunkBytes, bytes.size() - done);
      if (!allowed(AtomicReplaceStep::write)) return fail();
      const ssize_t written = ::write(fd, bytes.data() + done, len);
      if (written < 0 && errno == EINTR) continue;
      if (written <= 0) return fail();
      done += static_cast<std::size_t>(written);
    }

    if (!allowed(AtomicReplaceStep::set_mode) || ::fchmod(fd, mode_for(target)) != 0) {
      return fail();
    }
    if (!allowed(AtomicReplaceStep::flush) || ::fsync(fd) != 0) return fail();

    const bool close_allowed = allowed(AtomicReplaceStep::close);
    const int closed = ::close(fd);
    fd = -1;
    // A failed close can mean the data never reached the disk (NFS, quotas).
    if (!close_allowed || closed != 0) return fail();

    if (!allowed(AtomicReplaceStep::rename) || ::rename(staging.c_str(), target.c_str()) != 0) {
      return fail();
    }

    // The new content is in place and the old is gone, so the answer is true whatever the
    // folder flush says; reporting false would make a caller believe the old file stayed.
    if (allowed(AtomicReplaceStep::flush_folder)) flush_folder_of(target);
    return true;
  }

 private:
  bool allowed(AtomicReplaceStep step) const {
    return !hooks_.allow_step || hooks_.allow_step(step);
  }

  static BoundedRead::Status read_open_file(int fd, std::size_t max_bytes, std::string& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return BoundedRead::Status::error;
    if (!S_ISREG(st.st_mode)) return BoundedRead::Status::not_regular;
    if (static_cast<std::uint64_t>(st.st_size) > max_bytes) return BoundedRead::Status::too_large;

    // One byte past the bound tells a file that grew since fstat from one that fits.
    const std::size_t limit =
        max_bytes == std::numeric_limits<std::size_t>::max() ? max_bytes : max_bytes + 1;
    out.reserve(static_cast<std::size_t>(static_cast<std::uint64_t>(st.st_size)) + 1);
    while (out.size() < limit) {
      const std::size_t old_size = out.size();
      const std::size_t chunk = std::min(kReadChunkBytes, limit - old_size);
      out.resize(old_size + chunk);
      const ssize_t got = ::read(fd, out.data() + old_size, chunk);
      if (got < 0 && errno == EINTR) {
        out.resize(old_size);
        continue;
      }
      if (got < 0) return BoundedRead::Status::error;
      out.resize(old_size + static_cast<std::size_t>(got));
      if (got == 0) break;
    }
    return out.size() > max_bytes ? BoundedRead::Status::too_large : BoundedRead::Status::ok;
  }

  static mode_t mode_for(const Path& target) {
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
    return kNewFileMode;
  }

  // Makes the rename itself durable.
  static void flush_folder_of(const Path& target) {
    Path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    const int dir = open_retrying(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return;
    ::fsync(dir);
    ::close(dir);
  }

  AtomicReplaceHooks hooks_;
};

}  // namespace

std::uint64_t current_process_id() {
  return static_cast<std::uint64_t>(::getpid());
}

std::unique_ptr<FileSystem> make_file_system(AtomicReplaceHooks hooks) {
  return std::make_unique<PosixFileSystem>(std::move(hooks));
}

std::unique_ptr<FileSystem> make_file_system() {
  return make_file_system(AtomicReplaceHooks{});
}

}  // namespace vantiro::platform
