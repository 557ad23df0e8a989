#pragma once
// The bytes of one candidate file as a structure walker sees them: offsets
// count from the file's first byte, and nothing at or past the limit (the
// type's largest size, or the end of the scanned range) can be read. A
// walker checks the extent of every field before reading it; the reader
// checks again and refuses, so a size read from the disk can never make it
// read past the range or allocate by its own measure.
#include <cstddef>
#include <cstdint>
#include <span>

#include "disk/read_buffer.h"

namespace tarnwell::disk {
class SectorSource;
}

namespace tarnwell::physical::carve {

class CarveReader {
 public:
  CarveReader(uint64_t limit, uint32_t blockBytes) : limit_(limit), blockBytes_(blockBytes ? blockBytes : 512) {}
  virtual ~CarveReader() = default;
  CarveReader(const CarveReader&) = delete;
  CarveReader& operator=(const CarveReader&) = delete;

  uint64_t Limit() const { return limit_; }
  // Set by the scan per type; walkers only ever lower it.
  void SetLimit(uint64_t limit) { limit_ = limit; }
  // Files start on block boundaries (a sector, or a cluster of a volume).
  uint32_t BlockBytes() const { return blockBytes_; }

  // True when [offset, offset + size) lies below the limit (no overflow).
  bool Has(uint64_t offset, uint64_t size) const { return offset <= limit_ && size <= limit_ - offset; }

  // Up to `want` bytes from offset, without copying: fewer at the limit,
  // at the end of the source or of what the reader holds, none where the
  // source failed; at least `least` of them (or all that remain) when the
  // walker needs that many at once to move on. Valid until the next View
  // or Read.
  std::span<const uint8_t> View(uint64_t offset, size_t want, size_t least = 1);
  // Exactly size bytes into out; false when they are not all there.
  bool Read(uint64_t offset, void* out, size_t size);

  // A copy of up to size bytes at offset (fewer at the limit) that leaves
  // the views taken before valid; returns how many arrived.
  size_t Peek(uint64_t offset, uint8_t* out, size_t size);

  // True when offset is a block boundary inside the file where another
  // file's strong signature begins. Data without structure of its own
  // (entropy-coded pictures, audio frames, text) ends there: a file cut
  // short on the disk is followed by whatever was written next. Leaves
  // the views taken before valid.
  bool ForeignStartAt(uint64_t offset);
  // The first block boundary in [from, to) where another file's strong
  // signature begins, or `to`: for data that a walker skips by its size.
  // Views taken before may not survive it.
  uint64_t FirstForeignStart(uint64_t from, uint64_t to);

 protected:
  // Bytes from offset on (no limit applied), as many as are at hand.
  virtual std::span<const uint8_t> Fetch(uint64_t offset, size_t want) = 0;
  // The same, read afresh from offset rather than taken from what is at
  // hand (which may end just after offset).
  virtual std::span<const uint8_t> Refetch(uint64_t offset, size_t want) { return Fetch(offset, want); }
  // A copy of up to size bytes at offset that leaves Fetch's views alone;
  // returns how many arrived.
  virtual size_t Probe(uint64_t offset, uint8_t* out, size_t size) = 0;

 private:
  uint64_t limit_;
  uint32_t blockBytes_;
};

// A candidate held in memory (tests, fuzz targets, the joined pieces of a
// fragmented file once read).
class SpanReader final : public CarveReader {
 public:
  explicit SpanReader(std::span<const uint8_t> bytes, uint32_t blockBytes = 512)
      : CarveReader(bytes.size(), blockBytes), bytes_(bytes) {}

 protected:
  std::span<const uint8_t> Fetch(uint64_t offset, size_t want) override;
  size_t Probe(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  std::span<const uint8_t> bytes_;
};

// A candidate on a sector source, from a start sector on. Reads are whole
// sectors into one page-aligned buffer that grows while the walker moves
// forward (32 KiB first, so a small file costs a small read, up to 4 MiB),
// so a walker that moves forward reads each byte once.
class SourceReader final : public CarveReader {
 public:
  SourceReader(disk::SectorSource& source, uint64_t startSector, uint64_t limit, uint32_t blockBytes,
               size_t firstRead = 32 * 1024);
  // Bytes of the file already in memory (a chunk read by copy): served
  // from there without reading. They must stay valid while the reader is
  // used.
  void Borrow(std::span<const uint8_t> bytes) { borrowed_ = bytes; }
  // Starts over at another sector of the same source.
  void Restart(uint64_t startSector, uint64_t limit);

 protected:
  std::span<const uint8_t> Fetch(uint64_t offset, size_t want) override;
  std::span<const uint8_t> Refetch(uint64_t offset, size_t want) override;
  size_t Probe(uint64_t offset, uint8_t* out, size_t size) override;

 private:
  bool Load(uint64_t offset, size_t want);

  disk::SectorSource& source_;
  uint64_t startSector_;
  std::span<const uint8_t> borrowed_;
  disk::ReadBuffer buffer_;
  uint64_t bufferStart_ = 0;  // file offset of buffer_[0], a multiple of 512
  size_t bufferBytes_ = 0;
  size_t firstRead_;
  size_t nextRead_;
};

// Largest candidate bytes a strong-signature test looks at.
inline constexpr size_t kProbeBytes = 128;

}  // namespace tarnwell::physical::carve
