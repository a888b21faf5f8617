#include <gtest/gtest.h>

#include "platform/external_opener.h"

namespace vantiro::platform {
namespace {

// Only addresses that no handler can take: a test must never start a browser.
TEST(HostExternalOpener, ReportsAddressesThatNoHandlerTakes) {
  auto opener = make_external_opener(nullptr);
  ASSERT_NE(opener, nullptr);
  EXPECT_FALSE(opener->open_in_browser(u""));
  EXPECT_FALSE(opener->open_in_browser(u"x-vantiro-test-no-handler://probe/path"));
  EXPECT_FALSE(opener->open_in_browser(std::u16string_view(u"https://a\0b", 11)));
}

}  // namespace
}  // namespace vantiro::platform
