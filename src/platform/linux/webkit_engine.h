#pragma once

// Linux-only access to the WebKitGTK objects behind the web engine port, for the host's own
// tests (which decide, for example, which test certificate the engine may trust).

#include <webkit2/webkit2.h>

#include <cstdint>
#include <string>

#include "workspace/web_engine.h"

namespace vantiro::platform {

// The web context of an environment made by make_web_engine; null for any other object.
WebKitWebContext* webkit_context_of(workspace::WebEnvironment& environment);

// The WebKitWebView behind a view made by make_web_engine; null for any other object or
// after the view was closed.
WebKitWebView* webkit_view_of(workspace::WebView& view);

// The Windows virtual-key code for a GDK key value; 0 when it has none.
std::uint32_t virtual_key_of(guint keyval);

// The navigation failure status for an error WebKit reported.
int web_error_status_of(const GError* error);

// JavaScript text of a string literal holding text, with every character outside printable
// ASCII escaped, so that no text can end the literal or the script around it.
std::string javascript_string_literal(std::string_view text);

}  // namespace vantiro::platform
