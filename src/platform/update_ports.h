#pragma once

// Factories for the updater's host ports; each host defines them.

#include <memory>

#include "update/install.h"
#include "update/update_files.h"
#include "update/verify.h"

namespace vantiro::platform {

std::unique_ptr<update::UpdateFiles> make_update_files();
std::unique_ptr<update::ProcessStarter> make_process_starter();
// The maker's signature and version checks with the system's trust store.
std::unique_ptr<update::ReleaseChecks> make_release_checks();

}  // namespace vantiro::platform
