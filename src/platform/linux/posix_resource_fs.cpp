#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <string>

#include "common/utf.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

// A name is one element: never empty, ".", "..", nor holding "/" or NUL, so openat and friends
// cannot be steered elsewhere whatever the caller passes.
std::optional<std::string> element(std::u16string_view name) {
  auto utf8 = utf16_to_utf8_strict(name);
  if (!utf8 || utf8->empty() || *utf8 == "." || *utf8 == "..") return std::nullopt;
  if (utf8->find('/') != std::string::npos || utf8->find('\0') != std::string::npos)
    return std::nullopt;
  return utf8;
}

bool same_device(int a, int b) {
  struct stat sa {};
  struct stat sb {};
  return fstat(a, &sa) == 0 && fstat(b, &sb) == 0 && sa.st_dev == sb.st_dev;
}

struct PosixResourceFs final : ResourceFs {
  PathStyle path_style() const override { return PathStyle::posix; }

  OpenedFolder open_root_folder(std::u16string_view absolute_path) override {
    const auto path = utf16_to_utf8_strict(absolute_path);
    if (!path || path->empty() || (*path)[0] != '/' || path->find('\0') != std::string::npos)
      return {OpenStatus::error, -1};
    const int fd = open(path->c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
      if (errno == ENOENT) return {OpenStatus::missing, -1};
      if (errno == ENOTDIR) return {OpenStatus::not_folder, -1};
      return {OpenStatus::error, -1};
    }
    return {OpenStatus::ok, fd};
  }

  EntryKind entry_kind(FolderHandle folder, std::u16string_view name) override {
    const auto n = element(name);
    if (!n) return EntryKind::error;
    struct stat st {};
    if (fstatat(static_cast<int>(folder), n->c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
      return (errno == ENOENT || errno == ENOTDIR) ? EntryKind::missing : EntryKind::error;
    if (S_ISLNK(st.st_mode)) return EntryKind::reparse_point;
    if (S_ISDIR(st.st_mode)) {
      struct stat parent {};
      if (fstat(static_cast<int>(folder), &parent) != 0) return EntryKind::error;
      return parent.st_dev == st.st_dev ? EntryKind::folder : EntryKind::reparse_point;
    }
    return S_ISREG(st.st_mode) ? EntryKind::file : EntryKind::other;
  }

  OpenedFolder open_folder(FolderHandle parent, std::u16string_view name) override {
    const auto n = element(name);
    if (!n) return {OpenStatus::error, -1};
    const int p = static_cast<int>(parent);
    const int fd = openat(p, n->c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      const int err = errno;
      if (err == ELOOP) return {OpenStatus::reparse_point, -1};
      if (err == ENOENT) return {OpenStatus::missing, -1};
      if (err == ENOTDIR) {
        // Either a plain file or, on some kernels, a link that O_NOFOLLOW refused.
        struct stat st {};
        if (fstatat(p, n->c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
          return {OpenStatus::reparse_point, -1};
        return {OpenStatus::not_folder, -1};
      }
      return {OpenStatus::error, -1};
    }
    if (!same_device(p, fd)) {
      close(fd);
      return {OpenStatus::reparse_point, -1};
    }
    return {OpenStatus::ok, fd};
  }

  bool create_folder(FolderHandle parent, std::u16string_view name) override {
    const auto n = element(name);
    return n && mkdirat(static_cast<int>(parent), n->c_str(), 0777) == 0;
  }

  std::optional<std::u16string> final_path(FolderHandle folder) override {
    const std::string link = "/proc/self/fd/" + std::to_string(folder);
    std::string buf(4096, '\0');
    const ssize_t n = readlink(link.c_str(), buf.data(), buf.size());
    if (n <= 0 || static_cast<std::size_t>(n) >= buf.size() || buf[0] != '/') return std::nullopt;
    buf.resize(static_cast<std::size_t>(n));
    return utf8_to_utf16_strict(buf);
  }

  void close_folder(FolderHandle folder) override { close(static_cast<int>(folder)); }

  bool flush_folder(FolderHandle folder) override { return fsync(static_cast<int>(folder)) == 0; }

  std::optional<FileHandle> create_new_file(FolderHandle folder,
                                            std::u16string_view name) override {
    const auto n = element(name);
    if (!n) return std::nullopt;
    const int fd = openat(static_cast<int>(folder), n->c_str(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return std::nullopt;
    return fd;
  }

  std::size_t write_file(FileHandle file, const char* data, std::size_t size) override {
    while (true) {
      const ssize_t n = write(static_cast<int>(file), data, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) return 0;
    }
  }

  void begin_flush(FileHandle file) override {
    sync_file_range(static_cast<int>(file), 0, 0, SYNC_FILE_RANGE_WRITE);
  }

  bool flush_file(FileHandle file) override { return fsync(static_cast<int>(file)) == 0; }

  bool close_file(FileHandle file) override { return close(static_cast<int>(file)) == 0; }

  void remove_file(FolderHandle folder, std::u16string_view name) override {
    if (const auto n = element(name)) unlinkat(static_cast<int>(folder), n->c_str(), 0);
  }

  bool replace_file(FolderHandle folder, std::u16string_view from,
                    std::u16string_view to) override {
    const auto f = element(from);
    const auto t = element(to);
    const int fd = static_cast<int>(folder);
    return f && t && renameat(fd, f->c_str(), fd, t->c_str()) == 0;
  }

  std::uint32_t process_id() override { return static_cast<std::uint32_t>(getpid()); }

  std::uint64_t tick_ms() override {
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * 1000u +
           static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
  }
};

}  // namespace

std::unique_ptr<ResourceFs> make_resource_fs() {
  return std::make_unique<PosixResourceFs>();
}

}  // namespace vantiro::platform
