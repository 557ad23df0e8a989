#pragma once
// The chunks of a sector range, read in order one or two chunks ahead of
// the caller on a second thread, so that testing the sectors of one chunk
// overlaps reading the next. Reading the page cache into memory costs as
// much as a plain copy of the disk does; testing and parsing on the same
// thread came on top of it, and the scan ran at half the rate of `cat`.
// The reading thread touches nothing but the source and its own buffers:
// everything else (log, progress, found items) stays on the caller's
// thread, as the rest of the system expects.
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>

#include "disk/read_buffer.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::raw {

class ReadAheadChunks {
 public:
  struct Chunk {
    uint64_t address = 0;      // first sector
    const uint8_t* bytes = nullptr;
    uint32_t bytesRead = 0;    // may be short at the end of the source
    bool ok = false;           // false: the read failed
  };

  // Chunks of chunkSectors sectors from first up to end (the last one reads
  // a whole chunk, also past end, as a single read would).
  ReadAheadChunks(disk::SectorSource& source, uint64_t first, uint64_t end, uint32_t chunkSectors);
  // Stops the reading thread after its current read and waits for it.
  ~ReadAheadChunks();
  ReadAheadChunks(const ReadAheadChunks&) = delete;
  ReadAheadChunks& operator=(const ReadAheadChunks&) = delete;

  uint64_t Count() const { return chunks_; }
  // The next chunk in order; false after the last. Its bytes stay valid
  // until the next call.
  bool Next(Chunk& chunk);

 private:
  static constexpr int kSlots = 3;  // the caller's chunk and two ahead
  struct Slot {
    disk::ReadBuffer buffer;
    uint32_t bytesRead = 0;
    bool ok = false;
  };
  void ReadAll();

  disk::SectorSource& source_;
  const uint64_t first_;
  const uint32_t chunkSectors_;
  const uint64_t chunks_;
  Slot slots_[kSlots];
  std::mutex mutex_;
  std::condition_variable changed_;
  uint64_t produced_ = 0;  // chunks read
  uint64_t released_ = 0;  // chunks the caller is done with
  uint64_t taken_ = 0;     // chunks handed to the caller
  bool stop_ = false;
  std::thread reader_;
};

}  // namespace tarnwell::physical::raw
