#pragma once
// The exFAT boot region: the fields of its boot sector, the checks that
// make a volume usable, and the checksum over its first eleven sectors
// that lets a damaged main region give way to the backup copy.
#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "common/little_endian.h"
#include "disk/volume_reader.h"

namespace tarnwell::engine {

// Sectors in one boot region (boot sector, extended boot sectors, OEM
// parameters, reserved, checksum); the backup region follows the main one.
inline constexpr uint32_t kExfatBootRegionSectors = 12;

class ExfatBootView {
 public:
  explicit ExfatBootView(const uint8_t* bytes) : b_(bytes) {}

  uint64_t PartitionOffset() const { return LoadLE64(b_ + 64); }
  uint64_t VolumeLength() const { return LoadLE64(b_ + 72); }
  uint32_t FatOffset() const { return LoadLE32(b_ + 80); }
  uint32_t FatLength() const { return LoadLE32(b_ + 84); }
  uint32_t ClusterHeapOffset() const { return LoadLE32(b_ + 88); }
  uint32_t ClusterCount() const { return LoadLE32(b_ + 92); }
  uint32_t RootCluster() const { return LoadLE32(b_ + 96); }
  uint32_t SerialNumber() const { return LoadLE32(b_ + 100); }
  uint8_t BytesPerSectorShift() const { return b_[108]; }
  uint8_t SectorsPerClusterShift() const { return b_[109]; }
  uint8_t FatCount() const { return b_[110]; }

 private:
  const uint8_t* b_;
};

// True when the sector names itself exFAT ("EXFAT   " at offset 3, the
// bytes where FAT keeps its parameter block all zero).
bool HasExfatSignature(const uint8_t* bootSector);

// The checks a usable exFAT boot sector passes: the signature, 512-byte
// sectors (like FAT, other sizes are refused), clusters of at most 32 MiB,
// one or two FATs, a FAT after the boot regions and before the cluster
// heap, a heap that fits the volume, and a root folder inside the heap.
bool IsUsableExfatBoot(const uint8_t* bootSector);

// The boot region checksum over 11 x 512 bytes, leaving out the volume
// flags (offsets 106-107) and percent in use (112), which change in use.
uint32_t ExfatBootChecksum(const uint8_t* region);

// True when the 12 sectors form a sound boot region: a usable boot sector
// and a checksum sector that repeats the computed checksum throughout.
bool IsSoundExfatRegion(const uint8_t* region);

// The boot sector of the volume's exFAT boot region: the main region when
// it is sound, else the backup region (sectors 12-23) when that one is;
// nullopt when neither is.
std::optional<std::array<uint8_t, 512>> ReadExfatBootSector(const disk::VolumeReader& volume);

}  // namespace tarnwell::engine
