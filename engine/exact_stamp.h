#pragma once
// Stamps to the precision the file system keeps them: NTFS in 100 ns steps
// as instants (UTC); exFAT in 10 ms steps with the writer's UTC offset; FAT
// in two-second steps (its created stamp in 10 ms steps) as the wall clock
// of the machine that wrote it. The lists' "mm/dd/yy hh:nn AM/PM" cells
// and the search's date ranges read them as local date-time values; the
// JSON listing writes them in ISO 8601.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>

#include "engine/records.h"

namespace tarnwell::engine {

struct ExactStamp {
  // Seconds since 1970-01-01 and the part of a second: an instant when utc
  // is set; otherwise the wall-clock time of a zone nobody recorded,
  // counted as if it were UTC.
  int64_t seconds = 0;
  uint32_t nanoseconds = 0;
  uint8_t fractionDigits = 0;  // decimals the file system keeps: 7 NTFS, 2 a 10 ms field, 0 none
  bool utc = false;
};

// 100 ns steps between 1601-01-01 and 1970-01-01.
inline constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

// The fields of a FAT or exFAT date and time word; false for a date or
// time no clock gives (the day is not checked against its month here).
bool DosStampFields(uint16_t date, uint16_t time, std::tm& tm);

// A FILETIME (100 ns since 1601, UTC); nullopt for 0 (never set) and past
// year 9999.
std::optional<ExactStamp> FileTimeStamp(uint64_t fileTime);
// A FAT or exFAT date and time word, with a 10 ms part (0 to 199, the
// seconds the time word's two-second steps leave out; nullopt: the stamp
// keeps none; above 199: left out) and an exFAT UTC offset byte (bit 7 set:
// the low 7 bits are a signed count of 15 minutes east of UTC, and the
// stamp is an instant; else the zone is unknown). Nullopt for date 0 and
// for a date or time no calendar has.
std::optional<ExactStamp> DosStamp(uint16_t date, uint16_t time, std::optional<uint8_t> tenMs, uint8_t utcOffset);

// The stamp of a kind (0 created, 1 modified, 2 accessed) of a found
// entry: FAT and exFAT directory entries, NTFS standard information.
std::optional<ExactStamp> FatEntryStamp(const TMidEntry& entry, int kind);
std::optional<ExactStamp> NtfsRecordStamp(const tntfsfilerecord& record, int kind);

// A date-time value of the local clock (days since 1899-12-30, the time of
// day as the fraction, to the stamp's precision): an instant as the local
// zone (TZ) shows it, a wall-clock stamp as it reads. 0 when the local
// time cannot be had.
double LocalDateTimeValue(const ExactStamp& stamp);

// "YYYY-MM-DDTHH:MM:SS" into text (19 characters, no terminator), for a
// year of 0 to 9999 and the other fields of 0 to 99.
void WriteIsoSeconds(char* text, int year, int month, int day, int hour, int minute, int second);

// ISO 8601 into text, returning its length: "2024-03-01T12:00:00.1234567Z"
// for an instant, without the Z for a wall-clock stamp, with the decimals
// the file system keeps (none: no dot).
inline constexpr size_t kIsoStampChars = 40;
size_t FormatIsoStamp(const ExactStamp& stamp, char (&text)[kIsoStampChars]);

}  // namespace tarnwell::engine
