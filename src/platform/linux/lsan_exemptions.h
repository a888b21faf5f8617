#pragma once

// GTK, WebKitGTK, GLib, fontconfig and Pango keep caches and type registrations for the life
// of the process; only their allocations are exempt from the leak check of programs built
// with the address sanitizer.

namespace vantiro::platform {

inline const char* toolkit_leak_exemptions() {
  return "leak:libfontconfig.so\n"
         "leak:libdbus-1.so\n"
         "leak:libglib-2.0.so\n"
         "leak:libgobject-2.0.so\n"
         "leak:libgio-2.0.so\n"
         "leak:libgtk-3.so\n"
         "leak:libgdk-3.so\n"
         "leak:libwebkit2gtk-4.1.so\n"
         "leak:libjavascriptcoregtk-4.1.so\n"
         "leak:libsoup-3.0.so\n"
         "leak:libpango\n"
         "leak:libharfbuzz.so\n"
         "leak:libcairo.so\n"
         "leak:libatk\n"
         "leak:libatspi.so\n";
}

}  // namespace vantiro::platform
