// The scan's rules on crafted disks: where text begins and ends, where the
// scan goes on after a damaged file, and when a picture in two pieces is
// joined or left damaged.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "disk/memory_sector_source.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"
#include "tests/physical/carve/carve_samples.h"

namespace tarnwell::physical::carve {
namespace {

using testing::RandomBytes;

class Disk {
 public:
  explicit Disk(size_t sectors) : bytes_(sectors * 512, 0) {}
  void Put(uint64_t sector, const std::vector<uint8_t>& data) {
    std::memcpy(bytes_.data() + sector * 512, data.data(), data.size());
  }
  void Put(uint64_t sector, const std::string& text) { Put(sector, std::vector<uint8_t>(text.begin(), text.end())); }
  std::vector<CarvedFile> Scan(FreeBlocks* free = nullptr, uint32_t block = 1) const {
    disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(bytes_), 0, bytes_.size());
    engine::NullProgressBar progress;
    engine::NullMessagePump pump;
    CarveCounts counts;
    return ScanArea(source, {0, source.SectorCount(), block, free}, kAllFamilies, progress, pump, false, counts);
  }

 private:
  std::vector<uint8_t> bytes_;
};

std::string Lines(int n, const char* word) {
  std::string text;
  for (int i = 0; i < n; ++i) text += std::string(word) + " line " + std::to_string(i) + " of a little log\n";
  return text;
}

TEST(CarveRulesTest, TextFilesBeginAfterZeroedSlackAndEndAtTheirFirstNul) {
  Disk disk(64);
  const std::string a = Lines(40, "first"), b = Lines(3, "second");
  disk.Put(2, a);   // several blocks, its last one ends in zeros
  disk.Put(2 + (a.size() + 511) / 512, b);  // right after, in the next block
  disk.Put(40, RandomBytes(512));
  const std::vector<CarvedFile> files = disk.Scan();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].sector, 2u);
  EXPECT_EQ(files[0].length, a.size());
  EXPECT_EQ(files[1].length, b.size());
  EXPECT_STREQ(files[0].extension, "txt");
}

TEST(CarveRulesTest, TextRightAfterAFileThatEndsInTextStillBegins) {
  // A PDF that fills its last block exactly, ending in text ("%%EOF\n"),
  // and a text file in the next block: the look sees one run of text
  // across both, the scan two files.
  std::vector<uint8_t> pdf = testing::CarveSampleNamed("minutes.pdf").bytes;
  const size_t pad = (512 - pdf.size() % 512) % 512;
  // Blanks before the end keep the file whole and make it end on a block.
  pdf.insert(pdf.end() - 6, pad, ' ');
  Disk disk(64);
  disk.Put(1, pdf);
  const std::string text = Lines(5, "after");
  disk.Put(1 + pdf.size() / 512, text);
  const std::vector<CarvedFile> files = disk.Scan();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].length, pdf.size());
  EXPECT_EQ(files[1].sector, 1 + pdf.size() / 512);
  EXPECT_EQ(files[1].length, text.size());
}

TEST(CarveRulesTest, APdfWithoutItsEndStopsWhereTheNextPdfBegins) {
  // The first PDF lost its end (its blocks after the first were reused);
  // the search for it stops at the next one, which is found whole.
  const std::vector<uint8_t>& pdf = testing::CarveSampleNamed("scan.pdf").bytes;
  Disk disk(64);
  disk.Put(2, std::vector<uint8_t>(pdf.begin(), pdf.begin() + 1024));
  disk.Put(4, pdf);
  const std::vector<CarvedFile> files = disk.Scan();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0].damaged);
  EXPECT_LE(files[0].length, 1024u);
  EXPECT_EQ(files[1].sector, 4u);
  EXPECT_FALSE(files[1].damaged);
  EXPECT_EQ(files[1].length, pdf.size());
}

TEST(CarveRulesTest, OnAVolumeTextStopsAtAClusterInUse) {
  // Blocks of four sectors; the third cluster belongs to another file.
  struct ThirdInUse final : FreeBlocks {
    bool IsFree(uint64_t sector) override { return sector / 4 != 2; }
  } free;
  Disk disk(32);
  std::string text = Lines(250, "long");  // more than three clusters
  disk.Put(0, text);
  const std::vector<CarvedFile> files = disk.Scan(&free, 4);
  ASSERT_GE(files.size(), 1u);
  EXPECT_EQ(files[0].sector, 0u);
  EXPECT_EQ(files[0].length, 2u * 4 * 512);
}

TEST(CarveRulesTest, AfterADamagedFileTheScanGoesOnWhereItBroke) {
  // A PNG whose fifth sector on was overwritten by a JPEG: the PNG is
  // damaged within its first four sectors, the JPEG whole.
  const std::vector<uint8_t>& png = testing::CarveSampleNamed("plasma.png").bytes;
  const std::vector<uint8_t>& jpeg = testing::CarveSampleNamed("plain.jpg").bytes;
  Disk disk(16 + (png.size() + jpeg.size()) / 512 + 8);
  disk.Put(8, png);
  disk.Put(12, jpeg);
  const std::vector<CarvedFile> files = disk.Scan();
  ASSERT_EQ(files.size(), 2u);
  EXPECT_TRUE(files[0].damaged);
  EXPECT_LE(files[0].length, 4u * 512);
  EXPECT_EQ(files[1].sector, 12u);
  EXPECT_FALSE(files[1].damaged);
  EXPECT_EQ(files[1].length, jpeg.size());
}

// canon.jpg cut after 24 sectors, `gap` between the pieces.
Disk Split(const std::vector<uint8_t>& gap, uint64_t& second) {
  const std::vector<uint8_t>& jpeg = testing::CarveSampleNamed("canon.jpg").bytes;
  const size_t cut = 24 * 512;
  second = 4 + 24 + gap.size() / 512;
  Disk disk(second + jpeg.size() / 512 + 16);
  disk.Put(4, std::vector<uint8_t>(jpeg.begin(), jpeg.begin() + cut));
  disk.Put(4 + 24, gap);
  disk.Put(second, std::vector<uint8_t>(jpeg.begin() + cut, jpeg.end()));
  return disk;
}

TEST(CarveRulesTest, APictureIsJoinedAcrossAGapOfUnknownDataButNotAcrossOneTooWide) {
  uint64_t second = 0;
  // Five sectors of random data: no found file tells where the gap ends.
  const std::vector<CarvedFile> near = Split(RandomBytes(5 * 512), second).Scan();
  ASSERT_EQ(near.size(), 1u);
  EXPECT_TRUE(near[0].Joined());
  EXPECT_EQ(near[0].firstPieceBytes, 24u * 512);
  EXPECT_EQ(near[0].secondSector, second);
  EXPECT_EQ(near[0].length, testing::CarveSampleNamed("canon.jpg").size);
  // Beyond the four mebibytes searched block by block, with no found file
  // ending there, the picture stays damaged.
  const std::vector<CarvedFile> far = Split(RandomBytes(5 << 20), second).Scan();
  ASSERT_EQ(far.size(), 1u);
  EXPECT_TRUE(far[0].damaged);
  EXPECT_FALSE(far[0].Joined());
}

TEST(CarveRulesTest, OnAVolumeOnlyAFreeBlockCanBeginTheSecondPiece) {
  uint64_t second = 0;
  const Disk disk = Split(RandomBytes(5 * 512), second);
  struct AllButOne final : FreeBlocks {
    uint64_t used = 0;
    bool IsFree(uint64_t sector) override { return sector != used; }
  } free;
  free.used = second;
  const std::vector<CarvedFile> files = disk.Scan(&free);
  ASSERT_EQ(files.size(), 1u);
  EXPECT_TRUE(files[0].damaged);
}

}  // namespace
}  // namespace tarnwell::physical::carve
