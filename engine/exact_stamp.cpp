#include "engine/exact_stamp.h"

#include <cstdio>
#include <ctime>

#include "engine/filetime.h"
#include "engine/entry_handle.h"

namespace tarnwell::engine {
namespace {

// The last second of year 9999, since 1970.
constexpr int64_t kLastSecond = 253402300799;

}  // namespace

bool DosStampFields(uint16_t date, uint16_t time, std::tm& tm) {
  if (date == 0) return false;
  tm = std::tm{};
  tm.tm_year = 80 + (date >> 9);
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = time >> 11;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  return tm.tm_mon >= 0 && tm.tm_mon <= 11 && tm.tm_mday >= 1 && tm.tm_hour <= 23 && tm.tm_min <= 59 &&
         tm.tm_sec <= 59;
}

std::optional<ExactStamp> FileTimeStamp(uint64_t fileTime) {
  if (fileTime == 0) return std::nullopt;
  // Whole seconds since 1601 first, so that times before 1970 count down
  // from there without a negative remainder.
  const int64_t since1601 = static_cast<int64_t>(fileTime / 10000000u);
  const int64_t seconds = since1601 - static_cast<int64_t>(kUnixEpochFileTime / 10000000u);
  if (seconds > kLastSecond) return std::nullopt;
  return ExactStamp{seconds, static_cast<uint32_t>(fileTime % 10000000u) * 100, 7, true};
}

std::optional<ExactStamp> DosStamp(uint16_t date, uint16_t time, std::optional<uint8_t> tenMs, uint8_t utcOffset) {
  std::tm tm;
  if (!DosStampFields(date, time, tm)) return std::nullopt;
  const std::tm asked = tm;
  const time_t wall = ::timegm(&tm);
  // timegm carries 31 February into March; such a date was never written.
  if (wall == static_cast<time_t>(-1) || tm.tm_mday != asked.tm_mday || tm.tm_mon != asked.tm_mon)
    return std::nullopt;
  ExactStamp s;
  s.seconds = wall;
  if (utcOffset & 0x80) {
    // Seven-bit two's complement: 0x7F is -1, 0x40 is -64.
    const int quarters = (utcOffset & 0x40) ? (utcOffset & 0x7F) - 0x80 : (utcOffset & 0x3F);
    s.seconds -= static_cast<int64_t>(quarters) * 15 * 60;
    s.utc = true;
  }
  if (tenMs) {
    s.fractionDigits = 2;
    if (*tenMs < 200) {
      s.seconds += *tenMs / 100;
      s.nanoseconds = static_cast<uint32_t>(*tenMs % 100) * 10'000'000u;
    }
  }
  return s;
}

std::optional<ExactStamp> FatEntryStamp(const TMidEntry& entry, int kind) {
  const RawDirEntry& d = entry.DirEntry;
  const ExfatEntryFacts* x = entry.Exfat ? &*entry.Exfat : nullptr;
  switch (kind) {
    case kDateCreated:
      return DosStamp(d.CreationDate(), d.CreationTime(), d.bytes[13], x ? x->UtcOffsets[0] : 0);
    case kDateModified:
      // FAT keeps no 10 ms part for it; exFAT does.
      return DosStamp(d.ModificationDate(), d.ModificationTime(), x ? std::optional<uint8_t>(x->Modified10ms)
                                                                    : std::nullopt,
                      x ? x->UtcOffsets[1] : 0);
    default:
      // FAT keeps an access date only; exFAT a time too, without 10 ms.
      return DosStamp(d.AccessDate(), x ? x->AccessTime : 0, std::nullopt, x ? x->UtcOffsets[2] : 0);
  }
}

std::optional<ExactStamp> NtfsRecordStamp(const tntfsfilerecord& record, int kind) {
  const RawFileName& f = record.FileName;
  switch (kind) {
    case kDateCreated: return FileTimeStamp(f.CreationTime());
    case kDateModified: return FileTimeStamp(f.ModificationTime());
    default: return FileTimeStamp(f.AccessTime());
  }
}

double LocalDateTimeValue(const ExactStamp& stamp) {
  const auto t = static_cast<time_t>(stamp.seconds);
  std::tm tm{};
  if (!(stamp.utc ? localtime_r(&t, &tm) : gmtime_r(&t, &tm))) return 0;
  const double seconds = tm.tm_hour * 3600.0 + tm.tm_min * 60.0 + tm.tm_sec + stamp.nanoseconds / 1e9;
  return static_cast<double>(DaysFromCivil(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday)) + seconds / 86400.0;
}

void WriteIsoSeconds(char* text, int year, int month, int day, int hour, int minute, int second) {
  const auto two = [](char* at, int v) {
    at[0] = static_cast<char>('0' + v / 10 % 10);
    at[1] = static_cast<char>('0' + v % 10);
  };
  two(text, year / 100);
  two(text + 2, year % 100);
  text[4] = '-';
  two(text + 5, month);
  text[7] = '-';
  two(text + 8, day);
  text[10] = 'T';
  two(text + 11, hour);
  text[13] = ':';
  two(text + 14, minute);
  text[16] = ':';
  two(text + 17, second);
}

size_t FormatIsoStamp(const ExactStamp& stamp, char (&text)[kIsoStampChars]) {
  const auto t = static_cast<time_t>(stamp.seconds);
  std::tm tm{};
  if (!gmtime_r(&t, &tm)) return 0;
  // Digits placed by hand: a listing writes three stamps per entry, and
  // formatting them through printf was a good part of its time.
  const int year = tm.tm_year + 1900;
  if (year < 0 || year > 9999) return 0;
  WriteIsoSeconds(text, year, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec);
  size_t n = 19;
  if (stamp.fractionDigits > 0) {
    text[n++] = '.';
    uint32_t part = stamp.nanoseconds;
    for (int d = 0; d < stamp.fractionDigits && d < 9; ++d) {
      text[n++] = static_cast<char>('0' + part / 100'000'000u);
      part = part % 100'000'000u * 10;
    }
  }
  if (stamp.utc) text[n++] = 'Z';
  text[n] = '\0';
  return n;
}

}  // namespace tarnwell::engine
