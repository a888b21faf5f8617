#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "common/fake_file_system.h"
#include "persist/profile_store_cases.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

TEST(Win32UserFolders, LocalDataAndTemporaryFoldersAreAbsoluteFolders) {
  auto folders = make_user_folders();
  const auto local = folders->local_app_data();
  ASSERT_TRUE(local.has_value());
  EXPECT_TRUE(local->is_absolute());
  EXPECT_NE(GetFileAttributesW(local->c_str()), INVALID_FILE_ATTRIBUTES);
  const Path temp = folders->temp_dir();
  EXPECT_TRUE(temp.is_absolute());
  EXPECT_EQ(app_data_folder(*folders), *local / L"Vantiro");
}

TEST(Win32AbsolutePath, UsesTheFullPathName) {
  wchar_t cwd[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryW(MAX_PATH, cwd), 0u);
  const auto got = make_absolute_path(u"report.json");
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(Path(*got), Path(cwd) / L"report.json");
  EXPECT_EQ(make_absolute_path(u"C:\\a\\..\\b"), std::u16string(u"C:\\b"));
  EXPECT_EQ(make_absolute_path(u""), std::nullopt);
  // Longer than the first buffer of 260 characters.
  const std::u16string long_name = u"C:\\" + std::u16string(400, u'x');
  EXPECT_EQ(make_absolute_path(long_name), long_name);
}

class Win32ProfileStoreTest : public testing::Test {
 protected:
  void SetUp() override {
    wchar_t temp[MAX_PATH + 1];
    ASSERT_GT(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const auto* info = testing::UnitTest::GetInstance()->current_test_info();
    const std::string name = std::string("vantiro-profile-") + info->name() + ".ini";
    path_ = Path(temp) / std::wstring(name.begin(), name.end());
    DeleteFileW(path_.c_str());
  }
  void TearDown() override { DeleteFileW(path_.c_str()); }

  void write_raw(std::string_view bytes) {
    HANDLE h = CreateFileW(path_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    CloseHandle(h);
  }

  Path path_;
};

std::string narrow(std::u16string_view s) {
  return std::string(s.begin(), s.end());
}

TEST_F(Win32ProfileStoreTest, AgreesWithThePortableReaderOnEveryCase) {
  write_raw(profile_cases::kFile);
  FakeFileSystem unused;
  auto store = make_profile_store(unused);
  for (const auto& c : profile_cases::kIntCases) {
    EXPECT_EQ(store->read_int(path_, c.section, c.key, -99), c.expected)
        << "[" << narrow(c.section) << "] " << narrow(c.key);
  }
  for (const auto& c : profile_cases::kStringCases) {
    EXPECT_EQ(store->read_string(path_, u"window", c.key, u"dflt  ", c.max_length), c.expected)
        << narrow(c.key) << " max " << c.max_length;
  }
}

TEST_F(Win32ProfileStoreTest, WritesOneKeyAndKeepsTheOthers) {
  write_raw("[window]\r\nx=1\r\nkeep=yes\r\n[other]\r\nx=2\r\n");
  FakeFileSystem unused;
  auto store = make_profile_store(unused);
  ASSERT_TRUE(store->write_string(path_, u"window", u"x", u"-5"));
  ASSERT_TRUE(store->write_string(path_, u"window", u"schema", u"2"));
  EXPECT_EQ(store->read_int(path_, u"window", u"x", 0), -5);
  EXPECT_EQ(store->read_int(path_, u"window", u"schema", 0), 2);
  EXPECT_EQ(store->read_string(path_, u"window", u"keep", u"", 15), u"yes");
  EXPECT_EQ(store->read_int(path_, u"other", u"x", 0), 2);
  EXPECT_EQ(store->read_int(path_ / L"missing.ini", u"window", u"x", 7), 7);
}

}  // namespace
}  // namespace vantiro::platform
