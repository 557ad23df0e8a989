#include "physical/carve/jpeg_entropy.h"

#include <algorithm>
#include <cstring>

namespace tarnwell::physical::carve {
namespace {

uint32_t CeilDiv(uint32_t a, uint32_t b) { return (a + b - 1) / b; }

// Quantised DC values of 8-bit samples lie within +-1024; twice that is
// left for encoders that round differently. 12-bit samples have 16 times.
int32_t DcBound(uint8_t precision) { return precision > 8 ? 32768 : 2048; }

}  // namespace

JpegScanDecoder::JpegScanDecoder(CarveReader& in, const JpegTables& tables, const JpegScan& scan)
    : in_(in), tables_(tables), scan_(scan) {
  const JpegFrame& f = tables.frame;
  if (scan.count == 1) {
    // One component alone: its blocks in raster order, its own size.
    const JpegComponent& c = f.components[scan.component[0]];
    const uint32_t w = CeilDiv(uint32_t{f.width} * c.h, f.hMax);
    const uint32_t h = CeilDiv(uint32_t{f.height} * c.v, f.vMax);
    mcusPerRow_ = CeilDiv(w, 8);
    mcuCount_ = mcusPerRow_ * CeilDiv(h, 8);
  } else {
    mcusPerRow_ = CeilDiv(f.width, 8u * f.hMax);
    mcuCount_ = mcusPerRow_ * CeilDiv(f.height, 8u * f.vMax);
  }
}

const JpegScanDecoder::Boundary& JpegScanDecoder::BoundaryAt(size_t i) const {
  const size_t oldest = boundaryCount_ - BoundaryCount();
  return boundaries_[(oldest + i) % kKeptBoundaries];
}

void JpegScanDecoder::Start(uint64_t byteOffset, uint8_t bitOffset) {
  acc_ = 0;
  bits_ = 0;
  phantom_ = 0;
  next_ = byteOffset;
  used_ = 0;
  loaded_ = 0;
  stopped_ = false;
  startOffset_ = byteOffset;
  startBit_ = bitOffset;
  cache_ = {};
  const uint64_t block = in_.BlockBytes();
  nextBoundary_ = (byteOffset + block - 1) / block * block;
  Fill();
  if (bitOffset <= bits_ - phantom_) Drop(bitOffset);
}

void JpegScanDecoder::Fill() {
  while (bits_ <= 56) {
    // Eight bytes at once where none is FF (no stuffing, no marker) and no
    // block boundary or budget end lies among them: most of the data.
    if (!stopped_ && next_ >= cacheBase_ && next_ - cacheBase_ + 8 <= cache_.size() && next_ + 8 <= nextBoundary_ &&
        next_ + 8 <= budgetEnd_) {
      uint64_t w;
      std::memcpy(&w, cache_.data() + (next_ - cacheBase_), 8);
      constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
      if (((~w - kOnes) & w & kHigh) == 0) {
        const int n = (64 - bits_) / 8;
        for (int i = 0; i < n; ++i) byteStart_[(loaded_ + static_cast<uint64_t>(i)) % byteStart_.size()] = next_ + static_cast<uint64_t>(i);
        uint64_t bytes = __builtin_bswap64(w) >> bits_;
        const int spare = 64 - bits_ - 8 * n;
        if (spare > 0) bytes &= ~((uint64_t{1} << spare) - 1);
        acc_ |= bytes;
        next_ += static_cast<uint64_t>(n);
        loaded_ += static_cast<uint64_t>(n);
        bits_ += 8 * n;
        continue;
      }
    }
    if (!stopped_ && next_ >= nextBoundary_) {
      const uint64_t boundary = nextBoundary_;
      nextBoundary_ += in_.BlockBytes();
      if (boundary == next_) {
        boundaries_[boundaryCount_ % kKeptBoundaries] = {boundary, current_};
        ++boundaryCount_;
        if (in_.ForeignStartAt(boundary)) {
          stopped_ = true;
          foreign_ = true;
          foreignAt_ = boundary;
        }
      }
      continue;
    }
    if (next_ >= budgetEnd_) stopped_ = true;
    if (!stopped_ && (next_ < cacheBase_ || next_ - cacheBase_ >= cache_.size())) {
      cache_ = in_.View(next_, 1 << 16);
      cacheBase_ = next_;
      if (cache_.empty()) stopped_ = true;
    }
    if (stopped_) {
      // Zeros after the end: a decoder that needs them has overrun.
      bits_ += 8;
      phantom_ += 8;
      continue;
    }
    const size_t at = static_cast<size_t>(next_ - cacheBase_);
    const uint8_t byte = cache_[at];
    const uint64_t start = next_;
    if (byte == 0xFF) {
      uint8_t after = 0;
      if (at + 1 < cache_.size()) {
        after = cache_[at + 1];
      } else if (in_.Peek(next_ + 1, &after, 1) != 1) {
        stopped_ = true;
        continue;
      }
      if (after != 0x00) {
        stopped_ = true;  // a marker: the data ends here
        continue;
      }
      next_ += 2;
    } else {
      next_ += 1;
    }
    byteStart_[loaded_ % byteStart_.size()] = start;
    ++loaded_;
    acc_ |= uint64_t{byte} << (56 - bits_);
    bits_ += 8;
  }
}

bool JpegScanDecoder::Need(int bits) {
  if (bits_ < bits) Fill();
  return bits_ - phantom_ >= bits;
}

inline int JpegScanDecoder::DecodeSymbol(const HuffmanTable& table) {
  if (bits_ < 16) [[unlikely]] Fill();
  const int real = bits_ - phantom_;
  if (const uint16_t hit = table.Lookup(Peek(HuffmanTable::kLookupBits))) {
    const int length = hit >> 8;
    if (length > real) return -1;
    Drop(length);
    return hit & 0xFF;
  }
  for (int length = HuffmanTable::kLookupBits + 1; length <= 16; ++length) {
    const int value = table.Slow(Peek(length), length);
    if (value >= 0) {
      if (length > real) return -1;
      Drop(length);
      return value;
    }
  }
  return -1;
}

bool JpegScanDecoder::DecodeBlock(int component, const HuffmanTable& dc, const HuffmanTable& ac) {
  const bool wide = tables_.frame.precision > 8;
  const int s = DecodeSymbol(dc);
  if (s < 0 || s > (wide ? 15 : 11)) return false;
  if (s > 0) {
    if (!Need(s)) return false;
    const int32_t raw = static_cast<int32_t>(Peek(s));
    Drop(s);
    // The top bit 0 marks a negative difference (T.81 F.2.2.1).
    const int32_t diff = raw < (1 << (s - 1)) ? raw - (1 << s) + 1 : raw;
    int32_t& predictor = predictors_[static_cast<size_t>(component)];
    predictor += diff;
    const int32_t bound = DcBound(tables_.frame.precision);
    if (predictor < -bound || predictor >= bound) return false;
  }
  for (int k = 1; k < 64;) {
    const int rs = DecodeSymbol(ac);
    if (rs < 0) return false;
    const int run = rs >> 4;
    const int size = rs & 15;
    if (size == 0) {
      if (run == 15) {  // sixteen zeros
        k += 16;
        if (k > 64) return false;
        continue;
      }
      if (run != 0) return false;  // sequential scans know no other end of block
      break;
    }
    k += run;
    if (k > 63 || size > (wide ? 14 : 10) || !Need(size)) return false;
    Drop(size);
    ++k;
  }
  return true;
}

bool JpegScanDecoder::DecodeMcu() {
  const JpegFrame& f = tables_.frame;
  for (uint8_t i = 0; i < scan_.count; ++i) {
    const JpegComponent& c = f.components[scan_.component[i]];
    const int blocks = scan_.count == 1 ? 1 : c.h * c.v;
    const HuffmanTable& dc = tables_.dc[scan_.dcTable[i]];
    const HuffmanTable& ac = tables_.ac[scan_.acTable[i]];
    for (int b = 0; b < blocks; ++b)
      if (!DecodeBlock(i, dc, ac)) return false;
  }
  return true;
}

bool JpegScanDecoder::AtMarkerAfterPadding() const {
  // The bits left of the last byte are padding; nothing real may follow
  // before the marker.
  const int pad = static_cast<int>((8 - used_ % 8) % 8);
  return bits_ - phantom_ - pad == 0 && stopped_;
}

bool JpegScanDecoder::Restart() {
  if (!AtMarkerAfterPadding() || foreign_) return false;
  uint8_t marker[2];
  uint64_t at = next_;
  // Fill bytes (FF) may stand before any marker.
  for (int fill = 0; fill < 16; ++fill, ++at) {
    if (!in_.Read(at, marker, 2)) return false;
    if (marker[0] != 0xFF) return false;
    if (marker[1] != 0xFF) break;
  }
  if (marker[1] != 0xD0 + current_.nextRestart) return false;
  current_.nextRestart = static_cast<uint8_t>((current_.nextRestart + 1) & 7);
  predictors_.fill(0);
  Start(at + 2, 0);
  return true;
}

bool JpegScanDecoder::TakeSnapshot(JpegSnapshot& s) const {
  s.mcu = current_.mcu;
  s.nextRestart = current_.nextRestart;
  const uint64_t byte = used_ / 8;
  if (byte < loaded_) {
    if (loaded_ - byte > byteStart_.size()) return false;
    s.byteOffset = byteStart_[byte % byteStart_.size()];
  } else {
    s.byteOffset = next_;
  }
  s.bitOffset = static_cast<uint8_t>(used_ % 8);
  s.predictors = predictors_;
  return true;
}

JpegScanDecoder::Outcome JpegScanDecoder::Run(const JpegSnapshot& from, uint64_t budgetEnd) {
  budgetEnd_ = budgetEnd;
  current_ = from;
  predictors_ = from.predictors;
  foreign_ = false;
  goodEnd_ = from.byteOffset;
  Start(from.byteOffset, from.bitOffset);
  const uint16_t interval = tables_.restartInterval;
  bool first = true;
  while (current_.mcu < mcuCount_) {
    // Snapshots are taken after a restart marker, so a decoder started
    // from one does not look for that marker again.
    if (!first && interval && current_.mcu % interval == 0 && !Restart()) return Outcome::kBroken;
    first = false;
    TakeSnapshot(current_);
    if (!DecodeMcu()) return Outcome::kBroken;
    ++current_.mcu;
    TakeSnapshot(current_);
    goodEnd_ = current_.byteOffset + (current_.bitOffset ? 1 : 0);
  }
  const int pad = static_cast<int>((8 - used_ % 8) % 8);
  if (pad <= bits_ - phantom_) Drop(pad);
  JpegSnapshot after;
  TakeSnapshot(after);
  end_ = after.byteOffset;
  return Outcome::kEnded;
}

}  // namespace tarnwell::physical::carve
