#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fivem/fivem_error.h"
#include "fivem/fivem_file.h"

namespace vantiro {

// Bounds of one resource request; all inclusive.
inline constexpr std::size_t kMaxFiveMNameUnits = 64;
inline constexpr std::size_t kMaxFiveMPathUnits = 180;
inline constexpr std::size_t kMaxFiveMPathSegments = 4;
inline constexpr std::size_t kMaxFiveMFiles = 64;
inline constexpr std::uint64_t kMaxFiveMTotalBytes = 67'108'864;      // 64 MiB, exact
inline constexpr std::uint64_t kMaxFiveMEstimatedBytes = 67'108'992;  // 64 MiB + 128
inline constexpr std::size_t kMaxFiveMMessageUnits = 89'515'352;
inline constexpr std::u16string_view kFiveMManifestName = u"fxmanifest.lua";

// How the host spells paths: Windows takes "\" and "/" as separators, a drive or UNC root and
// compares names case-insensitively; POSIX has "/" only and compares bytes exactly.
enum class PathStyle { windows, posix };
#ifdef _WIN32
inline constexpr PathStyle kHostPathStyle = PathStyle::windows;
#else
inline constexpr PathStyle kHostPathStyle = PathStyle::posix;
#endif

bool is_valid_fivem_resource_name(std::u16string_view name);

// One path segment; the stem before the first "." decides.
bool is_reserved_device_name(std::u16string_view segment);

// A relative "/" path of at most four segments whose extension is on the allow-list.
bool is_valid_fivem_relative_path(std::u16string_view path);

// Whole path equals the manifest name, ignoring ASCII case; "stream/fxmanifest.lua" is not.
bool is_fivem_manifest_path(std::u16string_view path);

// Two paths of one request that name the same file: equal ignoring ASCII case.
bool same_fivem_path(std::u16string_view a, std::u16string_view b);

// True when a is b or a folder prefix of b ("x.lua" and "x.lua/y.lua"), ignoring ASCII case.
// Such a pair can never both be written: one needs a file where the other needs a folder.
bool fivem_paths_conflict(std::u16string_view a, std::u16string_view b);

// The text names an absolute folder: a drive letter, ":" and a separator, or a leading "\\"
// root (UNC or device prefix) on Windows; a leading "/" on POSIX.
bool is_absolute_fivem_folder(std::u16string_view path, PathStyle style = kHostPathStyle);

// Lexical only: both paths are normalized ("." and ".." folded, separators collapsed) and
// candidate must have root's elements as a strict prefix. Names compare case-insensitively
// on Windows and exactly on POSIX.
bool is_strictly_inside(std::u16string_view root, std::u16string_view candidate,
                        PathStyle style = kHostPathStyle);

// The lexically normalized form used by is_strictly_inside, with the host's separator.
std::u16string normalize_fivem_path(std::u16string_view path, PathStyle style = kHostPathStyle);

// Last element of the normalized path; the whole text when that element is empty (a root, or
// a path that ends in a separator).
std::u16string last_path_component(std::u16string_view path, PathStyle style = kHostPathStyle);

// The request checks that need no disk, in order, the first failure deciding: name, count,
// then per file path, running byte total, duplicates and folder/file conflicts, and last the
// manifest.
FiveMError check_fivem_request(std::u16string_view resource_name,
                               const std::vector<FiveMFile>& files);

}  // namespace vantiro
