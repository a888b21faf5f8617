#pragma once

#include <functional>

namespace vantiro::platform {

// Detached worker threads that the program can ask about at its end. A worker may still be
// inside OpenSSL or libcurl when the window closes (a boot download, a session check); the
// process must then end without the exit handlers that free those libraries' state under it,
// as a Windows process ends its threads with it.
class WorkerThreads {
 public:
  // Starts job on a detached thread; false when no thread could be started (job is dropped).
  static bool start(std::function<void()> job);
  // How many started jobs have not returned yet.
  static int running();
};

// Ends the process with code: through the normal exit when no worker runs, else at once,
// after flushing standard output and error (and, in a sanitizer build, checking for leaks,
// which the skipped exit handlers would have done).
[[noreturn]] void exit_process(int code);

}  // namespace vantiro::platform
