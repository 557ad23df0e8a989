// The signature scan over the sample image and the FAT16 card: every file
// found where it begins and as long as it is, the two-piece picture
// joined, the overwritten one reported damaged, nothing else reported;
// the same whatever the chunks and however they are read.
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "disk/file_sector_source.h"
#include "disk/memory_sector_source.h"
#include "engine/window_interfaces.h"
#include "physical/carve/carve_scan.h"
#include "physical/carve/volume_free_space.h"
#include "tests/physical/carve/carve_samples.h"
#include "tests/support/fixtures.h"

namespace tarnwell::physical::carve {
namespace {

std::unique_ptr<disk::SectorSource> SamplesInMemory() {
  const auto& image = testing::CarveSamplesImage();
  return std::make_unique<disk::MemorySectorSource>(std::make_shared<const std::vector<uint8_t>>(image), 0,
                                                    image.size());
}

std::vector<CarvedFile> ScanAll(disk::SectorSource& source, const CarveArea& area, CarveCounts* counts = nullptr,
                                FamilySet families = kAllFamilies, bool stop = false) {
  engine::NullProgressBar progress;
  engine::NullMessagePump pump;
  CarveCounts own;
  return ScanArea(source, area, families, progress, pump, stop, counts ? *counts : own);
}

// The scan driven by hand with small chunks, read by copy: files and text
// runs cross chunk boundaries, and chunks inside a file are skipped.
std::vector<CarvedFile> ScanInChunks(disk::SectorSource& source, const CarveArea& area, uint32_t chunkSectors) {
  CarveScanner scanner(source, area, kAllFamilies);
  raw::RangeChunks chunks(source, area.first, area.end, chunkSectors);
  raw::RangeChunk chunk;
  while (chunks.Next(chunk)) {
    scanner.TakeChunk(chunks, chunk);
    chunks.SkipTo(scanner.NextStart());
  }
  engine::NullMessagePump pump;
  scanner.Finish(pump, false);
  return scanner.Files();
}

void ExpectEverySampleFound(const std::vector<CarvedFile>& files) {
  std::map<uint64_t, const CarvedFile*> bySector;
  for (const CarvedFile& f : files) bySector[f.sector] = &f;
  size_t expected = 0;
  for (const testing::CarveSample& s : testing::CarveSamples()) {
    ++expected;
    const auto it = bySector.find(s.sector);
    ASSERT_NE(it, bySector.end()) << s.name << " not found at " << s.sector;
    const CarvedFile& f = *it->second;
    if (s.state == "whole") {
      EXPECT_FALSE(f.damaged) << s.name;
      EXPECT_FALSE(f.Joined()) << s.name;
      EXPECT_EQ(f.length, s.size) << s.name;
    } else if (s.state.starts_with("fragmented:")) {
      EXPECT_TRUE(f.Joined()) << s.name;
      EXPECT_EQ(f.secondSector, std::stoull(s.state.substr(11))) << s.name;
      EXPECT_EQ(f.length, s.size) << s.name;
      EXPECT_EQ(f.firstPieceBytes % 512, 0u) << s.name;
    } else {
      ASSERT_TRUE(s.state.starts_with("damaged:"));
      EXPECT_TRUE(f.damaged) << s.name;
      EXPECT_EQ(f.length, std::stoull(s.state.substr(8))) << s.name;
    }
  }
  // Nothing else: no chance matches in the random bytes between the files,
  // no thumbnail, no second piece taken for a file of its own.
  EXPECT_EQ(files.size(), expected);
}

TEST(CarveScanTest, FindsEverySampleWithItsTrueLengthAndNothingElse) {
  const auto source = SamplesInMemory();
  const CarveArea area{0, source->SectorCount(), 1, nullptr};
  CarveCounts counts;
  const std::vector<CarvedFile> files = ScanAll(*source, area, &counts);
  ExpectEverySampleFound(files);
  EXPECT_EQ(counts.unreadableSectors, 0u);
  EXPECT_FALSE(counts.stopped);
}

TEST(CarveScanTest, MappedChunksAndSmallCopiedChunksFindTheSame) {
  const auto memory = SamplesInMemory();
  const CarveArea area{0, memory->SectorCount(), 1, nullptr};
  const std::vector<CarvedFile> reference = ScanAll(*memory, area);
  const auto mapped = disk::FileSectorSource::Open(testing::FixturePath("carve/samples.img"), 0,
                                                   testing::CarveSamplesImage().size());
  ASSERT_TRUE(mapped);
  for (const std::vector<CarvedFile>& other : {ScanAll(*mapped, area), ScanInChunks(*memory, area, 7)}) {
    ASSERT_EQ(other.size(), reference.size());
    for (size_t i = 0; i < other.size(); ++i) {
      EXPECT_EQ(other[i].sector, reference[i].sector);
      EXPECT_EQ(other[i].length, reference[i].length);
      EXPECT_STREQ(other[i].extension, reference[i].extension);
    }
  }
}

TEST(CarveScanTest, OnlyTheTypesAskedForAreFollowed) {
  const auto source = SamplesInMemory();
  const std::vector<CarvedFile> files =
      ScanAll(*source, {0, source->SectorCount(), 1, nullptr}, nullptr, Bit(Family::kPng) | Bit(Family::kGif));
  ASSERT_EQ(files.size(), 6u);  // four PNG samples, the PNG between the pieces, the GIF
  for (const CarvedFile& f : files) EXPECT_TRUE(f.family == Family::kPng || f.family == Family::kGif);
}

TEST(CarveScanTest, AStopEndsTheScanAndSaysSo) {
  const auto source = SamplesInMemory();
  CarveCounts counts;
  const std::vector<CarvedFile> files =
      ScanAll(*source, {0, source->SectorCount(), 1, nullptr}, &counts, kAllFamilies, true);
  EXPECT_TRUE(counts.stopped);
  EXPECT_TRUE(files.empty());
}

TEST(CarveScanTest, OnAVolumeOnlyItsFreeClustersAreSearched) {
  // The card's deleted files lie in free clusters and are found; the ones
  // it still holds are not (its own file system gives them back).
  const auto card = disk::FileSectorSource::Open(testing::FixturePath("carve/card.img"), 0, 16 << 20);
  ASSERT_TRUE(card);
  const std::unique_ptr<VolumeFreeSpace> free = OpenVolumeFreeSpace(*card);
  ASSERT_TRUE(free);
  EXPECT_STREQ(free->FileSystem(), "FAT16");
  EXPECT_EQ(free->ClusterSectors(), 4u);
  const std::vector<CarvedFile> files =
      ScanAll(*card, {free->FirstSector(), free->EndSector(), free->ClusterSectors(), free.get()});
  std::map<std::string, uint64_t> deleted;
  for (const testing::ManifestRow& row : testing::ManifestRows("carve/MANIFEST"))
    if (row.image == "card.img" && row.state == "deleted") deleted[row.sha256] = row.size;
  ASSERT_EQ(files.size(), deleted.size());
  for (const CarvedFile& f : files) {
    EXPECT_FALSE(f.damaged);
    EXPECT_EQ((f.sector - free->FirstSector()) % 4, 0u);  // clusters begin files
    EXPECT_TRUE(free->IsFree(f.sector));
  }
  // Searching every block finds the kept ones too, in used clusters.
  const std::vector<CarvedFile> everything = ScanAll(*card, {0, card->SectorCount(), 1, nullptr});
  size_t used = 0;
  for (const CarvedFile& f : everything) used += free->IsFree(f.sector) ? 0 : 1;
  EXPECT_EQ(used, 6u);
}

}  // namespace
}  // namespace tarnwell::physical::carve
