#include "platform/linux/webkit_engine.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/build_config.h"
#include "common/utf.h"
#include "platform/linux/loopback_https_server.h"
#include "platform/webkit_engine_factory.h"
#include "workspace/desktop_bridge_script.h"

namespace vantiro::platform {
namespace {

using namespace workspace;
using testing::HttpsResponse;
using testing::LoopbackHttpsServer;

// --- pure helpers ------------------------------------------------------------------------

TEST(JavascriptStringLiteral, EscapesEverythingThatCouldEndTheLiteralOrTheScript) {
  struct Case {
    std::string text;
    std::string literal;
  };
  const Case cases[] = {
      {"", "\"\""},
      {"plain {\"a\":1}", "\"plain {\\u0022a\\u0022:1}\""},
      {"back\\slash", "\"back\\u005cslash\""},
      {"line\nend\r", "\"line\\u000aend\\u000d\""},
      {"\xE2\x80\xA8 sep", "\"\\u2028 sep\""},
      {"\xC3\xBC", "\"\\u00fc\""},
      {"\xF0\x9F\x98\x80", "\"\\ud83d\\ude00\""},
      {std::string("nul\0x", 5), "\"nul\\u0000x\""},
      {"</script>", "\"</script>\""},
  };
  for (const auto& c : cases) EXPECT_EQ(javascript_string_literal(c.text), c.literal) << c.text;
}

TEST(VirtualKeyOf, MapsGdkKeysToWindowsVirtualKeys) {
  struct Case {
    guint keyval;
    std::uint32_t vk;
    const char* name;
  };
  const Case cases[] = {
      {GDK_KEY_k, 'K', "k"},
      {GDK_KEY_K, 'K', "K"},
      {GDK_KEY_1, '1', "1"},
      {GDK_KEY_F5, 0x74, "F5"},
      {GDK_KEY_F12, 0x7B, "F12"},
      {GDK_KEY_Escape, 0x1B, "Escape"},
      {GDK_KEY_Tab, 0x09, "Tab"},
      {GDK_KEY_ISO_Left_Tab, 0x09, "shift Tab"},
      {GDK_KEY_Return, 0x0D, "Enter"},
      {GDK_KEY_Left, 0x25, "Left"},
      {GDK_KEY_plus, 0xBB, "plus"},
      {GDK_KEY_minus, 0xBD, "minus"},
      {GDK_KEY_KP_0, 0x60, "keypad 0"},
      {GDK_KEY_odiaeresis, 0, "o umlaut"},
  };
  for (const auto& c : cases) EXPECT_EQ(virtual_key_of(c.keyval), c.vk) << c.name;
}

TEST(WebErrorStatusOf, MapsEngineErrorsToNavigationStatuses) {
  struct Case {
    GQuark domain;
    int code;
    int status;
    const char* name;
  };
  const Case cases[] = {
      {G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED, web_error::kCannotConnect, "refused"},
      {G_IO_ERROR, G_IO_ERROR_TIMED_OUT, web_error::kTimeout, "timed out"},
      {G_IO_ERROR, G_IO_ERROR_HOST_NOT_FOUND, web_error::kHostNameNotResolved, "no host"},
      {G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND, web_error::kHostNameNotResolved, "resolver"},
      {WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED, web_error::kOperationCanceled,
       "cancelled"},
      {WEBKIT_POLICY_ERROR, WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE,
       web_error::kOperationCanceled, "policy change"},
      {G_TLS_ERROR, G_TLS_ERROR_BAD_CERTIFICATE, web_error::kCertificateIsInvalid, "tls"},
  };
  for (const auto& c : cases) {
    GError* error = g_error_new_literal(c.domain, c.code, "x");
    EXPECT_EQ(web_error_status_of(error), c.status) << c.name;
    g_error_free(error);
  }
  EXPECT_EQ(web_error_status_of(nullptr), web_error::kUnknown);
}

// --- the real engine, under a display ----------------------------------------------------

// Pumps the main loop until done() holds or the time is up; false on time-out.
bool pump_until(const std::function<bool()>& done, int timeout_ms = 15000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(2000);
  }
  return true;
}

void pump_for(int ms) {
  pump_until([] { return false; }, ms);
}

bool display_ready() {
  static const bool ready = [] {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') return false;
    // Software rendering: the test display has no GPU.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 0);
    setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    setenv("WEBKIT_DISABLE_DMABUF_RENDERER", "1", 0);
    return gtk_init_check(nullptr, nullptr) != FALSE;
  }();
  return ready;
}

struct Navigation {
  std::string uri;
  std::uint64_t id = 0;
};

class WebKitEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* display = std::getenv("DISPLAY");
    if (display == nullptr || *display == '\0') GTEST_SKIP() << "no DISPLAY for the web engine";
    ASSERT_TRUE(display_ready()) << "GTK could not open the display";
    ASSERT_TRUE(server_.ok());

    gchar* folder = g_dir_make_tmp("vantiro-webkit-XXXXXX", nullptr);
    ASSERT_NE(folder, nullptr);
    folder_ = folder;
    g_free(folder);

    engine_ = make_web_engine(nullptr);
    ASSERT_TRUE(engine_->available_browser_version().has_value());
    bool delivered = false;
    WebEnvironmentOptions options;
    options.user_data_folder = to_utf16(folder_);
    ASSERT_TRUE(engine_->create_environment(options, [&](std::shared_ptr<WebEnvironment> env) {
      delivered = true;
      environment_ = std::move(env);
    }));
    EXPECT_FALSE(delivered) << "the environment arrived inside the call";
    ASSERT_TRUE(pump_until([&] { return delivered; }));
    ASSERT_NE(environment_, nullptr);

    // Only this test's certificate, only for its two loopback names.
    ASSERT_NE(webkit_context_of(*environment_), nullptr);
    GError* error = nullptr;
    certificate_.reset(
        g_tls_certificate_new_from_pem(server_.certificate_pem().c_str(), -1, &error));
    ASSERT_NE(certificate_.get(), nullptr) << (error != nullptr ? error->message : "");
    trust_test_certificate_for("127.0.0.1");
    trust_test_certificate_for("localhost");

    host_ = engine_->create_host_window();
    ASSERT_NE(host_, nullptr);
    ASSERT_TRUE(host_->move({0, 0, 800, 600}));
    host_->show(true);
    bool created = false;
    ASSERT_TRUE(environment_->create_controller(host_, [&](std::shared_ptr<WebController> c) {
      created = true;
      controller_ = std::move(c);
    }));
    EXPECT_FALSE(created) << "the controller arrived inside the call";
    ASSERT_TRUE(pump_until([&] { return created; }));
    ASSERT_NE(controller_, nullptr);
    ASSERT_TRUE(controller_->set_bounds({0, 0, 800, 600}));
    ASSERT_TRUE(controller_->set_visible(true));
    view_ = controller_->view();
    ASSERT_NE(view_, nullptr);

    ASSERT_TRUE(view_->on_navigation_starting([this](NavigationStartingEvent& e) {
      starts_.push_back({to_utf8(e.uri), e.navigation_id});
      if (block_ && block_(to_utf8(e.uri))) e.cancel = true;
    }));
    ASSERT_TRUE(view_->on_navigation_completed(
        [this](const NavigationCompletedEvent& e) { completions_.push_back(e); }));
  }

  void TearDown() override {
    if (controller_) controller_->close();
    view_.reset();
    controller_.reset();
    if (host_) host_->destroy();
    host_.reset();
    environment_.reset();
    engine_.reset();
    pump_for(50);
    if (!folder_.empty()) {
      const std::string command = "rm -rf '" + folder_ + "'";
      EXPECT_EQ(std::system(command.c_str()), 0);
    }
  }

  void trust_test_certificate_for(const std::string& host) {
    webkit_web_context_allow_tls_certificate_for_host(webkit_context_of(*environment_),
                                                      certificate_.get(), host.c_str());
  }

  // From here on every address loads from the test server through its proxy, so a page can
  // stand at its real address on any of these hosts (port 443, no name resolved).
  void serve_hosts_through_proxy(const std::vector<std::string>& hosts) {
    WebKitWebsiteDataManager* data =
        webkit_web_context_get_website_data_manager(webkit_context_of(*environment_));
    WebKitNetworkProxySettings* proxy =
        webkit_network_proxy_settings_new(server_.proxy_url().c_str(), nullptr);
    webkit_website_data_manager_set_network_proxy_settings(data, WEBKIT_NETWORK_PROXY_MODE_CUSTOM,
                                                           proxy);
    webkit_network_proxy_settings_free(proxy);
    for (const auto& host : hosts) trust_test_certificate_for(host);
  }

  // Navigates and waits for the completion that carries the navigation's id.
  std::optional<NavigationCompletedEvent> load(const std::string& url) {
    const std::size_t before = starts_.size();
    if (!view_->navigate(to_utf16(url))) return std::nullopt;
    if (!pump_until([&] { return starts_.size() > before; })) return std::nullopt;
    const std::uint64_t id = starts_[before].id;
    std::optional<NavigationCompletedEvent> found;
    pump_until([&] {
      for (const auto& c : completions_)
        if (c.navigation_id == id) found = c;
      return found.has_value();
    });
    return found;
  }

  bool loads(const std::string& url) {
    const auto done = load(url);
    return done.has_value() && done->success;
  }

  // Runs a script and returns its JSON result, or nothing on failure or time-out.
  std::optional<std::string> run(const std::string& script) {
    bool done = false;
    bool ok = false;
    std::string result;
    if (!view_->execute_script(to_utf16(script), [&](bool o, std::string r) {
          done = true;
          ok = o;
          result = std::move(r);
        }))
      return std::nullopt;
    if (!pump_until([&] { return done; }) || !ok) return std::nullopt;
    return result;
  }

  // Polls a script until it returns want.
  bool wait_for_script(const std::string& script, const std::string& want, int timeout_ms = 10000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    while (std::chrono::steady_clock::now() < deadline) {
      if (run(script) == want) return true;
      pump_for(50);
    }
    return false;
  }

  struct CertificateRef {
    void reset(GTlsCertificate* c) {
      if (p != nullptr) g_object_unref(p);
      p = c;
    }
    GTlsCertificate* get() const { return p; }
    ~CertificateRef() { reset(nullptr); }
    GTlsCertificate* p = nullptr;
  };

  LoopbackHttpsServer server_;
  CertificateRef certificate_;
  std::string folder_;
  std::unique_ptr<WebEngine> engine_;
  std::shared_ptr<WebEnvironment> environment_;
  std::shared_ptr<WebHostWindow> host_;
  std::shared_ptr<WebController> controller_;
  std::shared_ptr<WebView> view_;
  std::vector<Navigation> starts_;
  std::vector<NavigationCompletedEvent> completions_;
  std::function<bool(const std::string&)> block_;
};

TEST_F(WebKitEngineTest, DocumentCreatedScriptRunsInEveryFrameBeforeTheDocumentsOwnScripts) {
  const std::string frame_url = server_.url("/frame.html", "localhost");
  server_.set_page("/top.html",
                   "<!doctype html><script>window.topSaw=String(window.__mark);"
                   "window.addEventListener('message',function(e){window.frameSaw=e.data;});"
                   "</script><iframe src='" +
                       frame_url + "'></iframe>");
  // A frame on another origin: it can only report back by message.
  server_.set_page("/frame.html",
                   "<!doctype html><script>parent.postMessage('frame:'+String(window.__mark),"
                   "'*');</script>");

  bool registered = false;
  ASSERT_TRUE(view_->add_script_on_document_created(
      u"window.__mark='injected:'+location.host.split(':')[0]+location.pathname;",
      [&](bool ok) { registered = ok; }));
  EXPECT_FALSE(registered) << "the registration completed inside the call";
  ASSERT_TRUE(pump_until([&] { return registered; }));

  const auto done = load(server_.url("/top.html"));
  ASSERT_TRUE(done.has_value());
  EXPECT_TRUE(done->success);
  EXPECT_EQ(run("window.topSaw"), "\"injected:127.0.0.1/top.html\"");
  EXPECT_TRUE(
      wait_for_script("String(window.frameSaw)", "\"frame:injected:localhost/frame.html\""));
  // A frame added later sees the script too.
  server_.set_page("/late.html",
                   "<!doctype html><script>parent.lateSaw=String(window.__mark);</script>");
  ASSERT_TRUE(run("var f=document.createElement('iframe');f.src='/late.html';"
                  "document.body.appendChild(f);true")
                  .has_value());
  EXPECT_TRUE(wait_for_script("String(window.lateSaw)", "\"injected:127.0.0.1/late.html\""));

  // The frames' own loads are not navigations of the view.
  pump_for(200);
  for (const auto& start : starts_) EXPECT_EQ(start.uri.find("/top.html"), start.uri.size() - 9);
  EXPECT_EQ(starts_.size(), 1u);
  EXPECT_EQ(completions_.size(), 1u);
}

// How the page script reaches the host (post), and what a hostile page could try besides: the
// engine's message handler itself (direct).
constexpr const char* kPostingFunctions =
    "function post(v){return !document.dispatchEvent(new CustomEvent('vantiro-desktop-post',"
    "{detail:v,cancelable:true}));}"
    "function direct(v){try{window.webkit.messageHandlers.vantiroDesktop.postMessage(v);"
    "return 'posted';}catch(e){return 'refused';}}";

std::string page_posting(const std::string& script, const std::string& body = "") {
  return std::string("<!doctype html><script>") + kPostingFunctions + script + "</script>" + body;
}

std::string service_address(const std::string& path, const std::string& prefix = "") {
  return "https://" + prefix + kServiceHostUtf8 + path;
}

TEST_F(WebKitEngineTest, OnlyDocumentsOfTheServiceOriginReachTheChannelAndWithTheirOwnAddress) {
  serve_hosts_through_proxy({kServiceHostUtf8, "ads.example", "other.example"});
  std::vector<WebMessageEvent> messages;
  ASSERT_TRUE(
      view_->on_web_message_received([&](const WebMessageEvent& e) { messages.push_back(e); }));
  const std::string top = service_address("/svc/top.html");
  const std::string same = service_address("/svc/same.html");
  server_.set_page(
      "/svc/top.html",
      page_posting("window.seen=[];"
                   "addEventListener('message',function(e){seen.push(String(e.data));});"
                   "window.topTaken=post('from the top \\u00fc \\ud83d\\ude00');"
                   "post({not:'a string'});"
                   "window.topDirect=direct('direct from the top');",
                   "<iframe src='" + same +
                       "'></iframe>"
                       "<iframe sandbox='allow-scripts' src='" +
                       service_address("/svc/sandboxed.html") +
                       "'></iframe>"
                       "<iframe src='https://ads.example/ad.html'></iframe>"));
  server_.set_page(
      "/svc/same.html",
      page_posting("parent.postMessage('same:'+post('from a same-origin frame'),'*');"));
  // Same address as the service, but sandboxed into an origin of its own.
  server_.set_page(
      "/svc/sandboxed.html",
      page_posting("parent.postMessage('sandboxed:'+post('from a sandboxed frame')+','+"
                   "direct('sandboxed direct'),'*');"));
  server_.set_page(
      "/ad.html",
      page_posting("var r=[direct('ad direct'),post('ad event')];"
                   "try{top.document.dispatchEvent(new CustomEvent('vantiro-desktop-post',"
                   "{detail:'ad into the top',cancelable:true}));r.push('reached the top');}"
                   "catch(e){r.push('top refused');}"
                   "parent.postMessage('ad:'+r.join(','),'*');"));

  const auto done = load(top);
  ASSERT_TRUE(done.has_value());
  EXPECT_TRUE(done->success);
  EXPECT_EQ(to_utf8(view_->source()), top);
  const auto tunnels = server_.tunnels();
  EXPECT_NE(std::find(tunnels.begin(), tunnels.end(), std::string(kServiceHostUtf8) + ":443"),
            tunnels.end())
      << "the page did not come from the service host's own address";
  ASSERT_TRUE(wait_for_script("window.seen.length", "3"));
  EXPECT_EQ(run("window.seen.sort().join('|')"),
            "\"ad:refused,false,top refused|same:true|sandboxed:false,refused\"");
  EXPECT_EQ(run("window.topTaken+','+window.topDirect"), "\"true,refused\"")
      << "the handler must be out of reach of the page's own scripts";
  pump_for(300);

  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(to_utf8(messages[0].source_uri), top);
  EXPECT_EQ(messages[0].message, "from the top \xC3\xBC \xF0\x9F\x98\x80") << "UTF-8 as posted";
  EXPECT_EQ(to_utf8(messages[1].source_uri), top);
  EXPECT_FALSE(messages[1].message.has_value()) << "a posted object is not a string";
  EXPECT_EQ(to_utf8(messages[2].source_uri), same);
  EXPECT_EQ(messages[2].message, "from a same-origin frame");

  // A page of another site has no channel at all.
  server_.set_page("/plain.html",
                   page_posting("window.r=post('from another site')+','+direct('other direct');"));
  ASSERT_TRUE(loads("https://other.example/plain.html"));
  EXPECT_TRUE(wait_for_script("window.r", "\"false,refused\""));
  pump_for(300);
  EXPECT_EQ(messages.size(), 3u);
}

TEST_F(WebKitEngineTest, RepliesReachOnlyTheTopDocumentOfTheServiceOriginAndOnlyAsJsonText) {
  serve_hosts_through_proxy({kServiceHostUtf8, "other.example"});
  const std::string listen =
      "window.got=[];document.addEventListener('vantiro-desktop-reply',"
      "function(e){got.push(e.detail);});";
  // What a page could set up to catch replies meant for the script.
  const std::string traps =
      "window.__vantiroDesktopReceive=function(d){window.caught=d;};"
      "window.__vantiroRelayDeliver=function(d){window.caught=d;};";
  server_.set_page("/svc/replies.html",
                   "<!doctype html><script>" + listen + traps +
                       "</script><iframe src='/svc/reply-frame.html'></iframe>");
  server_.set_page("/svc/reply-frame.html",
                   "<!doctype html><script>" + listen + "parent.frameReady=true;</script>");
  ASSERT_TRUE(loads(service_address("/svc/replies.html")));
  ASSERT_TRUE(wait_for_script("window.frameReady===true", "true"));

  ASSERT_TRUE(view_->post_web_message_as_json(
      R"({"type":"vantiro.fivem.result","id":"fivem-1-x","note":"q\" \u2028 ü </script>"})"));
  ASSERT_TRUE(wait_for_script("window.got.length", "1"));
  EXPECT_EQ(run("var d=JSON.parse(window.got[0]);d.type==='vantiro.fivem.result'&&"
                "d.id==='fivem-1-x'&&d.note==='q\\u0022 \\u2028 \\u00fc </script>'"),
            "true");
  EXPECT_EQ(run("window.frames[0].got.length+','+typeof window.caught"), "\"0,undefined\"");

  // Text that is not JSON never runs as code, nor reaches the page.
  ASSERT_TRUE(view_->post_web_message_as_json("1);window.pwned=1;(2"));
  pump_for(300);
  EXPECT_EQ(run("window.got.length+','+typeof window.pwned"), "\"1,undefined\"");
  EXPECT_FALSE(view_->post_web_message_as_json(std::string_view("\xFF\xFE", 2)));

  // Once the view shows another site, replies go nowhere.
  server_.set_page("/listen.html", "<!doctype html><script>" + listen + traps + "</script>");
  ASSERT_TRUE(loads("https://other.example/listen.html"));
  ASSERT_TRUE(view_->post_web_message_as_json(R"({"type":"vantiro.fivem.result","id":"a"})"));
  pump_for(300);
  EXPECT_EQ(run("window.got.length+','+typeof window.caught"), "\"0,undefined\"");
}

// The request's id in the page script's JSON text.
std::string request_id_of(const std::string& text) {
  const std::string key = "\"id\":\"";
  const auto start = text.find(key);
  if (start == std::string::npos) return {};
  const auto end = text.find('"', start + key.size());
  return end == std::string::npos ? std::string()
                                  : text.substr(start + key.size(), end - start - key.size());
}

TEST_F(WebKitEngineTest, ThePageScriptReachesTheHostAndGetsItsRepliesThroughTheRelay) {
  serve_hosts_through_proxy({std::string("www.") + kServiceHostUtf8});
  std::vector<WebMessageEvent> messages;
  ASSERT_TRUE(
      view_->on_web_message_received([&](const WebMessageEvent& e) { messages.push_back(e); }));
  bool registered = false;
  ASSERT_TRUE(view_->add_script_on_document_created(kDesktopBridgeScript,
                                                    [&](bool ok) { registered = ok; }));
  ASSERT_TRUE(pump_until([&] { return registered; }));
  const std::string top = service_address("/svc/app.html", "www.");
  server_.set_page("/svc/app.html",
                   "<!doctype html><script>window.result=null;"
                   "__VANTIRO_DESKTOP__.getCapabilities().then(function(r){window.result=r;});"
                   "</script><iframe src='/svc/app-frame.html'></iframe>");
  server_.set_page("/svc/app-frame.html",
                   "<!doctype html><script>__VANTIRO_DESKTOP__.pickFiveMFolder()"
                   ".then(function(r){parent.framePick=r;});</script>");
  ASSERT_TRUE(loads(top));
  ASSERT_TRUE(pump_until([&] { return messages.size() >= 2; }));

  // The frame's request goes through the top document's channel.
  for (const auto& m : messages) {
    EXPECT_EQ(to_utf8(m.source_uri), top);
    ASSERT_TRUE(m.message.has_value());
    const std::string id = request_id_of(*m.message);
    ASSERT_FALSE(id.empty()) << *m.message;
    const bool pick = m.message->find("vantiro.fivem.pick") != std::string::npos;
    const std::string reply =
        R"({"type":"vantiro.fivem.result","id":")" + id +
        (pick ? R"(","ok":true,"configured":true,"folderName":"server"})"
              : R"(","ok":true,"fivemFolderConfigured":true,"fivemFolderName":"res"})");
    ASSERT_TRUE(view_->post_web_message_as_json(reply));
  }
  EXPECT_TRUE(wait_for_script("window.result&&window.result.fivemFolderName", "\"res\""));
  EXPECT_TRUE(wait_for_script("window.framePick&&window.framePick.folderName", "\"server\""));
  EXPECT_EQ(run("typeof window.__vantiroDesktopReceive+','+('webkit' in window)"),
            "\"undefined,false\"")
      << "the page sees neither a delivery function nor the engine's handler";
}

TEST_F(WebKitEngineTest, ACancelledNavigationKeepsThePageAndCompletesWithItsOwnId) {
  server_.set_page("/a.html", "<!doctype html><title>A</title><p>a</p>");
  server_.set_page("/b.html", "<!doctype html><title>B</title><p>b</p>");
  const auto first = load(server_.url("/a.html"));
  ASSERT_TRUE(first.has_value());
  ASSERT_TRUE(first->success);

  block_ = [](const std::string& uri) { return uri.find("/b.html") != std::string::npos; };
  const std::size_t before = starts_.size();
  ASSERT_TRUE(run("location.href='/b.html';true").has_value());
  ASSERT_TRUE(pump_until([&] { return starts_.size() > before; }));
  const auto blocked = starts_[before];
  EXPECT_EQ(blocked.uri, server_.url("/b.html"));
  EXPECT_NE(blocked.id, starts_[0].id) << "every navigation has a new id";

  std::optional<NavigationCompletedEvent> done;
  ASSERT_TRUE(pump_until([&] {
    for (const auto& c : completions_)
      if (c.navigation_id == blocked.id) done = c;
    return done.has_value();
  }));
  EXPECT_FALSE(done->success);
  EXPECT_EQ(done->web_error_status, web_error::kOperationCanceled);
  pump_for(300);
  EXPECT_EQ(to_utf8(view_->source()), server_.url("/a.html"));
  EXPECT_EQ(server_.requests_for("/b.html"), 0);
  EXPECT_EQ(to_utf8(view_->document_title()), "A");
}

TEST_F(WebKitEngineTest, AServerRedirectStartsAgainWithTheSameIdAndCompletesOnce) {
  HttpsResponse moved;
  moved.status = 302;
  moved.headers = {"Location: /new.html"};
  server_.set("/old.html", moved);
  server_.set_page("/new.html", "<!doctype html><title>New</title>");
  const auto done = load(server_.url("/old.html"));
  ASSERT_TRUE(done.has_value());
  EXPECT_TRUE(done->success);
  ASSERT_EQ(starts_.size(), 2u);
  EXPECT_EQ(starts_[0].uri, server_.url("/old.html"));
  EXPECT_EQ(starts_[1].uri, server_.url("/new.html"));
  EXPECT_EQ(starts_[1].id, starts_[0].id);
  pump_for(200);
  EXPECT_EQ(completions_.size(), 1u);
  EXPECT_EQ(to_utf8(view_->source()), server_.url("/new.html"));

  // A cancelled redirect ends the navigation, and the target is never asked for.
  block_ = [](const std::string& uri) { return uri.find("/blocked.html") != std::string::npos; };
  moved.headers = {"Location: /blocked.html"};
  server_.set("/away.html", moved);
  const auto stopped = load(server_.url("/away.html"));
  ASSERT_TRUE(stopped.has_value());
  EXPECT_FALSE(stopped->success);
  EXPECT_EQ(stopped->web_error_status, web_error::kOperationCanceled);
  pump_for(300);
  EXPECT_EQ(server_.requests_for("/blocked.html"), 0);
  std::size_t matching = 0;
  for (const auto& c : completions_)
    if (c.navigation_id == stopped->navigation_id) ++matching;
  EXPECT_EQ(matching, 1u);
}

TEST_F(WebKitEngineTest, BackIsANavigationAndAFragmentJumpIsNone) {
  server_.set_page("/one.html", "<!doctype html><title>One</title><p id=x>one");
  server_.set_page("/two.html", "<!doctype html><title>Two</title>");
  ASSERT_TRUE(load(server_.url("/one.html")).has_value());
  ASSERT_TRUE(load(server_.url("/two.html")).has_value());
  ASSERT_TRUE(pump_until([&] { return view_->can_go_back(); }, 5000));

  // Back is a navigation with its own id and completion.
  const std::size_t before = starts_.size();
  ASSERT_TRUE(view_->go_back());
  ASSERT_TRUE(pump_until([&] { return starts_.size() > before; }));
  const auto back = starts_[before];
  EXPECT_EQ(back.uri, server_.url("/one.html"));
  ASSERT_TRUE(pump_until([&] {
    for (const auto& c : completions_)
      if (c.navigation_id == back.id) return true;
    return false;
  }));

  // A fragment of the shown document is not a navigation.
  const std::size_t after_back = starts_.size();
  ASSERT_TRUE(run("location.hash='x';true").has_value());
  pump_for(300);
  EXPECT_EQ(starts_.size(), after_back);

  EXPECT_EQ(to_utf8(view_->source()), server_.url("/one.html#x"));
}

TEST_F(WebKitEngineTest, NewWindowRequestsReachTheHandlerAndOpenNoWindow) {
  std::vector<std::string> requests;
  ASSERT_TRUE(view_->on_new_window_requested([&](NewWindowRequestedEvent& e) {
    requests.push_back(to_utf8(e.uri));
    e.handled = true;
  }));
  server_.set_page("/opener.html",
                   "<!doctype html><a id=l target=_blank href='/link.html'>link</a>");
  server_.set_page("/popup.html", "<!doctype html><p>popup</p>");
  server_.set_page("/link.html", "<!doctype html><p>link</p>");
  ASSERT_TRUE(load(server_.url("/opener.html")).has_value());

  EXPECT_EQ(run("window.open('/popup.html')===null"), "true");
  ASSERT_TRUE(pump_until([&] { return !requests.empty(); }));
  EXPECT_EQ(requests[0], server_.url("/popup.html"));

  ASSERT_TRUE(run("document.getElementById('l').click();true").has_value());
  ASSERT_TRUE(pump_until([&] { return requests.size() >= 2; }));
  EXPECT_EQ(requests[1], server_.url("/link.html"));

  pump_for(500);
  EXPECT_EQ(server_.requests_for("/popup.html"), 0);
  EXPECT_EQ(server_.requests_for("/link.html"), 0);
  EXPECT_EQ(to_utf8(view_->source()), server_.url("/opener.html"));
}

TEST_F(WebKitEngineTest, FailedLoadsCompleteWithTheIdOfTheirStart) {
  // A port nobody listens on.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  const int closed_port = ntohs(addr.sin_port);
  ::close(fd);

  ASSERT_TRUE(view_->set_setting(ViewSetting::built_in_error_page_enabled, false) ==
              EngineResult::ok);
  const std::size_t before = starts_.size();
  const auto refused = load("https://127.0.0.1:" + std::to_string(closed_port) + "/");
  ASSERT_TRUE(refused.has_value());
  ASSERT_GT(starts_.size(), before);
  EXPECT_EQ(refused->navigation_id, starts_[before].id);
  EXPECT_FALSE(refused->success);
  EXPECT_EQ(refused->web_error_status, web_error::kCannotConnect);

  // An error page the server sends is shown, but the load counts as failed with status 0.
  const auto missing = load(server_.url("/missing.html"));
  ASSERT_TRUE(missing.has_value());
  EXPECT_FALSE(missing->success);
  EXPECT_EQ(missing->web_error_status, web_error::kUnknown);

  std::size_t matching = 0;
  for (const auto& c : completions_)
    if (c.navigation_id == refused->navigation_id) ++matching;
  EXPECT_EQ(matching, 1u) << "one completion per navigation";
}

TEST_F(WebKitEngineTest, CookiesComeFromTheCookieManagerWithSessionFlagAndExpiry) {
  HttpsResponse page;
  page.body = "<!doctype html><p>cookies</p>";
  page.headers = {"Set-Cookie: vantiro_session=abc123; Path=/; Secure; HttpOnly",
                  "Set-Cookie: kept=v%201; Path=/; Max-Age=3600; Secure"};
  server_.set("/cookie.html", page);
  const auto loaded = load(server_.url("/cookie.html"));
  ASSERT_TRUE(loaded.has_value());
  ASSERT_TRUE(loaded->success);

  bool done = false;
  bool ok = false;
  std::vector<WebCookie> cookies;
  ASSERT_EQ(view_->get_cookies(to_utf16(server_.url("/")),
                               [&](bool o, std::vector<WebCookie> c) {
                                 done = true;
                                 ok = o;
                                 cookies = std::move(c);
                               }),
            EngineResult::ok);
  EXPECT_FALSE(done);
  ASSERT_TRUE(pump_until([&] { return done; }));
  ASSERT_TRUE(ok);
  const WebCookie* session = nullptr;
  const WebCookie* kept = nullptr;
  for (const auto& c : cookies) {
    if (c.name == u"vantiro_session") session = &c;
    if (c.name == u"kept") kept = &c;
  }
  ASSERT_NE(session, nullptr);
  ASSERT_NE(kept, nullptr);
  EXPECT_EQ(session->value, u"abc123");
  EXPECT_TRUE(session->is_session);
  EXPECT_EQ(kept->value, u"v%201");
  EXPECT_FALSE(kept->is_session);
  const double now = static_cast<double>(std::time(nullptr));
  EXPECT_NEAR(kept->expires_s, now + 3600, 120);
}

TEST_F(WebKitEngineTest, PreviewIsAPngAndClearingTheDiskCacheCompletes) {
  server_.set_page("/paint.html",
                   "<!doctype html><body style='background:#ff0000;margin:0'><p>paint</p>");
  ASSERT_TRUE(load(server_.url("/paint.html")).has_value());

  bool captured = false;
  std::vector<std::uint8_t> png;
  ASSERT_EQ(view_->capture_preview([&](bool ok, std::vector<std::uint8_t> p) {
    captured = true;
    if (ok) png = std::move(p);
  }),
            EngineResult::ok);
  ASSERT_TRUE(pump_until([&] { return captured; }));
  ASSERT_GT(png.size(), 8u);
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(std::begin(signature), std::end(signature), png.begin()));

  bool cleared = false;
  bool cleared_ok = false;
  ASSERT_EQ(view_->clear_browsing_data(browsing_data::kDiskCache,
                                       [&](bool ok) {
                                         cleared = true;
                                         cleared_ok = ok;
                                       }),
            EngineResult::ok);
  ASSERT_TRUE(pump_until([&] { return cleared; }));
  EXPECT_TRUE(cleared_ok);

  // What the engine lacks is said, and its completion never runs.
  bool called = false;
  EXPECT_EQ(
      view_->clear_browsing_data(browsing_data::kDiskCache | 1u, [&](bool) { called = true; }),
      EngineResult::unsupported);
  EXPECT_EQ(view_->try_suspend([&](bool, bool) { called = true; }), EngineResult::unsupported);
  EXPECT_EQ(view_->resume(), EngineResult::unsupported);
  EXPECT_EQ(view_->set_memory_usage_target(MemoryUsageTarget::low), EngineResult::unsupported);
  pump_for(200);
  EXPECT_FALSE(called);
}

// Sends a key or button event to the view as the display would.
void send_key(WebKitWebView* view, GdkEventType type, guint keyval, GdkModifierType state) {
  GdkEvent* event = gdk_event_new(type);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(view))));
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  event->key.state = state;
  event->key.keyval = keyval;
  GdkKeymapKey* keys = nullptr;
  gint n = 0;
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(view));
  if (gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &n) &&
      n > 0)
    event->key.hardware_keycode = static_cast<guint16>(keys[0].keycode);
  g_free(keys);
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
  gtk_widget_event(GTK_WIDGET(view), event);
  gdk_event_free(event);
}

TEST_F(WebKitEngineTest, HandledAcceleratorKeysNeverReachThePage) {
  std::vector<AcceleratorKeyEvent> keys;
  ASSERT_TRUE(controller_->add_accelerator_key_handler([&](AcceleratorKeyEvent& e) {
    keys.push_back(e);
    if (e.virtual_key == 'K') e.handled = true;
  }));
  server_.set_page("/keys.html",
                   "<!doctype html><body><script>window.seen=[];"
                   "addEventListener('keydown',function(e){seen.push(e.key);},true);</script>");
  ASSERT_TRUE(load(server_.url("/keys.html")).has_value());
  WebKitWebView* view = webkit_view_of(*view_);
  ASSERT_NE(view, nullptr);
  ASSERT_TRUE(controller_->move_focus());

  send_key(view, GDK_KEY_PRESS, GDK_KEY_k, GDK_CONTROL_MASK);
  send_key(view, GDK_KEY_PRESS, GDK_KEY_k, GDK_CONTROL_MASK);  // held: the display repeats it
  send_key(view, GDK_KEY_RELEASE, GDK_KEY_k, GDK_CONTROL_MASK);
  send_key(view, GDK_KEY_PRESS, GDK_KEY_a, GdkModifierType(0));
  send_key(view, GDK_KEY_RELEASE, GDK_KEY_a, GdkModifierType(0));
  ASSERT_EQ(keys.size(), 5u);
  EXPECT_EQ(keys[0].kind, AcceleratorKeyKind::key_down);
  EXPECT_EQ(keys[0].virtual_key, static_cast<std::uint32_t>('K'));
  EXPECT_FALSE(keys[0].was_key_down);
  EXPECT_TRUE(keys[1].was_key_down) << "a repeated press";
  EXPECT_EQ(keys[2].kind, AcceleratorKeyKind::key_up);
  EXPECT_EQ(keys[3].virtual_key, static_cast<std::uint32_t>('A'));
  EXPECT_FALSE(keys[3].was_key_down);

  // The unhandled key reaches the page; the handled one never does.
  EXPECT_TRUE(wait_for_script("window.seen.join(',')", "\"a\""));
  pump_for(200);
  EXPECT_EQ(run("window.seen.join(',')"), "\"a\"");
}

void send_right_click(WebKitWebView* view, double x, double y) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(view));
  for (GdkEventType type : {GDK_BUTTON_PRESS, GDK_BUTTON_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->button.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(view))));
    event->button.send_event = TRUE;
    event->button.time = GDK_CURRENT_TIME;
    event->button.x = x;
    event->button.y = y;
    event->button.button = 3;
    gdk_event_set_device(event, gdk_seat_get_pointer(gdk_display_get_default_seat(display)));
    gtk_widget_event(GTK_WIDGET(view), event);
    gdk_event_free(event);
  }
}

TEST_F(WebKitEngineTest, ContextMenusTellTheTargetAndItemsCanBeRemovedOrTheMenuSuppressed) {
  struct Seen {
    std::optional<bool> editable;
    std::optional<bool> selection;
    std::vector<std::u16string> names;
    std::size_t left = 0;
  };
  std::vector<Seen> menus;
  ASSERT_EQ(view_->on_context_menu_requested([&](ContextMenuEvent& e) {
    Seen seen;
    seen.editable = e.target_is_editable();
    seen.selection = e.target_has_selection();
    const std::size_t count = e.item_count().value_or(0);
    for (std::size_t i = 0; i < count; ++i) seen.names.push_back(e.item_name(i).value_or(u"?"));
    // Keep only "paste"; drop everything else, from the last item to the first.
    for (std::size_t i = count; i-- > 0;)
      if (e.item_name(i) != u"paste") {
        EXPECT_TRUE(e.remove_item(i));
      }
    EXPECT_FALSE(e.remove_item(99));
    seen.left = e.item_count().value_or(99);
    menus.push_back(seen);
    e.set_handled(true);
  }),
            EngineResult::ok);
  server_.set_page("/menu.html",
                   "<!doctype html><body style='margin:0'>"
                   "<input id=i value='hello' style='position:absolute;left:0;top:0;"
                   "width:400px;height:100px'>"
                   "<p style='position:absolute;left:0;top:300px'>plain text</p>");
  ASSERT_TRUE(load(server_.url("/menu.html")).has_value());
  WebKitWebView* view = webkit_view_of(*view_);
  ASSERT_NE(view, nullptr);

  auto shown_menus = [] {
    int n = 0;
    GList* list = gtk_window_list_toplevels();
    for (GList* l = list; l != nullptr; l = l->next)
      if (gtk_widget_get_mapped(GTK_WIDGET(l->data)) &&
          gtk_window_get_window_type(GTK_WINDOW(l->data)) == GTK_WINDOW_POPUP)
        ++n;
    g_list_free(list);
    return n;
  };
  const int popups_before = shown_menus();
  send_right_click(view, 50, 50);
  ASSERT_TRUE(pump_until([&] { return menus.size() >= 1; }, 10000));
  pump_for(200);
  EXPECT_EQ(shown_menus(), popups_before) << "a handled menu is never shown";
  EXPECT_EQ(menus[0].editable, true);
  EXPECT_NE(std::find(menus[0].names.begin(), menus[0].names.end(), u"paste"),
            menus[0].names.end());
  EXPECT_LE(menus[0].left, 1u);

  send_right_click(view, 500, 500);
  ASSERT_TRUE(pump_until([&] { return menus.size() >= 2; }, 10000));
  EXPECT_EQ(menus[1].editable, false);
  EXPECT_EQ(menus[1].selection, false);
}

TEST_F(WebKitEngineTest, AStringDocumentIsADataAddressAndAKilledPageProcessIsReported) {
  const std::size_t before = starts_.size();
  ASSERT_TRUE(view_->navigate_to_string(u"<!doctype html><title>Offline \u00e4</title><p>x"));
  ASSERT_TRUE(pump_until([&] { return starts_.size() > before; }));
  EXPECT_EQ(starts_[before].uri.rfind("data:text/html", 0), 0u) << starts_[before].uri;
  std::optional<NavigationCompletedEvent> done;
  ASSERT_TRUE(pump_until([&] {
    for (const auto& c : completions_)
      if (c.navigation_id == starts_[before].id) done = c;
    return done.has_value();
  }));
  EXPECT_TRUE(done->success);
  EXPECT_EQ(run("document.title+'|'+document.characterSet"), "\"Offline \u00e4|UTF-8\"");
  // The title may be told just after the load completes.
  EXPECT_TRUE(pump_until([&] { return view_->document_title() == u"Offline \u00e4"; }, 5000));
  EXPECT_EQ(to_utf8(view_->source()).rfind("data:text/html", 0), 0u);

  std::vector<ProcessFailureKind> failures;
  ASSERT_TRUE(view_->on_process_failed([&](ProcessFailureKind k) { failures.push_back(k); }));
  webkit_web_view_terminate_web_process(webkit_view_of(*view_));
  EXPECT_TRUE(failures.empty()) << "reported inside the call";
  ASSERT_TRUE(pump_until([&] { return !failures.empty(); }));
  EXPECT_EQ(failures[0], ProcessFailureKind::render_process_exited);
}

TEST_F(WebKitEngineTest, AClosedViewRunsNoHandlerAndRefusesCalls) {
  server_.set_page("/slow.html", "<!doctype html><p>x</p>");
  std::size_t later_events = 0;
  ASSERT_TRUE(view_->on_source_changed([&] { ++later_events; }));
  ASSERT_TRUE(view_->on_document_title_changed([&] { ++later_events; }));
  const std::size_t starts_before = starts_.size();
  const std::size_t completions_before = completions_.size();
  ASSERT_TRUE(view_->navigate(to_utf16(server_.url("/slow.html"))));
  controller_->close();
  pump_for(800);
  EXPECT_EQ(starts_.size(), starts_before);
  EXPECT_EQ(completions_.size(), completions_before);
  EXPECT_EQ(later_events, 0u);
  EXPECT_FALSE(view_->navigate(to_utf16(server_.url("/slow.html"))));
  EXPECT_EQ(controller_->view(), nullptr);
  EXPECT_EQ(webkit_view_of(*view_), nullptr);
}

}  // namespace
}  // namespace vantiro::platform
