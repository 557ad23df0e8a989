#pragma once
// Decodes the entropy-coded data of a sequential Huffman JPEG scan far
// enough to tell valid data from anything else: every Huffman code must
// exist in its table, every block must fit its 64 coefficients, restart
// markers must come in turn after the set number of MCUs, and the scan
// must end after exactly the MCUs its frame size asks for. Coefficients
// are not kept. Random data or another picture's data fails within a few
// hundred bytes, which is what finds the true end of a file and where a
// fragmented one breaks.
//
// The decoder can stop at any MCU and be started again from a snapshot
// taken there, over other bytes: that is how the pieces of a fragmented
// picture are tried against each other.
#include <array>
#include <cstdint>
#include <span>

#include "physical/carve/carve_reader.h"
#include "physical/carve/jpeg_tables.h"

namespace tarnwell::physical::carve {

// Where decoding stands at the start of an MCU.
struct JpegSnapshot {
  uint64_t byteOffset = 0;  // of the byte that holds the next bit
  uint8_t bitOffset = 0;    // bits of that byte already used
  uint32_t mcu = 0;         // MCUs decoded so far in this scan
  std::array<int32_t, 4> predictors{};
  uint8_t nextRestart = 0;  // number of the next RSTn
};

class JpegScanDecoder {
 public:
  enum class Outcome : uint8_t {
    kEnded,    // every MCU decoded; `End()` is the offset of the marker after the scan
    kBroken,   // a code or block that no valid data has, or data ended too soon
  };

  JpegScanDecoder(CarveReader& in, const JpegTables& tables, const JpegScan& scan);

  // The number of MCUs the scan holds.
  uint32_t McuCount() const { return mcuCount_; }

  // Decodes from a snapshot (a fresh one at the scan's first byte to
  // begin) until the scan ends or breaks. With a budget, the data is taken
  // to end at that offset: a trial that only needs to see whether some
  // bytes decode at all stops there (kBroken, GoodEnd() close to it).
  Outcome Run(const JpegSnapshot& from, uint64_t budgetEnd = UINT64_MAX);

  // The block boundaries the data crossed last (at most kKeptBoundaries),
  // oldest first, each with the snapshot of an MCU begun before it: where
  // decoding can be started again to try other bytes after the boundary.
  struct Boundary {
    uint64_t offset = 0;
    JpegSnapshot snapshot;
  };
  static constexpr size_t kKeptBoundaries = 64;
  size_t BoundaryCount() const { return boundaryCount_ < kKeptBoundaries ? boundaryCount_ : kKeptBoundaries; }
  const Boundary& BoundaryAt(size_t i) const;  // 0 the oldest kept

  // After kEnded: the offset of the marker that follows the scan.
  uint64_t End() const { return end_; }
  // After kBroken: the offset where the last fully decoded MCU ended,
  // the part of the scan that validated.
  uint64_t GoodEnd() const { return goodEnd_; }
  // True when the data ran into another file's signature at a block
  // boundary (the offset given by ForeignAt()).
  bool HitForeign() const { return foreign_; }
  uint64_t ForeignAt() const { return foreignAt_; }
  // Snapshot of the MCU being decoded when the scan broke.
  const JpegSnapshot& LastGood() const { return current_; }

 private:
  // The bit reader: bytes with FF 00 unstuffed, stopping at a marker (or a
  // foreign signature), zeros fed after it so that a read past it shows
  // as an overrun.
  void Start(uint64_t byteOffset, uint8_t bitOffset);
  void Fill();
  bool Need(int bits);
  uint32_t Peek(int bits) const { return static_cast<uint32_t>(acc_ >> (64 - bits)); }
  void Drop(int bits) {
    acc_ <<= bits;
    bits_ -= bits;
    used_ += static_cast<uint64_t>(bits);
  }
  // Once per coefficient: kept inline in the block decoder.
  [[gnu::always_inline]] inline int DecodeSymbol(const HuffmanTable& table);
  bool DecodeBlock(int component, const HuffmanTable& dc, const HuffmanTable& ac);
  bool DecodeMcu();
  bool Restart();
  bool TakeSnapshot(JpegSnapshot& s) const;
  bool AtMarkerAfterPadding() const;

  CarveReader& in_;
  const JpegTables& tables_;
  const JpegScan& scan_;
  uint32_t mcuCount_ = 0;
  uint32_t mcusPerRow_ = 0;

  // Reader state.
  uint64_t acc_ = 0;
  int bits_ = 0;           // valid bits at the top of acc_ (real and fed zeros)
  int phantom_ = 0;        // of those, the zeros fed after the data ended
  uint64_t next_ = 0;      // offset of the next byte to load
  uint64_t used_ = 0;      // bits consumed since Start
  uint64_t loaded_ = 0;    // data bytes loaded since Start
  uint64_t nextBoundary_ = 0;
  uint64_t budgetEnd_ = UINT64_MAX;
  bool stopped_ = false;   // a marker or foreign signature is at next_
  uint64_t startOffset_ = 0;
  uint8_t startBit_ = 0;
  // The bytes at hand from cacheBase_ on (a view of the reader, renewed when
  // the data runs past it; probes for foreign signatures leave it valid).
  std::span<const uint8_t> cache_;
  uint64_t cacheBase_ = 0;
  // Start offsets of the last 16 data bytes loaded, by data byte number.
  std::array<uint64_t, 16> byteStart_{};

  std::array<Boundary, kKeptBoundaries> boundaries_{};
  size_t boundaryCount_ = 0;
  JpegSnapshot current_;
  std::array<int32_t, 4> predictors_{};  // as decoding goes, inside an MCU too
  uint64_t end_ = 0;
  uint64_t goodEnd_ = 0;
  bool foreign_ = false;
  uint64_t foreignAt_ = 0;
};

}  // namespace tarnwell::physical::carve
