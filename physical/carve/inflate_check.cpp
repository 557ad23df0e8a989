#include "physical/carve/inflate_check.h"

#include <zlib.h>

#include <algorithm>
#include <array>

#include "physical/carve/checksums.h"

namespace tarnwell::physical::carve {
namespace {

// Owns a z_stream between inflateInit2 and inflateEnd.
class Inflater {
 public:
  explicit Inflater(DeflateWrapping wrapping) {
    ok_ = inflateInit2(&stream_, wrapping == DeflateWrapping::kRaw ? -MAX_WBITS : MAX_WBITS) == Z_OK;
  }
  ~Inflater() {
    if (ok_) inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;
  bool ok() const { return ok_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ok_ = false;
};

}  // namespace

InflateOutcome InflateAt(CarveReader& in, uint64_t offset, uint64_t available, DeflateWrapping wrapping,
                         uint64_t maxOutput, std::vector<uint8_t>* keep, size_t keepLimit) {
  InflateOutcome out;
  Inflater inflater(wrapping);
  if (!inflater.ok()) return out;
  z_stream& z = inflater.stream();
  std::array<uint8_t, 1 << 16> buffer;
  // One call of inflate into the buffer; false once the output is too
  // large or the stream ended or broke (status tells which).
  int status = Z_OK;
  const auto step = [&]() {
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    status = inflate(&z, Z_NO_FLUSH);
    const size_t made = buffer.size() - z.avail_out;
    out.crc = Crc32(out.crc, buffer.data(), made);
    out.produced += made;
    if (keep && keep->size() < keepLimit)
      keep->insert(keep->end(), buffer.data(), buffer.data() + std::min(made, keepLimit - keep->size()));
    // No progress possible: it needs more input (or room), nothing is wrong.
    if (status == Z_BUF_ERROR) status = Z_OK;
    return status == Z_OK && out.produced <= maxOutput;
  };
  while (out.consumed < available) {
    const std::span<const uint8_t> piece =
        in.View(offset + out.consumed, static_cast<size_t>(std::min<uint64_t>(available - out.consumed, 1 << 20)));
    if (piece.empty()) break;
    z.next_in = const_cast<Bytef*>(piece.data());
    z.avail_in = static_cast<uInt>(piece.size());
    bool going = true;
    while (going && z.avail_in > 0) going = step();
    // All input taken: what inflate still holds comes out with no more.
    while (going && z.avail_out == 0) going = step();
    out.consumed += piece.size() - z.avail_in;
    if (!going) break;
  }
  out.ended = status == Z_STREAM_END && out.produced <= maxOutput;
  return out;
}

}  // namespace tarnwell::physical::carve
