#include "physical/carve/carve_scan.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <sys/mman.h>

#include "disk/sector_source.h"
#include "physical/carve/jpeg_gap.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kSector = 512;

// Gives the list of found files room for `count` at once, in huge pages
// where the system offers them. Pages nobody writes cost nothing, where a
// list that grew by doubling would copy itself and fault in fresh pages
// again and again: a fifth of the scan's time on a volume of 200,000 small
// text files, where each page fault is costly (as under some hypervisors).
void ReserveFoundList(std::vector<CarvedFile>& files, size_t count) {
  try {
    files.reserve(count);
  } catch (const std::bad_alloc&) {
    return;  // it grows as it goes instead
  }
  constexpr uintptr_t kHugePage = uintptr_t{2} << 20;
  const uintptr_t begin = (reinterpret_cast<uintptr_t>(files.data()) + kHugePage - 1) & ~(kHugePage - 1);
  const uintptr_t end = reinterpret_cast<uintptr_t>(files.data() + files.capacity()) & ~(kHugePage - 1);
  // Only advice: without it the pages come one by one.
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
}

}  // namespace

CarveScanner::CarveScanner(disk::SectorSource& source, const CarveArea& area, FamilySet families)
    : source_(source),
      area_(area),
      families_(families),
      matcher_(families),
      textEnabled_((families & Bit(Family::kText)) != 0),
      largestText_(InfoOf(Family::kText).largestBytes),
      blockBytes_(uint64_t{area.blockSectors ? area.blockSectors : 1} * kSector),
      reader_(source, area.first, 0, static_cast<uint32_t>(blockBytes_)),
      resume_(area.first) {
  if (area_.blockSectors == 0) area_.blockSectors = 1;
  const uint64_t blocks = (area_.end > area_.first ? area_.end - area_.first : 0) / area_.blockSectors + 1;
  ReserveFoundList(files_, static_cast<size_t>(std::min<uint64_t>(blocks, kReservedCarvedFiles)));
}

CarveScanner::~CarveScanner() = default;

uint64_t CarveScanner::BlockBytesAt(uint64_t sector) const {
  return std::min(blockBytes_, (area_.end - sector) * kSector);
}

void CarveScanner::TakeChunk(raw::RangeChunks& chunks, raw::RangeChunk& chunk) {
  if (counts_.full) return;
  // The blocks that begin in this chunk.
  const uint64_t chunkEnd = std::min(chunk.address + chunks.ChunkSectors(), area_.end);
  const uint64_t from = std::max({chunk.address, area_.first, resume_});
  const uint64_t step = area_.blockSectors;
  const uint64_t firstBlock = area_.first + (from - area_.first + step - 1) / step * step;
  if (firstBlock >= chunkEnd) return;
  const size_t blocks = static_cast<size_t>((chunkEnd - firstBlock + step - 1) / step);
  if (facts_.size() < blocks) facts_.resize(blocks);
  std::fill_n(facts_.begin(), blocks, BlockFacts{});
  if (area_.free)
    for (size_t k = 0; k < blocks; ++k) facts_[k].free = area_.free->IsFree(firstBlock + k * step);
  // Text goes on only from the block right after the last one looked at.
  if (firstBlock != nextLook_) followerAlive_ = false;
  nextLook_ = firstBlock + blocks * step;
  // A fault under the mapping makes Examine look again at a copy: the
  // text follower starts that look from where it stood before.
  const TextFollower followerBefore = follower_;
  const bool aliveBefore = followerAlive_;
  const bool examined = chunks.Examine(chunk, [&](const raw::RangeChunks::Chunk& c) {
    follower_ = followerBefore;
    followerAlive_ = aliveBefore;
    Look(c, firstBlock, blocks);
  });
  if (!examined) {
    counts_.unreadableSectors += chunkEnd - chunk.address;
    CloseText(chunk.address * kSector);
    followerAlive_ = false;
    return;
  }
  // Sectors the chunk read salvaged around read as zeros.
  for (const disk::SectorRun& bad : chunks.BadRuns())
    if (bad.first < chunkEnd) counts_.unreadableSectors += std::min(bad.End(), chunkEnd) - bad.first;
  Walk(chunk, firstBlock, blocks);
}

void CarveScanner::Look(const raw::RangeChunks::Chunk& c, uint64_t firstBlock, size_t blocks) {
  // Runs over mapped bytes under the guard: byte tests into facts_ and the
  // follower only, nothing allocated.
  const uint64_t step = area_.blockSectors;
  for (size_t k = 0; k < blocks; ++k) {
    const uint64_t sector = firstBlock + k * step;
    const uint64_t offset = (sector - c.address) * kSector;
    if (offset >= c.bytesAvailable) break;
    const uint8_t* bytes = c.bytes + offset;
    const size_t available = static_cast<size_t>(std::min<uint64_t>(c.bytesAvailable - offset, BlockBytesAt(sector)));
    BlockFacts& f = facts_[k];
    if (!f.free) {
      followerAlive_ = false;
      continue;
    }
    f.signatures = matcher_.Match(bytes, available);
    if (!textEnabled_) continue;
    if (!followerAlive_) {
      // A fresh start counts only from kShortestText bytes on.
      if (CannotBeginText(bytes, available)) continue;
      follower_.Reset();
      followerAlive_ = true;
      f.freshText = true;
    }
    f.textBytes = static_cast<uint32_t>(follower_.Feed(bytes, available));
    if (!follower_.Alive()) followerAlive_ = false;
    if (f.freshText && f.textBytes < available && !PlausibleShortText(bytes, f.textBytes, available)) f.textBytes = 0;
    if (f.freshText && f.textBytes >= kShortestText) f.textKind = TextExtension(bytes, std::min<size_t>(f.textBytes, 512));
  }
}

void CarveScanner::Walk(const raw::RangeChunks::Chunk& chunk, uint64_t firstBlock, size_t blocks) {
  const uint64_t step = area_.blockSectors;
  for (size_t k = 0; k < blocks && !counts_.full; ++k) {
    const uint64_t sector = firstBlock + k * step;
    if (sector < resume_) continue;
    const BlockFacts& f = facts_[k];
    const uint64_t blockStart = sector * kSector;
    if (!f.free) {
      CloseText(blockStart);
      continue;
    }
    if (f.signatures && TryWalkers(chunk, sector, f.signatures)) continue;
    if (textActive_) {
      if (!f.freshText) {
        textEnd_ = blockStart + f.textBytes;
        if (f.textBytes < BlockBytesAt(sector) || textEnd_ - textStart_ * kSector >= largestText_)
          CloseText(textEnd_);
        continue;
      }
      CloseText(blockStart);
    }
    // Text begins where the look found its start, or right after a file
    // the scan passed over (whose last bytes the look took for text).
    if (!textEnabled_ || f.textBytes < kShortestText || !(f.freshText || sector == afterFile_)) continue;
    textActive_ = true;
    textStart_ = sector;
    textEnd_ = blockStart + f.textBytes;
    textKind_ = f.textKind ? f.textKind : "txt";
    if (f.textBytes < BlockBytesAt(sector)) CloseText(textEnd_);
  }
}

bool CarveScanner::TryWalkers(const raw::RangeChunks::Chunk& chunk, uint64_t sector, uint64_t signatures) {
  FamilySet tried = 0;
  while (signatures) {
    const unsigned i = static_cast<unsigned>(__builtin_ctzll(signatures));
    signatures &= signatures - 1;
    const Family family = SignatureFamily(i);
    if (tried & Bit(family)) continue;
    tried |= Bit(family);
    const FamilyInfo& info = InfoOf(family);
    reader_.Restart(sector, std::min(info.largestBytes, (area_.end - sector) * kSector));
    // A chunk read by copy already holds the file's first bytes.
    if (!chunk.mapped && chunk.ok && sector >= chunk.address) {
      const uint64_t offset = (sector - chunk.address) * kSector;
      if (offset < chunk.bytesRead) reader_.Borrow({chunk.bytes + offset, chunk.bytesRead - offset});
    }
    WalkResult result = info.walk(reader_);
    reader_.Borrow({});
    if (result.verdict == Verdict::kNotFound || result.length == 0) continue;
    // Walkers never claim past their limit (the fuzz targets hold them to
    // it); should one, the file would reach beyond the range.
    if (result.length > reader_.Limit()) result = Damaged(reader_.Limit(), result.extension);
    // Text ends where another file begins.
    CloseText(sector * kSector);
    CarvedFile file;
    file.family = family;
    file.extension = result.extension ? result.extension : info.extension;
    file.sector = sector;
    file.length = result.length;
    file.damaged = result.verdict == Verdict::kDamaged;
    Record(file);
    const uint64_t step = area_.blockSectors;
    const uint64_t endSector = sector + (result.length + kSector - 1) / kSector;
    // A complete file: the scan goes on after it. A damaged one: from the
    // block where it broke, where whatever replaced its rest begins.
    const uint64_t next = file.damaged ? sector + (result.length / kSector) : endSector;
    const uint64_t aligned = area_.first + (next - area_.first + (file.damaged ? 0 : step - 1)) / step * step;
    resume_ = std::max(aligned, sector + step);
    afterFile_ = resume_;
    return true;
  }
  return false;
}

void CarveScanner::CloseText(uint64_t endByte) {
  if (!textActive_) return;
  textActive_ = false;
  const uint64_t start = textStart_ * kSector;
  const uint64_t end = std::min({endByte, textEnd_, start + largestText_});
  if (end < start + kShortestText) return;
  CarvedFile file;
  file.family = Family::kText;
  file.extension = textKind_;
  file.sector = textStart_;
  file.length = end - start;
  Record(file);
}

void CarveScanner::Record(const CarvedFile& file) {
  if (files_.size() >= kMaxCarvedFiles) {
    counts_.full = true;
    return;
  }
  files_.push_back(file);
}

void CarveScanner::Finish(engine::MessagePump& pump, const bool& stop) {
  CloseText(textEnd_);
  if (families_ & Bit(Family::kJpeg)) JoinDamagedPictures(source_, area_, files_, pump, stop);
}

std::vector<CarvedFile> ScanArea(disk::SectorSource& source, const CarveArea& area, FamilySet families,
                                 engine::ProgressBar& progress, engine::MessagePump& pump, const bool& stop,
                                 CarveCounts& counts) {
  CarveScanner scanner(source, area, families);
  // Whole blocks per chunk, about 512 KiB.
  const uint32_t block = area.blockSectors ? area.blockSectors : 1;
  const uint32_t chunkSectors = block * std::max<uint32_t>(1, 1024 / block);
  raw::RangeChunks chunks(source, area.first, area.end, chunkSectors);
  raw::RangeChunks::Chunk chunk;
  const double total = static_cast<double>(std::max<uint64_t>(area.end - area.first, 1));
  while (!stop && chunks.Next(chunk)) {
    scanner.TakeChunk(chunks, chunk);
    progress.SetPosition(static_cast<int>(std::lround(static_cast<double>(chunk.address - area.first) / total * 100.0)));
    pump.Pump();
    chunks.SkipTo(scanner.NextStart());
  }
  scanner.Counts().stopped = stop;
  if (!stop) scanner.Finish(pump, stop);
  counts = scanner.Counts();
  return std::move(scanner.Files());
}

}  // namespace tarnwell::physical::carve
