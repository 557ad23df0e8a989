// Whole-image tests: the images made by tests/fixtures/fat/make_fat_images.py
// against their manifest, listed and recovered byte-exact.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <sstream>

#include "platform/text_codec.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

using testing::ScannedVolume;

struct ManifestRow {
  std::string image, path, sha256, state;
  uint64_t size = 0;
};

std::vector<ManifestRow> Manifest(const std::string& image) {
  std::vector<ManifestRow> rows;
  for (std::vector<std::string> f : testing::TabSeparatedRows("fat/manifest.txt")) {
    f.resize(5);  // image, path, size, sha256, state
    ManifestRow r;
    r.image = f[0];
    r.path = f[1];
    r.size = std::stoull(f[2]);
    r.sha256 = f[3];
    r.state = f[4];
    if (r.image == image) rows.push_back(r);
  }
  return rows;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// A listed path matches a manifest path when they differ only in ASCII case
// (short names show in the case their case byte gives) and in the first
// character of a component that shows as "?" (a deleted short name).
bool SamePath(const std::string& listed, const std::string& original) {
  if (listed.size() != original.size()) return false;
  for (size_t i = 0; i < listed.size(); ++i) {
    const bool componentStart = i == 0 || listed[i - 1] == '/';
    if (componentStart && listed[i] == '?') continue;
    if (LowerAscii(listed[i]) != LowerAscii(original[i])) return false;
  }
  return true;
}

TMidEntry* FindOriginal(ScannedVolume& s, const std::string& original) {
  for (auto& e : s.Drive().FatEntries)
    if (SamePath(platform::SystemToUtf8(ScannedVolume::PathOf(*e)), original)) return e.get();
  return nullptr;
}

class FatImageTest : public ::testing::TestWithParam<std::string> {};

TEST_P(FatImageTest, ListsAndRecoversWhatTheManifestSays) {
  ScannedVolume s(testing::FixturePath("fat/" + GetParam()));
  ASSERT_TRUE(s.Scanned());
  // Damaged FAT32 folders are rescanned first, as the window offers.
  std::vector<TMidEntry*> damaged;
  for (auto& e : s.Drive().FatEntries)
    if (e->Status == kDamagedFolder) damaged.push_back(e.get());
  for (TMidEntry* folder : damaged) EXPECT_TRUE(s.Engine().RescanDamagedFolder(*folder, s.status));
  const std::string out = testing::MakeTempFolder("fat_image");
  int recovered = 0;
  for (const ManifestRow& row : Manifest(GetParam())) {
    if (row.state == "overwritten") continue;  // its entry slot was reused
    TMidEntry* e = FindOriginal(s, row.path);
    ASSERT_NE(e, nullptr) << row.path;
    const bool folder = row.state == "folder" || row.state == "deleted-folder";
    const bool deleted = row.state == "deleted" || row.state == "deleted-folder";
    EXPECT_EQ(!IsFatFile(*e), folder) << row.path;
    EXPECT_EQ(e->Status != kExisting, deleted) << row.path;
    if (folder || e->Status == kDamagedFolder) continue;
    EXPECT_EQ(e->DirEntry.FileSize(), row.size) << row.path;
    const std::string name = "r" + std::to_string(recovered++);
    ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out, name, s.log, s.status)) << row.path;
    EXPECT_EQ(testing::Sha256OfFile(out + "/" + name), row.sha256) << row.path << " (" << row.state << ")";
  }
  EXPECT_TRUE(s.log.lines.empty());
  EXPECT_TRUE(s.boxes.errors.empty());
}

INSTANTIATE_TEST_SUITE_P(Images, FatImageTest,
                         ::testing::Values("fat16.img", "fat12.img", "fat32.img"));

TEST(FatImageDetailTest, Fat12FolderChainPastCluster341) {
  ScannedVolume s(testing::FixturePath("fat/fat12.img"));
  TMidEntry* deep = s.Find("Deep");
  ASSERT_NE(deep, nullptr);
  EXPECT_GT(deep->DirEntry.FirstClusterLow(), 341);
  int first = -1, last = -1;
  ASSERT_TRUE(s.Engine().GetChildRange(deep->DirEntry.FirstClusterLow(), first, last));
  EXPECT_EQ(last - first + 1, 61);
}

TEST(FatImageDetailTest, Fat32FolderWithClearedHighWordIsRescanned) {
  ScannedVolume s(testing::FixturePath("fat/fat32.img"));
  TMidEntry* folder = s.Find("?IGHDIR");
  ASSERT_NE(folder, nullptr);
  EXPECT_EQ(folder->Status, kDamagedFolder);
  EXPECT_EQ(folder->DirEntry.FirstClusterHigh(), 0);
  const size_t before = s.Entries().size();
  // A high word for an extension the header table does not know: none.
  EXPECT_EQ(s.Engine().FindFat32HighWord("x.txt", folder->DirEntry.FirstClusterLow()), 0);

  ASSERT_TRUE(s.Engine().RescanDamagedFolder(*folder, s.status));
  EXPECT_EQ(folder->DirEntry.FirstClusterHigh(), 1);
  EXPECT_EQ(folder->Status, kDeleted);
  EXPECT_FALSE(s.Engine().HighWordSearch);
  EXPECT_FALSE(s.Engine().Scanning);
  // Its entries were listed as lost ones (its cluster is free and nothing
  // led there); the folder takes them over rather than listing them twice.
  EXPECT_EQ(s.Entries().size(), before);
  EXPECT_NE(s.Find("?IGHDIR/inside one.txt"), nullptr);
  EXPECT_EQ(s.Find(platform::SystemText("丢失的条目") + "/inside one.txt"), nullptr);
  // Only a damaged folder is rescanned.
  EXPECT_FALSE(s.Engine().RescanDamagedFolder(*folder, s.status));

  const std::string out = testing::MakeTempFolder("fat32_rescan");
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*folder), out, "HIGHDIR", s.log, s.status));
  for (const ManifestRow& row : Manifest("fat32.img")) {
    if (row.path == "HIGHDIR/inside one.txt") {
      EXPECT_EQ(testing::Sha256OfFile(out + "/HIGHDIR/inside one.txt"), row.sha256);
    }
  }
}

}  // namespace
}  // namespace tarnwell::engine
