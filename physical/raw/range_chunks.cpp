#include "physical/raw/range_chunks.h"

#include <algorithm>

#include "disk/sector_source.h"

namespace tarnwell::physical::raw {
namespace {

// Chunks per mapping (16 MB of 512-byte sectors): large enough that mapping
// costs nothing beside the testing (one mapping per megabyte made the pass
// slower than copying; 16 and 64 MB were equally fast), small enough that
// the pages mapped at once stay few.
constexpr uint64_t kChunksPerWindow = 32;

}  // namespace

RangeChunks::RangeChunks(disk::SectorSource& source, uint64_t first, uint64_t end, uint32_t chunkSectors,
                         Access access)
    : source_(source),
      first_(first),
      chunkSectors_(chunkSectors),
      chunks_(end > first ? (end - first + chunkSectors - 1) / chunkSectors : 0),
      mapping_(access == Access::kMappedWhereTheSourceCan),
      buffer_(size_t{chunkSectors} * disk::kSectorSize) {
  source_.ExpectSequentialReads();
}

RangeChunks::~RangeChunks() = default;

bool RangeChunks::Next(Chunk& chunk) {
  if (taken_ == chunks_) return false;
  chunk.address = first_ + taken_ * chunkSectors_;
  ++taken_;
  bad_.clear();
  if (!mapping_ || !TakeMapped(chunk)) ReadByCopy(chunk);
  if (companion_) companion_->TakeChunk(*this, chunk);
  return true;
}

void RangeChunks::SkipTo(uint64_t sector) {
  if (sector <= first_) return;
  taken_ = std::max(taken_, std::min(chunks_, (sector - first_) / chunkSectors_));
}

bool RangeChunks::TakeMapped(Chunk& chunk) {
  const uint64_t windowSectors = kChunksPerWindow * chunkSectors_;
  if (!window_ || chunk.address < windowAddress_ || chunk.address - windowAddress_ >= windowSectors) {
    window_.reset();
    window_ = source_.Map(chunk.address, windowSectors);
    windowAddress_ = chunk.address;
    if (!window_) {
      // Not mappable here (past the end, or a source that cannot): the
      // rest is read by copy, which also reports what a read reports.
      mapping_ = false;
      return false;
    }
  }
  const uint64_t offset = (chunk.address - windowAddress_) * disk::kSectorSize;
  if (offset >= window_->size()) {
    mapping_ = false;
    window_.reset();
    return false;
  }
  chunk.bytes = window_->bytes() + offset;
  chunk.bytesAvailable = window_->size() - offset;
  chunk.bytesRead = static_cast<uint32_t>(
      std::min<uint64_t>(chunk.bytesAvailable, uint64_t{chunkSectors_} * disk::kSectorSize));
  chunk.ok = true;
  chunk.mapped = true;
  return true;
}

void RangeChunks::ReadByCopy(Chunk& chunk) {
  if (chunk.mapped) {
    mapping_ = false;
    window_.reset();
  }
  chunk.bytes = buffer_.data();
  chunk.bytesRead = 0;
  bad_.clear();
  chunk.ok = disk::ReadSalvaging(source_, chunk.address, chunkSectors_, buffer_.data(), chunk.bytesRead, bad_);
  chunk.bytesAvailable = chunk.bytesRead;
  chunk.mapped = false;
  // The source's size is the one it had when it was opened: fewer bytes
  // than that means it shrank under the pass.
  const uint64_t total = source_.SectorCount();
  const uint64_t held = chunk.address < total ? std::min<uint64_t>(chunkSectors_, total - chunk.address) : 0;
  if (!shrankAt_ && chunk.bytesRead < held * disk::kSectorSize)
    shrankAt_ = chunk.address + chunk.bytesRead / disk::kSectorSize;
}

}  // namespace tarnwell::physical::raw
