#pragma once
// Time stamps as date-time values: days since 1899-12-30 plus the time of
// day as a fraction.
#include <cstdint>

namespace tarnwell::engine {

struct DosDateTime {
  double value = 0;
  bool valid = false;
};

// A FAT date and time word (local time). Both 0: value 0, valid. Out of
// range fields, and days or times no calendar has (30 February, minute
// 60, second 60), give value 0 and invalid.
DosDateTime FormatDosDateTime(uint16_t date, uint16_t time);

// A FILETIME (100 ns since 1601, UTC) in the local time of the system time
// zone, at the two-second resolution of a FAT stamp; 0 when it is not
// representable as one (before 1980, after 2107, or invalid).
double FileTimeToDateTime(uint64_t fileTime);

// The calendar parts of a date-time value (for display).
struct CivilTime {
  int year, month, day, hour, minute, second;
};
CivilTime DateTimeToCivil(double value);
// Days since 1899-12-30 of a calendar date.
int64_t DaysFromCivil(int year, int month, int day);

}  // namespace tarnwell::engine
