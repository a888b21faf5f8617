#pragma once

#include <cstddef>
#include <string>

namespace vantiro::platform {

// Two lower-case hexadecimal characters per byte, high nibble first.
inline std::string lower_hex(const unsigned char* bytes, std::size_t size) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string out;
  out.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    out.push_back(kDigits[bytes[i] >> 4]);
    out.push_back(kDigits[bytes[i] & 0x0F]);
  }
  return out;
}

// Files are hashed in pieces of this size, never read whole.
inline constexpr std::size_t kHashChunkBytes = std::size_t{1} << 20;

}  // namespace vantiro::platform
