#pragma once
// What a JPEG's header segments define for its entropy-coded data: the
// frame (size, components and their sampling), the Huffman tables and the
// restart interval. Filled by the segment walk, read by the decoder.
#include <array>
#include <cstddef>
#include <cstdint>

namespace tarnwell::physical::carve {

struct JpegComponent {
  uint8_t id = 0;
  uint8_t h = 1, v = 1;  // sampling factors, 1-4
};

struct JpegFrame {
  uint8_t marker = 0;  // C0 baseline, C1 extended, C2 progressive, ...
  uint8_t precision = 8;
  uint16_t height = 0;  // 0: given later by a DNL segment
  uint16_t width = 0;
  uint8_t count = 0;
  std::array<JpegComponent, 4> components{};
  uint8_t hMax = 1, vMax = 1;
  // Sequential Huffman coding with a height known up front: the scans can
  // be decoded and their MCUs counted.
  bool Decodable() const { return (marker == 0xC0 || marker == 0xC1) && height > 0 && width > 0; }
};

// A Huffman table in canonical form (ITU T.81 annex C), with a lookup of
// the codes of up to 9 bits.
class HuffmanTable {
 public:
  // From the 16 code counts and the values of a DHT segment; false when
  // the counts describe more codes than the lengths allow.
  bool Define(const uint8_t* counts, const uint8_t* values, size_t valueCount);
  bool Defined() const { return defined_; }
  static constexpr int kLookupBits = 9;
  // (length << 8) | value for a code of up to kLookupBits bits beginning
  // the 9 bits given, 0 when the code is longer (or none).
  uint16_t Lookup(uint32_t nineBits) const { return lookup_[nineBits]; }
  // The value of the code of `length` bits (10-16), or -1 when none has it.
  int Slow(uint32_t code, int length) const;

 private:
  bool defined_ = false;
  std::array<uint16_t, 1 << kLookupBits> lookup_{};
  std::array<int32_t, 18> maxCode_{};
  std::array<int32_t, 17> valueOffset_{};
  std::array<uint8_t, 256> values_{};
};

struct JpegTables {
  JpegFrame frame;
  std::array<HuffmanTable, 4> dc, ac;
  uint16_t restartInterval = 0;
};

// One scan: which components it codes and with which tables.
struct JpegScan {
  uint8_t count = 0;
  std::array<uint8_t, 4> component{};  // index into the frame's components
  std::array<uint8_t, 4> dcTable{}, acTable{};
};

}  // namespace tarnwell::physical::carve
