// Any bytes as a disk: the partition tables, the extended chain, the free
// space, the labels and a search of the whole disk must neither crash nor
// hang, and must list no table entry past the disk's end.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "engine/window_interfaces.h"
#include "physical/partition_search.h"
#include "physical/physical_drive.h"
#include "platform/device_table.h"

namespace {

using namespace tarnwell;

using QuietLog = engine::NullEventLog;
using QuietBoxes = engine::NullMessageBoxes;
using NoPump = engine::NullMessagePump;

// Small inputs become the start of a 128 KiB disk, so that slots with
// plausible sizes fit on it.
constexpr size_t kMinDiskBytes = size_t{128} << 10;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // One buffer for every run: a fresh large allocation per input costs more
  // than the parsing.
  static auto bytes = std::make_shared<std::vector<uint8_t>>();
  bytes->assign(data, data + size);
  if (bytes->size() < kMinDiskBytes) bytes->resize(kMinDiskBytes, 0);
  auto& table = platform::DeviceTable::Instance();
  table.Reset();
  table.AttachMemoryImage("fuzz", bytes);
  QuietLog log;
  QuietBoxes boxes;
  NoPump pump;
  const auto record = physical::QueryPhysicalDriveRecord(0);
  if (!record) std::abort();
  physical::TPhysicalDrive drive(*record, {log, boxes, pump});
  for (const auto& entry : drive.Partitions)
    if (entry->AbsoluteEnd() > drive.TotalSectors()) std::abort();
  engine::NullProgressBar progress;
  physical::SearchPartitions(drive, drive.WholeDisk(), progress, 1000, 0);
  table.Reset();
  return 0;
}
