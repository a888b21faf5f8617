#include "common/utf.h"

#include <cstdint>

namespace vantiro {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one scalar value at bytes[i]. Returns the length of the well-formed sequence, or
// the length of the maximal ill-formed subpart (at least 1) with ok = false.
struct Step {
  char32_t cp;
  size_t len;
  bool ok;
};

Step decode_utf8(std::string_view s, size_t i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) return {b0, 1, true};
  size_t need;
  unsigned char lo = 0x80, hi = 0xBF;
  char32_t cp;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    need = 1;
    cp = b0 & 0x1F;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    need = 2;
    cp = b0 & 0x0F;
    if (b0 == 0xE0) lo = 0xA0;
    if (b0 == 0xED) hi = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    need = 3;
    cp = b0 & 0x07;
    if (b0 == 0xF0) lo = 0x90;
    if (b0 == 0xF4) hi = 0x8F;
  } else {
    return {kReplacement, 1, false};
  }
  for (size_t k = 1; k <= need; ++k) {
    if (i + k >= s.size()) return {kReplacement, k, false};
    const auto b = static_cast<unsigned char>(s[i + k]);
    if (b < lo || b > hi) return {kReplacement, k, false};
    lo = 0x80;
    hi = 0xBF;
    cp = (cp << 6) | (b & 0x3F);
  }
  return {cp, need + 1, true};
}

void append_utf16(std::u16string& out, char32_t cp) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

void append_utf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

template <bool kStrict>
bool utf8_to_16(std::string_view s, std::u16string& out) {
  out.reserve(s.size());
  size_t i = 0;
  while (i < s.size()) {
    // ASCII runs are the common case in every message this program reads.
    if (static_cast<unsigned char>(s[i]) < 0x80) {
      out.push_back(static_cast<char16_t>(s[i]));
      ++i;
      continue;
    }
    const Step st = decode_utf8(s, i);
    if (!st.ok && kStrict) return false;
    append_utf16(out, st.cp);
    i += st.len;
  }
  return true;
}

template <bool kStrict>
bool utf16_to_8(std::u16string_view s, std::string& out) {
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    char32_t cp = c;
    if (is_high_surrogate(c)) {
      if (i + 1 < s.size() && is_low_surrogate(s[i + 1])) {
        cp = 0x10000 + ((static_cast<char32_t>(c) - 0xD800) << 10) + (s[i + 1] - 0xDC00);
        ++i;
      } else {
        if (kStrict) return false;
        cp = kReplacement;
      }
    } else if (is_low_surrogate(c)) {
      if (kStrict) return false;
      cp = kReplacement;
    }
    append_utf8(out, cp);
  }
  return true;
}

}  // namespace

bool is_valid_utf8(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size()) {
    if (static_cast<unsigned char>(bytes[i]) < 0x80) {
      ++i;
      continue;
    }
    const Step st = decode_utf8(bytes, i);
    if (!st.ok) return false;
    i += st.len;
  }
  return true;
}

std::optional<std::u16string> utf8_to_utf16_strict(std::string_view bytes) {
  std::u16string out;
  if (!utf8_to_16<true>(bytes, out)) return std::nullopt;
  return out;
}

std::optional<std::string> utf16_to_utf8_strict(std::u16string_view text) {
  std::string out;
  if (!utf16_to_8<true>(text, out)) return std::nullopt;
  return out;
}

std::u16string utf8_to_utf16_lossy(std::string_view bytes) {
  std::u16string out;
  utf8_to_16<false>(bytes, out);
  return out;
}

std::string utf16_to_utf8_lossy(std::u16string_view text) {
  std::string out;
  utf16_to_8<false>(text, out);
  return out;
}

}  // namespace vantiro
