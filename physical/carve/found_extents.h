#pragma once
// The sectors that a raw-range scan's found entries account for: where a
// found FAT entry's data lies (contiguous from its first cluster, as the
// raw recovery copies it) and where a found NTFS record's data begins. A
// carved file that begins there is a file the raw recovery gives back with
// its name already; it is not reported twice.
#include <cstdint>
#include <utility>
#include <vector>

#include "physical/carve/carved_file.h"

namespace tarnwell::physical {
struct TPartiEntry;
}

namespace tarnwell::physical::carve {

class AccountedSectors {
 public:
  explicit AccountedSectors(const TPartiEntry& entry);
  bool Contains(uint64_t sector) const;
  size_t Size() const { return extents_.size(); }

 private:
  std::vector<std::pair<uint64_t, uint64_t>> extents_;  // [first, end), sorted and merged
};

// Removes the files that begin in accounted sectors; returns how many.
size_t DropAccountedFor(const AccountedSectors& accounted, std::vector<CarvedFile>& files);

}  // namespace tarnwell::physical::carve
