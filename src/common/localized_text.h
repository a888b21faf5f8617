#pragma once

#include <string_view>

namespace vantiro {

// Every visible text exists in both languages; the UI language picks the side.
struct LocalizedText {
  std::u16string_view sv;
  std::u16string_view en;

  constexpr std::u16string_view pick(bool ui_swedish) const { return ui_swedish ? sv : en; }
};

}  // namespace vantiro
