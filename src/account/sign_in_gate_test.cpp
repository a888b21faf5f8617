#include "account/sign_in_gate.h"

#include <gtest/gtest.h>

#include "common/build_config.h"

namespace vantiro::account {
namespace {

std::u16string on_service(std::u16string_view path) {
  return u"https://" + std::u16string(kServiceHost) + std::u16string(path);
}

const TabFacts kStudioTab{true, true, true, false};
const TabFacts kBlankTab{true, true, false, false};
const TabFacts kAuthTab{true, true, true, true};
const TabFacts kNoTab{};

TEST(SignInGate, StartsCheckingAndSkipWelcomeStartsOpen) {
  const auto g = SignInGate::at_start_up(false);
  EXPECT_TRUE(g.welcome_checking());
  EXPECT_TRUE(g.wants_first_check(false));
  EXPECT_FALSE(g.wants_first_check(true));
  const auto skip = SignInGate::at_start_up(true);
  EXPECT_FALSE(skip.welcome_gate_active);
  EXPECT_FALSE(skip.welcome_checking());
  EXPECT_FALSE(skip.wants_first_check(false));
}

TEST(SignInGate, OneCheckAtATimeAndTheFirstDecisionIsTaken) {
  auto g = SignInGate::at_start_up(false);
  const auto tag = g.begin_session_check();
  ASSERT_TRUE(tag);
  EXPECT_TRUE(g.welcome_skipped);
  EXPECT_FALSE(g.wants_first_check(false));
  EXPECT_FALSE(g.begin_session_check());
}

TEST(SignInGate, SignedInAtTheGateClosesItAndLoadsTheStartPage) {
  auto g = SignInGate::at_start_up(false);
  const auto tag = *g.begin_session_check();
  const auto fx = g.on_session_answer({tag, true}, kBlankTab, false, 1, true);
  EXPECT_FALSE(g.welcome_gate_active);
  EXPECT_FALSE(g.welcome_grace_pending);
  EXPECT_FALSE(g.session_check_running);
  EXPECT_TRUE(fx.kill_grace_timer);
  EXPECT_EQ(fx.tab, TabLoad::load_target);
  EXPECT_EQ(fx.target, on_service(u"/sv/editor"));
}

TEST(SignInGate, SignedInWithTheLauncherStartupReplacesTheOnlyTab) {
  auto g = SignInGate::at_start_up(false);
  auto fx = g.on_session_answer({*g.begin_session_check(), true}, kBlankTab, true, 1, false);
  EXPECT_EQ(fx.tab, TabLoad::replace_with_launcher);
  g = SignInGate::at_start_up(false);
  fx = g.on_session_answer({*g.begin_session_check(), true}, kBlankTab, true, 2, false);
  EXPECT_EQ(fx.tab, TabLoad::load_target);
  EXPECT_EQ(fx.target, on_service(u"/en/editor"));
}

TEST(SignInGate, NotSignedInEndsTheGraceAndShowsTheButtons) {
  auto g = SignInGate::at_start_up(false);
  const auto fx =
      g.on_session_answer({*g.begin_session_check(), false}, kBlankTab, false, 1, false);
  EXPECT_TRUE(g.welcome_gate_active);
  EXPECT_FALSE(g.welcome_checking());
  EXPECT_EQ(fx.tab, TabLoad::none);
  EXPECT_TRUE(fx.refresh);
}

TEST(SignInGate, TheGraceTimerShowsTheButtonsOnce) {
  auto g = SignInGate::at_start_up(false);
  EXPECT_TRUE(g.on_grace_timer().refresh);
  EXPECT_FALSE(g.welcome_checking());
  EXPECT_FALSE(g.on_grace_timer().refresh);
}

TEST(SignInGate, SignInActionsOpenTheFlowOnTheirTargets) {
  struct Case {
    GateAction action;
    bool swedish;
    std::u16string_view target;
  };
  const Case cases[] = {
      {GateAction::sign_in_discord, true, u"/api/auth/discord/start?returnTo=%2Fsv%2Feditor"},
      {GateAction::sign_in_discord, false, u"/api/auth/discord/start?returnTo=%2Fen%2Feditor"},
      {GateAction::sign_in_email, true, u"/sv/login?returnTo=%2Fsv%2Feditor"},
      {GateAction::sign_in_email, false, u"/en/login?returnTo=%2Fen%2Feditor"},
  };
  for (const auto& c : cases) {
    auto g = SignInGate::at_start_up(false);
    const auto fx = g.on_action(c.action, kStudioTab, c.swedish);
    EXPECT_FALSE(g.welcome_gate_active);
    EXPECT_TRUE(g.auth_flow_active);
    EXPECT_FALSE(g.offline_mode);
    EXPECT_TRUE(g.welcome_skipped);
    EXPECT_TRUE(fx.kill_grace_timer);
    EXPECT_EQ(fx.tab, TabLoad::load_target);
    EXPECT_EQ(fx.target, on_service(c.target));
  }
}

TEST(SignInGate, TryOfflineKeepsAStudioPageAndLoadsTheEditorOtherwise) {
  auto g = SignInGate::at_start_up(false);
  auto fx = g.on_action(GateAction::try_offline, kStudioTab, true);
  EXPECT_TRUE(g.offline_mode);
  EXPECT_FALSE(g.auth_flow_active);
  EXPECT_EQ(fx.tab, TabLoad::none);
  for (const TabFacts& tab : {kBlankTab, kAuthTab}) {
    g = SignInGate::at_start_up(false);
    fx = g.on_action(GateAction::try_offline, tab, true);
    EXPECT_EQ(fx.tab, TabLoad::load_target);
    EXPECT_EQ(fx.target, on_service(u"/sv/editor"));
  }
  g = SignInGate::at_start_up(false);
  EXPECT_EQ(g.on_action(GateAction::sign_in_email, kNoTab, true).tab, TabLoad::none);
}

TEST(SignInGate, BackReturnsToTheGateAndKeepsOfflineMode) {
  auto g = SignInGate::at_start_up(false);
  g.on_action(GateAction::try_offline, kBlankTab, false);
  const auto fx = g.on_action(GateAction::back_to_sign_in, kStudioTab, false);
  EXPECT_TRUE(g.welcome_gate_active);
  EXPECT_FALSE(g.auth_flow_active);
  EXPECT_TRUE(g.offline_mode);
  EXPECT_FALSE(g.welcome_checking());
  EXPECT_TRUE(fx.close_overlays);
  EXPECT_EQ(fx.tab, TabLoad::none);
}

TEST(SignInGate, DuringTheFlowAnswersEndItOrSendTheTabToSignIn) {
  auto g = SignInGate::at_start_up(false);
  g.on_action(GateAction::sign_in_discord, kBlankTab, true);
  auto fx = g.on_session_answer({*g.begin_session_check(), false}, kStudioTab, false, 1, true);
  EXPECT_TRUE(g.auth_flow_active);
  EXPECT_EQ(fx.tab, TabLoad::load_target);
  EXPECT_EQ(fx.target, on_service(u"/sv/login?returnTo=%2Fsv%2Feditor"));
  fx = g.on_session_answer({*g.begin_session_check(), false}, kAuthTab, false, 1, true);
  EXPECT_EQ(fx.tab, TabLoad::none);
  fx = g.on_session_answer({*g.begin_session_check(), true}, kStudioTab, false, 1, true);
  EXPECT_FALSE(g.auth_flow_active);
  EXPECT_TRUE(fx.reapply_zoom);
  EXPECT_TRUE(fx.focus_active_view);
  EXPECT_EQ(fx.tab, TabLoad::none);
}

TEST(SignInGate, ASignedInAnswerClearsOfflineMode) {
  auto g = SignInGate::at_start_up(false);
  g.on_action(GateAction::try_offline, kBlankTab, false);
  g.on_action(GateAction::back_to_sign_in, kStudioTab, false);
  g.on_session_answer({*g.begin_session_check(), true}, kStudioTab, false, 1, false);
  EXPECT_FALSE(g.offline_mode);
  EXPECT_FALSE(g.welcome_gate_active);
}

TEST(SignInGate, AnAnswerThatArrivesAfterAGateActionIsIgnored) {
  auto g = SignInGate::at_start_up(false);
  const auto stale = *g.begin_session_check();
  // The user goes offline, then back to the gate, while the first check is still out.
  g.on_action(GateAction::try_offline, kBlankTab, false);
  g.on_action(GateAction::back_to_sign_in, kStudioTab, false);
  const auto fresh = g.begin_session_check();
  ASSERT_TRUE(fresh);
  auto fx = g.on_session_answer({stale, true}, kStudioTab, false, 1, false);
  EXPECT_TRUE(g.welcome_gate_active);
  EXPECT_TRUE(g.session_check_running);
  EXPECT_EQ(fx.tab, TabLoad::none);
  EXPECT_FALSE(fx.kill_grace_timer);
  fx = g.on_session_answer({*fresh, false}, kStudioTab, false, 1, false);
  EXPECT_FALSE(g.session_check_running);
  EXPECT_TRUE(g.welcome_gate_active);

  // With no newer check, a late answer to a cancelled one is ignored too.
  auto h = SignInGate::at_start_up(false);
  const auto cancelled = *h.begin_session_check();
  h.on_action(GateAction::back_to_sign_in, kStudioTab, false);
  h.on_session_answer({cancelled, true}, kStudioTab, false, 1, false);
  EXPECT_TRUE(h.welcome_gate_active);
}

TEST(SignInGate, AnAnswerOutsideGateAndFlowOnlyEndsTheCheck) {
  auto g = SignInGate::at_start_up(true);
  const auto fx =
      g.on_session_answer({*g.begin_session_check(), false}, kStudioTab, false, 1, false);
  EXPECT_FALSE(g.session_check_running);
  EXPECT_EQ(fx.tab, TabLoad::none);
  EXPECT_FALSE(g.welcome_gate_active);
}

}  // namespace
}  // namespace vantiro::account
