#include "physical/raw/read_ahead_chunks.h"

#include "disk/sector_source.h"

namespace tarnwell::physical::raw {

ReadAheadChunks::ReadAheadChunks(disk::SectorSource& source, uint64_t first, uint64_t end,
                                 uint32_t chunkSectors)
    : source_(source),
      first_(first),
      chunkSectors_(chunkSectors),
      chunks_(end > first ? (end - first + chunkSectors - 1) / chunkSectors : 0) {
  for (Slot& slot : slots_) slot.buffer.resize(size_t{chunkSectors} * disk::kSectorSize);
  source_.ExpectSequentialReads();
  reader_ = std::thread([this] { ReadAll(); });
}

ReadAheadChunks::~ReadAheadChunks() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  changed_.notify_all();
  reader_.join();
}

void ReadAheadChunks::ReadAll() {
  for (uint64_t k = 0; k < chunks_; ++k) {
    {
      std::unique_lock<std::mutex> lock(mutex_);
      // Slot k % kSlots is free once the caller has released chunk
      // k - kSlots; the chunk it holds now is never written.
      changed_.wait(lock, [&] { return stop_ || k < released_ + kSlots; });
      if (stop_) return;
    }
    Slot& slot = slots_[k % kSlots];
    slot.bytesRead = 0;
    try {
      slot.ok = source_.Read(first_ + k * chunkSectors_, chunkSectors_, slot.buffer.data(), slot.bytesRead);
    } catch (...) {  // nothing may escape a thread: a read that throws failed
      slot.ok = false;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      produced_ = k + 1;
    }
    changed_.notify_all();
  }
}

bool ReadAheadChunks::Next(Chunk& chunk) {
  std::unique_lock<std::mutex> lock(mutex_);
  released_ = taken_;  // the chunk handed out last is done with
  changed_.notify_all();
  if (taken_ == chunks_) return false;
  changed_.wait(lock, [&] { return produced_ > taken_; });
  const Slot& slot = slots_[taken_ % kSlots];
  chunk.address = first_ + taken_ * chunkSectors_;
  chunk.bytes = slot.buffer.data();
  chunk.bytesRead = slot.bytesRead;
  chunk.ok = slot.ok;
  ++taken_;
  return true;
}

}  // namespace tarnwell::physical::raw
