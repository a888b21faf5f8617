#include "platform/linux/gtk_studio_platform.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <signal.h>

#include <filesystem>
#include <functional>
#include <string>

#include "app/fake_studio_ports.h"
#include "common/utf.h"
#include "platform/linux/gtk_test_support.h"

namespace vantiro::platform {
namespace {

using app::testing::kWindowIni;

// The whole studio over the real GTK host, with every other port faked. The test's steps run
// on the main loop once the window is shown; the studio then runs until its window closes.
class GtkStudioTest : public ::testing::Test, public app::testing::FakeStudioPorts {
 protected:
  void SetUp() override {
    lock_dir = std::filesystem::temp_directory_path() /
               ("vantiro-gtk-studio-" + std::to_string(getpid()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(lock_dir);
    host = std::make_unique<GtkStudioPlatform>(u"/nonexistent", "", lock_dir.u16string());
    studio = std::make_unique<app::Studio>(ports(*host), facts());
    host->attach(*studio);
  }
  void TearDown() override {
    studio.reset();
    host.reset();
    gtk_tests::drain_loop();
    std::filesystem::remove_all(lock_dir);
  }

  // Runs the studio; steps run once on the loop after start-up, and the window is closed after
  // them unless they closed it. A guard ends a run that hangs.
  int run(std::vector<std::u16string> args = {u"--skip-welcome", u"--lang=en"}) {
    args.insert(args.begin(), u"vantiro");
    const guint step = g_idle_add(
        [](gpointer data) {
          auto* self = static_cast<GtkStudioTest*>(data);
          if (self->steps) self->steps();
          if (self->studio->runtime().main_window && self->close_after_steps)
            self->window().on_close_request();
          return G_SOURCE_REMOVE;
        },
        this);
    const guint guard = g_timeout_add(
        20000,
        [](gpointer data) {
          auto* self = static_cast<GtkStudioTest*>(data);
          self->timed_out = true;
          self->host->quit(99);
          return G_SOURCE_REMOVE;
        },
        this);
    const int code = studio->run(
        args, [](std::u16string_view p) { return std::optional<std::u16string>(p); },
        [](std::uint64_t) {});
    if (!timed_out) g_source_remove(guard);
    (void)step;
    return code;
  }

  app::MainWindow& window() { return *studio->window(); }
  GtkWindow* toplevel() { return GTK_WINDOW(host->native_window()); }

  void key(guint keyval, GdkModifierType state = GdkModifierType(0)) {
    GdkKeymapKey* keys = nullptr;
    gint n = 0;
    GdkDisplay* display = gdk_display_get_default();
    gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &n);
    for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
      GdkEvent* e = gdk_event_new(type);
      e->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(toplevel()))));
      e->key.send_event = TRUE;
      e->key.time = GDK_CURRENT_TIME;
      e->key.keyval = keyval;
      e->key.state = state;
      e->key.hardware_keycode = n > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
      gdk_event_set_device(e, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
      gtk_main_do_event(e);
      gdk_event_free(e);
    }
    g_free(keys);
    gtk_tests::drain_loop();
  }

  std::filesystem::path lock_dir;
  std::unique_ptr<GtkStudioPlatform> host;
  std::unique_ptr<app::Studio> studio;
  std::function<void()> steps;
  bool close_after_steps = true;
  bool timed_out = false;
};

TEST_F(GtkStudioTest, ShowsAnUndecoratedWindowAndPostedResultsReachTheCore) {
  VANTIRO_REQUIRE_DISPLAY();
  steps = [&] {
    ASSERT_TRUE(gtk_widget_get_visible(GTK_WIDGET(toplevel())));
    EXPECT_FALSE(gtk_window_get_decorated(toplevel())) << "the chrome draws its own frame";
    EXPECT_EQ(std::string(gtk_window_get_title(toplevel())), "Ped Editor — Vantiro");
    const app::ClientGeometry g = host->client_geometry();
    EXPECT_GT(g.width_px, 0);
    EXPECT_EQ(g.dpi % 96, 0);
    // A worker's post arrives on the loop and is handled there, not inside the post.
    const std::int32_t tab = window().tabs().active_tab()->id;
    EXPECT_TRUE(
        studio->runtime().shared_main_window->post(app::UiEvent{app::TabViewFailedEvent{tab}}));
    EXPECT_FALSE(window().tabs().active_tab()->crashed);
    ASSERT_TRUE(
        gtk_tests::run_loop_until([&] { return window().tabs().active_tab()->crashed; }, 5000));
  };
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(timed_out);
  EXPECT_TRUE(fs.exists(kWindowIni)) << "closing keeps the placement";
}

TEST_F(GtkStudioTest, ResultsStillQueuedWhenTheWindowGoesAreFreedWithWhatTheyOwn) {
  VANTIRO_REQUIRE_DISPLAY();
  const Path download = app::testing::kExe.parent_path() / "Vantiro-update-{X}.tmp";
  close_after_steps = false;
  steps = [&] {
    update_files->files[download] = "downloaded release";
    auto record = std::make_unique<update::UpdateCheckResult>();
    record->staged = std::make_unique<update::StagedUpdate>(*update_files, u"1.9.10",
                                                            std::string(64, 'a'), 18, download);
    ASSERT_TRUE(app::post_to_main_window(*studio->runtime().shared_main_window,
                                         update::UpdatePostKind::check_finished, record));
    // The window closes before the loop gets to the result.
    window().on_close_request();
  };
  EXPECT_EQ(run(), 0);
  EXPECT_EQ(update_files->files.count(download), 0u) << "the staged download was deleted";
}

TEST_F(GtkStudioTest, KeysReachTheShortcutsAndThePalettesText) {
  VANTIRO_REQUIRE_DISPLAY();
  fs.add_file(app::testing::kSettings, "[settings]\nschema=1\nconfirm_close_tabs=0\n");
  steps = [&] {
    window().focus_main_window();
    gtk_tests::drain_loop();
    key(GDK_KEY_t, GDK_CONTROL_MASK);
    EXPECT_EQ(window().tabs().tabs().size(), 2u) << "Ctrl+T";
    key(GDK_KEY_k, GDK_CONTROL_MASK);
    ASSERT_TRUE(studio->runtime().palette.palette_open) << "Ctrl+K";
    key(GDK_KEY_f);
    key(GDK_KEY_odiaeresis);
    EXPECT_EQ(to_utf8(studio->runtime().palette.query), "fö");
    key(GDK_KEY_BackSpace);
    EXPECT_EQ(to_utf8(studio->runtime().palette.query), "f");
    key(GDK_KEY_Escape);
    EXPECT_FALSE(studio->runtime().palette.palette_open);
  };
  EXPECT_EQ(run(), 0);
}

TEST_F(GtkStudioTest, AnAnimationSettlesAndReleasesItsTimer) {
  VANTIRO_REQUIRE_DISPLAY();
  steps = [&] {
    // Only a launcher: nothing waits for a page, so nothing needs frames once it settles.
    window().tabs().open_tab(u"", true, 2000);
    window().tabs().close_tab(0, 2000);
    ASSERT_TRUE(
        gtk_tests::run_loop_until([&] { return !window().animation_timer_running(); }, 5000));
    window().set_palette_open(true);
    EXPECT_TRUE(window().animation_timer_running()) << "the palette fades in";
    EXPECT_TRUE(
        gtk_tests::run_loop_until([&] { return !window().animation_timer_running(); }, 5000))
        << "idle means idle: no frames once everything settled";
    EXPECT_FLOAT_EQ(window().chrome_state().palette_progress, 1.0f);
  };
  EXPECT_EQ(run(), 0);
}

TEST_F(GtkStudioTest, TheDesktopsAnimationSwitchReachesTheMotionState) {
  VANTIRO_REQUIRE_DISPLAY();
  GtkSettings* settings = gtk_settings_get_default();
  gboolean before = TRUE;
  g_object_get(settings, "gtk-enable-animations", &before, nullptr);
  steps = [&] {
    g_object_set(settings, "gtk-enable-animations", TRUE, nullptr);
    gtk_tests::drain_loop();
    EXPECT_FALSE(studio->runtime().reduced_motion);
    g_object_set(settings, "gtk-enable-animations", FALSE, nullptr);
    gtk_tests::drain_loop();
    EXPECT_TRUE(studio->runtime().reduced_motion) << "the setting follows the desktop";
  };
  EXPECT_EQ(run(), 0);
  g_object_set(settings, "gtk-enable-animations", before, nullptr);
}

TEST_F(GtkStudioTest, TheWindowShrinksBelowTheWebViewsItHolds) {
  VANTIRO_REQUIRE_DISPLAY();
  steps = [&] {
    GtkWidget* view = gtk_drawing_area_new();
    gtk_widget_set_size_request(view, 1200, 700);
    gtk_fixed_put(GTK_FIXED(host->view_container()), view, 60, 80);
    gtk_widget_show(view);
    gtk_window_resize(toplevel(), 1000, 660);
    const bool shrunk = gtk_tests::run_loop_until(
        [&] {
          int w = 0, h = 0;
          gtk_window_get_size(toplevel(), &w, &h);
          return w == 1000 && h == 660;
        },
        5000);
    EXPECT_TRUE(shrunk) << "the view's size must not hold the window open";
  };
  EXPECT_EQ(run(), 0);
}

TEST_F(GtkStudioTest, ATerminationSignalClosesLikeTheWindowWithoutAsking) {
  VANTIRO_REQUIRE_DISPLAY();
  close_after_steps = false;
  steps = [&] {
    window().tabs().open_tab(u"", true, 2000);
    ASSERT_EQ(window().tabs().tabs().size(), 2u);
    raise(SIGTERM);
  };
  EXPECT_EQ(run(), 0);
  EXPECT_FALSE(timed_out);
  EXPECT_TRUE(fs.exists(kWindowIni));
}

TEST_F(GtkStudioTest, ClosingWithTwoTabsAsksAndNoKeepsTheWindow) {
  VANTIRO_REQUIRE_DISPLAY();
  close_after_steps = false;
  steps = [&] {
    window().tabs().open_tab(u"", true, 2000);
    std::string asked;
    int default_response = 0;
    {
      gtk_tests::DialogDriver no(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
        asked = gtk_window_get_title(GTK_WINDOW(dialog));
        GtkWidget* yes = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
        default_response = yes != nullptr && gtk_widget_has_default(yes) ? 1 : 2;
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_NO);
      });
      window().on_close_request();
      EXPECT_TRUE(no.acted());
    }
    EXPECT_EQ(asked, "Vantiro Studio");
    EXPECT_EQ(default_response, 2) << "No is the default button";
    EXPECT_TRUE(studio->runtime().main_window) << "No keeps the window";
    gtk_tests::DialogDriver yes(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* dialog) {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_YES);
    });
    window().on_close_request();
    EXPECT_FALSE(studio->runtime().main_window);
  };
  EXPECT_EQ(run(), 0);
}

}  // namespace
}  // namespace vantiro::platform
