#include <gio/gio.h>

#include "common/utf.h"
#include "platform/external_opener.h"

namespace vantiro::platform {
namespace {

struct GioExternalOpener final : ExternalOpener {
  bool open_in_browser(std::u16string_view url) override {
    const auto utf8 = utf16_to_utf8_strict(url);
    if (!utf8 || utf8->empty() || utf8->find('\0') != std::string::npos) return false;
    GError* error = nullptr;
    const gboolean ok = g_app_info_launch_default_for_uri(utf8->c_str(), nullptr, &error);
    if (error != nullptr) g_error_free(error);
    return ok != FALSE;
  }
};

}  // namespace

std::unique_ptr<ExternalOpener> make_external_opener(void* /*owner_window*/) {
  return std::make_unique<GioExternalOpener>();
}

}  // namespace vantiro::platform
