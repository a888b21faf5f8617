#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "platform/update_ports.h"
#include "update/install.h"
#include "update/swap.h"

namespace vantiro::platform {
namespace {

class TempFolder {
 public:
  TempFolder() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("vantiro-update-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  Path operator/(const char* name) const { return path_ / name; }
  const Path& path() const { return path_; }

 private:
  Path path_;
};

void put(const Path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary | std::ios::trunc);
  f << text;
}

std::string get(const Path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

TEST(Win32UpdateFiles, SwapsInARealFolderAndKeepsTheRollbackCopy) {
  TempFolder dir;
  auto files = make_update_files();
  put(dir / "Vantiro.exe", "old-v1");
  put(dir / "Vantiro-update.tmp", "new-v2");
  ASSERT_TRUE(update::atomic_binary_swap(*files, dir / "Vantiro.exe", dir / "Vantiro-update.tmp"));
  EXPECT_EQ(get(dir / "Vantiro.exe"), "new-v2");
  EXPECT_EQ(get(dir / "Vantiro.exe.old"), "old-v1");
  EXPECT_FALSE(std::filesystem::exists(dir / "Vantiro-update.tmp"));
  put(dir / "Vantiro-update.tmp", "new-v3");
  ASSERT_TRUE(update::atomic_binary_swap(*files, dir / "Vantiro.exe", dir / "Vantiro-update.tmp"));
  EXPECT_EQ(get(dir / "Vantiro.exe.old"), "new-v2");
  EXPECT_EQ(update::roll_back_swap(*files, dir / "Vantiro.exe"), update::RollBack::restored);
  EXPECT_EQ(get(dir / "Vantiro.exe"), "new-v2");
}

TEST(Win32UpdateFiles, AHeldFileCannotBeOpenedForWriting) {
  TempFolder dir;
  auto files = make_update_files();
  const Path p = dir / "Vantiro-update.tmp";
  {
    auto d = files->create_download(p);
    ASSERT_TRUE(d);
    EXPECT_FALSE(files->create_download(p));
    ASSERT_TRUE(d->write("release bytes"));
    ASSERT_TRUE(d->finish());
  }
  auto held = files->open_held(p);
  ASSERT_TRUE(held);
  EXPECT_EQ(held->regular_file_size(), 13u);
  EXPECT_EQ(held->read_all(13), "release bytes");
  EXPECT_EQ(held->read_all(12), std::nullopt);
  const HANDLE writer =
      CreateFileW(p.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
  if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
  held.reset();
  EXPECT_TRUE(files->remove_file(p));
  EXPECT_TRUE(files->remove_file(p));
}

TEST(Win32UpdateFiles, ProbesAFolderWithoutLeavingAFile) {
  TempFolder dir;
  auto files = make_update_files();
  EXPECT_TRUE(files->can_create_file_in(dir.path(), u"Vantiro-write-probe-7.tmp"));
  EXPECT_FALSE(std::filesystem::exists(dir / "Vantiro-write-probe-7.tmp"));
  EXPECT_FALSE(files->can_create_file_in(dir / "missing", u"Vantiro-write-probe-7.tmp"));
}

TEST(Win32ProcessStarter, RunsNothingUntilResumedThenRunsInItsFolder) {
  TempFolder dir;
  wchar_t system[MAX_PATH];
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const Path cmd = Path(system) / L"cmd.exe";
  auto starter = make_process_starter();
  auto p = starter->create_suspended(cmd, {u"/c", u"echo ran>ran.txt"}, dir.path());
  ASSERT_TRUE(p);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  EXPECT_FALSE(std::filesystem::exists(dir / "ran.txt"));
  ASSERT_TRUE(p->resume());
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
  while (!std::filesystem::exists(dir / "ran.txt") && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_TRUE(std::filesystem::exists(dir / "ran.txt"));
  EXPECT_FALSE(starter->create_suspended(dir / "missing.exe", {}, dir.path()));
}

struct CountingLock final : update::InstanceLock {
  int released = 0;
  int reacquired = 0;
  void release() override { ++released; }
  bool reacquire() override {
    ++reacquired;
    return true;
  }
};

TEST(Win32InstallUpdateAndRestart, RollsBackWhenTheNewProgramCannotStart) {
  TempFolder dir;
  auto files = make_update_files();
  put(dir / "Vantiro.exe", "old-v1");
  const Path temp = dir / "Vantiro-update-{0}.tmp";
  {
    auto d = files->create_download(temp);
    ASSERT_TRUE(d);
    ASSERT_TRUE(d->write("not a program"));
    ASSERT_TRUE(d->finish());
  }
  auto staged =
      std::make_unique<update::StagedUpdate>(*files, u"1.9.10", std::string(64, 'a'), 13, temp);
  staged->hold(files->open_held(temp));
  auto starter = make_process_starter();
  CountingLock lock;
  update::InstallPorts ports{*starter, lock, nullptr};
  EXPECT_EQ(
      update::install_update_and_restart(*staged, {dir / "Vantiro.exe", std::nullopt}, true, ports),
      update::InstallOutcome::failed);
  EXPECT_EQ(get(dir / "Vantiro.exe"), "old-v1");
  EXPECT_FALSE(std::filesystem::exists(dir / "Vantiro.exe.old"));
  EXPECT_EQ(lock.released, 0);
  staged.reset();
  EXPECT_EQ(get(dir / "Vantiro.exe"), "old-v1");
}

}  // namespace
}  // namespace vantiro::platform
