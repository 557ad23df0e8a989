#pragma once
// The facts a timeline line gives of a found entry: the metadata address
// that The Sleuth Kit's tools use for the same entry, and its stamps as
// instants (seconds since 1970, UTC).
#include <cstdint>
#include <optional>

#include "engine/entry_handle.h"
#include "engine/records.h"

namespace tarnwell::engine {

// The address of a FAT or exFAT directory entry at a byte offset of the
// volume: its 32-byte slot counted from firstDataSector (the sector after
// the FATs; exFAT: the first of the cluster heap), plus 3, the numbers
// below being the root and the FATs. Nullopt for an offset before it.
std::optional<uint64_t> FatEntryAddress(uint64_t entryOffset, uint64_t firstDataSector);
// The sector firstDataSector stands for on the drive.
uint64_t FatFirstDataSector(const TLogiDrive& drive);

// A FAT or exFAT entry of the drive. FAT stamps are the wall clock of
// whoever wrote them and are read in the local time zone (TZ), as mactime
// and fls read them; an exFAT stamp with a valid UTC offset is read in
// that zone. The created stamp keeps its odd second (the 10 ms field).
TimelineFacts FatTimelineFacts(const TMidEntry& entry, const TLogiDrive& drive);
// An NTFS record: its standard-information stamps, as FILETIMEs in UTC.
TimelineFacts NtfsTimelineFacts(const tntfsfilerecord& record);

}  // namespace tarnwell::engine
