#include <gtest/gtest.h>

#include "controls/display_format.h"
#include "controls/sort_state.h"

namespace tarnwell::controls {
namespace {

TEST(FormatSizeTest, DecimalUnitsShortestFormTiesToEven) {
  EXPECT_EQ(FormatSize(0), "0");
  EXPECT_EQ(FormatSize(999), "999");
  EXPECT_EQ(FormatSize(1000), "1K");
  EXPECT_EQ(FormatSize(2000), "2K");
  EXPECT_EQ(FormatSize(1234), "1.23K");
  EXPECT_EQ(FormatSize(999999), "1000K");
  EXPECT_EQ(FormatSize(1000000), "1M");
  EXPECT_EQ(FormatSize(1234567), "1.23M");
  EXPECT_EQ(FormatSize(1250000), "1.25M");
  // 100.5 hundredths rounds to the even 100, 101.5 to 102.
  EXPECT_EQ(FormatSize(1005), "1K");
  EXPECT_EQ(FormatSize(1015), "1.02K");
  EXPECT_EQ(FormatSize(5'000'000'000LL), "5000M");
  EXPECT_EQ(FormatSize(-7), "-7");
}

TEST(FormatListDateTimeTest, TwelveHourClockAndEmptyForNoStamp) {
  const double day = DayStartValue(2024, 3, 5);
  EXPECT_EQ(FormatListDateTime(day), "03/05/24 12:00 AM");
  EXPECT_EQ(FormatListDateTime(day + 0.5), "03/05/24 12:00 PM");
  EXPECT_EQ(FormatListDateTime(day + (13 * 60 + 7) / 1440.0), "03/05/24 01:07 PM");
  EXPECT_EQ(FormatListDateTime(DayStartValue(1999, 12, 31) + 23.99 / 24), "12/31/99 11:59 PM");
  // A zero stamp is "no stamp", not the calendar's day zero.
  EXPECT_EQ(FormatListDateTime(0), "");
  EXPECT_EQ(FormatListDate(0), "");
  EXPECT_EQ(FormatListDate(day + 0.75), "03/05/24 12:00 AM");
}

TEST(SortStateTest, FirstClickDescendingSecondAscendingOtherColumnRestarts) {
  SortState s;
  EXPECT_EQ(s.Column(), -1);
  EXPECT_EQ(s.Click(3), -1);
  EXPECT_TRUE(s.Descending());
  EXPECT_EQ(s.Value(), 4);
  EXPECT_EQ(s.Click(3), 1);
  EXPECT_EQ(s.Value(), -4);
  EXPECT_EQ(s.Click(3), -1);
  EXPECT_EQ(s.Click(0), -1);
  EXPECT_EQ(s.Column(), 0);
  EXPECT_EQ(s.Value(), 1);
  EXPECT_EQ(s.Click(0), 1);
  EXPECT_EQ(s.Click(3), -1);
}

}  // namespace
}  // namespace tarnwell::controls
