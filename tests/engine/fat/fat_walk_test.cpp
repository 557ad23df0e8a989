// The directory walk and the chain reader over volumes built byte by byte.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "engine/fat/fat_chain.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

using testing::CraftedFat;
using testing::ScannedVolume;

constexpr uint8_t kFile = 0x20;
constexpr uint8_t kDir = 0x10;

TEST(FatChainTest, Fat12ChainAcrossSectorBoundariesAndWindows) {
  // 12 FAT sectors: entries up to cluster ~4090. Cluster 341 straddles FAT
  // sectors 0 and 1 (bytes 511-512); 3500 and 4000 lie outside the first
  // nine-sector window, so the window is reloaded.
  CraftedFat v(kFat12, 1 + 12 + 1 + 4100, 12);
  v.Chain({2, 341, 342, 3500, 4000, 5}, 0xFFF);
  ScannedVolume s(v.Take());
  const FatChain chain = ReadFatChain(s.Drive(), 2);
  EXPECT_TRUE(chain.complete);
  EXPECT_EQ(chain.clusters, (std::vector<uint32_t>{2, 341, 342, 3500, 4000, 5}));
}

TEST(FatChainTest, Fat16ReservedValuesDoNotEndAChain) {
  // Large enough that 0xFFF8 is a data cluster: the chain goes on through
  // it and ends only at 0xFFFF.
  CraftedFat v(kFat16, 1 + 256 + 1 + 65600, 256);
  v.Chain({7, 0xFFF8, 9}, 0xFFFF);
  ScannedVolume s(v.Take());
  const FatChain chain = ReadFatChain(s.Drive(), 7);
  EXPECT_TRUE(chain.complete);
  EXPECT_EQ(chain.clusters, (std::vector<uint32_t>{7, 0xFFF8, 9}));
}

TEST(FatChainTest, LoopsOutOfRangeValuesAndTheLimitStopIncomplete) {
  CraftedFat v(kFat16, 1 + 8 + 1 + 1500, 8);
  v.Chain({10, 11, 12}, 10);            // loops back
  v.Chain({20, 21}, 0x9000);            // points past the volume
  std::vector<uint32_t> longChain;
  for (uint32_t c = 100; c < 700; ++c) longChain.push_back(c);
  v.Chain(longChain, 0xFFFF);
  v.Chain({30, 31}, 0);                 // 0 ends a chain too
  ScannedVolume s(v.Take());

  const FatChain loop = ReadFatChain(s.Drive(), 10);
  EXPECT_FALSE(loop.complete);
  EXPECT_EQ(loop.clusters, (std::vector<uint32_t>{10, 11, 12}));
  const FatChain outside = ReadFatChain(s.Drive(), 20);
  EXPECT_FALSE(outside.complete);
  EXPECT_EQ(outside.clusters, (std::vector<uint32_t>{20, 21}));
  const FatChain capped = ReadFatChain(s.Drive(), 100);
  EXPECT_FALSE(capped.complete);
  EXPECT_EQ(capped.clusters.size(), 512u);
  EXPECT_EQ(capped.clusters.back(), 611u);
  const FatChain zeroEnd = ReadFatChain(s.Drive(), 30);
  EXPECT_TRUE(zeroEnd.complete);
  EXPECT_EQ(zeroEnd.clusters.size(), 2u);
}

TEST(FatWalkTest, EntryFilteringAndStatus) {
  CraftedFat v(kFat16, 1 + 8 + 1 + 200, 8);
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "VOLUME  LBL", 0x08, 0, 0);              // label: skipped
  v.Entry(root, 1, "KEEP    TXT", kFile, 20, 100);
  v.Entry(root, 2, "\xE5" "MPTY   BIN", kFile, 0, 0);       // deleted, empty: listed
  v.Entry(root, 3, "NOCLUST BIN", kFile, 0, 50);            // size but no cluster: dropped
  v.Entry(root, 4, "BADSIZE BIN", kFile, 21, 0xFFFFFFFF);   // dropped
  v.Entry(root, 5, "SIZEDDIRX  ", kDir, 22, 4096);          // existing folder with size: dropped
  // Slot 6 unused (0x00); the walk does not stop there.
  v.Entry(root, 7, "\xE5" "ELDIR     ", kDir, 30, 0);       // deleted folder
  v.Dots(30, 0);
  v.Entry(v.ClusterSector(30), 2, "INNER   TXT", kFile, 31, 10);  // not marked, parent deleted
  v.Entry(v.ClusterSector(30), 3, "DAMAGED    ", kDir, 40, 0);
  v.Fill(v.ClusterSector(40), 'x');
  v.Entry(v.ClusterSector(40), 5, "HIDDEN  TXT", kFile, 41, 10);
  ScannedVolume s(v.Take());
  ASSERT_TRUE(s.Scanned());

  std::vector<std::string> paths;
  for (const auto& e : s.Entries()) paths.push_back(ScannedVolume::PathOf(*e));
  // Sorted by parent, then by name key byte-wise: 0xE5 sorts after letters.
  EXPECT_EQ(paths, (std::vector<std::string>{"KEEP.TXT", "?ELDIR", "?MPTY.BIN", "?ELDIR/DAMAGED",
                                             "?ELDIR/INNER.TXT"}));
  EXPECT_EQ(s.Find("KEEP.TXT")->Status, kExisting);
  EXPECT_EQ(s.Find("?MPTY.BIN")->Status, kDeleted);
  EXPECT_EQ(s.Find("?ELDIR/INNER.TXT")->Status, kDeleted);
  EXPECT_EQ(s.Find("?ELDIR/DAMAGED")->Status, kDamagedFolder);
  EXPECT_EQ(s.Find("?ELDIR/INNER.TXT")->ParentCluster, 30u);
}

TEST(FatWalkTest, ShortNamesTakeTheirCaseFlagsAlikeOnEveryWidth) {
  // As mtools and Windows write them: a name lower case in one part only
  // is stored upper case with a flag for that part (0x08 base, 0x10
  // extension) instead of a long name; a name without flags is upper case.
  for (const uint8_t kind : {kFat12, kFat16, kFat32}) {
    CraftedFat v(kind, kind == kFat32 ? 1 + 8 + 200 : 1 + 8 + 1 + 200, 8);
    const uint32_t root = kind == kFat32 ? v.ClusterSector(2) : v.RootSector();
    v.Entry(root, 0, "TODO    TXT", kFile, 20, 3, 0x18);
    v.Entry(root, 1, "ONE     TXT", kFile, 21, 3, 0x00);
    v.Entry(root, 2, "LOWBASE TXT", kFile, 22, 3, 0x08);
    v.Entry(root, 3, "UPBASE  TXT", kFile, 23, 3, 0x10);
    v.Entry(root, 4, "\xE5" "ONE    MD ", kFile, 24, 3, 0x18);
    v.Entry(root, 5, "LOWDIR     ", kDir, 30, 0, 0x08);
    v.Dots(30, 0);
    v.SetFat(30, kind == kFat32 ? 0x0FFFFFFF : kind == kFat16 ? 0xFFFF : 0xFFF);
    v.Entry(v.ClusterSector(30), 2, "INNER   C  ", kFile, 25, 3, 0x18);
    ScannedVolume s(v.Take());
    ASSERT_TRUE(s.Scanned());
    std::set<std::string> paths;
    for (const auto& e : s.Entries()) paths.insert(ScannedVolume::PathOf(*e));
    EXPECT_EQ(paths, (std::set<std::string>{"todo.txt", "ONE.TXT", "lowbase.TXT", "UPBASE.txt", "?one.md",
                                            "lowdir", "lowdir/inner.c"}))
        << "kind " << int(kind);
  }
}

TEST(FatWalkTest, DeletedLongNameStaysWithItsDeletedShortEntry) {
  CraftedFat v(kFat16, 1 + 8 + 1 + 100, 8);
  const uint32_t root = v.RootSector();
  // "Lost holiday.jpg" as one deleted piece (first byte 0xE5), then the
  // deleted short entry.
  std::vector<uint8_t> piece(32, 0xFF);
  const std::u16string name = u"Lost holiday.jpg";
  const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  piece[0] = 0xE5;
  piece[11] = 0x0F;
  piece[12] = 0;
  piece[13] = 0x42;
  piece[26] = piece[27] = 0;
  for (size_t i = 0; i < 13; ++i) {
    piece[offsets[i]] = static_cast<uint8_t>(name[i]);
    piece[offsets[i] + 1] = 0;
  }
  std::vector<uint8_t> piece2(32, 0xFF);
  piece2[0] = 0xE5;
  piece2[11] = 0x0F;
  piece2[12] = 0;
  piece2[13] = 0x42;
  piece2[26] = piece2[27] = 0;
  for (size_t i = 0; i < 4; ++i) {
    piece2[offsets[i]] = static_cast<uint8_t>(i < 3 ? name[13 + i] : 0);
    piece2[offsets[i] + 1] = 0;
  }
  v.Raw(root, 0, piece2);
  v.Raw(root, 1, piece);
  v.Entry(root, 2, "\xE5" "OSTHO~1JPG", kFile, 5, 900);
  v.Entry(root, 3, "PLAIN   TXT", kFile, 8, 9);  // no long name carried over
  ScannedVolume s(v.Take());
  ASSERT_EQ(s.Entries().size(), 2u);
  const TMidEntry* lost = s.Find("Lost holiday.jpg");
  ASSERT_NE(lost, nullptr);
  EXPECT_EQ(lost->DirEntry.bytes[0], 0xE5);
  EXPECT_EQ(lost->Status, kDeleted);
  EXPECT_TRUE(s.Find("PLAIN.TXT")->LongName.empty());
}

TEST(FatWalkTest, CyclesAndSharedClustersEndAndStayBounded) {
  CraftedFat v(kFat16, 1 + 8 + 1 + 100, 8);
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "A          ", kDir, 10, 0);
  v.Dots(10, 0);
  v.SetFat(10, 0xFFFF);
  // A deleted folder inside A pointing back at A, and an existing one
  // pointing at A too: neither is walked into A again.
  v.Entry(v.ClusterSector(10), 2, "\xE5" "ELF       ", kDir, 10, 0);
  v.Entry(v.ClusterSector(10), 3, "SELF       ", kDir, 10, 0);
  v.Entry(v.ClusterSector(10), 4, "FILE    TXT", kFile, 11, 5);
  // A folder chain that loops on itself is read once per cluster.
  v.Entry(root, 1, "LOOPED     ", kDir, 20, 0);
  v.Dots(20, 0);
  v.Chain({20, 21}, 20);
  v.Entry(v.ClusterSector(21), 0, "INLOOP  TXT", kFile, 30, 5);
  ScannedVolume s(v.Take());
  ASSERT_TRUE(s.Scanned());
  // root: A, Looped; A: ?elf, Self, File.txt; the deleted ?elf is walked
  // once as a deleted folder, which lists A's entries under it (deleted).
  size_t inLoop = 0;
  for (const auto& e : s.Entries())
    if (FatEntryName(*e, false) == "INLOOP.TXT") ++inLoop;
  EXPECT_EQ(inLoop, 1u);
  EXPECT_LT(s.Entries().size(), 20u);
  EXPECT_NE(s.Find("A/SELF"), nullptr);
  EXPECT_EQ(s.Find("A/SELF/FILE.TXT"), nullptr);  // A is not walked a second time as existing
}

TEST(FatWalkTest, DeepNestingIsCapped) {
  // Each folder holds one sub-folder in the next cluster: 1500 levels.
  constexpr uint32_t kLevels = 1500;
  CraftedFat v(kFat16, 1 + 8 + 1 + kLevels + 10, 8);
  v.Entry(v.RootSector(), 0, "D          ", kDir, 2, 0);
  for (uint32_t c = 2; c < 2 + kLevels; ++c) {
    v.Dots(c, c - 1);
    v.SetFat(c, 0xFFFF);
    v.Entry(v.ClusterSector(c), 2, "D          ", kDir, c + 1, 0);
  }
  ScannedVolume s(v.Take());
  ASSERT_TRUE(s.Scanned());
  EXPECT_GT(s.Entries().size(), 1000u);
  EXPECT_LT(s.Entries().size(), kLevels);
}

TEST(FatWalkTest, FolderReadOnlyUpToItsFirst512Clusters) {
  CraftedFat v(kFat16, 1 + 8 + 1 + 700, 8);
  v.Entry(v.RootSector(), 0, "BIG        ", kDir, 2, 0);
  std::vector<uint32_t> chain;
  for (uint32_t c = 2; c < 602; ++c) chain.push_back(c);
  v.Chain(chain, 0xFFFF);
  v.Dots(2, 0);
  for (uint32_t c = 2; c < 602; ++c) {
    const std::string name = "F" + std::to_string(c);
    v.Entry(v.ClusterSector(c), 2, name + std::string(11 - name.size(), ' '), kFile, 0, 0);
  }
  ScannedVolume s(v.Take());
  EXPECT_EQ(s.Entries().size(), 1u + 512u);
  EXPECT_NE(s.Find("BIG/F513"), nullptr);
  EXPECT_EQ(s.Find("BIG/F514"), nullptr);
}

TEST(FatWalkTest, Fat32SkipsEntriesNamingTheRootAndStopsWhenAsked) {
  CraftedFat v(kFat32, 1 + 8 + 200, 8);
  const uint32_t root = v.ClusterSector(2);
  v.Entry(root, 0, "ROOTLINK   ", kDir, 2, 0);
  for (uint32_t i = 1; i < 10; ++i) {
    const std::string name = "SUB" + std::to_string(i);
    v.Entry(root, i, name + std::string(11 - name.size(), ' '), kDir, 10 + i, 0);
    v.Dots(10 + i, 0);
    v.SetFat(10 + i, 0x0FFFFFF8);
    v.Entry(v.ClusterSector(10 + i), 2, "X       TXT", kFile, 50 + i, 1);
  }
  {
    ScannedVolume s(v.Builder().Bytes());
    EXPECT_EQ(s.Find("ROOTLINK"), nullptr);
    EXPECT_EQ(s.Entries().size(), 18u);
    EXPECT_NE(s.Find("SUB3/X.TXT"), nullptr);  // FAT32 keeps case byte 0 names
  }
  // Stop pressed during the walk: the rest is not entered, what was found
  // stays sorted.
  testing::RecordingBoxes boxes;
  testing::CountingPump pump;
  TUndelete engine(boxes, pump, testing::DriveList(testing::MemoryDrive(v.Take())));
  pump.actOnCall = 8;
  pump.action = [&] { engine.RequestStop(); };
  TLogiDrive* drive = engine.Drives.front().get();
  NullStatusPanel status;
  NullProgressBar progress;
  ASSERT_TRUE(engine.ScanVolume(*drive, true, status, progress));
  EXPECT_GT(drive->FatEntries.size(), 0u);
  EXPECT_LT(drive->FatEntries.size(), 18u);
  EXPECT_FALSE(engine.Scanning);
}

}  // namespace
}  // namespace tarnwell::engine
