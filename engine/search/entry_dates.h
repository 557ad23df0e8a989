#pragma once
// The time stamps of found entries by kind: 0 created, 1 modified,
// 2 last accessed.
#include "engine/entry_handle.h"
#include "engine/filetime.h"
#include "engine/records.h"

namespace tarnwell::engine {

// FAT: the date and time words of the kind (access has a date only).
DosDateTime FatEntryDate(const TMidEntry& entry, int kind);
DosDateTime FatDirEntryDate(const RawDirEntry& entry, int kind);
// NTFS: the FILETIME of the kind in local time; 0 when not representable.
double NtfsRecordDate(const tntfsfilerecord& record, int kind);

}  // namespace tarnwell::engine
