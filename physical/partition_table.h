#pragma once
// Reading a disk's master boot record and extended chain into the drive's
// partition model, and finding the free space between the entries.
#include <cstddef>
#include <cstdint>

#include "physical/partition_slot.h"

namespace tarnwell::physical {

class TPhysicalDrive;
struct TPartiEntry;

// A chain can never hold more tables than this; a longer one is corrupt.
inline constexpr size_t kMaxPartitionTables = 512;
// Inside the extended partition only gaps of more than 1 MiB are listed.
inline constexpr int64_t kMinExtendedGap = 2048;

// A slot describes a partition only when its boot flag is 0x00 or 0x80 and
// it lies wholly on the disk. Boot code of a bare volume's sector 0 read as
// slots fails this test.
bool IsUsableSlot(const PartitionSlot& slot, uint64_t base, uint64_t diskSectors);

// Reads the table that `entry` points to and appends its entries, following
// extended entries depth first. A table sector already read, one that cannot
// be read, or a chain longer than kMaxPartitionTables ends the chain there.
// False when the table sector itself could not be read (or was seen before).
bool ReadPartitionTable(TPhysicalDrive& drive, TPartiEntry& entry);

// Adds the free-space entries inside the primary extended partition.
void FindExtendedFreeSpace(TPhysicalDrive& drive);

}  // namespace tarnwell::physical
