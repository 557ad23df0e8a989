// The wildcard matcher and the FAT / FILETIME time conversions.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "engine/filetime.h"
#include "engine/search/wildcard.h"

namespace tarnwell::engine {
namespace {

TEST(WildcardMatchTest, Table) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"report.doc", "*.doc", true},
      {"report.doc", "*.DOC", false},  // byte for byte; lowering is the caller's
      {"report.doc", "r?port.*", true},
      {"report.doc", "report.doc?", false},
      {"report.doc", "*", true},
      {"", "*", true},
      {"", "", true},
      {"", "?", false},
      {"ab", "ab*", true},    // a pattern ending in one star matches at the star
      {"ab", "ab**", false},  // two stars do not
      {"abc", "ab**", true},
      {"ab", "*ab", true},
      {"a", "**a", true},
      {"abcabc", "*c*c", true},
      {"abcab", "*c*c", false},
      {"x.txt", " x.txt", false},  // a blank is a character
      {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*a*a*c", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(WildcardMatch(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
}

TEST(WildcardMatchTest, OverlongNamesAndPatternsAreRefused) {
  const std::string fits(1023, 'a');
  const std::string tooLong(1024, 'a');
  EXPECT_TRUE(WildcardMatch(fits, "*"));
  EXPECT_TRUE(WildcardMatch(fits, fits));
  EXPECT_FALSE(WildcardMatch(tooLong, "*"));
  // Cut to 1023 bytes this pattern would equal the name; it is refused.
  EXPECT_FALSE(WildcardMatch(fits, fits + "b"));
}

uint16_t DosDate(int y, int m, int d) { return static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d); }
uint16_t DosTime(int h, int m, int s2) { return static_cast<uint16_t>((h << 11) | (m << 5) | s2); }

TEST(FormatDosDateTimeTest, ValidityTable) {
  struct Case {
    uint16_t date, time;
    bool valid;
  };
  const Case cases[] = {
      {0, 0, true},
      {DosDate(2024, 2, 29), DosTime(23, 59, 29), true},
      {DosDate(2023, 2, 29), 0, false},  // no 29 February in 2023
      {DosDate(2024, 2, 30), 0, false},
      {DosDate(2024, 4, 31), 0, false},
      {DosDate(2024, 0, 1), 0, false},
      {DosDate(2024, 13, 1), 0, false},
      {DosDate(2024, 1, 0), 0, false},
      {DosDate(2050, 12, 31), 0, true},
      // Every year the field holds is a date: recovery stamps files with
      // them, so the lists show them too.
      {DosDate(2051, 1, 1), DosTime(0, 0, 0), true},
      {DosDate(2107, 12, 31), DosTime(23, 59, 58), true},
      {0x8E00, 0, false},  // month 0
      {DosDate(2024, 1, 1), DosTime(24, 0, 0), false},
      {DosDate(2024, 1, 1), DosTime(25, 0, 0), false},
      {DosDate(2024, 1, 1), DosTime(10, 60, 0), false},  // passes the field test, not the clock
      {DosDate(2024, 1, 1), DosTime(10, 61, 0), false},
      {DosDate(2024, 1, 1), DosTime(10, 0, 30), false},  // second 60
      {DosDate(2024, 1, 1), DosTime(10, 0, 31), false},
      {0, DosTime(1, 0, 0), false},  // a time without a date
  };
  for (const Case& c : cases) {
    const DosDateTime d = FormatDosDateTime(c.date, c.time);
    EXPECT_EQ(d.valid, c.valid) << std::hex << c.date << " " << c.time;
    if (!d.valid) {
      EXPECT_EQ(d.value, 0);
    }
  }
}

TEST(FormatDosDateTimeTest, ValuesCountDaysFrom18991230) {
  EXPECT_DOUBLE_EQ(FormatDosDateTime(DosDate(1980, 1, 1), 0).value, 29221.0);
  const DosDateTime noon = FormatDosDateTime(DosDate(2024, 3, 1), DosTime(12, 0, 0));
  EXPECT_DOUBLE_EQ(noon.value, 45352.5);
  const CivilTime t = DateTimeToCivil(FormatDosDateTime(DosDate(2004, 2, 14), DosTime(12, 52, 3)).value);
  EXPECT_EQ(t.year, 2004);
  EXPECT_EQ(t.month, 2);
  EXPECT_EQ(t.day, 14);
  EXPECT_EQ(t.hour, 12);
  EXPECT_EQ(t.minute, 52);
  EXPECT_EQ(t.second, 6);
}

// FILETIME of a UTC calendar time.
uint64_t FileTime(int y, int mo, int d, int h, int mi, int s) {
  const int64_t days = DaysFromCivil(y, mo, d) - DaysFromCivil(1601, 1, 1);
  return static_cast<uint64_t>((days * 86400 + h * 3600 + mi * 60 + s)) * 10000000ULL;
}

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* tz) {
    const char* old = std::getenv("TZ");
    old_ = old ? old : "";
    had_ = old != nullptr;
    setenv("TZ", tz, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (had_) setenv("TZ", old_.c_str(), 1);
    else unsetenv("TZ");
    tzset();
  }

 private:
  std::string old_;
  bool had_;
};

TEST(FileTimeToDateTimeTest, LocalTimeAtTwoSecondResolution) {
  {
    ScopedTimeZone utc("UTC");
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(FileTime(2024, 3, 1, 12, 0, 1)), 45352.5);
    EXPECT_EQ(FileTimeToDateTime(FileTime(1979, 12, 31, 23, 59, 59)), 0);
    // Up to 2107, the last year a FAT stamp holds, as FAT stamps show.
    EXPECT_DOUBLE_EQ(FileTimeToDateTime(FileTime(2051, 1, 1, 0, 0, 0)), FormatDosDateTime(DosDate(2051, 1, 1), 0).value);
    EXPECT_EQ(FileTimeToDateTime(FileTime(2108, 1, 1, 0, 0, 0)), 0);
    EXPECT_EQ(FileTimeToDateTime(0xFFFFFFFFFFFFFFFFULL), 0);
  }
  {
    ScopedTimeZone shanghai("Asia/Shanghai");
    // 2024-03-01 12:00 UTC is 20:00 in UTC+8.
    const CivilTime t = DateTimeToCivil(FileTimeToDateTime(FileTime(2024, 3, 1, 12, 0, 0)));
    EXPECT_EQ(t.day, 1);
    EXPECT_EQ(t.hour, 20);
  }
}

}  // namespace
}  // namespace tarnwell::engine
