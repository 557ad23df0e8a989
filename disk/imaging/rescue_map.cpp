#include "disk/imaging/rescue_map.h"

#include <algorithm>

namespace tarnwell::disk::imaging {
namespace {

bool IsFailed(BlockStatus status) {
  return status == BlockStatus::kNonTrimmed || status == BlockStatus::kNonScraped ||
         status == BlockStatus::kBadSector;
}

}  // namespace

int StatusRank(BlockStatus status) {
  switch (status) {
    case BlockStatus::kNonTried: return 0;
    case BlockStatus::kNonTrimmed: return 1;
    case BlockStatus::kNonScraped: return 2;
    case BlockStatus::kBadSector: return 3;
    case BlockStatus::kFinished: return 4;
  }
  return 0;
}

bool IsBlockStatus(char c) { return c == '?' || c == '*' || c == '/' || c == '-' || c == '+'; }

bool IsPhase(char c) { return IsBlockStatus(c) || c == 'F' || c == 'G'; }

bool PassRunsForward(const MapPosition& position) {
  if (position.phase != Phase::kCopying && position.phase != Phase::kRetrying) return true;
  return position.pass % 2 == 1;
}

RescueMap::RescueMap(uint64_t sectors) : sectors_(sectors) {
  if (sectors_ == 0) return;
  runs_.emplace(0, MapBlock{0, sectors_, BlockStatus::kNonTried});
  Total(BlockStatus::kNonTried) = sectors_;
}

uint64_t& RescueMap::Total(BlockStatus status) { return totals_[StatusRank(status)]; }

uint64_t RescueMap::SectorsWith(BlockStatus status) const { return totals_[StatusRank(status)]; }

RescueMap::Runs::iterator RescueMap::SplitAt(uint64_t sector) {
  if (sector >= sectors_) return runs_.end();
  auto it = std::prev(runs_.upper_bound(sector));
  if (it->first == sector) return it;
  MapBlock& left = it->second;
  const MapBlock right{sector, left.end() - sector, left.status};
  left.count = sector - left.start;
  return runs_.emplace_hint(std::next(it), sector, right);
}

void RescueMap::MergeAround(Runs::iterator it) {
  const auto next = std::next(it);
  if (next != runs_.end() && next->second.status == it->second.status) {
    it->second.count += next->second.count;
    runs_.erase(next);
  }
  if (it != runs_.begin()) {
    const auto previous = std::prev(it);
    if (previous->second.status == it->second.status) {
      previous->second.count += it->second.count;
      runs_.erase(it);
    }
  }
}

void RescueMap::Set(uint64_t start, uint64_t count, BlockStatus status) {
  if (start >= sectors_ || count == 0) return;
  const uint64_t end = count > sectors_ - start ? sectors_ : start + count;
  auto first = SplitAt(start);
  const auto last = SplitAt(end);
  while (first != last) {
    Total(first->second.status) -= first->second.count;
    first = runs_.erase(first);
  }
  const auto it = runs_.emplace_hint(last, start, MapBlock{start, end - start, status});
  Total(status) += end - start;
  MergeAround(it);
}

BlockStatus RescueMap::StatusAt(uint64_t sector) const {
  if (sector >= sectors_) return BlockStatus::kNonTried;
  return std::prev(runs_.upper_bound(sector))->second.status;
}

std::optional<MapBlock> RescueMap::NextRun(uint64_t from, BlockStatus status) const {
  if (from >= sectors_) return std::nullopt;
  for (auto it = std::prev(runs_.upper_bound(from)); it != runs_.end(); ++it) {
    if (it->second.status != status) continue;
    const uint64_t start = std::max(it->second.start, from);
    return MapBlock{start, it->second.end() - start, status};
  }
  return std::nullopt;
}

std::optional<MapBlock> RescueMap::PreviousRun(uint64_t before, BlockStatus status) const {
  before = std::min(before, sectors_);
  if (before == 0) return std::nullopt;
  auto it = std::prev(runs_.upper_bound(before - 1));
  while (true) {
    if (it->second.status == status) {
      const uint64_t end = std::min(it->second.end(), before);
      return MapBlock{it->second.start, end - it->second.start, status};
    }
    if (it == runs_.begin()) return std::nullopt;
    --it;
  }
}

uint64_t RescueMap::BadAreas() const {
  uint64_t areas = 0;
  bool inArea = false;
  for (const auto& [start, run] : runs_) {
    const bool failed = IsFailed(run.status);
    if (failed && !inArea) ++areas;
    inArea = failed;
  }
  return areas;
}

std::vector<MapBlock> RescueMap::Blocks() const {
  std::vector<MapBlock> blocks;
  blocks.reserve(runs_.size());
  for (const auto& [start, run] : runs_) blocks.push_back(run);
  return blocks;
}

}  // namespace tarnwell::disk::imaging
