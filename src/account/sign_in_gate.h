#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantiro::account {

inline constexpr std::uint64_t kWelcomeGraceMs = 2500;

// The zone kinds that run gate actions.
enum class GateAction {
  sign_in_discord = 22,
  sign_in_email = 23,
  try_offline = 24,
  back_to_sign_in = 25
};

// Service paths of the gate's targets in the UI language.
std::u16string_view sign_in_target(GateAction action, bool ui_swedish);

// The address the action opens: the service origin followed by that path.
std::u16string sign_in_target_url(GateAction action, bool ui_swedish);

// What the host does with the active or asking tab.
enum class TabLoad {
  none,
  load_target,            // restart the tab's load on `target` (an address on the service origin)
  replace_with_launcher,  // replace the only tab with a new launcher tab
};

struct GateEffects {
  TabLoad tab = TabLoad::none;
  std::u16string target;
  bool kill_grace_timer = false;
  bool close_overlays = false;  // the settings overlay and the command palette
  bool reapply_zoom = false;
  bool focus_active_view = false;
  bool refresh = false;  // relayout, view visibility, repaint
};

// What the host knows about a tab when an action or answer concerns it.
struct TabFacts {
  bool exists = false;
  bool has_view = false;
  bool has_source = false;
  bool source_is_auth_flow = false;
};

struct SessionAnswer {
  std::uint64_t tag = 0;  // the tag its check was started with
  bool signed_in = false;
};

struct SignInGate {
  bool welcome_gate_active = true;
  bool welcome_grace_pending = true;
  bool welcome_skipped = false;
  bool auth_flow_active = false;
  bool offline_mode = false;
  bool session_check_running = false;
  std::uint64_t check_tag = 0;  // the check in flight; answers with another tag are stale

  // "--skip-welcome": gate off, no grace, first decision taken.
  static SignInGate at_start_up(bool skip_welcome);

  // The welcome screen shows its checking state (no sign-in buttons).
  bool welcome_checking() const { return welcome_gate_active && welcome_grace_pending; }

  // A tab's page script became ready: whether the first session check starts now.
  bool wants_first_check(bool visual_check) const {
    return welcome_gate_active && !welcome_skipped && !visual_check;
  }

  // A session check may start; returns its tag, or none while one runs.
  std::optional<std::uint64_t> begin_session_check();

  // The answer to a check (WM_APP+7). A stale answer changes nothing.
  GateEffects on_session_answer(const SessionAnswer& answer, const TabFacts& asking_tab,
                                bool startup_is_launcher, std::size_t tab_count, bool ui_swedish);

  GateEffects on_action(GateAction action, const TabFacts& active_tab, bool ui_swedish);

  // Timer 82.
  GateEffects on_grace_timer();
};

}  // namespace vantiro::account
