#include "workspace/service_addresses.h"

#include <gtest/gtest.h>

#include "common/utf.h"
#include "web/url.h"

namespace vantiro::workspace {
namespace {

TEST(ServiceAddresses, LabelsCatalogToolsInThePathsLanguage) {
  ServiceAddresses addresses;
  struct Case {
    std::u16string url;
    bool ui_swedish;
    std::u16string_view label;
  };
  const Case cases[] = {
      {service_url(u"/sv/vehicles/editor"), false, u"Fordonsstudion"},
      {service_url(u"/en/vehicles/editor"), true, u"Vehicle Studio"},
      {service_url(u"/vehicles/editor"), true, u"Fordonsstudion"},
      {u"https://example.com/sv/vehicles/editor", false, u"Page title"},
  };
  for (const auto& c : cases) {
    WorkspaceTab tab;
    tab.pending_url = c.url;
    tab.title = u"Page title";
    EXPECT_EQ(tab_label_for(tab, addresses, c.ui_swedish), c.label) << to_utf8(c.url);
  }
}

TEST(ServiceAddresses, BuildsRoutesOnTheServiceOriginAndIconsFromTheCatalog) {
  ServiceAddresses addresses;
  EXPECT_EQ(addresses.route_url(u"/vehicles/editor", false), service_url(u"/en/vehicles/editor"));
  EXPECT_EQ(addresses.route_url(u"/projects", true), service_url(u"/sv/projects"));
  EXPECT_EQ(addresses.start_url(true), start_url(true));
  EXPECT_EQ(addresses.icon_for_url(service_url(u"/en/vehicles/editor")), 12);
  EXPECT_EQ(addresses.icon_for_url(u"https://example.com/vehicles/editor"),
            addresses.icon_for_url(service_url(u"/")))
      << "an address off the service origin took a tool's icon";
}

}  // namespace
}  // namespace vantiro::workspace
