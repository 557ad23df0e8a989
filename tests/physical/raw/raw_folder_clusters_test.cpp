// Folders past their first cluster in the raw-range scan, on images made
// with mkfs.fat and mtools (tests/fixtures/raw/make_raw_folder_images.sh):
// an intact FAT32 volume whose folders' later clusters lie between file
// data (the chains are followed through the FAT the boot sector locates),
// and a quick-formatted one of 1 KiB clusters whose old folders, two of
// them deleted, lost their chains (their later clusters are found by their
// contents and listed as lost entries).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>
#include <string>

#include "engine/recovery/output_path.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/raw_scan.h"
#include "platform/text_codec.h"
#include "tests/physical/disk_model_support.h"

namespace tarnwell::physical::raw {
namespace {

using platform::SystemText;

std::string Lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

class RawFolderClustersTest : public DiskModelTest {
 protected:
  testing::RecordingStatus status;

  std::unique_ptr<TPhysicalDrive> Scanned(const std::string& fixture) {
    auto drive = DiskOfImage(fixture);
    EXPECT_TRUE(drive);
    if (!drive) return drive;
    EXPECT_TRUE(ScanRange(*drive, drive->WholeDisk(), progress));
    ReadFatDirectories(*drive, progress);
    return drive;
  }

  // The names found in the folder whose entries are keyed at `sector`.
  std::multiset<std::string> NamesIn(TPhysicalDrive& drive, uint64_t sector) {
    std::multiset<std::string> names;
    int first = -1, last = -1;
    if (!FindFatFolderRange(drive, sector, first, last)) return names;
    for (int i = first; i <= last; ++i)
      names.insert(platform::SystemToUtf8(RawEntryName(*drive.CurrentPartition->FatEntries[static_cast<size_t>(i)])));
    return names;
  }

  // Every found folder's contents under its path, walked from the root.
  std::map<std::string, std::multiset<std::string>> Tree(TPhysicalDrive& drive) {
    std::map<std::string, std::multiset<std::string>> tree;
    const TPartiEntry& entry = *drive.CurrentPartition;
    std::vector<std::pair<std::string, uint64_t>> pending{{"", entry.FatDataStart}};
    std::set<uint64_t> seen;
    while (!pending.empty()) {
      const auto [path, sector] = pending.back();
      pending.pop_back();
      if (!seen.insert(sector).second) continue;
      for (const std::string& name : NamesIn(drive, sector)) tree[path].insert(Lower(name));
      int first = -1, last = -1;
      if (!FindFatFolderRange(drive, sector, first, last)) continue;
      for (int i = first; i <= last; ++i) {
        const FoundFatEntry& e = *entry.FatEntries[static_cast<size_t>(i)];
        if (!(e.DirEntry.Attributes() & engine::kFatAttrDirectory)) continue;
        const auto at = ClusterSector(entry, EntryCluster(e.DirEntry, entry.FatKind));
        if (at) pending.emplace_back((path.empty() ? "" : path + "/") + Lower(platform::SystemToUtf8(RawEntryName(e))), *at);
      }
    }
    return tree;
  }
};

// What `fls -r -p` listed when the image was made, as folder -> names;
// the volume label and The Sleuth Kit's virtual entries are not entries
// of a folder. Lower case: it shows short names in capitals, the raw scan
// as their case byte says.
std::map<std::string, std::multiset<std::string>> FlsTree(const std::string& listing) {
  std::map<std::string, std::multiset<std::string>> tree{{"", {}}};
  std::istringstream lines(testing::ReadTextFile(testing::FixtureSourcePath(listing)));
  for (std::string line; std::getline(lines, line);) {
    const size_t tab = line.find(":\t");
    if (tab == std::string::npos || line.find("(Volume Label Entry)") != std::string::npos) continue;
    const std::string path = Lower(line.substr(tab + 2));
    if (path.starts_with("$")) continue;
    const size_t slash = path.rfind('/');
    tree[slash == std::string::npos ? "" : path.substr(0, slash)].insert(
        slash == std::string::npos ? path : path.substr(slash + 1));
    if (line.starts_with("d/d")) tree[path];
  }
  return tree;
}

TEST_F(RawFolderClustersTest, AnIntactVolumesFoldersAreReadThroughTheirChainsAndMatchTheSleuthKit) {
  auto drive = Scanned("raw/fat32-longfolders.img");
  ASSERT_TRUE(drive);
  const TPartiEntry& entry = drive->WholeDisk();
  ASSERT_EQ(entry.FatGeometryFrom, FatGeometrySource::kBootSector);
  const auto expected = FlsTree("raw/fat32-longfolders.fls");
  size_t listed = 0;
  for (const auto& [path, names] : expected) listed += names.size();
  ASSERT_EQ(listed, 167u) << "162 files and 5 folders";
  EXPECT_EQ(entry.FatEntries.size(), listed) << "every entry once, none from a neighbour's cluster";
  EXPECT_EQ(Tree(*drive), expected);
  EXPECT_EQ(std::count(entry.DirSectors.begin(), entry.DirSectors.end(), kLostEntriesSector), 0)
      << "the chains account for every directory cluster";
}

TEST_F(RawFolderClustersTest, AQuickFormattedVolumesOldFoldersComeBackThroughTheLostEntries) {
  auto drive = Scanned("raw/fat32-requick-1k.img");
  ASSERT_TRUE(drive);
  const TPartiEntry& entry = drive->WholeDisk();
  EXPECT_EQ(entry.FatClusterSectors, 2u);
  ASSERT_FALSE(entry.DirSectors.empty());
  ASSERT_EQ(entry.DirSectors.back(), kLostEntriesSector) << "one lost-entries folder, listed last";
  EXPECT_EQ(std::count(entry.DirSectors.begin(), entry.DirSectors.end(), kLostEntriesSector), 1);

  // Each old folder's first cluster holds "." and ".." and six files of
  // five entries each (a long name of four pieces and its short entry);
  // the others are lost entries: 39 of KEPT, live, and 44 and 29 of the
  // deleted GONE1 and GONE2, deleted.
  size_t lostLive = 0, lostDeleted = 0, files = 0;
  for (const auto& e : entry.FatEntries) {
    if (e->DirEntry.Attributes() & engine::kFatAttrDirectory) continue;
    ++files;
    if (e->DirSector != kLostEntriesSector) continue;
    (e->DirEntry.IsDeletedMark() ? lostDeleted : lostLive) += 1;
  }
  EXPECT_EQ(files, 45u + 50u + 35u);
  EXPECT_EQ(lostLive, 45u - 6u);
  EXPECT_EQ(lostDeleted, 50u - 6u + 35u - 6u);

  // Recovered as raw-recover writes them: the lost entries in a folder of
  // their own, every file byte-exact.
  const std::string out = testing::MakeTempFolder("lost");
  const std::optional<engine::OutputFolder> dest = engine::OutputFolder::Open(out);
  ASSERT_TRUE(dest);
  FoundFolderTree tree(*drive);
  for (size_t i = 0; i < entry.DirSectors.size(); ++i) {
    const std::optional<engine::OutputFolder> sub =
        engine::CreateUniqueFolder(std::to_string(i), *dest);
    ASSERT_TRUE(sub);
    EXPECT_EQ(tree.RecoverContents(i, status, progress, *sub), 0);
  }
  const std::multiset<std::string> got = testing::HashesBelow(out);
  size_t exact = 0, listedFiles = 0;
  for (const testing::ManifestRow& row : testing::ManifestRows("raw/MANIFEST.folders")) {
    if (row.image != "fat32-requick-1k.img" || row.kind != "file") continue;
    ++listedFiles;
    exact += got.count(row.sha256) > 0;
  }
  EXPECT_EQ(listedFiles, 130u);
  EXPECT_EQ(exact, listedFiles);
  const std::multiset<std::string> lostFolder = testing::HashesBelow(out + "/" + std::to_string(entry.DirSectors.size() - 1));
  EXPECT_EQ(lostFolder.size(), 39u + 44u + 29u);
}

// One-sector clusters, cluster c at sector c + 98: folder SMALL at cluster
// 2 (sector 100) and folder BIG at cluster 4 (sector 102), whose 600
// sectors of entries run past the 500 sectors a folder's first read takes;
// then the end marker and a text file. The last sector of BIG's entries
// ends with an end marker.
std::vector<uint8_t> LongContiguousFolderDisk(size_t& bigFiles) {
  constexpr size_t kSectors = 800, kBig = 102, kBigSectors = 600;
  testing::ImageBuilder b(512 * kSectors);
  const uint16_t date = ((2024 - 1980) << 9) | (3 << 5) | 1;
  auto entry = [&](size_t at, const std::string& name11, uint8_t attributes, uint16_t cluster) {
    b.PutText(at, name11).Put8(at + 11, attributes).Put16(at + 24, date).Put16(at + 26, cluster);
  };
  auto folder = [&](size_t sector, uint16_t cluster) {
    entry(sector * 512, ".          ", 0x10, cluster);
    entry(sector * 512 + 32, "..         ", 0x10, 0);
  };
  folder(100, 2);
  entry(100 * 512 + 64, "ONE     TXT", 0x20, 900);
  folder(kBig, 4);
  bigFiles = 0;
  for (size_t slot = 2; slot < kBigSectors * 16 - 1; ++slot) {
    char name[12];
    std::snprintf(name, sizeof name, "F%07zuTXT", slot);
    entry(kBig * 512 + slot * 32, name, 0x20, 900);
    ++bigFiles;
  }
  b.PutText((kBig + kBigSectors) * 512, "Minutes of the meeting, 3 March: nothing to report.");
  return b.Take();
}

TEST_F(RawFolderClustersTest, AFolderLongerThanItsFirstReadIsReadOnWhereItsClustersContinue) {
  size_t bigFiles = 0;
  auto drive = DiskOf(LongContiguousFolderDisk(bigFiles));
  ASSERT_TRUE(drive);
  ASSERT_TRUE(ScanRange(*drive, drive->WholeDisk(), progress));
  ReadFatDirectories(*drive, progress);
  const TPartiEntry& entry = drive->WholeDisk();
  ASSERT_EQ(entry.FatClusterSectors, 1u);
  ASSERT_EQ(entry.FatDataStart, 100u);
  EXPECT_EQ(NamesIn(*drive, 102).size(), bigFiles) << "every entry of the 600 sectors, each once";
  // A short name without case flags shows as stored.
  EXPECT_EQ(NamesIn(*drive, 100), (std::multiset<std::string>{"ONE.TXT"}));
  EXPECT_EQ(std::count(entry.DirSectors.begin(), entry.DirSectors.end(), kLostEntriesSector), 0);
}

}  // namespace
}  // namespace tarnwell::physical::raw
