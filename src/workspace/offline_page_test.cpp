#include "workspace/offline_page.h"

#include <gtest/gtest.h>

#include <string>

#include "common/build_config.h"
#include "common/utf.h"
#include "workspace/desktop_bridge_script.h"

namespace vantiro::workspace {
namespace {

bool contains(std::u16string_view hay, std::u16string_view needle) {
  return hay.find(needle) != std::u16string_view::npos;
}

TEST(OfflinePage, NamesTheServiceHostAndLinksTheRetryAddressInEachLanguage) {
  struct Case {
    bool swedish;
    std::u16string_view retry;
    std::u16string_view lead;
    std::u16string_view button;
  };
  const Case cases[] = {
      {true, u"https://vantiro.app/sv/editor", u"Kunde inte ansluta till ", u"Försök igen"},
      {false, u"https://vantiro.app/en/editor", u"Could not connect to ", u"Try again"},
  };
  for (const auto& c : cases) {
    const std::u16string html = offline_page_for(c.swedish, c.retry);
    std::u16string message(c.lead);
    message += kServiceHost;
    message += c.swedish ? u". Kontrollera din internetuppkoppling och försök igen."
                         : u". Check your internet connection and try again.";
    std::u16string tail = message + u"</p><a href='" + std::u16string(c.retry) + u"'>" +
                          std::u16string(c.button) + u"</a></div></body></html>";
    ASSERT_GE(html.size(), tail.size());
    EXPECT_EQ(html.substr(html.size() - tail.size()), tail) << to_utf8(c.button);
    EXPECT_TRUE(contains(html, u"<title>Vantiro Studio</title>"));
    EXPECT_TRUE(contains(html, u"<meta charset='utf-8'>"));
    EXPECT_EQ(html.find(u"<p>"), html.size() - tail.size() - 3)
        << "the message must follow the card's open paragraph directly";
  }
}

TEST(DesktopBridgeScript, ShipsWithTheServiceHostAndVersionFilledIn) {
  const std::u16string_view script = kDesktopBridgeScript;
  EXPECT_FALSE(contains(script, u"@VANTIRO_SERVICE_HOST@"));
  EXPECT_FALSE(contains(script, u"@VANTIRO_APP_VERSION@"));
  std::u16string host_line = u"var SERVICE_HOST = '";
  host_line += kServiceHost;
  host_line += u"';";
  EXPECT_TRUE(contains(script, host_line));
  EXPECT_TRUE(contains(script, u"var VERSION = '1.9.4';"));
  // Runs as one expression statement in any document.
  const auto start = script.find(u"(function () {");
  ASSERT_NE(start, std::u16string_view::npos);
  EXPECT_NE(script.rfind(u"})();"), std::u16string_view::npos);
}

}  // namespace
}  // namespace vantiro::workspace
