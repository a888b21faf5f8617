#pragma once

// The host's way of handing an address to the user's default browser.

#include <memory>

#include "web/navigation.h"

namespace vantiro::platform {

// owner_window: the main window's native handle (HWND on Windows; unused on Linux), parent of
// any dialog the shell shows while launching. May be null.
std::unique_ptr<ExternalOpener> make_external_opener(void* owner_window);

}  // namespace vantiro::platform
