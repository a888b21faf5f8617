#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace vantiro {

enum class NavigationDecision { in_app = 0, external = 1, blocked = 2 };

// The 17 HTTPS hosts that may render inside a tab, in their fixed order: the service host and
// its "www." variant, then the sign-in, payment and challenge pages of other parties.
const std::array<std::u16string_view, 17>& in_app_hosts();

NavigationDecision classify_navigation(std::u16string_view url);

// True while the user is inside a sign-in, sign-up or password flow.
bool is_auth_flow_url(std::u16string_view url);

// "about:blank", or a "data:text/html" document (the offline page as WebView2 reports it).
bool is_local_shell_document(std::u16string_view url);
bool legacy_shell_may_navigate(std::u16string_view url, bool shell_ready);
bool legacy_shell_accepts_source(std::u16string_view source_url);

// Opening an address in the user's own browser. Failures are the host's to swallow; the
// result only says whether a handler took the address.
struct ExternalOpener {
  virtual ~ExternalOpener() = default;
  virtual bool open_in_browser(std::u16string_view url) = 0;
};

// The two per-tab fields the policy reads and writes.
struct LocalDocumentState {
  bool local_document_permit = false;  // one-shot: consumed by the tab's next navigation start
  bool showing_local_document = false;
};

struct NavigationStartingVerdict {
  bool allow = false;  // false: cancel the navigation
  bool open_externally = false;
  bool record_navigation_id = false;
  // Allowed through the classifier (not the permit): the tab's load bookkeeping follows.
  bool in_app = false;
  // The tab's fields after the event; meaningless when the tab does not exist.
  LocalDocumentState tab;
};

// A NavigationStarting event. `tab` is empty when no workspace tab has the event's id, `uri`
// empty when the event's address could not be read; both fail closed.
NavigationStartingVerdict decide_navigation_starting(std::optional<LocalDocumentState> tab,
                                                     std::optional<std::u16string_view> uri,
                                                     bool tab_is_active);

enum class NewWindowAction {
  nothing,
  open_tab,        // a new workspace tab on the address
  navigate_asker,  // the asking web view itself loads the address
  open_externally,
};

struct NewWindowVerdict {
  bool handled = true;  // WebView2 never opens a window of its own
  NewWindowAction action = NewWindowAction::nothing;
  bool activate_new_tab = false;
};

NewWindowVerdict decide_new_window(bool tab_exists, std::optional<std::u16string_view> uri,
                                   bool asker_is_active);

// Deciding and carrying out the external open in one step, for the web host's handlers.
NavigationStartingVerdict handle_navigation_starting(std::optional<LocalDocumentState> tab,
                                                     std::optional<std::u16string_view> uri,
                                                     bool tab_is_active, ExternalOpener& opener);
NewWindowVerdict handle_new_window(bool tab_exists, std::optional<std::u16string_view> uri,
                                   bool asker_is_active, ExternalOpener& opener);

// For addresses the studio itself hands to the browser (the download page): never a blocked
// one. Returns whether the opener was called and took it.
bool open_externally_unless_blocked(std::u16string_view url, ExternalOpener& opener);

}  // namespace vantiro
