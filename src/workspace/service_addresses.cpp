#include "workspace/service_addresses.h"

#include "chrome/tool_catalog.h"
#include "web/url.h"

namespace vantiro::workspace {

std::int32_t ServiceAddresses::icon_for_url(std::u16string_view url) {
  return tab_icon_for_path(service_route_of(url));
}

std::u16string ServiceAddresses::start_url(bool ui_swedish) {
  return vantiro::start_url(ui_swedish);
}

std::u16string ServiceAddresses::route_url(std::u16string_view route, bool ui_swedish) {
  return language_base_url(ui_swedish) + std::u16string(route);
}

std::u16string ServiceAddresses::route_of(std::u16string_view url) {
  return service_route_of(url);
}

std::optional<LocalizedText> ServiceAddresses::tool_label(std::u16string_view path) {
  if (const ToolEntry* tool = tool_for_path(path)) return tool->label();
  return std::nullopt;
}

}  // namespace vantiro::workspace
