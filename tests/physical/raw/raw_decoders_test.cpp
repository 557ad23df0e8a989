// Crafted bytes for the raw-range scan's decoders: landmarks, directory
// chunks, the FAT kind and geometry, the bisection, the cluster-size vote
// and the filter.
#include <gtest/gtest.h>

#include "engine/filetime.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/fat_geometry_evidence.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/ntfs_found_record.h"
#include "physical/raw/raw_scan.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical::raw {
namespace {

using testing::ImageBuilder;

// A plain 8.3 entry at `index` of a directory chunk.
void PutEntry(ImageBuilder& b, size_t index, const std::string& name11, uint8_t attr, uint32_t cluster,
              uint32_t size, uint8_t caseByte = 0x18) {
  const size_t at = index * 32;
  b.PutText(at, name11).Put8(at + 11, attr).Put8(at + 12, caseByte);
  b.Put16(at + 20, static_cast<uint16_t>(cluster >> 16)).Put16(at + 26, static_cast<uint16_t>(cluster));
  b.Put32(at + 28, size);
}

// A long-name piece holding up to 13 ASCII characters.
void PutLongPiece(ImageBuilder& b, size_t index, uint8_t order, const std::string& chars, uint8_t checksum) {
  const size_t at = index * 32;
  b.Put8(at, order).Put8(at + 11, 0x0F).Put8(at + 13, checksum);
  const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (size_t i = 0; i < 13; ++i)
    b.Put16(at + offsets[i], i < chars.size() ? static_cast<uint8_t>(chars[i]) : (i == chars.size() ? 0 : 0xFFFF));
}

std::vector<std::string> Names(const std::vector<std::unique_ptr<TMidEntry>>& entries) {
  std::vector<std::string> names;
  for (const auto& e : entries) names.push_back(RawEntryName(*e));
  return names;
}

TEST(RawLandmarks, TellsDirectoryStartsAndFileRecordsApart) {
  ImageBuilder dir(512);
  dir.PutText(0, ".          ").PutText(32, "..         ");
  EXPECT_TRUE(IsDirectoryStart(dir.Bytes().data()));
  EXPECT_FALSE(HasFat32Hint(dir.Bytes().data()));
  dir.Put16(20, 1);
  EXPECT_TRUE(HasFat32Hint(dir.Bytes().data()));
  dir.Put16(24, 0xFFFF);  // month 15: no directory wrote this, so no hint
  EXPECT_FALSE(HasFat32Hint(dir.Bytes().data()));
  dir.Put16(24, 0);
  dir.PutText(33, "x");  // ".x" is not ".."
  EXPECT_FALSE(IsDirectoryStart(dir.Bytes().data()));

  ImageBuilder rec(512);
  rec.PutText(0, "FILE").Put16(20, 56).Put8(56, 0x10);
  EXPECT_TRUE(IsFileRecordStart(rec.Bytes().data()));
  rec.Put8(56, 0x30);  // first attribute is a file name
  EXPECT_FALSE(IsFileRecordStart(rec.Bytes().data()));
  rec.Put8(56, 0x10).PutText(0, "BAAD");
  EXPECT_FALSE(IsFileRecordStart(rec.Bytes().data()));
}

TEST(RawLandmarks, FatKindFollowsTheHighWordHints) {
  struct Case { uint64_t starts, hints; uint8_t kind; };
  // One folder above cluster 65,536 among many below it means FAT32.
  for (const Case c : {Case{10, 5, 2}, Case{10, 1, 2}, Case{0, 0, 2}, Case{1, 0, 2}, Case{3, 0, 1}})
    EXPECT_EQ(FatKindFromHints(c.starts, c.hints), c.kind) << c.starts << "/" << c.hints;
}

TEST(RawDirectoryChunk, ReadsEntriesUntilTheDirectoryEnds) {
  ImageBuilder b(32 * 12);
  PutEntry(b, 0, ".          ", 0x10, 0x00012345, 0);
  PutEntry(b, 1, "..         ", 0x10, 0, 0);
  PutEntry(b, 2, "README  TXT", 0x20, 7, 10);
  b.Put8(3 * 32, 0xE5);  // deleted, otherwise blank: still taken
  PutEntry(b, 4, "VOLUME     ", 0x08, 0, 0);  // a label: passed over
  PutEntry(b, 5, "NOSIZE     ", 0x20, 0, 0xFFFFFFFF);  // passed over
  PutEntry(b, 6, "LAST    BIN", 0x20, 9, 1);
  // Entry 7 blank and not deleted: the end; entry 8 would be valid.
  PutEntry(b, 8, "AFTER   BIN", 0x20, 9, 1);
  std::vector<std::unique_ptr<TMidEntry>> out;
  ParseDirectoryBytes(b.Bytes(), false, kFat32Kind, 4000, out);
  // Case byte 0x18 lowers both parts on every width, as the standard scan
  // shows the same entry.
  EXPECT_EQ(Names(out), (std::vector<std::string>{"readme.txt", "?", "last.bin"}));
  ASSERT_EQ(out.size(), 3u);
  EXPECT_EQ(out[0]->DirCluster, 0x00012345u);  // FAT32 joins the high word
  EXPECT_EQ(out[0]->DirSector, 4000u);
  out.clear();
  ParseDirectoryBytes(b.Bytes(), false, kFat1216, 4000, out);
  EXPECT_EQ(out[0]->DirCluster, 0x2345u);
  EXPECT_EQ(Names(out), (std::vector<std::string>{"readme.txt", "?", "last.bin"}));
}

TEST(RawDirectoryChunk, StopsAtWhatCannotBeAnEntry) {
  struct Case { const char* what; size_t offset; uint16_t value; size_t expected; };
  const Case cases[] = {
      {"month 13 in the modification date", 24, (44 << 9) | (13 << 5) | 1, 1},
      {"minute 60 in the creation time", 14, (60 << 5), 1},
      {"attribute 0x38", 11, 0x38, 1},
      {"a new directory begins", 0, 0x202E, 1},
      {"valid stamps", 24, (44 << 9) | (3 << 5) | 1, 2},
  };
  for (const Case& c : cases) {
    ImageBuilder b(32 * 3);
    PutEntry(b, 0, "FIRST   TXT", 0x20, 3, 1);
    PutEntry(b, 1, "SECOND  TXT", 0x20, 4, 1);
    if (c.offset == 0) b.PutText(32, ".          ");
    else if (c.offset == 11) b.Put8(32 + 11, static_cast<uint8_t>(c.value));
    else b.Put16(32 + c.offset, c.value);
    std::vector<std::unique_ptr<TMidEntry>> out;
    ParseDirectoryBytes(b.Bytes(), true, kFat1216, 19, out);
    EXPECT_EQ(out.size(), c.expected) << c.what;
    if (!out.empty()) {
      EXPECT_EQ(out[0]->DirCluster, 2u) << "a root chunk is cluster 2";
    }
  }
}

TEST(RawDirectoryChunk, AssemblesLongNamesByChecksum) {
  ImageBuilder b(32 * 8);
  // "A rather long file name.txt" over three pieces, stored last-first.
  PutLongPiece(b, 2, 0x01, "A rather long", 0x5A);
  PutLongPiece(b, 1, 0x02, " file name.tx", 0x5A);
  PutLongPiece(b, 0, 0x43, "t", 0x5A);
  PutEntry(b, 3, "ARATHE~1TXT", 0x20, 5, 1);
  // A piece of another name, then one with a new checksum: a new name.
  PutLongPiece(b, 4, 0x41, "stale", 0x11);
  PutLongPiece(b, 5, 0x41, "fresh.bin", 0x22);
  PutEntry(b, 6, "FRESH   BIN", 0x20, 6, 1);
  PutEntry(b, 7, "PLAIN   BIN", 0x20, 7, 1, 0x00);
  std::vector<std::unique_ptr<TMidEntry>> out;
  ParseDirectoryBytes(b.Bytes(), true, kFat1216, 19, out);
  EXPECT_EQ(Names(out), (std::vector<std::string>{"A rather long file name.txt", "fresh.bin", "PLAIN.BIN"}));
}

class RawGeometryTest : public DiskModelTest {
 protected:
  void SetUp() override {
    drive = DiskOf(std::vector<uint8_t>(512 * 64));
    ASSERT_TRUE(drive);
    drive->CurrentPartition = &drive->WholeDisk();
  }
  TMidEntry& Add(uint32_t cluster, uint32_t sector) {
    auto e = std::make_unique<TMidEntry>();
    e->DirCluster = cluster;
    e->DirSector = sector;
    drive->WholeDisk().FatEntries.push_back(std::move(e));
    return *drive->WholeDisk().FatEntries.back();
  }
  std::unique_ptr<TPhysicalDrive> drive;
};

TEST_F(RawGeometryTest, WorksOutClusterSizeAndDataStartFromTwoDirectories) {
  Add(5, 1063);
  Add(5, 1063);
  Add(9, 1095);
  EXPECT_TRUE(CalibrateFat(*drive));
  EXPECT_EQ(drive->WholeDisk().FatClusterSectors, 8u);
  EXPECT_EQ(drive->WholeDisk().FatDataStart, 1039u);
  EXPECT_EQ(ClusterSector(drive->WholeDisk(), 9), 1095u);
}

TEST_F(RawGeometryTest, APairOrderedDifferentlyChangesNothing) {
  TMidEntry& a = Add(5, 1063);
  TMidEntry& b = Add(9, 1000);
  drive->WholeDisk().FatClusterSectors = 4;
  drive->WholeDisk().FatDataStart = 100;
  EXPECT_FALSE(CalibrateFat(*drive, &a, &b));
  EXPECT_FALSE(CalibrateFat(*drive, &a, &a));
  EXPECT_EQ(drive->WholeDisk().FatClusterSectors, 4u);
  EXPECT_EQ(drive->WholeDisk().FatDataStart, 100u);
  EXPECT_TRUE(CalibrateFat(*drive, &b, &Add(3, 1060)) == false);
}

TEST_F(RawGeometryTest, FallsBackOnTheDefaultTable) {
  // Closer in sectors than in clusters: no sound geometry, so the default
  // for a 0 MB disk applies from the first entry.
  Add(10, 500);
  Add(20, 505);
  drive->WholeDisk().FatKind = kFat32Kind;
  EXPECT_TRUE(CalibrateFat(*drive));
  EXPECT_EQ(drive->WholeDisk().FatClusterSectors, 1u);
  EXPECT_EQ(drive->WholeDisk().FatDataStart, 492u);
  drive->WholeDisk().FatEntries.clear();
  EXPECT_FALSE(CalibrateFat(*drive));
  EXPECT_EQ(drive->WholeDisk().FatDataStart, kDataStartUnknown);
  EXPECT_EQ(ClusterSector(drive->WholeDisk(), 9), std::nullopt) << "never used as an address";
}

// A boot sector as mkfs.fat writes one: FAT32 when the 16-bit FAT size
// and the root entry count are zero.
ImageBuilder BootSector(uint8_t clusterSectors, uint16_t reserved, uint16_t rootEntries, uint16_t fatSize16,
                        uint32_t fatSize32) {
  ImageBuilder b(512);
  b.PutBytes(0, testing::Hex("EB 58 90")).Put16(11, 512).Put8(13, clusterSectors).Put16(14, reserved);
  b.Put8(16, 2).Put16(17, rootEntries).Put16(22, fatSize16).Put32(32, 81920).Put32(36, fatSize32);
  b.Put32(44, 2).Put8(510, 0x55).Put8(511, 0xAA);
  return b;
}

TEST(RawGeometryEvidence, BootSectorsGiveTheGeometryOnlyWhenEveryFieldIsPossible) {
  // The reformatted FAT32 partition of a GPT disk: 32 reserved, two FATs
  // of 1009 sectors, so cluster 2 at 2050 from the partition's start.
  const auto fat32 = GeometryFromBootSector(BootSector(1, 32, 0, 0, 1009).Bytes(), 2048);
  ASSERT_TRUE(fat32);
  EXPECT_EQ(*fat32, (FatGeometry{1, 2048 + 2050, 2}));
  // FAT16: 4 reserved, two FATs of 100, 512 root entries (32 sectors).
  EXPECT_EQ(GeometryFromBootSector(BootSector(4, 4, 512, 100, 0).Bytes(), 0), (FatGeometry{4, 236, 1}));
  struct Case { const char* what; size_t offset; uint8_t value; };
  for (const Case c : {Case{"three sectors a cluster", 13, 3}, Case{"no reserved sectors", 14, 0},
                       Case{"no FAT", 16, 0}, Case{"no 55 AA", 510, 0}, Case{"no jump", 0, 0},
                       Case{"4096-byte sectors", 12, 0x10}}) {
    ImageBuilder b = BootSector(8, 32, 0, 0, 1009);
    b.Put8(c.offset, c.value);
    EXPECT_FALSE(GeometryFromBootSector(b.Bytes(), 0)) << c.what;
  }
  // An NTFS boot sector (no reserved sectors, no FAT) gives none.
  ImageBuilder ntfs = BootSector(8, 0, 0, 0, 0);
  EXPECT_FALSE(GeometryFromBootSector(ntfs.Bytes(), 0));
  EXPECT_FALSE(GeometryFromBootSector(std::vector<uint8_t>(100, 0xEB), 0)) << "too short";
}

TEST(RawGeometryEvidence, FoldersChooseTheGeometryThatPlacesMostOfThem) {
  // Clusters 5 and 9 at sectors 1063 and 1095: 8 sectors a cluster, cluster
  // 2 at 1039; a stale copy of a folder elsewhere does not move it.
  const std::vector<FolderLandmark> folders{{1063, 5}, {1095, 9}, {1300, 5}, {1039 + 8 * 98, 100}};
  size_t placed = 0;
  const auto g = GeometryFromFolders(folders, 2, placed);
  ASSERT_TRUE(g);
  EXPECT_EQ(*g, (FatGeometry{8, 1039, 2}));
  EXPECT_EQ(placed, 3u);
  EXPECT_EQ(FoldersPlaced(*g, folders), 3u);
  EXPECT_EQ(FoldersPlaced(FatGeometry{4, 1051, 2}, folders), 1u);
  // One folder, or folders no power-of-two cluster places together: none.
  EXPECT_FALSE(GeometryFromFolders(std::vector<FolderLandmark>{{1063, 5}}, 2, placed));
  EXPECT_FALSE(GeometryFromFolders(std::vector<FolderLandmark>{{1063, 5}, {1066, 6}}, 2, placed));
  EXPECT_EQ(placed, 0u);
  // Cluster numbers below 2, or that would put cluster 2 before sector 0,
  // place nothing.
  EXPECT_FALSE(GeometryFromFolders(std::vector<FolderLandmark>{{10, 0}, {20, 1}, {5, 900}, {6, 901}}, 2, placed));
}

TEST(RawGeometry, DefaultClusterSizesByVolumeSize) {
  struct Case { uint8_t kind; uint64_t mb; uint32_t sectors; };
  for (const Case c : {Case{1, 10000, 512}, Case{1, 8192, 512}, Case{1, 300, 16}, Case{1, 16, 4}, Case{1, 15, 8},
                       Case{0, 0, 8}, Case{2, 20000, 32}, Case{2, 1025, 8}, Case{2, 1024, 8}, Case{2, 100, 2},
                       Case{2, 32, 1}, Case{2, 31, 1}})
    EXPECT_EQ(DefaultClusterSectors(c.kind, c.mb), c.sectors) << int(c.kind) << " " << c.mb;
}

TEST(RawLookup, BisectionFindsTheWholeRun) {
  const std::vector<uint64_t> keys = {5, 7, 7, 7, 9};
  auto key = [&](size_t i) { return keys[i]; };
  int first = 0, last = 0;
  EXPECT_TRUE(BisectRange(keys.size(), key, 7, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(1, 3));
  EXPECT_FALSE(BisectRange(keys.size(), key, 6, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(-1, -1));
  EXPECT_TRUE(BisectRange(keys.size(), key, 5, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(0, 0));
  EXPECT_TRUE(BisectRange(keys.size(), key, 9, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(4, 4));
  EXPECT_FALSE(BisectRange(0, key, 9, first, last));
  const std::vector<uint64_t> one = {4};
  EXPECT_TRUE(BisectRange(1, [&](size_t i) { return one[i]; }, 4, first, last));
  EXPECT_EQ(std::make_pair(first, last), std::make_pair(0, 0));
  // Every run of a longer list, against a linear count.
  std::vector<uint64_t> many;
  for (uint64_t k = 0; k < 300; ++k)
    for (uint64_t n = 0; n < k % 5; ++n) many.push_back(k);
  for (uint64_t k = 0; k < 300; ++k) {
    const auto lo = std::lower_bound(many.begin(), many.end(), k) - many.begin();
    const auto hi = std::upper_bound(many.begin(), many.end(), k) - many.begin();
    const bool found = BisectRange(many.size(), [&](size_t i) { return many[i]; }, k, first, last);
    EXPECT_EQ(found, lo != hi) << k;
    if (found) {
      EXPECT_EQ(std::make_pair(first, last), std::make_pair(int(lo), int(hi - 1))) << k;
    }
  }
}

TEST(RawVote, TiesGoToTheSmallerSize) {
  struct Case { ClusterVotes votes; uint32_t sectors; };
  for (const Case& c : {Case{{0, 0, 3, 3, 0}, 4}, Case{{0, 0, 0, 0, 0}, 1}, Case{{0, 0, 0, 1, 0}, 8},
                        Case{{1, 0, 0, 0, 2}, 16}, Case{{2, 0, 0, 0, 2}, 1}, Case{{0, 5, 0, 0, 1}, 2}})
    EXPECT_EQ(VotedClusterSectors(c.votes), c.sectors);
}

class RawFilterTest : public RawGeometryTest {
 protected:
  TMidEntry& AddNamed(uint32_t sector, const std::string& name11, uint32_t size, uint16_t modDate) {
    TMidEntry& e = Add(2, sector);
    std::copy(name11.begin(), name11.end(), e.DirEntry.bytes.begin());
    StoreLE32(&e.DirEntry.bytes[28], size);
    StoreLE16(&e.DirEntry.bytes[24], modDate);
    return e;
  }
  std::vector<std::string> Matches() const {
    std::vector<std::string> names;
    for (const TMidEntry* e : drive->WholeDisk().FatMatches) names.push_back(RawEntryName(*e));
    return names;
  }
};

TEST_F(RawFilterTest, PatternsSizesAndDates) {
  const uint16_t march2024 = (44 << 9) | (3 << 5) | 1;
  AddNamed(100, "REPORT  DOC", 10, march2024).LongName = "report.doc";
  AddNamed(100, "SHEET   XLS", 5000, march2024);
  AddNamed(200, "PHOTO   JPG", 70000, 0xFFFF);  // invalid date
  FilterCriteria c;
  c.patterns = "*.doc,*.xls";
  ASSERT_TRUE(FilterItems(*drive, 0, c));
  EXPECT_EQ(Matches(), (std::vector<std::string>{"report.doc", "SHEET.XLS"}));
  c.patterns = "*.DOC";
  FilterItems(*drive, 0, c);
  EXPECT_EQ(Matches(), (std::vector<std::string>{"report.doc"}));
  c.caseSensitive = true;
  FilterItems(*drive, 0, c);
  EXPECT_TRUE(Matches().empty());

  c = FilterCriteria{};
  c.minSize = -1;
  c.maxSize = 1;
  FilterItems(*drive, 0, c);
  EXPECT_EQ(Matches().size(), 3u) << "a negative minimum switches the size test off";
  c.minSize = 100;
  c.maxSize = 70000;
  FilterItems(*drive, 0, c);
  EXPECT_EQ(Matches(), (std::vector<std::string>{"SHEET.XLS", "PHOTO.JPG"}));

  c = FilterCriteria{};
  c.dateKind = 1;
  c.dateFrom = engine::DaysFromCivil(2024, 4, 1);
  c.dateTo = engine::DaysFromCivil(2025, 1, 1);
  FilterItems(*drive, 0, c);
  EXPECT_EQ(Matches(), (std::vector<std::string>{"PHOTO.JPG"})) << "an invalid date passes";
  c.folderKey = 100;
  c.dateFrom = 0;
  FilterItems(*drive, 0, c);
  EXPECT_EQ(Matches().size(), 2u);
  c.folderKey = 150;
  FilterItems(*drive, 0, c);
  EXPECT_TRUE(Matches().empty());
}

}  // namespace
}  // namespace tarnwell::physical::raw

namespace tarnwell::physical::raw {
namespace {

TEST(DropMirrorCopies, KeepsOneOfEachMirroredRecordAndEverythingElse) {
  auto record = [](int64_t, const char* name, int64_t dataStart, int64_t size) {
    auto r = std::make_unique<engine::tntfsfilerecord>();
    r->Name = name;
    r->DataStart = dataStart;
    r->DataSize = r->AllocatedSize = size;
    r->RecordFlags = 1;
    return r;
  };
  std::vector<std::unique_ptr<engine::tntfsfilerecord>> records;
  records.push_back(record(0, "$MFT", 4, 65536));
  records.push_back(record(3, "$Volume", -100, 0));   // resident: minus its own sector
  records.push_back(record(0, "$MFT", 4, 65536));     // the mirror's copies
  records.push_back(record(3, "$Volume", -900, 0));
  records.push_back(record(0, "$MFT", 8000, 65536));  // another volume's MFT
  records.push_back(record(5, "a.txt", -120, 0));     // beyond the mirror: never dropped
  records.push_back(record(5, "a.txt", -120, 0));
  DropMirrorCopies(records);
  ASSERT_EQ(records.size(), 5u);
  EXPECT_EQ(records[2]->DataStart, 8000);
  EXPECT_EQ(records[3]->Name, "a.txt");
  EXPECT_EQ(records[4]->Name, "a.txt");
}

}  // namespace
}  // namespace tarnwell::physical::raw
