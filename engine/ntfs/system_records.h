#pragma once
// The file system's own records. Records 0 to 15 are its metadata files
// (the MFT and its mirror, the log, the volume, the bitmap, ...; record 5 is
// the root). The list leaves them out, and with them everything filed below
// one of them: $Extend (record 11) is a folder whose files ($ObjId, $Quota,
// $Reparse, $UsnJrnl; on Windows also $RmMetadata with folders of its own)
// sit in records of 16 and up. Without their parent they would stand under
// a made-up lost folder "[Folder]11" on every volume.
#include <cstdint>

#include "engine/records.h"

namespace tarnwell::engine::ntfs {

inline constexpr int64_t kFirstUserRecord = 16;

// A metadata record other than the root. Record 0 is not one here: a
// parent reference of 0 is what a record that lost its names carries.
inline bool IsSystemParent(uint64_t record) {
  return record > 0 && record < static_cast<uint64_t>(kFirstUserRecord) && record != kNtfsRootRecord;
}

// Removes every record filed below a metadata record, at any depth, from
// records in record-number order; returns how many went. Bounded by the
// records' count: each record is looked at as a parent once.
size_t DropSystemFiles(NtfsEntryList& records);

}  // namespace tarnwell::engine::ntfs
