#include "engine/search/entry_dates.h"

#include "engine/exact_stamp.h"

namespace tarnwell::engine {

DosDateTime FatEntryDate(const TMidEntry& entry, int kind) {
  const DosDateTime words = FatDirEntryDate(entry.DirEntry, kind);
  // An exFAT stamp to its 10 ms, in local time when it has a UTC offset;
  // validity as the date and time words give it.
  if (!entry.Exfat || !words.valid || words.value == 0) return words;
  const std::optional<ExactStamp> exact = FatEntryStamp(entry, kind);
  return exact ? DosDateTime{LocalDateTimeValue(*exact), true} : words;
}

DosDateTime FatDirEntryDate(const RawDirEntry& d, int kind) {
  switch (kind) {
    case kDateCreated: return FormatDosDateTime(d.CreationDate(), d.CreationTime());
    case kDateModified: return FormatDosDateTime(d.ModificationDate(), d.ModificationTime());
    default: return FormatDosDateTime(d.AccessDate(), 0);
  }
}

double NtfsRecordDate(const tntfsfilerecord& record, int kind) {
  const std::optional<ExactStamp> exact = NtfsRecordStamp(record, kind);
  return exact ? LocalDateTimeValue(*exact) : 0;
}

}  // namespace tarnwell::engine
