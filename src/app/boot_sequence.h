#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantiro::app {

inline constexpr std::uint64_t kBootFadeMs = 200;
inline constexpr std::uint64_t kSpinnerCycleMs = 1350;

enum BootStage : int {
  kBootStarting = 0,
  kBootCheckingUpdates = 1,
  kBootDownloading = 2,
  kBootOpeningWorkspace = 3,
  kBootCheckingSignIn = 4,
};

int boot_stage_of(bool view_exists, bool checking_updates, bool update_overlay,
                  bool welcome_checking);

// The boot scene's status line; stage 2 carries the download suffix.
std::u16string boot_status_text(int stage, bool swedish, std::u16string_view version,
                                std::uint64_t received, std::uint64_t total);

// Smoothstep fade from the first completion over fade_ms; opaque under `instant`.
float boot_fade_alpha(std::uint64_t first_completed_ms, std::uint64_t now_ms, bool instant,
                      std::uint64_t fade_ms);

bool boot_reveal_due(bool web_ready, std::uint64_t reveal_at_ms, std::uint64_t first_completed_ms,
                     std::uint64_t now_ms, bool instant, std::uint64_t fade_ms);

bool boot_timer_needed(bool active_tab_loading, bool update_overlay, bool welcome_checking,
                       bool reduced_motion);

float spinner_phase_at(std::uint64_t now_ms);

// What update_boot_state reads of the active tab.
struct BootTabFacts {
  bool exists = false;
  bool is_launcher = false;
  bool revealed = false;
  bool crashed = false;
  bool has_view = false;
  std::uint64_t reveal_at_ms = 0;
  std::uint64_t first_completed_ms = 0;
  std::uint64_t load_started_ms = 0;
};

struct BootInputs {
  BootTabFacts active_tab;
  bool update_check_running = false;
  bool boot_update_check_pending = false;
  bool boot_update_overlay = false;
  bool welcome_gate_active = false;
  bool welcome_grace_pending = false;
  bool reduced_motion = false;
};

struct BootState {
  bool finished = false;  // once set it stays for the run
  bool active_tab_loading = false;
  int stage = kBootStarting;
  float alpha = 1;
};

// Recomputes the boot state; `finished` never goes back.
void update_boot_state(BootState& state, const BootInputs& in, std::uint64_t now_ms);

}  // namespace vantiro::app
