#include "engine/search/entry_dates.h"

namespace tarnwell::engine {

DosDateTime FatEntryDate(const TMidEntry& entry, int kind) { return FatDirEntryDate(entry.DirEntry, kind); }

DosDateTime FatDirEntryDate(const RawDirEntry& d, int kind) {
  switch (kind) {
    case kDateCreated: return FormatDosDateTime(d.CreationDate(), d.CreationTime());
    case kDateModified: return FormatDosDateTime(d.ModificationDate(), d.ModificationTime());
    default: return FormatDosDateTime(d.AccessDate(), 0);
  }
}

double NtfsRecordDate(const tntfsfilerecord& record, int kind) {
  const RawFileName& f = record.FileName;
  switch (kind) {
    case kDateCreated: return FileTimeToDateTime(f.CreationTime());
    case kDateModified: return FileTimeToDateTime(f.ModificationTime());
    default: return FileTimeToDateTime(f.AccessTime());
  }
}

}  // namespace tarnwell::engine
