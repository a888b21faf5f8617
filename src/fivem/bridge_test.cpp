#include "fivem/bridge.h"

#include <gtest/gtest.h>

#include <map>

#include "common/build_config.h"
#include "common/utf.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/fake_resource_fs.h"
#include "fivem/fault_resource_fs.h"
#include "web/url.h"

namespace vantiro {
namespace {

using namespace testing_fs;

struct FakeView final : FiveMWebView {
  std::u16string url = service_url(u"/en/editor");
  std::vector<std::string> posted;
  std::u16string current_url() override { return url; }
  bool post_json(std::string_view json) override {
    posted.emplace_back(json);
    return true;
  }
};

struct FakeTabs final : FiveMTabs {
  std::map<std::uint64_t, std::shared_ptr<FiveMWebView>> views;
  std::shared_ptr<FiveMWebView> view_of_tab(std::uint64_t id) override {
    auto it = views.find(id);
    return it == views.end() ? nullptr : it->second;
  }
};

std::string request(std::string_view type, std::string_view id, std::string_view rest = "") {
  std::string m = R"({"type":")" + std::string(type) + R"(","id":")" + std::string(id) + "\"";
  if (!rest.empty()) m += "," + std::string(rest);
  return m + "}";
}

std::string send_request(std::string_view id, std::string_view rest) {
  return request("vantiro.fivem.send", id, rest);
}

struct Bridge : ::testing::Test {
  FakeResourceFs fs;
  ScriptedFolderPicker picker;
  MemoryFolderStore store;
  RecordingChrome chrome;
  FiveMFolderChoice folder{picker, fs, store, chrome};
  FakeTabs tabs;
  bool swedish = false;
  FiveMBridge bridge{tabs, folder, fs, chrome, [this] { return swedish; }};
  std::shared_ptr<FakeView> view = std::make_shared<FakeView>();
  static constexpr std::uint64_t kTab = 7;

  void SetUp() override {
    fs.add(u"/srv/fx", FakeResourceFs::Kind::folder);
    store.value = "/srv/fx";
    tabs.views[kTab] = view;
  }

  void deliver(std::string text, std::u16string source = service_url(u"/en/editor")) {
    handle_fivem_web_message(bridge, kTab, view, FiveMWebMessage{source, std::move(text)});
  }

  // The single reply posted since the last call, parsed.
  std::optional<json::Document> reply() {
    if (view->posted.size() != 1) {
      ADD_FAILURE() << "expected one reply, got " << view->posted.size();
      view->posted.clear();
      return std::nullopt;
    }
    auto parsed = json::parse_object(view->posted.front());
    view->posted.clear();
    EXPECT_TRUE(parsed.document.has_value());
    return std::move(parsed.document);
  }
};

TEST_F(Bridge, CapabilitiesTellTheVersionAndTheFolder) {
  deliver(request("vantiro.fivem.capabilities", "fivem-1-abc"));
  auto r = reply();
  ASSERT_TRUE(r);
  const auto o = r->root();
  EXPECT_EQ(o.get_string("type"), "vantiro.fivem.result");
  EXPECT_EQ(o.get_string("id"), "fivem-1-abc");
  EXPECT_EQ(o.get_bool("ok"), true);
  EXPECT_EQ(o.get_string("version"), "1.9.4");
  EXPECT_EQ(o.get_bool("fivemFolderConfigured"), true);
  EXPECT_EQ(o.get_string("fivemFolderName"), "fx");

  store.value = "/srv/deleted";
  deliver(request("vantiro.fivem.capabilities", "fivem-2-abc"));
  r = reply();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->root().get_bool("fivemFolderConfigured"), false);
  EXPECT_EQ(r->root().get_string("fivemFolderName"), "");
}

TEST_F(Bridge, MessagesFailingAcceptanceGetNoReply) {
  const std::string caps = request("vantiro.fivem.capabilities", "fivem-1-a");
  std::u16string http = u"http://";
  http += kServiceHost;
  http += u"/en/editor";
  struct Case {
    std::string label;
    std::u16string source;
    std::u16string view_url;
    std::optional<std::string> text;
  };
  const std::u16string good = service_url(u"/en/editor");
  const std::vector<Case> cases = {
      {"foreign sender", u"https://example.com/", good, caps},
      {"plain http sender", http, good, caps},
      {"view navigated away", good, u"https://example.com/", caps},
      {"non-string message", good, good, std::nullopt},
      {"not json", good, good, "{type"},
      {"array", good, good, "[1]"},
      {"trailing text", good, good, caps + " x"},
      {"no type", good, good, R"({"id":"a"})"},
      {"type not a string", good, good, R"({"type":1,"id":"a"})"},
      {"no id", good, good, R"({"type":"vantiro.fivem.capabilities"})"},
      {"id not a string", good, good, R"({"type":"vantiro.fivem.capabilities","id":5})"},
      {"empty id", good, good, request("vantiro.fivem.capabilities", "")},
      {"65-character id", good, good, request("vantiro.fivem.capabilities", std::string(65, 'a'))},
      {"id with a dot", good, good, request("vantiro.fivem.capabilities", "a.b")},
      {"unknown type", good, good, request("vantiro.fivem.other", "a")},
      {"send with a bad id", good, good, send_request("a b", "")},
  };
  for (const auto& c : cases) {
    view->url = c.view_url;
    handle_fivem_web_message(bridge, kTab, view, FiveMWebMessage{c.source, c.text});
    EXPECT_TRUE(view->posted.empty()) << c.label;
    view->posted.clear();
  }
  EXPECT_TRUE(chrome.notices.empty());
  view->url = good;
  deliver(request("vantiro.fivem.capabilities", std::string(64, 'a')));
  EXPECT_EQ(view->posted.size(), 1u) << "a 64-character id is accepted";
}

std::string repeated(std::string_view unit, std::size_t n) {
  const std::size_t total = unit.size() * n;
  std::string s;
  if (n == 0) return s;
  s.reserve(total);
  s.append(unit);
  while (s.size() * 2 <= total) s.append(s.data(), s.size());
  s.append(s.data(), total - s.size());
  return s;
}

TEST(FiveMMessageCap, CountsUtf16UnitsNotBytes) {
  struct Case {
    std::string label;
    std::size_t ascii, two_byte, four_byte;
    bool within;
  };
  const std::size_t cap = 1000;
  const std::vector<Case> cases = {
      {"ascii at the cap", cap, 0, 0, true},
      {"ascii one over", cap + 1, 0, 0, false},
      {"two-byte characters at the cap", 0, cap, 0, true},
      {"two-byte characters one over", 1, cap, 0, false},
      {"four-byte characters count two units", 0, 0, cap / 2, true},
      {"four-byte characters one over", 1, 0, cap / 2, false},
  };
  for (const auto& c : cases) {
    std::string text(c.ascii, 'a');
    text += repeated("\xc3\xa5", c.two_byte);
    text += repeated("\xf0\x9f\x98\x80", c.four_byte);
    EXPECT_EQ(is_within_fivem_message_cap(text, cap), c.within) << c.label;
  }
}

TEST_F(Bridge, AMessageOverTheCapIsDroppedUnread) {
  // Valid JSON but for its size, so only the cap can drop it.
  std::string text = R"({"type":"vantiro.fivem.capabilities","id":"x","pad":")";
  text.resize(kMaxFiveMMessageUnits - 1, 'a');
  text += "\"}";
  ASSERT_EQ(text.size(), kMaxFiveMMessageUnits + 1);
  deliver(std::move(text));
  EXPECT_TRUE(view->posted.empty());
}

TEST_F(Bridge, ASendWritesTheFilesAndAnnouncesTheResource) {
  deliver(send_request("s1", R"("resourceName":"car","files":[)"
                             R"({"path":"fxmanifest.lua","base64":"aGk="},)"
                             R"({"path":"stream/a.ytd","base64":"aGkh"}])"));
  auto r = reply();
  ASSERT_TRUE(r);
  const auto o = r->root();
  EXPECT_EQ(o.get_bool("ok"), true);
  EXPECT_EQ(o.get_string("resourceName"), "car");
  EXPECT_EQ(o.get_number("filesWritten"), 2.0);
  EXPECT_FALSE(o.has("error"));
  EXPECT_EQ(fs.node(u"/srv/fx/car/fxmanifest.lua").bytes, "hi");
  EXPECT_EQ(fs.node(u"/srv/fx/car/stream/a.ytd").bytes, "hi!");
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"Sent to FiveM: car");
  EXPECT_TRUE(chrome.notices[0].success);
  EXPECT_EQ(chrome.notices[0].duration_ms, 5000u);

  swedish = true;
  deliver(send_request("s2", R"("resourceName":"car","files":[)"
                             R"({"path":"fxmanifest.lua","base64":"aGk="}])"));
  ASSERT_TRUE(reply());
  EXPECT_EQ(chrome.notices[1].text, u"Skickat till FiveM: car");
}

TEST_F(Bridge, EachRefusalRepliesItsCodeAndNotice) {
  std::string many;
  for (int i = 0; i < 65; ++i)
    many += std::string(i ? "," : "") + R"({"path":"a.lua","base64":"!"})";
  const std::string manifest = R"({"path":"fxmanifest.lua","base64":"aGk="})";
  struct Case {
    std::string label;
    std::string members;
    std::string store;  // the stored folder
    std::string error;
    std::u16string en, sv;
  };
  const std::u16string failed_en = u"Could not send to FiveM";
  const std::u16string failed_sv = u"Kunde inte skicka till FiveM";
  const std::vector<Case> cases = {
      {"bad name", R"("resourceName":"CON","files":[)" + manifest + "]", "/srv/fx",
       "invalid_resource_name", failed_en, failed_sv},
      {"long name",
       R"("resourceName":")" + std::string(65, 'x') + R"(","files":[)" + manifest + "]", "/srv/fx",
       "invalid_resource_name", failed_en, failed_sv},
      {"no files", R"("resourceName":"car","files":[])", "/srv/fx", "no_files", failed_en,
       failed_sv},
      {"65 files, none decoded", R"("resourceName":"car","files":[)" + many + "]", "/srv/fx",
       "too_many_files", u"The resource has more than 64 files", u"Resursen har fler än 64 filer"},
      {"entry not an object", R"("resourceName":"car","files":[1])", "/srv/fx", "bad_request",
       failed_en, failed_sv},
      {"path without base64", R"("resourceName":"car","files":[{"path":"fxmanifest.lua"}])",
       "/srv/fx", "bad_request", failed_en, failed_sv},
      {"base64 not a string",
       R"("resourceName":"car","files":[{"path":"fxmanifest.lua","base64":null}])", "/srv/fx",
       "bad_request", failed_en, failed_sv},
      {"bad path", R"("resourceName":"car","files":[{"path":"../x.lua","base64":"aGk="}])",
       "/srv/fx", "invalid_path", failed_en, failed_sv},
      {"bad base64", R"("resourceName":"car","files":[{"path":"fxmanifest.lua","base64":"aGk"}])",
       "/srv/fx", "bad_base64", failed_en, failed_sv},
      {"no folder", R"("resourceName":"car","files":[)" + manifest + "]", "", "no_folder",
       u"Choose your FiveM folder in Settings → General",
       u"Välj din FiveM-mapp under Inställningar → Allmänt"},
      {"folder gone", R"("resourceName":"car","files":[)" + manifest + "]", "/srv/gone",
       "folder_missing", u"The FiveM folder no longer exists", u"FiveM-mappen finns inte längre"},
      {"no manifest (writer)",
       R"("resourceName":"car","files":[{"path":"client.lua","base64":"aGk="}])", "/srv/fx",
       "missing_manifest", failed_en, failed_sv},
      {"duplicate (writer)",
       R"("resourceName":"car","files":[)" + manifest + "," +
           R"({"path":"FXMANIFEST.lua","base64":"aGk="}])",
       "/srv/fx", "duplicate_path", failed_en, failed_sv},
  };
  for (const auto& c : cases) {
    for (bool sv : {false, true}) {
      swedish = sv;
      store.value = c.store;
      chrome.notices.clear();
      deliver(send_request("r1", c.members));
      auto r = reply();
      ASSERT_TRUE(r) << c.label;
      const auto o = r->root();
      EXPECT_EQ(o.get_bool("ok"), false) << c.label;
      EXPECT_EQ(o.get_string("error"), c.error) << c.label;
      EXPECT_EQ(o.get_number("filesWritten"), 0.0) << c.label;
      EXPECT_TRUE(o.get_string("resourceName").has_value()) << c.label;
      ASSERT_EQ(chrome.notices.size(), 1u) << c.label;
      EXPECT_EQ(chrome.notices[0].text, sv ? c.sv : c.en) << c.label;
      EXPECT_FALSE(chrome.notices[0].success) << c.label;
      EXPECT_EQ(chrome.notices[0].duration_ms, 3500u) << c.label;
    }
  }
  EXPECT_FALSE(fs.exists(u"/srv/fx/car"));
}

TEST_F(Bridge, ASendWithoutItsMembersGetsAShortBadRequest) {
  for (const std::string& members :
       {std::string(R"("files":[])"), std::string(R"("resourceName":"car")"),
        std::string(R"("resourceName":"car","files":{})"),
        std::string(R"("resourceName":7,"files":[])")}) {
    deliver(send_request("b1", members));
    auto r = reply();
    ASSERT_TRUE(r) << members;
    EXPECT_EQ(r->root().get_string("error"), "bad_request") << members;
    EXPECT_EQ(r->root().size(), 4u) << members;  // type, id, ok, error
  }
  EXPECT_TRUE(chrome.notices.empty());
}

TEST_F(Bridge, TheEstimateStopsASendBeforeTheCrossingFileIsDecoded) {
  // The first file's estimate is exactly the limit; the second, undecodable, crosses it.
  std::string members = R"("resourceName":"car","files":[{"path":"fxmanifest.lua","base64":")";
  members.append(kMaxFiveMEstimatedBytes / 3 * 4, 'A');
  members += R"("},{"path":"b.lua","base64":"!!!!"}])";
  deliver(send_request("big", members));
  auto r = reply();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->root().get_string("error"), "too_large");
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"The resource is larger than 64 MB");
}

TEST_F(Bridge, AFailedCommitRepliesTheFilesItReplaced) {
  FaultResourceFs faulty(fs);
  faulty.fail("replace_file", 1);
  FiveMBridge b{tabs, folder, faulty, chrome, [] { return false; }};
  handle_fivem_web_message(
      b, kTab, view,
      FiveMWebMessage{service_url(u"/x"),
                      send_request("c1", R"("resourceName":"car","files":[)"
                                         R"({"path":"fxmanifest.lua","base64":"aGk="},)"
                                         R"({"path":"b.lua","base64":"aGk="}])")});
  auto r = reply();
  ASSERT_TRUE(r);
  EXPECT_EQ(r->root().get_string("error"), "write_failed");
  EXPECT_EQ(r->root().get_number("filesWritten"), 1.0);
  EXPECT_EQ(chrome.notices.back().text, u"Could not send to FiveM");
}

TEST_F(Bridge, WhileADialogIsOpenPickAndSendAreBusyAndCapabilitiesAnswer) {
  picker.next = {FolderPickResult::Status::chosen, u"/srv/fx"};
  picker.while_open = [&] {
    deliver(request("vantiro.fivem.pick", "p2"));
    deliver(send_request("s2", R"("resourceName":"car","files":[)"
                               R"({"path":"fxmanifest.lua","base64":"aGk="}])"));
    deliver(request("vantiro.fivem.capabilities", "c2"));
  };
  store.value = "";
  deliver(request("vantiro.fivem.pick", "p1"));
  ASSERT_EQ(view->posted.size(), 4u);
  std::vector<json::Document> replies;
  for (const auto& text : view->posted) replies.push_back(*json::parse_object(text).document);
  const auto pick2 = replies[0].root();
  EXPECT_EQ(pick2.get_string("id"), "p2");
  EXPECT_EQ(pick2.get_string("error"), "busy");
  EXPECT_EQ(pick2.size(), 4u);
  const auto send2 = replies[1].root();
  EXPECT_EQ(send2.get_string("id"), "s2");
  EXPECT_EQ(send2.get_string("error"), "busy");
  EXPECT_EQ(send2.size(), 4u);
  const auto caps = replies[2].root();
  EXPECT_EQ(caps.get_string("id"), "c2");
  EXPECT_EQ(caps.get_bool("ok"), true);
  const auto pick1 = replies[3].root();
  EXPECT_EQ(pick1.get_string("id"), "p1");
  EXPECT_EQ(pick1.get_bool("ok"), true);
  EXPECT_EQ(pick1.get_bool("configured"), true);
  EXPECT_EQ(pick1.get_string("folderName"), "fx");
  EXPECT_FALSE(pick1.has("error"));
  EXPECT_FALSE(fs.exists(u"/srv/fx/car"));
  ASSERT_EQ(chrome.notices.size(), 1u);
  EXPECT_EQ(chrome.notices[0].text, u"FiveM folder selected: fx");
}

TEST_F(Bridge, PickOutcomesMapToTheirCodes) {
  struct Case {
    FolderPickResult::Status status;
    std::u16string path;
    std::string error;
  };
  const std::vector<Case> cases = {
      {FolderPickResult::Status::cancelled, u"", "cancelled"},
      {FolderPickResult::Status::failed, u"", "failed"},
      {FolderPickResult::Status::chosen, u"relative", "invalid_folder"}};
  for (const auto& c : cases) {
    picker.next = {c.status, c.path};
    deliver(request("vantiro.fivem.pick", "p"));
    auto r = reply();
    ASSERT_TRUE(r) << c.error;
    EXPECT_EQ(r->root().get_bool("ok"), false) << c.error;
    EXPECT_EQ(r->root().get_string("error"), c.error);
    EXPECT_EQ(r->root().get_bool("configured"), true) << c.error;  // the old folder stays
    EXPECT_EQ(r->root().get_string("folderName"), "fx") << c.error;
  }
}

TEST_F(Bridge, NoReplyWhenTheTabOrItsViewChangedMeanwhile) {
  struct Case {
    std::string label;
    std::function<void()> change;
  };
  const std::vector<Case> cases = {
      {"tab closed", [&] { tabs.views.erase(kTab); }},
      {"view renewed", [&] { tabs.views[kTab] = std::make_shared<FakeView>(); }},
      {"view navigated away", [&] { view->url = u"https://example.com/"; }},
  };
  for (const auto& c : cases) {
    tabs.views[kTab] = view;
    view->url = service_url(u"/en/editor");
    picker.next = {FolderPickResult::Status::cancelled, u""};
    picker.while_open = c.change;
    deliver(request("vantiro.fivem.pick", "p"));
    EXPECT_TRUE(view->posted.empty()) << "pick, " << c.label;

    tabs.views[kTab] = view;
    view->url = service_url(u"/en/editor");
    bool changed = false;
    fs.before = [&](std::string_view op) {
      if (op == "replace_file" && !changed) {
        changed = true;
        c.change();
      }
    };
    deliver(send_request("s", R"("resourceName":"car","files":[)"
                              R"({"path":"fxmanifest.lua","base64":"aGk="}])"));
    fs.before = nullptr;
    EXPECT_TRUE(changed) << c.label;
    EXPECT_TRUE(view->posted.empty()) << "send, " << c.label;
    EXPECT_EQ(fs.node(u"/srv/fx/car/fxmanifest.lua").bytes, "hi") << c.label;
  }
}

TEST(FiveMRequestId, AllowsOnlyShortWordCharacters) {
  EXPECT_TRUE(is_valid_fivem_request_id("fivem-12-lq3x9z"));
  EXPECT_TRUE(is_valid_fivem_request_id("A_b-9"));
  EXPECT_FALSE(is_valid_fivem_request_id(""));
  EXPECT_FALSE(is_valid_fivem_request_id(std::string(65, 'a')));
  EXPECT_FALSE(is_valid_fivem_request_id("a.b"));
  EXPECT_FALSE(is_valid_fivem_request_id("a b"));
  EXPECT_FALSE(is_valid_fivem_request_id("\xc3\xa5"));
}

}  // namespace
}  // namespace vantiro
