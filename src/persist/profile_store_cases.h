#pragma once

// Read cases that every ProfileStore must agree on; the portable store and the system's
// profile functions both run them.

#include <cstdint>
#include <string_view>

namespace vantiro::profile_cases {

inline constexpr std::string_view kFile =
    "top=5\r\n"
    "[Window]\r\n"
    "a=  42  \r\n"
    "b=+7\r\n"
    "c=-12\r\n"
    "d=0x1F\r\n"
    "e=0X1f\r\n"
    "f=12abc\r\n"
    "g=abc\r\n"
    "h=\r\n"
    "i=\"33\"\r\n"
    "j=4294967297\r\n"
    "k=-2147483648\r\n"
    "l=0o17\r\n"
    "m=0b101\r\n"
    "n=017\r\n"
    "o= - 5\r\n"
    "p=123456789012345678901234567890123\r\n"
    "q=2147483648\r\n"
    "r='9'\r\n"
    "s=\t8\r\n"
    "  T  =  11  \r\n"
    "u=1 2\r\n"
    "v=--3\r\n"
    "w=0x\r\n"
    "x=+\r\n"
    "y=\"\r\n"
    "z='4\"\r\n"
    "ab=-0x10\r\n"
    "ac=a=5\r\n"
    "ad\r\n"
    "a=77\r\n"
    "[ spaced ]\r\n"
    "k1=1\r\n"
    "[window]\r\n"
    "second=2\r\n"
    "a=55\r\n"
    "[last]\n"
    "lf=3\n"
    "cr=4\r"
    "end=6";

struct IntCase {
  std::u16string_view section;
  std::u16string_view key;
  std::int32_t expected;  // read with the default -99
};

inline constexpr IntCase kIntCases[] = {
    {u"WINDOW", u"a", 42},          // trimmed; the first of two keys; any case of the section
    {u"window", u"b", 7},           // plus sign
    {u"window", u"c", -12},         // minus sign
    {u"window", u"d", 31},          // hexadecimal prefix
    {u"window", u"e", 0},           // upper-case X is no prefix
    {u"window", u"f", 12},          // stops at the first non-digit
    {u"window", u"g", 0},           // no digit at all
    {u"window", u"h", -99},         // empty value: the default
    {u"window", u"i", 33},          // double quotes removed
    {u"window", u"j", 1},           // wraps modulo 2^32
    {u"window", u"k", INT32_MIN},   // the smallest value
    {u"window", u"l", 15},          // octal prefix
    {u"window", u"m", 5},           // binary prefix
    {u"window", u"n", 17},          // a leading zero is still decimal
    {u"window", u"o", 0},           // space after the sign
    {u"window", u"p", 1849262357},  // only the first 29 units count
    {u"window", u"q", INT32_MIN},   // 2^31 wraps to the smallest value
    {u"window", u"r", 9},           // single quotes removed
    {u"window", u"s", 8},           // a tab before the value
    {u"window", u"t", 11},          // key name trimmed and without case
    {u"window", u"u", 1},           // stops at the space
    {u"window", u"v", 0},           // two signs
    {u"window", u"w", 0},           // prefix without digits
    {u"window", u"x", 0},           // sign alone
    {u"window", u"y", 0},           // a lone quote stays
    {u"window", u"z", 0},           // mismatched quotes stay
    {u"window", u"ab", -16},        // sign before the prefix
    {u"window", u"ac", 0},          // the value is everything after the first "="
    {u"window", u"ad", -99},        // a key line without "="
    {u"window", u"missing", -99},   // missing key
    {u"window", u"second", -99},    // only the first section of a name is consulted
    {u"window", u"top", -99},       // keys before any header are not in the section
    {u"", u"top", 5},               // they are in the section without a name
    {u"spaced", u"k1", 1},          // the section name is trimmed
    {u"nosuch", u"a", -99},         // missing section
    {u"last", u"lf", 3},            // LF line breaks
    {u"last", u"cr", 4},            // a lone CR breaks a line too
    {u"last", u"end", 6},           // the last line needs no line break
};

struct StringCase {
  std::u16string_view key;
  std::size_t max_length;
  std::u16string_view expected;  // section "window", default "dflt  "
};

inline constexpr StringCase kStringCases[] = {
    {u"a", 15, u"42"},
    {u"i", 15, u"33"},
    {u"h", 15, u""},       // an empty value is a value
    {u"ad", 15, u"dflt"},  // a key without "=" is missing; trailing spaces of the default go
    {u"missing", 15, u"dflt"},
    {u"missing", 2, u"df"},
    {u"p", 15, u"123456789012345"},
    {u"p", 4, u"1234"},
    {u"y", 15, u"\""},
    {u"z", 15, u"'4\""},
    {u"ac", 15, u"a=5"},
};

}  // namespace vantiro::profile_cases
