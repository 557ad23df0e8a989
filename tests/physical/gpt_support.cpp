#include "tests/physical/gpt_support.h"

#include <algorithm>
#include <cstdio>

#include "physical/crc32.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical {

Guid GuidOf(const std::string& text) {
  unsigned v[16] = {};
  std::sscanf(text.c_str(), "%2x%2x%2x%2x-%2x%2x-%2x%2x-%2x%2x-%2x%2x%2x%2x%2x%2x", &v[3], &v[2], &v[1],
              &v[0], &v[5], &v[4], &v[7], &v[6], &v[8], &v[9], &v[10], &v[11], &v[12], &v[13], &v[14],
              &v[15]);
  Guid g{};
  for (int i = 0; i < 16; ++i) g[static_cast<size_t>(i)] = static_cast<uint8_t>(v[i]);
  return g;
}

namespace {

void PutHeader(testing::ImageBuilder& image, const CraftedGpt& gpt, uint64_t lba, uint64_t other,
               uint64_t arrayLba, uint32_t arrayCrc) {
  const size_t at = lba * 512;
  const uint64_t lastUsable = gpt.lastUsable ? gpt.lastUsable : gpt.diskSectors - 34;
  image.PutText(at, "EFI PART").Put32(at + 8, 0x00010000).Put32(at + 12, 92);
  image.Put64(at + 0x18, lba).Put64(at + 0x20, other).Put64(at + 0x28, gpt.firstUsable);
  image.Put64(at + 0x30, lastUsable).Put64(at + 0x48, arrayLba);
  image.Put32(at + 0x50, gpt.entryCount).Put32(at + 0x54, gpt.entrySize).Put32(at + 0x58, arrayCrc);
  FixHeaderCrc(image, lba);
}

}  // namespace

void FixHeaderCrc(testing::ImageBuilder& image, uint64_t lba) {
  const size_t at = lba * 512;
  image.Put32(at + 0x10, 0);
  const uint32_t size = image.Bytes()[at + 12] | (image.Bytes()[at + 13] << 8);
  image.Put32(at + 0x10, Crc32(image.Bytes().data() + at, size <= 512 ? size : 92));
}

void PutGpt(testing::ImageBuilder& image, const CraftedGpt& gpt) {
  PutSlot(image, 0, 0, 0, 0xEE, 1, static_cast<uint32_t>(std::min<uint64_t>(gpt.diskSectors - 1, 0xFFFFFFFF)));
  std::vector<uint8_t> array(size_t{gpt.entryCount} * gpt.entrySize, 0);
  for (size_t i = 0; i < gpt.entries.size(); ++i) {
    uint8_t* p = array.data() + i * gpt.entrySize;
    const CraftedGptEntry& e = gpt.entries[i];
    std::copy(e.type.begin(), e.type.end(), p);
    p[0x10] = static_cast<uint8_t>(i + 1);  // a partition GUID of its own
    for (int b = 0; b < 8; ++b) {
      p[0x20 + b] = static_cast<uint8_t>(e.first >> (8 * b));
      p[0x28 + b] = static_cast<uint8_t>(e.last >> (8 * b));
    }
    for (size_t c = 0; c < e.name.size() && c < 36; ++c) {
      p[0x38 + 2 * c] = static_cast<uint8_t>(e.name[c]);
      p[0x38 + 2 * c + 1] = static_cast<uint8_t>(e.name[c] >> 8);
    }
  }
  const uint32_t crc = Crc32(array.data(), array.size());
  const uint64_t arraySectors = (array.size() + 511) / 512;
  const uint64_t last = gpt.diskSectors - 1;
  image.PutBytes(2 * 512, array);
  image.PutBytes((last - arraySectors) * 512, array);
  PutHeader(image, gpt, 1, last, 2, crc);
  PutHeader(image, gpt, last, 1, last - arraySectors, crc);
}

}  // namespace tarnwell::physical
