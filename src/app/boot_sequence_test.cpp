#include "app/boot_sequence.h"

#include <gtest/gtest.h>

namespace vantiro::app {
namespace {

TEST(BootStatusText, ShowsEachStageAndTheDownloadSuffix) {
  EXPECT_EQ(boot_status_text(2, false, u"1.9.3", 640, 1000), u"Downloading update 1.9.3 … (64 %)");
  EXPECT_EQ(boot_status_text(2, true, u"1.9.3", 5, 0), u"Hämtar uppdatering 1.9.3 … (0 %)");
  EXPECT_EQ(boot_status_text(2, false, u"", 2000, 1000), u"Downloading update … (100 %)");
  EXPECT_EQ(boot_status_text(3, true, u"", 0, 0), u"Öppnar arbetsyta …");
  EXPECT_EQ(boot_status_text(3, false, u"", 0, 0), u"Opening workspace …");
  EXPECT_EQ(boot_status_text(9, false, u"", 0, 0), u"Opening workspace …");
  EXPECT_EQ(boot_status_text(0, true, u"", 0, 0), u"Startar Vantiro Studio …");
  EXPECT_EQ(boot_status_text(1, false, u"", 0, 0), u"Checking for updates …");
  EXPECT_EQ(boot_status_text(4, true, u"", 0, 0), u"Kontrollerar inloggning …");
}

TEST(BootStageOf, OverlayWinsThenSignInCheckThenTheView) {
  EXPECT_EQ(boot_stage_of(true, true, true, true), kBootDownloading);
  EXPECT_EQ(boot_stage_of(true, true, false, true), kBootCheckingSignIn);
  EXPECT_EQ(boot_stage_of(true, true, false, false), kBootCheckingUpdates);
  EXPECT_EQ(boot_stage_of(true, false, false, false), kBootOpeningWorkspace);
  EXPECT_EQ(boot_stage_of(false, true, false, false), kBootStarting);
}

TEST(BootFadeAlpha, SmoothstepsOverTheFadeAfterTheFirstCompletion) {
  EXPECT_EQ(boot_fade_alpha(0, 5000, false, 200), 1.0f);
  EXPECT_EQ(boot_fade_alpha(1000, 1000, false, 200), 1.0f);
  EXPECT_EQ(boot_fade_alpha(1000, 900, false, 200), 1.0f);
  const float mid = boot_fade_alpha(1000, 1100, false, 200);
  EXPECT_GT(mid, 0.0f);
  EXPECT_LT(mid, 1.0f);
  EXPECT_FLOAT_EQ(mid, 0.5f);
  EXPECT_EQ(boot_fade_alpha(1000, 1200, false, 200), 0.0f);
  EXPECT_EQ(boot_fade_alpha(1000, 999999, false, 200), 0.0f);
  EXPECT_EQ(boot_fade_alpha(1000, 1100, true, 200), 1.0f);
  EXPECT_EQ(boot_fade_alpha(1000, 1100, false, 0), 0.0f);
}

TEST(BootRevealDue, WaitsForTheRevealTimeAndTheFade) {
  struct Case {
    const char* name;
    bool ready;
    std::uint64_t reveal_at, first, now;
    bool instant;
    bool want;
  };
  const Case cases[] = {
      {"not ready", false, 1080, 1000, 1300, false, false},
      {"no reveal time", true, 0, 1000, 1300, false, false},
      {"before reveal", true, 1080, 1000, 1079, false, false},
      {"fade running", true, 1080, 1000, 1150, false, false},
      {"fade done", true, 1080, 1000, 1200, false, true},
      {"instant at reveal", true, 1080, 1000, 1080, true, true},
      {"no first at reveal", true, 1080, 0, 1080, false, true},
  };
  for (const auto& c : cases)
    EXPECT_EQ(boot_reveal_due(c.ready, c.reveal_at, c.first, c.now, c.instant, 200), c.want)
        << c.name;
}

TEST(BootTimerNeeded, AnyConditionWithoutReducedMotion) {
  EXPECT_TRUE(boot_timer_needed(true, false, false, false));
  EXPECT_TRUE(boot_timer_needed(false, true, false, false));
  EXPECT_TRUE(boot_timer_needed(false, false, true, false));
  EXPECT_FALSE(boot_timer_needed(false, false, false, false));
  EXPECT_FALSE(boot_timer_needed(true, true, true, true));
}

TEST(UpdateBootState, FinishesForGoodOnRevealAndFadesOnlyWhileLoading) {
  BootState s;
  BootInputs in;
  in.active_tab = {.exists = true,
                   .has_view = true,
                   .reveal_at_ms = 1080,
                   .first_completed_ms = 1000,
                   .load_started_ms = 500};
  update_boot_state(s, in, 1100);
  EXPECT_FALSE(s.finished);
  EXPECT_TRUE(s.active_tab_loading);
  EXPECT_EQ(s.stage, kBootOpeningWorkspace);
  EXPECT_FLOAT_EQ(s.alpha, 0.5f);

  // A completion older than the current load does not start the fade.
  in.active_tab.load_started_ms = 1050;
  update_boot_state(s, in, 1100);
  EXPECT_EQ(s.alpha, 1.0f);

  // Reduced motion: opaque until the reveal.
  in.active_tab.load_started_ms = 500;
  in.reduced_motion = true;
  update_boot_state(s, in, 1150);
  EXPECT_EQ(s.alpha, 1.0f);

  in.active_tab.revealed = true;
  update_boot_state(s, in, 1300);
  EXPECT_TRUE(s.finished);
  EXPECT_FALSE(s.active_tab_loading);

  // A later load of another page does not bring the boot scene back.
  in.active_tab.revealed = false;
  update_boot_state(s, in, 2000);
  EXPECT_TRUE(s.finished);
  EXPECT_TRUE(s.active_tab_loading);
}

TEST(UpdateBootState, TheGateAndTheOverlayHideTheLoadingAndNameTheirStages) {
  BootState s;
  BootInputs in;
  in.active_tab = {.exists = true, .has_view = true};
  in.welcome_gate_active = true;
  in.welcome_grace_pending = true;
  update_boot_state(s, in, 10);
  EXPECT_EQ(s.stage, kBootCheckingSignIn);
  EXPECT_FALSE(s.active_tab_loading);
  in.welcome_gate_active = false;
  in.update_check_running = true;
  in.boot_update_check_pending = true;
  update_boot_state(s, in, 10);
  EXPECT_EQ(s.stage, kBootCheckingUpdates);
  EXPECT_TRUE(s.active_tab_loading);
  in.boot_update_overlay = true;
  update_boot_state(s, in, 10);
  EXPECT_EQ(s.stage, kBootDownloading);
  EXPECT_FALSE(s.active_tab_loading);
  in = {};
  in.active_tab = {.exists = true, .is_launcher = true};
  update_boot_state(s, in, 10);
  EXPECT_TRUE(s.finished);
}

}  // namespace
}  // namespace vantiro::app
