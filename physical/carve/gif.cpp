// GIF: header, colour tables, then extension and image blocks to the
// trailer; the LZW codes of every image are checked as they would be
// decoded (a code may name only entries the table already holds).
#include "physical/carve/reader_helpers.h"
#include "physical/carve/walkers.h"

namespace tarnwell::physical::carve {
namespace {

// Follows the sub-blocks from pos (length byte, then that many bytes, until
// a zero length); returns the offset after the terminator, or 0 when they
// run out. Feeds image data to lzw when given. Another file's signature on
// a block boundary ends the data.
class LzwCheck {
 public:
  explicit LzwCheck(uint8_t minimumCodeSize)
      : clear_(1u << minimumCodeSize), size_(minimumCodeSize + 1), next_(clear_ + 2) {}
  // False at a code that no decoder could take.
  bool Feed(const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n && !ended_; ++i) {
      bits_ |= uint32_t{p[i]} << count_;
      count_ += 8;
      while (count_ >= size_ && !ended_) {
        const uint32_t code = bits_ & ((1u << size_) - 1);
        bits_ >>= size_;
        count_ -= size_;
        if (!Take(code)) return false;
      }
    }
    return true;
  }
  bool Ended() const { return ended_; }

 private:
  bool Take(uint32_t code) {
    if (code == clear_) {
      size_ = static_cast<uint8_t>(__builtin_ctz(clear_) + 1);
      next_ = clear_ + 2;
      havePrevious_ = false;
      return true;
    }
    if (code == clear_ + 1) {
      ended_ = true;
      return true;
    }
    // A code after the table's next entry, or the next entry with nothing
    // before it to build it from, cannot be decoded.
    if (code > next_ || (code == next_ && !havePrevious_)) return false;
    if (havePrevious_ && next_ < 4096) {
      ++next_;
      if (next_ == (1u << size_) && size_ < 12) ++size_;
    }
    havePrevious_ = true;
    return true;
  }

  const uint32_t clear_;
  uint8_t size_;
  uint32_t next_;
  bool havePrevious_ = false;
  bool ended_ = false;
  uint32_t bits_ = 0;
  uint8_t count_ = 0;
};

uint64_t SubBlocks(CarveReader& in, uint64_t pos, LzwCheck* lzw) {
  const uint64_t block = in.BlockBytes();
  uint64_t boundary = (pos + block - 1) / block * block;
  for (;;) {
    uint8_t length = 0;
    if (!in.Read(pos, &length, 1)) return 0;
    if (length == 0) return pos + 1;
    if (!in.Has(pos + 1, length)) return 0;
    if (lzw) {
      uint8_t data[255];
      if (!in.Read(pos + 1, data, length) || !lzw->Feed(data, length)) return 0;
    }
    pos += 1 + uint64_t{length};
    for (; boundary < pos; boundary += block)
      if (in.ForeignStartAt(boundary)) return 0;
  }
}

}  // namespace

WalkResult WalkGif(CarveReader& in) {
  uint8_t head[13];
  if (!in.Read(0, head, 13)) return NotFound();
  uint64_t pos = 13;
  if (head[10] & 0x80) pos += 3u << ((head[10] & 7) + 1);
  bool image = false;
  for (;;) {
    uint8_t kind = 0;
    if (!in.Read(pos, &kind, 1)) return image ? Damaged(pos) : NotFound();
    if (kind == 0x3B) return image ? Complete(pos + 1) : Damaged(pos);
    uint64_t after = 0;
    if (kind == 0x21) {
      after = SubBlocks(in, pos + 2, nullptr);
    } else if (kind == 0x2C) {
      uint8_t d[10];
      if (!in.Read(pos + 1, d, 9)) return image ? Damaged(pos) : NotFound();
      if (LoadLE16(d + 4) == 0 || LoadLE16(d + 6) == 0) return image ? Damaged(pos) : NotFound();
      uint64_t data = pos + 10;
      if (d[8] & 0x80) data += 3u << ((d[8] & 7) + 1);
      uint8_t minimum = 0;
      if (!in.Read(data, &minimum, 1) || minimum < 1 || minimum > 11) return image ? Damaged(pos) : NotFound();
      LzwCheck lzw(minimum);
      after = SubBlocks(in, data + 1, &lzw);
      if (after) image = true;
    }
    if (after == 0) return image ? Damaged(pos) : NotFound();
    pos = after;
  }
}

}  // namespace tarnwell::physical::carve
