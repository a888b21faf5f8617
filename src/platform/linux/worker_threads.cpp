#include "platform/linux/worker_threads.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>

#if defined(__SANITIZE_ADDRESS__) && __has_include(<sanitizer/lsan_interface.h>)
#include <sanitizer/lsan_interface.h>
#define VANTIRO_LEAK_CHECK 1
#endif

namespace vantiro::platform {
namespace {

std::atomic<int> g_running{0};

// Counts a job out however it leaves its thread.
struct RunningJob {
  RunningJob() = default;
  RunningJob(const RunningJob&) = delete;
  RunningJob& operator=(const RunningJob&) = delete;
  ~RunningJob() { g_running.fetch_sub(1); }
};

}  // namespace

bool WorkerThreads::start(std::function<void()> job) {
  g_running.fetch_add(1);
  try {
    std::thread([job = std::move(job)] {
      RunningJob counted;
      job();
    }).detach();
    return true;
  } catch (...) {
    g_running.fetch_sub(1);
    return false;
  }
}

int WorkerThreads::running() {
  return g_running.load();
}

void exit_process(int code) {
  if (WorkerThreads::running() == 0) std::exit(code);
#ifdef VANTIRO_LEAK_CHECK
  __lsan_do_leak_check();
#endif
  std::fflush(nullptr);
  ::_exit(code);
}

}  // namespace vantiro::platform
