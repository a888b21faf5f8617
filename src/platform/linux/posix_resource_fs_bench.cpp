#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/utf.h"
#include "fivem/validation.h"
#include "fivem/writer.h"
#include "platform/ports.h"

namespace {

using namespace vantiro;
namespace fs = std::filesystem;

// The largest resource: 64 files of 1 MiB, the first the manifest, the rest in one folder.
std::vector<FiveMFile> max_files() {
  std::vector<FiveMFile> out;
  std::string content(kMaxFiveMTotalBytes / 64, '\0');
  for (std::size_t i = 0; i < content.size(); ++i)
    content[i] = static_cast<char>((i * 2654435761u) >> 13);
  for (int i = 0; i < 64; ++i) {
    const std::string p = i == 0 ? "fxmanifest.lua" : "stream/part" + std::to_string(i) + ".ytd";
    out.push_back({to_utf16(p), content});
  }
  return out;
}

// On the build's own disk, not a memory file system, so flushes cost what they cost.
fs::path scratch(const char* name) {
  fs::path p = fs::current_path() / "bench-scratch" / name;
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

void BM_ResourceWrite_Writer(benchmark::State& state) {
  const auto files = max_files();
  const fs::path root = scratch("writer");
  auto rfs = platform::make_resource_fs();
  for (auto _ : state) {
    const auto r = write_fivem_resource_files(*rfs, to_utf16(root.string()), u"bench", files);
    if (!r.ok) state.SkipWithError(std::string(code(r.error)).c_str());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMaxFiveMTotalBytes));
  fs::remove_all(root);
}

// The yardstick: the same files the plain durable way, each written to a temporary name,
// flushed and renamed over its target, nothing else.
void BM_ResourceWrite_PlainDurable(benchmark::State& state) {
  const auto files = max_files();
  const fs::path root = scratch("plain");
  fs::create_directories(root / "bench" / "stream");
  for (auto _ : state) {
    for (const auto& f : files) {
      const std::string target = (root / "bench" / to_utf8(f.path)).string();
      const std::string tmp = target + ".tmp";
      const int fd = open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
      bool ok = fd >= 0;
      for (std::size_t at = 0; ok && at < f.bytes.size();) {
        const ssize_t n = write(fd, f.bytes.data() + at, f.bytes.size() - at);
        ok = n > 0;
        at += ok ? static_cast<std::size_t>(n) : 0;
      }
      ok = ok && fsync(fd) == 0;
      if (fd >= 0) close(fd);
      ok = ok && rename(tmp.c_str(), target.c_str()) == 0;
      if (!ok) state.SkipWithError("plain write failed");
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kMaxFiveMTotalBytes));
  fs::remove_all(root);
}

// Alternating, so both see the same disk and the same neighbours.
BENCHMARK(BM_ResourceWrite_PlainDurable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6)
    ->UseRealTime();
BENCHMARK(BM_ResourceWrite_Writer)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();
BENCHMARK(BM_ResourceWrite_PlainDurable)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(6)
    ->UseRealTime();
BENCHMARK(BM_ResourceWrite_Writer)->Unit(benchmark::kMillisecond)->Iterations(6)->UseRealTime();

}  // namespace
