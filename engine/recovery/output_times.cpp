#include "engine/recovery/output_times.h"

#include <fcntl.h>
#include <sys/stat.h>

#include "engine/exact_stamp.h"

namespace tarnwell::engine {
namespace {

// The conversions carry 31 February into March; such a date was never written.
bool SameDay(const std::tm& asked, const std::tm& got) {
  return got.tm_mday == asked.tm_mday && got.tm_mon == asked.tm_mon;
}

}  // namespace

std::optional<timespec> FatLocalTime(uint16_t date, uint16_t time) {
  std::tm tm;
  if (!DosStampFields(date, time, tm)) return std::nullopt;
  tm.tm_isdst = -1;
  const std::tm asked = tm;
  const time_t t = std::mktime(&tm);
  if (t == static_cast<time_t>(-1) || !SameDay(asked, tm)) return std::nullopt;
  return timespec{t, 0};
}

std::optional<timespec> ExfatTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset) {
  const auto date = static_cast<uint16_t>(stamp >> 16);
  const auto time = static_cast<uint16_t>(stamp);
  std::optional<timespec> t;
  if (utcOffset & 0x80) {
    std::tm tm;
    if (!DosStampFields(date, time, tm)) return std::nullopt;
    const std::tm asked = tm;
    const time_t wall = ::timegm(&tm);
    if (wall == static_cast<time_t>(-1) || !SameDay(asked, tm)) return std::nullopt;
    // Seven-bit two's complement: 0x7F is -1, 0x40 is -64.
    const int quarters = (utcOffset & 0x40) ? (utcOffset & 0x7F) - 0x80 : (utcOffset & 0x3F);
    t = timespec{wall - static_cast<time_t>(quarters) * 15 * 60, 0};
  } else {
    t = FatLocalTime(date, time);
  }
  if (t && tenMs < 200) {
    t->tv_sec += tenMs / 100;
    t->tv_nsec = static_cast<long>(tenMs % 100) * 10'000'000;
  }
  return t;
}

std::optional<timespec> FileTimeToTimespec(uint64_t fileTime) {
  if (fileTime <= kUnixEpochFileTime) return std::nullopt;
  const uint64_t since = fileTime - kUnixEpochFileTime;
  const uint64_t seconds = since / 10000000u;
  // Past year 9999 no file system wrote it; it would also overflow a
  // 32-bit time_t long before.
  if (seconds > 253402300799ull || static_cast<uint64_t>(static_cast<time_t>(seconds)) != seconds)
    return std::nullopt;
  return timespec{static_cast<time_t>(seconds), static_cast<long>(since % 10000000u) * 100};
}

EntryTimes FatEntryTimes(const RawDirEntry& entry) {
  return {FatLocalTime(entry.ModificationDate(), entry.ModificationTime()),
          FatLocalTime(entry.AccessDate(), 0)};
}

EntryTimes ExfatEntryTimes(const TMidEntry& entry) {
  if (!entry.Exfat) return FatEntryTimes(entry.DirEntry);
  const RawDirEntry& d = entry.DirEntry;
  const ExfatEntryFacts& facts = *entry.Exfat;
  // exFAT keeps no 10 ms part for the access stamp.
  return {ExfatTime(ExfatStamp(d.ModificationDate(), d.ModificationTime()), facts.Modified10ms, facts.UtcOffsets[1]),
          ExfatTime(ExfatStamp(d.AccessDate(), facts.AccessTime), 0, facts.UtcOffsets[2])};
}

EntryTimes NtfsEntryTimes(const RawFileName& fileName) {
  return {FileTimeToTimespec(fileName.ModificationTime()), FileTimeToTimespec(fileName.AccessTime())};
}

bool ApplyOutputTimes(const std::string& path, const EntryTimes& times) {
  if (!times.modified && !times.accessed) return true;
  const timespec omit{0, UTIME_OMIT};
  const timespec both[2] = {times.accessed.value_or(omit), times.modified.value_or(omit)};
  return ::utimensat(AT_FDCWD, path.c_str(), both, AT_SYMLINK_NOFOLLOW) == 0;
}

}  // namespace tarnwell::engine
