#pragma once

#include <cstdint>
#include <string_view>

#include "common/localized_text.h"

namespace vantiro {

inline constexpr std::uint32_t kSuccessNoticeMs = 5000;
inline constexpr std::uint32_t kNoticeMs = 3500;

// What the FiveM bridge and the folder choice need from the main window's chrome.
struct FiveMChrome {
  virtual ~FiveMChrome() = default;
  // Replaces the notice on screen; it stays for duration_ms.
  virtual void show_notice(std::u16string_view text, bool success, std::uint32_t duration_ms) = 0;
  virtual void repaint() = 0;
};

}  // namespace vantiro
