#include "app/app_runtime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "update/fake_update_files.h"
#include "update/staged_update.h"

namespace vantiro::app {
namespace {

TEST(ExitCode, TheFirstFailureWinsOverEveryLaterCode) {
  struct Case {
    const char* name;
    bool visual_check;
    bool report_passed;
    std::vector<int> recorded;
    int loop_code;
    int want;
  };
  const Case cases[] = {
      {"normal close", false, false, {}, 0, 0},
      {"loop ends with 1", false, false, {}, 1, 1},
      {"failure then close posts 0", false, false, {1, 0}, 0, 1},
      {"close then failure", false, false, {0, 1}, 0, 1},
      {"first non-zero kept", false, false, {2, 1}, 0, 2},
      {"visual check passed", true, true, {}, 0, 0},
      {"visual check closed before its report", true, false, {}, 0, 1},
      {"visual check failed after passing", true, true, {1}, 0, 1},
  };
  for (const auto& c : cases) {
    AppRuntime rt;
    if (c.visual_check) rt.visual_check_dir = u"/tmp/vc";
    rt.visual_check_report_passed = c.report_passed;
    for (int code : c.recorded) record_exit_code(rt, code);
    EXPECT_EQ(final_exit_code(rt, c.loop_code), c.want) << c.name;
  }
}

TEST(SecondInstance, AVisualCheckOrUninstallRefusesWithOneAndTheStudioHandsOverWithZero) {
  EXPECT_EQ(second_instance_exit_code(LaunchMode::studio), 0);
  EXPECT_EQ(second_instance_exit_code(LaunchMode::visual_check), 1);
  EXPECT_EQ(second_instance_exit_code(LaunchMode::uninstall), 1);
}

struct QueuePoster final : UiPoster {
  bool refuse = false;
  std::vector<UiEvent> queue;
  bool post(UiEvent& event) override {
    if (refuse) return false;
    queue.push_back(std::move(event));
    return true;
  }
};

TEST(SharedMainWindow, APostAfterWithdrawFailsAndTheWorkerKeepsAndFreesItsRecord) {
  update::testing::FakeUpdateFiles files;
  const Path temp = u"/app/Vantiro-update-{1}.tmp";
  files.files[temp] = "exe";
  SharedMainWindow window;
  QueuePoster poster;

  auto result = std::make_unique<update::UpdateCheckResult>();
  EXPECT_FALSE(post_to_main_window(window, update::UpdatePostKind::check_finished, result))
      << "nothing published yet";
  ASSERT_NE(result, nullptr);

  window.publish(&poster);
  result->version = u"2.0.0";
  ASSERT_TRUE(post_to_main_window(window, update::UpdatePostKind::check_finished, result));
  EXPECT_EQ(result, nullptr) << "a posted record changes owner";
  ASSERT_EQ(poster.queue.size(), 1u);
  auto& got = std::get<UpdateResultEvent>(poster.queue[0]);
  EXPECT_EQ(got.kind, update::UpdatePostKind::check_finished);
  EXPECT_EQ(got.result->version, u"2.0.0");

  // The host refuses (its queue is closing): the record comes back.
  poster.refuse = true;
  result = std::make_unique<update::UpdateCheckResult>();
  result->staged = std::make_unique<update::StagedUpdate>(files, u"2.0.0", "ab", 3, temp);
  EXPECT_FALSE(post_to_main_window(window, update::UpdatePostKind::check_finished, result));
  ASSERT_NE(result, nullptr);
  ASSERT_NE(result->staged, nullptr);

  poster.refuse = false;
  window.withdraw();
  EXPECT_FALSE(post_to_main_window(window, update::UpdatePostKind::check_finished, result));
  EXPECT_FALSE(post_progress(window, 1, 2, false));
  ASSERT_NE(result, nullptr);
  EXPECT_EQ(files.files.count(temp), 1u);
  result.reset();  // the worker frees it: the download goes with it
  EXPECT_EQ(files.files.count(temp), 0u);
  EXPECT_EQ(poster.queue.size(), 1u);
}

TEST(SharedMainWindow, NoPostLandsAfterWithdrawReturnsWhileWorkersRace) {
  SharedMainWindow window;
  struct CountingPoster final : UiPoster {
    std::atomic<bool> withdrawn{false};
    std::atomic<int> late{0};
    std::atomic<int> posts{0};
    bool post(UiEvent&) override {
      if (withdrawn) ++late;
      ++posts;
      return true;
    }
  } poster;
  window.publish(&poster);
  std::atomic<bool> go{true};
  std::vector<std::thread> workers;
  for (int i = 0; i < 3; ++i)
    workers.emplace_back([&] {
      while (go) post_progress(window, 1, 2, false);
    });
  while (poster.posts < 100) std::this_thread::yield();
  window.withdraw();
  poster.withdrawn = true;
  for (int i = 0; i < 1000; ++i) post_progress(window, 1, 2, false);
  go = false;
  for (auto& t : workers) t.join();
  EXPECT_EQ(poster.late, 0);
}

TEST(UpdatePostsFor, CarriesProgressAndResultsThroughTheSharedWindow) {
  auto window = std::make_shared<SharedMainWindow>();
  QueuePoster poster;
  window->publish(&poster);
  auto posts = update_posts_for(window);
  EXPECT_TRUE(posts.progress(640, 1000, true));
  auto result = std::make_unique<update::UpdateCheckResult>();
  EXPECT_TRUE(posts.result(update::UpdatePostKind::boot_download_started, result));
  ASSERT_EQ(poster.queue.size(), 2u);
  const auto& p = std::get<DownloadProgressEvent>(poster.queue[0]);
  EXPECT_EQ(p.bytes, 640u);
  EXPECT_EQ(p.total, 1000u);
  EXPECT_TRUE(p.verifying);
  EXPECT_EQ(std::get<UpdateResultEvent>(poster.queue[1]).kind,
            update::UpdatePostKind::boot_download_started);
}

}  // namespace
}  // namespace vantiro::app
