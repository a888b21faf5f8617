#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/build_config.h"
#include "common/json.h"
#include "common/utf.h"
#include "fivem/base64.h"
#include "fivem/bridge.h"
#include "fivem/fake_fivem_host.h"
#include "fivem/validation.h"
#include "platform/ports.h"
#include "web/url.h"

namespace {

using namespace vantiro;
namespace fs = std::filesystem;

constexpr std::size_t kFiles = 64;
constexpr std::size_t kFileBytes = kMaxFiveMTotalBytes / kFiles;  // 1 MiB each, 64 MiB in all

std::string encode(std::string_view bytes) {
  static const char a[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
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

std::string file_path(std::size_t i) {
  return i == 0 ? "fxmanifest.lua" : "stream/part" + std::to_string(i) + ".ytd";
}

// The largest send: 64 files of 1 MiB each, the first one the manifest.
std::string build_max_send_message() {
  {
    std::string content(kFileBytes, '\0');
    for (std::size_t i = 0; i < content.size(); ++i)
      content[i] = static_cast<char>((i * 2654435761u) >> 13);
    const std::string b64 = encode(content);
    std::string m = R"({"type":"vantiro.fivem.send","id":"fivem-1-bench","resourceName":"bench",)"
                    R"("files":[)";
    m.reserve(kFiles * (b64.size() + 64) + 128);
    for (std::size_t f = 0; f < kFiles; ++f) {
      if (f) m += ',';
      m += R"({"path":")" + file_path(f) + R"(","base64":")" + b64 + "\"}";
    }
    m += "]}";
    return m;
  }
}

const std::string& max_send_message() {
  static const std::string message = build_max_send_message();
  return message;
}

// On the build's own disk, not a memory file system, so flushes cost what they cost.
fs::path scratch(const char* name) {
  fs::path p = fs::current_path() / "bench-scratch" / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

void BM_MaxSend_1_JsonParse(benchmark::State& state) {
  const std::string& m = max_send_message();
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = m;
    state.ResumeTiming();
    auto r = json::parse_object(std::move(copy));
    if (!r.document) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(r);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * m.size()));
  state.counters["message_bytes"] = static_cast<double>(m.size());
}
BENCHMARK(BM_MaxSend_1_JsonParse)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_MaxSend_2_Validation(benchmark::State& state) {
  auto doc = json::parse_object(max_send_message()).document;
  for (auto _ : state) {
    const auto root = doc->root();
    bool ok = is_valid_fivem_resource_name(to_utf16(*root.get_string("resourceName")));
    const auto files = *root.get_array("files");
    std::uint64_t estimate = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const auto e = *files.at(i).as_object();
      ok = ok && is_valid_fivem_relative_path(to_utf16(*e.get_string("path")));
      estimate += e.get_string("base64")->size() / 4 * 3;
    }
    ok = ok && estimate <= kMaxFiveMEstimatedBytes;
    if (!ok) state.SkipWithError("validation failed");
  }
}
BENCHMARK(BM_MaxSend_2_Validation)->Unit(benchmark::kMicrosecond);

void BM_MaxSend_3_Decode(benchmark::State& state) {
  auto doc = json::parse_object(max_send_message()).document;
  const auto files = *doc->root().get_array("files");
  std::vector<std::string> out(files.size());
  std::size_t in_bytes = 0;
  for (auto _ : state) {
    in_bytes = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
      const auto b64 = *files.at(i).as_object()->get_string("base64");
      in_bytes += b64.size();
      if (!decode_base64_strict(b64, out[i])) state.SkipWithError("decode failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in_bytes));
}
BENCHMARK(BM_MaxSend_3_Decode)->Unit(benchmark::kMillisecond)->Iterations(10);

struct NullTabs final : FiveMTabs {
  std::shared_ptr<FiveMWebView> view;
  std::shared_ptr<FiveMWebView> view_of_tab(std::uint64_t) override { return view; }
};
struct ServiceView final : FiveMWebView {
  std::string last;
  std::u16string current_url() override { return service_url(u"/en/editor"); }
  bool post_json(std::string_view json) override {
    last = json;
    return true;
  }
};

// One whole send through the handler: parse, checks, decode, write and reply.
std::string run_send(std::string message, const fs::path& root) {
  auto rfs = platform::make_resource_fs();
  testing_fs::ScriptedFolderPicker picker;
  testing_fs::MemoryFolderStore store;
  store.value = root.string();
  testing_fs::RecordingChrome chrome;
  FiveMFolderChoice folder(picker, *rfs, store, chrome);
  NullTabs tabs;
  auto view = std::make_shared<ServiceView>();
  tabs.view = view;
  FiveMBridge bridge{tabs, folder, *rfs, chrome, [] { return false; }};
  handle_fivem_web_message(bridge, 1, view,
                           FiveMWebMessage{service_url(u"/en/editor"), std::move(message)});
  return view->last;
}

void BM_MaxSend_5_WholeHandler(benchmark::State& state) {
  const fs::path root = scratch("whole");
  for (auto _ : state) {
    state.PauseTiming();
    std::string copy = max_send_message();
    state.ResumeTiming();
    const std::string reply = run_send(std::move(copy), root);
    if (reply.find("\"ok\":true") == std::string::npos) state.SkipWithError(reply.c_str());
  }
  fs::remove_all(root);
}
BENCHMARK(BM_MaxSend_5_WholeHandler)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// For the peak memory of one send: run alone under /usr/bin/time -v. The message is built,
// handed over and nothing else is kept.
void BM_MaxSend_PeakMemoryOnce(benchmark::State& state) {
  const fs::path root = scratch("peak");
  for (auto _ : state) {
    state.PauseTiming();
    std::string message = build_max_send_message();
    state.ResumeTiming();
    state.counters["message_bytes"] = static_cast<double>(message.size());
    const std::string reply = run_send(std::move(message), root);
    if (reply.find("\"ok\":true") == std::string::npos) state.SkipWithError(reply.c_str());
  }
  fs::remove_all(root);
}
BENCHMARK(BM_MaxSend_PeakMemoryOnce)->Unit(benchmark::kMillisecond)->Iterations(1);

}  // namespace
