#include "chrome/bitmap_file.h"

#include <limits>

namespace vantiro::chrome {

namespace {

void put16(std::string& out, std::uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void put32(std::string& out, std::uint32_t v) {
  put16(out, v & 0xFFFF);
  put16(out, v >> 16);
}

}  // namespace

std::string encode_top_down_bmp(int width, int height, std::span<const std::uint32_t> pixels) {
  if (width <= 0 || height <= 0) return {};
  const std::uint64_t count =
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
  if (count != pixels.size()) return {};
  const std::uint64_t image = count * 4;
  if (image + 54 > std::numeric_limits<std::uint32_t>::max()) return {};
  std::string out;
  out.reserve(static_cast<size_t>(image + 54));
  out += "BM";
  put32(out, static_cast<std::uint32_t>(image + 54));
  put16(out, 0);
  put16(out, 0);
  put32(out, 54);
  put32(out, 40);
  put32(out, static_cast<std::uint32_t>(width));
  put32(out, static_cast<std::uint32_t>(-height));  // negative: rows run top to bottom
  put16(out, 1);
  put16(out, 32);
  put32(out, 0);  // uncompressed
  put32(out, static_cast<std::uint32_t>(image));
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  put32(out, 0);
  for (std::uint32_t p : pixels) put32(out, p);
  return out;
}

}  // namespace vantiro::chrome
