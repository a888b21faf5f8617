// Drives the FiveM validators, the strict Base64 decoder and the bridge's JSON intake with
// arbitrary input and checks what the writer and the bridge rely on. The first byte picks the
// target; the rest is the text (UTF-8, or UTF-16 little-endian for the wide decoder).

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "common/json.h"
#include "common/utf.h"
#include "fivem/base64.h"
#include "fivem/bridge.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"
#include "fivem/validation.h"
#include "web/url.h"

namespace {

using namespace vantiro;

void check(bool ok, const char* what, std::string_view input) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\ninput: %.*s\n", what, static_cast<int>(input.size()),
               input.data());
  std::abort();
}

std::string encode(std::string_view bytes) {
  static const char a[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::size_t i = 0;
  for (; i + 3 <= bytes.size(); i += 3) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8) |
                       static_cast<unsigned char>(bytes[i + 2]);
    out += {a[v >> 18], a[(v >> 12) & 63], a[(v >> 6) & 63], a[v & 63]};
  }
  if (bytes.size() - i == 1) {
    const unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    out += {a[v >> 18], a[(v >> 12) & 63], '=', '='};
  } else if (bytes.size() - i == 2) {
    const unsigned v = (static_cast<unsigned char>(bytes[i]) << 16) |
                       (static_cast<unsigned char>(bytes[i + 1]) << 8);
    out += {a[v >> 18], a[(v >> 12) & 63], a[(v >> 6) & 63], '='};
  }
  return out;
}

void fuzz_paths(std::string_view text) {
  const std::u16string t = utf8_to_utf16_lossy(text);
  if (is_valid_fivem_relative_path(t)) {
    // An accepted path stays inside the resource folder under both hosts' path rules.
    std::u16string posix = u"/srv/fx/car/";
    posix += t;
    check(is_strictly_inside(u"/srv/fx/car", posix, PathStyle::posix), "path escapes (posix)",
          text);
    std::u16string win = u"C:\\fx\\car\\";
    for (char16_t c : t) win.push_back(c == u'/' ? u'\\' : c);
    check(is_strictly_inside(u"C:\\fx\\car", win, PathStyle::windows), "path escapes (windows)",
          text);
    check(t.size() <= kMaxFiveMPathUnits, "path too long", text);
    check(t.find_first_of(u"\\:~ ") == std::u16string::npos, "path holds a refused character",
          text);
  }
  if (is_valid_fivem_resource_name(t)) {
    std::u16string r = u"/srv/fx/";
    r += t;
    check(is_strictly_inside(u"/srv/fx", r, PathStyle::posix), "name escapes", text);
    check(t.find(u'.') == std::u16string::npos, "name holds a dot", text);
    check(!is_reserved_device_name(t), "name is a device", text);
  }
  // Whatever the text, a folder never contains itself.
  check(!is_strictly_inside(t, t, PathStyle::windows), "inside itself (windows)", text);
  check(!is_strictly_inside(t, t, PathStyle::posix), "inside itself (posix)", text);
  const auto half = t.size() / 2;
  (void)is_strictly_inside(std::u16string_view(t).substr(0, half),
                           std::u16string_view(t).substr(half), PathStyle::windows);
}

void fuzz_base64(std::string_view text) {
  std::string out = "stale";
  const bool ok = decode_base64_strict(text, out);
  // Success only for a canonical encoding, which decodes to what it encodes...
  if (ok) check(encode(out) == text, "decoded a text that is not canonical", text);
  if (!ok) check(out.empty(), "failure left output", text);
  // ...and every canonical encoding succeeds.
  const std::string canonical = encode(text);
  std::string round;
  check(decode_base64_strict(canonical, round) && round == text, "canonical text refused", text);
  std::u16string wide(text.begin(), text.end());
  for (auto& c : wide) c = static_cast<unsigned char>(c);
  std::string out16;
  check(decode_base64_strict(wide, out16) == ok && out16 == (ok ? out : std::string()),
        "wide and narrow decoders disagree", text);
}

void fuzz_wide_base64(const std::uint8_t* data, std::size_t size) {
  std::u16string wide(size / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i)
    wide[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  std::string out;
  const bool ok = decode_base64_strict(wide, out);
  const std::string narrow = utf16_to_utf8_lossy(wide);
  if (ok) check(encode(out) == narrow, "wide decode not canonical", narrow);
}

struct OneTab final : FiveMTabs {
  std::shared_ptr<FiveMWebView> view;
  std::shared_ptr<FiveMWebView> view_of_tab(std::uint64_t id) override {
    return id == 1 ? view : nullptr;
  }
};

struct RecordingView final : FiveMWebView {
  std::vector<std::string> posted;
  std::u16string current_url() override { return service_url(u"/en/editor"); }
  bool post_json(std::string_view json) override {
    posted.emplace_back(json);
    return true;
  }
};

void fuzz_intake(std::string_view text) {
  testing_fs::FakeResourceFs fs;
  fs.add(u"/srv/fx", testing_fs::FakeResourceFs::Kind::folder);
  fs.add(u"/srv/secret.lua", testing_fs::FakeResourceFs::Kind::file, "keep");
  fs.add_link(u"/srv/fx/linked", u"/srv");
  const auto before_outside = fs.listing(u"/srv");
  testing_fs::ScriptedFolderPicker picker;
  picker.next = {FolderPickResult::Status::cancelled, {}};
  testing_fs::MemoryFolderStore store;
  store.value = "/srv/fx";
  testing_fs::RecordingChrome chrome;
  FiveMFolderChoice folder(picker, fs, store, chrome);
  OneTab tabs;
  auto view = std::make_shared<RecordingView>();
  tabs.view = view;
  FiveMBridge bridge{tabs, folder, fs, chrome, [] { return false; }};
  handle_fivem_web_message(bridge, 1, view,
                           FiveMWebMessage{service_url(u"/en/editor"), std::string(text)});

  check(view->posted.size() <= 1, "more than one reply", text);
  if (!view->posted.empty()) {
    auto reply = json::parse_object(view->posted.front());
    check(reply.document.has_value(), "reply is not a JSON object", text);
    const auto root = reply.document->root();
    check(root.get_string("type") == std::optional<std::string_view>("vantiro.fivem.result"),
          "reply type", text);
    auto request = json::parse_object(std::string(text));
    check(request.document.has_value(), "reply to a message that does not parse", text);
    const auto id = request.document->root().get_string("id");
    check(id && root.get_string("id") == id && is_valid_fivem_request_id(*id), "reply id", text);
    check(root.get_bool("ok").has_value(), "reply without ok", text);
  }
  // Nothing outside the FiveM folder changes, whatever the request.
  auto after = fs.listing(u"/srv");
  std::vector<std::u16string> outside_before, outside_after;
  for (const auto& p : before_outside)
    if (p.rfind(u"/srv/fx/", 0) != 0) outside_before.push_back(p);
  for (const auto& p : after)
    if (p.rfind(u"/srv/fx/", 0) != 0) outside_after.push_back(p);
  check(outside_before == outside_after, "something outside the FiveM folder changed", text);
  for (const auto& p : after)
    check(p.find(u".vantiro-tmp") == std::u16string::npos, "staging file left", text);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t mode = data[0] % 4;
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);
  switch (mode) {
    case 0:
      fuzz_paths(text);
      break;
    case 1:
      fuzz_base64(text);
      break;
    case 2:
      fuzz_wide_base64(data + 1, size - 1);
      break;
    default:
      fuzz_intake(text);
      break;
  }
  return 0;
}
