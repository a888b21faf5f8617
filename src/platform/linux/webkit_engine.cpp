#include "platform/linux/webkit_engine.h"

#include <cairo.h>
#include <gtk/gtk.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <utility>
#include <vector>

#include "common/utf.h"
#include "platform/linux/webkit_bridge_relay.h"
#include "platform/webkit_engine_factory.h"
#include "web/url.h"

namespace vantiro::platform {
namespace {

using namespace workspace;

// The page script's channel. WebKitGTK does not tell which frame posted a script message, so
// the handler lives only in a script world of the studio's own, where the relay script runs in
// every document: it forwards messages of documents on the service origin with the address of
// the document, and hands replies to the top document (see webkit_bridge_relay.js).
constexpr const char* kMessageHandler = "vantiroDesktop";
constexpr const char* kBridgeWorld = "vantiro-bridge";
constexpr const char* kRelayDelivery = "__vantiroRelayDeliver";

// Whether a frame element of the page (or of its same-origin frames) loads the address given:
// then a navigation to it is that frame's, not the view's. Addresses compare without their
// fragment.
constexpr const char* kFrameCheckWorld = "vantiro-frame-check";
constexpr const char* kFrameTargetCheck =
    "(function(u){function bare(a){var i=a.indexOf('#');return i<0?a:a.slice(0,i);}"
    "var want=bare(u);var blank=want==='about:blank'||want==='about:srcdoc';"
    "function scan(d,depth){if(!d||depth>8)return false;"
    "var list=d.querySelectorAll('iframe,frame');"
    "for(var i=0;i<list.length;i++){var f=list[i];var src=f.src||'';"
    "if(bare(src)===want||(blank&&(!src||f.hasAttribute('srcdoc'))))return true;"
    "var inner=null;try{inner=f.contentDocument;}catch(e){}"
    "if(scan(inner,depth+1))return true;}return false;}"
    "return scan(document,0);})";

// Runs a task from the main loop, so it never runs inside the call that posted it. Idle
// sources of one priority run in the order they were added, which keeps events in order.
void post_task(std::function<void()> task) {
  auto* heap = new std::function<void()>(std::move(task));
  g_idle_add_full(
      G_PRIORITY_DEFAULT_IDLE,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      heap, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

std::optional<std::string> strict_utf8(std::u16string_view text) {
  auto utf8 = utf16_to_utf8_strict(text);
  if (!utf8 || utf8->find('\0') != std::string::npos) return std::nullopt;
  return utf8;
}

std::u16string from_utf8(const char* text) {
  return text == nullptr ? std::u16string() : to_utf16(text);
}

// An owned reference to a GObject.
template <class T>
class GRef {
 public:
  GRef() = default;
  explicit GRef(T* adopted) : p_(adopted) {}
  GRef(const GRef&) = delete;
  GRef& operator=(const GRef&) = delete;
  ~GRef() { reset(); }
  void reset(T* adopted = nullptr) {
    if (p_ != nullptr) g_object_unref(p_);
    p_ = adopted;
  }
  T* get() const { return p_; }

 private:
  T* p_ = nullptr;
};

std::string base64_of(std::string_view bytes) {
  gchar* encoded = g_base64_encode(reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
  std::string out = encoded != nullptr ? encoded : "";
  g_free(encoded);
  return out;
}

// Whether uri only names a fragment of the document at current.
bool is_fragment_of(std::string_view uri, const char* current) {
  if (current == nullptr) return false;
  const auto hash = uri.find('#');
  if (hash == std::string_view::npos) return false;
  std::string_view now = current;
  now = now.substr(0, now.find('#'));
  return uri.substr(0, hash) == now;
}

// Rectangles arrive in device pixels; GTK places widgets in its logical pixels, which the
// window's scale factor turns into device pixels itself.
int device_scale(GtkWidget* widget) {
  const int s = gtk_widget_get_scale_factor(widget);
  return s > 0 ? s : 1;
}

// ---------------------------------------------------------------------------------------------
// Host windows: a windowed GtkFixed placed in the main window's container, so its views are
// clipped to it.

class GtkHostWindow final : public WebHostWindow {
 public:
  explicit GtkHostWindow(GtkFixed* parent) : parent_(GTK_FIXED(g_object_ref(parent))) {
    box_ = gtk_fixed_new();
    g_object_ref_sink(box_);
    gtk_widget_set_has_window(box_, TRUE);
    gtk_widget_set_size_request(box_, 0, 0);
    gtk_fixed_put(parent_, box_, 0, 0);
  }
  ~GtkHostWindow() override {
    destroy();
    g_object_unref(parent_);
  }

  ViewRect rect() override { return rect_; }
  bool move(const ViewRect& r) override {
    if (box_ == nullptr || r.width < 0 || r.height < 0) return false;
    const int s = device_scale(GTK_WIDGET(parent_));
    gtk_fixed_move(parent_, box_, r.x / s, r.y / s);
    gtk_widget_set_size_request(box_, r.width / s, r.height / s);
    rect_ = r;
    return true;
  }
  void show(bool visible) override {
    if (box_ != nullptr) gtk_widget_set_visible(box_, visible ? TRUE : FALSE);
  }
  void destroy() override {
    if (box_ == nullptr) return;
    gtk_widget_destroy(box_);
    g_object_unref(box_);
    box_ = nullptr;
  }

  GtkFixed* container() const { return box_ != nullptr ? GTK_FIXED(box_) : nullptr; }

 private:
  GtkFixed* parent_;
  GtkWidget* box_ = nullptr;
  ViewRect rect_;
};

// ---------------------------------------------------------------------------------------------
// Context menus, valid during the context-menu signal only.

std::u16string context_menu_item_name(WebKitContextMenuItem* item) {
  if (webkit_context_menu_item_is_separator(item)) return u"separator";
  switch (webkit_context_menu_item_get_stock_action(item)) {
    case WEBKIT_CONTEXT_MENU_ACTION_COPY:
      return u"copy";
    case WEBKIT_CONTEXT_MENU_ACTION_CUT:
      return u"cut";
    case WEBKIT_CONTEXT_MENU_ACTION_PASTE:
      return u"paste";
    case WEBKIT_CONTEXT_MENU_ACTION_PASTE_AS_PLAIN_TEXT:
      return u"pasteAndMatchStyle";
    case WEBKIT_CONTEXT_MENU_ACTION_DELETE:
      return u"delete";
    case WEBKIT_CONTEXT_MENU_ACTION_SELECT_ALL:
      return u"selectAll";
    case WEBKIT_CONTEXT_MENU_ACTION_GO_BACK:
      return u"back";
    case WEBKIT_CONTEXT_MENU_ACTION_GO_FORWARD:
      return u"forward";
    case WEBKIT_CONTEXT_MENU_ACTION_RELOAD:
      return u"reload";
    case WEBKIT_CONTEXT_MENU_ACTION_STOP:
      return u"stop";
    case WEBKIT_CONTEXT_MENU_ACTION_INSPECT_ELEMENT:
      return u"inspectElement";
    case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK:
      return u"openLink";
    case WEBKIT_CONTEXT_MENU_ACTION_OPEN_LINK_IN_NEW_WINDOW:
      return u"openLinkInNewWindow";
    case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_LINK_TO_DISK:
      return u"saveLinkAs";
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_LINK_TO_CLIPBOARD:
      return u"copyLinkLocation";
    case WEBKIT_CONTEXT_MENU_ACTION_OPEN_IMAGE_IN_NEW_WINDOW:
      return u"openImageInNewWindow";
    case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_IMAGE_TO_DISK:
      return u"saveImageAs";
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_TO_CLIPBOARD:
      return u"copyImage";
    case WEBKIT_CONTEXT_MENU_ACTION_COPY_IMAGE_URL_TO_CLIPBOARD:
      return u"copyImageLocation";
    case WEBKIT_CONTEXT_MENU_ACTION_OPEN_FRAME_IN_NEW_WINDOW:
      return u"openFrameInNewWindow";
    case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_VIDEO_TO_DISK:
    case WEBKIT_CONTEXT_MENU_ACTION_DOWNLOAD_AUDIO_TO_DISK:
      return u"saveMediaAs";
    case WEBKIT_CONTEXT_MENU_ACTION_INSERT_EMOJI:
      return u"emoji";
    case WEBKIT_CONTEXT_MENU_ACTION_SPELLING_GUESS:
      return u"spellCheck";
    default:
      return u"other";
  }
}

class WebKitContextMenuEvent final : public ContextMenuEvent {
 public:
  WebKitContextMenuEvent(WebKitContextMenu* menu, WebKitHitTestResult* hit)
      : menu_(menu), hit_(hit) {}

  std::optional<bool> target_is_editable() override {
    if (hit_ == nullptr) return std::nullopt;
    return webkit_hit_test_result_context_is_editable(hit_) != FALSE;
  }
  std::optional<bool> target_has_selection() override {
    if (hit_ == nullptr) return std::nullopt;
    return webkit_hit_test_result_context_is_selection(hit_) != FALSE;
  }
  std::optional<std::size_t> item_count() override {
    return static_cast<std::size_t>(webkit_context_menu_get_n_items(menu_));
  }
  std::optional<std::u16string> item_name(std::size_t index) override {
    auto* item = item_at(index);
    if (item == nullptr) return std::nullopt;
    return context_menu_item_name(item);
  }
  bool remove_item(std::size_t index) override {
    auto* item = item_at(index);
    if (item == nullptr) return false;
    webkit_context_menu_remove(menu_, item);
    return true;
  }
  void set_handled(bool handled) override { handled_ = handled; }
  bool handled() const { return handled_; }

 private:
  WebKitContextMenuItem* item_at(std::size_t index) {
    if (index >= webkit_context_menu_get_n_items(menu_)) return nullptr;
    return webkit_context_menu_get_item_at_position(menu_, static_cast<guint>(index));
  }
  WebKitContextMenu* menu_;
  WebKitHitTestResult* hit_;
  bool handled_ = false;
};

// ---------------------------------------------------------------------------------------------
// One view: the controller and the view of the port are the same object.

std::uint64_t next_navigation_id() {
  static std::uint64_t next = 0;
  return ++next;
}

class WebKitBrowserView final : public WebController,
                                public WebView,
                                public std::enable_shared_from_this<WebKitBrowserView> {
 public:
  WebKitBrowserView(WebKitWebContext* context, GtkFixed* container)
      : container_(GTK_FIXED(g_object_ref(container))) {
    content_.reset(webkit_user_content_manager_new());
    auto* widget = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", context,
                                           "user-content-manager", content_.get(), nullptr));
    view_ = WEBKIT_WEB_VIEW(g_object_ref_sink(widget));
    cancellable_.reset(g_cancellable_new());
    gtk_fixed_put(container_, widget, 0, 0);
    gtk_widget_show(widget);
    connect_signals();
    webkit_user_content_manager_register_script_message_handler_in_world(
        content_.get(), kMessageHandler, kBridgeWorld);
    WebKitUserScript* relay = webkit_user_script_new_for_world(
        kWebKitBridgeRelayScript, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
        WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, kBridgeWorld, nullptr, nullptr);
    webkit_user_content_manager_add_script(content_.get(), relay);
    webkit_user_script_unref(relay);
  }

  ~WebKitBrowserView() override {
    close();
    g_object_unref(container_);
  }

  WebKitWebView* widget() const { return closed_ ? nullptr : view_; }

  // --- WebController ---
  bool set_visible(bool visible) override {
    if (closed_) return false;
    gtk_widget_set_visible(GTK_WIDGET(view_), visible ? TRUE : FALSE);
    return true;
  }
  ViewRect bounds() override { return bounds_; }
  bool set_bounds(const ViewRect& r) override {
    if (closed_ || r.width < 0 || r.height < 0) return false;
    const int s = device_scale(GTK_WIDGET(container_));
    gtk_fixed_move(container_, GTK_WIDGET(view_), r.x / s, r.y / s);
    gtk_widget_set_size_request(GTK_WIDGET(view_), r.width / s, r.height / s);
    bounds_ = r;
    return true;
  }
  bool set_zoom_factor(double factor) override {
    if (closed_ || !std::isfinite(factor) || factor <= 0) return false;
    webkit_web_view_set_zoom_level(view_, factor);
    return true;
  }
  bool move_focus() override {
    if (closed_) return false;
    gtk_widget_grab_focus(GTK_WIDGET(view_));
    return true;
  }
  bool add_accelerator_key_handler(std::function<void(AcceleratorKeyEvent&)> handler) override {
    if (closed_ || !handler) return false;
    key_handlers_.push_back(std::move(handler));
    return true;
  }
  void notify_parent_window_position_changed() override {
    // GTK places child widgets itself; nothing to tell.
  }
  EngineResult set_default_background_color(Rgba color) override {
    if (closed_) return EngineResult::failed;
    const GdkRGBA rgba{color.r / 255.0, color.g / 255.0, color.b / 255.0, color.a / 255.0};
    webkit_web_view_set_background_color(view_, &rgba);
    return EngineResult::ok;
  }
  void close() override {
    if (closed_) return;
    closed_ = true;
    g_cancellable_cancel(cancellable_.get());
    g_signal_handlers_disconnect_by_data(view_, this);
    g_signal_handlers_disconnect_by_data(content_.get(), this);
    if (auto* list = webkit_web_view_get_back_forward_list(view_))
      g_signal_handlers_disconnect_by_data(list, this);
    webkit_user_content_manager_unregister_script_message_handler_in_world(
        content_.get(), kMessageHandler, kBridgeWorld);
    for (auto* decision : held_decisions_) {
      webkit_policy_decision_ignore(decision);
      g_object_unref(decision);
    }
    held_decisions_.clear();
    clear_handlers();
    gtk_widget_destroy(GTK_WIDGET(view_));
    g_object_unref(view_);
  }
  std::shared_ptr<WebView> view() override {
    if (closed_) return nullptr;
    return std::shared_ptr<WebView>(shared_from_this(), static_cast<WebView*>(this));
  }

  // --- WebView: settings ---
  EngineResult set_setting(ViewSetting setting, bool on) override {
    if (closed_) return EngineResult::failed;
    WebKitSettings* settings = webkit_web_view_get_settings(view_);
    if (settings == nullptr) return EngineResult::failed;
    switch (setting) {
      case ViewSetting::script_enabled:
        webkit_settings_set_enable_javascript(settings, on ? TRUE : FALSE);
        return EngineResult::ok;
      case ViewSetting::default_script_dialogs_enabled:
        script_dialogs_enabled_ = on;
        return EngineResult::ok;
      case ViewSetting::status_bar_enabled:
        // WebKitGTK never shows a status bubble of its own.
        return on ? EngineResult::unsupported : EngineResult::ok;
      case ViewSetting::dev_tools_enabled:
        webkit_settings_set_enable_developer_extras(settings, on ? TRUE : FALSE);
        return EngineResult::ok;
      case ViewSetting::default_context_menus_enabled:
        context_menus_enabled_ = on;
        return EngineResult::ok;
      case ViewSetting::zoom_control_enabled:
        zoom_control_enabled_ = on;
        return EngineResult::ok;
      case ViewSetting::built_in_error_page_enabled:
        error_page_enabled_ = on;
        return EngineResult::ok;
      case ViewSetting::web_message_enabled:
        if (on != web_messages_enabled_) {
          if (on)
            webkit_user_content_manager_register_script_message_handler_in_world(
                content_.get(), kMessageHandler, kBridgeWorld);
          else
            webkit_user_content_manager_unregister_script_message_handler_in_world(
                content_.get(), kMessageHandler, kBridgeWorld);
          web_messages_enabled_ = on;
        }
        return EngineResult::ok;
      case ViewSetting::swipe_navigation_enabled:
        webkit_settings_set_enable_back_forward_navigation_gestures(settings, on ? TRUE : FALSE);
        return EngineResult::ok;
    }
    return EngineResult::unsupported;
  }

  // --- WebView: documents ---
  std::u16string source() override {
    if (closed_) return {};
    return from_utf8(webkit_web_view_get_uri(view_));
  }
  bool navigate(std::u16string_view uri) override {
    const auto utf8 = strict_utf8(uri);
    if (closed_ || !utf8 || utf8->empty()) return false;
    webkit_web_view_load_uri(view_, utf8->c_str());
    return true;
  }
  bool navigate_to_string(std::u16string_view html) override {
    const auto utf8 = utf16_to_utf8_strict(html);
    if (closed_ || !utf8) return false;
    // A data address, so the document is reported as "data:text/html" like on other engines.
    const std::string uri = "data:text/html;charset=utf-8;base64," + base64_of(*utf8);
    webkit_web_view_load_uri(view_, uri.c_str());
    return true;
  }
  bool reload() override {
    if (closed_) return false;
    webkit_web_view_reload(view_);
    return true;
  }
  bool go_back() override {
    if (closed_ || !webkit_web_view_can_go_back(view_)) return false;
    webkit_web_view_go_back(view_);
    return true;
  }
  bool go_forward() override {
    if (closed_ || !webkit_web_view_can_go_forward(view_)) return false;
    webkit_web_view_go_forward(view_);
    return true;
  }
  bool can_go_back() override { return !closed_ && webkit_web_view_can_go_back(view_); }
  bool can_go_forward() override { return !closed_ && webkit_web_view_can_go_forward(view_); }
  std::u16string document_title() override {
    if (closed_) return {};
    return from_utf8(webkit_web_view_get_title(view_));
  }
  bool contains_fullscreen_element() override { return !closed_ && fullscreen_; }

  // --- WebView: scripts ---
  bool execute_script(std::u16string_view script,
                      std::function<void(bool ok, std::string result_json)> done) override {
    const auto utf8 = utf16_to_utf8_strict(script);
    if (closed_ || !utf8 || !done) return false;
    evaluate(*utf8, nullptr, std::move(done));
    return true;
  }

  EngineResult capture_preview(
      std::function<void(bool ok, std::vector<std::uint8_t> png)> done) override {
    if (closed_ || !done) return EngineResult::failed;
    auto* call = new AsyncCall<std::function<void(bool, std::vector<std::uint8_t>)>>{
        weak_from_this(), std::move(done)};
    webkit_web_view_get_snapshot(
        view_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<AsyncCall<std::function<void(bool, std::vector<std::uint8_t>)>>> c(
              static_cast<AsyncCall<std::function<void(bool, std::vector<std::uint8_t>)>>*>(data));
          GError* error = nullptr;
          cairo_surface_t* surface =
              webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
          if (error != nullptr) g_error_free(error);
          std::vector<std::uint8_t> png;
          bool ok = false;
          if (surface != nullptr) {
            ok = cairo_surface_write_to_png_stream(
                     surface,
                     [](void* closure, const unsigned char* bytes, unsigned int length) {
                       auto* out = static_cast<std::vector<std::uint8_t>*>(closure);
                       out->insert(out->end(), bytes, bytes + length);
                       return CAIRO_STATUS_SUCCESS;
                     },
                     &png) == CAIRO_STATUS_SUCCESS;
            cairo_surface_destroy(surface);
          }
          if (!ok) png.clear();
          if (c->alive()) c->done(ok, std::move(png));
        },
        call);
    return EngineResult::ok;
  }

  bool add_script_on_document_created(std::u16string_view script, DoneCallback done) override {
    const auto utf8 = strict_utf8(script);
    if (closed_ || !utf8) return false;
    WebKitUserScript* user_script =
        webkit_user_script_new(utf8->c_str(), WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                               WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START, nullptr, nullptr);
    if (user_script == nullptr) return false;
    webkit_user_content_manager_add_script(content_.get(), user_script);
    webkit_user_script_unref(user_script);
    if (done) post_to_self([done = std::move(done)](WebKitBrowserView&) { done(true); });
    return true;
  }

  bool post_web_message_as_json(std::string_view json) override {
    if (closed_ || !is_valid_utf8(json) || json.empty()) return false;
    // The text travels as a string literal to the relay, which hands it on only as JSON text
    // and only to a top document of the service origin; it never becomes code.
    std::string script = "(function(t){var f=window.";
    script += kRelayDelivery;
    script += ";if(typeof f==='function')f(t);})(";
    script += javascript_string_literal(json);
    script += ");";
    evaluate(script, kBridgeWorld, nullptr);
    return true;
  }

  // --- WebView: events ---
  bool on_navigation_starting(std::function<void(NavigationStartingEvent&)> h) override {
    return add(navigation_starting_, std::move(h));
  }
  bool on_navigation_completed(std::function<void(const NavigationCompletedEvent&)> h) override {
    return add(navigation_completed_, std::move(h));
  }
  bool on_source_changed(std::function<void()> h) override {
    return add(source_changed_, std::move(h));
  }
  bool on_history_changed(std::function<void()> h) override {
    return add(history_changed_, std::move(h));
  }
  bool on_new_window_requested(std::function<void(NewWindowRequestedEvent&)> h) override {
    return add(new_window_requested_, std::move(h));
  }
  bool on_document_title_changed(std::function<void()> h) override {
    return add(title_changed_, std::move(h));
  }
  bool on_fullscreen_element_changed(std::function<void()> h) override {
    return add(fullscreen_changed_, std::move(h));
  }
  bool on_process_failed(std::function<void(ProcessFailureKind)> h) override {
    return add(process_failed_, std::move(h));
  }
  bool on_web_message_received(std::function<void(WebMessageEvent&)> h) override {
    return add(web_message_received_, std::move(h));
  }
  EngineResult on_context_menu_requested(std::function<void(ContextMenuEvent&)> h) override {
    return add(context_menu_requested_, std::move(h)) ? EngineResult::ok : EngineResult::failed;
  }

  // --- WebView: profile ---
  EngineResult get_cookies(std::u16string_view uri,
                           std::function<void(bool ok, std::vector<WebCookie>)> done) override {
    const auto utf8 = strict_utf8(uri);
    if (closed_ || !utf8 || utf8->empty() || !done) return EngineResult::failed;
    WebKitWebsiteDataManager* data = webkit_web_view_get_website_data_manager(view_);
    WebKitCookieManager* cookies =
        data != nullptr ? webkit_website_data_manager_get_cookie_manager(data) : nullptr;
    if (cookies == nullptr) return EngineResult::failed;
    auto* call = new AsyncCall<std::function<void(bool, std::vector<WebCookie>)>>{weak_from_this(),
                                                                                  std::move(done)};
    webkit_cookie_manager_get_cookies(
        cookies, utf8->c_str(), cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer data_ptr) {
          std::unique_ptr<AsyncCall<std::function<void(bool, std::vector<WebCookie>)>>> c(
              static_cast<AsyncCall<std::function<void(bool, std::vector<WebCookie>)>>*>(data_ptr));
          GError* error = nullptr;
          GList* list = webkit_cookie_manager_get_cookies_finish(WEBKIT_COOKIE_MANAGER(source),
                                                                 result, &error);
          const bool ok = error == nullptr;
          if (error != nullptr) g_error_free(error);
          std::vector<WebCookie> out;
          for (GList* l = list; l != nullptr; l = l->next) {
            auto* cookie = static_cast<SoupCookie*>(l->data);
            WebCookie item;
            item.name = from_utf8(soup_cookie_get_name(cookie));
            item.value = from_utf8(soup_cookie_get_value(cookie));
            GDateTime* expires = soup_cookie_get_expires(cookie);
            item.is_session = expires == nullptr;
            if (expires != nullptr)
              item.expires_s = static_cast<double>(g_date_time_to_unix(expires)) +
                               g_date_time_get_microsecond(expires) / 1e6;
            out.push_back(std::move(item));
          }
          g_list_free_full(list, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
          if (c->alive()) c->done(ok, ok ? std::move(out) : std::vector<WebCookie>());
        },
        call);
    return EngineResult::ok;
  }

  // WebKitGTK keeps a background page's process running and has no call to suspend it.
  EngineResult try_suspend(std::function<void(bool, bool)>) override {
    return EngineResult::unsupported;
  }
  EngineResult resume() override { return EngineResult::unsupported; }
  EngineResult set_memory_usage_target(MemoryUsageTarget) override {
    return EngineResult::unsupported;
  }

  EngineResult clear_browsing_data(std::uint32_t kinds, DoneCallback done) override {
    if (closed_) return EngineResult::failed;
    // Only the kinds this engine can clear on its own; anything else is not pretended.
    if (kinds == 0 || (kinds & ~browsing_data::kDiskCache) != 0) return EngineResult::unsupported;
    WebKitWebsiteDataManager* data = webkit_web_view_get_website_data_manager(view_);
    if (data == nullptr) return EngineResult::failed;
    const auto types = static_cast<WebKitWebsiteDataTypes>(WEBKIT_WEBSITE_DATA_DISK_CACHE |
                                                           WEBKIT_WEBSITE_DATA_MEMORY_CACHE);
    auto* call = new AsyncCall<DoneCallback>{weak_from_this(), std::move(done)};
    webkit_website_data_manager_clear(
        data, types, 0, cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer data_ptr) {
          std::unique_ptr<AsyncCall<DoneCallback>> c(
              static_cast<AsyncCall<DoneCallback>*>(data_ptr));
          GError* error = nullptr;
          const gboolean ok = webkit_website_data_manager_clear_finish(
              WEBKIT_WEBSITE_DATA_MANAGER(source), result, &error);
          if (error != nullptr) g_error_free(error);
          if (c->alive() && c->done) c->done(ok != FALSE);
        },
        call);
    return EngineResult::ok;
  }

 private:
  template <class Done>
  struct AsyncCall {
    std::weak_ptr<WebKitBrowserView> owner;
    Done done;
    bool alive() const {
      auto o = owner.lock();
      return o && !o->closed_;
    }
  };

  template <class H>
  bool add(std::vector<H>& list, H handler) {
    if (closed_ || !handler) return false;
    list.push_back(std::move(handler));
    return true;
  }

  void clear_handlers() {
    key_handlers_.clear();
    navigation_starting_.clear();
    navigation_completed_.clear();
    source_changed_.clear();
    history_changed_.clear();
    new_window_requested_.clear();
    title_changed_.clear();
    fullscreen_changed_.clear();
    process_failed_.clear();
    web_message_received_.clear();
    context_menu_requested_.clear();
  }

  // Calls every handler of a list; a handler may close the view, and then the rest are
  // skipped. The list is copied because a handler may add to it.
  template <class H, class... Args>
  void raise(const std::vector<H>& list, Args&... args) {
    const auto copy = list;
    for (const auto& h : copy) {
      if (closed_) return;
      h(args...);
    }
  }

  void post_to_self(std::function<void(WebKitBrowserView&)> task) {
    post_task([weak = weak_from_this(), task = std::move(task)] {
      auto self = weak.lock();
      if (self && !self->closed_) task(*self);
    });
  }

  void evaluate(const std::string& script, const char* world,
                std::function<void(bool, std::string)> done) {
    auto* call =
        new AsyncCall<std::function<void(bool, std::string)>>{weak_from_this(), std::move(done)};
    webkit_web_view_evaluate_javascript(
        view_, script.data(), static_cast<gssize>(script.size()), world, nullptr,
        cancellable_.get(),
        [](GObject* source, GAsyncResult* result, gpointer data) {
          std::unique_ptr<AsyncCall<std::function<void(bool, std::string)>>> c(
              static_cast<AsyncCall<std::function<void(bool, std::string)>>*>(data));
          GError* error = nullptr;
          JSCValue* value =
              webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
          if (error != nullptr) g_error_free(error);
          std::string json = "null";
          if (value != nullptr) {
            if (!jsc_value_is_undefined(value)) {
              if (char* text = jsc_value_to_json(value, 0)) {
                json = text;
                g_free(text);
              }
            }
            g_object_unref(value);
          }
          if (c->alive() && c->done) c->done(value != nullptr, std::move(json));
        },
        call);
  }

  // --- signals ---
  void connect_signals() {
    g_signal_connect(view_, "decide-policy", G_CALLBACK(&WebKitBrowserView::on_decide_policy),
                     this);
    g_signal_connect(view_, "create", G_CALLBACK(&WebKitBrowserView::on_create), this);
    g_signal_connect(view_, "load-changed", G_CALLBACK(&WebKitBrowserView::on_load_changed), this);
    g_signal_connect(view_, "load-failed", G_CALLBACK(&WebKitBrowserView::on_load_failed), this);
    g_signal_connect(view_, "load-failed-with-tls-errors",
                     G_CALLBACK(&WebKitBrowserView::on_load_failed_with_tls_errors), this);
    g_signal_connect(view_, "notify::uri", G_CALLBACK(&WebKitBrowserView::on_uri_changed), this);
    g_signal_connect(view_, "notify::title", G_CALLBACK(&WebKitBrowserView::on_title_changed),
                     this);
    g_signal_connect(view_, "notify::is-web-process-responsive",
                     G_CALLBACK(&WebKitBrowserView::on_responsive_changed), this);
    g_signal_connect(view_, "enter-fullscreen", G_CALLBACK(&WebKitBrowserView::on_enter_fullscreen),
                     this);
    g_signal_connect(view_, "leave-fullscreen", G_CALLBACK(&WebKitBrowserView::on_leave_fullscreen),
                     this);
    g_signal_connect(view_, "web-process-terminated",
                     G_CALLBACK(&WebKitBrowserView::on_web_process_terminated), this);
    g_signal_connect(view_, "context-menu", G_CALLBACK(&WebKitBrowserView::on_context_menu), this);
    g_signal_connect(view_, "script-dialog", G_CALLBACK(&WebKitBrowserView::on_script_dialog),
                     this);
    g_signal_connect(view_, "key-press-event", G_CALLBACK(&WebKitBrowserView::on_key_press), this);
    g_signal_connect(view_, "key-release-event", G_CALLBACK(&WebKitBrowserView::on_key_release),
                     this);
    g_signal_connect(view_, "scroll-event", G_CALLBACK(&WebKitBrowserView::on_scroll), this);
    g_signal_connect(view_, "destroy", G_CALLBACK(&WebKitBrowserView::on_widget_destroyed), this);
    std::string message_signal = "script-message-received::";
    message_signal += kMessageHandler;
    g_signal_connect(content_.get(), message_signal.c_str(),
                     G_CALLBACK(&WebKitBrowserView::on_script_message), this);
    if (auto* list = webkit_web_view_get_back_forward_list(view_))
      g_signal_connect(list, "changed", G_CALLBACK(&WebKitBrowserView::on_history), this);
  }

  static gboolean on_decide_policy(WebKitWebView*, WebKitPolicyDecision* decision,
                                   WebKitPolicyDecisionType type, gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    if (type == WEBKIT_POLICY_DECISION_TYPE_NEW_WINDOW_ACTION) {
      auto* action = webkit_navigation_policy_decision_get_navigation_action(
          WEBKIT_NAVIGATION_POLICY_DECISION(decision));
      // This engine never opens a window of its own; the request only reaches the handlers.
      webkit_policy_decision_ignore(decision);
      self->request_new_window(action);
      return TRUE;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
    auto* action = webkit_navigation_policy_decision_get_navigation_action(
        WEBKIT_NAVIGATION_POLICY_DECISION(decision));
    WebKitURIRequest* request = webkit_navigation_action_get_request(action);
    const std::string uri = request != nullptr && webkit_uri_request_get_uri(request) != nullptr
                                ? webkit_uri_request_get_uri(request)
                                : std::string();
    g_object_ref(decision);
    self->held_decisions_.push_back(decision);
    if (webkit_navigation_action_is_redirect(action)) {
      // Only a load that has not committed yet can be redirected in the top document; a
      // redirect later belongs to a frame.
      if (!self->load_in_progress_ || self->load_committed_) {
        self->release_decision(decision, true);
        return TRUE;
      }
      const std::uint64_t id = self->load_id_;
      self->post_to_self([decision, uri, id](WebKitBrowserView& view) {
        view.decide_navigation(decision, uri, id);
      });
      return TRUE;
    }
    // A jump to a fragment of the shown document loads nothing; it is no navigation.
    const char* method = request != nullptr ? webkit_uri_request_get_http_method(request) : nullptr;
    if (webkit_navigation_action_get_navigation_type(action) != WEBKIT_NAVIGATION_TYPE_RELOAD &&
        (method == nullptr || std::string_view(method) == "GET") &&
        is_fragment_of(uri, webkit_web_view_get_uri(self->view_))) {
      self->release_decision(decision, true);
      return TRUE;
    }
    // WebKitGTK asks for frames' navigations too without saying which frame navigates. A
    // frame's load goes to an address one of the page's frame elements names; the page is
    // asked in a world of its own, which its scripts cannot touch.
    std::string check = kFrameTargetCheck;
    check += "(";
    check += javascript_string_literal(uri);
    check += ")";
    self->evaluate(check, kFrameCheckWorld, [self, decision, uri](bool ok, std::string result) {
      if (ok && result == "true") {
        self->release_decision(decision, true);
        return;
      }
      self->decide_navigation(decision, uri, next_navigation_id());
    });
    return TRUE;
  }

  // Hands a held decision back to WebKit.
  void release_decision(WebKitPolicyDecision* decision, bool use) {
    held_decisions_.erase(std::remove(held_decisions_.begin(), held_decisions_.end(), decision),
                          held_decisions_.end());
    if (use)
      webkit_policy_decision_use(decision);
    else
      webkit_policy_decision_ignore(decision);
    g_object_unref(decision);
  }

  void decide_navigation(WebKitPolicyDecision* decision, const std::string& uri, std::uint64_t id) {
    NavigationStartingEvent event;
    event.uri = to_utf16(uri);
    event.navigation_id = id;
    raise(navigation_starting_, event);
    if (closed_) return;  // close() ignored and released the held decision
    if (event.cancel) {
      release_decision(decision, false);
      // A redirect of the load in progress ends that load here.
      if (load_in_progress_ && load_id_ == id) load_in_progress_ = false;
      NavigationCompletedEvent done;
      done.success = false;
      done.web_error_status = web_error::kOperationCanceled;
      done.navigation_id = id;
      post_to_self([done](WebKitBrowserView& view) mutable {
        view.raise(view.navigation_completed_, done);
      });
      return;
    }
    accepted_id_ = id;
    release_decision(decision, true);
  }

  void request_new_window(WebKitNavigationAction* action) {
    WebKitURIRequest* request =
        action != nullptr ? webkit_navigation_action_get_request(action) : nullptr;
    NewWindowRequestedEvent event;
    event.uri = from_utf8(request != nullptr ? webkit_uri_request_get_uri(request) : nullptr);
    post_to_self([event](WebKitBrowserView& view) mutable {
      view.raise(view.new_window_requested_, event);
    });
  }

  static GtkWidget* on_create(WebKitWebView*, WebKitNavigationAction* action, gpointer data) {
    static_cast<WebKitBrowserView*>(data)->request_new_window(action);
    return nullptr;
  }

  void complete_load(bool success, int status) {
    if (!load_in_progress_) return;
    load_in_progress_ = false;
    NavigationCompletedEvent done;
    done.success = success;
    done.web_error_status = status;
    done.navigation_id = load_id_;
    post_to_self(
        [done](WebKitBrowserView& view) mutable { view.raise(view.navigation_completed_, done); });
  }

  static void on_load_changed(WebKitWebView* view, WebKitLoadEvent load_event, gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    switch (load_event) {
      case WEBKIT_LOAD_STARTED:
        // A load the policy step did not see (none is expected) still gets its own id.
        self->load_id_ = self->accepted_id_ != 0 ? self->accepted_id_ : next_navigation_id();
        self->accepted_id_ = 0;
        self->load_in_progress_ = true;
        self->load_committed_ = false;
        self->http_error_ = false;
        break;
      case WEBKIT_LOAD_REDIRECTED:
        break;
      case WEBKIT_LOAD_COMMITTED: {
        self->load_committed_ = true;
        // A page served with an HTTP error status is shown but counts as a failed load.
        WebKitWebResource* resource = webkit_web_view_get_main_resource(view);
        WebKitURIResponse* response =
            resource != nullptr ? webkit_web_resource_get_response(resource) : nullptr;
        self->http_error_ =
            response != nullptr && webkit_uri_response_get_status_code(response) >= 400;
        break;
      }
      case WEBKIT_LOAD_FINISHED:
        if (self->http_error_)
          self->complete_load(false, web_error::kUnknown);
        else
          self->complete_load(true, web_error::kUnknown);
        break;
    }
  }

  static gboolean on_load_failed(WebKitWebView*, WebKitLoadEvent, gchar*, GError* error,
                                 gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    self->complete_load(false, web_error_status_of(error));
    // TRUE keeps WebKit's own error page away.
    return self->error_page_enabled_ ? FALSE : TRUE;
  }

  static gboolean on_load_failed_with_tls_errors(WebKitWebView*, gchar*, GTlsCertificate*,
                                                 GTlsCertificateFlags flags, gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    int status = web_error::kCertificateIsInvalid;
    if (flags & G_TLS_CERTIFICATE_EXPIRED)
      status = web_error::kCertificateExpired;
    else if (flags & G_TLS_CERTIFICATE_BAD_IDENTITY)
      status = web_error::kCertificateCommonNameIsIncorrect;
    else if (flags & G_TLS_CERTIFICATE_REVOKED)
      status = web_error::kCertificateRevoked;
    self->complete_load(false, status);
    return self->error_page_enabled_ ? FALSE : TRUE;
  }

  static void on_uri_changed(WebKitWebView*, GParamSpec*, gpointer data) {
    static_cast<WebKitBrowserView*>(data)->post_to_self(
        [](WebKitBrowserView& view) { view.raise(view.source_changed_); });
  }
  static void on_title_changed(WebKitWebView*, GParamSpec*, gpointer data) {
    static_cast<WebKitBrowserView*>(data)->post_to_self(
        [](WebKitBrowserView& view) { view.raise(view.title_changed_); });
  }
  static void on_history(WebKitBackForwardList*, WebKitBackForwardListItem*, gpointer,
                         gpointer data) {
    static_cast<WebKitBrowserView*>(data)->post_to_self(
        [](WebKitBrowserView& view) { view.raise(view.history_changed_); });
  }
  static void on_responsive_changed(WebKitWebView* view, GParamSpec*, gpointer data) {
    if (webkit_web_view_get_is_web_process_responsive(view)) return;
    static_cast<WebKitBrowserView*>(data)->post_to_self([](WebKitBrowserView& v) {
      auto kind = ProcessFailureKind::render_process_unresponsive;
      v.raise(v.process_failed_, kind);
    });
  }
  static gboolean on_enter_fullscreen(WebKitWebView*, gpointer data) {
    static_cast<WebKitBrowserView*>(data)->set_fullscreen(true);
    return FALSE;
  }
  static gboolean on_leave_fullscreen(WebKitWebView*, gpointer data) {
    static_cast<WebKitBrowserView*>(data)->set_fullscreen(false);
    return FALSE;
  }
  void set_fullscreen(bool on) {
    if (fullscreen_ == on) return;
    fullscreen_ = on;
    post_to_self([](WebKitBrowserView& view) { view.raise(view.fullscreen_changed_); });
  }
  static void on_web_process_terminated(WebKitWebView*, WebKitWebProcessTerminationReason,
                                        gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    self->fullscreen_ = false;
    // The page's process is gone, with the load it was making.
    self->load_in_progress_ = false;
    self->post_to_self([](WebKitBrowserView& view) {
      auto kind = ProcessFailureKind::render_process_exited;
      view.raise(view.process_failed_, kind);
    });
  }

  static gboolean on_context_menu(WebKitWebView*, WebKitContextMenu* menu, GdkEvent*,
                                  WebKitHitTestResult* hit, gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    if (!self->context_menus_enabled_) return TRUE;
    // The menu exists only while this signal runs, so its handlers run here, from the
    // engine's event, never inside a call of the port.
    WebKitContextMenuEvent event(menu, hit);
    self->raise(self->context_menu_requested_, event);
    if (self->closed_) return TRUE;
    return event.handled() || webkit_context_menu_get_n_items(menu) == 0 ? TRUE : FALSE;
  }

  static gboolean on_script_dialog(WebKitWebView*, WebKitScriptDialog*, gpointer data) {
    // TRUE: the dialog counts as answered with its default, and nothing is shown.
    return static_cast<WebKitBrowserView*>(data)->script_dialogs_enabled_ ? FALSE : TRUE;
  }

  static void on_script_message(WebKitUserContentManager*, WebKitJavascriptResult* result,
                                gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    if (!self->web_messages_enabled_) return;
    // Only the relay can post here: { url: its document's address, text: the page's string }.
    JSCValue* value = webkit_javascript_result_get_js_value(result);
    if (value == nullptr || !jsc_value_is_object(value)) return;
    auto string_member = [value](const char* name) -> std::optional<std::string> {
      std::optional<std::string> out;
      JSCValue* member = jsc_value_object_get_property(value, name);
      if (member != nullptr && jsc_value_is_string(member)) {
        if (char* text = jsc_value_to_string(member)) {
          out.emplace(text);
          g_free(text);
        }
      }
      if (member != nullptr) g_object_unref(member);
      return out;
    };
    WebMessageEvent event;
    const std::optional<std::string> url = string_member("url");
    if (!url) return;
    // The relay serves the service origin only; the core's own rule has the last word.
    event.source_uri = to_utf16(*url);
    if (!is_service_origin_url(event.source_uri)) return;
    event.message = string_member("text");
    // A send can carry ~90 MB of text: moved into the task, never copied.
    self->post_to_self([event = std::move(event)](WebKitBrowserView& view) mutable {
      view.raise(view.web_message_received_, event);
    });
  }

  bool key_event(GdkEventKey* key, bool down) {
    if (key_handlers_.empty()) return false;
    const std::uint32_t vk = virtual_key_of(key->keyval);
    if (vk == 0) return false;
    AcceleratorKeyEvent event;
    const bool alt = (key->state & GDK_MOD1_MASK) != 0;
    if (down)
      event.kind = alt ? AcceleratorKeyKind::system_key_down : AcceleratorKeyKind::key_down;
    else
      event.kind = alt ? AcceleratorKeyKind::system_key_up : AcceleratorKeyKind::key_up;
    event.virtual_key = vk;
    if (down) {
      // X repeats a held key as further presses without releases.
      event.was_key_down = !pressed_keys_.insert(key->hardware_keycode).second;
    } else {
      pressed_keys_.erase(key->hardware_keycode);
      event.was_key_down = true;
    }
    raise(key_handlers_, event);
    return event.handled;
  }
  static gboolean on_key_press(GtkWidget*, GdkEventKey* key, gpointer data) {
    return static_cast<WebKitBrowserView*>(data)->key_event(key, true) ? TRUE : FALSE;
  }
  static gboolean on_key_release(GtkWidget*, GdkEventKey* key, gpointer data) {
    return static_cast<WebKitBrowserView*>(data)->key_event(key, false) ? TRUE : FALSE;
  }

  static gboolean on_scroll(GtkWidget*, GdkEventScroll* scroll, gpointer data) {
    auto* self = static_cast<WebKitBrowserView*>(data);
    if (!self->zoom_control_enabled_ || (scroll->state & GDK_CONTROL_MASK) == 0) return FALSE;
    double steps = 0;
    if (scroll->direction == GDK_SCROLL_UP)
      steps = 1;
    else if (scroll->direction == GDK_SCROLL_DOWN)
      steps = -1;
    else if (scroll->direction == GDK_SCROLL_SMOOTH)
      steps = -scroll->delta_y;
    if (steps == 0) return TRUE;
    const double level = webkit_web_view_get_zoom_level(self->view_) * std::pow(1.1, steps);
    webkit_web_view_set_zoom_level(self->view_, std::clamp(level, 0.25, 5.0));
    return TRUE;
  }

  static void on_widget_destroyed(GtkWidget*, gpointer data) {
    // The host window was destroyed with the view inside it.
    auto* self = static_cast<WebKitBrowserView*>(data);
    if (!self->closed_) self->close();
  }

  GtkFixed* container_;
  WebKitWebView* view_ = nullptr;
  GRef<WebKitUserContentManager> content_;
  GRef<GCancellable> cancellable_;
  bool closed_ = false;
  ViewRect bounds_;

  bool script_dialogs_enabled_ = true;
  bool context_menus_enabled_ = true;
  bool zoom_control_enabled_ = false;
  bool error_page_enabled_ = true;
  bool web_messages_enabled_ = true;
  bool fullscreen_ = false;

  std::vector<WebKitPolicyDecision*> held_decisions_;
  std::uint64_t accepted_id_ = 0;
  std::uint64_t load_id_ = 0;
  bool load_in_progress_ = false;
  bool load_committed_ = false;
  bool http_error_ = false;
  std::set<guint16> pressed_keys_;

  std::vector<std::function<void(AcceleratorKeyEvent&)>> key_handlers_;
  std::vector<std::function<void(NavigationStartingEvent&)>> navigation_starting_;
  std::vector<std::function<void(const NavigationCompletedEvent&)>> navigation_completed_;
  std::vector<std::function<void()>> source_changed_;
  std::vector<std::function<void()>> history_changed_;
  std::vector<std::function<void(NewWindowRequestedEvent&)>> new_window_requested_;
  std::vector<std::function<void()>> title_changed_;
  std::vector<std::function<void()>> fullscreen_changed_;
  std::vector<std::function<void(ProcessFailureKind)>> process_failed_;
  std::vector<std::function<void(WebMessageEvent&)>> web_message_received_;
  std::vector<std::function<void(ContextMenuEvent&)>> context_menu_requested_;
};

// ---------------------------------------------------------------------------------------------

class WebKitEnvironment final : public WebEnvironment {
 public:
  WebKitEnvironment(WebKitWebContext* context) : context_(context) {}

  bool create_controller(std::shared_ptr<WebHostWindow> host,
                         std::function<void(std::shared_ptr<WebController>)> done) override {
    auto* gtk_host = dynamic_cast<GtkHostWindow*>(host.get());
    if (gtk_host == nullptr || gtk_host->container() == nullptr || !done) return false;
    auto view = std::make_shared<WebKitBrowserView>(context_.get(), gtk_host->container());
    post_task([done = std::move(done), view = std::move(view)] { done(view); });
    return true;
  }

  WebKitWebContext* context() const { return context_.get(); }

 private:
  GRef<WebKitWebContext> context_;
};

class WebKitWebEngine final : public WebEngine {
 public:
  explicit WebKitWebEngine(GtkFixed* parent) {
    if (parent != nullptr) {
      parent_ = GTK_FIXED(g_object_ref(parent));
    } else {
      // No main window: an off-screen one holds the views.
      own_window_ = gtk_offscreen_window_new();
      auto* fixed = gtk_fixed_new();
      gtk_container_add(GTK_CONTAINER(own_window_), fixed);
      gtk_window_set_default_size(GTK_WINDOW(own_window_), 1024, 768);
      gtk_widget_show_all(own_window_);
      parent_ = GTK_FIXED(g_object_ref(fixed));
    }
  }
  ~WebKitWebEngine() override {
    g_object_unref(parent_);
    if (own_window_ != nullptr) gtk_widget_destroy(own_window_);
  }

  std::optional<std::u16string> available_browser_version() override {
    char text[32];
    std::snprintf(text, sizeof text, "%u.%u.%u", webkit_get_major_version(),
                  webkit_get_minor_version(), webkit_get_micro_version());
    return to_utf16(text);
  }

  bool create_environment(const WebEnvironmentOptions& options,
                          std::function<void(std::shared_ptr<WebEnvironment>)> done) override {
    const auto folder = strict_utf8(options.user_data_folder);
    if (!folder || folder->empty() || !done) return false;
    // The browser arguments are for other engines; WebKitGTK takes none.
    gchar* data_dir = g_build_filename(folder->c_str(), "data", nullptr);
    gchar* cache_dir = g_build_filename(folder->c_str(), "cache", nullptr);
    gchar* cookie_file = g_build_filename(folder->c_str(), "data", "cookies.sqlite", nullptr);
    g_mkdir_with_parents(data_dir, 0700);
    g_mkdir_with_parents(cache_dir, 0700);
    WebKitWebsiteDataManager* data = webkit_website_data_manager_new(
        "base-data-directory", data_dir, "base-cache-directory", cache_dir, nullptr);
    std::shared_ptr<WebKitEnvironment> environment;
    if (data != nullptr) {
      webkit_cookie_manager_set_persistent_storage(
          webkit_website_data_manager_get_cookie_manager(data), cookie_file,
          WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
      WebKitWebContext* context = webkit_web_context_new_with_website_data_manager(data);
      g_object_unref(data);
      if (context != nullptr) environment = std::make_shared<WebKitEnvironment>(context);
    }
    g_free(data_dir);
    g_free(cache_dir);
    g_free(cookie_file);
    post_task(
        [done = std::move(done), environment = std::move(environment)] { done(environment); });
    return true;
  }

  std::shared_ptr<WebHostWindow> create_host_window() override {
    return std::make_shared<GtkHostWindow>(parent_);
  }

 private:
  GtkWidget* own_window_ = nullptr;
  GtkFixed* parent_ = nullptr;
};

}  // namespace

WebKitWebContext* webkit_context_of(workspace::WebEnvironment& environment) {
  auto* env = dynamic_cast<WebKitEnvironment*>(&environment);
  return env != nullptr ? env->context() : nullptr;
}

WebKitWebView* webkit_view_of(workspace::WebView& view) {
  auto* v = dynamic_cast<WebKitBrowserView*>(&view);
  return v != nullptr ? v->widget() : nullptr;
}

std::uint32_t virtual_key_of(guint keyval) {
  keyval = gdk_keyval_to_upper(keyval);
  if (keyval >= GDK_KEY_A && keyval <= GDK_KEY_Z) return 'A' + (keyval - GDK_KEY_A);
  if (keyval >= GDK_KEY_0 && keyval <= GDK_KEY_9) return '0' + (keyval - GDK_KEY_0);
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F24) return 0x70 + (keyval - GDK_KEY_F1);
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return 0x60 + (keyval - GDK_KEY_KP_0);
  switch (keyval) {
    case GDK_KEY_BackSpace:
      return 0x08;
    case GDK_KEY_Tab:
    case GDK_KEY_ISO_Left_Tab:
      return 0x09;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
      return 0x0D;
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
      return 0x10;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
      return 0x11;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
      return 0x12;
    case GDK_KEY_Pause:
      return 0x13;
    case GDK_KEY_Escape:
      return 0x1B;
    case GDK_KEY_space:
      return 0x20;
    case GDK_KEY_Page_Up:
      return 0x21;
    case GDK_KEY_Page_Down:
      return 0x22;
    case GDK_KEY_End:
      return 0x23;
    case GDK_KEY_Home:
      return 0x24;
    case GDK_KEY_Left:
      return 0x25;
    case GDK_KEY_Up:
      return 0x26;
    case GDK_KEY_Right:
      return 0x27;
    case GDK_KEY_Down:
      return 0x28;
    case GDK_KEY_Print:
      return 0x2C;
    case GDK_KEY_Insert:
      return 0x2D;
    case GDK_KEY_Delete:
      return 0x2E;
    case GDK_KEY_KP_Multiply:
      return 0x6A;
    case GDK_KEY_KP_Add:
      return 0x6B;
    case GDK_KEY_KP_Subtract:
      return 0x6D;
    case GDK_KEY_KP_Decimal:
      return 0x6E;
    case GDK_KEY_KP_Divide:
      return 0x6F;
    case GDK_KEY_semicolon:
      return 0xBA;
    case GDK_KEY_plus:
    case GDK_KEY_equal:
      return 0xBB;
    case GDK_KEY_comma:
      return 0xBC;
    case GDK_KEY_minus:
      return 0xBD;
    case GDK_KEY_period:
      return 0xBE;
    case GDK_KEY_slash:
      return 0xBF;
    case GDK_KEY_grave:
      return 0xC0;
    default:
      return 0;
  }
}

int web_error_status_of(const GError* error) {
  if (error == nullptr) return web_error::kUnknown;
  if (error->domain == WEBKIT_NETWORK_ERROR) {
    switch (error->code) {
      case WEBKIT_NETWORK_ERROR_CANCELLED:
        return web_error::kOperationCanceled;
      case WEBKIT_NETWORK_ERROR_TRANSPORT:
        return web_error::kCannotConnect;
      default:
        return web_error::kUnexpectedError;
    }
  }
  if (error->domain == WEBKIT_POLICY_ERROR) {
    // A response shown elsewhere (a download) or stopped by a later navigation.
    return error->code == WEBKIT_POLICY_ERROR_FRAME_LOAD_INTERRUPTED_BY_POLICY_CHANGE
               ? web_error::kOperationCanceled
               : web_error::kUnexpectedError;
  }
  if (error->domain == G_IO_ERROR) {
    switch (error->code) {
      case G_IO_ERROR_CANCELLED:
        return web_error::kOperationCanceled;
      case G_IO_ERROR_CONNECTION_REFUSED:
        return web_error::kCannotConnect;
      case G_IO_ERROR_TIMED_OUT:
        return web_error::kTimeout;
      case G_IO_ERROR_HOST_NOT_FOUND:
        return web_error::kHostNameNotResolved;
      case G_IO_ERROR_HOST_UNREACHABLE:
      case G_IO_ERROR_NETWORK_UNREACHABLE:
        return web_error::kServerUnreachable;
      case G_IO_ERROR_CONNECTION_CLOSED:
        return web_error::kConnectionReset;
      case G_IO_ERROR_NOT_CONNECTED:
        return web_error::kDisconnected;
      default:
        return web_error::kUnexpectedError;
    }
  }
  if (error->domain == G_RESOLVER_ERROR) return web_error::kHostNameNotResolved;
  if (error->domain == G_TLS_ERROR) return web_error::kCertificateIsInvalid;
  if (error->domain == SOUP_SESSION_ERROR) return web_error::kErrorHttpInvalidServerResponse;
  return web_error::kUnexpectedError;
}

std::string javascript_string_literal(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string out = "\"";
  for (char16_t c : to_utf16(text)) {
    if (c >= 0x20 && c < 0x7F && c != '"' && c != '\\') {
      out += static_cast<char>(c);
    } else {
      out += "\\u";
      for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(c >> shift) & 0xF];
    }
  }
  out += '"';
  return out;
}

std::unique_ptr<workspace::WebEngine> make_web_engine(void* parent_container) {
  return std::make_unique<WebKitWebEngine>(parent_container != nullptr ? GTK_FIXED(parent_container)
                                                                       : nullptr);
}

}  // namespace vantiro::platform
