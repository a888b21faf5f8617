#pragma once

#include <cstdint>
#include <set>

namespace vantiro::app {

// Windows virtual-key codes: the core's key vocabulary on every host.
namespace key {
inline constexpr std::uint32_t kBack = 0x08;
inline constexpr std::uint32_t kTab = 0x09;
inline constexpr std::uint32_t kReturn = 0x0D;
inline constexpr std::uint32_t kShift = 0x10;
inline constexpr std::uint32_t kControl = 0x11;
inline constexpr std::uint32_t kMenu = 0x12;  // Alt
inline constexpr std::uint32_t kEscape = 0x1B;
inline constexpr std::uint32_t kLeft = 0x25;
inline constexpr std::uint32_t kUp = 0x26;
inline constexpr std::uint32_t kRight = 0x27;
inline constexpr std::uint32_t kDown = 0x28;
inline constexpr std::uint32_t kF4 = 0x73;
inline constexpr std::uint32_t kF5 = 0x74;
inline constexpr std::uint32_t kF11 = 0x7A;
inline constexpr std::uint32_t kOemComma = 0xBC;
// Letters and digits are their upper-case ASCII codes.
constexpr std::uint32_t letter(char c) {
  return static_cast<std::uint32_t>(c);
}
}  // namespace key

struct Modifiers {
  bool ctrl = false;
  bool alt = false;
  bool shift = false;
};

enum class TabShortcut : int {
  none = 0,
  new_tab = 1,
  close_tab = 2,
  next_tab = 3,
  previous_tab = 4
};

TabShortcut tab_shortcut_action(std::uint32_t virtual_key, bool ctrl, bool alt, bool shift);

// Shift never matters here.
bool is_native_shortcut(std::uint32_t virtual_key, bool ctrl, bool alt, bool fullscreen,
                        bool palette_open);

// A key held down repeats; only its first press acts. Hosts that report no repeat flag keep
// one of these and feed it every key down and up.
class KeyRepeatTracker {
 public:
  // True when the key was already down (an automatic repeat).
  bool key_down(std::uint32_t virtual_key) { return !down_.insert(virtual_key).second; }
  void key_up(std::uint32_t virtual_key) { down_.erase(virtual_key); }
  // Focus loss: the key ups will not arrive.
  void reset() { down_.clear(); }

 private:
  std::set<std::uint32_t> down_;
};

}  // namespace vantiro::app
