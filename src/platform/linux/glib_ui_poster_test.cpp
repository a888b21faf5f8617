#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"

namespace vantiro::platform {
namespace {

using gtk_tests::run_loop_until;

// Stands for a worker's result: counts the live ones so that a leak or a double free shows.
struct Result {
  explicit Result(std::atomic<int>& live) : live_(live) { ++live_; }
  ~Result() { --live_; }
  std::atomic<int>& live_;
};

TEST(GlibUiPoster, RunsClosuresFromWorkerThreadsOnTheMainLoop) {
  gtk_tests::drain_loop();
  auto poster = make_ui_poster();
  const auto ui = std::this_thread::get_id();
  constexpr int kThreads = 4;
  constexpr int kEach = 200;
  std::atomic<int> live{0};
  int ran = 0;
  int off_thread = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < kThreads; ++t) {
    workers.emplace_back([&] {
      for (int i = 0; i < kEach; ++i) {
        auto result = std::make_shared<Result>(live);
        EXPECT_TRUE(poster->post([&, result] {
          ++ran;
          if (std::this_thread::get_id() != ui) ++off_thread;
        }));
      }
    });
  }
  for (auto& w : workers) w.join();
  EXPECT_EQ(ran, 0) << "nothing runs before the loop does";
  EXPECT_TRUE(run_loop_until([&] { return ran == kThreads * kEach; }, 10000)) << ran;
  gtk_tests::drain_loop();
  EXPECT_EQ(ran, kThreads * kEach);
  EXPECT_EQ(off_thread, 0);
  EXPECT_EQ(live.load(), 0) << "results of closures that ran must be freed";
}

TEST(GlibUiPoster, APostFromTheUiThreadRunsLaterNotInside) {
  auto poster = make_ui_poster();
  bool ran = false;
  ASSERT_TRUE(poster->post([&] { ran = true; }));
  EXPECT_FALSE(ran);
  EXPECT_TRUE(run_loop_until([&] { return ran; }, 5000));
}

TEST(GlibUiPoster, WithdrawDropsQueuedClosuresAndRefusesNewOnes) {
  gtk_tests::drain_loop();
  auto poster = make_ui_poster();
  std::atomic<int> live{0};
  int ran = 0;
  for (int i = 0; i < 50; ++i) {
    auto result = std::make_shared<Result>(live);
    ASSERT_TRUE(poster->post([&ran, result] { ++ran; }));
  }
  EXPECT_EQ(live.load(), 50);
  poster->withdraw();
  EXPECT_EQ(live.load(), 0) << "queued results are freed at once";

  bool refused_ran = false;
  std::thread worker([&] {
    auto result = std::make_shared<Result>(live);
    EXPECT_FALSE(poster->post([&refused_ran, result] { refused_ran = true; }));
  });
  worker.join();
  EXPECT_EQ(live.load(), 0) << "a refused post leaves the result with the worker, which freed it";
  for (int i = 0; i < 20; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(ran, 0);
  EXPECT_FALSE(refused_ran);
}

// Workers keep posting while the UI thread withdraws: every result is freed exactly once,
// whether it ran, was dropped, or was refused.
TEST(GlibUiPoster, WithdrawRacingWorkersLosesNothing) {
  gtk_tests::drain_loop();
  auto poster = make_ui_poster();
  std::atomic<int> live{0};
  std::atomic<int> accepted{0};
  std::atomic<bool> stop{false};
  int ran = 0;
  std::vector<std::thread> workers;
  for (int t = 0; t < 3; ++t) {
    workers.emplace_back([&] {
      while (!stop) {
        auto result = std::make_shared<Result>(live);
        if (!poster->post([&ran, result] { ++ran; })) break;
        ++accepted;
      }
    });
  }
  run_loop_until([&] { return ran > 100; }, 5000);
  poster->withdraw();
  const int ran_at_withdraw = ran;
  stop = true;
  for (auto& w : workers) w.join();
  for (int i = 0; i < 50; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_GT(ran_at_withdraw, 0);
  EXPECT_EQ(ran, ran_at_withdraw) << "nothing runs after withdraw";
  EXPECT_GE(accepted.load(), ran);
  EXPECT_EQ(live.load(), 0);
}

TEST(GlibUiPoster, WithdrawFromInsideAClosureStopsTheRest) {
  gtk_tests::drain_loop();
  auto poster = make_ui_poster();
  std::atomic<int> live{0};
  int ran = 0;
  for (int i = 0; i < 10; ++i) {
    auto result = std::make_shared<Result>(live);
    ASSERT_TRUE(poster->post([&, result] {
      ++ran;
      poster->withdraw();
    }));
  }
  run_loop_until([&] { return ran > 0; }, 5000);
  for (int i = 0; i < 20; ++i) g_main_context_iteration(nullptr, FALSE);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(live.load(), 0);
}

}  // namespace
}  // namespace vantiro::platform
