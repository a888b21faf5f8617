#include "account/sign_in_gate.h"

#include "web/url.h"

namespace vantiro::account {

std::u16string_view sign_in_target(GateAction action, bool ui_swedish) {
  switch (action) {
    case GateAction::sign_in_discord:
      return ui_swedish ? u"/api/auth/discord/start?returnTo=%2Fsv%2Feditor"
                        : u"/api/auth/discord/start?returnTo=%2Fen%2Feditor";
    case GateAction::sign_in_email:
      return ui_swedish ? u"/sv/login?returnTo=%2Fsv%2Feditor"
                        : u"/en/login?returnTo=%2Fen%2Feditor";
    case GateAction::try_offline:
      return ui_swedish ? u"/sv/editor" : u"/en/editor";
    case GateAction::back_to_sign_in:
      return {};
  }
  return {};
}

std::u16string sign_in_target_url(GateAction action, bool ui_swedish) {
  if (action == GateAction::try_offline) return start_url(ui_swedish);
  return service_url(sign_in_target(action, ui_swedish));
}

SignInGate SignInGate::at_start_up(bool skip_welcome) {
  SignInGate g;
  if (skip_welcome) {
    g.welcome_gate_active = false;
    g.welcome_grace_pending = false;
    g.welcome_skipped = true;
  }
  return g;
}

std::optional<std::uint64_t> SignInGate::begin_session_check() {
  if (session_check_running) return std::nullopt;
  session_check_running = true;
  welcome_skipped = true;
  return ++check_tag;
}

GateEffects SignInGate::on_session_answer(const SessionAnswer& answer, const TabFacts& asking_tab,
                                          bool startup_is_launcher, std::size_t tab_count,
                                          bool ui_swedish) {
  GateEffects fx;
  // An answer to a check that a gate action (or a later check) superseded must not decide
  // anything: it could close the gate the user just returned to.
  if (!session_check_running || answer.tag != check_tag) return fx;
  session_check_running = false;
  fx.kill_grace_timer = true;
  if (welcome_gate_active) {
    welcome_grace_pending = false;
    fx.refresh = true;
    if (answer.signed_in) {
      welcome_gate_active = false;
      auth_flow_active = false;
      offline_mode = false;
      if (startup_is_launcher && tab_count == 1) {
        fx.tab = TabLoad::replace_with_launcher;
      } else if (asking_tab.exists) {
        fx.tab = TabLoad::load_target;
        fx.target = sign_in_target_url(GateAction::try_offline, ui_swedish);
      }
    }
    return fx;
  }
  if (auth_flow_active) {
    fx.refresh = true;
    if (answer.signed_in) {
      auth_flow_active = false;
      offline_mode = false;
      fx.reapply_zoom = true;
      fx.focus_active_view = true;
    } else if (asking_tab.exists && asking_tab.has_view && !asking_tab.source_is_auth_flow) {
      fx.tab = TabLoad::load_target;
      fx.target = sign_in_target_url(GateAction::sign_in_email, ui_swedish);
    }
  }
  return fx;
}

GateEffects SignInGate::on_action(GateAction action, const TabFacts& active_tab, bool ui_swedish) {
  GateEffects fx;
  fx.kill_grace_timer = true;
  fx.refresh = true;
  welcome_grace_pending = false;
  session_check_running = false;
  // Any check still in flight now answers a question nobody asks any more.
  ++check_tag;
  if (action == GateAction::back_to_sign_in) {
    welcome_gate_active = true;
    auth_flow_active = false;
    fx.close_overlays = true;
    return fx;
  }
  const bool offline = action == GateAction::try_offline;
  welcome_gate_active = false;
  auth_flow_active = !offline;
  offline_mode = offline;
  welcome_skipped = true;
  fx.focus_active_view = true;
  if (active_tab.exists && (!offline || !active_tab.has_source || active_tab.source_is_auth_flow)) {
    fx.tab = TabLoad::load_target;
    fx.target = sign_in_target_url(action, ui_swedish);
  }
  return fx;
}

GateEffects SignInGate::on_grace_timer() {
  GateEffects fx;
  if (!welcome_grace_pending) return fx;
  welcome_grace_pending = false;
  fx.refresh = true;
  return fx;
}

}  // namespace vantiro::account
