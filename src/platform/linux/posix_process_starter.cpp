#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "common/utf.h"
#include "platform/update_ports.h"

namespace vantiro::platform {
namespace {

// The child waits on `go` before it runs the program; `exec_status` stays open (close on
// exec) so that EOF on it means the program is running and a byte means it is not.
class PosixSuspendedProcess final : public update::SuspendedProcess {
 public:
  PosixSuspendedProcess(pid_t pid, int go, int exec_status)
      : pid_(pid), go_(go), exec_status_(exec_status) {}
  ~PosixSuspendedProcess() override {
    if (go_ >= 0) {
      ::close(go_);  // an unresumed child sees EOF and exits with 1 at once
      if (!reaped_) reap();
    } else if (!reaped_ && !resumed_) {
      reap();
    }
    if (exec_status_ >= 0) ::close(exec_status_);
  }

  bool resume() override {
    if (go_ < 0) return false;
    const char go = 'g';
    ssize_t n;
    // A socket, not a pipe: a child that died already must not raise SIGPIPE here.
    do n = ::send(go_, &go, 1, MSG_NOSIGNAL);
    while (n < 0 && errno == EINTR);
    ::close(go_);
    go_ = -1;
    if (n != 1) return false;
    int err = 0;
    ssize_t got;
    do got = ::read(exec_status_, &err, sizeof err);
    while (got < 0 && errno == EINTR);
    ::close(exec_status_);
    exec_status_ = -1;
    if (got != 0) {
      reap();
      return false;
    }
    resumed_ = true;
    return true;
  }

  void terminate(std::uint32_t wait_ms) override {
    if (go_ >= 0) {
      ::close(go_);
      go_ = -1;
    }
    if (reaped_) return;
    ::kill(pid_, SIGKILL);
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms);
    while (std::chrono::steady_clock::now() < until) {
      if (::waitpid(pid_, nullptr, WNOHANG) != 0) {
        reaped_ = true;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }

 private:
  void reap() {
    pid_t r;
    do r = ::waitpid(pid_, nullptr, 0);
    while (r < 0 && errno == EINTR);
    reaped_ = true;
  }

  pid_t pid_;
  bool reaped_ = false;
  bool resumed_ = false;
  int go_;
  int exec_status_;
};

class PosixProcessStarter final : public update::ProcessStarter {
 public:
  std::unique_ptr<update::SuspendedProcess> create_suspended(
      const Path& program, const std::vector<std::u16string>& arguments,
      const Path& working_folder) override {
    // Everything the child needs is made before fork: after it only async-signal-safe calls.
    const std::string program_text = program.string();
    const std::string folder_text = working_folder.string();
    std::vector<std::string> args{program_text};
    for (const auto& a : arguments) args.push_back(to_utf8(a));
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);

    int go[2];
    int status[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, go) != 0) return nullptr;
    if (::pipe2(status, O_CLOEXEC) != 0) {
      ::close(go[0]);
      ::close(go[1]);
      return nullptr;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
      for (int fd : {go[0], go[1], status[0], status[1]}) ::close(fd);
      return nullptr;
    }
    if (pid == 0) {
      ::close(go[1]);
      ::close(status[0]);
      char c = 0;
      ssize_t n;
      do n = ::read(go[0], &c, 1);
      while (n < 0 && errno == EINTR);
      if (n != 1) ::_exit(1);
      int err = 0;
      if (::chdir(folder_text.c_str()) == 0) {
        ::execv(program_text.c_str(), argv.data());
      }
      err = errno;
      ssize_t w = ::write(status[1], &err, sizeof err);
      (void)w;
      ::_exit(127);
    }
    ::close(go[0]);
    ::close(status[1]);
    return std::make_unique<PosixSuspendedProcess>(pid, go[1], status[0]);
  }
};

}  // namespace

std::unique_ptr<update::ProcessStarter> make_process_starter() {
  return std::make_unique<PosixProcessStarter>();
}

}  // namespace vantiro::platform
