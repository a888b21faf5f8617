#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <thread>

#include "platform/linux/test_pki.h"
#include "platform/update_ports.h"
#include "update/install.h"
#include "update/swap.h"

namespace vantiro::platform {
namespace {

using namespace vantiro::platform::testing;
using update::UpdateFiles;

class PosixUpdateFilesTest : public ::testing::Test {
 protected:
  TempDir dir;
  std::unique_ptr<UpdateFiles> files = make_update_files();
  Path at(const char* name) const { return dir.path() / name; }
};

TEST_F(PosixUpdateFilesTest, SwapsInARealFolderAndKeepsTheRollbackCopy) {
  write_text_file(at("Vantiro.exe"), "old-v1");
  write_text_file(at("Vantiro-update.tmp"), "new-v2");
  ASSERT_TRUE(update::atomic_binary_swap(*files, at("Vantiro.exe"), at("Vantiro-update.tmp")));
  EXPECT_EQ(read_text_file(at("Vantiro.exe")), "new-v2");
  EXPECT_EQ(read_text_file(at("Vantiro.exe.old")), "old-v1");
  EXPECT_FALSE(std::filesystem::exists(at("Vantiro-update.tmp")));

  // A second update replaces the earlier rollback copy.
  write_text_file(at("Vantiro-update.tmp"), "new-v3");
  ASSERT_TRUE(update::atomic_binary_swap(*files, at("Vantiro.exe"), at("Vantiro-update.tmp")));
  EXPECT_EQ(read_text_file(at("Vantiro.exe")), "new-v3");
  EXPECT_EQ(read_text_file(at("Vantiro.exe.old")), "new-v2");

  EXPECT_EQ(update::roll_back_swap(*files, at("Vantiro.exe")), update::RollBack::restored);
  EXPECT_EQ(read_text_file(at("Vantiro.exe")), "new-v2");
  EXPECT_FALSE(std::filesystem::exists(at("Vantiro.exe.old")));
}

TEST_F(PosixUpdateFilesTest, TheTargetNeverGoesMissingDuringSwaps) {
  const Path target = at("Vantiro.exe");
  write_text_file(target, "v0");
  std::atomic<bool> done{false};
  std::atomic<int> missing{0};
  std::atomic<int> looks{0};
  std::thread watcher([&] {
    struct stat st {};
    while (!done) {
      if (::lstat(target.c_str(), &st) != 0) ++missing;
      ++looks;
    }
  });
  for (int i = 1; i <= 40; ++i) {
    write_text_file(at("u.tmp"), "v" + std::to_string(i));
    ASSERT_TRUE(update::atomic_binary_swap(*files, target, at("u.tmp"))) << i;
    if (i % 2 == 0) {
      ASSERT_EQ(update::roll_back_swap(*files, target), update::RollBack::restored);
    }
  }
  done = true;
  watcher.join();
  EXPECT_GT(looks.load(), 0);
  EXPECT_EQ(missing.load(), 0);
}

TEST_F(PosixUpdateFilesTest, RefusesToSwapThroughALinkOrOntoAFolder) {
  write_text_file(at("real.exe"), "real");
  std::filesystem::create_symlink(at("real.exe"), at("Vantiro.exe"));
  write_text_file(at("new.tmp"), "new");
  EXPECT_FALSE(update::atomic_binary_swap(*files, at("Vantiro.exe"), at("new.tmp")));
  EXPECT_EQ(read_text_file(at("real.exe")), "real");
  std::filesystem::create_symlink(at("new.tmp"), at("link.tmp"));
  std::filesystem::remove(at("Vantiro.exe"));
  write_text_file(at("Vantiro.exe"), "old");
  EXPECT_FALSE(update::atomic_binary_swap(*files, at("Vantiro.exe"), at("link.tmp")));
  std::filesystem::create_directory(at("folder.exe"));
  EXPECT_FALSE(update::atomic_binary_swap(*files, at("folder.exe"), at("new.tmp")));
  EXPECT_EQ(read_text_file(at("Vantiro.exe")), "old");
  EXPECT_EQ(read_text_file(at("new.tmp")), "new");
}

TEST_F(PosixUpdateFilesTest, ADownloadIsNewFlushedAndThenUnwritable) {
  auto d = files->create_download(at("d.tmp"));
  ASSERT_TRUE(d);
  EXPECT_FALSE(files->create_download(at("d.tmp")));
  EXPECT_TRUE(d->write("abc"));
  EXPECT_TRUE(d->write("def"));
  EXPECT_TRUE(d->finish());
  struct stat st {};
  ASSERT_EQ(::stat(at("d.tmp").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0555u);
  EXPECT_EQ(read_text_file(at("d.tmp")), "abcdef");

  auto held = files->open_held(at("d.tmp"));
  ASSERT_TRUE(held);
  EXPECT_EQ(held->regular_file_size(), 6u);
  EXPECT_EQ(held->read_all(6), "abcdef");
  EXPECT_EQ(held->read_all(5), std::nullopt);
  // Deletion stays possible while held; the held bytes stay readable.
  EXPECT_TRUE(files->remove_file(at("d.tmp")));
  EXPECT_EQ(held->read_all(6), "abcdef");
  EXPECT_TRUE(files->remove_file(at("d.tmp")));  // already gone counts
}

TEST_F(PosixUpdateFilesTest, HeldFilesAreNeverReachedThroughLinksFifosOrSharedWriters) {
  write_text_file(at("real"), "x");
  std::filesystem::create_symlink(at("real"), at("link"));
  EXPECT_FALSE(files->open_held(at("link")));
  ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
  auto fifo = files->open_held(at("fifo"));  // must not block
  if (fifo) {
    EXPECT_EQ(fifo->regular_file_size(), std::nullopt);
  }
  std::filesystem::create_directory(at("dir"));
  auto folder = files->open_held(at("dir"));
  if (folder) {
    EXPECT_EQ(folder->regular_file_size(), std::nullopt);
  }
  ::chmod(at("real").c_str(), 0666);
  auto shared = files->open_held(at("real"));
  ASSERT_TRUE(shared);
  EXPECT_EQ(shared->regular_file_size(), std::nullopt);
}

TEST_F(PosixUpdateFilesTest, ProbesFoldersWithoutLeavingAFile) {
  EXPECT_TRUE(files->can_create_file_in(dir.path(), u"Vantiro-write-probe-42.tmp"));
  EXPECT_FALSE(std::filesystem::exists(at("Vantiro-write-probe-42.tmp")));
  write_text_file(at("Vantiro-write-probe-42.tmp"), "taken");
  EXPECT_FALSE(files->can_create_file_in(dir.path(), u"Vantiro-write-probe-42.tmp"));
  EXPECT_EQ(read_text_file(at("Vantiro-write-probe-42.tmp")), "taken");
  EXPECT_FALSE(files->can_create_file_in(at("missing"), u"p.tmp"));
  EXPECT_TRUE(files->create_directories(at("a/b/c")));
  EXPECT_TRUE(std::filesystem::is_directory(at("a/b/c")));
}

// Real files, with one chosen step failing the way a disk or a crash can make it fail.
class FailingUpdateFiles final : public UpdateFiles {
 public:
  enum class Fault { none, replace_refused, replace_lost_target, replace_moved_then_failed, move };
  FailingUpdateFiles(UpdateFiles& real, Fault fault) : real_(real), fault_(fault) {}
  PathKind kind(const Path& p) override { return real_.kind(p); }
  std::unique_ptr<update::DownloadFile> create_download(const Path& p) override {
    return real_.create_download(p);
  }
  std::unique_ptr<update::HeldFile> open_held(const Path& p) override { return real_.open_held(p); }
  bool remove_file(const Path& p) override { return real_.remove_file(p); }
  bool can_create_file_in(const Path& f, std::u16string_view n) override {
    return real_.can_create_file_in(f, n);
  }
  bool create_directories(const Path& p) override { return real_.create_directories(p); }
  bool replace_with_backup(const Path& t, const Path& r, const Path& b) override {
    switch (fault_) {
      case Fault::replace_refused:
        return false;
      case Fault::replace_lost_target:
        return real_.move_replacing(t, b) && false;
      case Fault::replace_moved_then_failed:
        return real_.replace_with_backup(t, r, b) && false;
      default:
        return real_.replace_with_backup(t, r, b);
    }
  }
  bool move_replacing(const Path& f, const Path& t) override {
    return fault_ != Fault::move && real_.move_replacing(f, t);
  }

 private:
  UpdateFiles& real_;
  Fault fault_;
};

TEST_F(PosixUpdateFilesTest, AFailureAtEachSwapStepLeavesTheOriginalInPlace) {
  using Fault = FailingUpdateFiles::Fault;
  struct Case {
    const char* label;
    Fault fault;
  };
  const Case cases[] = {{"replace refused", Fault::replace_refused},
                        {"target renamed away, then failed", Fault::replace_lost_target},
                        {"replacement moved in, then failed", Fault::replace_moved_then_failed}};
  for (const auto& c : cases) {
    TempDir d;
    write_text_file(d.path() / "Vantiro.exe", "old-v1");
    write_text_file(d.path() / "u.tmp", "new-v2");
    FailingUpdateFiles failing(*files, c.fault);
    EXPECT_FALSE(update::atomic_binary_swap(failing, d.path() / "Vantiro.exe", d.path() / "u.tmp"))
        << c.label;
    EXPECT_EQ(read_text_file(d.path() / "Vantiro.exe"), "old-v1") << c.label;
  }
}

}  // namespace
}  // namespace vantiro::platform
