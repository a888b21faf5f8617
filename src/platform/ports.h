#pragma once

// Each host (src/platform/linux, src/platform/win32) defines these factories for the ports
// that the core declares. Core code never calls them; the host's entry point and the host's
// own tests do.

#include <memory>

#include "common/clock.h"
#include "common/file_system.h"
#include "common/sha256.h"

namespace vantiro::platform {

// platform/atomic_replace.h adds an overload that lets tests interrupt a replace at each step.
std::unique_ptr<FileSystem> make_file_system();
std::unique_ptr<Clock> make_clock();
std::unique_ptr<Sha256> make_sha256();

}  // namespace vantiro::platform
