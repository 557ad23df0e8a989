// Boot-sector identification and the geometry arithmetic over any 512 bytes:
// nothing may crash or overflow, and what AcceptedKind lets through must
// have the geometry the scans rely on.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/boot_sector.h"
#include "engine/identify.h"
#include "engine/records.h"

using namespace tarnwell::engine;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::array<uint8_t, 512> sector{};
  std::memcpy(sector.data(), data, size < sector.size() ? size : sector.size());
  // Bytes past the sector choose the cluster numbers to map.
  uint32_t cluster = 2;
  if (size >= 516) std::memcpy(&cluster, data + 512, 4);

  const uint8_t kind = IdentifyFileSystem(sector.data());
  const uint8_t accepted = AcceptedKind(sector.data());
  if (kind > kExfat && kind != kUnrecognised) __builtin_trap();
  if (accepted != kind && accepted != kUnrecognised) __builtin_trap();

  const BootSectorView boot(sector);
  volatile uint64_t sink = 0;
  sink = sink + boot.ClusterBytes() + boot.EntriesPerSector() + boot.FatStart() +
         boot.FatRootStart() + boot.FatRootLength() + boot.FatVolumeLength() +
         boot.Fat16ClusterSector(cluster) + boot.Fat16ClusterSector(0) +
         boot.Fat32DataStart() + boot.Fat32ClusterSector(cluster) +
         boot.Fat32ClusterSector(boot.RootCluster()) + boot.MftStartSector() +
         boot.NtfsRecordSize();

  // exFAT keeps its geometry outside the BIOS parameter block (zero there);
  // fuzz_exfat_boot holds it to its own rules.
  if (accepted != kUnrecognised && accepted != kExfat) {
    if (boot.BytesPerSector() != 512 || boot.SectorsPerCluster() == 0) __builtin_trap();
    if (boot.EntriesPerSector() != 16) __builtin_trap();
    if (accepted == kNtfs && boot.NtfsRecordSize() != 1024) __builtin_trap();
    // With an accepted geometry a cluster past 2 never maps before the
    // data area.
    if (accepted == kFat32 && cluster >= 2 && boot.Fat32ClusterSector(cluster) < boot.Fat32DataStart())
      __builtin_trap();
  }
  return 0;
}
