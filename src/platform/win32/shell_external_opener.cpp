#include <windows.h>

#include <shellapi.h>

#include <string>

#include "platform/external_opener.h"

namespace vantiro::platform {
namespace {

struct ShellExternalOpener final : ExternalOpener {
  explicit ShellExternalOpener(HWND owner) : owner_(owner) {}

  bool open_in_browser(std::u16string_view url) override {
    if (url.empty() || url.find(u'\0') != std::u16string_view::npos) return false;
    const std::wstring wide(url.begin(), url.end());
    const HINSTANCE result =
        ShellExecuteW(owner_, L"open", wide.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    // Values above 32 mean success; anything else is an error code.
    return reinterpret_cast<INT_PTR>(result) > 32;
  }

 private:
  HWND owner_;
};

}  // namespace

std::unique_ptr<ExternalOpener> make_external_opener(void* owner_window) {
  return std::make_unique<ShellExternalOpener>(static_cast<HWND>(owner_window));
}

}  // namespace vantiro::platform
