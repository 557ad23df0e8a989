// The read-ahead of the raw-range scan: chunks come in order whatever the
// reading thread is doing, a failed read is handed on as failed, and
// leaving early neither hangs nor reads on.
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "disk/sector_source.h"
#include "physical/raw/read_ahead_chunks.h"

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
  std::atomic<int> reads{0};

 private:
  uint64_t sectors_;
  uint64_t failAt_;
};

uint64_t SectorNumberAt(const ReadAheadChunks::Chunk& chunk, uint32_t index) {
  uint64_t n = 0;
  std::memcpy(&n, chunk.bytes + size_t{index} * disk::kSectorSize, sizeof n);
  return n;
}

TEST(ReadAheadChunksTest, HandsOutEveryChunkInOrderWithFailuresAndAShortEnd) {
  // 10 sectors from 2 to 27 in chunks of 10: 2, 12 (fails), 22 (reads 3
  // sectors past the range's end, but the source ends at 25).
  NumberedSectors source(25, 12);
  ReadAheadChunks chunks(source, 2, 27, 10);
  EXPECT_EQ(chunks.Count(), 3u);
  std::vector<uint64_t> addresses;
  ReadAheadChunks::Chunk chunk;
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

TEST(ReadAheadChunksTest, ChunksHandedOutStayIntactWhileTheReaderRunsAhead) {
  // Many small chunks: the reader is at most two chunks ahead, so the
  // caller's chunk keeps its bytes however long the caller takes.
  NumberedSectors source(4000, UINT64_MAX);
  ReadAheadChunks chunks(source, 0, 4000, 4);
  ReadAheadChunks::Chunk chunk;
  uint64_t expected = 0;
  while (chunks.Next(chunk)) {
    ASSERT_EQ(chunk.address, expected);
    std::this_thread::yield();  // let the reader run ahead
    for (uint32_t i = 0; i < 4; ++i) ASSERT_EQ(SectorNumberAt(chunk, i), expected + i);
    expected += 4;
  }
  EXPECT_EQ(expected, 4000u);
}

TEST(ReadAheadChunksTest, LeavingEarlyStopsTheReader) {
  NumberedSectors source(1'000'000, UINT64_MAX);
  {
    ReadAheadChunks chunks(source, 0, 1'000'000, 8);
    ReadAheadChunks::Chunk chunk;
    ASSERT_TRUE(chunks.Next(chunk));
  }
  EXPECT_LE(source.reads.load(), 3) << "the chunk taken and at most two ahead";
}

TEST(ReadAheadChunksTest, AnEmptyRangeHasNoChunks) {
  NumberedSectors source(100, UINT64_MAX);
  ReadAheadChunks chunks(source, 50, 50, 10);
  ReadAheadChunks::Chunk chunk;
  EXPECT_FALSE(chunks.Next(chunk));
  EXPECT_EQ(source.reads.load(), 0);
}

}  // namespace
}  // namespace tarnwell::physical::raw
