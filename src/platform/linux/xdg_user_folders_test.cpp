#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

// Sets an environment variable for one test and puts the old value back.
class EnvVar {
 public:
  EnvVar(const char* name, const char* value) : name_(name) {
    if (const char* old = getenv(name)) old_ = old;
    if (value) {
      setenv(name, value, 1);
    } else {
      unsetenv(name);
    }
  }
  ~EnvVar() {
    if (old_) {
      setenv(name_, old_->c_str(), 1);
    } else {
      unsetenv(name_);
    }
  }
  EnvVar(const EnvVar&) = delete;
  EnvVar& operator=(const EnvVar&) = delete;

 private:
  const char* name_;
  std::optional<std::string> old_;
};

TEST(XdgUserFolders, LocalDataFolderTable) {
  struct Case {
    const char* xdg;
    const char* home;
    std::optional<Path> expected;
  };
  const Case cases[] = {
      {"/data/xdg", "/home/u", Path("/data/xdg")},
      {"relative/xdg", "/home/u", Path("/home/u/.local/share")},
      {"", "/home/u", Path("/home/u/.local/share")},
      {nullptr, "/home/u", Path("/home/u/.local/share")},
      {nullptr, "relative", std::nullopt},
      {nullptr, "", std::nullopt},
      {nullptr, nullptr, std::nullopt},
  };
  for (const auto& c : cases) {
    EnvVar xdg("XDG_DATA_HOME", c.xdg);
    EnvVar home("HOME", c.home);
    EXPECT_EQ(make_user_folders()->local_app_data(), c.expected)
        << (c.xdg ? c.xdg : "(unset)") << " " << (c.home ? c.home : "(unset)");
  }
  EnvVar xdg("XDG_DATA_HOME", "/data/xdg");
  auto folders = make_user_folders();
  EXPECT_EQ(app_data_folder(*folders), Path("/data/xdg/Vantiro"));
}

TEST(XdgUserFolders, TemporaryFolder) {
  {
    EnvVar tmp("TMPDIR", "/var/tmp/x");
    EXPECT_EQ(make_user_folders()->temp_dir(), Path("/var/tmp/x"));
  }
  EnvVar tmp("TMPDIR", "rel");
  EXPECT_EQ(make_user_folders()->temp_dir(), Path("/tmp"));
}

TEST(HostAbsolutePath, JoinsRelativePathsToTheCurrentFolder) {
  const auto cwd = std::filesystem::current_path();
  EXPECT_EQ(make_absolute_path(u"report.json"), (cwd / "report.json").u16string());
  EXPECT_EQ(make_absolute_path(u"/abs/r.json"), std::u16string(u"/abs/r.json"));
  EXPECT_EQ(make_absolute_path(u""), std::nullopt);
}

}  // namespace
}  // namespace vantiro::platform
