#include "workspace/fake_web_engine.h"

#include <gtest/gtest.h>

namespace vantiro::workspace::testing {
namespace {

// The host logic is only as sound as the fake's contract; these hold it to the port's promises.

std::shared_ptr<FakeController> make_view(FakeWebEngine& engine) {
  std::shared_ptr<WebEnvironment> env;
  engine.create_environment({}, [&](std::shared_ptr<WebEnvironment> e) { env = std::move(e); });
  engine.complete_environment(true);
  engine.run_pending();
  std::shared_ptr<WebController> controller;
  env->create_controller(engine.create_host_window(),
                         [&](std::shared_ptr<WebController> c) { controller = std::move(c); });
  engine.run_pending();
  return engine.last_controller();
}

TEST(FakeWebEngine, DeliversEventsOnlyAfterTheStartingCallReturned) {
  FakeWebEngine engine;
  auto controller = make_view(engine);
  ASSERT_NE(controller, nullptr);
  auto view = controller->fake_view;
  std::vector<std::uint64_t> started, completed;
  view->on_navigation_starting(
      [&](NavigationStartingEvent& e) { started.push_back(e.navigation_id); });
  view->on_navigation_completed(
      [&](const NavigationCompletedEvent& e) { completed.push_back(e.navigation_id); });
  ASSERT_TRUE(view->navigate(u"https://example.test/a"));
  EXPECT_TRUE(started.empty()) << "the start ran inside navigate()";
  engine.run_pending();
  ASSERT_EQ(started.size(), 1u);
  view->finish_navigation(started[0], true);
  EXPECT_TRUE(completed.empty());
  engine.run_pending();
  ASSERT_EQ(completed.size(), 1u);
  EXPECT_EQ(completed[0], started[0]);
  EXPECT_EQ(view->source(), u"https://example.test/a");
  view->navigate(u"https://example.test/b");
  engine.run_pending();
  ASSERT_EQ(started.size(), 2u);
  EXPECT_NE(started[1], started[0]) << "every navigation gets a new id";
}

TEST(FakeWebEngine, ACancelledNavigationNeverCompletesAndAClosedViewIsSilent) {
  FakeWebEngine engine;
  auto controller = make_view(engine);
  auto view = controller->fake_view;
  int completions = 0;
  view->on_navigation_starting([](NavigationStartingEvent& e) { e.cancel = true; });
  view->on_navigation_completed([&](const NavigationCompletedEvent&) { ++completions; });
  const auto id = view->begin_navigation(u"https://elsewhere.test/");
  engine.run_pending();
  view->finish_navigation(id, true);
  engine.run_pending();
  EXPECT_EQ(completions, 0);

  int titles = 0;
  view->on_document_title_changed([&] { ++titles; });
  view->raise_title(u"late");
  controller->close();
  engine.run_pending();
  EXPECT_EQ(titles, 0) << "a closed view delivered an event";
}

TEST(FakeWebEngine, MissingOperationsSayUnsupportedAndNeverComplete) {
  FakeWebEngine engine;
  engine.next_view_behaviour.suspension_unsupported = true;
  engine.next_view_behaviour.browsing_data_unsupported = true;
  auto view = make_view(engine)->fake_view;
  bool called = false;
  EXPECT_EQ(view->try_suspend([&](bool, bool) { called = true; }), EngineResult::unsupported);
  EXPECT_EQ(view->resume(), EngineResult::unsupported);
  EXPECT_EQ(view->clear_browsing_data(browsing_data::kDiskCache, [&](bool) { called = true; }),
            EngineResult::unsupported);
  engine.run_pending();
  EXPECT_FALSE(called);
}

}  // namespace
}  // namespace vantiro::workspace::testing
