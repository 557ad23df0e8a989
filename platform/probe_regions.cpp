#include "platform/probe_regions.h"

#include <array>
#include <cstring>
#include <set>

#include "common/little_endian.h"

namespace tarnwell::platform {
namespace {

constexpr uint64_t kSector = 512;
constexpr uint64_t kEdgeBytes = 1 << 20;

using Sector = std::array<uint8_t, kSector>;

void CopyEdges(ProbeView& view) {
  view.Copy(0, kEdgeBytes);
  if (view.Size() > kEdgeBytes) view.Copy(view.Size() - kEdgeBytes, kEdgeBytes);
}

// Partition tables -------------------------------------------------------

// Nested tables lie in a partition's first sectors: BSD and Solaris at
// sector 1, UnixWare at sector 29.
constexpr uint64_t kNestedTableBytes = 32 * kSector;
// A GPT array larger than this is not one a probe would trust.
constexpr uint64_t kMaxGptArrayBytes = 4 << 20;
// The longest extended chain followed; a chain that loops ends sooner.
constexpr int kMaxChainTables = 1024;

bool IsExtendedType(uint8_t type) { return type == 0x05 || type == 0x0F || type == 0x85; }

void CopyGptArray(ProbeView& view, uint64_t headerLba) {
  Sector header;
  if (!view.Read(headerLba * kSector, header.data(), kSector)) return;
  if (std::memcmp(header.data(), "EFI PART", 8) != 0) return;
  const uint64_t arrayLba = LoadLE64(header.data() + 72);
  const uint64_t bytes = static_cast<uint64_t>(LoadLE32(header.data() + 80)) * LoadLE32(header.data() + 84);
  if (bytes == 0 || bytes > kMaxGptArrayBytes || arrayLba >= view.Size() / kSector) return;
  view.Copy(arrayLba * kSector, bytes);
}

// The four slots of an MBR or an extended table: (type, start, count).
struct Slot {
  uint8_t type;
  uint64_t start, count;
};
std::array<Slot, 4> SlotsOf(const Sector& table) {
  std::array<Slot, 4> slots{};
  for (size_t i = 0; i < 4; ++i) {
    const uint8_t* s = table.data() + 446 + 16 * i;
    slots[i] = {s[4], LoadLE32(s + 8), LoadLE32(s + 12)};
  }
  return slots;
}
bool HasBootSignature(const Sector& table) { return table[510] == 0x55 && table[511] == 0xAA; }

// Follows an extended chain from its first table: each table's first
// extended slot leads to the next, counted from the chain's start.
void CopyExtendedChain(ProbeView& view, uint64_t chainStart) {
  std::set<uint64_t> seen;
  uint64_t tableLba = chainStart;
  for (int n = 0; n < kMaxChainTables && seen.insert(tableLba).second; ++n) {
    Sector table;
    if (!view.Read(tableLba * kSector, table.data(), kSector) || !HasBootSignature(table)) return;
    view.Copy(tableLba * kSector, kSector);
    const std::array<Slot, 4> slots = SlotsOf(table);
    const Slot* link = nullptr;
    for (const Slot& slot : slots) {
      if (slot.type == 0 || slot.count == 0) continue;
      if (IsExtendedType(slot.type)) {
        if (!link) link = &slot;
      } else {
        view.Copy((tableLba + slot.start) * kSector, kNestedTableBytes);
      }
    }
    if (!link) return;
    tableLba = chainStart + link->start;
  }
}

// FAT, exFAT and NTFS labels -------------------------------------------

// FAT32: the root directory's cluster chain, as far as the label probe
// walks it (99 clusters), each cluster and the FAT entry that links it.
void CopyFat32Root(ProbeView& view, const Sector& boot, uint64_t sectorSize, uint64_t fatSectors) {
  const uint64_t reserved = LoadLE16(boot.data() + 14);
  const uint64_t perCluster = boot[13];
  const uint64_t entries = static_cast<uint64_t>(LoadLE32(boot.data() + 36)) * sectorSize / 4;
  uint32_t next = LoadLE32(boot.data() + 44);
  for (int left = 99; left > 0 && next >= 2 && next < entries; --left) {
    view.Copy((reserved + fatSectors + (next - 2) * perCluster) * sectorSize, perCluster * sectorSize);
    const uint64_t entry = reserved * sectorSize + static_cast<uint64_t>(next) * 4;
    view.Copy(entry, 4);
    uint8_t link[4];
    if (!view.Read(entry, link, 4)) return;
    next = LoadLE32(link) & 0x0FFFFFFF;
  }
  if (const uint64_t fsInfo = LoadLE16(boot.data() + 48)) view.Copy(fsInfo * sectorSize, kSector);
}

bool IsPowerOfTwo(uint64_t n) { return n != 0 && (n & (n - 1)) == 0; }

void CopyFatRoot(ProbeView& view, const Sector& boot) {
  // Only a plausible FAT boot sector: anything else would send the walk
  // through regions of whatever the volume holds.
  const uint64_t sectorSize = LoadLE16(boot.data() + 11);
  const bool namesFat = std::memcmp(boot.data() + 0x36, "FAT", 3) == 0 || std::memcmp(boot.data() + 0x52, "FAT", 3) == 0;
  if (!(HasBootSignature(boot) || namesFat) || sectorSize < 512 || sectorSize > 4096 ||
      !IsPowerOfTwo(sectorSize) || !IsPowerOfTwo(boot[13]))
    return;
  const uint64_t reserved = LoadLE16(boot.data() + 14);
  const uint64_t fat16Length = LoadLE16(boot.data() + 22);
  const uint64_t fatLength = fat16Length ? fat16Length : LoadLE32(boot.data() + 36);
  const uint64_t fatSectors = fatLength * boot[16];
  if (fat16Length) {
    // FAT12/16: a fixed root directory right after the FATs.
    view.Copy((reserved + fatSectors) * sectorSize, static_cast<uint64_t>(LoadLE16(boot.data() + 17)) * 32);
    return;
  }
  CopyFat32Root(view, boot, sectorSize, fatSectors);
}

// exFAT: the root directory's clusters through the FAT, up to the 10,000
// entries the label probe reads at most.
void CopyExfatRoot(ProbeView& view, const Sector& boot) {
  const unsigned sectorShift = boot[108];
  const unsigned clusterShift = sectorShift + boot[109];
  if (sectorShift < 9 || sectorShift > 12 || clusterShift > 25) return;
  const uint64_t clusterBytes = uint64_t{1} << clusterShift;
  const uint64_t fatStart = static_cast<uint64_t>(LoadLE32(boot.data() + 80)) << sectorShift;
  const uint64_t heapStart = static_cast<uint64_t>(LoadLE32(boot.data() + 88)) << sectorShift;
  uint32_t cluster = LoadLE32(boot.data() + 96);
  for (uint64_t entriesLeft = 10000; entriesLeft > 0 && cluster >= 2 && cluster <= 0xFFFFFF6;) {
    const uint64_t bytes = std::min(clusterBytes, entriesLeft * 32);
    view.Copy(heapStart + (static_cast<uint64_t>(cluster - 2) << clusterShift), bytes);
    entriesLeft -= bytes / 32;
    const uint64_t entry = fatStart + static_cast<uint64_t>(cluster) * 4;
    view.Copy(entry, 4);
    uint8_t link[4];
    if (!view.Read(entry, link, 4)) return;
    cluster = LoadLE32(link);
  }
}

// NTFS: the first four MFT records; record 3 ($Volume) holds the label.
void CopyNtfsVolumeRecord(ProbeView& view, const Sector& boot) {
  const uint64_t sectorSize = LoadLE16(boot.data() + 11);
  const uint8_t code = boot[13];
  const uint64_t perCluster = code <= 128 ? code : (code >= 240 && code <= 249 ? 1u << (256 - code) : 0);
  if (sectorSize < 256 || sectorSize > 4096 || perCluster == 0) return;
  const int8_t recordCode = static_cast<int8_t>(boot[64]);
  if (recordCode < -31 || recordCode == 0 || recordCode > 64) return;
  const uint64_t recordBytes =
      recordCode > 0 ? recordCode * perCluster * sectorSize : uint64_t{1} << -recordCode;
  const uint64_t mftCluster = LoadLE64(boot.data() + 48);
  if (mftCluster > view.Size() / (perCluster * sectorSize)) return;
  view.Copy(mftCluster * perCluster * sectorSize, 4 * recordBytes);
}

}  // namespace

void CopyPartitionTableRegions(ProbeView& view) {
  CopyEdges(view);
  CopyGptArray(view, 1);
  if (view.Size() >= 2 * kSector) CopyGptArray(view, view.Size() / kSector - 1);
  Sector mbr;
  if (!view.Read(0, mbr.data(), kSector) || !HasBootSignature(mbr)) return;
  for (const Slot& slot : SlotsOf(mbr)) {
    if (slot.type == 0 || slot.count == 0) continue;
    if (IsExtendedType(slot.type)) CopyExtendedChain(view, slot.start);
    else view.Copy(slot.start * kSector, kNestedTableBytes);
  }
}

void CopyLabelRegions(ProbeView& view) {
  CopyEdges(view);
  Sector boot;
  if (!view.Read(0, boot.data(), kSector)) return;
  if (std::memcmp(boot.data() + 3, "NTFS    ", 8) == 0) CopyNtfsVolumeRecord(view, boot);
  else if (std::memcmp(boot.data() + 3, "EXFAT   ", 8) == 0) CopyExfatRoot(view, boot);
  else CopyFatRoot(view, boot);
}

}  // namespace tarnwell::platform
