#include <fcntl.h>
#include <glib-unix.h>
#include <glib.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"

namespace vantiro::platform {
namespace {

constexpr std::string_view kActivate = "activate";

std::optional<sockaddr_un> socket_address(const std::string& path) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof(addr.sun_path)) return std::nullopt;
  std::memcpy(addr.sun_path, path.data(), path.size());
  return addr;
}

class LockFileInstance final : public SingleInstance {
 public:
  // An empty folder means no usable folder: every call fails.
  LockFileInstance(std::string folder, std::string_view name) {
    if (!folder.empty() && !name.empty()) {
      lock_path_ = folder + "/" + std::string(name) + ".lock";
      socket_path_ = folder + "/" + std::string(name) + ".sock";
    }
  }

  ~LockFileInstance() override {
    if (watch_ != 0) g_source_remove(watch_);
    if (listener_ >= 0) {
      close(listener_);
      unlink(socket_path_.c_str());
    }
    // Closing releases the lock; the file stays so that no later start races on its inode.
    if (lock_fd_ >= 0) close(lock_fd_);
  }

  Acquire try_acquire() override {
    if (lock_fd_ >= 0) return Acquire::acquired;
    if (lock_path_.empty()) return Acquire::failed;
    const int fd = open(lock_path_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return Acquire::failed;
    // The kernel drops the lock with the last descriptor, so a killed holder leaves nothing
    // that blocks the next start.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      const int err = errno;
      close(fd);
      return err == EWOULDBLOCK ? Acquire::already_running : Acquire::failed;
    }
    lock_fd_ = fd;
    listen();
    return Acquire::acquired;
  }

  bool request_activation() override {
    const auto addr = socket_address(socket_path_);
    if (!addr) return false;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const ssize_t sent = sendto(fd, kActivate.data(), kActivate.size(), MSG_NOSIGNAL,
                                reinterpret_cast<const sockaddr*>(&*addr), sizeof(*addr));
    close(fd);
    return sent == static_cast<ssize_t>(kActivate.size());
  }

  void set_activation_handler(std::function<void()> handler) override {
    handler_ = std::move(handler);
  }

 private:
  // Only the lock holder gets here, so a socket file left by a dead holder is ours to replace.
  // Without the socket the lock still works; activation requests then fail.
  void listen() {
    const auto addr = socket_address(socket_path_);
    if (!addr) return;
    const int fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return;
    unlink(socket_path_.c_str());
    const mode_t old_mask = umask(0077);
    const int bound = bind(fd, reinterpret_cast<const sockaddr*>(&*addr), sizeof(*addr));
    umask(old_mask);
    if (bound != 0) {
      close(fd);
      return;
    }
    listener_ = fd;
    watch_ = g_unix_fd_add(fd, G_IO_IN, &LockFileInstance::on_readable, this);
  }

  static gboolean on_readable(gint fd, GIOCondition, gpointer data) {
    auto* self = static_cast<LockFileInstance*>(data);
    char buf[64];
    for (;;) {
      const ssize_t n = recv(fd, buf, sizeof(buf), MSG_DONTWAIT);
      if (n < 0) break;
      if (std::string_view(buf, static_cast<std::size_t>(n)) == kActivate && self->handler_) {
        self->handler_();
      }
    }
    return G_SOURCE_CONTINUE;
  }

  std::string lock_path_;
  std::string socket_path_;
  int lock_fd_ = -1;
  int listener_ = -1;
  guint watch_ = 0;
  std::function<void()> handler_;
};

std::string folder_utf8(const std::u16string& folder) {
  const auto utf8 = utf16_to_utf8_strict(folder);
  if (!utf8 || utf8->find('\0') != std::string::npos) return {};
  return *utf8;
}

// A folder of this user that no one else may enter.
bool private_folder(const std::string& folder) {
  struct stat st {};
  if (folder.empty() || folder.front() != '/' || lstat(folder.c_str(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 0077) == 0;
}

}  // namespace

std::unique_ptr<SingleInstance> make_single_instance(const std::u16string& folder,
                                                     std::string_view name) {
  return std::make_unique<LockFileInstance>(folder_utf8(folder), name);
}

std::unique_ptr<SingleInstance> make_session_single_instance(
    const std::u16string& fallback_folder) {
  const char* runtime = g_getenv("XDG_RUNTIME_DIR");
  std::string folder = runtime != nullptr ? runtime : "";
  if (!private_folder(folder)) {
    folder = folder_utf8(fallback_folder);
    if (!folder.empty()) g_mkdir_with_parents(folder.c_str(), 0700);
  }
  return std::make_unique<LockFileInstance>(folder, kSingleInstanceName);
}

}  // namespace vantiro::platform
