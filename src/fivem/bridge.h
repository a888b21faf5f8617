#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/json.h"
#include "common/localized_text.h"
#include "fivem/fivem_chrome.h"
#include "fivem/fivem_error.h"
#include "fivem/folder_choice.h"
#include "fivem/resource_fs.h"
#include "fivem/validation.h"

namespace vantiro {

// What the bridge needs from one web view. The web host implements it per tab.
struct FiveMWebView {
  virtual ~FiveMWebView() = default;
  // The address of the document the view shows now.
  virtual std::u16string current_url() = 0;
  // Posts a JSON text into the page as a JSON web message.
  virtual bool post_json(std::string_view json_utf8) = 0;
};

// What the bridge needs from the tab list: the view that a tab id stands for now, or null
// when the tab is gone.
struct FiveMTabs {
  virtual ~FiveMTabs() = default;
  virtual std::shared_ptr<FiveMWebView> view_of_tab(std::uint64_t tab_id) = 0;
};

// One incoming web message.
struct FiveMWebMessage {
  std::u16string source_url;        // the sending document's address
  std::optional<std::string> text;  // UTF-8; absent when the page posted a non-string value
};

// Where a reply goes, fixed when a request is accepted.
struct FiveMReplyTarget {
  std::uint64_t tab_id = 0;
  std::shared_ptr<FiveMWebView> view;
  std::string id;
};

inline constexpr std::string_view kFiveMReplyType = "vantiro.fivem.result";

inline constexpr LocalizedText kFiveMSent{u"Skickat till FiveM: ", u"Sent to FiveM: "};
inline constexpr LocalizedText kFiveMNoFolder{u"Välj din FiveM-mapp under Inställningar → Allmänt",
                                              u"Choose your FiveM folder in Settings → General"};
inline constexpr LocalizedText kFiveMFolderMissing{u"FiveM-mappen finns inte längre",
                                                   u"The FiveM folder no longer exists"};
inline constexpr LocalizedText kFiveMTooLarge{u"Resursen är större än 64 MB",
                                              u"The resource is larger than 64 MB"};
inline constexpr LocalizedText kFiveMTooManyFiles{u"Resursen har fler än 64 filer",
                                                  u"The resource has more than 64 files"};
inline constexpr LocalizedText kFiveMSendFailed{u"Kunde inte skicka till FiveM",
                                                u"Could not send to FiveM"};

// The notice text of a failed send.
LocalizedText fivem_send_failure_text(FiveMError error);

// The message cap, counted in UTF-16 units of the UTF-8 text.
bool is_within_fivem_message_cap(std::string_view utf8,
                                 std::size_t cap_units = kMaxFiveMMessageUnits);

// Acceptance rule of a request id: 1 to 64 of A-Z, a-z, 0-9, "_" and "-".
bool is_valid_fivem_request_id(std::string_view id);

// Everything the dispatcher reads or drives. It keeps no state of its own between messages.
struct FiveMBridge {
  FiveMTabs& tabs;
  FiveMFolderChoice& folder;
  ResourceFs& fs;
  FiveMChrome& chrome;
  std::function<bool()> ui_swedish;
};

// The web-message handler registered on every tab's view. Silently drops what fails
// acceptance; answers every accepted request with one reply unless the tab, its view or
// its document changed meanwhile.
void handle_fivem_web_message(FiveMBridge& bridge, std::uint64_t tab_id,
                              const std::shared_ptr<FiveMWebView>& sender, FiveMWebMessage message);

// Posts a reply (which already carries type and id) if the target's tab still shows the same
// view on the service origin. True when posted.
bool post_fivem_result(FiveMBridge& bridge, const FiveMReplyTarget& target,
                       const json::ObjectWriter& reply);

}  // namespace vantiro
