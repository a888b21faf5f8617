#pragma once

#include <span>
#include <string_view>

namespace vantiro::devservice {

// One tool page of the service: the route below the language prefix and its names.
struct ToolPage {
  std::string_view route;  // "/vehicles/editor?tool=stance" carries its query
  std::string_view label_sv;
  std::string_view label_en;
  std::string_view group_sv;
  std::string_view group_en;
};

// Every page route the studio's catalog opens, in the studio's order.
std::span<const ToolPage> tool_pages();

// The page for a path below the language prefix and its query ("" or "stance" for ?tool=).
const ToolPage* find_tool_page(std::string_view path, std::string_view tool_query);

}  // namespace vantiro::devservice
