#pragma once
#include "engine/records.h"

namespace tarnwell::engine::ntfs {

// Sorts found records by parent record number, then name (byte-wise), the
// order CompareNtfsRecords defines, without chasing two pointers per
// comparison: the keys (parent and the name's first eight bytes) sit in one
// array. Used on lists of hundreds of thousands of records.
void SortByParentAndName(NtfsEntryList& entries);

}  // namespace tarnwell::engine::ntfs
