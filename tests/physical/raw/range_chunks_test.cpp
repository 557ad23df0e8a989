// The chunks of a range as the sector-testing passes read them: in order,
// a failed read handed on as failed, the last one short at the source's end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "disk/file_sector_source.h"
#include "disk/guarded_touch.h"
#include "disk/sector_source.h"
#include "physical/raw/range_chunks.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::physical::raw {
namespace {

// Numbered sectors (tests/disk/numbered_sectors.h) behind a source that
// counts its reads and fails those at `failAt`; it cannot map.
class CountingNumberedSource final : public disk::SectorSource {
 public:
  CountingNumberedSource(uint32_t sectors, uint64_t failAt)
      : bytes_(testing::NumberedSectors(sectors)), failAt_(failAt) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    ++reads;
    bytesRead = 0;
    if (lba == failAt_) return false;
    if (lba >= SectorCount()) return true;
    const uint64_t n = std::min<uint64_t>(count, SectorCount() - lba) * disk::kSectorSize;
    std::memcpy(buffer, bytes_.data() + lba * disk::kSectorSize, n);
    bytesRead = static_cast<uint32_t>(n);
    return true;
  }
  uint64_t SectorCount() const override { return bytes_.size() / disk::kSectorSize; }
  int reads = 0;

 private:
  std::vector<uint8_t> bytes_;
  uint64_t failAt_;
};

uint32_t SectorNumberAt(const RangeChunks::Chunk& chunk, size_t index) {
  return testing::SectorNumberAt(chunk.bytes + index * disk::kSectorSize);
}

TEST(RangeChunksTest, HandsOutEveryChunkInOrderWithFailuresAndAShortEnd) {
  // 10 sectors from 2 to 27 in chunks of 10: 2, 12 (its read is refused
  // for sector 12 alone, which is all it costs), 22 (reads 3 sectors past
  // the range's end, but the source ends at 25).
  CountingNumberedSource source(25, 12);
  RangeChunks chunks(source, 2, 27, 10);
  EXPECT_EQ(chunks.Count(), 3u);
  std::vector<uint64_t> addresses;
  RangeChunks::Chunk chunk;
  while (chunks.Next(chunk)) {
    addresses.push_back(chunk.address);
    ASSERT_TRUE(chunk.ok);
    EXPECT_EQ(chunks.BadRuns(), chunk.address == 12 ? (std::vector<disk::SectorRun>{{12, 1}})
                                                     : std::vector<disk::SectorRun>{});
    for (uint32_t i = 0; i < chunk.bytesRead / disk::kSectorSize; ++i)
      EXPECT_EQ(SectorNumberAt(chunk, i), chunk.address + i == 12 ? 0u : chunk.address + i);
  }
  EXPECT_EQ(addresses, (std::vector<uint64_t>{2, 12, 22}));
  EXPECT_EQ(chunk.bytesRead, 3 * disk::kSectorSize);
  EXPECT_FALSE(chunks.Next(chunk)) << "stays at the end";
}

TEST(RangeChunksTest, SkippedChunksAreNotReadAndACompanionSeesTheRestFirst) {
  // A pass that has read past chunks by other means skips them; another
  // pass riding on the same read sees each chunk before the owner does.
  struct Seen final : ChunkCompanion {
    std::vector<uint64_t> addresses;
    void TakeChunk(RangeChunks&, RangeChunk& chunk) override { addresses.push_back(chunk.address); }
  } companion;
  CountingNumberedSource source(100, UINT64_MAX);
  RangeChunks chunks(source, 0, 100, 10);
  chunks.SetCompanion(&companion);
  std::vector<uint64_t> owner;
  RangeChunks::Chunk chunk;
  while (chunks.Next(chunk)) {
    EXPECT_EQ(companion.addresses.back(), chunk.address);
    owner.push_back(chunk.address);
    EXPECT_EQ(SectorNumberAt(chunk, 0), chunk.address);
    if (chunk.address == 10) chunks.SkipTo(47);  // chunks 20 and 30 end before 47
    if (chunk.address == 50) chunks.SkipTo(12);  // backwards: nothing happens
  }
  EXPECT_EQ(owner, (std::vector<uint64_t>{0, 10, 40, 50, 60, 70, 80, 90}));
  EXPECT_EQ(companion.addresses, owner);
  EXPECT_EQ(source.reads, 8);
}

TEST(RangeChunksTest, AnEmptyRangeHasNoChunks) {
  CountingNumberedSource source(100, UINT64_MAX);
  RangeChunks chunks(source, 50, 50, 10);
  RangeChunks::Chunk chunk;
  EXPECT_FALSE(chunks.Next(chunk));
  EXPECT_EQ(source.reads, 0);
}

// What a pass sees of each chunk: its address, its length and the sector
// numbers its bytes carry (read under the guard when mapped).
struct SeenChunk {
  uint64_t address;
  uint32_t bytesRead;
  bool ok;
  std::vector<uint32_t> numbers;
  bool operator==(const SeenChunk&) const = default;
};

std::vector<SeenChunk> Walk(disk::SectorSource& source, uint64_t first, uint64_t end,
                            RangeChunks::Access access, int* mappedChunks) {
  RangeChunks chunks(source, first, end, 10, access);
  std::vector<SeenChunk> seen;
  RangeChunks::Chunk chunk;
  while (chunks.Next(chunk)) {
    SeenChunk s{chunk.address, chunk.bytesRead, chunk.ok, {}};
    s.numbers.resize(chunk.bytesRead / disk::kSectorSize);
    auto take = [&] {
      for (size_t i = 0; i < s.numbers.size(); ++i)
        s.numbers[i] = SectorNumberAt(chunk, i);
    };
    if (chunk.mapped) {
      ++*mappedChunks;
      EXPECT_GE(chunk.bytesAvailable, chunk.bytesRead);
      EXPECT_TRUE(disk::TouchGuarded(take));
    } else {
      take();
    }
    seen.push_back(std::move(s));
  }
  return seen;
}

TEST(RangeChunksTest, MappedChunksAreTheChunksAReadGivesAcrossMappings) {
  // 3000 sectors and a partial one: several 320-sector mappings, a range
  // starting off a chunk boundary and a last chunk past the source's end.
  const auto bytes = testing::NumberedSectors(3000, 100);
  const std::string path = testing::WriteTempImage(bytes, "chunks", "image.bin");
  auto source = disk::FileSectorSource::Open(path, 0, bytes.size());
  ASSERT_TRUE(source);
  int mapped = 0, copied = 0;
  const auto read = Walk(*source, 7, 3005, RangeChunks::Access::kCopied, &copied);
  const auto viaMapping = Walk(*source, 7, 3005, RangeChunks::Access::kMappedWhereTheSourceCan, &mapped);
  EXPECT_EQ(copied, 0);
  EXPECT_GT(mapped, 250) << "chunks inside the source come mapped";
  ASSERT_EQ(read.size(), 300u);
  EXPECT_EQ(viaMapping, read);
  EXPECT_EQ(read.back().bytesRead, 3u * disk::kSectorSize + 100) << "2997 to 2999 and the partial sector";
}

TEST(RangeChunksTest, AfterAFaultTheChunkAndTheRestAreReadByCopy) {
  const auto bytes = testing::NumberedSectors(100);
  const std::string path = testing::WriteTempImage(bytes, "chunks", "image.bin");
  auto source = disk::FileSectorSource::Open(path, 0, bytes.size());
  RangeChunks chunks(*source, 0, 100, 10, RangeChunks::Access::kMappedWhereTheSourceCan);
  RangeChunks::Chunk chunk;
  ASSERT_TRUE(chunks.Next(chunk));
  ASSERT_TRUE(chunk.mapped);
  chunks.ReadByCopy(chunk);
  EXPECT_FALSE(chunk.mapped);
  ASSERT_TRUE(chunk.ok);
  EXPECT_EQ(chunk.bytesRead, 10u * disk::kSectorSize);
  EXPECT_EQ(SectorNumberAt(chunk, 9), 9u);
  while (chunks.Next(chunk)) EXPECT_FALSE(chunk.mapped) << chunk.address;
}

TEST(RangeChunksTest, ASourceThatCannotMapIsRead) {
  CountingNumberedSource source(25, UINT64_MAX);
  int mapped = 0;
  const auto seen = Walk(source, 0, 25, RangeChunks::Access::kMappedWhereTheSourceCan, &mapped);
  EXPECT_EQ(mapped, 0);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(source.reads, 3);
}

}  // namespace
}  // namespace tarnwell::physical::raw
