#include <gtest/gtest.h>

#include <memory>

#include "disk/file_sector_source.h"
#include "disk/memory_sector_source.h"
#include "tests/disk/numbered_sectors.h"
#include "tests/support/fixtures.h"

namespace tarnwell::disk {
namespace {

using testing::NumberedSectors;
using testing::SectorNumberAt;

// The same bytes behind both kinds of source, so that file and memory
// sources are held to one behaviour.
struct Sources {
  std::unique_ptr<SectorSource> file, memory;
};

Sources MakeSources(const std::vector<uint8_t>& bytes, uint64_t offset, uint64_t length) {
  const std::string path = testing::WriteTempImage(bytes, "src", "image.bin");
  Sources s;
  s.file = FileSectorSource::Open(path, offset, length);
  s.memory = std::make_unique<MemorySectorSource>(
      std::make_shared<const std::vector<uint8_t>>(bytes), offset, length);
  return s;
}

struct ReadCase {
  const char* what;
  uint64_t lba;
  uint32_t count;
  bool ok;
  uint32_t bytes;
  uint32_t firstSector;  // number carried by the first sector read
};

// A 10-sector source followed by 100 bytes of a partial sector.
TEST(SectorSource, ShortReadsNearTheEndReportTheBytesThatArrived) {
  const ReadCase cases[] = {
      {"whole source", 0, 10, true, 10 * 512, 0},
      {"whole source and the tail", 0, 11, true, 10 * 512 + 100, 0},
      {"inside", 3, 2, true, 1024, 3},
      {"crosses the end", 8, 4, true, 2 * 512 + 100, 8},
      {"partial last sector", 10, 1, true, 100, UINT32_MAX},
      {"just past the end", 11, 1, true, 0, UINT32_MAX},
      {"far past the end", 1u << 30, 8, true, 0, UINT32_MAX},
      {"zero sectors", 2, 0, true, 0, UINT32_MAX},
  };
  const auto bytes = NumberedSectors(10, 100);
  Sources sources = MakeSources(bytes, 0, bytes.size());
  ASSERT_TRUE(sources.file);
  for (SectorSource* source : {sources.file.get(), sources.memory.get()}) {
    EXPECT_EQ(source->SectorCount(), 10u);
    for (const ReadCase& c : cases) {
      std::vector<uint8_t> buffer(static_cast<size_t>(c.count) * 512 + 512, 0xAA);
      uint32_t got = 12345;
      EXPECT_EQ(source->Read(c.lba, c.count, buffer.data(), got), c.ok) << c.what;
      EXPECT_EQ(got, c.bytes) << c.what;
      if (c.firstSector != UINT32_MAX) {
        EXPECT_EQ(SectorNumberAt(buffer.data()), c.firstSector) << c.what;
      }
      // Nothing is written past the bytes that arrived.
      EXPECT_EQ(buffer[got], 0xAA) << c.what;
    }
  }
}

// A partition is a window on its disk: reads start at the window and never
// spill into the next partition.
TEST(SectorSource, WindowKeepsReadsInsideThePartition) {
  const auto bytes = NumberedSectors(20);
  Sources sources = MakeSources(bytes, 4 * 512, 6 * 512);
  ASSERT_TRUE(sources.file);
  for (SectorSource* source : {sources.file.get(), sources.memory.get()}) {
    EXPECT_EQ(source->SectorCount(), 6u);
    std::vector<uint8_t> buffer(8 * 512, 0xAA);
    uint32_t got = 0;
    ASSERT_TRUE(source->Read(0, 1, buffer.data(), got));
    EXPECT_EQ(SectorNumberAt(buffer.data()), 4u);
    ASSERT_TRUE(source->Read(4, 8, buffer.data(), got));
    EXPECT_EQ(got, 2u * 512);
    EXPECT_EQ(SectorNumberAt(buffer.data() + 512), 9u);
    EXPECT_EQ(buffer[1024], 0xAA);
  }
}

TEST(SectorSource, RefusesMoreThanASixteenBitCount) {
  const auto bytes = NumberedSectors(4);
  Sources sources = MakeSources(bytes, 0, bytes.size());
  ASSERT_TRUE(sources.file);
  for (SectorSource* source : {sources.file.get(), sources.memory.get()}) {
    uint8_t one[512];
    uint32_t got = 1;
    EXPECT_FALSE(source->Read(0, kMaxSectorsPerRead + 1, one, got));
    EXPECT_EQ(got, 0u);
  }
}

// A memory window reaching past its bytes is clipped rather than trusted.
TEST(SectorSource, MemoryWindowLargerThanItsBytesIsClipped) {
  MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(NumberedSectors(3)),
                            2 * 512, 100 * 512);
  EXPECT_EQ(source.SectorCount(), 1u);
  MemorySectorSource beyond(std::make_shared<const std::vector<uint8_t>>(NumberedSectors(3)),
                            50 * 512, 10 * 512);
  EXPECT_EQ(beyond.SectorCount(), 0u);
  uint8_t sector[512];
  uint32_t got = 1;
  EXPECT_TRUE(beyond.Read(0, 1, sector, got));
  EXPECT_EQ(got, 0u);
}

TEST(SectorSource, MissingFileDoesNotOpen) {
  EXPECT_EQ(FileSectorSource::Open("/nonexistent/tarnwell/image.img", 0, 512), nullptr);
}

}  // namespace
}  // namespace tarnwell::disk
