// Any bytes as a GPT disk: the header and the entry array are untrusted,
// and the model built from them must list nothing past the disk's end nor
// crash or hang. The first input byte steers the harness so that the
// fuzzer reaches past the CRC checks:
//   bit 0  recompute the primary header's array CRC and header CRC
//   bit 1  copy the primary header to the last sector as the backup
//   bit 2  then spoil the primary header (the backup is read)
// The rest of the input is the disk from sector 1 on (header, then array).
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "common/little_endian.h"
#include "engine/window_interfaces.h"
#include "physical/crc32.h"
#include "physical/partition_search.h"
#include "physical/physical_drive.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

constexpr size_t kSector = 512;
constexpr size_t kMinDiskSectors = 256;
// Room for the largest array a header may name (1 MiB) and its header.
constexpr size_t kMaxDiskSectors = 2048 + 64;

void FixCrcs(std::vector<uint8_t>& disk, size_t headerSector) {
  uint8_t* h = disk.data() + headerSector * kSector;
  const uint32_t size = std::clamp<uint32_t>(LoadLE32(h + 0x0C), 92, 512);
  const uint64_t arrayLba = LoadLE64(h + 0x48);
  const uint64_t arrayBytes = uint64_t{LoadLE32(h + 0x50)} * LoadLE32(h + 0x54);
  const uint64_t sectors = disk.size() / kSector;
  if (arrayLba < sectors && arrayBytes <= (sectors - arrayLba) * kSector)
    StoreLE32(h + 0x58, physical::Crc32(disk.data() + arrayLba * kSector, arrayBytes));
  StoreLE32(h + 0x10, 0);
  StoreLE32(h + 0x10, physical::Crc32(h, size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const uint8_t flags = data[0];
  ++data;
  --size;
  const size_t sectors =
      std::clamp(1 + (size + kSector - 1) / kSector + 1, kMinDiskSectors, kMaxDiskSectors);
  static auto disk = std::make_shared<std::vector<uint8_t>>();
  disk->assign(sectors * kSector, 0);
  std::copy(data, data + std::min(size, disk->size() - 2 * kSector), disk->begin() + kSector);
  // The protective record: slot 1 of type 0xEE over the whole disk.
  uint8_t* mbr = disk->data();
  mbr[446 + 4] = 0xEE;
  StoreLE32(mbr + 446 + 8, 1);
  StoreLE32(mbr + 446 + 12, static_cast<uint32_t>(sectors - 1));
  mbr[510] = 0x55;
  mbr[511] = 0xAA;
  if (flags & 1) FixCrcs(*disk, 1);
  if (flags & 2) {
    const size_t last = sectors - 1;
    std::copy(disk->begin() + kSector, disk->begin() + 2 * kSector, disk->begin() + last * kSector);
    StoreLE64(disk->data() + last * kSector + 0x18, last);
    StoreLE64(disk->data() + last * kSector + 0x20, 1);
    FixCrcs(*disk, last);
    if (flags & 4) (*disk)[kSector] ^= 0xFF;
  }

  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  table.AttachMemoryImage("fuzz", disk);
  engine::NullEventLog log;
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  const auto record = physical::QueryPhysicalDriveRecord(0);
  if (!record) std::abort();
  physical::TPhysicalDrive drive(*record, {log, boxes, pump});
  for (const auto& entry : drive.Partitions)
    if (entry->AbsoluteEnd() > drive.TotalSectors()) std::abort();
  // Free space never overlaps a listed partition.
  for (const auto* gap : drive.WholeDisk().Children)
    if (gap->IsFreeSpace())
      for (const auto* part : drive.WholeDisk().Children)
        if (!part->IsFreeSpace() && part->AbsoluteStart() < gap->AbsoluteEnd() &&
            gap->AbsoluteStart() < part->AbsoluteEnd())
          std::abort();
  engine::NullProgressBar progress;
  physical::SearchPartitions(drive, drive.WholeDisk(), progress, 1000, 0);
  table.Reset();
  return 0;
}
