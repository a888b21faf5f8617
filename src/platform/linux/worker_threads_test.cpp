#include "platform/linux/worker_threads.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <thread>

namespace vantiro::platform {
namespace {

bool wait_for_running(int n) {
  for (int i = 0; i < 500; ++i) {
    if (WorkerThreads::running() == n) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return false;
}

TEST(WorkerThreads, CountsAJobFromItsStartUntilItReturns) {
  ASSERT_TRUE(wait_for_running(0));
  std::mutex mu;
  std::condition_variable cv;
  bool release = false;
  ASSERT_TRUE(WorkerThreads::start([&] {
    std::unique_lock lock(mu);
    cv.wait(lock, [&] { return release; });
  }));
  EXPECT_EQ(WorkerThreads::running(), 1);
  {
    std::lock_guard lock(mu);
    release = true;
  }
  cv.notify_all();
  EXPECT_TRUE(wait_for_running(0));
}

// A worker still inside a library when the program ends must not meet that library's exit
// handlers: here an exit handler stands for them and would end the process with 3.
TEST(WorkerThreads, ExitSkipsTheExitHandlersWhileAWorkerRuns) {
  for (const bool busy : {false, true}) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::atexit([] { ::_exit(3); });
      if (busy) WorkerThreads::start([] { std::this_thread::sleep_for(std::chrono::hours(1)); });
      exit_process(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), busy ? 0 : 3) << (busy ? "with a worker" : "without");
  }
}

}  // namespace
}  // namespace vantiro::platform
