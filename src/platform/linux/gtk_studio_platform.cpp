// The log domain that G_MESSAGES_DEBUG names to show the studio's milestones.
#define G_LOG_DOMAIN "Vantiro"

#include "platform/linux/gtk_studio_platform.h"

#include <glib-unix.h>
#include <gtk/gtk.h>
#include <signal.h>
#include <unistd.h>

#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "chrome/painter.h"
#include "common/utf.h"
#include "platform/gtk_host_ports.h"
#include "platform/linux/cairo_canvas.h"
#include "platform/linux/chrome_render.h"
#include "platform/linux/webkit_engine.h"

// The chrome's surface: a windowed GtkFixed that asks for no size of its own, so the window
// can always be made smaller than the web views it currently holds (they follow the window).
G_DECLARE_FINAL_TYPE(VantiroSurface, vantiro_surface, VANTIRO, SURFACE, GtkFixed)

struct _VantiroSurface {
  GtkFixed parent_instance;
};

G_DEFINE_TYPE(VantiroSurface, vantiro_surface, GTK_TYPE_FIXED)

namespace {

void surface_no_size(GtkWidget*, gint* minimum, gint* natural) {
  *minimum = 0;
  *natural = 0;
}

}  // namespace

static void vantiro_surface_class_init(VantiroSurfaceClass* klass) {
  GtkWidgetClass* widget = GTK_WIDGET_CLASS(klass);
  widget->get_preferred_width = surface_no_size;
  widget->get_preferred_height = surface_no_size;
}

static void vantiro_surface_init(VantiroSurface* self) {
  gtk_widget_set_has_window(GTK_WIDGET(self), TRUE);
  gtk_widget_set_can_focus(GTK_WIDGET(self), TRUE);
}

namespace vantiro::platform {

namespace {

constexpr LocalizedText kTextWebEngineFailed{
    u"Webbmotorn kunde inte starta. Vantiro Studio avslutas.",
    u"The web engine could not start. Vantiro Studio will close."};

GdkWindowEdge edge_of(int code) {
  switch (code) {
    case chrome::kHtLeft:
      return GDK_WINDOW_EDGE_WEST;
    case chrome::kHtRight:
      return GDK_WINDOW_EDGE_EAST;
    case chrome::kHtTop:
      return GDK_WINDOW_EDGE_NORTH;
    case chrome::kHtTopLeft:
      return GDK_WINDOW_EDGE_NORTH_WEST;
    case chrome::kHtTopRight:
      return GDK_WINDOW_EDGE_NORTH_EAST;
    case chrome::kHtBottom:
      return GDK_WINDOW_EDGE_SOUTH;
    case chrome::kHtBottomLeft:
      return GDK_WINDOW_EDGE_SOUTH_WEST;
    default:
      return GDK_WINDOW_EDGE_SOUTH_EAST;
  }
}

const char* resize_cursor_name(int code) {
  switch (code) {
    case chrome::kHtLeft:
    case chrome::kHtRight:
      return "ew-resize";
    case chrome::kHtTop:
    case chrome::kHtBottom:
      return "ns-resize";
    case chrome::kHtTopLeft:
    case chrome::kHtBottomRight:
      return "nwse-resize";
    case chrome::kHtTopRight:
    case chrome::kHtBottomLeft:
      return "nesw-resize";
    default:
      return nullptr;
  }
}

app::Modifiers modifiers_of(guint state) {
  return {(state & GDK_CONTROL_MASK) != 0, (state & GDK_MOD1_MASK) != 0,
          (state & GDK_SHIFT_MASK) != 0};
}

// Posted events cross to the UI thread as closures that hand them to the window's core.
class EventPoster final : public app::UiPoster {
 public:
  explicit EventPoster(std::function<void(app::UiEvent&)> deliver)
      : deliver_(std::move(deliver)), poster_(make_ui_poster()) {}
  bool post(app::UiEvent& event) override {
    auto box = std::make_shared<app::UiEvent>(std::move(event));
    if (poster_->post([box, deliver = deliver_] { deliver(*box); })) return true;
    // Refused: the event, and what it owns, goes back to the caller.
    event = std::move(*box);
    return false;
  }
  void withdraw() { poster_->withdraw(); }

 private:
  std::function<void(app::UiEvent&)> deliver_;
  std::shared_ptr<platform::UiPoster> poster_;
};

}  // namespace

struct GtkStudioPlatform::Impl final : update::InstanceLock {
  GtkStudioPlatform& owner;
  std::u16string app_data_folder;
  std::u16string lock_folder;
  std::string fonts_conf;
  app::Studio* studio = nullptr;
  HostFolderPicker* folder_picker = nullptr;

  GtkWidget* window = nullptr;
  GtkWidget* surface = nullptr;
  GtkIMContext* im = nullptr;
  GMainLoop* loop = nullptr;
  std::optional<int> quit_code;
  bool destroying = false;

  std::unique_ptr<SingleInstance> instance;
  std::map<int, guint> timers;
  std::vector<guint> signal_sources;
  std::set<guint16> pressed_keys;
  std::unique_ptr<EventPoster> poster;
  std::unique_ptr<CairoCanvas> canvas;
  GtkSettings* watched_settings = nullptr;  // the display's settings, alive with the display

  // The window's normal rectangle in logical pixels, kept while it is neither maximised nor
  // fullscreen: that is what window.ini remembers.
  GdkRectangle normal{0, 0, 0, 0};
  GdkWindowState state = GdkWindowState(0);
  app::ClientGeometry last_geometry;
  // What the debug log (G_MESSAGES_DEBUG=Vantiro) has said about the frames so far.
  bool first_paint_logged = false;
  bool boot_finished_logged = false;
  std::u16string logged_notice;
  std::u16string logged_version;
  bool logged_update_ready = false;
  bool logged_update_scene = false;

  // The press that a move or resize drag continues.
  guint drag_button = 1;
  double drag_x_root = 0;
  double drag_y_root = 0;
  guint32 drag_time = GDK_CURRENT_TIME;

  explicit Impl(GtkStudioPlatform& o) : owner(o) {}
  ~Impl() override {
    for (guint source : signal_sources) g_source_remove(source);
    for (auto& [id, source] : timers) g_source_remove(source);
    timers.clear();
    if (poster) poster->withdraw();
    if (watched_settings != nullptr) g_signal_handlers_disconnect_by_data(watched_settings, this);
    if (window != nullptr) {
      destroying = true;
      g_signal_handlers_disconnect_by_data(window, this);
      gtk_widget_destroy(window);
      g_object_unref(window);
    }
    if (im != nullptr) g_object_unref(im);
    if (loop != nullptr) g_main_loop_unref(loop);
  }

  app::MainWindow* core() {
    if (studio == nullptr || !studio->runtime().main_window) return nullptr;
    return studio->window();
  }

  int scale() const {
    const int s = surface != nullptr ? gtk_widget_get_scale_factor(surface) : 1;
    return s > 0 ? s : 1;
  }

  bool ensure_widgets() {
    if (window != nullptr) return true;
    if (!ensure_display()) return false;
    window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    g_object_ref_sink(window);
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_title(GTK_WINDOW(window), "Vantiro Studio");
    gtk_widget_set_app_paintable(window, TRUE);
    surface = GTK_WIDGET(g_object_new(vantiro_surface_get_type(), nullptr));
    gtk_container_add(GTK_CONTAINER(window), surface);
    gtk_widget_add_events(surface, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                       GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK |
                                       GDK_SCROLL_MASK | GDK_SMOOTH_SCROLL_MASK |
                                       GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK);
    im = gtk_im_context_simple_new();
    g_signal_connect(im, "commit", G_CALLBACK(&Impl::on_commit), this);
    g_signal_connect(window, "delete-event", G_CALLBACK(&Impl::on_delete), this);
    g_signal_connect(window, "destroy", G_CALLBACK(&Impl::on_destroy), this);
    g_signal_connect(window, "key-press-event", G_CALLBACK(&Impl::on_key_press), this);
    g_signal_connect(window, "key-release-event", G_CALLBACK(&Impl::on_key_release), this);
    g_signal_connect(window, "window-state-event", G_CALLBACK(&Impl::on_window_state), this);
    g_signal_connect(window, "configure-event", G_CALLBACK(&Impl::on_configure), this);
    g_signal_connect(window, "notify::is-active", G_CALLBACK(&Impl::on_active), this);
    g_signal_connect(surface, "draw", G_CALLBACK(&Impl::on_draw), this);
    g_signal_connect(surface, "size-allocate", G_CALLBACK(&Impl::on_size_allocate), this);
    g_signal_connect(surface, "button-press-event", G_CALLBACK(&Impl::on_button_press), this);
    g_signal_connect(surface, "button-release-event", G_CALLBACK(&Impl::on_button_release), this);
    g_signal_connect(surface, "motion-notify-event", G_CALLBACK(&Impl::on_motion), this);
    g_signal_connect(surface, "leave-notify-event", G_CALLBACK(&Impl::on_leave), this);
    g_signal_connect(surface, "scroll-event", G_CALLBACK(&Impl::on_scroll), this);
    g_signal_connect(surface, "focus-in-event", G_CALLBACK(&Impl::on_focus_in), this);
    watched_settings = gtk_settings_get_default();
    if (watched_settings != nullptr)
      g_signal_connect(watched_settings, "notify::gtk-enable-animations",
                       G_CALLBACK(&Impl::on_animations_setting), this);
    return true;
  }

  app::ClientGeometry geometry() {
    app::ClientGeometry g;
    const int s = scale();
    if (surface != nullptr) {
      g.width_px = gtk_widget_get_allocated_width(surface) * s;
      g.height_px = gtk_widget_get_allocated_height(surface) * s;
    }
    g.dpi = 96 * s;
    g.maximized = (state & GDK_WINDOW_STATE_MAXIMIZED) != 0;
    g.minimized = (state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    return g;
  }

  void geometry_changed() {
    const app::ClientGeometry g = geometry();
    if (g.width_px == last_geometry.width_px && g.height_px == last_geometry.height_px &&
        g.dpi == last_geometry.dpi && g.maximized == last_geometry.maximized &&
        g.minimized == last_geometry.minimized)
      return;
    const bool dpi_changed = g.dpi != last_geometry.dpi;
    last_geometry = g;
    if (dpi_changed) apply_minimum_size();
    if (app::MainWindow* w = core()) w->on_size(g);
  }

  void apply_minimum_size() {
    if (window == nullptr) return;
    const int s = scale();
    std::optional<ScreenRect> work;
    if (GdkWindow* gw = gtk_widget_get_window(window)) {
      GdkMonitor* m = gdk_display_get_monitor_at_window(gdk_window_get_display(gw), gw);
      if (m != nullptr) {
        GdkRectangle r;
        gdk_monitor_get_workarea(m, &r);
        work = ScreenRect{r.x * s, r.y * s, (r.x + r.width) * s, (r.y + r.height) * s};
      }
    }
    const WindowSize min = minimum_window_size(static_cast<std::uint32_t>(96 * s), work);
    GdkGeometry hints{};
    hints.min_width = min.width / s;
    hints.min_height = min.height / s;
    gtk_window_set_geometry_hints(GTK_WINDOW(window), nullptr, &hints, GDK_HINT_MIN_SIZE);
  }

  // Milestones for start-up timing and for tests that watch the studio from outside; silent
  // unless GLib's debug output is switched on for the log domain.
  void trace_frame(const chrome::ChromeState& chrome_state) {
    if (!first_paint_logged) {
      first_paint_logged = true;
      g_debug("first chrome paint");
    }
    if (!boot_finished_logged && !chrome_state.startup_scene) {
      boot_finished_logged = true;
      g_debug("boot finished");
    }
    if (chrome_state.notice_text != logged_notice) {
      logged_notice = chrome_state.notice_text;
      if (!logged_notice.empty())
        g_debug("notice (%s): %s", chrome_state.notice_success ? "success" : "failure",
                to_utf8(logged_notice).c_str());
    }
    // The outcome of an update check: a newer version known, and whether it is staged.
    if (chrome_state.available_version != logged_version ||
        chrome_state.update_ready != logged_update_ready) {
      logged_version = chrome_state.available_version;
      logged_update_ready = chrome_state.update_ready;
      if (!logged_version.empty())
        g_debug("update %s: %s", logged_update_ready ? "staged" : "available",
                to_utf8(logged_version).c_str());
    }
    if (chrome_state.update_scene != logged_update_scene) {
      logged_update_scene = chrome_state.update_scene;
      g_debug("update scene %s", logged_update_scene ? "shown" : "hidden");
    }
  }

  void remember_press(const GdkEventButton* e) {
    drag_button = e->button;
    drag_x_root = e->x_root;
    drag_y_root = e->y_root;
    drag_time = e->time;
  }

  // --- signals ---
  static gboolean on_delete(GtkWidget*, GdkEvent*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    if (app::MainWindow* w = self->core()) w->on_close_request();
    return TRUE;  // the core decides; it destroys the window when it closes
  }

  static void on_destroy(GtkWidget*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    for (auto& [id, source] : self->timers) g_source_remove(source);
    self->timers.clear();
    if (self->destroying) return;
    self->destroying = true;
    if (self->studio != nullptr && self->studio->window() && self->studio->runtime().main_window)
      self->studio->window()->on_destroyed();
    // Results still queued for the window are dropped now, and what they own with them.
    if (self->poster) self->poster->withdraw();
  }

  static gboolean on_draw(GtkWidget* widget, cairo_t* cr, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) {
      cairo_set_source_rgb(cr, 9 / 255.0, 15 / 255.0, 24 / 255.0);
      cairo_paint(cr);
      return FALSE;
    }
    if (!gtk_cairo_should_draw_window(cr, gtk_widget_get_window(widget))) return FALSE;
    // One canvas for the window's life: its shaped text, glows and backdrops carry over from
    // frame to frame.
    if (self->canvas)
      self->canvas->retarget(cr);
    else
      self->canvas = std::make_unique<CairoCanvas>(cr);
    chrome::paint_chrome(*self->canvas, w->layout(), w->chrome_state());
    self->trace_frame(w->chrome_state());
    return FALSE;  // the web views draw over it
  }

  static void on_size_allocate(GtkWidget*, GdkRectangle*, gpointer data) {
    static_cast<Impl*>(data)->geometry_changed();
  }

  static gboolean on_window_state(GtkWidget*, GdkEventWindowState* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    self->state = e->new_window_state;
    self->geometry_changed();
    return FALSE;
  }

  static gboolean on_configure(GtkWidget* widget, GdkEventConfigure*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    constexpr int kNotNormal =
        GDK_WINDOW_STATE_MAXIMIZED | GDK_WINDOW_STATE_FULLSCREEN | GDK_WINDOW_STATE_ICONIFIED;
    if ((self->state & kNotNormal) == 0) {
      gtk_window_get_position(GTK_WINDOW(widget), &self->normal.x, &self->normal.y);
      gtk_window_get_size(GTK_WINDOW(widget), &self->normal.width, &self->normal.height);
    }
    return FALSE;
  }

  static void on_active(GObject*, GParamSpec*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) return;
    const bool active = gtk_window_is_active(GTK_WINDOW(self->window)) != FALSE;
    w->on_activation(active);
    if (active) w->on_focus();
  }

  // The desktop's animation switch changed: the motion state follows it.
  static void on_animations_setting(GObject* settings, GParamSpec*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    gboolean enabled = TRUE;
    g_object_get(settings, "gtk-enable-animations", &enabled, nullptr);
    if (app::MainWindow* w = self->core()) w->on_system_animations(enabled != FALSE);
  }

  static gboolean on_focus_in(GtkWidget*, GdkEventFocus*, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    gtk_im_context_focus_in(self->im);
    return FALSE;
  }

  static gboolean on_button_press(GtkWidget* widget, GdkEventButton* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) return FALSE;
    const auto x = static_cast<float>(e->x);
    const auto y = static_cast<float>(e->y);
    if (e->type == GDK_2BUTTON_PRESS) {
      if (e->button == 1) w->on_double_click(x, y);
      return TRUE;
    }
    if (e->type != GDK_BUTTON_PRESS) return TRUE;
    if (!gtk_widget_has_focus(widget) && !self->view_has_focus()) gtk_widget_grab_focus(widget);
    self->remember_press(e);
    if (e->button == 1) w->on_left_down(x, y, modifiers_of(e->state));
    return TRUE;
  }

  static gboolean on_button_release(GtkWidget*, GdkEventButton* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) return FALSE;
    const auto x = static_cast<float>(e->x);
    const auto y = static_cast<float>(e->y);
    if (e->button == 1) w->on_left_up(x, y, modifiers_of(e->state));
    if (e->button == 2) w->on_middle_up(x, y);
    return TRUE;
  }

  static gboolean on_motion(GtkWidget* widget, GdkEventMotion* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) return FALSE;
    const auto x = static_cast<float>(e->x);
    const auto y = static_cast<float>(e->y);
    w->on_mouse_move(x, y);
    // Windows shows the resize arrows over the frame itself; here the host does it.
    if (const char* name = resize_cursor_name(w->native_hit_test_at(x, y))) {
      GdkCursor* c = gdk_cursor_new_from_name(gtk_widget_get_display(widget), name);
      gdk_window_set_cursor(gtk_widget_get_window(widget), c);
      if (c != nullptr) g_object_unref(c);
    }
    return TRUE;
  }

  static gboolean on_leave(GtkWidget*, GdkEventCrossing* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    // Crossing into a web view or a child is not leaving the window.
    if (e->detail == GDK_NOTIFY_INFERIOR) return FALSE;
    if (app::MainWindow* w = self->core()) w->on_mouse_leave();
    return FALSE;
  }

  static gboolean on_scroll(GtkWidget*, GdkEventScroll* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr) return FALSE;
    int delta = 0;
    if (e->direction == GDK_SCROLL_UP) delta = 120;
    if (e->direction == GDK_SCROLL_DOWN) delta = -120;
    if (e->direction == GDK_SCROLL_SMOOTH) delta = static_cast<int>(std::lround(-e->delta_y * 120));
    if (delta != 0) w->on_wheel(static_cast<float>(e->x), static_cast<float>(e->y), delta);
    return TRUE;
  }

  bool view_has_focus() const {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
    return focus != nullptr && focus != surface && gtk_widget_is_ancestor(focus, surface);
  }

  static gboolean on_key_press(GtkWidget*, GdkEventKey* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    // A page's keys reach the page; its view reports the studio's shortcuts itself.
    if (w == nullptr || self->view_has_focus()) return FALSE;
    const bool repeat = !self->pressed_keys.insert(e->hardware_keycode).second;
    const std::uint32_t vk = virtual_key_of(e->keyval);
    const app::Modifiers mods = modifiers_of(e->state);
    if (vk != 0 && w->on_key_down(vk, mods, repeat, mods.alt)) return TRUE;
    // Text for the palette; the input method composes it.
    if (self->studio->runtime().palette.palette_open && !mods.ctrl && !mods.alt &&
        gtk_im_context_filter_keypress(self->im, e))
      return TRUE;
    return vk != 0 && self->studio->runtime().palette.palette_open;
  }

  static gboolean on_key_release(GtkWidget*, GdkEventKey* e, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    self->pressed_keys.erase(e->hardware_keycode);
    app::MainWindow* w = self->core();
    if (w == nullptr || self->view_has_focus()) return FALSE;
    if (self->studio->runtime().palette.palette_open) gtk_im_context_filter_keypress(self->im, e);
    w->on_key_up(virtual_key_of(e->keyval));
    return FALSE;
  }

  static void on_commit(GtkIMContext*, const char* text, gpointer data) {
    auto* self = static_cast<Impl*>(data);
    app::MainWindow* w = self->core();
    if (w == nullptr || text == nullptr) return;
    for (char16_t unit : to_utf16(text)) w->on_char(unit);
  }

  static gboolean on_timer(gpointer data);

  // A logout or a kill asks the studio to end: it closes as the window would, without asking.
  static gboolean on_terminate(gpointer data) {
    auto* self = static_cast<Impl*>(data);
    if (app::MainWindow* w = self->core())
      w->on_end_session();
    else if (self->loop != nullptr)
      self->owner.quit(app::kExitFailure);
    return G_SOURCE_CONTINUE;
  }

  // --- update::InstanceLock: the lock travels to the program an update starts ---
  void release() override { instance.reset(); }
  bool reacquire() override {
    instance = make_lock();
    return instance && instance->try_acquire() == SingleInstance::Acquire::acquired;
  }

  std::unique_ptr<SingleInstance> make_lock() const {
    if (!lock_folder.empty()) return make_single_instance(lock_folder, kSingleInstanceName);
    return make_session_single_instance(app_data_folder);
  }
};

namespace {

struct TimerTag {
  GtkStudioPlatform::Impl* impl;
  int id;
};

}  // namespace

gboolean GtkStudioPlatform::Impl::on_timer(gpointer data) {
  auto* tag = static_cast<TimerTag*>(data);
  Impl* self = tag->impl;
  const int id = tag->id;
  if (app::MainWindow* w = self->core()) w->on_timer(static_cast<app::TimerId>(id));
  // The handler may have stopped or re-armed this timer; its source id tells which.
  return G_SOURCE_CONTINUE;
}

GtkStudioPlatform::GtkStudioPlatform(std::u16string app_data_folder, std::string fonts_conf,
                                     std::u16string lock_folder)
    : impl_(std::make_unique<Impl>(*this)) {
  impl_->app_data_folder = std::move(app_data_folder);
  impl_->lock_folder = std::move(lock_folder);
  impl_->fonts_conf = std::move(fonts_conf);
  impl_->loop = g_main_loop_new(nullptr, FALSE);
  for (int sig : {SIGTERM, SIGINT, SIGHUP})
    impl_->signal_sources.push_back(g_unix_signal_add(sig, &Impl::on_terminate, impl_.get()));
}

GtkStudioPlatform::~GtkStudioPlatform() = default;

void GtkStudioPlatform::attach(app::Studio& studio) {
  impl_->studio = &studio;
  impl_->poster = std::make_unique<EventPoster>([impl = impl_.get()](app::UiEvent& e) {
    if (app::MainWindow* w = impl->core()) w->on_event(e);
  });
}

void GtkStudioPlatform::set_folder_picker(HostFolderPicker* picker) {
  impl_->folder_picker = picker;
}

void* GtkStudioPlatform::view_container() {
  return impl_->ensure_widgets() ? impl_->surface : nullptr;
}

void* GtkStudioPlatform::native_window() {
  return impl_->window;
}

void GtkStudioPlatform::set_app_user_model_id() {
  // The desktop groups windows by the program's class; GTK sets it from the program name.
  g_set_prgname("vantiro");
}

app::InstanceLock GtkStudioPlatform::acquire_single_instance() {
  impl_->instance = impl_->make_lock();
  if (!impl_->instance) return app::InstanceLock::failed;
  switch (impl_->instance->try_acquire()) {
    case SingleInstance::Acquire::acquired:
      impl_->instance->set_activation_handler([impl = impl_.get()] {
        if (impl->window == nullptr) return;
        gtk_window_deiconify(GTK_WINDOW(impl->window));
        gtk_window_present(GTK_WINDOW(impl->window));
      });
      return app::InstanceLock::acquired;
    case SingleInstance::Acquire::already_running:
      return app::InstanceLock::already_running;
    case SingleInstance::Acquire::failed:
      break;
  }
  return app::InstanceLock::failed;
}

void GtkStudioPlatform::activate_running_window() {
  if (impl_->instance) impl_->instance->request_activation();
}

void GtkStudioPlatform::release_single_instance() {
  impl_->instance.reset();
}

update::InstanceLock& GtkStudioPlatform::instance_lock() {
  return *impl_;
}

void GtkStudioPlatform::show_message(std::u16string_view text, bool error) {
  if (!show_message_box(error ? MessageBoxKind::error : MessageBoxKind::information, text))
    g_printerr("Vantiro Studio: %s\n", to_utf8(text).c_str());
}

std::optional<bool> GtkStudioPlatform::read_system_animations() {
  if (!ensure_display()) return std::nullopt;
  GtkSettings* settings = gtk_settings_get_default();
  if (settings == nullptr) return std::nullopt;
  gboolean enabled = TRUE;
  g_object_get(settings, "gtk-enable-animations", &enabled, nullptr);
  return enabled != FALSE;
}

std::optional<std::uint64_t> GtkStudioPlatform::total_memory_bytes() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long size = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || size <= 0) return std::nullopt;
  return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

std::uint32_t GtkStudioPlatform::logical_processors() {
  const long n = sysconf(_SC_NPROCESSORS_ONLN);
  return n > 0 ? static_cast<std::uint32_t>(n) : 0;
}

bool GtkStudioPlatform::create_window(const WindowPlacement& placement, bool visual_check) {
  if (!impl_->ensure_widgets()) return false;
  GtkWindow* win = GTK_WINDOW(impl_->window);
  // The window is not realised yet: its scale is the one of the monitor it will open on.
  int s = 1;
  if (GdkDisplay* d = gdk_display_get_default()) {
    GdkMonitor* m = gdk_display_get_monitor_at_point(d, placement.x, placement.y);
    if (m != nullptr) s = std::max(1, gdk_monitor_get_scale_factor(m));
  }
  if (visual_check) {
    gtk_window_move(win, 40, 40);
    gtk_window_set_default_size(win, 1440 / s, 900 / s);
  } else {
    gtk_window_move(win, placement.x / s, placement.y / s);
    gtk_window_set_default_size(win, std::max(1, placement.w / s), std::max(1, placement.h / s));
  }
  impl_->normal = {placement.x / s, placement.y / s, placement.w / s, placement.h / s};
  gtk_widget_realize(impl_->window);
  gtk_im_context_set_client_window(impl_->im, gtk_widget_get_window(impl_->surface));
  impl_->apply_minimum_size();
  if (impl_->folder_picker != nullptr) impl_->folder_picker->set_owner({impl_->window});
  if (visual_check) gtk_widget_show_all(impl_->window);
  return true;
}

bool GtkStudioPlatform::init_graphics() {
  // Without the aliases the chrome still draws, with whatever fonts the system picks.
  if (!impl_->fonts_conf.empty() && !load_font_aliases(impl_->fonts_conf))
    g_warning("font aliases not loaded from %s", impl_->fonts_conf.c_str());
  cairo_surface_t* probe = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  const bool ok = cairo_surface_status(probe) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(probe);
  return ok;
}

void GtkStudioPlatform::create_tooltip() {
  // GTK's own tooltip on the chrome surface: it follows set_tooltip.
}

void GtkStudioPlatform::apply_frame_attributes() {
  // GTK draws no frame of its own around an undecorated window; nothing to set.
}

void GtkStudioPlatform::show_window(bool maximized, bool) {
  if (impl_->window == nullptr) return;
  gtk_widget_show_all(impl_->window);
  if (maximized) gtk_window_maximize(GTK_WINDOW(impl_->window));
  impl_->geometry_changed();
}

app::ClientGeometry GtkStudioPlatform::client_geometry() {
  return impl_->geometry();
}

void GtkStudioPlatform::paint_now() {
  repaint();
}

void GtkStudioPlatform::destroy_window() {
  if (impl_->window == nullptr) return;
  GtkWidget* w = impl_->window;
  impl_->window = nullptr;
  gtk_widget_destroy(w);
  impl_->surface = nullptr;
  g_object_unref(w);
}

app::UiPoster& GtkStudioPlatform::poster() {
  return *impl_->poster;
}

int GtkStudioPlatform::run_message_loop() {
  if (!impl_->quit_code) g_main_loop_run(impl_->loop);
  return impl_->quit_code.value_or(app::kExitSuccess);
}

void GtkStudioPlatform::quit(int exit_code) {
  if (!impl_->quit_code) impl_->quit_code = exit_code;
  g_main_loop_quit(impl_->loop);
}

void GtkStudioPlatform::repaint() {
  if (impl_->surface != nullptr) gtk_widget_queue_draw(impl_->surface);
}

void GtkStudioPlatform::set_title(std::u16string_view title) {
  if (impl_->window != nullptr)
    gtk_window_set_title(GTK_WINDOW(impl_->window), to_utf8(title).c_str());
}

void GtkStudioPlatform::set_cursor(chrome::CursorKind cursor) {
  if (impl_->surface == nullptr) return;
  GdkWindow* gw = gtk_widget_get_window(impl_->surface);
  if (gw == nullptr) return;
  GdkCursor* c = cursor == chrome::CursorKind::hand
                     ? gdk_cursor_new_from_name(gdk_window_get_display(gw), "pointer")
                     : nullptr;
  gdk_window_set_cursor(gw, c);
  if (c != nullptr) g_object_unref(c);
}

void GtkStudioPlatform::set_tooltip(std::u16string_view text) {
  if (impl_->surface == nullptr) return;
  if (text.empty()) {
    gtk_widget_set_has_tooltip(impl_->surface, FALSE);
    return;
  }
  gtk_widget_set_tooltip_text(impl_->surface, to_utf8(text).c_str());
}

bool GtkStudioPlatform::start_timer(app::TimerId id, std::uint64_t interval_ms) {
  stop_timer(id);
  if (interval_ms > G_MAXUINT) return false;
  auto* tag = new TimerTag{impl_.get(), static_cast<int>(id)};
  const guint source =
      g_timeout_add_full(G_PRIORITY_DEFAULT, static_cast<guint>(interval_ms), &Impl::on_timer, tag,
                         [](gpointer data) { delete static_cast<TimerTag*>(data); });
  if (source == 0) return false;
  impl_->timers[static_cast<int>(id)] = source;
  return true;
}

void GtkStudioPlatform::stop_timer(app::TimerId id) {
  auto it = impl_->timers.find(static_cast<int>(id));
  if (it == impl_->timers.end()) return;
  g_source_remove(it->second);
  impl_->timers.erase(it);
}

void GtkStudioPlatform::begin_move_drag() {
  if (impl_->window == nullptr) return;
  gtk_window_begin_move_drag(GTK_WINDOW(impl_->window), static_cast<gint>(impl_->drag_button),
                             static_cast<gint>(impl_->drag_x_root),
                             static_cast<gint>(impl_->drag_y_root), impl_->drag_time);
}

void GtkStudioPlatform::begin_resize_drag(int hit_test_code) {
  if (impl_->window == nullptr) return;
  gtk_window_begin_resize_drag(GTK_WINDOW(impl_->window), edge_of(hit_test_code),
                               static_cast<gint>(impl_->drag_button),
                               static_cast<gint>(impl_->drag_x_root),
                               static_cast<gint>(impl_->drag_y_root), impl_->drag_time);
}

void GtkStudioPlatform::toggle_maximize() {
  if (impl_->window == nullptr) return;
  if (impl_->state & GDK_WINDOW_STATE_MAXIMIZED)
    gtk_window_unmaximize(GTK_WINDOW(impl_->window));
  else
    gtk_window_maximize(GTK_WINDOW(impl_->window));
}

void GtkStudioPlatform::minimize() {
  if (impl_->window != nullptr) gtk_window_iconify(GTK_WINDOW(impl_->window));
}

std::optional<WindowPlacement> GtkStudioPlatform::read_placement() {
  if (impl_->window == nullptr || impl_->normal.width <= 0 || impl_->normal.height <= 0)
    return std::nullopt;
  const int s = impl_->scale();
  const GdkRectangle& n = impl_->normal;
  return WindowPlacement{n.x * s, n.y * s, n.width * s, n.height * s,
                         (impl_->state & GDK_WINDOW_STATE_MAXIMIZED) != 0};
}

bool GtkStudioPlatform::cover_monitor() {
  if (impl_->window == nullptr) return false;
  gtk_window_fullscreen(GTK_WINDOW(impl_->window));
  return true;
}

void GtkStudioPlatform::restore_placement(const WindowPlacement& placement) {
  if (impl_->window == nullptr) return;
  GtkWindow* win = GTK_WINDOW(impl_->window);
  gtk_window_unfullscreen(win);
  const int s = impl_->scale();
  if (placement.maximized) {
    gtk_window_maximize(win);
  } else {
    gtk_window_move(win, placement.x / s, placement.y / s);
    gtk_window_resize(win, std::max(1, placement.w / s), std::max(1, placement.h / s));
  }
}

void GtkStudioPlatform::focus_main_window() {
  if (impl_->surface != nullptr) gtk_widget_grab_focus(impl_->surface);
}

bool GtkStudioPlatform::ask_yes_no(std::u16string_view caption, std::u16string_view text) {
  if (!ensure_display()) return false;
  GtkWidget* dialog = gtk_message_dialog_new(
      impl_->window != nullptr ? GTK_WINDOW(impl_->window) : nullptr, GTK_DIALOG_MODAL,
      GTK_MESSAGE_QUESTION, GTK_BUTTONS_YES_NO, "%s", to_utf8(text).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), to_utf8(caption).c_str());
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  return response == GTK_RESPONSE_YES;
}

bool GtkStudioPlatform::ask_to_install_web_runtime(bool ui_swedish) {
  // WebKitGTK comes with the system's packages; there is nothing to download.
  show_message(kTextWebEngineFailed.pick(ui_swedish), true);
  return false;
}

void GtkStudioPlatform::open_web_runtime_download_page() {}

app::Modifiers GtkStudioPlatform::keyboard_modifiers() {
  GdkDisplay* d = gdk_display_get_default();
  if (d == nullptr) return {};
  return modifiers_of(gdk_keymap_get_modifier_state(gdk_keymap_get_for_display(d)));
}

}  // namespace vantiro::platform
