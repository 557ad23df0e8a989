// The raw-range scan on images made by real tools whose boot sectors and
// tables can no longer be trusted, on two corpus images, and on crafted
// disks for the stop, read-failure and loop cases.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "engine/entry_helpers.h"
#include "engine/recovery/output_path.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "platform/unique_fd.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical::raw {
namespace {

namespace fs = std::filesystem;
using platform::SystemText;

engine::OutputFolder Dest(const std::string& path) {
  std::optional<engine::OutputFolder> folder = engine::OutputFolder::Open(path);
  EXPECT_TRUE(folder) << path;
  return std::move(*folder);
}

// sha256 -> size of the files a manifest lists for an image.
std::map<std::string, uint64_t> ManifestFiles(const std::string& image,
                                              const std::string& manifest = "raw/MANIFEST") {
  std::map<std::string, uint64_t> files;
  for (const testing::ManifestRow& row : testing::ManifestRows(manifest))
    if (row.image == image && row.kind == "file") files[row.sha256] = row.size;
  return files;
}

using testing::HashesBelow;

class RawImagesTest : public DiskModelTest {
 protected:
  testing::RecordingStatus status;

  // All three passes over an entry of the drive.
  void Scan(TPhysicalDrive& drive, TPartiEntry& entry) {
    ASSERT_TRUE(ScanRange(drive, entry, progress));
    ReadFatDirectories(drive, progress);
    ReadNtfsRecords(drive, progress);
  }
  // Every FAT file and every NTFS file of the scan, recovered into a folder.
  std::string RecoverAll(TPhysicalDrive& drive) {
    const std::string out = testing::MakeTempFolder("raw");
    const TPartiEntry& entry = *drive.CurrentPartition;
    for (const auto& e : entry.FatEntries) {
      if (!(e->DirEntry.Attributes() & engine::kFatAttrDirectory)) {
        EXPECT_EQ(RecoverItem(drive, *e, status, progress, Dest(out)), 0);
      }
    }
    for (const auto& r : entry.NtfsRecords) {
      if (engine::IsNtfsFile(*r) && r->Name[0] != '$') {
        EXPECT_EQ(RecoverItem(drive, *r, status, progress, Dest(out)), 0);
      }
    }
    return out;
  }
  // How many of the manifest's files came back byte-exact.
  size_t ExactCopies(const std::string& image, const std::string& folder,
                     const std::string& manifest = "raw/MANIFEST") {
    const std::multiset<std::string> got = HashesBelow(folder);
    size_t n = 0;
    for (const auto& [hash, size] : ManifestFiles(image, manifest)) n += got.count(hash) > 0;
    return n;
  }
  std::set<std::string> FatNames(const TPartiEntry& entry) {
    std::set<std::string> names;
    for (const auto& e : entry.FatEntries) names.insert(RawEntryName(*e));
    return names;
  }
};

TEST_F(RawImagesTest, FindsTheOldFoldersOfAReformattedFat32Volume) {
  auto drive = DiskOfImage("raw/fat32-reformatted.img");
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(entry.DirSectors.size(), 4u) << "the new root and the three old subfolders";
  EXPECT_EQ(FatNames(entry), (std::set<std::string>{"OLD", "ONE.TXT", "Report for the year.txt", "BIG.TXT",
                                                    "small.txt", "HOLIDAY.JPG", "Long picture name.jpg",
                                                    "NOTES.TXT"}));
  EXPECT_EQ(entry.FatClusterSectors, 1u);
  EXPECT_TRUE(entry.NtfsRecords.empty());
  const auto texts = [&] {
    std::vector<std::string> t;
    for (const auto& l : log.lines) t.push_back(l.text);
    return t;
  }();
  EXPECT_EQ(texts, (std::vector<std::string>{SystemText("驱动器扫描已开始"), SystemText("正在扫描 ..."),
                                             SystemText("驱动器扫描已完成")}));
  EXPECT_EQ(ExactCopies("fat32-reformatted.img", RecoverAll(*drive)), 7u);
  EXPECT_FALSE(drive->Busy);
}

TEST_F(RawImagesTest, ABadSectorCostsThatSectorAndTheFileOverItIsReportedFailed) {
  // Sector 1300 holds part of "Report for the year.txt" (1297-1306) and
  // shares its 1000-sector chunk with all three old folders (1293-1295).
  const std::string path = testing::FixturePath("raw/fat32-reformatted.img");
  auto readable = std::make_shared<platform::ReadableSectors>();
  readable->diskBytes = fs::file_size(path);
  readable->runs = {{0, 1300}, {1301, readable->diskBytes / 512}};
  auto drive = DiskOfPath(path, readable);
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(FatNames(entry).size(), 8u) << "the folders around the bad sector are found";
  EXPECT_EQ(entry.FatClusterSectors, 1u);
  size_t badLines = 0;
  for (const auto& line : log.lines) badLines += line.text == SystemText("无法读取扇区 1300");
  EXPECT_EQ(badLines, 1u) << "logged once, by the pass that met it first";
  log.lines.clear();
  drive->RecoveryFailures = 0;
  const std::string out = RecoverAll(*drive);
  EXPECT_EQ(ExactCopies("fat32-reformatted.img", out), 6u);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].text, "Report for the year.txt" + SystemText(" - 恢复失败"));
  EXPECT_EQ(drive->RecoveryFailures, 1);
  // The rest of the file is there, the bad sector's place holds zeros.
  const auto report = testing::ReadBinaryFile(out + "/Report for the year.txt");
  ASSERT_EQ(report.size(), 5000u);
  const auto image = testing::ReadBinaryFile(path);
  for (size_t i = 0; i < report.size(); ++i) {
    const uint8_t expected = i / 512 == 3 ? 0 : image[1297 * 512 + i];
    ASSERT_EQ(report[i], expected) << i;
  }
}

TEST_F(RawImagesTest, GeometryComesFromTheBootSectorCheckedByTheFoldersElseItIsSaidToBeGuessed) {
  // The reformatted FAT32 volume: a new boot sector (1 sector a cluster,
  // cluster 2 at 1292) and the old folders DOCS, DOCS/OLD and PICS at
  // 1293-1295 (clusters 3-5).
  const auto made = testing::ReadBinaryFile(testing::FixturePath("raw/fat32-reformatted.img"));
  const auto zero = [](std::vector<uint8_t>& bytes, uint64_t sector) {
    std::fill_n(bytes.begin() + static_cast<std::ptrdiff_t>(sector * 512), 512, uint8_t{0});
  };
  const auto logSays = [&](const std::string& utf8Start) {
    return std::any_of(log.lines.begin(), log.lines.end(),
                       [&](const auto& l) { return l.text.starts_with(SystemText(utf8Start)); });
  };
  const auto scan = [&](std::vector<uint8_t> bytes) {
    log.lines.clear();
    auto drive = DiskOf(std::move(bytes));
    EXPECT_TRUE(drive);
    if (drive) Scan(*drive, drive->WholeDisk());
    return drive;
  };
  struct Expected { FatGeometrySource from; size_t exact; };
  const auto check = [&](TPhysicalDrive& drive, Expected e, const char* what) {
    const TPartiEntry& entry = drive.WholeDisk();
    EXPECT_EQ(entry.FatGeometryFrom, e.from) << what;
    EXPECT_EQ(entry.FatClusterSectors, 1u) << what;
    EXPECT_EQ(entry.FatDataStart, 1292u) << what;
    EXPECT_EQ(ExactCopies("fat32-reformatted.img", RecoverAll(drive)), e.exact) << what;
  };

  auto asMade = scan(made);
  check(*asMade, {FatGeometrySource::kBootSector, 7}, "as made");
  EXPECT_EQ(asMade->UnverifiedRecoveries, 0);

  auto noBoot = made;
  zero(noBoot, 0);
  zero(noBoot, 6);
  auto byFolders = scan(noBoot);
  check(*byFolders, {FatGeometrySource::kFolders, 7}, "no boot sector");
  EXPECT_FALSE(logSays("没有引导扇区"));

  // A boot sector (and backup) saying 4 sectors a cluster: the folders win.
  auto lying = made;
  lying[13] = lying[6 * 512 + 13] = 4;
  auto overruled = scan(lying);
  check(*overruled, {FatGeometrySource::kFolders, 7}, "lying boot sector");
  EXPECT_TRUE(logSays("引导扇区的 FAT 参数与找到的文件夹不符"));

  // DOCS alone, no boot sector: the size table's guess (right here by
  // chance) is said, and its two files with data are counted unverified.
  auto alone = noBoot;
  zero(alone, 1294);
  zero(alone, 1295);
  auto guessed = scan(alone);
  check(*guessed, {FatGeometrySource::kGuessed, 2}, "one folder");
  EXPECT_TRUE(logSays("没有引导扇区"));
  EXPECT_EQ(guessed->UnverifiedRecoveries, 2);
  // The user's calibration replaces the guess.
  const TPartiEntry& entry = guessed->WholeDisk();
  ASSERT_GE(entry.FatEntries.size(), 2u);
  EXPECT_FALSE(CalibrateFat(*guessed, entry.FatEntries[0].get(), entry.FatEntries[1].get()))
      << "two items of one folder are no pair";
  EXPECT_EQ(entry.FatGeometryFrom, FatGeometrySource::kGuessed);
}

TEST_F(RawImagesTest, Fat32FoldersOnBothSidesOfTheHighWordAfterAReformat) {
  // Four folders below cluster 65,536 and two above it: the two are enough
  // to tell FAT32, and every file comes back from its own place.
  auto drive = DiskOfImage("fat-deleted/fat32-reformat.img");
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(entry.FatKind, kFat32Kind);
  EXPECT_EQ(entry.FatClusterSectors, 1u);
  EXPECT_TRUE(FatNames(entry).count("Report above the high word.txt"));
  EXPECT_EQ(ExactCopies("fat32-reformat.img", RecoverAll(*drive), "fat-deleted/MANIFEST"), 13u);
}

TEST_F(RawImagesTest, RebuildsAFat16VolumeWithoutBootSectorOrFats) {
  auto drive = DiskOfImage("raw/fat16-zeroed.img");
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(entry.FatKind, kFat1216);
  EXPECT_EQ(entry.FatClusterSectors, 4u);
  EXPECT_EQ(ExactCopies("fat16-zeroed.img", RecoverAll(*drive)), 7u);
}

TEST_F(RawImagesTest, RecoversFromTheGapOfARemovedPartition) {
  auto drive = DiskOfImage("raw/gap.img");
  ASSERT_TRUE(drive);
  TPartiEntry* gap = nullptr;
  for (const auto& p : drive->Partitions)
    if (p->IsFreeSpace() && p->AbsoluteStart() <= 34816 && p->AbsoluteEnd() > 34816) gap = p.get();
  ASSERT_NE(gap, nullptr);
  Scan(*drive, *gap);
  EXPECT_EQ(drive->CurrentPartition, gap);
  EXPECT_EQ(ExactCopies("gap.img", RecoverAll(*drive)), 7u);
}

TEST_F(RawImagesTest, VotesTheClusterSizeOfAnNtfsVolumeWithoutBootSector) {
  auto drive = DiskOfImage("raw/ntfs-zeroed.img");
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(entry.NtfsClusterSectors, 8u);
  EXPECT_TRUE(std::is_sorted(entry.NtfsRecords.begin(), entry.NtfsRecords.end(),
                             [](const auto& a, const auto& b) { return ParentReference(*a) < ParentReference(*b); }));
  EXPECT_TRUE(std::is_sorted(entry.ParentRefs.begin(), entry.ParentRefs.end()));
  EXPECT_EQ(std::count(entry.ParentRefs.begin(), entry.ParentRefs.end(), 0u), 0);
  std::map<std::string, const engine::tntfsfilerecord*> byName;
  for (const auto& r : entry.NtfsRecords) byName[r->Name] = r.get();
  ASSERT_TRUE(byName.count("resident.txt") && byName.count("big.txt") && byName.count("Docs"));
  EXPECT_EQ(byName["resident.txt"]->DataStart, -byName["resident.txt"]->RecordSector);
  EXPECT_GT(byName["big.txt"]->DataStart, 0);
  EXPECT_EQ(ParentReference(*byName["big.txt"]) != ParentReference(*byName["resident.txt"]), true);
  int first = -1, last = -1;
  FindNtfsFolderRange(entry.NtfsRecords, ParentReference(*byName["resident.txt"]), first, last);
  EXPECT_EQ(last - first + 1, 3) << "Old, resident.txt and the report share Docs";
  // The preview of resident and non-resident data.
  std::array<uint8_t, 2048> preview{};
  ASSERT_TRUE(ReadItemStart(*drive, *byName["resident.txt"], preview));
  EXPECT_EQ(std::string(preview.begin(), preview.begin() + 9), "n1 n1.txt");
  ASSERT_TRUE(ReadItemStart(*drive, *byName["big.txt"], preview));
  EXPECT_EQ(std::string(preview.begin(), preview.begin() + 9), "n3 n3.txt");
  EXPECT_EQ(ExactCopies("ntfs-zeroed.img", RecoverAll(*drive)), 6u);
}

TEST_F(RawImagesTest, AnEmptyNtfsFileGetsItsTimesLikeAnyOther) {
  auto drive = DiskOf(testing::ImageBuilder(512 * 16).Take());
  ASSERT_TRUE(drive);
  drive->CurrentPartition = &drive->WholeDisk();
  // The scan put $STANDARD_INFORMATION's times into the name header.
  constexpr uint64_t kSince1601 = 116444736000000000ull;
  constexpr time_t kModified = 1709294400, kAccessed = kModified + 86400;
  engine::tntfsfilerecord item;
  item.Name = "empty.txt";
  item.DataSize = 0;
  item.FileName.SetModificationTime(kSince1601 + 10000000ull * kModified);
  item.FileName.SetAccessTime(kSince1601 + 10000000ull * kAccessed);
  const std::string out = testing::MakeTempFolder("empty_times");
  EXPECT_EQ(RecoverItem(*drive, item, status, progress, Dest(out)), 0);
  struct stat st {};
  ASSERT_EQ(::stat((out + "/empty.txt").c_str(), &st), 0);
  EXPECT_EQ(st.st_size, 0);
  EXPECT_EQ(st.st_mtime, kModified);
  EXPECT_EQ(st.st_atime, kAccessed);
}

TEST_F(RawImagesTest, RecordsAtAnOddDistanceInOneChunkAreReadWhereTheyLie) {
  // The record of big.txt taken from the made NTFS image.
  auto source = DiskOfImage("raw/ntfs-zeroed.img");
  ASSERT_TRUE(source);
  Scan(*source, source->WholeDisk());
  int64_t at = -1;
  for (const auto& r : source->WholeDisk().NtfsRecords)
    if (r->Name == "big.txt") at = r->RecordSector;
  ASSERT_GE(at, 0);
  const auto image = testing::ReadBinaryFile(testing::FixturePath("raw/ntfs-zeroed.img"));
  const std::vector<uint8_t> record(image.begin() + at * 512, image.begin() + at * 512 + 1024);
  // Copies at sectors 3 and 6 (three apart), 999 (its second sector in the
  // next 1000-sector chunk), 1500 (past the first read) and 1998 (the disk's
  // last two sectors).
  const std::vector<int64_t> sectors = {3, 6, 999, 1500, 1998};
  testing::ImageBuilder b(512 * 2000);
  for (int64_t sector : sectors) b.PutBytes(static_cast<size_t>(sector) * 512, record);
  auto drive = DiskOf(b.Take());
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  EXPECT_EQ(drive->FileRecordSectors, (std::vector<uint64_t>{3, 6, 999, 1500, 1998}));
  const auto foundSectors = [&] {
    std::vector<int64_t> found;
    for (const auto& r : drive->WholeDisk().NtfsRecords) {
      EXPECT_EQ(r->Name, "big.txt");
      EXPECT_EQ(r->DataSize, 70000);
      found.push_back(r->RecordSector);
    }
    return found;
  };
  EXPECT_EQ(foundSectors(), sectors);
  EXPECT_EQ(drive->WholeDisk().NtfsClusterSectors, 8u) << "five votes for 8 sectors";
  // The NTFS pass again, without a landmark pass before it, reads the
  // records back from the disk and finds the same.
  ReadNtfsRecords(*drive, progress);
  EXPECT_EQ(foundSectors(), sectors);
  EXPECT_EQ(drive->WholeDisk().NtfsClusterSectors, 8u);
}

TEST_F(RawImagesTest, CorpusImagesOrphanFolderAndFourHundredDeletedEntries) {
  auto repair = DiskOfImage("corpus/fatcat-fat32/repair.img");
  ASSERT_TRUE(repair);
  Scan(*repair, repair->WholeDisk());
  EXPECT_TRUE(FatNames(repair->WholeDisk()).count("orphan_file.txt"));
  auto dir = DiskOfImage("corpus/dfirntfs-fat-deleted/fat_dir.raw");
  ASSERT_TRUE(dir);
  Scan(*dir, dir->WholeDisk());
  size_t deleted = 0;
  for (const auto& e : dir->WholeDisk().FatEntries) deleted += e->DirEntry.IsDeletedMark();
  EXPECT_EQ(deleted, 400u);
}

// A disk with one directory start at sector 8 holding a file whose data
// would run past the disk's end, a folder leading back to itself, and a
// FILE record landmark.
std::vector<uint8_t> CraftedDisk() {
  testing::ImageBuilder b(512 * 40);
  const size_t dir = 8 * 512;
  b.PutText(dir, ".          ").Put8(dir + 11, 0x10).Put16(dir + 26, 6);
  b.PutText(dir + 32, "..         ").Put8(dir + 43, 0x10);
  b.PutText(dir + 64, "PAST    BIN").Put8(dir + 75, 0x20).Put16(dir + 90, 7).Put32(dir + 92, 600 * 512);
  b.PutText(dir + 96, "SELF       ").Put8(dir + 107, 0x10).Put16(dir + 122, 6);
  b.PutText(dir + 128, "DATA    BIN").Put8(dir + 139, 0x20).Put16(dir + 154, 7).Put32(dir + 156, 5);
  b.PutText(9 * 512, "hello");
  return b.Take();
}

TEST_F(RawImagesTest, DataPastTheRangeIsReportedNotCopied) {
  auto drive = DiskOf(CraftedDisk());
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  TPartiEntry& entry = drive->WholeDisk();
  // One directory: the geometry comes from the defaults; set it as known.
  entry.FatClusterSectors = 1;
  entry.FatDataStart = 4;  // cluster 6 at sector 8, cluster 7 at 9
  ASSERT_EQ(entry.FatEntries.size(), 3u);
  const std::string out = testing::MakeTempFolder("past");
  const TMidEntry& past = *entry.FatEntries[0];
  ASSERT_EQ(RawEntryName(past), "PAST.BIN");
  log.lines.clear();
  EXPECT_EQ(RecoverItem(*drive, past, status, progress, Dest(out)), 0);
  const auto bytes = testing::ReadBinaryFile(out + "/PAST.BIN");
  // Nothing comes from past the scanned range (40 sectors, data from 9):
  // the file holds what the range has, not 600 sectors, and is reported once.
  ASSERT_EQ(bytes.size(), 31u * 512);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 5), "hello");
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].text, "PAST.BIN" + SystemText(" - 恢复失败"));
  EXPECT_EQ(log.lines[0].icon, kLogFailure);
}

TEST_F(RawImagesTest, AFolderLeadingBackToItselfIsEnteredOnce) {
  auto drive = DiskOf(CraftedDisk());
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  TPartiEntry& entry = drive->WholeDisk();
  entry.FatClusterSectors = 1;
  entry.FatDataStart = 4;
  const TMidEntry& self = *entry.FatEntries[1];
  ASSERT_EQ(RawEntryName(self), "SELF");
  const std::string out = testing::MakeTempFolder("loop");
  EXPECT_EQ(RecoverFatFolder(*drive, self, status, progress, Dest(out)), 0);
  EXPECT_TRUE(fs::exists(out + "/SELF/DATA.BIN"));
  EXPECT_FALSE(fs::exists(out + "/SELF/SELF")) << "the folder is not entered again";
  EXPECT_EQ(testing::ReadBinaryFile(out + "/SELF/DATA.BIN").size(), 5u);
  // Recovered twice into the same place: nothing is overwritten.
  EXPECT_EQ(RecoverFatFolder(*drive, self, status, progress, Dest(out)), 0);
  EXPECT_TRUE(fs::exists(out + "/SELF_1/DATA.BIN"));
}

// Two folders that lead to each other (A at cluster 6, B at cluster 10, one
// sector each, cluster c at sector c + 2), A holding a second, deleted
// entry that leads to B as well.
std::vector<uint8_t> LoopedFoldersDisk() {
  testing::ImageBuilder b(512 * 40);
  auto folder = [&](size_t at, uint16_t cluster) {
    b.PutText(at, ".          ").Put8(at + 11, 0x10).Put16(at + 26, cluster);
    b.PutText(at + 32, "..         ").Put8(at + 43, 0x10);
  };
  const size_t a = 8 * 512, bb = 12 * 512;
  folder(a, 6);
  b.PutText(a + 64, "B          ").Put8(a + 75, 0x10).Put16(a + 90, 10);
  b.PutText(a + 96, "\xE5OLDB      ").Put8(a + 107, 0x10).Put16(a + 122, 10);
  b.PutText(a + 128, "A       BIN").Put8(a + 139, 0x20).Put16(a + 154, 7).Put32(a + 156, 5);
  folder(bb, 10);
  b.PutText(bb + 64, "A          ").Put8(bb + 75, 0x10).Put16(bb + 90, 6);
  b.PutText(bb + 96, "B       BIN").Put8(bb + 107, 0x20).Put16(bb + 122, 11).Put32(bb + 124, 6);
  b.PutText(9 * 512, "hello").PutText(13 * 512, "world!");
  return b.Take();
}

TEST_F(RawImagesTest, FoldersOnlyReachedThroughALoopAreWrittenOnceFromTheFirst) {
  auto drive = DiskOf(LoopedFoldersDisk());
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  TPartiEntry& entry = drive->WholeDisk();
  entry.FatClusterSectors = 1;
  entry.FatDataStart = 4;
  // The folders' own clusters place the data start at sector 4, where the
  // scan adds the root it expects there (empty on this disk).
  ASSERT_EQ(entry.DirSectors, (std::vector<uint64_t>{4, 8, 12}));
  FoundFolderTree tree(*drive);
  EXPECT_EQ(tree.TopLevel(), (std::vector<size_t>{0})) << "each folder is inside the other";
  const std::string out = testing::MakeTempFolder("looped");
  for (size_t i = 0; i < entry.DirSectors.size(); ++i) {
    if (tree.Written(i)) continue;
    const std::string numbered = out + "/" + std::to_string(i);
    fs::create_directory(numbered);
    EXPECT_EQ(tree.RecoverContents(i, status, progress, Dest(numbered)), 0);
  }
  std::multiset<std::string> written;
  for (const auto& f : fs::recursive_directory_iterator(out))
    written.insert(fs::relative(f.path(), out).string());
  // B is written once, under the first entry that leads to it; the deleted
  // entry and B's entry back to A write nothing more.
  EXPECT_EQ(written, (std::multiset<std::string>{"1", "1/A.BIN", "1/B", "1/B/B.BIN"}));
  EXPECT_EQ(testing::ReadBinaryFile(out + "/1/B/B.BIN").size(), 6u);
}

TEST_F(RawImagesTest, UndeterminedGeometryIsReportedNotUsed) {
  auto drive = DiskOf(CraftedDisk());
  ASSERT_TRUE(drive);
  Scan(*drive, drive->WholeDisk());
  TPartiEntry& entry = drive->WholeDisk();
  entry.FatDataStart = kDataStartUnknown;
  log.lines.clear();
  const std::string out = testing::MakeTempFolder("unknown");
  EXPECT_EQ(RecoverItem(*drive, *entry.FatEntries[2], status, progress, Dest(out)), 0);
  EXPECT_FALSE(fs::exists(out + "/DATA.BIN"));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0].text, "DATA.BIN" + SystemText(" - 恢复失败"));
  std::array<uint8_t, 2048> preview{};
  EXPECT_FALSE(ReadItemStart(*drive, *entry.FatEntries[2], preview));
}

TEST_F(RawImagesTest, StopEndsTheLandmarkPassAndIsLogged) {
  // A folder start in the second of three chunks: a stop during the first
  // must keep it from being found.
  testing::ImageBuilder b(512 * 3000);
  b.PutText(1500 * 512, ".          ").Put8(1500 * 512 + 11, 0x10).PutText(1500 * 512 + 32, "..         ");
  auto drive = DiskOf(b.Take());
  ASSERT_TRUE(drive);
  pump.actOnCall = 1;
  pump.action = [&] { drive->RequestStop(); };
  ASSERT_TRUE(ScanRange(*drive, drive->WholeDisk(), progress));
  EXPECT_EQ(pump.calls, 1) << "the pump runs once a chunk";
  EXPECT_TRUE(drive->WholeDisk().DirSectors.empty()) << "no further chunk is examined";
  EXPECT_EQ(log.lines.back().text, SystemText("驱动器扫描被用户终止"));
  EXPECT_EQ(log.lines.back().icon, kLogHalted);
  EXPECT_FALSE(drive->StopRequested);
  EXPECT_FALSE(drive->Busy);
  EXPECT_EQ(drive->WholeDisk().FatKind, kFat32Kind) << "no directory start gives FAT32";
  drive->Busy = true;
  EXPECT_FALSE(ScanRange(*drive, drive->WholeDisk(), progress)) << "busy";
  drive->Busy = false;
  pump.action = nullptr;
  ASSERT_TRUE(ScanRange(*drive, drive->WholeDisk(), progress));
  EXPECT_EQ(drive->WholeDisk().DirSectors, (std::vector<uint64_t>{1500})) << "found when not stopped";
}

TEST_F(RawImagesTest, AMappedImageGivesWhatAReadOneGives) {
  // Folder starts and FILE records spread over four 16 MB mappings, one
  // record across a chunk boundary, one across a mapping's end and one in
  // the disk's last two sectors.
  const auto made = testing::ReadBinaryFile(testing::FixturePath("raw/ntfs-zeroed.img"));
  auto donor = DiskOfImage("raw/ntfs-zeroed.img");
  ASSERT_TRUE(donor);
  Scan(*donor, donor->WholeDisk());
  ASSERT_FALSE(donor->WholeDisk().NtfsRecords.empty());
  const int64_t at = donor->WholeDisk().NtfsRecords.front()->RecordSector;
  const std::vector<uint8_t> record(made.begin() + at * 512, made.begin() + at * 512 + 1024);
  constexpr uint64_t kSectors = 100000;  // about 49 MiB
  testing::ImageBuilder b(512 * kSectors);
  for (uint64_t sector : {uint64_t{5}, uint64_t{999}, uint64_t{31999}, uint64_t{64000}, kSectors - 2})
    b.PutBytes(sector * 512, record);
  for (uint64_t sector : {uint64_t{2000}, uint64_t{32000}, uint64_t{96001}})
    b.PutText(sector * 512, ".          ").Put8(sector * 512 + 11, 0x10).PutText(sector * 512 + 32, "..         ");
  std::vector<uint8_t> bytes = b.Take();
  // Written to a file, the image is mapped; from memory it is read.
  auto mapped = DiskOfPath(testing::WriteTempImage(bytes, "rawfile"));
  auto read = DiskOf(std::move(bytes));
  ASSERT_TRUE(mapped && read);
  ASSERT_TRUE(ScanRange(*mapped, mapped->WholeDisk(), progress));
  ASSERT_TRUE(ScanRange(*read, read->WholeDisk(), progress));
  EXPECT_EQ(mapped->WholeDisk().DirSectors, (std::vector<uint64_t>{2000, 32000, 96001}));
  EXPECT_EQ(mapped->FileRecordSectors, (std::vector<uint64_t>{5, 999, 31999, 64000, kSectors - 2}));
  EXPECT_EQ(mapped->WholeDisk().DirSectors, read->WholeDisk().DirSectors);
  EXPECT_EQ(mapped->FileRecordSectors, read->FileRecordSectors);
  ASSERT_EQ(mapped->ParsedFileRecords.size(), 5u) << "each record parsed while its chunk was at hand";
  ASSERT_EQ(read->ParsedFileRecords.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(mapped->ParsedFileRecords[i]->RecordSector, read->ParsedFileRecords[i]->RecordSector);
    EXPECT_EQ(mapped->ParsedFileRecords[i]->Name, donor->WholeDisk().NtfsRecords.front()->Name);
    EXPECT_EQ(mapped->ParsedFileRecords[i]->DataSize, read->ParsedFileRecords[i]->DataSize);
  }
}

TEST_F(RawImagesTest, AnImageCutShortDuringTheScanIsSaidNotFatal) {
  // The image shrinks to its first chunk after that chunk is examined: the
  // rest of the mapping then has no pages behind it. The pass must not die
  // of the fault, keep what it found, and say that the source shrank
  // instead of calling the scan complete.
  testing::ImageBuilder b(512 * 5000);
  for (uint64_t sector : {uint64_t{10}, uint64_t{2500}})
    b.PutText(sector * 512, ".          ").Put8(sector * 512 + 11, 0x10).PutText(sector * 512 + 32, "..         ");
  const std::string path = testing::WriteTempImage(b.Take(), "rawfile");
  auto drive = DiskOfPath(path);
  ASSERT_TRUE(drive);
  pump.actOnCall = 1;
  pump.action = [&] { ASSERT_EQ(::truncate(path.c_str(), 1000 * 512), 0); };
  const disk::Outcome scanned = ScanRange(*drive, drive->WholeDisk(), progress);
  EXPECT_FALSE(scanned);
  EXPECT_FALSE(NothingScanned(scanned));
  EXPECT_EQ(scanned.read.failure, disk::ReadFailure::kShortRead);
  EXPECT_EQ(scanned.sector, 1000u);
  EXPECT_NE(scanned.Text().find("shrank"), std::string::npos) << scanned.Text();
  EXPECT_EQ(drive->WholeDisk().DirSectors, (std::vector<uint64_t>{10}));
  const std::string said = SystemText("扫描期间数据源变短或被改写: 自扇区 1000 起已无法读取");
  EXPECT_EQ(log.lines.back().text, said);
  EXPECT_EQ(log.lines.back().icon, kLogFailure);
  EXPECT_EQ(boxes.errors, std::vector<std::string>{said});
  EXPECT_FALSE(drive->Busy);
}

TEST_F(RawImagesTest, AnAllSparseCompressionUnitKeepsTheDataAfterItInPlace) {
  testing::ImageBuilder b(512 * 64);
  for (size_t i = 0; i < 16 * 512; ++i) b.Put8(32 * 512 + i, static_cast<uint8_t>('a' + i % 26));
  auto drive = DiskOf(b.Take());
  ASSERT_TRUE(drive);
  drive->CurrentPartition = &drive->WholeDisk();
  drive->WholeDisk().NtfsClusterSectors = 1;
  const std::string out = testing::MakeTempFolder("sparse");
  auto created = engine::CreateUniqueFile("unit.bin", out);
  ASSERT_TRUE(created);
  engine::OutputFile file(std::move(created->fd), created->path);
  // A wholly sparse unit, then a unit of 16 clusters stored as they are.
  const engine::trunlist runs = {{0, 16}, {32, 16}};
  ASSERT_TRUE(WriteCompressedRuns(*drive, file, runs, 32 * 512));
  file.Close();
  const auto bytes = testing::ReadBinaryFile(out + "/unit.bin");
  ASSERT_EQ(bytes.size(), 32u * 512);
  EXPECT_TRUE(std::all_of(bytes.begin(), bytes.begin() + 16 * 512, [](uint8_t c) { return c == 0; }));
  EXPECT_EQ(bytes[16 * 512], 'a');
  EXPECT_EQ(bytes[16 * 512 + 27], 'b');
}

TEST_F(RawImagesTest, SectorsOnBothSidesOfThirtyTwoBitsAreKeptWhole) {
  // A sparse image just over 2 TiB with a FILE record and a directory
  // start on either side of sector 2^32; the range scanned straddles it.
  const uint64_t wrap = uint64_t{1} << 32;
  const std::string path = testing::MakeTempFolder("past32") + "/disk.img";
  {
    platform::UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT, 0644));
    ASSERT_EQ(::ftruncate(fd.get(), static_cast<off_t>((wrap + 1024) * 512)), 0);
    testing::ImageBuilder record(512);
    record.PutText(0, "FILE").Put8(20, 56).Put8(56, 0x10);
    testing::ImageBuilder dir(512);
    dir.PutText(0, ".          ").Put8(11, 0x10).PutText(32, "..         ").Put8(43, 0x10);
    dir.PutText(64, "A       TXT").Put8(75, 0x20).Put32(92, 5);
    for (uint64_t s : {wrap - 8, wrap + 8})
      ASSERT_EQ(::pwrite(fd.get(), record.Bytes().data(), 512, static_cast<off_t>(s * 512)), 512);
    for (uint64_t s : {wrap - 16, wrap + 16})
      ASSERT_EQ(::pwrite(fd.get(), dir.Bytes().data(), 512, static_cast<off_t>(s * 512)), 512);
  }
  auto drive = DiskOfPath(path);
  ASSERT_TRUE(drive);
  TPartiEntry range;
  range.DriveCode = drive->WholeDisk().DriveCode;
  range.BaseLba = wrap - 512;
  range.Slot.SetSectorCount(1024);
  log.lines.clear();
  Scan(*drive, range);
  EXPECT_EQ(drive->FileRecordSectors, (std::vector<uint64_t>{wrap - 8, wrap + 8}));
  std::set<uint64_t> folders;
  for (const auto& e : range.FatEntries) folders.insert(e->DirSector);
  EXPECT_EQ(folders, (std::set<uint64_t>{wrap - 16, wrap + 16}));
  // Each folder's file is found under its own folder, never a wrapped one.
  int first = -1, last = -1;
  ASSERT_TRUE(FindFatFolderRange(*drive, wrap + 16, first, last));
  EXPECT_EQ(RawEntryName(*range.FatEntries[static_cast<size_t>(first)]), "A.TXT");
  // Nothing is cut off or refused.
  for (const auto& line : log.lines) EXPECT_EQ(line.text.find(SystemText("2 TiB")), std::string::npos) << line.text;
  ::unlink(path.c_str());
}

TEST_F(RawImagesTest, AUnitEndingInSparseClustersIsDecompressed) {
  // Five clusters on the disk (one sector each) holding one LZNT1 chunk of
  // sixteen literals, then eleven sparse clusters: one compressed unit.
  testing::ImageBuilder b(512 * 64);
  b.Put16(40 * 512, 0xB011).Put8(40 * 512 + 2, 0).PutText(40 * 512 + 3, "ABCDEFGH");
  b.Put8(40 * 512 + 11, 0).PutText(40 * 512 + 12, "IJKLMNOP");
  auto drive = DiskOf(b.Take());
  ASSERT_TRUE(drive);
  drive->CurrentPartition = &drive->WholeDisk();
  drive->WholeDisk().NtfsClusterSectors = 1;
  const std::string out = testing::MakeTempFolder("lznt1");
  auto created = engine::CreateUniqueFile("unit.bin", out);
  ASSERT_TRUE(created);
  engine::OutputFile file(std::move(created->fd), created->path);
  ASSERT_TRUE(WriteCompressedRuns(*drive, file, {{40, 5}, {0, 11}}, 100));
  file.Close();
  const auto bytes = testing::ReadBinaryFile(out + "/unit.bin");
  ASSERT_EQ(bytes.size(), 100u);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 16), "ABCDEFGHIJKLMNOP");
  EXPECT_TRUE(std::all_of(bytes.begin() + 16, bytes.end(), [](uint8_t c) { return c == 0; }));
}

}  // namespace
}  // namespace tarnwell::physical::raw
