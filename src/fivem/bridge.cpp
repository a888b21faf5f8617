#include "fivem/bridge.h"

#include <vector>

#include "common/build_config.h"
#include "common/utf.h"
#include "fivem/base64.h"
#include "fivem/validation.h"
#include "fivem/writer.h"
#include "web/url.h"

namespace vantiro {
namespace {

constexpr std::string_view kCapabilities = "vantiro.fivem.capabilities";
constexpr std::string_view kPick = "vantiro.fivem.pick";
constexpr std::string_view kSend = "vantiro.fivem.send";

// UTF-16 units of UTF-8 text: one per lead byte, two for a four-byte sequence.
std::size_t utf16_units(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char b : utf8) units += ((b & 0xC0) != 0x80) + (b >= 0xF0);
  return units;
}

json::ObjectWriter start_reply(std::string_view id, bool ok) {
  json::ObjectWriter w;
  w.add_string("type", kFiveMReplyType).add_string("id", id).add_bool("ok", ok);
  return w;
}

std::string_view pick_error(FiveMPickOutcome outcome) {
  switch (outcome) {
    case FiveMPickOutcome::chosen:
      return {};
    case FiveMPickOutcome::cancelled:
      return code(FiveMError::cancelled);
    case FiveMPickOutcome::busy:
      return code(FiveMError::busy);
    case FiveMPickOutcome::invalid_folder:
      return code(FiveMError::invalid_folder);
    case FiveMPickOutcome::failed:
      break;
  }
  return code(FiveMError::failed);
}

class Dispatch {
 public:
  Dispatch(FiveMBridge& bridge, FiveMReplyTarget target) : b_(bridge), target_(std::move(target)) {}

  void capabilities() {
    auto reply = start_reply(target_.id, true);
    reply.add_string("version", to_utf8(kAppVersion))
        .add_bool("fivemFolderConfigured", b_.folder.is_fivem_folder_configured())
        .add_string("fivemFolderName", configured_name());
    post(reply);
  }

  void pick() {
    if (b_.folder.folder_dialog_open()) return short_reply(FiveMError::busy);
    const FiveMPickOutcome outcome = b_.folder.pick_fivem_folder(swedish());
    b_.folder.show_fivem_pick_notice(outcome, swedish());
    auto reply = start_reply(target_.id, outcome == FiveMPickOutcome::chosen);
    reply.add_bool("configured", b_.folder.is_fivem_folder_configured())
        .add_string("folderName", configured_name());
    if (outcome != FiveMPickOutcome::chosen) reply.add_string("error", pick_error(outcome));
    post(reply);
  }

  // Takes the document so that it can be released once the files are decoded: the write
  // then holds only the decoded bytes, not the message as well.
  void send(std::optional<json::Document>& doc) {
    const json::ObjectRef request = doc->root();
    if (b_.folder.folder_dialog_open()) return short_reply(FiveMError::busy);
    const auto name_utf8 = request.get_string("resourceName");
    const auto files = request.get_array("files");
    if (!name_utf8 || !files) return short_reply(FiveMError::bad_request);
    resource_name_ = std::string(*name_utf8);

    // Longer UTF-8 than the limit is either too many units or not ASCII; both fail the rule.
    if (name_utf8->size() > kMaxFiveMNameUnits ||
        !is_valid_fivem_resource_name(utf8_to_utf16_lossy(*name_utf8)))
      return send_failed(FiveMError::invalid_resource_name);
    if (files->size() == 0) return send_failed(FiveMError::no_files);
    if (files->size() > kMaxFiveMFiles) return send_failed(FiveMError::too_many_files);

    std::vector<FiveMFile> decoded;
    decoded.reserve(files->size());
    std::uint64_t estimate = 0;
    for (std::size_t i = 0; i < files->size(); ++i) {
      const auto entry = files->at(i).as_object();
      if (!entry) return send_failed(FiveMError::bad_request);
      const auto path = entry->get_string("path");
      const auto base64 = entry->get_string("base64");
      if (!path || !base64) return send_failed(FiveMError::bad_request);
      if (path->size() > kMaxFiveMPathUnits) return send_failed(FiveMError::invalid_path);
      std::u16string path16 = utf8_to_utf16_lossy(*path);
      if (!is_valid_fivem_relative_path(path16)) return send_failed(FiveMError::invalid_path);
      // Counted in bytes first; only a text that would cross the limit is counted in units.
      std::uint64_t add = base64->size() / 4 * 3;
      if (estimate + add > kMaxFiveMEstimatedBytes) add = utf16_units(*base64) / 4 * 3;
      estimate += add;
      if (estimate > kMaxFiveMEstimatedBytes) return send_failed(FiveMError::too_large);
      FiveMFile file{std::move(path16), {}};
      if (!decode_base64_strict(*base64, file.bytes)) return send_failed(FiveMError::bad_base64);
      decoded.push_back(std::move(file));
    }
    doc.reset();

    const std::u16string folder = b_.folder.stored_fivem_folder();
    if (folder.empty()) return send_failed(FiveMError::no_folder);
    const FiveMWriteResult r =
        write_fivem_resource_files(b_.fs, folder, to_utf16(resource_name_), decoded);
    decoded.clear();
    decoded.shrink_to_fit();
    if (!r.ok) return send_failed(r.error, r.files_written);

    std::u16string text(kFiveMSent.pick(swedish()));
    text += to_utf16(resource_name_);
    b_.chrome.show_notice(text, true, kSuccessNoticeMs);
    auto reply = start_reply(target_.id, true);
    reply.add_string("resourceName", resource_name_).add_integer("filesWritten", r.files_written);
    post(reply);
  }

 private:
  bool swedish() const { return b_.ui_swedish && b_.ui_swedish(); }

  std::string configured_name() {
    return b_.folder.is_fivem_folder_configured() ? to_utf8(b_.folder.fivem_folder_name())
                                                  : std::string();
  }

  void short_reply(FiveMError e) {
    auto reply = start_reply(target_.id, false);
    reply.add_string("error", code(e));
    post(reply);
  }

  // files_written is what the writer really replaced, so a commit that failed half-way
  // does not tell the page that nothing changed.
  void send_failed(FiveMError e, std::int32_t files_written = 0) {
    b_.chrome.show_notice(fivem_send_failure_text(e).pick(swedish()), false, kNoticeMs);
    auto reply = start_reply(target_.id, false);
    reply.add_string("resourceName", resource_name_)
        .add_integer("filesWritten", files_written)
        .add_string("error", code(e));
    post(reply);
  }

  void post(const json::ObjectWriter& reply) { post_fivem_result(b_, target_, reply); }

  FiveMBridge& b_;
  FiveMReplyTarget target_;
  std::string resource_name_;
};

}  // namespace

LocalizedText fivem_send_failure_text(FiveMError error) {
  switch (error) {
    case FiveMError::no_folder:
      return kFiveMNoFolder;
    case FiveMError::folder_missing:
      return kFiveMFolderMissing;
    case FiveMError::too_large:
      return kFiveMTooLarge;
    case FiveMError::too_many_files:
      return kFiveMTooManyFiles;
    default:
      return kFiveMSendFailed;
  }
}

bool is_within_fivem_message_cap(std::string_view utf8, std::size_t cap_units) {
  // A UTF-8 text never has fewer bytes than UTF-16 units, so short texts need no count.
  return utf8.size() <= cap_units || utf16_units(utf8) <= cap_units;
}

bool is_valid_fivem_request_id(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (char c : id) {
    const bool ok = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '_' || c == '-';
    if (!ok) return false;
  }
  return true;
}

bool post_fivem_result(FiveMBridge& bridge, const FiveMReplyTarget& target,
                       const json::ObjectWriter& reply) {
  const std::shared_ptr<FiveMWebView> view = bridge.tabs.view_of_tab(target.tab_id);
  if (!view || view != target.view) return false;
  if (!is_service_origin_url(view->current_url())) return false;
  return view->post_json(reply.to_string());
}

void handle_fivem_web_message(FiveMBridge& bridge, std::uint64_t tab_id,
                              const std::shared_ptr<FiveMWebView>& sender,
                              FiveMWebMessage message) {
  try {
    if (!sender || !is_service_origin_url(message.source_url)) return;
    if (!is_service_origin_url(sender->current_url())) return;
    if (!message.text || !is_within_fivem_message_cap(*message.text)) return;
    auto parsed = json::parse_object(std::move(*message.text));
    if (!parsed.document) return;
    const json::ObjectRef request = parsed.document->root();
    const auto type = request.get_string("type");
    const auto id = request.get_string("id");
    if (!type || !id || !is_valid_fivem_request_id(*id)) return;
    const bool known = *type == kCapabilities || *type == kPick || *type == kSend;
    if (!known) return;

    Dispatch dispatch(bridge, FiveMReplyTarget{tab_id, sender, std::string(*id)});
    if (*type == kCapabilities) {
      dispatch.capabilities();
    } else if (*type == kPick) {
      dispatch.pick();
    } else {
      dispatch.send(parsed.document);
    }
  } catch (...) {
    // A failure inside leaves the request unanswered; the page's own time-out reports it.
  }
}

}  // namespace vantiro
