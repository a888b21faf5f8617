#include "app/boot_sequence.h"

#include <algorithm>

#include "update/update_progress.h"

namespace vantiro::app {

int boot_stage_of(bool view_exists, bool checking_updates, bool update_overlay,
                  bool welcome_checking) {
  if (update_overlay) return kBootDownloading;
  if (welcome_checking) return kBootCheckingSignIn;
  if (view_exists) return checking_updates ? kBootCheckingUpdates : kBootOpeningWorkspace;
  return kBootStarting;
}

std::u16string boot_status_text(int stage, bool sv, std::u16string_view version,
                                std::uint64_t received, std::uint64_t total) {
  switch (stage) {
    case kBootStarting:
      return sv ? u"Startar Vantiro Studio …" : u"Starting Vantiro Studio …";
    case kBootCheckingUpdates:
      return sv ? u"Kontrollerar uppdateringar …" : u"Checking for updates …";
    case kBootDownloading:
      return update::boot_download_line(version, received, total, sv);
    case kBootCheckingSignIn:
      return sv ? u"Kontrollerar inloggning …" : u"Checking sign-in …";
    default:
      return sv ? u"Öppnar arbetsyta …" : u"Opening workspace …";
  }
}

float boot_fade_alpha(std::uint64_t first, std::uint64_t now, bool instant, std::uint64_t fade_ms) {
  if (instant || first == 0 || first >= now) return 1.0f;
  if (fade_ms == 0) return 0.0f;
  const double t =
      std::clamp(static_cast<double>(now - first) / static_cast<double>(fade_ms), 0.0, 1.0);
  return static_cast<float>(std::clamp(1.0 - t * t * (3.0 - 2.0 * t), 0.0, 1.0));
}

bool boot_reveal_due(bool ready, std::uint64_t reveal_at, std::uint64_t first, std::uint64_t now,
                     bool instant, std::uint64_t fade_ms) {
  // now >= first holds once now >= reveal_at, which lies after the first completion; the
  // subtraction is still guarded so a clock oddity cannot wrap it.
  return ready && reveal_at != 0 && now >= reveal_at &&
         (instant || first == 0 || (now >= first && now - first >= fade_ms));
}

bool boot_timer_needed(bool loading, bool overlay, bool checking, bool reduced) {
  return !reduced && (loading || overlay || checking);
}

float spinner_phase_at(std::uint64_t now_ms) {
  return static_cast<float>(now_ms % kSpinnerCycleMs) / static_cast<float>(kSpinnerCycleMs);
}

void update_boot_state(BootState& s, const BootInputs& in, std::uint64_t now_ms) {
  const BootTabFacts& tab = in.active_tab;
  if (tab.exists && (tab.is_launcher || tab.revealed || tab.crashed)) s.finished = true;
  const bool welcome_checking = in.welcome_gate_active && in.welcome_grace_pending;
  s.active_tab_loading = !in.welcome_gate_active && !in.boot_update_overlay && tab.exists &&
                         !tab.is_launcher && !tab.revealed && !tab.crashed;
  s.stage = boot_stage_of(tab.exists && tab.has_view,
                          in.update_check_running && in.boot_update_check_pending,
                          in.boot_update_overlay, welcome_checking);
  if (s.active_tab_loading && tab.reveal_at_ms != 0) {
    const std::uint64_t first =
        tab.first_completed_ms < tab.load_started_ms ? 0 : tab.first_completed_ms;
    s.alpha = boot_fade_alpha(first, now_ms, in.reduced_motion, kBootFadeMs);
  } else {
    s.alpha = 1.0f;
  }
}

}  // namespace vantiro::app
