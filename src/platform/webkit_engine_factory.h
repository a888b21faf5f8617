#pragma once

// The Linux host's web engine: WebKitGTK views inside the main window.

#include <memory>

#include "workspace/web_engine.h"

namespace vantiro::platform {

// parent_container: the GtkFixed of the main window that holds the host windows (each a
// child placed at its rectangle). Null gives host windows without a parent, for tests.
// GTK must be initialised, and every call is made on the GTK main thread.
std::unique_ptr<workspace::WebEngine> make_web_engine(void* parent_container);

}  // namespace vantiro::platform
