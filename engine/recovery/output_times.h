#pragma once
// The modification and access times of a recovered file or folder, taken
// from its entry and set once its contents are in place (a folder after
// everything in it, since adding to a folder moves its time again).
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <utility>

#include "engine/records.h"

namespace tarnwell::engine {

struct EntryTimes {
  std::optional<timespec> modified;  // nullopt: unknown, the copy keeps its own
  std::optional<timespec> accessed;
};

// A FAT date and time are the local wall-clock time of the machine that
// wrote them; they are read as local time here, as the list shows them.
// Nullopt for date 0 and for a date or time no clock gives.
std::optional<timespec> FatLocalTime(uint16_t date, uint16_t time);
// A FILETIME (100 ns since 1601, UTC); nullopt for 0 and for times before
// 1970 or too far ahead for a time_t.
std::optional<timespec> FileTimeToTimespec(uint64_t fileTime);

// An exFAT stamp (date word high, time word low), its 10 ms part (0 to 199,
// the seconds the time word's 2-second steps leave out) and its UTC offset
// byte. With bit 7 of the offset set the low 7 bits are a signed count of
// 15 minutes east of UTC (0xA0: +8 h, 0xEC: -5 h) and the stamp is that
// zone's wall clock; without it the zone is unknown and the stamp is read
// as local time, as a FAT stamp is. A 10 ms part above 199 is left out.
std::optional<timespec> ExfatTime(uint32_t stamp, uint8_t tenMs, uint8_t utcOffset);
// The stamp ExfatTime takes, from an entry's date and time words.
inline uint32_t ExfatStamp(uint16_t date, uint16_t time) { return (uint32_t{date} << 16) | time; }

// Modification date and time; access date (FAT keeps no access time).
EntryTimes FatEntryTimes(const RawDirEntry& entry);
// An exFAT entry's modification and access times, each with its own UTC
// offset; a found entry without exFAT facts is read as FAT.
EntryTimes ExfatEntryTimes(const TMidEntry& entry);
// The $STANDARD_INFORMATION times that the scan put into the name header.
EntryTimes NtfsEntryTimes(const RawFileName& fileName);

// Sets the known times on the path, not following a link. True when there
// was nothing to set or the call succeeded. A copy whose times could not
// be set is whole all the same: the standard recovery says so in its log,
// the raw ones, which log per item only what is missing, let it pass.
[[nodiscard]] bool ApplyOutputTimes(const std::string& path, const EntryTimes& times);

// Sets a folder's times when the folder's recovery ends, by whatever way.
class ScopedOutputTimes {
 public:
  ScopedOutputTimes(std::string path, EntryTimes times) : path_(std::move(path)), times_(times) {}
  // A destructor has no one to tell: a copy whose times could not be set
  // is whole all the same.
  ~ScopedOutputTimes() { (void)ApplyOutputTimes(path_, times_); }
  ScopedOutputTimes(const ScopedOutputTimes&) = delete;
  ScopedOutputTimes& operator=(const ScopedOutputTimes&) = delete;

 private:
  std::string path_;
  EntryTimes times_;
};

}  // namespace tarnwell::engine
