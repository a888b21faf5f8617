#include <sys/stat.h>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/linux/test_pki.h"
#include "platform/update_ports.h"
#include "update/install.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;

// A program that notes where it ran and with which arguments.
std::string recorder_script(const std::string& tag) {
  return "#!/bin/sh\necho \"" + tag + " $(pwd) $*\" > ran.txt.part && mv ran.txt.part ran.txt\n";
}

void write_program(const Path& p, const std::string& text) {
  write_text_file(p, text);
  ::chmod(p.c_str(), 0755);
}

std::string wait_for_file(const Path& p, int ms = 5000) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < until) {
    if (std::filesystem::exists(p)) return read_text_file(p);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return {};
}

TEST(PosixProcessStarter, RunsNothingUntilResumedThenRunsWithTheArgumentsInItsFolder) {
  TempDir dir;
  write_program(dir.path() / "prog", recorder_script("v1"));
  auto starter = make_process_starter();
  auto p =
      starter->create_suspended(dir.path() / "prog", {u"--cleanup-old", u"--lang=sv"}, dir.path());
  ASSERT_TRUE(p);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ran.txt"));
  EXPECT_TRUE(p->resume());
  EXPECT_EQ(wait_for_file(dir.path() / "ran.txt"),
            "v1 " + dir.path().string() + " --cleanup-old --lang=sv\n");
}

TEST(PosixProcessStarter, AProgramThatCannotRunFailsTheResume) {
  TempDir dir;
  write_program(dir.path() / "garbage", "not a program at all\x01\x02");
  auto starter = make_process_starter();
  auto p = starter->create_suspended(dir.path() / "garbage", {}, dir.path());
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->resume());
  auto missing = starter->create_suspended(dir.path() / "missing", {}, dir.path());
  ASSERT_TRUE(missing);
  EXPECT_FALSE(missing->resume());
}

TEST(PosixProcessStarter, ADroppedOrTerminatedProcessNeverRuns) {
  TempDir dir;
  write_program(dir.path() / "prog", recorder_script("v1"));
  auto starter = make_process_starter();
  starter->create_suspended(dir.path() / "prog", {}, dir.path()).reset();
  auto p = starter->create_suspended(dir.path() / "prog", {}, dir.path());
  ASSERT_TRUE(p);
  p->terminate(2000);
  EXPECT_FALSE(p->resume());
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ran.txt"));
}

struct RecordingLock final : update::InstanceLock {
  std::vector<std::string> events;
  void release() override { events.push_back("release"); }
  bool reacquire() override {
    events.push_back("reacquire");
    return true;
  }
};

TEST(InstallUpdateAndRestart, SwapsAndStartsTheNewProgramInARealFolder) {
  TempDir dir;
  const Path exe = dir.path() / "Vantiro.exe";
  write_program(exe, recorder_script("old"));
  auto files = make_update_files();
  const Path temp = dir.path() / "Vantiro-update-{0}.tmp";
  {
    auto d = files->create_download(temp);
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->write(recorder_script("new")));
    ASSERT_TRUE(d->finish());
  }
  update::StagedUpdate staged(*files, u"1.9.10", std::string(64, 'a'), 1, temp);
  auto starter = make_process_starter();
  RecordingLock lock;
  update::InstallPorts ports{*starter, lock, nullptr};
  EXPECT_EQ(update::install_update_and_restart(staged, {exe, std::nullopt}, false, ports),
            update::InstallOutcome::restarted);
  EXPECT_EQ(wait_for_file(dir.path() / "ran.txt"),
            "new " + dir.path().string() + " --cleanup-old --lang=en\n");
  EXPECT_EQ(read_text_file(exe.string() + ".old"), recorder_script("old"));
  EXPECT_EQ(lock.events, (std::vector<std::string>{"release"}));
}

TEST(InstallUpdateAndRestart, RollsBackWhenTheNewProgramCannotStart) {
  TempDir dir;
  const Path exe = dir.path() / "Vantiro.exe";
  write_program(exe, recorder_script("old"));
  auto files = make_update_files();
  const Path temp = dir.path() / "Vantiro-update-{0}.tmp";
  {
    auto d = files->create_download(temp);
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->write("MZ this is not runnable here"));
    ASSERT_TRUE(d->finish());
  }
  auto staged =
      std::make_unique<update::StagedUpdate>(*files, u"1.9.10", std::string(64, 'a'), 1, temp);
  auto starter = make_process_starter();
  RecordingLock lock;
  update::InstallPorts ports{*starter, lock, nullptr};
  EXPECT_EQ(update::install_update_and_restart(*staged, {exe, std::nullopt}, true, ports),
            update::InstallOutcome::failed);
  EXPECT_EQ(read_text_file(exe), recorder_script("old"));
  EXPECT_FALSE(std::filesystem::exists(exe.string() + ".old"));
  EXPECT_EQ(lock.events, (std::vector<std::string>{"release", "reacquire"}));
  staged.reset();
  EXPECT_EQ(read_text_file(exe), recorder_script("old"));
  EXPECT_FALSE(std::filesystem::exists(dir.path() / "ran.txt"));
}

}  // namespace
}  // namespace vantiro::platform
