#include "physical/carve/jpeg_tables.h"

namespace tarnwell::physical::carve {

bool HuffmanTable::Define(const uint8_t* counts, const uint8_t* values, size_t valueCount) {
  defined_ = false;
  lookup_.fill(0);
  maxCode_.fill(-1);
  uint32_t code = 0;
  size_t k = 0;
  for (int length = 1; length <= 16; ++length) {
    const uint32_t n = counts[length - 1];
    valueOffset_[length] = static_cast<int32_t>(k) - static_cast<int32_t>(code);
    if (k + n > valueCount) return false;
    for (uint32_t i = 0; i < n; ++i, ++code, ++k) {
      // More codes than the length has room for: no canonical table.
      if (code >= (1u << length)) return false;
      values_[k] = values[k];
      if (length <= kLookupBits) {
        // Every 9-bit pattern that begins with this code.
        const uint32_t first = code << (kLookupBits - length);
        for (uint32_t fill = 0; fill < (1u << (kLookupBits - length)); ++fill)
          lookup_[first | fill] = static_cast<uint16_t>((length << 8) | values[k]);
      }
    }
    if (n) maxCode_[length] = static_cast<int32_t>(code) - 1;
    code <<= 1;
  }
  defined_ = k > 0;
  return defined_;
}

int HuffmanTable::Slow(uint32_t code, int length) const {
  if (length < 1 || length > 16 || maxCode_[length] < 0 || static_cast<int32_t>(code) > maxCode_[length]) return -1;
  const int32_t index = static_cast<int32_t>(code) + valueOffset_[length];
  if (index < 0 || index > 255) return -1;
  // Codes of this length run up to maxCode; below the first one they
  // belong to shorter lengths, which the caller tried first.
  return values_[static_cast<size_t>(index)];
}

}  // namespace tarnwell::physical::carve
