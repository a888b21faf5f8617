#include "chrome/bitmap_file.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantiro::chrome {
namespace {

std::uint32_t u32(const std::string& s, size_t at) {
  return static_cast<std::uint32_t>(static_cast<unsigned char>(s[at])) |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 1])) << 8 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 2])) << 16 |
         static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + 3])) << 24;
}

TEST(BitmapFile, WritesTheTopDownThirtyTwoBitLayout) {
  // 2 x 2: red, green / blue, white.
  const std::vector<std::uint32_t> px = {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF};
  const std::string bmp = encode_top_down_bmp(2, 2, px);
  ASSERT_EQ(bmp.size(), 54u + 16u);
  EXPECT_EQ(bmp.substr(0, 2), "BM");
  EXPECT_EQ(u32(bmp, 2), 70u);   // file size
  EXPECT_EQ(u32(bmp, 6), 0u);    // reserved words
  EXPECT_EQ(u32(bmp, 10), 54u);  // pixel offset
  EXPECT_EQ(u32(bmp, 14), 40u);  // info header size
  EXPECT_EQ(u32(bmp, 18), 2u);
  EXPECT_EQ(static_cast<std::int32_t>(u32(bmp, 22)), -2);  // top-down
  EXPECT_EQ(u32(bmp, 26), 1u | (32u << 16));               // planes, bits
  EXPECT_EQ(u32(bmp, 30), 0u);                             // uncompressed
  EXPECT_EQ(u32(bmp, 34), 16u);                            // image size
  // The first pixel is the top-left one, bytes blue, green, red.
  EXPECT_EQ(static_cast<unsigned char>(bmp[54]), 0x00);
  EXPECT_EQ(static_cast<unsigned char>(bmp[55]), 0x00);
  EXPECT_EQ(static_cast<unsigned char>(bmp[56]), 0xFF);
  EXPECT_EQ(u32(bmp, 54 + 8), 0xFF0000FFu);  // second row starts with blue
}

TEST(BitmapFile, RefusesEmptyOrMismatchedImages) {
  const std::vector<std::uint32_t> px(6, 0);
  EXPECT_TRUE(encode_top_down_bmp(0, 3, {}).empty());
  EXPECT_TRUE(encode_top_down_bmp(3, -2, px).empty());
  EXPECT_TRUE(encode_top_down_bmp(2, 2, px).empty());
  EXPECT_EQ(encode_top_down_bmp(3, 2, px).size(), 54u + 24u);
}

}  // namespace
}  // namespace vantiro::chrome
