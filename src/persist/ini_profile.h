#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "common/file_system.h"
#include "persist/profile_store.h"

namespace vantiro {

// Larger profile files are treated as unreadable (defaults on read, refused on write).
inline constexpr std::size_t kMaxProfileFileBytes = 1 << 20;

// The conversion the system's profile reader applies to a value: leading white space, one
// optional sign, a "0x", "0o" or "0b" prefix (lower case only), then digits of that base up to
// the first other character; wraps modulo 2^32; only the first 29 units count.
std::int32_t profile_value_to_int(std::u16string_view value);

// A ProfileStore over FileSystem. Text files in UTF-8 (with or without a byte order mark) or
// UTF-16LE with its mark; bytes that are not UTF-8 are kept as they are on write. A write
// changes only the line of its key (or adds one) and keeps the file's line endings.
class IniProfileStore final : public ProfileStore {
 public:
  explicit IniProfileStore(FileSystem& fs) : fs_(fs) {}

  std::int32_t read_int(const Path& file, std::u16string_view section, std::u16string_view key,
                        std::int32_t default_value) override;
  std::u16string read_string(const Path& file, std::u16string_view section, std::u16string_view key,
                             std::u16string_view default_value, std::size_t max_length) override;
  bool write_string(const Path& file, std::u16string_view section, std::u16string_view key,
                    std::u16string_view value) override;

 private:
  FileSystem& fs_;
};

}  // namespace vantiro
