// Any bytes as a disk through the whole signature scan: every block tested,
// the candidates walked, text followed, damaged pictures tried against
// second pieces. Found files must lie inside the disk, in disk order.
#include <cstdint>
#include <memory>
#include <vector>

#include "disk/memory_sector_source.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"

using namespace tarnwell;
using namespace tarnwell::physical::carve;

namespace {

// Every other block free, or all of them, by the first byte.
class EveryOther final : public FreeBlocks {
 public:
  explicit EveryOther(uint32_t step) : step_(step) {}
  bool IsFree(uint64_t sector) override { return (sector / step_) % 2 == 0; }

 private:
  uint32_t step_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // Disks of a few hundred kilobytes hold all the structures; larger ones
  // only slow the search down.
  if (size == 0 || size > (size_t{512} << 10)) return 0;
  std::vector<uint8_t> disk(data + 1, data + size);
  disk.resize((disk.size() + 511) / 512 * 512);
  if (disk.empty()) return 0;
  const uint64_t bytes = disk.size();
  disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(std::move(disk)), 0, bytes);
  const uint32_t block = 1u << (data[0] & 3);
  EveryOther free(block);
  const CarveArea area{0, source.SectorCount(), block, (data[0] & 4) ? &free : nullptr};
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  const bool stop = false;
  CarveCounts counts;
  const std::vector<CarvedFile> files = ScanArea(source, area, kAllFamilies, progress, pump, stop, counts);
  uint64_t previous = 0;
  for (const CarvedFile& f : files) {
    if (f.sector < previous || f.sector >= source.SectorCount()) __builtin_trap();
    const uint64_t first = f.Joined() ? f.firstPieceBytes : f.length;
    if (f.sector * 512 + first > bytes) __builtin_trap();
    if (f.Joined() && f.secondSector * 512 + (f.length - first) > bytes) __builtin_trap();
    previous = f.sector;
  }
  return 0;
}
