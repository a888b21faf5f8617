#pragma once

#include <cstdint>
#include <string>

#include "fivem/fivem_error.h"

namespace vantiro {

// One file of a resource: the relative path exactly as received ("/" separated) and the
// decoded content, which may be empty.
struct FiveMFile {
  std::u16string path;
  std::string bytes;
};

// ok is true exactly when error is none. files_written counts the files moved into place,
// also when a later step failed, so the caller never under-reports what changed on disk.
struct FiveMWriteResult {
  bool ok = false;
  std::int32_t files_written = 0;
  FiveMError error = FiveMError::write_failed;
};

}  // namespace vantiro
