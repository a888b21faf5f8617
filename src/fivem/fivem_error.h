#pragma once

#include <string_view>

namespace vantiro {

// Every code the FiveM bridge reports: in bridge replies, in the writer's result and from the
// folder dialog. The page script relies on the exact strings.
enum class FiveMError {
  none,
  bad_request,
  busy,
  invalid_resource_name,
  no_files,
  too_many_files,
  invalid_path,
  too_large,
  bad_base64,
  duplicate_path,
  missing_manifest,
  no_folder,
  folder_missing,
  reparse_point,
  path_conflict,
  outside_resource,
  write_failed,
  cancelled,
  invalid_folder,
  failed,
};

// The ASCII code of an error; empty for none.
std::string_view code(FiveMError e);

}  // namespace vantiro
