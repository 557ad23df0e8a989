#pragma once
// One NTFS FILE record found by the raw-range scan, parsed where it lies:
// no MFT map, no boot sector. Its data's first cluster and the cluster size
// its run list suggests come with it.
#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "engine/records.h"

namespace tarnwell::physical::raw {

// Votes for 1, 2, 4, 8 and 16 sectors per cluster.
using ClusterVotes = std::array<uint32_t, 5>;

// The voted size: 16 when it has more votes than all four others, else 8
// when more than 4, 2 and 1, and so on down; ties go to the smaller size
// and no votes give 1.
uint32_t VotedClusterSectors(const ClusterVotes& votes);

// Parses the fixed-up copy of the 1024 bytes of a record found at `sector`
// (absolute). nullptr when the record is refused or has no name. A
// non-resident file of more than 4096 and less than 1 MiB adds a vote:
// allocated size / clusters of its runs / 512.
std::unique_ptr<engine::tntfsfilerecord> ParseFoundRecord(std::span<const uint8_t> bytes, uint64_t sector,
                                                          ClusterVotes& votes);

// The distinct non-zero parent references of records sorted by parent.
std::vector<uint64_t> ParentRefsOf(const std::vector<std::unique_ptr<engine::tntfsfilerecord>>& records);

}  // namespace tarnwell::physical::raw
