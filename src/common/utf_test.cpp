#include "common/utf.h"

#include <gtest/gtest.h>

namespace vantiro {
namespace {

TEST(Utf8Validation, AcceptsExactlyTheWellFormedBoundaries) {
  struct Case {
    std::string_view bytes;
    bool valid;
  };
  const Case cases[] = {
      {"", true},
      {"plain ascii", true},
      {"\xC2\x80", true},   // lowest two-byte lead
      {"\xC1\xBF", false},  // overlong two-byte
      {"\xDF\xBF", true},
      {"\xE0\xA0\x80", true},   // lowest three-byte without overlong
      {"\xE0\x9F\xBF", false},  // overlong three-byte
      {"\xED\x9F\xBF", true},   // last before surrogates
      {"\xED\xA0\x80", false},  // encoded surrogate
      {"\xEF\xBF\xBF", true},
      {"\xF0\x90\x80\x80", true},   // lowest four-byte
      {"\xF0\x8F\xBF\xBF", false},  // overlong four-byte
      {"\xF4\x8F\xBF\xBF", true},   // U+10FFFF
      {"\xF4\x90\x80\x80", false},  // above U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\x80", false},  // lone continuation
      {"\xC3", false},  // truncated at the end
      {"\xC3\x28", false},
      {"\xE2\x82", false},
      {"a\xF0\x9F\x98\x80z", true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(is_valid_utf8(c.bytes), c.valid) << testing::PrintToString(std::string(c.bytes));
    EXPECT_EQ(utf8_to_utf16_strict(c.bytes).has_value(), c.valid);
  }
}

TEST(Utf16Conversion, CountsAstralCharactersAsTwoUnits) {
  const auto wide = utf8_to_utf16_strict("\xC3\xA5\xF0\x9F\x98\x80");
  ASSERT_TRUE(wide.has_value());
  EXPECT_EQ(*wide, std::u16string(u"\u00E5\U0001F600"));
  EXPECT_EQ(wide->size(), 3u);
  EXPECT_EQ(utf16_to_utf8_strict(*wide), std::optional<std::string>("\xC3\xA5\xF0\x9F\x98\x80"));
}

TEST(Utf16Conversion, StrictRefusesAndLossyReplacesLoneSurrogates) {
  const std::u16string lone_high = {u'a', char16_t(0xD800)};
  const std::u16string lone_low = {char16_t(0xDC00), u'b'};
  const std::u16string reversed = {char16_t(0xDC00), char16_t(0xD800)};
  for (const auto& s : {lone_high, lone_low, reversed}) {
    EXPECT_FALSE(utf16_to_utf8_strict(s).has_value());
    const std::string lossy = utf16_to_utf8_lossy(s);
    EXPECT_TRUE(is_valid_utf8(lossy));
    EXPECT_NE(lossy.find("\xEF\xBF\xBD"), std::string::npos);
  }
}

TEST(Utf8Conversion, LossyReplacesEachMaximalIllFormedPart) {
  // "\xE2\x82" is one truncated sequence (one replacement), "\xFF" another.
  EXPECT_EQ(utf8_to_utf16_lossy("a\xE2\x82z\xFF"), std::u16string(u"a\uFFFDz\uFFFD"));
  EXPECT_EQ(utf8_to_utf16_lossy("\xED\xA0\x80"), std::u16string(u"\uFFFD\uFFFD\uFFFD"));
}

}  // namespace
}  // namespace vantiro
