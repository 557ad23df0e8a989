// Fuzzes the exFAT folder walk, the FAT chain reader, the data plans of a
// recovery, preview and search over an in-memory volume. The first bytes
// choose the geometry (a sound, checksummed boot region is built from
// them, so the walk is always reached); the rest lands on the FAT and the
// cluster heap.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "common/little_endian.h"
#include "disk/read_error_reporter.h"
#include "engine/entry_helpers.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/exfat/exfat_data_plan.h"
#include "engine/exfat/exfat_folder.h"
#include "engine/undelete.h"
#include "fuzz/memory_volume.h"

namespace {

using namespace tarnwell;

constexpr size_t kImageBytes = 256 * 1024;
constexpr uint32_t kFatOffset = 24;

std::vector<uint8_t> BuildImage(const uint8_t* data, size_t size) {
  std::vector<uint8_t> image(kImageBytes, 0);
  if (size < 8) return image;
  uint8_t* b = image.data();
  std::memcpy(b + 3, "EXFAT   ", 8);
  const uint8_t shift = data[0] % 4;  // 512 B to 4 KiB clusters
  const uint32_t fatLength = 1 + data[1] % 8;
  const uint32_t heap = kFatOffset + fatLength + data[2] % 8;
  const uint32_t sectors = kImageBytes / 512;
  // Any cluster count the boot checks allow, past the image too.
  const uint32_t maxClusters = std::min<uint32_t>((sectors - heap) >> shift, fatLength * 128 - 2);
  const uint32_t clusters = 1 + LoadLE16(data + 3) % std::max<uint32_t>(maxClusters, 1);
  StoreLE64(b + 72, sectors);
  StoreLE32(b + 80, kFatOffset);
  StoreLE32(b + 84, fatLength);
  StoreLE32(b + 88, heap);
  StoreLE32(b + 92, clusters);
  StoreLE32(b + 96, 2 + data[5] % clusters);
  b[108] = 9;
  b[109] = shift;
  b[110] = 1;
  b[510] = 0x55;
  b[511] = 0xAA;
  const uint32_t sum = engine::ExfatBootChecksum(b);
  for (size_t i = 0; i < 512; i += 4) StoreLE32(b + 11 * 512 + i, sum);
  const size_t body = std::min(size - 8, kImageBytes - kFatOffset * 512);
  std::memcpy(b + kFatOffset * 512, data + 8, body);
  return image;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  engine::NullMessageBoxes boxes;
  engine::NullMessagePump pump;
  engine::TUndelete engine(boxes, pump, fuzzing::FuzzDrives(BuildImage(data, size)));
  engine::TLogiDrive* drive = engine.Drives.front().get();
  engine::NullStatusPanel status;
  engine::NullProgressBar progress;
  if (!engine.ScanVolume(*drive, true, status, progress)) return 0;
  if (!drive->IsExfat()) __builtin_trap();  // the built region is always sound

  const engine::ExfatLayout layout(*drive);
  const engine::ExfatBitmap bitmap = engine::ReadExfatBitmap(*drive, layout);
  std::array<uint8_t, 2048> preview{};
  size_t planned = 0;
  for (auto& e : drive->FatEntries) {
    if (planned++ > 64) break;
    if (!e->Exfat) __builtin_trap();
    const engine::ExfatDataPlan plan = engine::PlanExfatData(
        *drive, layout, e->DirEntry.FirstCluster32(), e->Exfat->ValidLength, e->Exfat->NoFatChain,
        e->Status == engine::kExisting, &bitmap);
    if (plan.count > layout.ClusterCount()) __builtin_trap();
    for (uint64_t i = 0; i < plan.count && i < 64; ++i) (void)plan.ClusterAt(layout, i);
    const engine::EntryHandle entry = engine.EntryOf(*e);
    (void)entry.ReadPreview(preview);
    (void)entry.ChildRange();
  }
  engine::TSearchCriteria criteria;
  criteria.Names = "*a*,?b*";
  criteria.FolderKey = engine::RootFolderKey(*drive);
  engine.SearchResults.clear();
  (void)engine.Search(criteria);
  return 0;
}
