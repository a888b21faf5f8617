#include <gtest/gtest.h>

#include <string>

#include "common/utf.h"
#include "platform/gtk_host_ports.h"
#include "platform/linux/gtk_test_support.h"

namespace vantiro::platform {
namespace {

using gtk_tests::DialogDriver;

TEST(GtkMessageBox, ShowsCaptionTextAndKindAndReturnsOnTheAnswer) {
  VANTIRO_REQUIRE_DISPLAY();
  struct Case {
    MessageBoxKind kind;
    std::u16string_view text;
    GtkMessageType type;
  };
  const Case cases[] = {
      {MessageBoxKind::information, u"Stäng Vantiro innan du avinstallerar.", GTK_MESSAGE_INFO},
      {MessageBoxKind::error, u"Vantiro could not be fully uninstalled. Try again.",
       GTK_MESSAGE_ERROR},
  };
  for (const auto& c : cases) {
    const std::string text = to_utf8(c.text);
    std::string title, shown;
    GtkMessageType type = GTK_MESSAGE_OTHER;
    DialogDriver driver(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* d) {
      title = gtk_window_get_title(GTK_WINDOW(d));
      gchar* t = nullptr;
      g_object_get(d, "text", &t, "message-type", &type, nullptr);
      shown = t != nullptr ? t : "";
      g_free(t);
      gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_OK);
    });
    EXPECT_TRUE(show_message_box(c.kind, c.text)) << text;
    EXPECT_TRUE(driver.acted()) << text;
    EXPECT_EQ(title, "Vantiro Studio") << text;
    EXPECT_EQ(shown, text);
    EXPECT_EQ(type, c.type) << text;
    EXPECT_EQ(gtk_tests::find_toplevel(GTK_TYPE_MESSAGE_DIALOG), nullptr) << text;
  }
}

// A text with percent signs is shown as it is, never read as a format.
TEST(GtkMessageBox, ShowsPercentSignsLiterally) {
  VANTIRO_REQUIRE_DISPLAY();
  std::string shown;
  DialogDriver driver(GTK_TYPE_MESSAGE_DIALOG, [&](GtkWidget* d) {
    gchar* t = nullptr;
    g_object_get(d, "text", &t, nullptr);
    shown = t != nullptr ? t : "";
    g_free(t);
    gtk_dialog_response(GTK_DIALOG(d), GTK_RESPONSE_DELETE_EVENT);
  });
  EXPECT_TRUE(show_message_box(MessageBoxKind::error, u"100% %s %n"));
  EXPECT_EQ(shown, "100% %s %n");
}

TEST(GtkMessageBox, RefusesTextThatIsNotValidUtf16) {
  VANTIRO_REQUIRE_DISPLAY();
  const char16_t lone[] = {u'x', 0xDC00};
  EXPECT_FALSE(show_message_box(MessageBoxKind::information, std::u16string_view(lone, 2)));
  EXPECT_EQ(gtk_tests::find_toplevel(GTK_TYPE_MESSAGE_DIALOG), nullptr);
}

}  // namespace
}  // namespace vantiro::platform
