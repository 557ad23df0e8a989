// Fuzzes the exFAT boot region checks, the layout arithmetic over any
// accepted boot sector, the entry-set decoder and the label reader.
#include <cstdint>
#include <cstring>
#include <vector>

#include "engine/exfat/entry_set.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/exfat/exfat_layout.h"
#include "engine/identify.h"
#include "engine/records.h"

using namespace tarnwell::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<uint8_t> region(kExfatBootRegionSectors * 512, 0);
  std::memcpy(region.data(), data, std::min(size, region.size()));
  // Half the inputs get the signature, so the checks past it are reached.
  if (size > 0 && (data[0] & 1)) {
    std::memcpy(region.data() + 3, "EXFAT   ", 8);
    std::memset(region.data() + 11, 0, 53);
    region[510] = 0x55;
    region[511] = 0xAA;
  }
  const bool sound = IsSoundExfatRegion(region.data());
  const uint8_t kind = AcceptedKind(region.data());
  if (sound && kind != kExfat) __builtin_trap();

  if (kind == kExfat) {
    TLogiDrive drive;
    std::memcpy(drive.BootSector.data(), region.data(), 512);
    drive.FsKind = kExfat;
    const ExfatLayout layout(drive);
    const ExfatBootView boot(region.data());
    for (uint32_t c : {0u, 1u, 2u, layout.RootCluster(), layout.ClusterCount() + 1,
                       layout.ClusterCount() + 2, 0xFFFFFFFFu}) {
      const std::optional<uint64_t> sector = layout.ClusterSector(c);
      if (sector && (*sector < boot.ClusterHeapOffset() || !layout.IsDataCluster(c))) __builtin_trap();
    }
    if (layout.ClustersFor(~uint64_t{0}) > layout.ClusterCount()) __builtin_trap();
  }

  // The rest of the input as folder entries.
  if (size > 512) {
    const uint8_t* entries = data + 512;
    const size_t count = size - 512;
    for (size_t at = 0; at + 32 <= count; at += 32) {
      if (const auto set = DecodeExfatEntrySet(entries + at, count - at)) {
        if (set->entryCount < 3 || set->entryCount > 19 || set->nameUtf16.empty()) __builtin_trap();
        const TMidEntry entry = ExfatSetToEntry(*set);
        (void)entry;
      }
    }
    (void)ExfatVolumeLabel(entries, count);
  }
  return 0;
}
