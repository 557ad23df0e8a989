#pragma once
// The chunks of a sector range, in order, for the passes that test every
// sector of a range (the landmark pass, the partition search). The source
// is told that the reads come in order, so a disk reads further ahead while
// the caller tests the chunk in hand.
//
// Chunks are read by copy into one page-aligned buffer, or, when the caller
// asks for it and the source can, handed out straight from a read-only
// mapping of the source (16 MB at a time): a pass that looks at a few bytes
// of each sector then does not copy the rest. A mapped chunk's bytes may
// only be touched under disk::TouchGuarded; when that reports a fault, the
// caller takes the chunk again by copy (ReadByCopy), and the rest of the
// range is read by copy too.
//
// A chunk the source refuses is read again in halves, down to single
// sectors (disk::ReadSalvaging): a bad sector costs that sector, which
// reads as zeros and is listed in BadRuns, not the chunk around it.
//
// A reading thread one chunk ahead was tried: on a shared two-core machine
// it made the passes slower than this single thread (0.55x against 0.69x
// of `cat` on 200,000 NTFS records, in the same runs), so reading stays on
// the caller's thread, as the rest of the system does.
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "disk/guarded_touch.h"
#include "disk/mapped_sectors.h"
#include "disk/read_buffer.h"
#include "disk/salvaging_read.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::raw {

class RangeChunks;
struct RangeChunk;

// Another pass that looks at the same chunks in the same read (the
// signature scan beside the landmark pass): it is given each chunk before
// the pass that owns the reader, and may Examine it (a chunk it had to
// take by copy reaches the owner as a copy).
class ChunkCompanion {
 public:
  virtual ~ChunkCompanion() = default;
  virtual void TakeChunk(RangeChunks& chunks, RangeChunk& chunk) = 0;
};

struct RangeChunk {
  uint64_t address = 0;  // first sector
  const uint8_t* bytes = nullptr;
  uint32_t bytesRead = 0;  // may be short at the end of the source
  // Bytes that may be looked at from `bytes` on: past the chunk, up to
  // the end of the mapping it lies in (a record that begins in its last
  // sector); bytesRead for a chunk read by copy.
  uint64_t bytesAvailable = 0;
  bool ok = false;      // false: no sector of it could be read
  bool mapped = false;  // true: touch only under disk::TouchGuarded
};

class RangeChunks {
 public:
  // The scans read by copy. A mapping saves the copy, but every page it
  // touches first costs a fault, and under some hypervisors that fault
  // costs more than copying the page: a pass over mapped pages ran at 0.16
  // of cat's rate on one machine where the same pass by copy ran at 0.85.
  // A copy costs what cat's own read costs, wherever it runs.
  enum class Access { kCopied, kMappedWhereTheSourceCan };

  using Chunk = RangeChunk;

  // Chunks of chunkSectors sectors from first up to end (the last one reads
  // a whole chunk, also past end, as a single read would).
  RangeChunks(disk::SectorSource& source, uint64_t first, uint64_t end, uint32_t chunkSectors,
              Access access = Access::kCopied);
  ~RangeChunks();

  uint64_t Count() const { return chunks_; }
  uint32_t ChunkSectors() const { return chunkSectors_; }
  // The next chunk in order; false after the last. Its bytes stay valid
  // until the next call.
  bool Next(Chunk& chunk);
  // The chunks that end before this sector are passed over unread (a pass
  // that has already read past them by other means).
  void SkipTo(uint64_t sector);
  // Hands every chunk to the companion too, before Next returns it.
  void SetCompanion(ChunkCompanion* companion) { companion_ = companion; }
  // The sectors of the chunk last read that failed (zeros in its bytes),
  // in order; empty for a mapped chunk.
  const std::vector<disk::SectorRun>& BadRuns() const { return bad_; }
  // The first sector the source no longer holds although it did when the
  // pass began: an image cut short or rewritten while it is scanned (the
  // mapping faults, the copy comes back short). nullopt while it holds.
  std::optional<uint64_t> ShrankAt() const { return shrankAt_; }
  // Reads the chunk last handed out by copy instead, after touching its
  // mapped bytes faulted; the rest of the range is read by copy as well.
  void ReadByCopy(Chunk& chunk);
  // Runs look(chunk) over the chunk's bytes: under disk::TouchGuarded
  // when they are mapped (so look must neither allocate nor own
  // anything), again by copy when touching them faulted. False when the
  // chunk could not be read at all.
  template <typename Look>
  bool Examine(Chunk& chunk, Look&& look) {
    if (chunk.mapped) {
      if (disk::TouchGuarded([&] { look(static_cast<const Chunk&>(chunk)); })) return true;
      ReadByCopy(chunk);
    }
    if (!chunk.ok) return false;
    look(static_cast<const Chunk&>(chunk));
    return true;
  }

 private:
  bool TakeMapped(Chunk& chunk);

  disk::SectorSource& source_;
  const uint64_t first_;
  const uint32_t chunkSectors_;
  const uint64_t chunks_;
  uint64_t taken_ = 0;
  bool mapping_;
  std::unique_ptr<disk::MappedSectors> window_;
  uint64_t windowAddress_ = 0;
  disk::ReadBuffer buffer_;
  std::vector<disk::SectorRun> bad_;
  ChunkCompanion* companion_ = nullptr;
  std::optional<uint64_t> shrankAt_;
};

}  // namespace tarnwell::physical::raw
