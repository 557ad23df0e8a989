#pragma once
// What is known about every sector of a disk being copied: not tried yet,
// failed in a large read, failed at an edge, unreadable alone, or copied.
// The statuses and the phase line are those of the ddrescue map file, so a
// copy can be continued or inspected with its tools.
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

namespace tarnwell::disk::imaging {

// A sector goes down this list until it is read; the characters are the
// map file's.
enum class BlockStatus : char {
  kNonTried = '?',    // not read yet
  kNonTrimmed = '*',  // part of a large read that failed
  kNonScraped = '/',  // inside a failed area whose edges were trimmed
  kBadSector = '-',   // failed a read of its own
  kFinished = '+',    // copied
};

// What the copy was doing when the map was saved.
enum class Phase : char {
  kCopying = '?',
  kTrimming = '*',
  kScraping = '/',
  kRetrying = '-',
  kFilling = 'F',     // written by other tools only; resumed as a new start
  kGenerating = 'G',  // the same
  kFinished = '+',
};

bool IsBlockStatus(char c);
// How far along a status is, 0 (not tried) to 4 (finished).
int StatusRank(BlockStatus status);
bool IsPhase(char c);

// The map file's status line: where the copy stood.
struct MapPosition {
  uint64_t byte = 0;  // forward passes: start of the read; backward: its end
  Phase phase = Phase::kCopying;
  int pass = 1;
};

// Copying and retrying turn round after each pass: odd passes run forwards.
// Trimming and scraping always run forwards.
bool PassRunsForward(const MapPosition& position);

struct MapBlock {
  uint64_t start = 0;  // sector
  uint64_t count = 0;
  BlockStatus status = BlockStatus::kNonTried;
  uint64_t end() const { return start + count; }
};

// Statuses of sectors [0, sectors), kept as runs: neighbours never share a
// status, so the map stays as small as the disk's damage.
class RescueMap {
 public:
  explicit RescueMap(uint64_t sectors);

  uint64_t Sectors() const { return sectors_; }
  // Gives [start, start + count) one status; the part past the end is
  // ignored.
  void Set(uint64_t start, uint64_t count, BlockStatus status);
  BlockStatus StatusAt(uint64_t sector) const;

  // The first run of `status` that ends after `from`, cut to start at
  // `from` at the earliest.
  std::optional<MapBlock> NextRun(uint64_t from, BlockStatus status) const;
  // The last run of `status` that starts before `before`, cut to end at
  // `before` at the latest.
  std::optional<MapBlock> PreviousRun(uint64_t before, BlockStatus status) const;

  uint64_t SectorsWith(BlockStatus status) const;
  // Runs of sectors that were tried and not read (any failed status side by
  // side counts once): the bad areas a user is told about.
  uint64_t BadAreas() const;
  std::vector<MapBlock> Blocks() const;

 private:
  using Runs = std::map<uint64_t, MapBlock>;
  // Makes a run start at `sector` (when inside the map) and returns it.
  Runs::iterator SplitAt(uint64_t sector);
  void MergeAround(Runs::iterator it);
  uint64_t& Total(BlockStatus status);

  uint64_t sectors_;
  Runs runs_;  // by start sector; they cover [0, sectors_) without gaps
  uint64_t totals_[5] = {};
};

}  // namespace tarnwell::disk::imaging
