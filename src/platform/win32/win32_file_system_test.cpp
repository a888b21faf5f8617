#include <windows.h>

#include <chrono>
#include <future>

#include "platform/file_system_port_tests.h"

namespace vantiro::platform::port_tests {

std::vector<AtomicReplaceStep> host_replace_steps() {
  using S = AtomicReplaceStep;
  return {S::create_staging, S::write, S::flush, S::close, S::rename};
}

namespace {

TEST(Win32FileSystem, ReadOfANamedPipeIsRefusedWithoutBlocking) {
  const std::wstring name =
      L"\\\\.\\pipe\\vantiro-port-test-" + std::to_wstring(GetCurrentProcessId());
  const HANDLE server = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX,
                                         PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(server, INVALID_HANDLE_VALUE);
  auto fs = make_file_system();
  auto pending =
      std::async(std::launch::async, [&] { return fs->read_regular_file(name, 4096).status; });
  const bool finished = pending.wait_for(std::chrono::seconds(5)) == std::future_status::ready;
  if (!finished) {
    ADD_FAILURE() << "read blocked on a pipe";
    DisconnectNamedPipe(server);
  }
  const BoundedRead::Status status = pending.get();
  CloseHandle(server);
  // Connecting can also fail outright when the pipe is busy; either way nothing is read.
  EXPECT_TRUE(status == BoundedRead::Status::not_regular || status == BoundedRead::Status::error)
      << status_name(status);
}

TEST(Win32FileSystem, ReadOfTheNullDeviceIsRefused) {
  EXPECT_STREQ(status_name(make_file_system()->read_regular_file(L"NUL", 4096).status),
               "not_regular");
}

TEST(Win32FileSystem, SymbolicLinksCountAsOtherAndAreNotRead) {
  TempFolder dir;
  write_file(dir / "real.ini", "secret");
  const Path link = dir / "link.ini";
  if (!CreateSymbolicLinkW(link.c_str(), (dir / "real.ini").c_str(),
                           SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    GTEST_SKIP() << "symbolic links cannot be created here (error " << GetLastError() << ")";
  }
  // Some emulated systems report success without making the link.
  if (GetFileAttributesW(link.c_str()) == INVALID_FILE_ATTRIBUTES) {
    GTEST_SKIP() << "symbolic links are not supported here";
  }
  auto fs = make_file_system();
  EXPECT_EQ(fs->kind(link), PathKind::other);
  const BoundedRead r = fs->read_regular_file(link, 4096);
  EXPECT_STREQ(status_name(r.status), "not_regular");
  EXPECT_TRUE(r.bytes.empty());
}

TEST(Win32FileSystem, ReadSharesWithAWriterThatAllowsReading) {
  TempFolder dir;
  write_file(dir / "settings.ini", "shared");
  const HANDLE writer = CreateFileW((dir / "settings.ini").c_str(), GENERIC_WRITE, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(writer, INVALID_HANDLE_VALUE);
  const BoundedRead r = make_file_system()->read_regular_file(dir / "settings.ini", 4096);
  CloseHandle(writer);
  EXPECT_STREQ(status_name(r.status), "ok");
  EXPECT_EQ(r.bytes, "shared");
}

TEST(Win32FileSystem, ReplaceOfATargetHeldWithoutDeleteSharingFailsCleanly) {
  TempFolder dir;
  const Path target = dir / "settings.ini";
  write_file(target, "old");
  const HANDLE holder = CreateFileW(target.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  const bool ok = make_file_system()->replace_file_atomically(target, "new");
  CloseHandle(holder);
  EXPECT_FALSE(ok);
  EXPECT_EQ(read_file(target), "old");
  EXPECT_EQ(names_in(dir.path()), std::vector<std::string>{"settings.ini"});
}

}  // namespace
}  // namespace vantiro::platform::port_tests
