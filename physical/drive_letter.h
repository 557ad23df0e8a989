#pragma once
// Which drive letter the running system gives a partition, and which
// platform class it is.
#include <cstdint>
#include <string>

namespace tarnwell::physical {

struct TPartiEntry;

// 1 Windows 95, 2 later 9x, 3 NT 4 or lower, 4 NT 5.0, 5 NT 5.1, 6 NT 5.2,
// 7 NT 6.x, 0 anything else. This platform answers the newest class, 7, so
// drive letters are shown beside labels.
uint8_t WindowsVersionClass();

// The letter ("C") of the volume that lies on the entry's disk at the
// entry's absolute start; empty for free space, extended entries and
// partitions no volume matches.
std::string FindPartitionDriveLetter(const TPartiEntry& entry);

}  // namespace tarnwell::physical
