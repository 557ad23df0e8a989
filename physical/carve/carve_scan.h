#pragma once
// The signature scan over a range of sectors: every block start (a sector,
// or a cluster of a volume) is tested against all signatures at once and
// for the start of plain text; where one matches, the family's walker
// follows the file's structure to its end, and the scan goes on after the
// file. The range is read once, in order, through the raw-range scan's
// chunk reader; a walker reads ahead of the scan on its own, and the
// chunks wholly inside a found file are not read again. Memory holds one
// chunk, the walker's buffer and the list of files found, however large
// the range.
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/window_interfaces.h"
#include "physical/carve/carve_reader.h"
#include "physical/carve/carved_file.h"
#include "physical/carve/free_blocks.h"
#include "physical/carve/text_run.h"
#include "physical/raw/range_chunks.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::carve {

// Where to look.
struct CarveArea {
  uint64_t first = 0;         // first sector; blocks begin here and every blockSectors after
  uint64_t end = 0;           // the sector after the range
  uint32_t blockSectors = 1;  // a power of two
  FreeBlocks* free = nullptr; // a volume's free clusters; null: every block
};

struct CarveCounts {
  uint64_t unreadableSectors = 0;
  bool stopped = false;
  bool full = false;  // kMaxCarvedFiles were found; the scan went no further
};

// A disk cannot hold more files than this that the scan would keep: a
// range made of nothing but tiny signatures must not exhaust memory.
inline constexpr size_t kMaxCarvedFiles = size_t{1} << 22;
// The list of found files is given room for this many from the start.
inline constexpr size_t kReservedCarvedFiles = size_t{1} << 20;

// Also a companion of the raw-range scan's landmark pass, so that both
// passes run in one read of the disk.
class CarveScanner final : public raw::ChunkCompanion {
 public:
  CarveScanner(disk::SectorSource& source, const CarveArea& area, FamilySet families);
  ~CarveScanner() override;
  CarveScanner(const CarveScanner&) = delete;
  CarveScanner& operator=(const CarveScanner&) = delete;

  // The next chunk of the range, in order (chunks may be skipped up to
  // NextStart()). Its block starts are tested, under disk::TouchGuarded
  // when the chunk is mapped, and the candidates walked afterwards.
  void TakeChunk(raw::RangeChunks& chunks, raw::RangeChunk& chunk) override;
  // No file begins before this sector any more: the chunks before it need
  // not be read.
  uint64_t NextStart() const { return resume_; }
  // After the last chunk: ends the text run in progress and tries to join
  // the damaged JPEG pictures with a second piece.
  void Finish(engine::MessagePump& pump, const bool& stop);

  std::vector<CarvedFile>& Files() { return files_; }
  CarveCounts& Counts() { return counts_; }

 private:
  struct BlockFacts {
    uint64_t signatures = 0;   // matching signatures of enabled families
    const char* textKind = nullptr;
    uint32_t textBytes = 0;    // text from the block's start
    bool freshText = false;    // the text (if any) begins at this block
    bool free = true;
  };
  void Look(const raw::RangeChunks::Chunk& chunk, uint64_t firstBlock, size_t blocks);
  void Walk(const raw::RangeChunks::Chunk& chunk, uint64_t firstBlock, size_t blocks);
  bool TryWalkers(const raw::RangeChunks::Chunk& chunk, uint64_t sector, uint64_t signatures);
  void CloseText(uint64_t endByte);
  void Record(const CarvedFile& file);
  uint64_t BlockBytesAt(uint64_t sector) const;

  disk::SectorSource& source_;
  CarveArea area_;
  FamilySet families_;
  SignatureMatcher matcher_;
  bool textEnabled_;
  uint64_t largestText_;
  uint64_t blockBytes_;
  SourceReader reader_;

  std::vector<BlockFacts> facts_;
  TextFollower follower_;     // the look's, across blocks and chunks
  bool followerAlive_ = false;
  uint64_t nextLook_ = 0;     // sector after the last block looked at

  uint64_t resume_;           // sector: blocks before it lie inside a found file
  uint64_t afterFile_ = UINT64_MAX;  // the block right after the last file walked
  bool textActive_ = false;
  uint64_t textStart_ = 0;    // sector
  uint64_t textEnd_ = 0;      // byte offset on the drive where the run stands
  const char* textKind_ = "txt";

  std::vector<CarvedFile> files_;
  CarveCounts counts_;
};

// The whole scan of an area in one read, with progress and the stop flag
// (tested once a chunk).
std::vector<CarvedFile> ScanArea(disk::SectorSource& source, const CarveArea& area, FamilySet families,
                                 engine::ProgressBar& progress, engine::MessagePump& pump, const bool& stop,
                                 CarveCounts& counts);

}  // namespace tarnwell::physical::carve
