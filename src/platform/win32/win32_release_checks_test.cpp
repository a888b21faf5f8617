#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/update_ports.h"

namespace vantiro::platform {
namespace {

TEST(Win32ReleaseChecks, AnUnsignedFileHasNoPublisherAndNoVersion) {
  std::random_device rd;
  const Path p = std::filesystem::temp_directory_path() /
                 ("vantiro-unsigned-" + std::to_string(rd()) + ".exe");
  {
    std::ofstream f(p, std::ios::binary);
    f << "MZ" << std::string(4096, '\0');
  }
  auto files = make_update_files();
  auto checks = make_release_checks();
  {
    auto held = files->open_held(p);
    ASSERT_TRUE(held);
    const auto content = held->read_all(1 << 20);
    ASSERT_TRUE(content);
    EXPECT_FALSE(checks->authenticode_publisher_ok(*held, *content));
    EXPECT_EQ(checks->product_version_of(*held, *content), u"");
  }
  std::filesystem::remove(p);
}

TEST(Win32ReleaseChecks, ThisUnsignedTestProgramIsRefused) {
  wchar_t self[MAX_PATH];
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  auto files = make_update_files();
  auto held = files->open_held(self);
  ASSERT_TRUE(held);
  EXPECT_FALSE(make_release_checks()->authenticode_publisher_ok(*held, {}));
}

}  // namespace
}  // namespace vantiro::platform
