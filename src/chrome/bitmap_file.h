#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace vantiro::chrome {

// A 32-bit top-down BMP: 14-byte file header, 40-byte info header with a negative height, then
// rows of blue, green, red and a meaningless fourth byte, without gaps. pixels holds
// width x height values 0xAARRGGBB (little-endian memory gives B, G, R, A). Empty when the
// sizes are not positive or do not match the pixels.
std::string encode_top_down_bmp(int width, int height, std::span<const std::uint32_t> pixels);

}  // namespace vantiro::chrome
