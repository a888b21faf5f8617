#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <system_error>

#include "common/utf.h"
#include "platform/update_ports.h"

namespace vantiro::platform {
namespace {

using update::DownloadFile;
using update::HeldFile;

class Fd {
 public:
  explicit Fd(int fd = -1) : fd_(fd) {}
  ~Fd() { reset(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  bool ok() const { return fd_ >= 0; }
  bool close_checked() {
    const int fd = fd_;
    fd_ = -1;
    return fd < 0 || ::close(fd) == 0;
  }
  void reset() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }

 private:
  int fd_;
};

bool write_all(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

bool sync_folder_of(const Path& p) {
  Path folder = p.parent_path();
  if (folder.empty()) folder = ".";
  Fd fd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.ok() && ::fsync(fd.get()) == 0;
}

class PosixDownloadFile final : public DownloadFile {
 public:
  explicit PosixDownloadFile(int fd) : fd_(fd) {}
  bool write(std::string_view bytes) override { return fd_.ok() && write_all(fd_.get(), bytes); }
  bool finish() override {
    if (!fd_.ok()) return false;
    // Durable before anyone checks it; read-only from here on so nobody rewrites it unseen.
    const bool synced = ::fsync(fd_.get()) == 0;
    const bool locked = ::fchmod(fd_.get(), 0555) == 0;
    return fd_.close_checked() && synced && locked;
  }

 private:
  Fd fd_;
};

class PosixHeldFile final : public HeldFile {
 public:
  explicit PosixHeldFile(int fd) : fd_(fd) {}
  std::optional<std::uint64_t> regular_file_size() override {
    struct stat st {};
    if (::fstat(fd_.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
    // Writable by someone else means the bytes could change behind the checks.
    if (st.st_mode & (S_IWGRP | S_IWOTH)) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
  }
  std::optional<std::string> read_all(std::size_t max_bytes) override {
    std::string out;
    char buf[65536];
    off_t offset = 0;
    for (;;) {
      const ssize_t n = ::pread(fd_.get(), buf, sizeof buf, offset);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return std::nullopt;
      if (n == 0) return out;
      if (static_cast<std::size_t>(n) > max_bytes - out.size()) return std::nullopt;
      out.append(buf, static_cast<std::size_t>(n));
      offset += n;
    }
  }

 private:
  Fd fd_;
};

bool copy_file_durably(const Path& from, const Path& to) {
  Fd in(::open(from.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  struct stat st {};
  if (!in.ok() || ::fstat(in.get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  Fd out(
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, st.st_mode & 07777));
  if (!out.ok()) return false;
  char buf[65536];
  bool ok = true;
  for (;;) {
    const ssize_t n = ::read(in.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ok = false;
    if (n <= 0) break;
    if (!write_all(out.get(), std::string_view(buf, static_cast<std::size_t>(n)))) {
      ok = false;
      break;
    }
  }
  ok = ok && ::fsync(out.get()) == 0;
  ok = out.close_checked() && ok;
  if (!ok) ::unlink(to.c_str());
  return ok;
}

class PosixUpdateFiles final : public update::UpdateFiles {
 public:
  PathKind kind(const Path& path) override {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
      return (errno == ENOENT || errno == ENOTDIR) ? PathKind::missing : PathKind::error;
    if (S_ISREG(st.st_mode)) return PathKind::regular_file;
    if (S_ISDIR(st.st_mode)) return PathKind::directory;
    return PathKind::other;
  }

  std::unique_ptr<DownloadFile> create_download(const Path& path) override {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixDownloadFile>(fd);
  }

  std::unique_ptr<HeldFile> open_held(const Path& path) override {
    // Non-blocking so that a FIFO put in its place cannot stall the check.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return nullptr;
    return std::make_unique<PosixHeldFile>(fd);
  }

  bool remove_file(const Path& path) override {
    if (::unlink(path.c_str()) == 0) return true;
    return errno == ENOENT;
  }

  bool can_create_file_in(const Path& folder, std::u16string_view probe_name) override {
    const Path probe = folder / Path(to_utf8(probe_name));
    Fd fd(::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.ok()) return false;
    fd.reset();
    ::unlink(probe.c_str());
    return true;
  }

  bool create_directories(const Path& path) override {
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    return std::filesystem::is_directory(path, ec);
  }

  bool replace_with_backup(const Path& target, const Path& replacement,
                           const Path& backup) override {
    if (::unlink(backup.c_str()) != 0 && errno != ENOENT) return false;
    // A second name for the old program, so the target name never stops pointing at one.
    if (::link(target.c_str(), backup.c_str()) != 0 && !copy_file_durably(target, backup))
      return false;
    if (!sync_folder_of(backup) || ::rename(replacement.c_str(), target.c_str()) != 0) {
      ::unlink(backup.c_str());
      return false;
    }
    return sync_folder_of(target);
  }

  bool move_replacing(const Path& from, const Path& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return false;
    const bool synced = sync_folder_of(to);
    return synced && (from.parent_path() == to.parent_path() || sync_folder_of(from));
  }
};

}  // namespace

std::unique_ptr<update::UpdateFiles> make_update_files() {
  return std::make_unique<PosixUpdateFiles>();
}

}  // namespace vantiro::platform
