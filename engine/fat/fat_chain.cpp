#include "engine/fat/fat_chain.h"

#include <algorithm>
#include <unordered_set>

#include "common/little_endian.h"

namespace tarnwell::engine {
namespace {

// Byte offset of cluster c's entry in the FAT: c x 1.5, 2 or 4.
uint64_t EntryOffset(uint8_t kind, uint32_t c) {
  switch (kind) {
    case kFat12: return static_cast<uint64_t>(c) + c / 2;
    case kFat16: return static_cast<uint64_t>(c) * 2;
    default: return static_cast<uint64_t>(c) * 4;
  }
}

}  // namespace

bool FatTableReader::InWindow(uint32_t c) const {
  if (windowSector_ < 0) return false;
  const uint64_t begin = static_cast<uint64_t>(windowSector_) * 512;
  const uint64_t offset = EntryOffset(layout_.Kind(), c);
  const uint64_t width = layout_.Kind() == kFat32 ? 4 : 2;  // FAT12 reads two bytes
  return offset >= begin && offset + width <= begin + window_.size();
}

void FatTableReader::LoadWindowFor(uint32_t c) {
  // The window starts at ceil(c x w / 512) - 1: the entry's own sector, or
  // the one before it when c x w falls on a sector boundary. Either way the
  // entry lies inside the nine sectors.
  const uint64_t offset = EntryOffset(layout_.Kind(), c);
  const int64_t ceilSector = static_cast<int64_t>((offset + 511) / 512);
  windowSector_ = std::max<int64_t>(ceilSector - 1, 0);
  // The read result is not checked: a FAT sector that cannot be read leaves
  // zeros, which end the chain.
  window_.fill(0);
  (void)volume_.Read(layout_.FatStart() + static_cast<uint64_t>(windowSector_), kWindowSectors, window_.data());
}

uint32_t FatTableReader::Decode(uint32_t c) const {
  const size_t at = static_cast<size_t>(EntryOffset(layout_.Kind(), c) -
                                        static_cast<uint64_t>(windowSector_) * 512);
  switch (layout_.Kind()) {
    case kFat12: {
      // Two entries share three bytes: "03 40 00" holds 0x003 (even) and
      // 0x004 (odd).
      const uint16_t pair = LoadLE16(&window_[at]);
      return (c & 1) ? pair >> 4 : pair & 0x0FFF;
    }
    case kFat16: return LoadLE16(&window_[at]);
    default: return LoadLE32(&window_[at]);
  }
}

std::optional<uint32_t> FatTableReader::EntryOf(uint32_t c) {
  if (!layout_.IsDataCluster(c)) return std::nullopt;
  if (!InWindow(c)) LoadWindowFor(c);
  return Decode(c);
}

FatChain ReadFatChain(const TLogiDrive& drive, uint32_t first, size_t limit) {
  const FatLayout layout(drive);
  FatTableReader fat(drive.Reader(), layout);
  FatChain chain;
  chain.clusters.push_back(first);
  std::unordered_set<uint32_t> seen{first};
  uint32_t c = first;
  if (layout.IsEndOfChain(c)) {
    chain.complete = true;
    return chain;
  }
  while (chain.clusters.size() < limit) {
    const std::optional<uint32_t> next = fat.EntryOf(c);
    if (!next) return chain;
    c = *next;
    if (layout.IsEndOfChain(c)) {
      chain.complete = true;
      return chain;
    }
    if (!layout.IsDataCluster(c) || !seen.insert(c).second) return chain;
    chain.clusters.push_back(c);
  }
  return chain;
}

}  // namespace tarnwell::engine
