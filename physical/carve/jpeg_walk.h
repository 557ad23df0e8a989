#pragma once
// The JPEG walk: segments from SOI to EOI, each length checked before it is
// skipped, tables and frame parsed where the entropy-coded data needs them,
// and every scan decoded (sequential Huffman pictures) or followed to its
// terminating marker (the others). The thumbnails and previews of EXIF and
// FlashPix segments lie inside their segment's length and do not end the
// file.
#include <cstdint>
#include <optional>
#include <vector>

#include "physical/carve/carve_reader.h"
#include "physical/carve/jpeg_entropy.h"
#include "physical/carve/jpeg_tables.h"
#include "physical/carve/walk_result.h"

namespace tarnwell::physical::carve {

// Where a decodable scan broke: what a second piece of the file must
// continue.
struct JpegBreak {
  JpegScan scan;
  uint64_t scanStart = 0;  // offset of the scan's first data byte
  uint64_t at = 0;         // offset where the last whole MCU ended
  bool foreign = false;    // broke at another file's signature
  uint64_t foreignAt = 0;
  std::vector<JpegScanDecoder::Boundary> boundaries;  // oldest first
};

class JpegWalk {
 public:
  explicit JpegWalk(CarveReader& in) : in_(in) {}
  // The same walk so far (tables, frame, scans seen), going on over other
  // bytes.
  JpegWalk(CarveReader& in, const JpegWalk& so)
      : in_(in), tables_(so.tables_), frameSeen_(so.frameSeen_), scans_(so.scans_) {}
  // From SOI on.
  WalkResult Run();
  // Continues the segment walk at the marker at pos, with the tables,
  // frame and scans seen so far (after a scan decoded over other bytes).
  WalkResult From(uint64_t pos);

  const JpegTables& Tables() const { return tables_; }
  // Set when Run ended damaged inside a decodable scan.
  const std::optional<JpegBreak>& Break() const { return break_; }

 private:
  enum class Step : uint8_t { kNext, kEnd, kBroken };
  Step Segment(uint8_t marker, uint64_t pos, uint16_t length, uint64_t& next);
  bool Frame(const uint8_t* p, uint16_t length, uint8_t marker);
  bool HuffmanTables(const uint8_t* p, uint16_t length);
  bool QuantTables(const uint8_t* p, uint16_t length) const;
  bool ScanHeader(const uint8_t* p, uint16_t length, JpegScan& scan) const;
  Step EntropyData(const JpegScan& scan, uint64_t start, uint64_t& next);
  // Follows entropy-coded data byte by byte to the marker that ends it.
  Step MarkerScan(uint64_t start, uint64_t& next);
  bool ReadMarker(uint64_t& pos, uint8_t& marker);

  CarveReader& in_;
  JpegTables tables_;
  bool frameSeen_ = false;
  int scans_ = 0;
  uint64_t broken_ = 0;
  std::optional<JpegBreak> break_;
};

}  // namespace tarnwell::physical::carve
