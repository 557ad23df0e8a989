// JPEG: segments, tables and entropy-coded data to EOI.
#include <algorithm>
#include <array>
#include <cstring>

#include "physical/carve/big_endian.h"
#include "physical/carve/jpeg_walk.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint8_t kSoi = 0xD8, kEoi = 0xD9, kSos = 0xDA, kDqt = 0xDB, kDnl = 0xDC, kDri = 0xDD, kDht = 0xC4;

bool IsFrameMarker(uint8_t m) { return m >= 0xC0 && m <= 0xCF && m != kDht && m != 0xC8 && m != 0xCC; }
bool IsRestart(uint8_t m) { return m >= 0xD0 && m <= 0xD7; }

}  // namespace

WalkResult WalkJpeg(CarveReader& in) {
  JpegWalk walk(in);
  return walk.Run();
}

WalkResult JpegWalk::Run() {
  uint8_t soi[2];
  if (!in_.Read(0, soi, 2) || soi[0] != 0xFF || soi[1] != kSoi) return NotFound();
  const WalkResult result = From(2);
  // A header that breaks before any picture data is no JPEG worth the
  // name: a signature met by chance, or a file whose rest is gone.
  if (result.verdict == Verdict::kDamaged && !frameSeen_) return NotFound();
  return result;
}

bool JpegWalk::ReadMarker(uint64_t& pos, uint8_t& marker) {
  uint8_t b[2];
  if (!in_.Read(pos, b, 2) || b[0] != 0xFF) return false;
  // Any number of fill bytes may come before a marker.
  for (int fill = 0; b[1] == 0xFF; ++fill) {
    if (fill > 64 || !in_.Read(++pos, b, 2)) return false;
  }
  marker = b[1];
  return marker != 0x00;
}

WalkResult JpegWalk::From(uint64_t pos) {
  for (;;) {
    uint8_t marker = 0;
    if (!ReadMarker(pos, marker)) return Damaged(pos);
    if (marker == kEoi) {
      if (!frameSeen_ || scans_ == 0) return Damaged(pos);
      return Complete(pos + 2);
    }
    if (marker == kSoi) return Damaged(pos);
    if (IsRestart(marker) || marker == 0x01) {  // standalone markers
      pos += 2;
      continue;
    }
    uint8_t lengthBytes[2];
    if (!in_.Read(pos + 2, lengthBytes, 2)) return Damaged(pos);
    const uint16_t length = LoadBE16(lengthBytes);
    if (length < 2 || !in_.Has(pos + 2, length)) return Damaged(pos);
    uint64_t next = 0;
    const Step step = Segment(marker, pos, length, next);
    if (step == Step::kBroken) return Damaged(std::max(pos, broken_));
    pos = next;
  }
}

JpegWalk::Step JpegWalk::Segment(uint8_t marker, uint64_t pos, uint16_t length, uint64_t& next) {
  next = pos + 2 + length;
  broken_ = pos;
  const bool parsed = IsFrameMarker(marker) || marker == kDht || marker == kDqt || marker == kSos ||
                      marker == kDri || marker == kDnl;
  if (!parsed) return Step::kNext;  // APPn, COM and the rest: skipped by length
  std::array<uint8_t, 65535> payload;
  const uint16_t size = static_cast<uint16_t>(length - 2);
  if (!in_.Read(pos + 4, payload.data(), size)) return Step::kBroken;
  const uint8_t* p = payload.data();
  if (IsFrameMarker(marker)) return Frame(p, size, marker) ? Step::kNext : Step::kBroken;
  if (marker == kDht) return HuffmanTables(p, size) ? Step::kNext : Step::kBroken;
  if (marker == kDqt) return QuantTables(p, size) ? Step::kNext : Step::kBroken;
  if (marker == kDri) {
    if (size != 2) return Step::kBroken;
    tables_.restartInterval = LoadBE16(p);
    return Step::kNext;
  }
  if (marker == kDnl) {
    if (size != 2) return Step::kBroken;
    if (tables_.frame.height == 0) tables_.frame.height = LoadBE16(p);
    return Step::kNext;
  }
  JpegScan scan;
  if (!frameSeen_ || !ScanHeader(p, size, scan)) return Step::kBroken;
  ++scans_;
  return EntropyData(scan, next, next);
}

bool JpegWalk::Frame(const uint8_t* p, uint16_t length, uint8_t marker) {
  if (frameSeen_ || length < 6) return false;
  JpegFrame& f = tables_.frame;
  f.marker = marker;
  f.precision = p[0];
  f.height = LoadBE16(p + 1);
  f.width = LoadBE16(p + 3);
  f.count = p[5];
  if (f.count < 1 || f.count > 4 || length != 6 + 3 * f.count || f.width == 0) return false;
  if (f.precision != 8 && f.precision != 12 && !(marker == 0xC3 || marker == 0xCB)) return false;
  f.hMax = f.vMax = 1;
  for (uint8_t i = 0; i < f.count; ++i) {
    JpegComponent& c = f.components[i];
    c.id = p[6 + 3 * i];
    c.h = p[7 + 3 * i] >> 4;
    c.v = p[7 + 3 * i] & 15;
    if (c.h < 1 || c.h > 4 || c.v < 1 || c.v > 4 || p[8 + 3 * i] > 3) return false;
    f.hMax = std::max(f.hMax, c.h);
    f.vMax = std::max(f.vMax, c.v);
  }
  frameSeen_ = true;
  return true;
}

bool JpegWalk::HuffmanTables(const uint8_t* p, uint16_t length) {
  size_t at = 0;
  while (at < length) {
    if (at + 17 > length) return false;
    const uint8_t tc = p[at] >> 4, th = p[at] & 15;
    if (tc > 1 || th > 3) return false;
    size_t count = 0;
    for (int i = 1; i <= 16; ++i) count += p[at + i];
    if (count == 0 || count > 256 || at + 17 + count > length) return false;
    HuffmanTable& table = tc == 0 ? tables_.dc[th] : tables_.ac[th];
    if (!table.Define(p + at + 1, p + at + 17, count)) return false;
    at += 17 + count;
  }
  return at == length && length > 0;
}

bool JpegWalk::QuantTables(const uint8_t* p, uint16_t length) const {
  size_t at = 0;
  while (at < length) {
    const uint8_t pq = p[at] >> 4, tq = p[at] & 15;
    if (pq > 1 || tq > 3) return false;
    at += 1 + (pq ? 128 : 64);
  }
  return at == length && length > 0;
}

bool JpegWalk::ScanHeader(const uint8_t* p, uint16_t length, JpegScan& scan) const {
  const JpegFrame& f = tables_.frame;
  const uint8_t count = p[0];
  if (count < 1 || count > 4 || length != 4 + 2 * count) return false;
  scan.count = count;
  uint8_t seen = 0;
  for (uint8_t i = 0; i < count; ++i) {
    const uint8_t id = p[1 + 2 * i];
    uint8_t index = 0;
    while (index < f.count && f.components[index].id != id) ++index;
    if (index == f.count || (seen & (1u << index))) return false;
    seen |= static_cast<uint8_t>(1u << index);
    scan.component[i] = index;
    scan.dcTable[i] = p[2 + 2 * i] >> 4;
    scan.acTable[i] = p[2 + 2 * i] & 15;
    if (scan.dcTable[i] > 3 || scan.acTable[i] > 3) return false;
  }
  return true;
}

JpegWalk::Step JpegWalk::EntropyData(const JpegScan& scan, uint64_t start, uint64_t& next) {
  const JpegFrame& f = tables_.frame;
  bool decodable = f.Decodable();
  for (uint8_t i = 0; i < scan.count && decodable; ++i)
    decodable = tables_.dc[scan.dcTable[i]].Defined() && tables_.ac[scan.acTable[i]].Defined();
  if (!decodable) return MarkerScan(start, next);
  JpegScanDecoder decoder(in_, tables_, scan);
  if (decoder.Run(JpegSnapshot{start, 0, 0, {}, 0}) == JpegScanDecoder::Outcome::kEnded) {
    next = decoder.End();
    // Bytes between the last MCU and the marker (some encoders leave a
    // few) are passed over as far as the next marker.
    uint8_t b[2];
    if (in_.Read(next, b, 2) && b[0] == 0xFF && b[1] != 0x00) return Step::kNext;
    return MarkerScan(next, next);
  }
  broken_ = decoder.GoodEnd();
  JpegBreak& br = break_.emplace();
  br.scan = scan;
  br.scanStart = start;
  br.at = decoder.GoodEnd();
  br.foreign = decoder.HitForeign();
  br.foreignAt = decoder.ForeignAt();
  for (size_t i = 0; i < decoder.BoundaryCount(); ++i) br.boundaries.push_back(decoder.BoundaryAt(i));
  return Step::kBroken;
}

JpegWalk::Step JpegWalk::MarkerScan(uint64_t start, uint64_t& next) {
  const uint32_t block = in_.BlockBytes();
  uint64_t pos = start;
  uint64_t boundary = (start + block - 1) / block * block;
  uint8_t nextRestart = 0;
  for (;;) {
    const std::span<const uint8_t> view = in_.View(pos, 1 << 16);
    if (view.empty()) {
      broken_ = pos;
      return Step::kBroken;
    }
    const uint8_t* const base = view.data();
    const uint8_t* p = base;
    const uint8_t* const end = base + view.size();
    while (p < end) {
      const uint64_t here = pos + static_cast<uint64_t>(p - base);
      // Another file's signature on a block boundary ends the data.
      while (boundary <= here) {
        if (boundary == here && in_.ForeignStartAt(boundary)) {
          broken_ = boundary;
          return Step::kBroken;
        }
        boundary += block;
      }
      const uint64_t span = std::min<uint64_t>(static_cast<uint64_t>(end - p), boundary - here);
      const auto* ff = static_cast<const uint8_t*>(std::memchr(p, 0xFF, static_cast<size_t>(span)));
      if (!ff) {
        p += span;
        continue;
      }
      const uint64_t at = pos + static_cast<uint64_t>(ff - base);
      uint8_t m = 0;
      if (ff + 1 < end) {
        m = ff[1];
      } else if (!in_.Read(at + 1, &m, 1)) {
        broken_ = at;
        return Step::kBroken;
      }
      if (m == 0x00 || m == 0xFF) {
        p = ff + 1;
        continue;
      }
      if (IsRestart(m)) {
        if (tables_.restartInterval && m != 0xD0 + nextRestart) {
          broken_ = at;
          return Step::kBroken;
        }
        nextRestart = static_cast<uint8_t>((nextRestart + 1) & 7);
        p = ff + 2;
        continue;
      }
      next = at;
      return Step::kNext;
    }
    pos += static_cast<uint64_t>(p - base);
  }
}

}  // namespace tarnwell::physical::carve
