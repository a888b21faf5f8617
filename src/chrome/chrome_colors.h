#pragma once

// The chrome's colour tokens (0xRRGGBB) and the box helper every painter shares.

#include <algorithm>
#include <cstdint>

#include "chrome/hit_zone.h"

namespace vantiro::chrome::tokens {

inline constexpr std::uint32_t kAccent = 0xF1D4B1;
inline constexpr std::uint32_t kText = 0xEEF3FB;
inline constexpr std::uint32_t kTitleText = 0xEDF1F7;
inline constexpr std::uint32_t kSecondary = 0xA7B5C8;
inline constexpr std::uint32_t kMuted = 0x8A9BB3;
inline constexpr std::uint32_t kHeading = 0x5C6D85;
inline constexpr std::uint32_t kStatusText = 0xA9B8CB;
inline constexpr std::uint32_t kTabIcon = 0xC2CFE1;
inline constexpr std::uint32_t kSuccess = 0x3DDC97;
inline constexpr std::uint32_t kDanger = 0xF06E64;
inline constexpr std::uint32_t kCloseHover = 0xC42B1C;
inline constexpr std::uint32_t kCanvas = 0x070B12;
inline constexpr std::uint32_t kContent = 0x080D15;
inline constexpr std::uint32_t kPanel = 0x0D1524;
inline constexpr std::uint32_t kCard = 0x0E1626;
inline constexpr std::uint32_t kWhite = 0xFFFFFF;
inline constexpr std::uint32_t kBlack = 0x000000;
inline constexpr std::uint32_t kIdleGlyph = 0x8E9FB6;
inline constexpr std::uint32_t kCaptionGlyph = 0xC7D2E2;

// A text or shape box that never turns inside out on a tiny window.
inline RectF box(float l, float t, float r, float b) {
  return {l, t, std::max(r, l), std::max(b, t)};
}

}  // namespace vantiro::chrome::tokens
