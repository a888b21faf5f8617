#include "fivem/base64.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace vantiro {
namespace {

static_assert(std::endian::native == std::endian::little,
              "the quantum store assumes little endian");

constexpr std::uint32_t kBad = 0x01000000;  // above any 24-bit quantum

constexpr int sextet(unsigned c) {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// One table per position in the quantum, each value already shifted into place, so a quantum
// is four loads and three ORs; any bad character sets kBad and poisons the running check.
struct Tables {
  std::array<std::array<std::uint32_t, 256>, 4> t{};
  constexpr Tables() {
    for (unsigned c = 0; c < 256; ++c) {
      const int s = sextet(c);
      for (int pos = 0; pos < 4; ++pos)
        t[pos][c] = s < 0 ? kBad : static_cast<std::uint32_t>(s) << (18 - 6 * pos);
    }
  }
};
constexpr Tables kTables{};

template <typename Unit>
inline std::uint32_t unit_index(Unit u) {
  return static_cast<std::uint32_t>(u) & 0xFFu;
}

// Units above 0xFF must not alias a table slot; for bytes this is always zero.
template <typename Unit>
inline std::uint32_t high_bits(Unit u) {
  if constexpr (sizeof(Unit) == 1) {
    return 0;
  } else {
    return static_cast<std::uint32_t>(u) >> 8;
  }
}

template <typename Unit>
inline std::uint32_t quantum(const Unit* p) {
  const auto& t = kTables.t;
  return t[0][unit_index(p[0])] | t[1][unit_index(p[1])] | t[2][unit_index(p[2])] |
         t[3][unit_index(p[3])] |
         ((high_bits(p[0]) | high_bits(p[1]) | high_bits(p[2]) | high_bits(p[3])) != 0 ? kBad : 0);
}

template <typename Unit>
bool decode(const Unit* in, std::size_t n, std::string& out) {
  out.clear();
  if (n % 4 != 0) return false;
  if (n == 0) return true;

  const Unit* last = in + n - 4;
  std::size_t pads = 0;
  if (last[3] == Unit('=')) pads = last[2] == Unit('=') ? 2 : 1;

  out.resize(n / 4 * 3);
  auto* dst = reinterpret_cast<unsigned char*>(out.data());
  const std::size_t full = n / 4 - 1;  // every quantum but the last

  std::uint32_t bad = 0;
  std::size_t q = 0;
  // Blocks of quanta with one check each; a 4-byte store per quantum overlaps the next one,
  // which the 3-byte tail of the output absorbs.
  constexpr std::size_t kBlock = 64;
  while (q + kBlock <= full) {
    for (std::size_t k = 0; k < kBlock; ++k, ++q) {
      const std::uint32_t v = quantum(in + 4 * q);
      bad |= v;
      const std::uint32_t be = __builtin_bswap32(v << 8);
      std::memcpy(dst + 3 * q, &be, 4);
    }
    if (bad & kBad) {
      out.clear();
      return false;
    }
  }
  for (; q < full; ++q) {
    const std::uint32_t v = quantum(in + 4 * q);
    bad |= v;
    dst[3 * q] = static_cast<unsigned char>(v >> 16);
    dst[3 * q + 1] = static_cast<unsigned char>(v >> 8);
    dst[3 * q + 2] = static_cast<unsigned char>(v);
  }

  // The last quantum, with its padding.
  const auto& t = kTables.t;
  std::uint32_t v = 0;
  if (pads == 0) {
    v = quantum(last);
  } else {
    const std::uint32_t hi =
        high_bits(last[0]) | high_bits(last[1]) | (pads == 1 ? high_bits(last[2]) : 0);
    v = t[0][unit_index(last[0])] | t[1][unit_index(last[1])] |
        (pads == 1 ? t[2][unit_index(last[2])] : 0) | (hi ? kBad : 0);
    // The bits after the last whole byte must be zero, or two texts would give one result.
    if (pads == 2 && (v & 0xFFFF)) v |= kBad;
    if (pads == 1 && (v & 0xFF)) v |= kBad;
  }
  bad |= v;
  if (bad & kBad) {
    out.clear();
    return false;
  }
  const std::size_t at = 3 * full;
  dst[at] = static_cast<unsigned char>(v >> 16);
  if (pads < 2) dst[at + 1] = static_cast<unsigned char>(v >> 8);
  if (pads < 1) dst[at + 2] = static_cast<unsigned char>(v);
  out.resize(at + 3 - pads);
  return true;
}

}  // namespace

bool decode_base64_strict(std::u16string_view text, std::string& out) {
  return decode(text.data(), text.size(), out);
}

bool decode_base64_strict(std::string_view text, std::string& out) {
  return decode(text.data(), text.size(), out);
}

}  // namespace vantiro
