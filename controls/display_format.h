#pragma once
// How the recovery windows show sizes and time stamps in their lists.
#include <QString>
#include <cstdint>

namespace tarnwell::controls {

// Decimal units: 999 stays "999", 1000 gives "1K", 1,234,567 "1.23M".
// Rounded to two decimals (ties to even), printed without trailing zeros;
// a negative count is shown as it is.
QString FormatSize(int64_t bytes);

// A date-time value (days since 1899-12-30 plus the fraction of the day) as
// "mm/dd/yy hh:nn AM/PM". 0 stands for "no stamp" (a FAT date and time of
// zero, an NTFS time before 1980) and gives an empty text rather than the
// calendar's day zero.
QString FormatListDateTime(double value);
// The same with the time of day left at 00:00 (FAT access dates).
QString FormatListDate(double value);

// The date-time value of the start of a calendar day.
double DayStartValue(int year, int month, int day);

}  // namespace tarnwell::controls
