#include "app/shortcuts.h"

#include "chrome/tool_catalog.h"

namespace vantiro::app {

TabShortcut tab_shortcut_action(std::uint32_t vk, bool ctrl, bool alt, bool shift) {
  if (!ctrl || alt) return TabShortcut::none;
  if (vk == key::kTab) return shift ? TabShortcut::previous_tab : TabShortcut::next_tab;
  if (shift) return TabShortcut::none;
  if (vk == key::letter('T')) return TabShortcut::new_tab;
  if (vk == key::letter('W') || vk == key::kF4) return TabShortcut::close_tab;
  return TabShortcut::none;
}

bool is_native_shortcut(std::uint32_t vk, bool ctrl, bool alt, bool fullscreen, bool palette_open) {
  if (vk == key::kF11) return true;
  if (ctrl && !alt) {
    if (vk == key::kOemComma) return true;
    if (vk == key::letter('K') && !fullscreen) return true;
  }
  if (palette_open) return ctrl && !alt && !fullscreen && vk == key::letter('B');
  if (ctrl) {
    if (alt) return false;
    if (vk == key::letter('R')) return true;
    if (studio_shortcut_tool(static_cast<int>(vk)) != nullptr) return true;
    if (vk == key::letter('B')) return !fullscreen;
    return false;
  }
  if (alt) return vk == key::kLeft || vk == key::kRight;
  return vk == key::kF5;
}

}  // namespace vantiro::app
