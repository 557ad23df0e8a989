#include "physical/raw/range_chunks.h"

#include "disk/sector_source.h"

namespace tarnwell::physical::raw {

RangeChunks::RangeChunks(disk::SectorSource& source, uint64_t first, uint64_t end, uint32_t chunkSectors)
    : source_(source),
      first_(first),
      chunkSectors_(chunkSectors),
      chunks_(end > first ? (end - first + chunkSectors - 1) / chunkSectors : 0),
      buffer_(size_t{chunkSectors} * disk::kSectorSize) {
  source_.ExpectSequentialReads();
}

bool RangeChunks::Next(Chunk& chunk) {
  if (taken_ == chunks_) return false;
  chunk.address = first_ + taken_ * chunkSectors_;
  chunk.bytes = buffer_.data();
  chunk.bytesRead = 0;
  chunk.ok = source_.Read(chunk.address, chunkSectors_, buffer_.data(), chunk.bytesRead);
  ++taken_;
  return true;
}

}  // namespace tarnwell::physical::raw
