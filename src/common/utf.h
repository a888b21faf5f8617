#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantiro {

// Strict forms refuse ill-formed input (overlong forms, surrogates encoded in UTF-8, lone
// surrogates in UTF-16, truncated sequences). Lossy forms put U+FFFD in place of each
// maximal ill-formed subpart, as the Unicode standard recommends.
bool is_valid_utf8(std::string_view bytes);
std::optional<std::u16string> utf8_to_utf16_strict(std::string_view bytes);
std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text);
std::u16string utf8_to_utf16_lossy(std::string_view bytes);
std::string utf16_to_utf8_lossy(std::u16string_view text);

// Short names for the common, lossy direction at the edges.
inline std::string to_utf8(std::u16string_view text) {
  return utf16_to_utf8_lossy(text);
}
inline std::u16string to_utf16(std::string_view bytes) {
  return utf8_to_utf16_lossy(bytes);
}

inline bool is_high_surrogate(char16_t c) {
  return c >= 0xD800 && c <= 0xDBFF;
}
inline bool is_low_surrogate(char16_t c) {
  return c >= 0xDC00 && c <= 0xDFFF;
}

}  // namespace vantiro
