// Recovery of FAT files and folders from crafted volumes.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/text_codec.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

using testing::CraftedFat;
using testing::ReadBinaryFile;
using testing::ScannedVolume;

constexpr uint8_t kFile = 0x20;
constexpr uint8_t kDir = 0x10;

// Cluster c's sector filled with the byte c.
void Mark(CraftedFat& v, uint32_t c) { v.Fill(v.ClusterSector(c), static_cast<uint8_t>(c)); }

std::vector<uint8_t> Expected(const std::vector<uint32_t>& clusters, size_t size) {
  std::vector<uint8_t> out;
  for (uint32_t c : clusters) out.insert(out.end(), 512, static_cast<uint8_t>(c));
  out.resize(size);
  return out;
}

class FatRecoveryTest : public ::testing::Test {
 protected:
  CraftedFat v{kFat16, 1 + 8 + 1 + 200, 8};
  std::string out = testing::MakeTempFolder("fat_recovery");

  void SetUp() override {
    for (uint32_t c = 2; c < 60; ++c) Mark(v, c);
  }
  bool Recover(ScannedVolume& s, const std::string& path) {
    TMidEntry* e = s.Find(path);
    EXPECT_NE(e, nullptr) << path;
    if (!e) return false;
    return tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out, FatEntryName(*e, true), s.log, s.status);
  }
};

TEST_F(FatRecoveryTest, ExistingFilesFollowTheirChainDeletedFilesReadContiguously) {
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "FRAG    BIN", kFile, 10, 1300);  // existing, chain 10 -> 20 -> 11
  v.Chain({10, 20, 11}, 0xFFFF);
  v.Entry(root, 1, "\xE5" "ELFRAG BIN", kFile, 30, 1300);  // deleted: its chain is gone
  v.Entry(root, 2, "BROKEN  BIN", kFile, 40, 1300);  // existing, chain freed: falls back
  v.Entry(root, 3, "SHORT   BIN", kFile, 44, 1300);  // chain ends one cluster early
  v.Chain({44, 50}, 0xFFFF);
  v.Entry(root, 4, "LOOP    BIN", kFile, 52, 1300);
  v.Chain({52, 55}, 52);
  ScannedVolume s(v.Take());
  ASSERT_TRUE(Recover(s, "FRAG.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/FRAG.BIN"), Expected({10, 20, 11}, 1300));
  ASSERT_TRUE(Recover(s, "?ELFRAG.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/@ELFRAG.BIN"), Expected({30, 31, 32}, 1300));
  ASSERT_TRUE(Recover(s, "BROKEN.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/BROKEN.BIN"), Expected({40, 41, 42}, 1300));
  ASSERT_TRUE(Recover(s, "SHORT.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/SHORT.BIN"), Expected({44, 45, 46}, 1300));
  ASSERT_TRUE(Recover(s, "LOOP.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/LOOP.BIN"), Expected({52, 53, 54}, 1300));
  EXPECT_TRUE(s.log.lines.empty());
}

TEST_F(FatRecoveryTest, SizesAndUniqueNames) {
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "\xE5" "NE     TXT", kFile, 5, 1025);  // two clusters + 1 byte
  v.Entry(root, 1, "EMPTY   TXT", kFile, 0, 0);
  v.Entry(root, 2, "EXACT   TXT", kFile, 7, 1024);
  v.Chain({7, 8}, 0xFFFF);
  ScannedVolume s(v.Take());
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(Recover(s, "?NE.TXT"));
  // Clusters 7 and 8 belong to the live EXACT.TXT: the deleted file's
  // third cluster is the next free one.
  EXPECT_EQ(ReadBinaryFile(out + "/@NE.TXT"), Expected({5, 6, 9}, 1025));
  EXPECT_EQ(ReadBinaryFile(out + "/@NE_1.TXT").size(), 1025u);
  EXPECT_EQ(ReadBinaryFile(out + "/@NE_2.TXT").size(), 1025u);
  ASSERT_TRUE(Recover(s, "EMPTY.TXT"));
  ASSERT_TRUE(std::filesystem::is_regular_file(out + "/EMPTY.TXT"));
  EXPECT_EQ(std::filesystem::file_size(out + "/EMPTY.TXT"), 0u);
  ASSERT_TRUE(Recover(s, "EXACT.TXT"));
  EXPECT_EQ(ReadBinaryFile(out + "/EXACT.TXT"), Expected({7, 8}, 1024));
}

TEST_F(FatRecoveryTest, UnsafeNamesStayInsideTheDestination) {
  TMidEntry e;
  e.LongName = "../escape.txt";
  e.DirEntry.bytes[11] = kFile;
  ScannedVolume s(v.Take());
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(e), out, e.LongName, s.log, s.status));
  ASSERT_TRUE(std::filesystem::is_regular_file(out + "/.._escape.txt"));
  EXPECT_EQ(std::filesystem::file_size(out + "/.._escape.txt"), 0u);
  e.LongName = "..";
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(e), out, e.LongName, s.log, s.status));
  struct stat st {};
  EXPECT_EQ(::stat((out + "/_..").c_str(), &st), 0);
}

TEST_F(FatRecoveryTest, FailuresAndStopAreLogged) {
  v.Entry(v.RootSector(), 0, "DATA    BIN", kFile, 5, 5000);
  ScannedVolume s(v.Take());
  TMidEntry* e = s.Find("DATA.BIN");
  ASSERT_NE(e, nullptr);
  EXPECT_FALSE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out + "/missing", "DATA.BIN", s.log, s.status));
  ASSERT_EQ(s.log.lines.size(), 1u);
  EXPECT_EQ(s.log.lines[0].text, "DATA.BIN" + platform::SystemText(":  无法创建目标文件"));
  EXPECT_EQ(s.log.lines[0].icon, kLogError);

  s.pump.calls = 0;
  s.pump.actOnCall = 4;
  s.pump.action = [&] { s.Engine().RequestStop(); };
  EXPECT_FALSE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out, "DATA.BIN", s.log, s.status));
  ASSERT_EQ(s.log.lines.size(), 2u);
  EXPECT_EQ(s.log.lines[1].text, "DATA.BIN" + platform::SystemText(":  恢复被用户终止"));
  EXPECT_EQ(s.log.lines[1].icon, kLogStopped);
  EXPECT_EQ(ReadBinaryFile(out + "/DATA.BIN").size(), 3u * 512);  // partial output stays
}

TEST_F(FatRecoveryTest, FoldersSharingAClusterKeepTheirOwnChildren) {
  // A deleted folder and the existing folder that reused its cluster.
  testing::AddFoldersSharingACluster(v);
  ScannedVolume s(v.Take());
  TMidEntry* fresh = s.Find("NEW");
  ASSERT_NE(fresh, nullptr);
  // Both folders list the child: the existing one as existing, the deleted
  // one as deleted.
  EXPECT_EQ(s.Find("NEW/CHILD.TXT")->Status, kExisting);
  EXPECT_EQ(s.Find("?LD/CHILD.TXT")->Status, kDeleted);
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*fresh), out, "NEW", s.log, s.status));
  EXPECT_EQ(ReadBinaryFile(out + "/NEW/CHILD.TXT"), Expected({20}, 10));
  EXPECT_EQ(ReadBinaryFile(out + "/NEW/SUB/DEEP.TXT"), Expected({21, 22}, 700));
  struct stat st {};
  EXPECT_NE(::stat((out + "/NEW/CHILD_1.TXT").c_str(), &st), 0);  // each child once
  EXPECT_TRUE(s.log.lines.empty());
}

TEST_F(FatRecoveryTest, PreviewReadsTheFirstFourSectors) {
  v.Entry(v.RootSector(), 0, "P       BIN", kFile, 9, 10);
  ScannedVolume s(v.Take());
  std::array<uint8_t, 2048> buffer{};
  ASSERT_TRUE(s.Engine().EntryOf(*s.Find("P.BIN")).ReadPreview(buffer));
  EXPECT_EQ(buffer[0], 9);
  EXPECT_EQ(buffer[511], 9);
  EXPECT_EQ(buffer[512], 10);
  EXPECT_EQ(buffer[2047], 12);
}

// A preview that cannot read gives zeros and false, never the bytes of the
// file previewed before it.
TEST_F(FatRecoveryTest, FailedPreviewZeroesTheBufferAndSaysSo) {
  v.Entry(v.RootSector(), 0, "FAR     BIN", kFile, 60000, 10);  // beyond the volume
  ScannedVolume s(v.Take());
  std::array<uint8_t, 2048> buffer;
  buffer.fill(0x5A);
  EXPECT_FALSE(s.Engine().EntryOf(*s.Find("FAR.BIN")).ReadPreview(buffer));
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](uint8_t b) { return b == 0; }));
}

// Recovery holds the busy flag while it copies (so the window cannot
// rescan or free the entries under it) and puts back what it found.
TEST_F(FatRecoveryTest, RecoveryIsBusyWhileItCopies) {
  v.Entry(v.RootSector(), 0, "BIG     BIN", kFile, 10, 4000);
  ScannedVolume s(v.Take());
  std::vector<bool> seen;
  s.pump.actOnCall = s.pump.calls + 1;
  s.pump.action = [&] { seen.push_back(s.Engine().Scanning); };
  ASSERT_TRUE(Recover(s, "BIG.BIN"));
  ASSERT_FALSE(seen.empty());
  EXPECT_TRUE(seen[0]);
  EXPECT_FALSE(s.Engine().Scanning);
  s.Engine().Scanning = true;  // the window's recover loop holds it
  ASSERT_TRUE(Recover(s, "BIG.BIN"));
  EXPECT_TRUE(s.Engine().Scanning);
}

}  // namespace
}  // namespace tarnwell::engine
