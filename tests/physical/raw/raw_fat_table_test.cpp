// The FAT of a boot sector left in a raw-scanned range: where it lies and
// how far a folder's chain in it is followed, over crafted bytes.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "common/little_endian.h"
#include "disk/memory_sector_source.h"
#include "physical/raw/raw_fat_table.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kReserved = 32;
constexpr uint32_t kFatSectors = 8;

// A FAT32 volume of 4,000 sectors at sector 0, one sector a cluster, two
// FATs of 8 sectors; cluster 2 at 48. Entry 0 holds the media byte F8.
std::vector<uint8_t> Fat32Volume() {
  std::vector<uint8_t> v(4000 * 512, 0);
  uint8_t* b = v.data();
  b[0] = 0xEB;
  StoreLE16(b + 0x0B, 512);
  b[0x0D] = 1;
  StoreLE16(b + 0x0E, kReserved);
  b[0x10] = 2;
  StoreLE32(b + 0x20, 4000);
  StoreLE32(b + 0x24, kFatSectors);
  StoreLE32(b + 0x2C, 2);
  b[510] = 0x55;
  b[511] = 0xAA;
  StoreLE32(b + kReserved * 512, 0x0FFFFFF8);
  StoreLE32(b + kReserved * 512 + 4, 0x0FFFFFFF);
  return v;
}

void SetEntry(std::vector<uint8_t>& v, uint32_t c, uint32_t value) { StoreLE32(v.data() + kReserved * 512 + c * 4, value); }

struct Walk {
  std::vector<uint32_t> clusters;
  bool chained, ended;
};

Walk WalkFrom(const std::vector<uint8_t>& v, uint32_t first, size_t limit = 100) {
  const auto where = FatTableFromBootSector({v.data(), 512}, 0);
  EXPECT_TRUE(where);
  if (!where) return {};
  disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(v), 0, v.size());
  RawFatTable fat(source, *where);
  EXPECT_TRUE(fat.LooksFormatted());
  const FolderChain chain = FollowFolderChain(fat, first, limit);
  return {chain.clusters, chain.chained, chain.ended};
}

TEST(RawFatTableTest, ABootSectorLocatesItsFat) {
  const auto v = Fat32Volume();
  const auto where = FatTableFromBootSector({v.data(), 512}, 0);
  ASSERT_TRUE(where);
  EXPECT_EQ(where->firstSector, kReserved);
  EXPECT_EQ(where->sectors, kFatSectors);
  EXPECT_EQ(where->entryBits, 32);
  EXPECT_EQ(where->rootCluster, 2u);
  EXPECT_EQ(where->geometry.dataStart, kReserved + 2 * kFatSectors);
  // 3,952 data sectors make clusters 2 to 3,953; 8 FAT sectors hold
  // entries for clusters up to 1,023 only.
  EXPECT_EQ(where->maxCluster, 1023u);
  const auto moved = FatTableFromBootSector({v.data(), 512}, 1000);
  ASSERT_TRUE(moved);
  EXPECT_EQ(moved->firstSector, 1000 + kReserved);
}

TEST(RawFatTableTest, ChainsAreFollowedOnlyAsFarAsTheirValuesHold) {
  struct Case {
    const char* what;
    std::vector<std::pair<uint32_t, uint32_t>> entries;  // cluster -> value
    uint32_t first;
    std::vector<uint32_t> clusters;
    bool chained, ended;
  };
  const std::vector<Case> cases = {
      {"one cluster", {{5, 0x0FFFFFFF}}, 5, {}, true, true},
      {"three clusters, not in order", {{5, 9}, {9, 7}, {7, 0x0FFFFFF8}}, 5, {9, 7}, true, true},
      {"the top four bits are not part of the value", {{5, 0xF0000006}, {6, 0xFFFFFFFF}}, 5, {6}, true, true},
      {"free: a deleted folder or a new FAT", {}, 5, {}, false, false},
      {"a loop back to the first", {{5, 6}, {6, 5}}, 5, {6}, true, false},
      {"a loop inside", {{5, 6}, {6, 7}, {7, 6}}, 5, {6, 7}, true, false},
      {"a value past the FAT", {{5, 6}, {6, 5000}}, 5, {6}, true, false},
      {"a value below cluster 2", {{5, 1}}, 5, {}, true, false},
      {"a free cluster in the middle", {{5, 6}}, 5, {6}, true, false},
      {"a first cluster past the FAT", {}, 5000, {}, false, false},
  };
  for (const Case& c : cases) {
    auto v = Fat32Volume();
    for (const auto& [cluster, value] : c.entries) SetEntry(v, cluster, value);
    const Walk w = WalkFrom(v, c.first);
    EXPECT_EQ(w.clusters, c.clusters) << c.what;
    EXPECT_EQ(w.chained, c.chained) << c.what;
    EXPECT_EQ(w.ended, c.ended) << c.what;
  }
}

TEST(RawFatTableTest, AChainLongerThanAFolderCanBeStopsAtTheLimit) {
  auto v = Fat32Volume();
  for (uint32_t c = 10; c < 1000; ++c) SetEntry(v, c, c + 1);
  const Walk w = WalkFrom(v, 10, 64);
  EXPECT_EQ(w.clusters.size(), 64u);
  EXPECT_FALSE(w.ended);
}

TEST(RawFatTableTest, OtherDataWhereTheFatShouldBeIsNotTakenForOne) {
  auto v = Fat32Volume();
  StoreLE32(v.data() + kReserved * 512, 0x41414141);
  const auto where = FatTableFromBootSector({v.data(), 512}, 0);
  ASSERT_TRUE(where);
  disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(v), 0, v.size());
  RawFatTable fat(source, *where);
  EXPECT_FALSE(fat.LooksFormatted());
}

TEST(RawFatTableTest, Fat12EntriesShareBytes) {
  // A FAT12 floppy: 2,880 sectors, one a cluster, one reserved, two FATs
  // of 9 sectors, 224 root entries. Cluster 3 -> 4 -> 5 -> end.
  std::vector<uint8_t> v(2880 * 512, 0);
  uint8_t* b = v.data();
  b[0] = 0xEB;
  StoreLE16(b + 0x0B, 512);
  b[0x0D] = 1;
  StoreLE16(b + 0x0E, 1);
  b[0x10] = 2;
  StoreLE16(b + 0x11, 224);
  StoreLE16(b + 0x13, 2880);
  StoreLE16(b + 0x16, 9);
  b[510] = 0x55;
  b[511] = 0xAA;
  // F0 FF FF | 00 40 00 | 05 F0 FF: entries 0-1, 2 (0) and 3 (4), 4 (5) and 5 (end).
  const uint8_t fat[] = {0xF0, 0xFF, 0xFF, 0x00, 0x40, 0x00, 0x05, 0xF0, 0xFF};
  std::copy(std::begin(fat), std::end(fat), v.begin() + 512);
  const auto where = FatTableFromBootSector({v.data(), 512}, 0);
  ASSERT_TRUE(where);
  EXPECT_EQ(where->entryBits, 12);
  disk::MemorySectorSource source(std::make_shared<const std::vector<uint8_t>>(v), 0, v.size());
  RawFatTable fat12(source, *where);
  EXPECT_TRUE(fat12.LooksFormatted());
  const FolderChain chain = FollowFolderChain(fat12, 3, 10);
  EXPECT_EQ(chain.clusters, (std::vector<uint32_t>{4, 5}));
  EXPECT_TRUE(chain.ended);
}

}  // namespace
}  // namespace tarnwell::physical::raw
