#pragma once
// The order in which a failing disk is read, so that the good areas are
// copied before the drive spends its remaining life on the bad ones:
//   copying   pass 1 forwards in large reads; after a failed read, skip
//             ahead (the skip doubles with each failure in a row and falls
//             back after a good read) and leave the skipped area for later;
//             pass 2 backwards over the skipped areas, leaving the rest of
//             an area at its first failure; pass 3 forwards over whatever
//             is left, without skipping;
//   trimming  each failed large read, sector by sector from its leading
//             edge and then from its trailing edge up to the first bad
//             sector, the middle left for scraping;
//   scraping  the middles, sector by sector;
//   retrying  the bad sectors once per pass, turning round after each pass.
// Every sector is read at most once in a large read and once alone, until
// the retries. The I/O is injected, so the order can be tested without a
// disk.
#include <cstdint>
#include <functional>

#include "disk/imaging/rescue_map.h"
#include "disk/read_buffer.h"

namespace tarnwell::disk::imaging {

struct PassSettings {
  uint32_t clusterSectors = 128;      // a large read: 64 KiB
  // The forward copying passes read up to this many untried clusters at
  // once. A failure counts only to the end of the cluster it falls in, and
  // the pass goes on from there, so the map grows exactly as with one
  // cluster per read; good areas just take far fewer reads (1 MiB reads
  // copy a disk in the page cache as fast as cat, 64 KiB ones at 0.9).
  uint32_t clustersPerRead = 16;
  uint64_t firstSkipSectors = 128;    // 0: pass 1 never skips
  uint64_t largestSkipSectors = 128;
  int retryPasses = 1;
};

// The first skip 1/100,000 of the disk but at least 64 KiB; skips grow up
// to 1% of the disk.
PassSettings DefaultPassSettings(uint64_t sectors, int retryPasses);

struct SectorsRead {
  bool ok = false;          // every sector asked for arrived
  uint32_t wholeSectors = 0;  // the sectors that arrived before a failure
};

struct PassIo {
  // Reads count sectors at lba into buffer.
  std::function<SectorsRead(uint64_t lba, uint32_t count, uint8_t* buffer)> read;
  // Writes sectors that were read into the image; false ends the passes.
  std::function<bool(uint64_t lba, uint32_t count, const uint8_t* data)> write;
  // Called after every read and when a phase begins (newPhase); false ends
  // the passes (a stop request, a map that could not be saved).
  std::function<bool(const MapPosition& position, bool newPhase)> checkpoint;
};

class RescuePasses {
 public:
  RescuePasses(RescueMap& map, const PassSettings& settings, PassIo io);

  // Runs the phases from where `resume` stood: copying resumes its pass at
  // its position, retrying its pass; every phase after it runs whole. True
  // when all ran to the end; false when the I/O ended them.
  bool Run(const MapPosition& resume);
  // Where the passes stand (what the map's status line says).
  const MapPosition& Position() const { return position_; }

 private:
  bool Copy(const MapPosition& resume);
  bool CopyForwards(uint64_t from, bool skipping);
  bool CopyBackwards(uint64_t before);
  bool Trim();
  bool TrimEdge(uint64_t& first, uint64_t& end, bool forwards);
  bool Scrape();
  bool Retry(const MapPosition& resume);
  bool RetryPass(uint64_t from, bool forwards);
  bool BeginPhase(Phase phase, int pass, uint64_t sector);
  // Reads [lba, lba + count), writes and marks what arrived; after a
  // failure marks `failed` from the failing sector to the end of its
  // cluster. False when the passes must end; `ok` tells whether the whole
  // read worked, `reached` where its marks end.
  bool ReadPiece(uint64_t lba, uint32_t count, BlockStatus failed, bool& ok, uint64_t& reached);
  bool ReadPiece(uint64_t lba, uint32_t count, BlockStatus failed, bool& ok) {
    uint64_t reached = 0;
    return ReadPiece(lba, count, failed, ok, reached);
  }
  // The forward read that starts at lba inside a run ending at `end`: up
  // to the next boundary of clustersPerRead clusters, so reads stay aligned
  // after a skip.
  uint32_t ForwardPiece(uint64_t lba, uint64_t end) const;

  RescueMap& map_;
  PassSettings settings_;
  PassIo io_;
  MapPosition position_;
  ReadBuffer buffer_;
};

}  // namespace tarnwell::disk::imaging
