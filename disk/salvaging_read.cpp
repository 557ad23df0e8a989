#include "disk/salvaging_read.h"

#include <algorithm>
#include <cstring>

#include "disk/sector_source.h"

namespace tarnwell::disk {
namespace {

struct Salvage {
  SectorSource& source;
  std::vector<SectorRun>& bad;
  uint64_t goodSectors = 0;
  bool failed = false;
  bool ended = false;  // a piece came back short: the source ends there

  // Reads [lba, lba + count) into out; returns the bytes that belong to
  // the source (read or zeroed).
  uint64_t Read(uint64_t lba, uint32_t count, uint8_t* out) {
    if (ended || count == 0) return 0;
    uint32_t got = 0;
    if (source.Read(lba, count, out, got)) {
      const uint64_t bytes = std::min<uint64_t>(got, uint64_t{count} * kSectorSize);
      goodSectors += (bytes + kSectorSize - 1) / kSectorSize;
      if (bytes < uint64_t{count} * kSectorSize) ended = true;
      return bytes;
    }
    if (count == 1) {
      std::memset(out, 0, kSectorSize);
      failed = true;
      AddSectorRun(bad, {lba, 1});
      return kSectorSize;
    }
    const uint32_t half = count / 2;
    const uint64_t front = Read(lba, half, out);
    if (ended) return front;
    return front + Read(lba + half, count - half, out + size_t{half} * kSectorSize);
  }
};

}  // namespace

void AddSectorRun(std::vector<SectorRun>& runs, SectorRun run) {
  if (run.count == 0) return;
  if (!runs.empty() && runs.back().End() == run.first) {
    runs.back().count += run.count;
    return;
  }
  runs.push_back(run);
}

bool ReadSalvaging(SectorSource& source, uint64_t lba, uint32_t count, uint8_t* buffer, uint32_t& bytesRead,
                   std::vector<SectorRun>& bad) {
  Salvage salvage{source, bad};
  bytesRead = static_cast<uint32_t>(salvage.Read(lba, count, buffer));
  return salvage.goodSectors > 0 || !salvage.failed;
}

}  // namespace tarnwell::disk
