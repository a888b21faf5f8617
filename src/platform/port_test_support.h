#pragma once

// Small helpers for the hosts' port tests: a scratch folder and plain file access through the
// standard library, independent of the port under test.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/file_system.h"
#include "platform/atomic_replace.h"

namespace vantiro::platform::port_tests {

inline std::string utf8(const Path& path) {
  const std::u8string s = path.u8string();
  return std::string(s.begin(), s.end());
}

// A fresh folder under the system's temporary directory, removed with its content at the end.
class TempFolder {
 public:
  TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::error_code ec;
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    path_ = std::filesystem::temp_directory_path(ec) /
            ("vantiro-port-test-" + std::to_string(current_process_id()) + "-" +
             std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(path_, ec);
    EXPECT_FALSE(ec) << "cannot create " << utf8(path_);
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const Path& path() const { return path_; }
  Path operator/(const Path& name) const { return path_ / name; }

 private:
  Path path_;
};

inline void write_file(const Path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << utf8(path);
}

inline std::string read_file(const Path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "<unreadable>";
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names in a folder, sorted, as UTF-8.
inline std::vector<std::string> names_in(const Path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(utf8(entry.path().filename()));
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Deterministic bytes that do not repeat with any power-of-two period.
inline std::string pattern_bytes(std::size_t size) {
  std::string bytes(size, '\0');
  std::uint32_t x = 0x9E3779B9u;
  for (auto& b : bytes) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<char>(x >> 24);
  }
  return bytes;
}

}  // namespace vantiro::platform::port_tests
