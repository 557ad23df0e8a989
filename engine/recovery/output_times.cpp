#include "engine/recovery/output_times.h"

#include <fcntl.h>
#include <sys/stat.h>

namespace tarnwell::engine {
namespace {

// 100 ns intervals from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpochFileTime = 116444736000000000ull;

}  // namespace

std::optional<timespec> FatLocalTime(uint16_t date, uint16_t time) {
  if (date == 0) return std::nullopt;
  std::tm tm{};
  tm.tm_year = 80 + (date >> 9);
  tm.tm_mon = ((date >> 5) & 0x0F) - 1;
  tm.tm_mday = date & 0x1F;
  tm.tm_hour = time >> 11;
  tm.tm_min = (time >> 5) & 0x3F;
  tm.tm_sec = (time & 0x1F) * 2;
  if (tm.tm_mon < 0 || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_hour > 23 || tm.tm_min > 59 ||
      tm.tm_sec > 59)
    return std::nullopt;
  tm.tm_isdst = -1;
  const std::tm asked = tm;
  const time_t t = std::mktime(&tm);
  // mktime carries 31 February into March; such a date was never written.
  if (t == static_cast<time_t>(-1) || tm.tm_mday != asked.tm_mday || tm.tm_mon != asked.tm_mon)
    return std::nullopt;
  return timespec{t, 0};
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
