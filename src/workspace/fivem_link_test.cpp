#include "workspace/fivem_link.h"

#include <gtest/gtest.h>

#include "common/json.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"
#include "web/fake_external_opener.h"
#include "web/url.h"
#include "workspace/fake_web_engine.h"
#include "workspace/fake_workspace_ports.h"
#include "workspace/service_addresses.h"

namespace vantiro::workspace {
namespace {

using testing::FakeWebEngine;
using testing::FakeWebView;

struct NullShell final : WebHostShell {
  void show_notice(LocalizedText, bool) override {}
  void refresh_chrome() override {}
  void leave_window_fullscreen() override {}
  void focus_main_window() override {}
  ViewRect content_rect() override { return {0, 0, 800, 600}; }
  void keep_animating() override {}
  void post_view_failed(std::int32_t) override {}
  void post_process_failed(std::int32_t, ProcessFailureKind) override {}
  void post_shortcut(std::uint32_t, int, std::int32_t) override {}
  void post_cache_cleared(bool, std::uint64_t) override {}
  void post_quit(int) override {}
  bool ask_to_install_runtime() override { return false; }
  void open_runtime_download_page() override {}
  std::optional<int> shortcut_action(std::uint32_t) override { return std::nullopt; }
  void start_session_check(std::int32_t) override {}
  void set_window_fullscreen(bool) override {}
  void end_welcome_grace() override {}
  void set_cache_status(CacheClearState, LocalizedText) override {}
  ExternalOpener& external_opener() override { return opener; }
  FakeExternalOpener opener;
};

// The workspace with the real bridge dispatcher behind its web messages.
class FiveMLinkTest : public ::testing::Test {
 protected:
  FiveMLinkTest()
      : host(engine, shell, conditions, preferences, welcome, clock),
        model(shell, addresses, host, conditions, clock),
        tabs(model),
        bridge{tabs, folder, fs, chrome, [] { return false; }} {
    host.attach(model);
    host.set_web_message_handler(fivem_web_message_handler(bridge, tabs));
    model.start_environment();
    engine.complete_environment(true);
    engine.run_pending();
  }

  WorkspaceTab& loaded_tab(std::u16string_view url) {
    model.open_tab(url, true, 0);
    engine.run_pending();
    WorkspaceTab& t = *model.tabs().back();
    auto& v = static_cast<FakeWebView&>(*t.web_view);
    v.finish_navigation(*v.latest_in_flight(), true);
    engine.run_pending();
    return t;
  }

  FakeWebEngine engine;
  NullShell shell;
  ServiceAddresses addresses;
  WorkspaceConditions conditions;
  WebViewPreferences preferences;
  WelcomeState welcome;
  testing::FakeClock clock;
  WebViewHost host;
  TabModel model;
  WorkspaceFiveMTabs tabs;
  testing_fs::FakeResourceFs fs;
  testing_fs::ScriptedFolderPicker picker;
  testing_fs::MemoryFolderStore store;
  testing_fs::RecordingChrome chrome;
  FiveMFolderChoice folder{picker, fs, store, chrome};
  FiveMBridge bridge;
};

constexpr char kCapabilities[] = "{\"type\":\"vantiro.fivem.capabilities\",\"id\":\"fivem-1-a\"}";

TEST_F(FiveMLinkTest, ARequestFromAServicePageIsAnsweredIntoTheSameView) {
  WorkspaceTab& t = loaded_tab(service_url(u"/en/editor"));
  auto& v = static_cast<FakeWebView&>(*t.web_view);
  v.raise_web_message(service_url(u"/en/editor"), kCapabilities);
  engine.run_pending();
  ASSERT_EQ(v.posted_json.size(), 1u);
  auto reply = json::parse_object(v.posted_json[0]);
  ASSERT_TRUE(reply.document);
  EXPECT_EQ(reply.document->root().get_string("type"), "vantiro.fivem.result");
  EXPECT_EQ(reply.document->root().get_string("id"), "fivem-1-a");
  EXPECT_EQ(reply.document->root().get_bool("ok"), true);
}

TEST_F(FiveMLinkTest, MessagesFromOtherOriginsOrNonStringsGetNoReply) {
  WorkspaceTab& t = loaded_tab(service_url(u"/en/editor"));
  auto& v = static_cast<FakeWebView&>(*t.web_view);
  v.raise_web_message(u"https://frame.example/", kCapabilities);
  v.raise_web_message(service_url(u"/en/editor"), std::nullopt);
  engine.run_pending();
  EXPECT_TRUE(v.posted_json.empty());
}

TEST_F(FiveMLinkTest, AViewThatLeftTheServiceOriginOrWasRenewedGetsNoReply) {
  WorkspaceTab& t = loaded_tab(service_url(u"/en/editor"));
  auto& v = static_cast<FakeWebView&>(*t.web_view);
  v.set_source_now(u"https://checkout.stripe.com/c/pay/cs_test");
  v.raise_web_message(service_url(u"/en/editor"), kCapabilities);
  engine.run_pending();
  EXPECT_TRUE(v.posted_json.empty());

  const auto old_handle = tabs.view_of_tab(static_cast<std::uint64_t>(t.id));
  ASSERT_TRUE(old_handle);
  EXPECT_EQ(tabs.view_of_tab(static_cast<std::uint64_t>(t.id)), old_handle)
      << "the same view must keep one handle";
  const std::int32_t old_id = t.id;
  model.renew_tab_web_view(t, 1);
  EXPECT_EQ(tabs.view_of_tab(static_cast<std::uint64_t>(old_id)), nullptr);
}

TEST_F(FiveMLinkTest, AReplyForATabClosedDuringTheRequestIsNotPosted) {
  WorkspaceTab& stays = loaded_tab(service_url(u"/en/editor"));
  WorkspaceTab& asks = loaded_tab(service_url(u"/en/projects"));
  auto asking_view = std::static_pointer_cast<FakeWebView>(asks.web_view);
  picker.next.status = FolderPickResult::Status::cancelled;
  // The folder dialog runs a nested loop; the user closes the asking tab meanwhile.
  const std::int32_t asking_id = asks.id;
  picker.while_open = [&] {
    model.close_tab(*model.index_of(asking_id), 1);
    asking_view->closed = false;  // only the tab lookup may stop the reply
  };
  asking_view->raise_web_message(service_url(u"/en/projects"),
                                 "{\"type\":\"vantiro.fivem.pick\",\"id\":\"fivem-2-b\"}");
  engine.run_pending();
  EXPECT_EQ(picker.requests.size(), 1u);
  EXPECT_TRUE(asking_view->posted_json.empty());
  EXPECT_TRUE(static_cast<FakeWebView&>(*stays.web_view).posted_json.empty());
}

}  // namespace
}  // namespace vantiro::workspace
