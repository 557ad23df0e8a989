// What the first cluster hides: a deleted folder read on past its first
// cluster, a deleted file read around live clusters, and the time stamps of
// what is recovered. Crafted volumes for the rules, made images for the
// whole.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>

#include "engine/recovery/output_times.h"
#include "engine/recovery/recovery_log.h"
#include "platform/text_codec.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

using testing::CraftedFat;
using testing::ReadBinaryFile;
using testing::ScannedVolume;

constexpr uint8_t kFile = 0x20;
constexpr uint8_t kDir = 0x10;

// Cluster c's sector filled with the byte c: file data, never entries.
void Mark(CraftedFat& v, uint32_t c) { v.Fill(v.ClusterSector(c), static_cast<uint8_t>(c)); }

// A last (0x40) long-name piece of up to 13 ASCII characters.
std::vector<uint8_t> LongPiece(const std::string& chars, uint8_t checksum) {
  std::vector<uint8_t> b(32, 0);
  b[0] = 0x41;
  b[11] = 0x0F;
  b[13] = checksum;
  const size_t offsets[13] = {1, 3, 5, 7, 9, 14, 16, 18, 20, 22, 24, 28, 30};
  for (size_t i = 0; i < 13; ++i) {
    const uint16_t u = i < chars.size() ? static_cast<uint8_t>(chars[i]) : (i == chars.size() ? 0 : 0xFFFF);
    b[offsets[i]] = static_cast<uint8_t>(u);
    b[offsets[i] + 1] = static_cast<uint8_t>(u >> 8);
  }
  return b;
}

std::vector<std::string> ChildNames(ScannedVolume& s, const TMidEntry* folder) {
  std::vector<std::string> names;
  for (const auto& e : s.Entries())
    if (e->Parent == folder) names.push_back(FatEntryName(*e, false));
  std::sort(names.begin(), names.end());
  return names;
}

// Runs a test body in UTC, whatever zone the machine is in.
class InUtc {
 public:
  InUtc() {
    const char* tz = std::getenv("TZ");
    if (tz) saved_ = tz, had_ = true;
    ::setenv("TZ", "UTC", 1);
    ::tzset();
  }
  ~InUtc() {
    if (had_) ::setenv("TZ", saved_.c_str(), 1); else ::unsetenv("TZ");
    ::tzset();
  }

 private:
  std::string saved_;
  bool had_ = false;
};

// 2024-03-01 12:00:00, the stamp CraftedFat gives every entry.
constexpr time_t kCraftedStamp = 1709294400;

class DeletedFolderTest : public ::testing::Test {
 protected:
  CraftedFat v{kFat16, 1 + 8 + 1 + 100, 8};
  void SetUp() override {
    v.Entry(v.RootSector(), 0, "\xE5" "LDDIR", kDir, 10, 0);
    v.Dots(10, 0);
  }
  // Short deleted entries in slots [from, to) of cluster c.
  void Files(uint32_t c, uint32_t from, uint32_t to, char tag) {
    for (uint32_t slot = from; slot < to; ++slot)
      v.Entry(v.ClusterSector(c), slot, std::string("\xE5") + tag + "FILE" + std::to_string(slot) + " TXT", kFile,
              60 + slot, 10);
  }
};

TEST_F(DeletedFolderTest, ReadsOnPastLiveClustersUntilTheEndMarker) {
  Files(10, 2, 15, 'A');
  v.Raw(v.ClusterSector(10), 15, LongPiece("Split name", 0x77));  // the name runs on into cluster 12
  v.SetFat(11, 0xFFFF);  // a live file took cluster 11 meanwhile
  Mark(v, 11);
  v.Entry(v.ClusterSector(12), 0, "\xE5" "PLIT    TXT", kFile, 90, 10);
  Files(12, 1, 4, 'B');  // then slot 4 is the end marker
  Files(13, 0, 3, 'C');  // beyond the end marker: not the folder's
  ScannedVolume s(v.Take());
  const TMidEntry* folder = s.Find("?LDDIR");
  ASSERT_NE(folder, nullptr);
  const std::vector<std::string> names = ChildNames(s, folder);
  EXPECT_EQ(names.size(), 13u + 1 + 3);
  EXPECT_EQ(std::count(names.begin(), names.end(), "Split name"), 1);
  for (const std::string& n : names) EXPECT_NE(n[1], 'C') << n;
  const TMidEntry* split = s.Find("?LDDIR/Split name");
  ASSERT_NE(split, nullptr);
  EXPECT_EQ(split->Status, kDeleted);
  EXPECT_EQ(split->ParentCluster, 10u);
}

TEST_F(DeletedFolderTest, StopsAtDataAtAnotherFolderAndAtTheLimitsOfTheVolume) {
  Files(10, 2, 16, 'A');
  Mark(v, 11);  // a deleted file's data: the folder ended in cluster 10
  Files(12, 0, 4, 'B');
  {
    ScannedVolume s(v.Take());
    EXPECT_EQ(ChildNames(s, s.Find("?LDDIR")).size(), 14u);
  }
  CraftedFat w{kFat16, 1 + 8 + 1 + 100, 8};
  w.Entry(w.RootSector(), 0, "\xE5" "LDDIR", kDir, 10, 0);
  w.Dots(10, 0);
  for (uint32_t slot = 2; slot < 16; ++slot) w.Entry(w.ClusterSector(10), slot, "\xE5" "A" + std::to_string(slot), kFile, 0, 0);
  w.Dots(11, 0);  // another deleted folder starts right after
  w.Entry(w.ClusterSector(11), 2, "\xE5" "OTHER", kFile, 0, 0);
  ScannedVolume s(w.Take());
  EXPECT_EQ(ChildNames(s, s.Find("?LDDIR")).size(), 14u);

  // A deleted folder in the last data cluster has nothing after it.
  CraftedFat x{kFat16, 1 + 8 + 1 + 40, 8};
  const uint32_t last = 2 + 40 - 1;
  x.Entry(x.RootSector(), 0, "\xE5" "LDDIR", kDir, last, 0);
  x.Dots(last, 0);
  for (uint32_t slot = 2; slot < 16; ++slot) x.Entry(x.ClusterSector(last), slot, "\xE5" "A" + std::to_string(slot), kFile, 0, 0);
  ScannedVolume t(x.Take());
  EXPECT_EQ(ChildNames(t, t.Find("?LDDIR")).size(), 14u);
}

TEST_F(DeletedFolderTest, ALiveFolderEndsWithItsChain) {
  CraftedFat w{kFat16, 1 + 8 + 1 + 100, 8};
  w.Entry(w.RootSector(), 0, "LIVE", kDir, 10, 0);
  w.Dots(10, 0);
  w.SetFat(10, 0xFFFF);
  for (uint32_t slot = 2; slot < 16; ++slot) w.Entry(w.ClusterSector(10), slot, "A" + std::to_string(slot), kFile, 0, 0);
  for (uint32_t slot = 0; slot < 4; ++slot) w.Entry(w.ClusterSector(11), slot, "B" + std::to_string(slot), kFile, 0, 0);
  ScannedVolume s(w.Take());
  EXPECT_EQ(ChildNames(s, s.Find("LIVE")).size(), 14u);
}

TEST(DeletedFileTest, ReadsAroundClustersALiveFileTook) {
  CraftedFat v{kFat16, 1 + 8 + 1 + 100, 8};
  for (uint32_t c = 2; c < 80; ++c) Mark(v, c);
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "\xE5" "ROUND  BIN", kFile, 20, 1300);  // 3 clusters; 21 and 22 live since
  v.Chain({21, 22}, 0xFFFF);
  v.Entry(root, 1, "LIVE    BIN", kFile, 21, 1000);
  v.Entry(root, 2, "\xE5" "VERRUN BIN", kFile, 40, 1300);  // its own start was taken: contiguous
  v.SetFat(40, 0xFFFF);
  v.Entry(root, 3, "\xE5" "LAIN   BIN", kFile, 50, 1300);  // nothing live around it
  ScannedVolume s(v.Take());
  const std::string out = testing::MakeTempFolder("around_live");
  uint64_t overwritten = 0;
  const auto recover = [&](const char* path) {
    TMidEntry* e = s.Find(path);
    EXPECT_NE(e, nullptr) << path;
    if (!e) return false;
    const std::string name = FatEntryName(*e, true);
    const std::optional<OutputFolder> destination = OpenDestination(out, name, s.log);
    NullProgressBar progress;
    return destination && s.Engine().EntryOf(*e).Recover({*destination, s.log, s.status, progress, &name,
                                                          &overwritten}) == RecoverResult::kRecovered;
  };
  const auto state = [&](const char* path) { return s.Engine().EntryOf(*s.Find(path)).Recoverable(); };
  // The run ROUND's size spans holds clusters a live file took: whether
  // the file was written around them or they were taken from it later,
  // nothing says, so its copy is not called intact.
  EXPECT_EQ(state("?ROUND.BIN"), Recoverability::kPartlyOverwritten);
  EXPECT_EQ(state("?VERRUN.BIN"), Recoverability::kOverwritten);
  EXPECT_EQ(state("?LAIN.BIN"), Recoverability::kIntact);
  EXPECT_EQ(state("LIVE.BIN"), Recoverability::kNone);
  const auto clusters = [](std::vector<uint32_t> cs) {
    std::vector<uint8_t> b;
    for (uint32_t c : cs) b.insert(b.end(), 512, static_cast<uint8_t>(c));
    b.resize(1300);
    return b;
  };
  ASSERT_TRUE(recover("?ROUND.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/@ROUND.BIN"), clusters({20, 23, 24}));
  ASSERT_EQ(s.log.lines.size(), 2u);
  EXPECT_NE(s.log.lines[0].text.find("2"), std::string::npos) << "says how many clusters were passed over";
  EXPECT_EQ(s.log.lines[0].icon, kLogInformation);
  EXPECT_EQ(platform::SystemToUtf8(s.log.lines[1].text), "@ROUND.BIN:  部分被覆盖，恢复的内容可能混有其他文件的数据");
  EXPECT_EQ(s.log.lines[1].icon, kLogStopped);
  ASSERT_TRUE(recover("?VERRUN.BIN")) << "written as well as it can be";
  EXPECT_EQ(ReadBinaryFile(out + "/@VERRUN.BIN"), clusters({40, 41, 42}));
  ASSERT_EQ(s.log.lines.size(), 3u);
  EXPECT_EQ(platform::SystemToUtf8(s.log.lines[2].text), "@VERRUN.BIN:  已被覆盖，恢复的内容来自其他文件");
  ASSERT_TRUE(recover("?LAIN.BIN"));
  EXPECT_EQ(ReadBinaryFile(out + "/@LAIN.BIN"), clusters({50, 51, 52}));
  EXPECT_EQ(s.log.lines.size(), 3u);
  EXPECT_EQ(overwritten, 2u);
}

TEST(OutputTimesTest, RecoveredFilesAndFoldersCarryTheirEntrysTimes) {
  InUtc utc;
  CraftedFat v{kFat16, 1 + 8 + 1 + 100, 8};
  const uint32_t root = v.RootSector();
  v.Entry(root, 0, "\xE5" "LDDIR", kDir, 10, 0);
  v.Builder().Put16(root * 512 + 24, 0x5862);  // the folder: 2024-03-02 12:00:00
  v.Dots(10, 0);
  v.Entry(v.ClusterSector(10), 2, "\xE5" "NSIDE  TXT", kFile, 30, 100);
  v.Builder().Put16(v.ClusterSector(10) * 512 + 2 * 32 + 18, 0x5863);  // accessed 2024-03-03
  v.Entry(root, 1, "BADDATE TXT", kFile, 31, 100);
  v.Builder().Put16(root * 512 + 32 + 24, 0x51E0);  // month 15
  ScannedVolume s(v.Take());
  const std::string out = testing::MakeTempFolder("times");
  TMidEntry* folder = s.Find("?LDDIR");
  ASSERT_NE(folder, nullptr);
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*folder), out, FatEntryName(*folder, true), s.log, s.status));
  struct stat st {};
  ASSERT_EQ(::stat((out + "/@LDDIR").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, kCraftedStamp + 86400) << "set after the file inside was made";
  ASSERT_EQ(::stat((out + "/@LDDIR/@NSIDE.TXT").c_str(), &st), 0);
  EXPECT_EQ(st.st_mtime, kCraftedStamp);
  EXPECT_EQ(st.st_atime, kCraftedStamp + 2 * 86400 - 12 * 3600);
  TMidEntry* bad = s.Find("BADDATE.TXT");
  ASSERT_NE(bad, nullptr);
  const time_t before = std::time(nullptr);
  ASSERT_TRUE(tarnwell::testing::RecoverInto(s.Engine().EntryOf(*bad), out, "bad.txt", s.log, s.status));
  ASSERT_EQ(::stat((out + "/bad.txt").c_str(), &st), 0);
  EXPECT_GE(st.st_mtime, before - 1) << "an invalid date leaves the copy's own time";
}

TEST(OutputTimesTest, ConversionsRefuseWhatNoClockWrote) {
  InUtc utc;
  EXPECT_EQ(FatLocalTime(0x5861, 0x6000)->tv_sec, kCraftedStamp);
  EXPECT_FALSE(FatLocalTime(0, 0));
  EXPECT_FALSE(FatLocalTime((44 << 9) | (2 << 5) | 31, 0)) << "31 February";
  EXPECT_FALSE(FatLocalTime(0x5861, 24 << 11));
  const uint64_t epoch = 116444736000000000ull;
  const auto t = FileTimeToTimespec(epoch + 10000000ull * kCraftedStamp + 1234567);
  ASSERT_TRUE(t);
  EXPECT_EQ(t->tv_sec, kCraftedStamp);
  EXPECT_EQ(t->tv_nsec, 123456700);
  EXPECT_FALSE(FileTimeToTimespec(0));
  EXPECT_FALSE(FileTimeToTimespec(epoch - 1));
  EXPECT_FALSE(FileTimeToTimespec(UINT64_MAX));
}

// The made images: deleted folders of 40 and 200 long-named files.
struct ManifestFile {
  std::string path, sha256;
};
std::vector<ManifestFile> ManifestFiles(const std::string& image) {
  std::vector<ManifestFile> files;
  for (const testing::ManifestRow& row : testing::ManifestRows("fat-deleted/MANIFEST"))
    if (row.image == image && row.kind == "file") files.push_back({row.path, row.sha256});
  return files;
}

class DeletedFolderImages : public ::testing::TestWithParam<const char*> {};

TEST_P(DeletedFolderImages, ListAndRecoverEveryFileOfTheDeletedFolders) {
  ScannedVolume s(testing::FixturePath(std::string("fat-deleted/") + GetParam()));
  ASSERT_TRUE(s.Scanned());
  const std::vector<ManifestFile> files = ManifestFiles(GetParam());
  ASSERT_EQ(files.size(), 241u);
  const std::string out = testing::MakeTempFolder("deleted_folders");
  size_t exact = 0;
  for (const ManifestFile& f : files) {
    // Upper-case short names without case flags show as stored, as in the manifest.
    TMidEntry* e = s.Find(f.path);
    EXPECT_NE(e, nullptr) << f.path;
    if (!e) continue;
    if (tarnwell::testing::RecoverInto(s.Engine().EntryOf(*e), out, "f", s.log, s.status))
      exact += testing::Sha256OfFile(out + "/f") == f.sha256;
    std::remove((out + "/f").c_str());
  }
  EXPECT_EQ(exact, files.size());
}

INSTANTIATE_TEST_SUITE_P(SmallClusters, DeletedFolderImages,
                         ::testing::Values("fat32-512.img", "fat32-1k.img", "fat16-512.img", "fat16-1k.img"));

}  // namespace
}  // namespace tarnwell::engine
