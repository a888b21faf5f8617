#pragma once

#include <string_view>
#include <vector>

#include "fivem/fivem_file.h"
#include "fivem/resource_fs.h"

namespace vantiro {

inline constexpr std::size_t kFiveMWriteChunk = 1'048'576;
inline constexpr std::u16string_view kFiveMStagingSuffix = u".vantiro-tmp";

// Writes one resource into fivem_folder/resource_name: every request check again, then the
// folders, then each file staged beside its target and flushed, then all moved into place.
// Refusals before the first change leave the disk untouched; a failure while staging leaves
// no staging file; a failure while committing reports how many files were already replaced.
FiveMWriteResult write_fivem_resource_files(ResourceFs& fs, std::u16string_view fivem_folder,
                                            std::u16string_view resource_name,
                                            const std::vector<FiveMFile>& files);

}  // namespace vantiro
