// Free clusters of an NTFS volume: a clear bit in $Bitmap (MFT record 6),
// whose data runs say where its bytes lie.
#include <algorithm>
#include <array>
#include <vector>

#include "disk/sector_source.h"
#include "engine/boot_sector.h"
#include "engine/ntfs/ntfs_format.h"
#include "engine/ntfs/record_attribute.h"
#include "engine/ntfs/run_list.h"
#include "physical/carve/volume_free_space.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kBitmapRecord = 6;

class NtfsFreeSpace final : public VolumeFreeSpace {
 public:
  NtfsFreeSpace(disk::SectorSource& source, uint32_t clusterSectors, uint64_t end, engine::trunlist runs)
      : VolumeFreeSpace(0, clusterSectors, end), map_(source), runs_(std::move(runs)) {}

  const char* FileSystem() const override { return "NTFS"; }

  bool IsFree(uint64_t sector) override {
    if (!Inside(sector)) return false;
    const uint64_t bit = IndexOf(sector);
    const uint64_t clusterBytes = uint64_t{ClusterSectors()} * 512;
    // The bitmap cluster (counted within the attribute) that holds the bit.
    uint64_t vcn = bit / 8 / clusterBytes;
    for (const engine::TRun& run : runs_) {
      const uint64_t length = static_cast<uint64_t>(run.Length);
      if (vcn >= length) {
        vcn -= length;
        continue;
      }
      if (run.Lcn <= 0) return true;  // sparse: nothing recorded, left to the scan
      const uint64_t at = (static_cast<uint64_t>(run.Lcn) + vcn) * ClusterSectors();
      uint8_t b = 0;
      if (!map_.Byte(at, bit / 8 % clusterBytes, b)) return true;
      return !(b & (1u << (bit % 8)));
    }
    return true;
  }

 private:
  MapWindow map_;
  engine::trunlist runs_;
};

}  // namespace

std::unique_ptr<VolumeFreeSpace> OpenNtfsFreeSpace(disk::SectorSource& source, const uint8_t* boot) {
  const engine::BootSectorView b(boot);
  const uint32_t clusterSectors = b.SectorsPerCluster();
  if (clusterSectors == 0) return nullptr;
  // The first records of the MFT lie in one stretch at its start.
  std::array<uint8_t, engine::ntfs::kRecordBytes> record{};
  uint32_t got = 0;
  const uint64_t at = b.MftStartSector() + kBitmapRecord * engine::ntfs::kSectorsPerRecord;
  if (!source.Read(at, engine::ntfs::kSectorsPerRecord, record.data(), got) || got < record.size() ||
      !engine::ntfs::HasRecordSignature(record.data(), false))
    return nullptr;
  engine::TAttribute data;
  if (!engine::ntfs::ParseRecordAttribute(record, engine::ntfs::kAttrData, data, true) || !data.IsNonResident())
    return nullptr;
  engine::trunlist runs;
  if (!engine::ntfs::DecodeRunList(data.Content, runs) || runs.empty()) return nullptr;
  const uint64_t volume = std::min<uint64_t>(LoadLE64(boot + 0x28), source.SectorCount());
  const uint64_t clusters = volume / clusterSectors;
  return std::make_unique<NtfsFreeSpace>(source, clusterSectors, clusters * clusterSectors, std::move(runs));
}

}  // namespace tarnwell::physical::carve
