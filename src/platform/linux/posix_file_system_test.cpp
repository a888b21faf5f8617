#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "platform/file_system_port_tests.h"

namespace vantiro::platform::port_tests {

std::vector<AtomicReplaceStep> host_replace_steps() {
  using S = AtomicReplaceStep;
  return {S::create_staging, S::write, S::set_mode, S::flush, S::close, S::rename, S::flush_folder};
}

namespace {

mode_t mode_of(const Path& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return 0;
  return st.st_mode & 07777;
}

// Runs a call that must not block; when it does, opening the FIFO's other end frees it.
template <typename F>
auto without_blocking(const Path& fifo, F call) {
  auto pending = std::async(std::launch::async, call);
  if (pending.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    ADD_FAILURE() << "call blocked on a FIFO";
    const int writer = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
  }
  return pending.get();
}

TEST(PosixFileSystem, ReadOfAFifoIsRefusedWithoutBlocking) {
  TempFolder dir;
  const Path fifo = dir / "settings.ini";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  auto fs = make_file_system();
  EXPECT_EQ(fs->kind(fifo), PathKind::other);
  const BoundedRead r = without_blocking(fifo, [&] { return fs->read_regular_file(fifo, 4096); });
  EXPECT_STREQ(status_name(r.status), "not_regular");
}

TEST(PosixFileSystem, ReadOfADeviceIsRefused) {
  EXPECT_STREQ(status_name(make_file_system()->read_regular_file("/dev/zero", 4096).status),
               "not_regular");
}

TEST(PosixFileSystem, SymlinksAreNeverFollowedAtTheFinalName) {
  TempFolder dir;
  write_file(dir / "real.ini", "secret");
  ASSERT_EQ(::symlink((dir / "real.ini").c_str(), (dir / "link.ini").c_str()), 0);
  ASSERT_EQ(::symlink((dir / "gone").c_str(), (dir / "dangling").c_str()), 0);
  auto fs = make_file_system();
  EXPECT_EQ(fs->kind(dir / "link.ini"), PathKind::other);
  EXPECT_EQ(fs->kind(dir / "dangling"), PathKind::other);
  const BoundedRead r = fs->read_regular_file(dir / "link.ini", 4096);
  EXPECT_STREQ(status_name(r.status), "not_regular");
  EXPECT_TRUE(r.bytes.empty());
}

TEST(PosixFileSystem, ReplacingASymlinkReplacesTheLinkNotTheFileItNames) {
  TempFolder dir;
  write_file(dir / "real.ini", "untouched");
  ASSERT_EQ(::symlink((dir / "real.ini").c_str(), (dir / "link.ini").c_str()), 0);
  ASSERT_TRUE(make_file_system()->replace_file_atomically(dir / "link.ini", "new"));
  EXPECT_EQ(read_file(dir / "real.ini"), "untouched");
  EXPECT_EQ(make_file_system()->kind(dir / "link.ini"), PathKind::regular_file);
  EXPECT_EQ(read_file(dir / "link.ini"), "new");
}

TEST(PosixFileSystem, NewFileIsReadableByOthersAndAReplacedFileKeepsItsMode) {
  TempFolder dir;
  auto fs = make_file_system();
  ASSERT_TRUE(fs->replace_file_atomically(dir / "new.ini", "a"));
  EXPECT_EQ(mode_of(dir / "new.ini"), 0644u);

  write_file(dir / "private.ini", "old");
  ASSERT_EQ(::chmod((dir / "private.ini").c_str(), 0600), 0);
  ASSERT_TRUE(fs->replace_file_atomically(dir / "private.ini", "b"));
  EXPECT_EQ(mode_of(dir / "private.ini"), 0600u);

  write_file(dir / "setid.ini", "old");
  ASSERT_EQ(::chmod((dir / "setid.ini").c_str(), 04755), 0);
  ASSERT_TRUE(fs->replace_file_atomically(dir / "setid.ini", "c"));
  EXPECT_EQ(mode_of(dir / "setid.ini"), 0755u);
}

TEST(PosixFileSystem, ReplaceInAReadOnlyFolderFailsAndLeavesTheFile) {
  if (::geteuid() == 0) GTEST_SKIP() << "root ignores folder permissions";
  TempFolder dir;
  const Path folder = dir / "ro";
  std::filesystem::create_directory(folder);
  write_file(folder / "settings.ini", "old");
  ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
  EXPECT_FALSE(make_file_system()->replace_file_atomically(folder / "settings.ini", "new"));
  ::chmod(folder.c_str(), 0755);
  EXPECT_EQ(read_file(folder / "settings.ini"), "old");
  EXPECT_EQ(names_in(folder), std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace vantiro::platform::port_tests
