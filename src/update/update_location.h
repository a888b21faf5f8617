#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "update/update_files.h"

namespace vantiro::update {

// The running program's folder when a file can be created there, else the per-user install
// folder (created when missing); none when neither is usable.
std::optional<Path> update_download_folder(UpdateFiles& files, const Path& executable_folder,
                                           const std::optional<Path>& per_user_folder,
                                           std::uint32_t process_id);

// A random version-4 GUID in braced upper-case form, 38 characters.
std::u16string new_guid_text();

// folder / ("Vantiro-update-" guid ".tmp")
Path update_temp_file(const Path& folder, std::u16string_view guid_text);

}  // namespace vantiro::update
