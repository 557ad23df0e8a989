// Stamps to the precision the file system keeps: FILETIMEs to 100 ns and
// across the whole range NTFS can hold, FAT and exFAT words with their
// 10 ms parts and exFAT's UTC offsets, written in ISO 8601 and read as
// local date-time values.
#include <gtest/gtest.h>

#include <string>

#include "engine/exact_stamp.h"
#include "engine/filetime.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine {
namespace {

std::string Iso(const std::optional<ExactStamp>& s) {
  if (!s) return "none";
  char text[kIsoStampChars];
  return std::string(text, FormatIsoStamp(*s, text));
}

constexpr uint16_t Date(int y, int m, int d) { return static_cast<uint16_t>(((y - 1980) << 9) | (m << 5) | d); }
constexpr uint16_t Time(int h, int mi, int s) { return static_cast<uint16_t>((h << 11) | (mi << 5) | (s / 2)); }

TEST(ExactStampTest, FileTimesKeepTheirHundredNanosecondsOverTheWholeRange) {
  struct Case {
    uint64_t fileTime;
    const char* iso;
  };
  const Case cases[] = {
      {133338004131234567ull, "2023-07-14T09:26:53.1234567Z"},  // an odd second, as ntfs-3g wrote it
      {116444736000000000ull, "1970-01-01T00:00:00.0000000Z"},
      {116444735995000000ull, "1969-12-31T23:59:59.5000000Z"},  // before 1970: still counted forwards
      {1, "1601-01-01T00:00:00.0000001Z"},
      {0, "none"},                                              // never set
      {0xFFFFFFFFFFFFFFFFull, "none"},                          // past year 9999
  };
  for (const Case& c : cases) EXPECT_EQ(Iso(FileTimeStamp(c.fileTime)), c.iso) << c.fileTime;
}

TEST(ExactStampTest, DosWordsWithTheirTenMillisecondsAndUtcOffsets) {
  struct Case {
    const char* what;
    uint16_t date, time;
    std::optional<uint8_t> tenMs;
    uint8_t offset;
    const char* iso;
  };
  const Case cases[] = {
      {"FAT modified: two-second steps, a wall clock", Date(2024, 3, 1), Time(12, 0, 58), std::nullopt, 0,
       "2024-03-01T12:00:58"},
      {"FAT created: 10 ms of 150 add a second and a half", Date(2024, 3, 1), Time(12, 0, 58), 150, 0,
       "2024-03-01T12:00:59.50"},
      {"exactly 100", Date(2024, 3, 1), Time(12, 0, 0), 100, 0, "2024-03-01T12:00:01.00"},
      {"a 10 ms part past 199 is left out", Date(2024, 3, 1), Time(12, 0, 0), 200, 0, "2024-03-01T12:00:00.00"},
      {"exFAT at UTC+8 (0xA0) is an instant", Date(2024, 3, 1), Time(20, 0, 0), 7, 0xA0,
       "2024-03-01T12:00:00.07Z"},
      {"exFAT at UTC-5 (0xEC) crosses midnight", Date(2024, 2, 29), Time(22, 30, 0), 0, 0xEC,
       "2024-03-01T03:30:00.00Z"},
      {"exFAT at UTC+0 with the valid bit", Date(2024, 3, 1), Time(12, 0, 0), 0, 0x80, "2024-03-01T12:00:00.00Z"},
      {"an offset without the valid bit is no zone", Date(2024, 3, 1), Time(12, 0, 0), 0, 0x20,
       "2024-03-01T12:00:00.00"},
      {"date 0", 0, Time(12, 0, 0), 0, 0x80, "none"},
      {"30 February", Date(2024, 2, 30), 0, std::nullopt, 0, "none"},
      {"minute 60", Date(2024, 3, 1), static_cast<uint16_t>(60 << 5), std::nullopt, 0, "none"},
  };
  for (const Case& c : cases) EXPECT_EQ(Iso(DosStamp(c.date, c.time, c.tenMs, c.offset)), c.iso) << c.what;
}

TEST(ExactStampTest, LocalValuesKeepTheFractionAndReadInstantsInTheLocalZone) {
  testing::ScopedTimeZone zone("XST-2");  // two hours east of UTC
  const ExactStamp instant{1689326813, 123456700, 7, true};  // 2023-07-14T09:26:53.1234567Z
  const CivilTime local = DateTimeToCivil(LocalDateTimeValue(instant));
  EXPECT_EQ(local.hour, 11);
  EXPECT_EQ(local.second, 53);  // not the even second a two-second clock keeps
  const double value = LocalDateTimeValue(instant);
  EXPECT_NEAR((value - static_cast<double>(DaysFromCivil(2023, 7, 14))) * 86400.0, 11 * 3600 + 26 * 60 + 53.1234567,
              1e-5);
  // A wall-clock stamp reads as it is, whatever the zone.
  const ExactStamp wall{1689326813, 500000000, 2, false};
  EXPECT_EQ(DateTimeToCivil(LocalDateTimeValue(wall)).hour, 9);
  // A clock shows 09:26:59.6 as minute 26, not 27.
  const ExactStamp late{1689326819, 600000000, 2, false};
  EXPECT_EQ(DateTimeToCivil(LocalDateTimeValue(late)).minute, 26);
  EXPECT_EQ(DateTimeToCivil(LocalDateTimeValue(late)).second, 59);
}

}  // namespace
}  // namespace tarnwell::engine
