#include <gtk/gtk.h>

#include "platform/gtk_host_ports.h"

namespace vantiro::platform {

bool ensure_display() {
  static bool connected = false;
  // GTK refuses a second initialisation only after a success; a failed one may be retried
  // when a display appears later.
  if (!connected) connected = gtk_init_check(nullptr, nullptr) != FALSE;
  return connected && gdk_display_get_default() != nullptr;
}

}  // namespace vantiro::platform
