#include "update/update_progress.h"

#include <algorithm>

#include "common/utf.h"
#include "update/update_texts.h"

namespace vantiro::update {
namespace {

std::u16string decimal(std::uint64_t v) {
  return to_utf16(std::to_string(v));
}

}  // namespace

float update_progress_fraction(std::uint64_t done, std::uint64_t total) {
  if (total == 0) return 0.0f;
  return static_cast<float>(static_cast<double>(std::min(done, total)) /
                            static_cast<double>(total));
}

std::u16string update_percent_text(std::uint64_t done, std::uint64_t total) {
  std::uint64_t percent = 0;
  if (total != 0) {
    const std::uint64_t d = std::min(done, total);
    if (d <= UINT64_MAX / 100) {
      percent = d * 100 / total;
    } else {
      // Too large to multiply exactly; never show 100 before the end.
      percent = static_cast<std::uint64_t>(static_cast<long double>(d) * 100.0L /
                                           static_cast<long double>(total));
      if (d < total) percent = std::min<std::uint64_t>(percent, 99);
    }
    percent = std::min<std::uint64_t>(percent, 100);
  }
  return decimal(percent) + u" %";
}

std::u16string update_kilobytes_text(std::uint64_t done, std::uint64_t total) {
  return decimal(std::min(done, total) / 1024) + u" / " + decimal(total / 1024) + u" KB";
}

std::u16string boot_download_line(std::u16string_view version, std::uint64_t done,
                                  std::uint64_t total, bool ui_swedish) {
  std::u16string line(kTextDownloading.pick(ui_swedish));
  if (!version.empty()) {
    line += u' ';
    line += version;
  }
  line += u" … (";
  line += update_percent_text(done, total);
  line += u')';
  return line;
}

bool ProgressThrottle::should_report(std::uint64_t now_ms) {
  if (reported_ && now_ms - last_ms_ < interval_ms_) return false;
  reported_ = true;
  last_ms_ = now_ms;
  return true;
}

}  // namespace vantiro::update
