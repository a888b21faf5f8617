#pragma once

#include "workspace/tab_model.h"

namespace vantiro::workspace {

// The tab model's view of the studio's addresses: the service origin's URL helpers and the
// tool catalog.
struct ServiceAddresses final : TabAddresses {
  std::int32_t icon_for_url(std::u16string_view url) override;
  std::u16string start_url(bool ui_swedish) override;
  std::u16string route_url(std::u16string_view route, bool ui_swedish) override;
  std::u16string route_of(std::u16string_view url) override;
  std::optional<LocalizedText> tool_label(std::u16string_view path) override;
};

}  // namespace vantiro::workspace
