#pragma once

#include <string>
#include <string_view>

namespace vantiro {

// Strict Base64 (standard alphabet, "=" padding): the length is a multiple of 4, only the
// last quantum may carry padding, no white space, and the padding bits are zero. So exactly
// one text decodes to any given bytes. On failure out is left empty.
bool decode_base64_strict(std::u16string_view text, std::string& out);
// The same rule over bytes; a byte of 128 or above fails, as a UTF-16 unit of 128 or above
// does, so UTF-8 text from a message can be decoded without widening it first.
bool decode_base64_strict(std::string_view text, std::string& out);

}  // namespace vantiro
