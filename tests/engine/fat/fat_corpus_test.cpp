// Real images made by others (tests/fixtures/corpus/, each with its README):
// published answer keys and the hostile structures they carry.
#include <gtest/gtest.h>

#include <cstdio>

#include "engine/search/entry_dates.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

using testing::ScannedVolume;

std::string Md5Of(const std::string& path) {
  FILE* p = ::popen(("md5sum '" + path + "'").c_str(), "r");
  char digest[33] = {};
  if (p) {
    if (std::fread(digest, 1, 32, p) != 32) digest[0] = 0;
    ::pclose(p);
  }
  return digest;
}

std::string Corpus(const std::string& file) { return testing::FixturePath("corpus/" + file); }

size_t CountNamed(ScannedVolume& s, const std::string& name) {
  size_t n = 0;
  for (const auto& e : s.Entries())
    if (FatEntryName(*e, false) == name) ++n;
  return n;
}

TEST(FatCorpusTest, Dftt6AnswerKeyForAContiguousRead) {
  ScannedVolume s(Corpus("dftt-06-fat-undel/6-fat-undel.dd"));
  ASSERT_TRUE(s.Scanned());
  // Unfragmented files come back with the published MD5; the fragmented
  // ones with the MD5 the key predicts for a contiguous read.
  const struct {
    const char* path;
    const char* md5;
  } key[] = {
      {"?ing.dat", "59b20779f69ff9f0ac5fcd2c38835a79"},
      {"?ult1.dat", "ffd27bd782bdce67750b6b9ee069d2ef"},
      {"?ir1/mult2.dat", "59cf0e9cd107bc1e75afb7374f6e05bb"},
      {"?rag1.dat", "c4f3b9a0f17d464f4fc61b94ecf6cc21"},
      {"?rag2.dat", "965370acfa85aa7e26ab04bbd45cdcae"},
      {"?ir1/dir2/frag3.dat", "a7a14ac62f79fdea4056ed5e8bcf97ef"},
  };
  const std::string out = testing::MakeTempFolder("dftt6");
  for (const auto& k : key) {
    TMidEntry* e = s.Find(k.path);
    ASSERT_NE(e, nullptr) << k.path;
    EXPECT_EQ(e->Status, kDeleted);
    ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out, "f", s.log, s.status));
    EXPECT_EQ(Md5Of(out + "/f"), k.md5) << k.path;
    std::remove((out + "/f").c_str());
  }
  ASSERT_NE(s.Find("?ir1/dir2"), nullptr);
  // The deleted restore folder _P1 points at dir2's cluster; that cluster
  // is walked once as a deleted folder, so frag3.dat is listed once.
  EXPECT_EQ(CountNamed(s, "frag3.dat"), 1u);
  EXPECT_NE(s.Find("System Volume Information/_restore{A25F48CA-6632-4143-8EF8-3586A84AB5AF}/?P1"),
            nullptr);
  // The root's volume-label entry is no file.
  EXPECT_EQ(CountNamed(s, "FAT_REC_1"), 0u);
  // Recovering the deleted tree as a folder brings both levels along.
  TMidEntry* dir1 = s.Find("?ir1");
  ASSERT_NE(dir1, nullptr);
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*dir1), out, FatEntryName(*dir1, true), s.log, s.status));
  EXPECT_EQ(Md5Of(out + "/@ir1/mult2.dat"), "59cf0e9cd107bc1e75afb7374f6e05bb");
  EXPECT_EQ(Md5Of(out + "/@ir1/dir2/frag3.dat"), "a7a14ac62f79fdea4056ed5e8bcf97ef");
  EXPECT_TRUE(s.log.lines.empty());
}

TEST(FatCorpusTest, Dftt5TimesShowAsStored) {
  ScannedVolume s(Corpus("dftt-05-fat-daylight/daylight.dd"));
  const struct {
    const char* name;
    int month, hour;
  } files[] = {{"winter.txt", 1, 14}, {"summer.txt", 6, 15}};
  for (const auto& f : files) {
    TMidEntry* e = s.Find(f.name);
    ASSERT_NE(e, nullptr) << f.name;
    const DosDateTime created = FatEntryDate(*e, kDateCreated);
    ASSERT_TRUE(created.valid);
    const CivilTime t = DateTimeToCivil(created.value);
    EXPECT_EQ(t.year, 2004);
    EXPECT_EQ(t.month, f.month) << f.name;
    EXPECT_EQ(t.hour, f.hour) << f.name;  // zone-less: no daylight shift
  }
}

TEST(FatCorpusTest, Dftt9LabelEntriesAreNotListed) {
  ScannedVolume s(Corpus("dftt-09-fat-label/9-fat-label.dd"));
  ASSERT_NE(s.Find("dir1"), nullptr);
  EXPECT_EQ(s.Find("dir1")->Status, kExisting);
  ASSERT_NE(s.Find("New Folder"), nullptr);
  EXPECT_EQ(s.Find("New Folder")->Status, kDeleted);
  EXPECT_EQ(s.Entries().size(), 2u);  // LABEL2 and dir1/FILE2.DLL carry the label bit
}

TEST(FatCorpusTest, FatcatDeletedFolderLoopAndSharedCluster) {
  {
    ScannedVolume s(Corpus("fatcat-fat32/deleted.img"));
    TMidEntry* file = s.Find("deleted/file.txt");
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(file->Status, kDeleted);
    const std::string out = testing::MakeTempFolder("fatcat");
    ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*file), out, "file.txt", s.log, s.status));
    EXPECT_EQ(testing::ReadTextFile(out + "/file.txt"), "This file was deleted!\n");
  }
  {
    ScannedVolume s(Corpus("fatcat-fat32/directory-loop.img"));
    ASSERT_TRUE(s.Scanned());
    // C holds an entry for A: listed, not walked again.
    EXPECT_NE(s.Find("A/B/C/A"), nullptr);
    EXPECT_EQ(s.Find("A/B/C/A/B"), nullptr);
    EXPECT_EQ(s.Entries().size(), 4u);
  }
  {
    ScannedVolume s(Corpus("fatcat-fat32/two-file-same-cluster.img"));
    const std::string out = testing::MakeTempFolder("fatcat_shared");
    for (const char* name : {"a.txt", "b.txt"}) {
      ASSERT_NE(s.Find(name), nullptr) << name;
      ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*s.Find(name)), out, name, s.log, s.status));
    }
    EXPECT_EQ(testing::ReadTextFile(out + "/a.txt"), testing::ReadTextFile(out + "/b.txt"));
    EXPECT_EQ(testing::ReadTextFile(out + "/a.txt").size(), 13u);
  }
}

TEST(FatCorpusTest, DfirNtfsLoopsDeletedFoldersAndReusedClusters) {
  {
    ScannedVolume s(Corpus("dfirntfs-fat-edge/fat32_loop.raw"));
    ASSERT_TRUE(s.Scanned());
    // The source's own test: the walk ends with between 51 and 99 entries.
    EXPECT_GE(s.Entries().size(), 51u);
    EXPECT_LE(s.Entries().size(), 99u);
    EXPECT_NE(s.Find("test_dir/1/11/111.txt"), nullptr);
  }
  {
    // A deleted folder whose chain is gone is read on through the free
    // clusters after its first while they hold entries: all 500 of "test"
    // (fls names 14 in the folder and finds the other 486 as orphans; the
    // source's own reader stops at 30).
    ScannedVolume s(Corpus("dfirntfs-fat-deleted/fat_deleted_dir.raw"));
    int first = -1, last = -1;
    TMidEntry* test = s.Find("test");
    ASSERT_NE(test, nullptr);
    ASSERT_TRUE(s.Engine().GetChildRange(FatFolderKey(*test, kFat32), first, last));
    EXPECT_EQ(last - first + 1, 500);
    for (int i = first; i <= last; ++i) EXPECT_EQ(s.Entries()[static_cast<size_t>(i)]->Status, kDeleted);
    EXPECT_NE(s.Find("test_2/1.txt"), nullptr);
  }
  {
    // A deleted folder whose cluster now holds a moved folder's contents:
    // both the deleted view and the existing one are listed.
    ScannedVolume s(Corpus("dfirntfs-fat-deleted/fat16_moved.raw"));
    ASSERT_NE(s.Find("test/2/11/1.txt"), nullptr);
    EXPECT_EQ(s.Find("test/2/11/1.txt")->Status, kExisting);
    ASSERT_NE(s.Find("test/1/?1/1.txt"), nullptr);
    EXPECT_EQ(s.Find("test/1/?1/1.txt")->Status, kDeleted);
  }
  {
    ScannedVolume s(Corpus("dfirntfs-fat-deleted/fat_dir.raw"));
    size_t deletedTxt = 0;
    for (const auto& e : s.Entries())
      if (e->Status == kDeleted && IsFatFile(*e) && e->DirEntry.FileSize() == 0) ++deletedTxt;
    EXPECT_EQ(deletedTxt, 400u);
  }
}

}  // namespace
}  // namespace tarnwell::engine
