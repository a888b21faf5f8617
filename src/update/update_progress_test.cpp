#include "update/update_progress.h"

#include <gtest/gtest.h>

#include "common/utf.h"

namespace vantiro::update {
namespace {

TEST(UpdateProgress, FractionPercentAndKilobytes) {
  EXPECT_EQ(update_progress_fraction(0, 0), 0.0f);
  EXPECT_EQ(update_progress_fraction(500, 1000), 0.5f);
  EXPECT_EQ(update_progress_fraction(2000, 1000), 1.0f);
  struct Case {
    std::uint64_t done, total;
    std::u16string_view percent;
  };
  const Case cases[] = {{620, 1000, u"62 %"},
                        {0, 0, u"0 %"},
                        {999, 1000, u"99 %"},
                        {1000, 1000, u"100 %"},
                        {5000, 1000, u"100 %"},
                        {1, 3, u"33 %"},
                        {UINT64_MAX - 1, UINT64_MAX, u"99 %"}};
  for (const auto& c : cases)
    EXPECT_EQ(update_percent_text(c.done, c.total), c.percent) << c.done << "/" << c.total;
  EXPECT_EQ(update_kilobytes_text(524288, 1048576), u"512 / 1024 KB");
  EXPECT_EQ(update_kilobytes_text(2048, 1024), u"1 / 1 KB");
  EXPECT_EQ(update_kilobytes_text(0, 0), u"0 / 0 KB");
}

TEST(UpdateProgress, BootLineInBothLanguages) {
  EXPECT_EQ(boot_download_line(u"1.9.10", 620, 1000, false), u"Downloading update 1.9.10 … (62 %)");
  EXPECT_EQ(boot_download_line(u"1.9.10", 620, 1000, true), u"Hämtar uppdatering 1.9.10 … (62 %)");
  EXPECT_EQ(boot_download_line(u"", 0, 1000, false), u"Downloading update … (0 %)");
}

TEST(ProgressThrottle, FirstReportAtOnceThenOnePer40Ms) {
  ProgressThrottle t;
  EXPECT_TRUE(t.should_report(1000));
  EXPECT_FALSE(t.should_report(1000));
  EXPECT_FALSE(t.should_report(1039));
  EXPECT_TRUE(t.should_report(1040));
  EXPECT_FALSE(t.should_report(1079));
  EXPECT_TRUE(t.should_report(1200));
  ProgressThrottle at_zero;
  EXPECT_TRUE(at_zero.should_report(0));
  EXPECT_FALSE(at_zero.should_report(10));
}

}  // namespace
}  // namespace vantiro::update
