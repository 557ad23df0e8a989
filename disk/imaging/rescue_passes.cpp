#include "disk/imaging/rescue_passes.h"

#include <algorithm>

#include "disk/sector_source.h"

namespace tarnwell::disk::imaging {
namespace {

constexpr uint64_t kLeastSkipSectors = 128;  // 64 KiB

}  // namespace

PassSettings DefaultPassSettings(uint64_t sectors, int retryPasses) {
  PassSettings settings;
  settings.firstSkipSectors = std::max(kLeastSkipSectors, sectors / 100000);
  settings.largestSkipSectors = std::max(settings.firstSkipSectors, sectors / 100);
  settings.retryPasses = retryPasses;
  return settings;
}

RescuePasses::RescuePasses(RescueMap& map, const PassSettings& settings, PassIo io)
    : map_(map), settings_(settings), io_(std::move(io)) {
  settings_.clusterSectors = std::clamp<uint32_t>(settings_.clusterSectors, 1, kMaxSectorsPerRead);
  settings_.clustersPerRead =
      std::clamp<uint32_t>(settings_.clustersPerRead, 1, kMaxSectorsPerRead / settings_.clusterSectors);
  settings_.largestSkipSectors = std::max(settings_.largestSkipSectors, settings_.firstSkipSectors);
  buffer_.resize(size_t{settings_.clusterSectors} * settings_.clustersPerRead * kSectorSize);
}

bool RescuePasses::Run(const MapPosition& resume) {
  const MapPosition fresh{0, Phase::kCopying, 1};
  if (!Copy(resume.phase == Phase::kCopying ? resume : fresh)) return false;
  if (!Trim() || !Scrape()) return false;
  if (!Retry(resume.phase == Phase::kRetrying ? resume : MapPosition{0, Phase::kRetrying, 1})) return false;
  position_ = {position_.byte, Phase::kFinished, 1};
  return true;
}

bool RescuePasses::BeginPhase(Phase phase, int pass, uint64_t sector) {
  position_ = {sector * kSectorSize, phase, pass};
  return io_.checkpoint(position_, true);
}

uint32_t RescuePasses::ForwardPiece(uint64_t lba, uint64_t end) const {
  const uint64_t piece = uint64_t{settings_.clusterSectors} * settings_.clustersPerRead;
  return static_cast<uint32_t>(std::min(piece - lba % piece, end - lba));
}

bool RescuePasses::ReadPiece(uint64_t lba, uint32_t count, BlockStatus failed, bool& ok, uint64_t& reached) {
  const SectorsRead got = io_.read(lba, count, buffer_.data());
  const uint32_t good = std::min(got.wholeSectors, count);
  // A read that worked but came back short failed where it stopped.
  ok = got.ok && good == count;
  if (good > 0) {
    if (!io_.write(lba, good, buffer_.data())) return false;
    map_.Set(lba, good, BlockStatus::kFinished);
  }
  reached = lba + count;
  if (!ok) {
    // What one cluster read would have left: the rest of a read of several
    // clusters is as untried as it was.
    const uint64_t failedAt = lba + good;
    reached = std::min(reached, (failedAt / settings_.clusterSectors + 1) * settings_.clusterSectors);
    map_.Set(failedAt, reached - failedAt, failed);
  }
  return io_.checkpoint(position_, false);
}

bool RescuePasses::Copy(const MapPosition& resume) {
  const int pass = std::max(resume.pass, 1);
  const uint64_t sector = resume.byte / kSectorSize;
  const auto left = [this] { return map_.SectorsWith(BlockStatus::kNonTried) > 0; };
  if (pass == 1 && left()) {
    if (!BeginPhase(Phase::kCopying, 1, sector) || !CopyForwards(sector, settings_.firstSkipSectors > 0))
      return false;
  }
  if (pass <= 2 && left()) {
    // A backward pass's position is the end of its read.
    const uint64_t before = pass == 2 ? (resume.byte + kSectorSize - 1) / kSectorSize : map_.Sectors();
    if (!BeginPhase(Phase::kCopying, 2, before) || !CopyBackwards(before)) return false;
  }
  if (left()) {
    const uint64_t from = pass >= 3 ? sector : 0;
    if (!BeginPhase(Phase::kCopying, 3, from) || !CopyForwards(from, false)) return false;
  }
  return true;
}

bool RescuePasses::CopyForwards(uint64_t from, bool skipping) {
  uint64_t pos = from;
  uint64_t skip = settings_.firstSkipSectors;
  // Without skipping this is the last copying pass: a resumed one goes
  // round to the start, so nothing before its position is left untried.
  bool wrapped = skipping || from == 0;
  while (true) {
    const std::optional<MapBlock> run = map_.NextRun(pos, BlockStatus::kNonTried);
    if (!run) {
      if (wrapped) return true;
      wrapped = true;
      pos = 0;
      continue;
    }
    pos = run->start;
    const uint32_t count = ForwardPiece(pos, run->end());
    position_.byte = pos * kSectorSize;
    const uint64_t start = pos;
    bool ok = false;
    if (!ReadPiece(pos, count, BlockStatus::kNonTrimmed, ok, pos)) return false;
    if (!skipping) continue;
    // A good read, or a read of several clusters that failed in a later
    // one: what their own reads would have been, good reads first.
    const uint64_t failedCluster = (pos - 1) / settings_.clusterSectors * settings_.clusterSectors;
    if (ok || failedCluster > start) skip = settings_.firstSkipSectors;
    if (ok) continue;
    // Out of the bad area as fast as possible; pass 2 comes back for what
    // was skipped from the other side.
    pos = skip >= map_.Sectors() - std::min(pos, map_.Sectors()) ? map_.Sectors() : pos + skip;
    skip = std::min(skip * 2, settings_.largestSkipSectors);
  }
}

bool RescuePasses::CopyBackwards(uint64_t before) {
  uint64_t pos = before;
  while (const std::optional<MapBlock> run = map_.PreviousRun(pos, BlockStatus::kNonTried)) {
    const uint64_t end = run->end();
    const uint64_t toBoundary = end % settings_.clusterSectors ? end % settings_.clusterSectors
                                                                : settings_.clusterSectors;
    const uint64_t start = end - std::min(toBoundary, run->count);
    position_.byte = end * kSectorSize;
    bool ok = false;
    if (!ReadPiece(start, static_cast<uint32_t>(end - start), BlockStatus::kNonTrimmed, ok)) return false;
    // The first failure delimits the area from this side; the rest of it
    // waits for the last pass.
    pos = ok ? start : run->start;
  }
  return true;
}

bool RescuePasses::TrimEdge(uint64_t& first, uint64_t& end, bool forwards) {
  while (first < end) {
    const uint64_t sector = forwards ? first : end - 1;
    position_.byte = (forwards ? sector : sector + 1) * kSectorSize;
    bool ok = false;
    if (!ReadPiece(sector, 1, BlockStatus::kBadSector, ok)) return false;
    if (forwards) {
      ++first;
    } else {
      --end;
    }
    if (!ok) break;
  }
  return true;
}

bool RescuePasses::Trim() {
  if (map_.SectorsWith(BlockStatus::kNonTrimmed) == 0) return true;
  if (!BeginPhase(Phase::kTrimming, 1, 0)) return false;
  uint64_t pos = 0;
  while (const std::optional<MapBlock> run = map_.NextRun(pos, BlockStatus::kNonTrimmed)) {
    uint64_t first = run->start;
    uint64_t end = run->end();
    pos = end;
    // An edge that touches a bad sector is trimmed already.
    const bool leadingTrimmed = first > 0 && map_.StatusAt(first - 1) == BlockStatus::kBadSector;
    if (!leadingTrimmed && !TrimEdge(first, end, true)) return false;
    const bool trailingTrimmed = end < map_.Sectors() && map_.StatusAt(end) == BlockStatus::kBadSector;
    if (first < end && !trailingTrimmed && !TrimEdge(first, end, false)) return false;
    if (first < end) map_.Set(first, end - first, BlockStatus::kNonScraped);
  }
  return true;
}

bool RescuePasses::Scrape() {
  if (map_.SectorsWith(BlockStatus::kNonScraped) == 0) return true;
  if (!BeginPhase(Phase::kScraping, 1, 0)) return false;
  uint64_t pos = 0;
  while (const std::optional<MapBlock> run = map_.NextRun(pos, BlockStatus::kNonScraped)) {
    for (uint64_t sector = run->start; sector < run->end(); ++sector) {
      position_.byte = sector * kSectorSize;
      bool ok = false;
      if (!ReadPiece(sector, 1, BlockStatus::kBadSector, ok)) return false;
    }
    pos = run->end();
  }
  return true;
}

bool RescuePasses::Retry(const MapPosition& resume) {
  for (int pass = std::max(resume.pass, 1); pass <= settings_.retryPasses; ++pass) {
    if (map_.SectorsWith(BlockStatus::kBadSector) == 0) return true;
    const bool forwards = pass % 2 == 1;
    uint64_t from = forwards ? 0 : map_.Sectors();
    if (resume.phase == Phase::kRetrying && pass == resume.pass) from = resume.byte / kSectorSize;
    if (!BeginPhase(Phase::kRetrying, pass, from) || !RetryPass(from, forwards)) return false;
  }
  return true;
}

bool RescuePasses::RetryPass(uint64_t from, bool forwards) {
  uint64_t pos = from;
  while (true) {
    const std::optional<MapBlock> run = forwards ? map_.NextRun(pos, BlockStatus::kBadSector)
                                                 : map_.PreviousRun(pos, BlockStatus::kBadSector);
    if (!run) return true;
    // Each bad sector once per pass; those that stay bad are not met again.
    for (uint64_t i = 0; i < run->count; ++i) {
      const uint64_t sector = forwards ? run->start + i : run->end() - 1 - i;
      // Where the pass goes on after this read: a sector that stays bad
      // is not tried twice in one pass when the copy is resumed.
      position_.byte = (forwards ? sector + 1 : sector) * kSectorSize;
      bool ok = false;
      if (!ReadPiece(sector, 1, BlockStatus::kBadSector, ok)) return false;
    }
    pos = forwards ? run->end() : run->start;
  }
}

}  // namespace tarnwell::disk::imaging
