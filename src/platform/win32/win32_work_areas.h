#pragma once

#include <memory>

#include "persist/window_placement.h"

namespace vantiro::platform {

// Monitor work areas from the monitor functions, with the system parameters' work area for
// the primary monitor when its information cannot be read.
std::unique_ptr<WorkAreas> make_win32_work_areas();

}  // namespace vantiro::platform
