#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "common/utf.h"
#include "persist/settings.h"

// Whatever the bytes, parsing never fails, and a record that parsed as valid reads back
// unchanged from its own serialization.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const vantiro::AppSettings s = vantiro::parse_settings(bytes);
  if (s.unreadable && s.newer_schema) std::abort();
  if (!s.unreadable && !s.newer_schema) {
    const vantiro::AppSettings back = vantiro::parse_settings(vantiro::serialize_settings(s));
    if (back.unreadable || back.newer_schema || !vantiro::same_values(s, back)) std::abort();
  }
  // The folder validator accepts only well-formed UTF-8.
  if (vantiro::is_valid_fivem_resources_dir(bytes) && !vantiro::is_valid_utf8(bytes)) std::abort();
  return 0;
}
