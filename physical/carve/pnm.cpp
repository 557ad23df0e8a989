// Netpbm pictures (PBM, PGM, PPM, plain and raw): the header's width,
// height and largest value give the raster's size for the raw forms; the
// plain forms are followed number by number.
#include <algorithm>
#include <cctype>

#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

constexpr uint64_t kLargestSide = 1u << 20;

class Tokens {
 public:
  explicit Tokens(CarveReader& in, uint64_t pos) : in_(in), pos_(pos) {}
  // The next decimal number after blanks and comments; false when there is
  // none within reach.
  bool Number(uint64_t& v, uint64_t largest) {
    uint8_t c;
    for (int skipped = 0;; ++skipped) {
      if (skipped > 4096 || !in_.Read(pos_, &c, 1)) return false;
      if (c == '#') {
        while (in_.Read(pos_, &c, 1) && c != '\n' && c != '\r' && skipped++ < 4096) ++pos_;
      } else if (std::isspace(c)) {
        ++pos_;
      } else {
        break;
      }
    }
    if (!std::isdigit(c)) return false;
    v = 0;
    for (int digits = 0; in_.Read(pos_, &c, 1) && std::isdigit(c); ++digits, ++pos_) {
      v = v * 10 + static_cast<uint64_t>(c - '0');
      if (digits > 9 || v > largest) return false;
    }
    return true;
  }
  uint64_t Position() const { return pos_; }

 private:
  CarveReader& in_;
  uint64_t pos_;
};

}  // namespace

WalkResult WalkPnm(CarveReader& in) {
  uint8_t magic[2];
  if (!in.Read(0, magic, 2)) return NotFound();
  const int kind = magic[1] - '0';
  const char* extension = kind == 1 || kind == 4 ? "pbm" : kind == 2 || kind == 5 ? "pgm" : "ppm";
  Tokens tokens(in, 2);
  uint64_t width, height, largest = 1;
  if (!tokens.Number(width, kLargestSide) || !tokens.Number(height, kLargestSide) || width == 0 || height == 0)
    return NotFound();
  if (kind != 1 && kind != 4 && (!tokens.Number(largest, 65535) || largest == 0)) return NotFound();
  const uint64_t samples = width * height * (kind == 3 || kind == 6 ? 3 : 1);
  if (kind >= 4) {
    // One blank after the header, then the raster.
    const uint64_t start = tokens.Position() + 1;
    const uint64_t bytes = kind == 4 ? (width + 7) / 8 * height : samples * (largest > 255 ? 2 : 1);
    if (!in.Has(start, bytes)) return Damaged(std::min(start, in.Limit()), extension);
    const uint64_t foreign = in.FirstForeignStart(start, start + bytes);
    if (foreign < start + bytes) return Damaged(foreign, extension);
    return Complete(start + bytes, extension);
  }
  // Plain forms: that many numbers (PBM's may stand without blanks), then
  // the line end after the last.
  uint64_t pos = tokens.Position();
  for (uint64_t i = 0; i < samples; ++i) {
    uint64_t v;
    if (kind == 1) {
      uint8_t c = ' ';
      while (in.Read(pos, &c, 1) && std::isspace(c)) ++pos;
      if (c != '0' && c != '1') return Damaged(pos, extension);
      ++pos;
      continue;
    }
    Tokens t(in, pos);
    if (!t.Number(v, largest)) return Damaged(pos, extension);
    pos = t.Position();
  }
  // Blanks the writer left after the last value, then the line end.
  uint8_t c = 0;
  while (in.Read(pos, &c, 1) && (c == ' ' || c == '\t') && pos < in.Limit()) ++pos;
  if (in.Read(pos, &c, 1) && (c == '\n' || c == '\r')) ++pos;
  if (c == '\r' && in.Read(pos, &c, 1) && c == '\n') ++pos;
  return Complete(pos, extension);
}

}  // namespace tarnwell::physical::carve
