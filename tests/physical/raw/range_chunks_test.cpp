// The chunks of a range as the sector-testing passes read them: in order,
// a failed read handed on as failed, the last one short at the source's end.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "disk/sector_source.h"
#include "physical/raw/range_chunks.h"

namespace tarnwell::physical::raw {
namespace {

// Every sector holds its own number; reads at `failAt` fail.
class NumberedSectors final : public disk::SectorSource {
 public:
  NumberedSectors(uint64_t sectors, uint64_t failAt) : sectors_(sectors), failAt_(failAt) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    ++reads;
    bytesRead = 0;
    if (lba == failAt_) return false;
    auto* out = static_cast<uint8_t*>(buffer);
    for (uint64_t s = lba; s < lba + count && s < sectors_; ++s, bytesRead += disk::kSectorSize)
      std::memcpy(out + (s - lba) * disk::kSectorSize, &s, sizeof s);
    return true;
  }
  uint64_t SectorCount() const override { return sectors_; }
  int reads = 0;

 private:
  uint64_t sectors_;
  uint64_t failAt_;
};

uint64_t SectorNumberAt(const RangeChunks::Chunk& chunk, uint32_t index) {
  uint64_t n = 0;
  std::memcpy(&n, chunk.bytes + size_t{index} * disk::kSectorSize, sizeof n);
  return n;
}

TEST(RangeChunksTest, HandsOutEveryChunkInOrderWithFailuresAndAShortEnd) {
  // 10 sectors from 2 to 27 in chunks of 10: 2, 12 (fails), 22 (reads 3
  // sectors past the range's end, but the source ends at 25).
  NumberedSectors source(25, 12);
  RangeChunks chunks(source, 2, 27, 10);
  EXPECT_EQ(chunks.Count(), 3u);
  std::vector<uint64_t> addresses;
  RangeChunks::Chunk chunk;
  while (chunks.Next(chunk)) {
    addresses.push_back(chunk.address);
    if (chunk.address == 12) {
      EXPECT_FALSE(chunk.ok);
      continue;
    }
    ASSERT_TRUE(chunk.ok);
    for (uint32_t i = 0; i < chunk.bytesRead / disk::kSectorSize; ++i)
      EXPECT_EQ(SectorNumberAt(chunk, i), chunk.address + i);
  }
  EXPECT_EQ(addresses, (std::vector<uint64_t>{2, 12, 22}));
  EXPECT_EQ(chunk.bytesRead, 3 * disk::kSectorSize);
  EXPECT_FALSE(chunks.Next(chunk)) << "stays at the end";
}

TEST(RangeChunksTest, AnEmptyRangeHasNoChunks) {
  NumberedSectors source(100, UINT64_MAX);
  RangeChunks chunks(source, 50, 50, 10);
  RangeChunks::Chunk chunk;
  EXPECT_FALSE(chunks.Next(chunk));
  EXPECT_EQ(source.reads, 0);
}

}  // namespace
}  // namespace tarnwell::physical::raw
