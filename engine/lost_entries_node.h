#pragma once
// The one folder of a FAT or exFAT listing that no directory entry names:
// it holds the entries found in free clusters that no listed folder owns,
// as the lost folders of NTFS hold records whose parent is gone.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/records.h"

namespace tarnwell::engine {

// The key its children carry: a first cluster no data cluster of the
// volume can have (an end-of-chain value), so no folder's children mix
// with them.
uint32_t LostEntriesKey(uint8_t fsKind);

// Its name, "丢失的条目", in the system code page.
std::string LostEntriesName();

// The node itself, a deleted folder at the top of the volume's tree with
// the name "丢失的条目" and no date.
std::unique_ptr<TMidEntry> MakeLostEntriesNode(const TLogiDrive& drive);
// Whether an entry is that node.
bool IsLostEntriesNode(const TMidEntry& entry, uint8_t fsKind);

}  // namespace tarnwell::engine
