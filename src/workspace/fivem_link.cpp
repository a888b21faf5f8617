#include "workspace/fivem_link.h"

#include <algorithm>
#include <limits>

#include "common/utf.h"

namespace vantiro::workspace {

namespace {

class ViewHandle final : public FiveMWebView {
 public:
  explicit ViewHandle(std::weak_ptr<WebView> view) : view_(std::move(view)) {}
  std::u16string current_url() override {
    auto v = view_.lock();
    return v ? v->source() : std::u16string();
  }
  bool post_json(std::string_view json_utf8) override {
    auto v = view_.lock();
    return v && v->post_web_message_as_json(json_utf8);
  }

 private:
  std::weak_ptr<WebView> view_;
};

}  // namespace

std::shared_ptr<FiveMWebView> WorkspaceFiveMTabs::handle_of(const std::shared_ptr<WebView>& view) {
  if (!view) return nullptr;
  std::erase_if(handles_, [](const auto& h) { return h.first.expired(); });
  for (const auto& h : handles_)
    if (h.first.lock() == view) return h.second;
  auto handle = std::make_shared<ViewHandle>(view);
  handles_.emplace_back(view, handle);
  return handle;
}

std::shared_ptr<FiveMWebView> WorkspaceFiveMTabs::view_of_tab(std::uint64_t tab_id) {
  if (tab_id > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) return nullptr;
  WorkspaceTab* tab = model_.find_tab(static_cast<std::int32_t>(tab_id));
  if (!tab || !tab->web_view) return nullptr;
  return handle_of(tab->web_view);
}

WebMessageHandler fivem_web_message_handler(FiveMBridge& bridge, WorkspaceFiveMTabs& tabs) {
  return [&bridge, &tabs](std::int32_t tab_id, const std::shared_ptr<WebView>& sender,
                          WebMessageEvent& e) {
    if (tab_id <= 0) return;
    FiveMWebMessage message;
    message.source_url = e.source_uri;
    // Taken, not copied: a send is tens of megabytes.
    message.text = std::move(e.message);
    handle_fivem_web_message(bridge, static_cast<std::uint64_t>(tab_id), tabs.handle_of(sender),
                             std::move(message));
  };
}

}  // namespace vantiro::workspace
