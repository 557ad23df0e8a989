#pragma once
// Small reads the walkers share: fixed fields at an offset, and a pass
// over a stretch of the candidate in the pieces the reader has at hand.
#include <cstdint>
#include <optional>
#include <span>

#include "common/little_endian.h"
#include "physical/carve/big_endian.h"
#include "physical/carve/carve_reader.h"
#include "physical/carve/checksums.h"

namespace tarnwell::physical::carve {

inline std::optional<uint32_t> Be32At(CarveReader& in, uint64_t offset) {
  uint8_t b[4];
  if (!in.Read(offset, b, 4)) return std::nullopt;
  return LoadBE32(b);
}
inline std::optional<uint32_t> Le32At(CarveReader& in, uint64_t offset) {
  uint8_t b[4];
  if (!in.Read(offset, b, 4)) return std::nullopt;
  return LoadLE32(b);
}
inline std::optional<uint16_t> Le16At(CarveReader& in, uint64_t offset) {
  uint8_t b[2];
  if (!in.Read(offset, b, 2)) return std::nullopt;
  return LoadLE16(b);
}

// Calls look(bytes) over [offset, offset + size) piece by piece; false when
// part of it cannot be read or look returns false.
template <typename Look>
bool ForEachPiece(CarveReader& in, uint64_t offset, uint64_t size, Look&& look) {
  if (!in.Has(offset, size)) return false;
  while (size > 0) {
    const std::span<const uint8_t> piece = in.View(offset, static_cast<size_t>(std::min<uint64_t>(size, 1 << 22)));
    if (piece.empty() || !look(piece)) return false;
    offset += piece.size();
    size -= piece.size();
  }
  return true;
}

inline std::optional<uint32_t> Crc32Of(CarveReader& in, uint64_t offset, uint64_t size, uint32_t crc = 0) {
  if (!ForEachPiece(in, offset, size, [&crc](std::span<const uint8_t> p) {
        crc = Crc32(crc, p.data(), p.size());
        return true;
      }))
    return std::nullopt;
  return crc;
}

// An ASCII letter, as the four-letter tags of chunked formats are made of.
inline bool IsTagLetter(uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace tarnwell::physical::carve
