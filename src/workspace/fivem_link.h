#pragma once

// Joins the workspace's views to the FiveM bridge: the bridge sees each tab's view through
// its own small interface, and the web host hands it every web message.

#include <memory>
#include <utility>
#include <vector>

#include "fivem/bridge.h"
#include "workspace/tab_model.h"
#include "workspace/web_view_host.h"

namespace vantiro::workspace {

class WorkspaceFiveMTabs final : public FiveMTabs {
 public:
  explicit WorkspaceFiveMTabs(TabModel& model) : model_(model) {}
  std::shared_ptr<FiveMWebView> view_of_tab(std::uint64_t tab_id) override;
  // The bridge's handle of an engine view: the same object for as long as the view lives, so
  // that a reply can tell whether its tab still shows the view that asked.
  std::shared_ptr<FiveMWebView> handle_of(const std::shared_ptr<WebView>& view);

 private:
  TabModel& model_;
  std::vector<std::pair<std::weak_ptr<WebView>, std::shared_ptr<FiveMWebView>>> handles_;
};

// The web host's message handler that feeds the bridge dispatcher.
WebMessageHandler fivem_web_message_handler(FiveMBridge& bridge, WorkspaceFiveMTabs& tabs);

}  // namespace vantiro::workspace
