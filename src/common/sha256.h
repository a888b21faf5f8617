#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "common/file_system.h"

namespace vantiro {

// SHA-256 as 64 lower-case hexadecimal characters, from the host's crypto library.
struct Sha256 {
  virtual ~Sha256() = default;
  virtual std::string sha256_hex(std::string_view bytes) = 0;
  // nullopt when the file cannot be opened or read to its end.
  virtual std::optional<std::string> sha256_file_hex(const Path& path) = 0;
};

}  // namespace vantiro
