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
// An exFAT entry's stamp is taken to its 10 ms and, with a UTC offset, in
// local time.
// NTFS: the FILETIME of the kind in local time to its 100 ns; 0 when unset.
double NtfsRecordDate(const tntfsfilerecord& record, int kind);

}  // namespace tarnwell::engine
