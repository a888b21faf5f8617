#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "persist/ini_profile.h"
#include "platform/ports.h"

namespace vantiro::platform {
namespace {

std::optional<Path> absolute_env(const char* name) {
  const char* value = std::getenv(name);
  if (value == nullptr || *value == '\0') return std::nullopt;
  Path p(value);
  if (!p.is_absolute()) return std::nullopt;
  return p;
}

// The XDG base directory rules: a relative XDG_DATA_HOME is ignored.
struct XdgUserFolders final : UserFolders {
  std::optional<Path> local_app_data() override {
    if (auto data = absolute_env("XDG_DATA_HOME")) return data;
    if (auto home = absolute_env("HOME")) return *home / ".local" / "share";
    return std::nullopt;
  }
  Path temp_dir() override {
    if (auto tmp = absolute_env("TMPDIR")) return *tmp;
    return Path("/tmp");
  }
};

}  // namespace

std::unique_ptr<UserFolders> make_user_folders() {
  return std::make_unique<XdgUserFolders>();
}

std::unique_ptr<ProfileStore> make_profile_store(FileSystem& fs) {
  return std::make_unique<IniProfileStore>(fs);
}

std::optional<std::u16string> make_absolute_path(std::u16string_view path) {
  if (path.empty()) return std::nullopt;
  std::error_code ec;
  const Path p = std::filesystem::absolute(Path(path), ec);
  if (ec || !p.is_absolute()) return std::nullopt;
  return p.u16string();
}

}  // namespace vantiro::platform
