#pragma once
// Boot-sector fields and the geometry derived from them. Everything is read
// afresh from the kept copy of sector 0; nothing is precomputed.
#include <array>
#include <cstdint>

#include "common/little_endian.h"

namespace tarnwell::engine {

class BootSectorView {
 public:
  explicit BootSectorView(const std::array<uint8_t, 512>& bytes) : b_(bytes.data()) {}
  explicit BootSectorView(const uint8_t* bytes) : b_(bytes) {}

  uint16_t BytesPerSector() const { return LoadLE16(b_ + 0x0B); }
  uint8_t SectorsPerCluster() const { return b_[0x0D]; }
  uint16_t ReservedSectors() const { return LoadLE16(b_ + 0x0E); }
  uint8_t FatCount() const { return b_[0x10]; }
  uint16_t RootEntries() const { return LoadLE16(b_ + 0x11); }
  uint16_t TotalSectorsSmall() const { return LoadLE16(b_ + 0x13); }
  uint16_t SectorsPerFat16() const { return LoadLE16(b_ + 0x16); }
  uint32_t TotalSectorsLarge() const { return LoadLE32(b_ + 0x20); }
  uint32_t SectorsPerFat32() const { return LoadLE32(b_ + 0x24); }
  uint32_t RootCluster() const { return LoadLE32(b_ + 0x2C); }
  uint32_t MftCluster() const { return LoadLE32(b_ + 0x30); }
  uint32_t ClustersPerMftRecord() const { return LoadLE32(b_ + 0x40); }

  // Bytes per sector / 32; 16 on every volume the engine accepts.
  uint32_t EntriesPerSector() const { return BytesPerSector() / 32u; }
  uint32_t ClusterBytes() const { return SectorsPerCluster() * static_cast<uint32_t>(BytesPerSector()); }

  // FAT12/FAT16 layout, in 512-byte sectors from the volume start.
  uint32_t FatStart() const { return ReservedSectors(); }
  uint32_t FatRootStart() const {
    return ReservedSectors() + static_cast<uint32_t>(FatCount()) * SectorsPerFat16();
  }
  uint32_t FatRootLength() const {
    const uint32_t perSector = EntriesPerSector();
    return perSector ? RootEntries() / perSector : 0;
  }
  uint32_t FatVolumeLength() const {
    return TotalSectorsSmall() != 0 ? TotalSectorsSmall() : TotalSectorsLarge();
  }
  // Sector of cluster c (c >= 2). 64-bit so that a hostile cluster number
  // cannot wrap around to an address inside the volume.
  uint64_t Fat16ClusterSector(uint32_t cluster) const {
    return static_cast<uint64_t>(FatRootStart()) + FatRootLength() +
           (static_cast<int64_t>(cluster) - 2) * static_cast<int64_t>(SectorsPerCluster());
  }
  uint64_t Fat32DataStart() const {
    return static_cast<uint64_t>(ReservedSectors()) +
           static_cast<uint64_t>(FatCount()) * SectorsPerFat32();
  }
  uint64_t Fat32ClusterSector(uint32_t cluster) const {
    return Fat32DataStart() +
           (static_cast<int64_t>(cluster) - 2) * static_cast<int64_t>(SectorsPerCluster());
  }

  // NTFS.
  uint64_t MftStartSector() const {
    return static_cast<uint64_t>(MftCluster()) * SectorsPerCluster();
  }
  // The MFT record size as the engine computes it: 1024 when the 32-bit
  // value at 0x40 is 0xF6 (2^10), else sectors per cluster x bytes per
  // sector x that value, in 16 bits.
  uint16_t NtfsRecordSize() const {
    const uint32_t v = ClustersPerMftRecord();
    if (v == 0xF6) return 1024;
    return static_cast<uint16_t>(SectorsPerCluster() * BytesPerSector() * v);
  }

 private:
  const uint8_t* b_;
};

}  // namespace tarnwell::engine
