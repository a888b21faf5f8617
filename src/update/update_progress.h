#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vantiro::update {

float update_progress_fraction(std::uint64_t done, std::uint64_t total);
std::u16string update_percent_text(std::uint64_t done, std::uint64_t total);    // "62 %"
std::u16string update_kilobytes_text(std::uint64_t done, std::uint64_t total);  // "512 / 1024 KB"

// The boot scene's line while a release downloads: "Downloading update 1.9.10 … (62 %)".
std::u16string boot_download_line(std::u16string_view version, std::uint64_t done,
                                  std::uint64_t total, bool ui_swedish);

// Lets a progress report through at once and then at most once per interval.
class ProgressThrottle {
 public:
  explicit ProgressThrottle(std::uint64_t interval_ms = 40) : interval_ms_(interval_ms) {}
  bool should_report(std::uint64_t now_ms);

 private:
  std::uint64_t interval_ms_;
  bool reported_ = false;
  std::uint64_t last_ms_ = 0;
};

}  // namespace vantiro::update
