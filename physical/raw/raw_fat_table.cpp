#include "physical/raw/raw_fat_table.h"

#include <algorithm>
#include <unordered_set>

#include "common/little_endian.h"
#include "disk/sector_source.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kFat12MostClusters = 4084;  // below 4085 clusters a FAT is FAT12
constexpr uint32_t kFat32ValueMask = 0x0FFFFFFF;

// Byte offset of cluster c's entry: c x 1.5, 2 or 4.
uint64_t RawFatEntryOffset(uint8_t bits, uint32_t c) {
  if (bits == 12) return uint64_t{c} + c / 2;
  return uint64_t{c} * (bits / 8);
}

}  // namespace

std::optional<FatTableLocation> FatTableFromBootSector(std::span<const uint8_t> sector, uint64_t volumeStart) {
  const std::optional<FatGeometry> geometry = GeometryFromBootSector(sector, volumeStart);
  if (!geometry) return std::nullopt;
  const uint8_t* b = sector.data();
  FatTableLocation where;
  where.geometry = *geometry;
  where.firstSector = volumeStart + LoadLE16(b + 0x0E);
  where.sectors = LoadLE16(b + 0x16) != 0 ? LoadLE16(b + 0x16) : LoadLE32(b + 0x24);
  const uint64_t total = LoadLE16(b + 0x13) != 0 ? LoadLE16(b + 0x13) : LoadLE32(b + 0x20);
  const uint64_t dataOffset = geometry->dataStart - volumeStart;
  if (total <= dataOffset) return std::nullopt;
  const uint64_t clusters = (total - dataOffset) / geometry->clusterSectors;
  if (clusters == 0) return std::nullopt;
  if (geometry->kind == 2) {
    where.entryBits = 32;
    where.rootCluster = LoadLE32(b + 0x2C) & kFat32ValueMask;
  } else {
    where.entryBits = clusters <= kFat12MostClusters ? 12 : 16;
  }
  // The FAT can describe no more clusters than its sectors hold entries
  // for, and the volume no more than its sectors hold.
  const uint64_t entries = where.sectors * 512 * 8 / where.entryBits;
  const uint64_t highest = std::min<uint64_t>({clusters + 1, entries > 0 ? entries - 1 : 0, kFat32ValueMask});
  if (highest < 2) return std::nullopt;
  where.maxCluster = static_cast<uint32_t>(highest);
  return where;
}

std::optional<uint32_t> RawFatTable::Decode(uint32_t c) {
  const uint64_t offset = RawFatEntryOffset(where_.entryBits, c);
  const uint64_t width = where_.entryBits == 32 ? 4 : 2;  // FAT12 reads two bytes
  if (offset + width > where_.sectors * 512) return std::nullopt;
  const uint64_t windowBytes = window_.size();
  if (windowFirst_ == UINT64_MAX || offset < windowFirst_ * 512 || offset + width > windowFirst_ * 512 + windowBytes) {
    // A window that begins at the entry's own sector holds it whole, a
    // FAT12 entry across two sectors included.
    const uint64_t first = offset / 512;
    const uint64_t count = std::min<uint64_t>(kWindowSectors, where_.sectors - first);
    uint32_t bytesRead = 0;
    windowFirst_ = UINT64_MAX;
    if (!source_.Read(where_.firstSector + first, static_cast<uint32_t>(count), window_.data(), bytesRead) ||
        bytesRead < count * 512)
      return std::nullopt;
    windowFirst_ = first;
  }
  const size_t at = static_cast<size_t>(offset - windowFirst_ * 512);
  if (where_.entryBits == 12) {
    // Two entries share three bytes: "03 40 00" holds 0x003 (even) and
    // 0x004 (odd).
    const uint16_t pair = LoadLE16(&window_[at]);
    return (c & 1) ? pair >> 4 : pair & 0x0FFF;
  }
  if (where_.entryBits == 16) return LoadLE16(&window_[at]);
  return LoadLE32(&window_[at]) & kFat32ValueMask;
}

std::optional<uint32_t> RawFatTable::ValueOf(uint32_t c) {
  if (c < 2 || c > where_.maxCluster) return std::nullopt;
  return Decode(c);
}

bool RawFatTable::LooksFormatted() {
  const std::optional<uint32_t> zero = Decode(0);
  if (!zero) return false;
  const uint32_t media = *zero & 0xFF;
  const uint32_t all = where_.entryBits == 12 ? 0xFFF : where_.entryBits == 16 ? 0xFFFF : kFat32ValueMask;
  return (media == 0xF0 || media >= 0xF8) && (*zero | 0xFF) == all;
}

bool RawFatTable::IsEnd(uint32_t value) const {
  const uint32_t firstEnd = where_.entryBits == 12 ? 0xFF8 : where_.entryBits == 16 ? 0xFFF8 : 0x0FFFFFF8;
  return value >= firstEnd;
}

FolderChain FollowFolderChain(RawFatTable& fat, uint32_t first, size_t limit) {
  FolderChain chain;
  std::optional<uint32_t> value = fat.ValueOf(first);
  if (!value || *value == 0) return chain;
  chain.chained = true;
  std::unordered_set<uint32_t> walked{first};
  while (true) {
    if (fat.IsEnd(*value)) {
      chain.ended = true;
      return chain;
    }
    const uint32_t next = *value;
    if (next < 2 || next > fat.Where().maxCluster || chain.clusters.size() >= limit ||
        !walked.insert(next).second)
      return chain;
    chain.clusters.push_back(next);
    value = fat.ValueOf(next);
    if (!value || *value == 0) return chain;
  }
}

}  // namespace tarnwell::physical::raw
