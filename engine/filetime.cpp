#include "engine/filetime.h"

#include <algorithm>
#include <cmath>
#include <ctime>

namespace tarnwell::engine {
namespace {

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : days[m - 1];
}

// Days between 1970-01-01 and 1899-12-30.
constexpr int64_t kUnixEpochDays = 25569;
// Seconds between 1601-01-01 and 1970-01-01.
constexpr int64_t kFileTimeToUnix = 11644473600LL;

}  // namespace

int64_t DaysFromCivil(int year, int month, int day) {
  // Howard Hinnant's days-from-civil, shifted to the 1899-12-30 epoch.
  const int y = year - (month <= 2);
  const int era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return static_cast<int64_t>(era) * 146097 + doe - 719468 + kUnixEpochDays;
}

CivilTime DateTimeToCivil(double value) {
  int64_t days = static_cast<int64_t>(std::floor(value));
  // Down to the second, as a clock shows it (12:00:59.6 is still minute
  // 00), with a little room for the rounding of whole seconds in a double.
  int64_t seconds = static_cast<int64_t>(std::floor((value - static_cast<double>(days)) * 86400.0 + 1e-4));
  if (seconds >= 86400) {
    ++days;
    seconds -= 86400;
  }
  const int64_t z = days - kUnixEpochDays + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  const int year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
  return {year, month, day, static_cast<int>(seconds / 3600), static_cast<int>(seconds / 60 % 60),
          static_cast<int>(seconds % 60)};
}

DosDateTime FormatDosDateTime(uint16_t date, uint16_t time) {
  if (date == 0 && time == 0) return {0, true};
  const int month = (date >> 5) & 0x0F;
  const int day = date & 0x1F;
  const int minute = (time >> 5) & 0x3F;
  const int secondField = time & 0x1F;
  // The year field's 7 bits reach 2107, and every such year is a date:
  // recovery stamps the copies with them, so lists and searches show them.
  if (month == 0 || month > 12 || day == 0 || time >= 51200 || minute > 60 ||
      secondField == 31)
    return {0, false};
  const int year = 1980 + (date >> 9);
  const int hour = time >> 11;
  const int second = 2 * secondField;
  // What the calendar itself rejects: a day past the month's end, hour 24,
  // minute 60, second 60.
  if (day > DaysInMonth(year, month) || hour > 23 || minute > 59 || second > 59) return {0, false};
  const double value = static_cast<double>(DaysFromCivil(year, month, day)) +
                       (hour * 3600 + minute * 60 + second) / 86400.0;
  return {value, true};
}

double FileTimeToDateTime(uint64_t fileTime) {
  const int64_t unixSeconds = static_cast<int64_t>(fileTime / 10000000ULL) - kFileTimeToUnix;
  const std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm local{};
  if (!localtime_r(&t, &local)) return 0;
  const int year = local.tm_year + 1900;
  // A DOS date holds the years 1980 to 2107.
  if (year < 1980 || year > 2107) return 0;
  const uint16_t date = static_cast<uint16_t>(((year - 1980) << 9) | ((local.tm_mon + 1) << 5) |
                                              local.tm_mday);
  const uint16_t time = static_cast<uint16_t>((local.tm_hour << 11) | (local.tm_min << 5) |
                                              (std::min(local.tm_sec, 59) / 2));
  const DosDateTime dos = FormatDosDateTime(date, time);
  return dos.valid ? dos.value : 0;
}

}  // namespace tarnwell::engine
