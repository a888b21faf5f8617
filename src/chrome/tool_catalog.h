#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "common/localized_text.h"

namespace vantiro {

// Virtual-key codes of the digit keys that Ctrl+1..Ctrl+6 use.
namespace vk {
inline constexpr int k1 = 0x31;
inline constexpr int k6 = 0x36;
}  // namespace vk

// One catalog row. Every text is a literal, alive for the whole program.
struct ToolEntry {
  std::u16string_view route;  // "/..." service path (may carry "?tool=stance") or "app:..."
  std::u16string_view label_sv;
  std::u16string_view label_en;
  std::u16string_view group_sv;
  std::u16string_view group_en;
  int icon = 0;
  std::u16string_view badge;  // empty: no badge
  bool core = false;          // the six studio tools, Ctrl+1..Ctrl+6
  bool library = false;       // the four library links
  bool account = false;       // pinned at the rail bottom

  constexpr LocalizedText label() const { return {label_sv, label_en}; }
  constexpr LocalizedText group() const { return {group_sv, group_en}; }
};

inline constexpr std::size_t kToolCatalogSize = 46;

// The 46 rows in their fixed order: rail, launcher, shortcuts and palette results follow it.
std::span<const ToolEntry, kToolCatalogSize> tool_catalog();

// Ctrl+1..Ctrl+6: the n-th core row for the key "n", else null.
const ToolEntry* studio_shortcut_tool(int virtual_key);

// "/sv/editor" -> "/editor"; "/sv", "/en" and "" -> "/editor"; anything else unchanged.
std::u16string normalize_tool_path(std::u16string_view path);

// The catalog row a service path belongs to: exact (query included), then without the query,
// then the longest route that is a whole-segment prefix. Null when none.
const ToolEntry* tool_for_path(std::u16string_view path);

int tab_icon_for_path(std::u16string_view path);

// current_path: the normalised current path (fragment cut, query cut unless "?tool=stance").
bool rail_item_active(std::u16string_view current_path, std::u16string_view route);

// The address a catalog route opens in the UI language: the language base followed by the
// route. Routes that do not begin with "/" open nothing.
std::optional<std::u16string> tool_route_address(std::u16string_view route, bool swedish);

// What the rest of the studio does when a tool route is opened.
struct ToolRouteHost {
  virtual ~ToolRouteHost() = default;
  virtual bool ui_swedish() const = 0;
  virtual void close_settings_overlay() = 0;
  // Opens a new workspace tab on the address, or navigates the active tab there.
  virtual void open_address(std::u16string_view address, bool new_tab) = 0;
};

void open_tool_route(ToolRouteHost& host, std::u16string_view route, bool new_tab);

// The in-app actions behind the "app:" routes, and plain routes.
enum class ToolAction {
  none,                   // neither an action nor a route: does nothing
  open_route,             // a "/..." route: open_tool_route
  settings_general,       // "app:settings"
  settings_shortcuts,     // "app:shortcuts"
  settings_update_check,  // "app:update": settings on App & updates, then a manual check
  settings_legal,         // "app:legal": settings on About & legal
  toggle_language,        // "app:lang"
};

ToolAction tool_action_for_route(std::u16string_view route);

}  // namespace vantiro
