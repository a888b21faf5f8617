#include "fivem/base64.h"

#include <gtest/gtest.h>

#include <string>

#include "common/utf.h"

namespace vantiro {
namespace {

// Reference encoder, written plainly, so round trips check the decoder against the alphabet.
std::string encode(std::string_view bytes) {
  static const char kAlphabet[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    for (int s = 18; s >= 0; s -= 6) out.push_back(kAlphabet[(v >> s) & 63]);
  }
  const std::size_t rest = bytes.size() - i;
  if (rest == 1) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (rest == 2) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

TEST(Base64Strict, DecodesOnlyCanonicalPaddedText) {
  struct Case {
    std::string_view text;
    bool ok;
    std::string_view bytes;
  };
  const Case cases[] = {
      {"", true, ""},
      {"aGk=", true, "hi"},
      {"aGkh", true, "hi!"},
      {"AA==", true, std::string_view("\0", 1)},
      {"+/+/", true, "\xfb\xff\xbf"},
      {"aGk", false, ""},
      {"aG=k", false, ""},
      {"a=k=", false, ""},
      {"aGk=aGk=", false, ""},
      {"aGk\n", false, ""},
      {"aGk=\n", false, ""},
      {"aGl=", false, ""},  // pad bits set with one pad
      {"AB==", false, ""},  // pad bits set with two pads
      {"====", false, ""},
      {"A===", false, ""},
      {"aG k", false, ""},
      {"aGk-", false, ""},  // URL alphabet is not accepted
      {"aGk_", false, ""},
      {"aGk\x80", false, ""},
  };
  for (const auto& c : cases) {
    std::string out = "stale";
    EXPECT_EQ(decode_base64_strict(c.text, out), c.ok) << c.text;
    EXPECT_EQ(out, c.bytes) << c.text;
    std::string out16 = "stale";
    EXPECT_EQ(decode_base64_strict(to_utf16(c.text), out16), c.ok) << c.text;
    EXPECT_EQ(out16, c.bytes) << c.text;
  }
}

TEST(Base64Strict, WideUnitsThatAliasTheAlphabetInTheirLowByteFail) {
  // U+0141 has 0x41 ("A") as its low byte, U+013D has "=".
  for (std::u16string text : {u"\u0141AAA", u"AAAA\u0141AAA", u"AA\u013D=", u"AA=\u013D"}) {
    std::string out = "stale";
    EXPECT_FALSE(decode_base64_strict(text, out)) << to_utf8(text);
    EXPECT_TRUE(out.empty());
  }
}

TEST(Base64Strict, RoundTripsEveryLengthAcrossTheBlockBoundary) {
  std::string bytes;
  for (std::size_t n = 0; n < 700; ++n) {
    const std::string text = encode(bytes);
    std::string out;
    ASSERT_TRUE(decode_base64_strict(text, out)) << "length " << n;
    ASSERT_EQ(out, bytes) << "length " << n;
    bytes.push_back(static_cast<char>((n * 131 + 7) & 0xFF));
  }
}

TEST(Base64Strict, ABadCharacterAnywhereInALongTextFails) {
  std::string bytes(3 * 500, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 37);
  const std::string good = encode(bytes);
  for (std::size_t at : {std::size_t{0}, std::size_t{3}, std::size_t{255}, std::size_t{256},
                         std::size_t{1000}, good.size() - 5, good.size() - 1}) {
    for (char bad : {'=', '*', '\n', '\0', '\xff'}) {
      if (bad == '=' && at == good.size() - 1) continue;  // may be a canonical pad
      std::string text = good;
      text[at] = bad;
      std::string out;
      EXPECT_FALSE(decode_base64_strict(text, out)) << "position " << at << " byte " << int(bad);
      EXPECT_TRUE(out.empty());
    }
  }
}

}  // namespace
}  // namespace vantiro
