#pragma once
#include <string>

#include "engine/records.h"

namespace tarnwell::engine {

// The name key of a FAT entry: lower-cased (A-Z only) trimmed base name,
// then "." and the extension as stored when it is not empty.
std::string FatNameKey(const RawDirEntry& entry);

// Negative, zero or positive, like a three-way comparison.
int CompareFatEntries(const TMidEntry& a, const TMidEntry& b);
int CompareNtfsRecords(const tntfsfilerecord& a, const tntfsfilerecord& b);

// Sorts a finished scan's list into the order GetChildRange relies on.
void SortFatEntries(FatEntryList& entries);
// Sorts all records but a synthetic root kept at index 0 when rootFirst.
void SortNtfsEntries(NtfsEntryList& entries, bool rootFirst);

}  // namespace tarnwell::engine
