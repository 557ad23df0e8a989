// Any bytes as a disk through all three passes of the raw-range scan, the
// folder lookups and the previews: nothing may crash, hang or read outside
// the disk's buffers.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/window_interfaces.h"
#include "physical/physical_drive.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/raw_scan.h"
#include "platform/device_table.h"

using namespace tarnwell;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (size_t{4} << 20)) return 0;
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  // Whole sectors; a small input is the start of a 64 KiB disk.
  std::vector<uint8_t> disk(data, data + size);
  disk.resize(std::max<size_t>((size + 511) / 512 * 512, 64 << 10));
  table.AttachMemoryImage("fuzz", std::make_shared<const std::vector<uint8_t>>(std::move(disk)));
  engine::NullEventLog log;
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  engine::NullProgressBar progress;
  const auto record = physical::QueryPhysicalDriveRecord(0);
  if (!record) return 0;
  physical::TPhysicalDrive drive(*record, {log, boxes, pump});
  physical::TPartiEntry& entry = drive.WholeDisk();
  (void)physical::raw::ScanRange(drive, entry, progress);
  physical::raw::ReadFatDirectories(drive, progress);
  physical::raw::ReadNtfsRecords(drive, progress);
  std::array<uint8_t, 2048> preview;
  int first = -1, last = -1;
  for (uint64_t sector : entry.DirSectors)
    physical::raw::FindFatFolderRange(drive, sector, first, last);
  for (const auto& e : entry.FatEntries) physical::raw::ReadItemStart(drive, *e, preview);
  for (uint64_t parent : entry.ParentRefs) physical::raw::FindNtfsFolderRange(entry.NtfsRecords, parent, first, last);
  for (const auto& r : entry.NtfsRecords) physical::raw::ReadItemStart(drive, *r, preview);
  physical::raw::FilterItems(drive, 0, {"*.t?t,*", -1, 100000, 0, 0, 0, 1, false});
  physical::raw::FilterItems(drive, physical::raw::kNtfsItem, {"*", -1, -1, -1, 0, 0, 0, true});
  table.Reset();
  return 0;
}
