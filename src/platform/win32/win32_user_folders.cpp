#include <windows.h>

#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/ports.h"

namespace vantiro::platform {
namespace {

struct Win32UserFolders final : UserFolders {
  std::optional<Path> local_app_data() override {
    PWSTR raw = nullptr;
    const HRESULT hr = SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &raw);
    std::optional<Path> out;
    if (SUCCEEDED(hr) && raw != nullptr && raw[0] != L'\0') out = Path(raw);
    CoTaskMemFree(raw);
    return out;
  }

  Path temp_dir() override {
    std::vector<wchar_t> buffer(MAX_PATH + 1);
    for (;;) {
      const DWORD n = GetTempPathW(static_cast<DWORD>(buffer.size()), buffer.data());
      if (n == 0) return Path(L"C:\\Windows\\Temp");
      if (n < buffer.size()) return Path(std::wstring(buffer.data(), n));
      buffer.resize(static_cast<std::size_t>(n) + 1);
    }
  }
};

std::wstring wide(std::u16string_view s) {
  return std::wstring(s.begin(), s.end());
}

// The system's profile functions; they take care of the file's encoding and sharing.
struct Win32ProfileStore final : ProfileStore {
  std::int32_t read_int(const Path& file, std::u16string_view section, std::u16string_view key,
                        std::int32_t default_value) override {
    const UINT v = GetPrivateProfileIntW(wide(section).c_str(), wide(key).c_str(), default_value,
                                         file.c_str());
    return static_cast<std::int32_t>(v);
  }

  std::u16string read_string(const Path& file, std::u16string_view section, std::u16string_view key,
                             std::u16string_view default_value, std::size_t max_length) override {
    std::vector<wchar_t> buffer(max_length + 1, L'\0');
    const DWORD n = GetPrivateProfileStringW(wide(section).c_str(), wide(key).c_str(),
                                             wide(default_value).c_str(), buffer.data(),
                                             static_cast<DWORD>(buffer.size()), file.c_str());
    return std::u16string(buffer.begin(), buffer.begin() + std::min<std::size_t>(n, max_length));
  }

  bool write_string(const Path& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value) override {
    return WritePrivateProfileStringW(wide(section).c_str(), wide(key).c_str(), wide(value).c_str(),
                                      file.c_str()) != FALSE;
  }
};

}  // namespace

std::unique_ptr<UserFolders> make_user_folders() {
  return std::make_unique<Win32UserFolders>();
}

std::unique_ptr<ProfileStore> make_profile_store(FileSystem&) {
  return std::make_unique<Win32ProfileStore>();
}

std::optional<std::u16string> make_absolute_path(std::u16string_view path) {
  if (path.empty()) return std::nullopt;
  const std::wstring in = wide(path);
  std::vector<wchar_t> buffer(260);
  for (int attempt = 0; attempt < 8; ++attempt) {
    const DWORD n =
        GetFullPathNameW(in.c_str(), static_cast<DWORD>(buffer.size()), buffer.data(), nullptr);
    if (n == 0) return std::nullopt;
    if (n < buffer.size()) {
      std::u16string out(buffer.begin(), buffer.begin() + n);
      if (!Path(out).is_absolute()) return std::nullopt;
      return out;
    }
    // Too small: n is the size needed, terminator included.
    buffer.resize(n);
  }
  return std::nullopt;
}

}  // namespace vantiro::platform
