#include <windows.h>

#include "platform/sha256_port_tests.h"

namespace vantiro::platform::port_tests {
namespace {

// The staged update keeps such a handle open while it is hashed and installed.
TEST(BcryptSha256, FileHeldOpenForReadingWithDeleteSharingIsHashed) {
  TempFolder dir;
  const Path file = dir / "Vantiro-update.tmp";
  write_file(file, "abc");
  const HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  const auto digest = make_sha256()->sha256_file_hex(file);
  CloseHandle(held);
  EXPECT_EQ(digest.value_or("<none>"),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}

TEST(BcryptSha256, TheNullDeviceHasNoDigest) {
  EXPECT_FALSE(make_sha256()->sha256_file_hex(L"NUL").has_value());
}

}  // namespace
}  // namespace vantiro::platform::port_tests
