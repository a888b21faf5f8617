#include "platform/linux/lsan_exemptions.h"

// The test program drives GTK and WebKitGTK directly.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
  return vantiro::platform::toolkit_leak_exemptions();
}
