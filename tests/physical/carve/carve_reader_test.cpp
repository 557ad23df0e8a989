// The bounded reader the walkers read through: limits, pieces at the seams
// of what it holds, probes that leave views alone, and a bad sector.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "disk/memory_sector_source.h"
#include "physical/carve/carve_reader.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/physical/carve/carve_samples.h"

namespace tarnwell::physical::carve {
namespace {

// Numbered sectors; reads that touch `bad` fail, as a failing disk's do.
class BadSectorSource final : public disk::SectorSource {
 public:
  BadSectorSource(uint32_t count, uint64_t bad)
      : bytes_(std::make_shared<const std::vector<uint8_t>>(testing::NumberedSectors(count))),
        memory_(bytes_, 0, bytes_->size()),
        bad_(bad) {}
  bool Read(uint64_t lba, uint32_t count, void* buffer, uint32_t& bytesRead) override {
    ++reads;
    if (lba <= bad_ && bad_ < lba + count) {
      bytesRead = 0;
      return false;
    }
    return memory_.Read(lba, count, buffer, bytesRead);
  }
  uint64_t SectorCount() const override { return memory_.SectorCount(); }
  int reads = 0;

 private:
  std::shared_ptr<const std::vector<uint8_t>> bytes_;
  disk::MemorySectorSource memory_;
  uint64_t bad_;
};

TEST(CarveReaderTest, NothingAtOrPastTheLimitIsReadAndExtentsCannotWrap) {
  const std::vector<uint8_t> bytes(1000, 7);
  SpanReader in(bytes);
  in.SetLimit(600);
  EXPECT_EQ(in.View(590, 100).size(), 10u);
  EXPECT_TRUE(in.View(600, 1).empty());
  uint8_t out[16];
  EXPECT_FALSE(in.Read(595, out, 16));
  EXPECT_TRUE(in.Has(584, 16));
  EXPECT_FALSE(in.Has(585, 16));
  EXPECT_FALSE(in.Has(UINT64_MAX - 4, 16));
  EXPECT_FALSE(in.Has(16, UINT64_MAX - 4));
  EXPECT_EQ(in.Peek(599, out, 16), 1u);
}

TEST(CarveReaderTest, PiecesThatEndAtASeamAreReadAfreshWhenAWalkerNeedsMore) {
  BadSectorSource source(64, UINT64_MAX);
  const auto chunk = testing::NumberedSectors(64);
  SourceReader in(source, 8, 40 * 512, 512);
  // The first 2.5 sectors are held by the caller (a chunk read by copy).
  in.Borrow({chunk.data() + 8 * 512, 1280});
  EXPECT_EQ(in.View(0, 4096).size(), 1280u);
  const std::span<const uint8_t> seam = in.View(1270, 4096);
  EXPECT_EQ(seam.size(), 10u);
  const std::span<const uint8_t> whole = in.View(1270, 4096, 1024);
  ASSERT_GE(whole.size(), 1024u);
  EXPECT_EQ(testing::SectorNumberAt(whole.data() + 266), 11u);  // 1536 is the start of sector 8 + 3
  // A probe across the held bytes, the buffer and beyond leaves a view
  // taken before as it was.
  const std::span<const uint8_t> before = in.View(2048, 512);
  uint8_t probe[3000];
  EXPECT_EQ(in.Peek(1000, probe, sizeof probe), sizeof probe);
  EXPECT_EQ(testing::SectorNumberAt(before.data()), 12u);
  for (size_t at = 0; at < sizeof probe; at += 512) {
    const uint64_t offset = 1000 + at;
    EXPECT_EQ(probe[at], static_cast<uint8_t>(8 + offset / 512)) << at;
  }
}

TEST(CarveReaderTest, ABadSectorEndsWhatCanBeReadThereNotBefore) {
  BadSectorSource source(256, 40);
  SourceReader in(source, 0, 256 * 512, 512);
  // The first read asks for 32 KiB (64 sectors) and fails as a whole; the
  // sectors wanted are then read on their own.
  const std::span<const uint8_t> head = in.View(0, 4096);
  ASSERT_EQ(head.size(), 4096u);
  EXPECT_EQ(testing::SectorNumberAt(head.data() + 4096 - 512), 7u);
  uint8_t out[512];
  EXPECT_TRUE(in.Read(39 * 512, out, 512));
  EXPECT_FALSE(in.Read(40 * 512, out, 512));
  EXPECT_TRUE(in.View(40 * 512, 512).empty());
}

TEST(CarveReaderTest, AnotherFilesSignatureIsFoundOnBlockBoundariesOnly) {
  const std::vector<uint8_t>& png = testing::CarveSampleNamed("gradient.png").bytes;
  std::vector<uint8_t> bytes(8 * 4096, 0x33);
  std::memcpy(bytes.data() + 3 * 4096 + 100, png.data(), 64);  // inside a block: not a file start
  std::memcpy(bytes.data() + 5 * 4096, png.data(), 64);
  SpanReader in(bytes, 4096);
  EXPECT_FALSE(in.ForeignStartAt(3 * 4096 + 100));
  EXPECT_FALSE(in.ForeignStartAt(0));  // the file's own start
  EXPECT_TRUE(in.ForeignStartAt(5 * 4096));
  EXPECT_EQ(in.FirstForeignStart(1, bytes.size()), 5u * 4096);
  EXPECT_EQ(in.FirstForeignStart(5 * 4096 + 1, bytes.size()), bytes.size());
}

}  // namespace
}  // namespace tarnwell::physical::carve
