// Any bytes as a ddrescue map file: the parser, the sector map of the disk
// it describes and the text written back must survive them, the text
// written back must read as the same map, and an image read through that
// map must fail exactly where the map says the copy did not read.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>
#include <vector>

#include "disk/imaging/map_file.h"
#include "disk/imaging/rescued_image_source.h"
#include "disk/memory_sector_source.h"

namespace {

using namespace tarnwell::disk;
using namespace tarnwell::disk::imaging;

bool SameRuns(const RescueMap& a, const RescueMap& b) {
  const std::vector<MapBlock> x = a.Blocks(), y = b.Blocks();
  if (x.size() != y.size()) return false;
  for (size_t i = 0; i < x.size(); ++i)
    if (x[i].start != y[i].start || x[i].count != y[i].count || x[i].status != y[i].status) return false;
  return true;
}

// Reads the first sectors of a small image through the map, one at a time.
void ReadThrough(const RescueMap& map) {
  constexpr uint64_t kImageSectors = 64;
  auto readable = std::make_shared<tarnwell::platform::ReadableSectors>();
  readable->diskBytes = map.Sectors() * kSectorSize;
  for (const MapBlock& block : map.Blocks())
    if (block.status == BlockStatus::kFinished) readable->runs.emplace_back(block.start, block.end());
  const uint64_t sectors = std::min(map.Sectors(), kImageSectors);
  auto bytes = std::make_shared<const std::vector<uint8_t>>(sectors * kSectorSize, 0x5A);
  RescuedImageSource source(std::make_unique<MemorySectorSource>(bytes, 0, bytes->size()), readable, 0, sectors);
  uint8_t sector[kSectorSize];
  for (uint64_t s = 0; s < sectors; ++s) {
    uint32_t got = 0;
    const bool ok = source.Read(s, 1, sector, got);
    if (ok != (map.StatusAt(s) == BlockStatus::kFinished)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  MapFileError error;
  const std::optional<MapFile> file = ParseMapFile(text, &error);
  if (!file) return 0;
  // The sector map holds runs, not sectors: any size is cheap. A last
  // sector the map covers in part counts, as an image read through the map
  // counts it, unless it reaches past what a map can describe (2^63 - 1).
  constexpr uint64_t kLargestSectors = static_cast<uint64_t>(INT64_MAX) / kSectorSize;
  const uint64_t sectors = std::min((file->EndByte() + kSectorSize - 1) / kSectorSize, kLargestSectors);
  const std::optional<RescueMap> map = SectorMapOf(*file, sectors, &error);
  if (!map) std::abort();  // a map always fits the disk it describes
  uint64_t total = 0;
  for (const BlockStatus status : {BlockStatus::kNonTried, BlockStatus::kNonTrimmed, BlockStatus::kNonScraped,
                                   BlockStatus::kBadSector, BlockStatus::kFinished})
    total += map->SectorsWith(status);
  if (total != sectors) std::abort();
  const std::optional<MapFile> again = ParseMapFile(FormatMapFile(*map, file->position, {"fuzz", "-", "-"}), &error);
  if (!again || again->position.byte != file->position.byte || again->position.phase != file->position.phase ||
      again->position.pass != file->position.pass)
    std::abort();
  const std::optional<RescueMap> back = SectorMapOf(*again, sectors, &error);
  if (!back || !SameRuns(*back, *map)) std::abort();
  ReadThrough(*map);
  return 0;
}
