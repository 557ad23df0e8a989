// Fuzzes the FAT directory walk, the chain reader, the cluster plan of a
// recovery, preview and search over an in-memory volume. The first bytes
// choose the FAT width and the boot-sector geometry (any values, hostile
// ones included); the rest lands on the FAT, root and data area.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "common/little_endian.h"
#include "disk/read_error_reporter.h"
#include "engine/entry_helpers.h"
#include "engine/fat/fat_chain.h"
#include "engine/fat/fat_cluster_plan.h"
#include "engine/undelete.h"
#include "fuzz/memory_volume.h"

namespace {

using namespace tarnwell;

using QuietBoxes = engine::NullMessageBoxes;
using QuietPump = engine::NullMessagePump;

constexpr size_t kImageBytes = 256 * 1024;

std::vector<uint8_t> BuildImage(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(kImageBytes, 0);
  if (size < 12) return image;
  uint8_t* b = image.data();
  const uint8_t kind = data[0] % 3;
  StoreLE16(b + 11, 512);
  b[13] = data[1];                                  // sectors per cluster, even 0 or 255
  StoreLE16(b + 14, static_cast<uint16_t>(data[2] % 8));  // reserved
  b[16] = static_cast<uint8_t>(data[3] % 3);        // FAT count
  StoreLE16(b + 17, static_cast<uint16_t>(data[4] * 16));  // root entries
  const uint16_t fatSectors = static_cast<uint16_t>(data[5] % 64);
  const uint32_t total = LoadLE32(data + 6);        // any total, past the image too
  if (kind == 2) {
    StoreLE32(b + 32, total);
    StoreLE32(b + 36, fatSectors);
    StoreLE32(b + 44, LoadLE16(data + 10));         // root cluster
    std::memcpy(b + 82, "FAT32   ", 8);
  } else {
    StoreLE16(b + 19, static_cast<uint16_t>(total));
    StoreLE32(b + 32, total >> 16);
    StoreLE16(b + 22, fatSectors);
    std::memcpy(b + 54, kind == 0 ? "FAT12   " : "FAT16   ", 8);
  }
  const size_t body = std::min(size - 12, kImageBytes - 512);
  std::memcpy(b + 512, data + 12, body);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QuietBoxes boxes;
  QuietPump pump;
  engine::TUndelete engine(boxes, pump, fuzzing::FuzzDrives(BuildImage(data, size)));
  engine::TLogiDrive* drive = engine.Drives.front().get();
  engine::NullStatusPanel status;
  engine::NullProgressBar progress;
  if (!engine.ScanVolume(*drive, true, status, progress) || !drive->IsFat()) return 0;

  const engine::FatLayout layout(*drive);
  std::array<uint8_t, 2048> preview{};
  size_t planned = 0;
  for (auto& e : drive->FatEntries) {
    if (planned++ > 64) break;
    engine::ReadFatChain(*drive, e->DirEntry.FirstCluster32());
    engine::PlanFatClusters(*drive, layout, e->DirEntry.FirstCluster32(), e->DirEntry.FileSize(),
                            e->Status == engine::kExisting);
    const engine::EntryHandle entry = engine.EntryOf(*e);
    (void)entry.ReadPreview(preview);
    (void)entry.ChildRange();
    (void)entry.FolderPath();
  }
  engine::TSearchCriteria criteria;
  criteria.Names = "*a*,?b*";
  criteria.FolderKey = drive->FatEntries.empty()
                           ? -1
                           : engine::FatFolderKey(*drive->FatEntries[0], drive->FsKind);
  engine.SearchResults.clear();
  (void)engine.Search(criteria);
  for (auto& e : drive->FatEntries)
    if (e->Status == engine::kDamagedFolder) {
      (void)engine.RescanDamagedFolder(*e, status);  // appends: stop iterating
      break;
    }
  return 0;
}
