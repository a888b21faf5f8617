#pragma once

#include <string>
#include <string_view>

#include "common/build_config.h"
#include "common/utf.h"

namespace vantiro::testing_support {

// Test cases write the service host as "{H}" so the host stays one constant.
inline std::u16string with_host(std::u16string_view pattern) {
  constexpr std::u16string_view kMark = u"{H}";
  std::u16string out;
  std::size_t pos = 0;
  while (true) {
    const std::size_t hit = pattern.find(kMark, pos);
    out += pattern.substr(pos, hit - pos);
    if (hit == std::u16string_view::npos) break;
    out += kServiceHost;
    pos = hit + kMark.size();
  }
  return out;
}

// The host written in capitals, for the case-folding cases.
inline std::u16string upper_host() {
  std::u16string out = kServiceHost;
  for (char16_t& c : out) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return out;
}

}  // namespace vantiro::testing_support
