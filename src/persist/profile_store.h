#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/file_system.h"

namespace vantiro {

// Classic profile files (window.ini): sections of key=value lines. Section and key names
// compare without regard to ASCII case; only the first section of a name is consulted and
// only the first key of a name in it. Values are trimmed and a pair of matching quotes
// around a value is removed.
struct ProfileStore {
  virtual ~ProfileStore() = default;

  // The key's value as an integer the way the system's profile reader converts it; a missing
  // key, an empty value or an unreadable file give default_value.
  virtual std::int32_t read_int(const Path& file, std::u16string_view section,
                                std::u16string_view key, std::int32_t default_value) = 0;

  // The key's value cut to at most max_length UTF-16 units; default_value when the key is
  // missing or the file cannot be read.
  virtual std::u16string read_string(const Path& file, std::u16string_view section,
                                     std::u16string_view key, std::u16string_view default_value,
                                     std::size_t max_length) = 0;

  // Sets one key and keeps every other key, line and section of the file; creates the file
  // and the section when needed. The parent folder must exist.
  virtual bool write_string(const Path& file, std::u16string_view section, std::u16string_view key,
                            std::u16string_view value) = 0;
};

}  // namespace vantiro
