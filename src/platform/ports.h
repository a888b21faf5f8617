#pragma once

// Each host (src/platform/linux, src/platform/win32) defines these factories for the ports
// that the core declares. Core code never calls them; the host's entry point and the host's
// own tests do. A test hook overload of make_file_system is in platform/atomic_replace.h.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/clock.h"
#include "common/file_system.h"
#include "common/sha256.h"
#include "fivem/resource_fs.h"
#include "persist/profile_store.h"
#include "persist/user_folders.h"

namespace vantiro::platform {

std::unique_ptr<FileSystem> make_file_system();
std::unique_ptr<Clock> make_clock();
std::unique_ptr<Sha256> make_sha256();

// The user's local data and temporary folders.
std::unique_ptr<UserFolders> make_user_folders();

// Profile files such as window.ini. The Linux host keeps them as text files through fs; the
// Windows host uses the system's profile functions and does not use fs.
std::unique_ptr<ProfileStore> make_profile_store(FileSystem& fs);

// The path made absolute against the current folder; nullopt when that fails or the path is
// empty.
std::optional<std::u16string> make_absolute_path(std::u16string_view path);

// The FiveM resource writer's file system, built on folder handles. Linux only so far.
std::unique_ptr<ResourceFs> make_resource_fs();

}  // namespace vantiro::platform
