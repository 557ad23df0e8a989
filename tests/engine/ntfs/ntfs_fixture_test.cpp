// The NTFS volume made by tests/fixtures/ntfs/make_ntfs_fixtures.sh: every
// file it wrote is listed (deleted ones unless their record was reused) and
// comes back byte-exact, compressed and sparse ones included.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/entry_helpers.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Digest;
using testing::ScannedVolume;

struct ManifestLine {
  std::string path;
  size_t size;
  std::string sha256;
  std::string state;  // present, deleted, lost
};

std::vector<ManifestLine> ReadManifest() {
  std::vector<ManifestLine> lines;
  for (std::vector<std::string> f : tarnwell::testing::TabSeparatedRows("ntfs/ntfs-mixed.manifest")) {
    f.resize(4);  // path, size, sha256, state
    ManifestLine m;
    m.path = f[0];
    m.size = std::stoul(f[1]);
    m.sha256 = f[2];
    m.state = f[3];
    lines.push_back(m);
  }
  return lines;
}

class MixedVolume : public ::testing::Test {
 protected:
  ScannedVolume volume{"ntfs/ntfs-mixed.img"};
  // A file whose parent folder record was reused is found under a lost
  // folder "[Folder]N" instead of its former path.
  tntfsfilerecord* Locate(const std::string& path) {
    if (auto* r = volume.Find(path)) return r;
    const std::string leaf = path.substr(path.rfind('/') + 1);
    for (const auto& [p, r] : volume.ByPath())
      if (p.rfind("[Folder]", 0) == 0 && p.substr(p.find('/') + 1) == leaf) return r;
    return nullptr;
  }
};

TEST_F(MixedVolume, ListsAndRecoversEveryFileByteExact) {
  ASSERT_TRUE(volume.Scanned());
  const auto manifest = ReadManifest();
  ASSERT_GT(manifest.size(), 15u);
  int checked = 0;
  for (const auto& m : manifest) {
    if (m.state == "lost") continue;
    tntfsfilerecord* r = Locate(m.path);
    ASSERT_NE(r, nullptr) << m.path;
    EXPECT_EQ((r->RecordFlags & 1) == 0, m.state == "deleted") << m.path;
    EXPECT_EQ(static_cast<size_t>(r->DataSize), m.size) << m.path;
    const std::string data = volume.Recover(*r);
    EXPECT_EQ(data.size(), m.size) << m.path;
    EXPECT_EQ(Digest("sha256sum", data), m.sha256) << m.path;
    ++checked;
  }
  EXPECT_GE(checked, 19);
  EXPECT_TRUE(volume.Log().lines.empty());
}

TEST_F(MixedVolume, DeletedFilesAreJudgedByTheirClustersInTheBitmap) {
  ASSERT_TRUE(volume.Scanned());
  TUndelete& engine = volume.Engine();
  int deleted = 0;
  for (const auto& m : ReadManifest()) {
    tntfsfilerecord* r = Locate(m.path);
    if (!r) continue;  // a lost file whose record was reused
    const Recoverability state = engine.EntryOf(*r).Recoverable();
    if (m.state == "present") {
      EXPECT_EQ(state, Recoverability::kNone) << m.path;
    } else if (m.state == "deleted") {
      EXPECT_EQ(state, Recoverability::kIntact) << m.path;
      ++deleted;
    } else if ((r->RecordFlags & 1) == 0 && Digest("sha256sum", volume.Recover(*r)) != m.sha256) {
      EXPECT_TRUE(IsOverwritten(state)) << m.path << " is lost but " << RecoverabilityKey(state);
    }
  }
  EXPECT_GE(deleted, 6);
  // A live file's record taken for a deleted one: its clusters are in use,
  // by itself. Kept in the record, the data has no clusters to lose.
  for (const char* path : {"filler1.bin", "fragmented.bin", "docs/small.txt"}) {
    tntfsfilerecord* live = volume.Find(path);
    ASSERT_NE(live, nullptr) << path;
    tntfsfilerecord copy = *live;
    copy.RecordFlags = 0;
    copy.Recoverable = kUnknownRecoverability;  // the live record's answer was kept
    EXPECT_EQ(engine.RecoverabilityOf(copy), std::string(path) == "docs/small.txt" ? Recoverability::kIntact
                                                                                   : Recoverability::kOverwritten)
        << path;
  }
}

TEST_F(MixedVolume, BuildsTheTreeWithRootLostFoldersAndDeletedFolders) {
  ASSERT_TRUE(volume.Scanned());
  const auto& entries = volume.Drive().NtfsEntries;
  ASSERT_FALSE(entries.empty());
  EXPECT_EQ(entries[0]->Name, "\\");
  EXPECT_EQ(entries[0]->RecordNumber, 5);
  EXPECT_EQ(entries[0]->RecordFlags, 1);
  for (const auto& r : entries) EXPECT_GE(r->RecordNumber, 5) << r->Name;
  // The folder whose record a file took: its deleted child sits under a
  // synthetic folder named after the record.
  const tntfsfilerecord* orphan = Locate("parent_dir/orphan.bin");
  ASSERT_NE(orphan, nullptr);
  ASSERT_NE(orphan->Parent, nullptr);
  EXPECT_EQ(orphan->Parent->Name, "[Folder]" + std::to_string(orphan->FileName.ParentRecord()));
  EXPECT_EQ(orphan->Parent->Parent, nullptr);
  // A deleted folder tree keeps its shape.
  const tntfsfilerecord* gone = volume.Find("gone");
  ASSERT_NE(gone, nullptr);
  EXPECT_FALSE(IsNtfsFile(*gone));
  EXPECT_EQ(gone->RecordFlags & 1, 0);
  EXPECT_NE(volume.Find("gone/inner/second_file_with_long_name.bin"), nullptr);
  // Chinese names come through in the system code page.
  EXPECT_NE(volume.Find("中文目录/说明文件.txt"), nullptr);
  // The progress bar was shown, moved forward, and hidden at the end.
  const auto& progress = volume.Progress();
  ASSERT_FALSE(progress.visibility.empty());
  EXPECT_TRUE(progress.visibility.front());
  EXPECT_FALSE(progress.visibility.back());
  for (size_t i = 1; i < progress.positions.size(); ++i)
    EXPECT_GE(progress.positions[i], progress.positions[i - 1]);
  EXPECT_LE(progress.positions.back(), 100);
}

TEST_F(MixedVolume, ListsEveryNameTheSleuthKitLists) {
  ASSERT_TRUE(volume.Scanned());
  // fls -r -p of the same image, kept beside it. Its metadata files (records
  // below 16) and its "$OrphanFiles" placeholders are not ours to list.
  std::istringstream in(tarnwell::testing::ReadTextFile(
      tarnwell::testing::FixtureSourcePath("ntfs/ntfs-mixed.fls")));
  std::string line;
  int compared = 0;
  while (std::getline(in, line)) {
    const std::string path = line.substr(line.find('\t') + 1);
    const std::string leaf = path.substr(path.rfind('/') + 1);
    if (leaf[0] == '$' || path.find("$Extend") != std::string::npos ||
        path.find("OrphanFile-") != std::string::npos || line[0] == 'V')
      continue;
    bool found = false;
    for (const auto& [p, r] : volume.ByPath())
      found = found || p.substr(p.rfind('/') + 1) == leaf;
    EXPECT_TRUE(found) << path;
    ++compared;
  }
  EXPECT_GT(compared, 25);
}

TEST_F(MixedVolume, RecoversAFolderWithItsSubfolders) {
  ASSERT_TRUE(volume.Scanned());
  tntfsfilerecord* docs = volume.Find("docs");
  ASSERT_NE(docs, nullptr);
  const std::string dest = tarnwell::testing::MakeTempFolder("docs");
  tarnwell::testing::RecordingStatus status;
  EXPECT_TRUE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*docs), dest, docs->Name, volume.Log(), status));
  const auto bytes =
      tarnwell::testing::ReadBinaryFile(dest + "/docs/reports/2023/quarterly_summary_report.txt");
  EXPECT_EQ(bytes.size(), 12600u);
  EXPECT_TRUE(std::filesystem::exists(dest + "/docs/small.txt"));
  EXPECT_FALSE(status.texts.empty());
  // Recovering again into the same place never overwrites: "docs_1".
  EXPECT_TRUE(tarnwell::testing::RecoverInto(volume.Engine().EntryOf(*docs), dest, docs->Name, volume.Log(), status));
  EXPECT_TRUE(std::filesystem::exists(dest + "/docs_1/small.txt"));
}

TEST_F(MixedVolume, PreviewShowsTheFirstBytes) {
  ASSERT_TRUE(volume.Scanned());
  for (const char* path : {"docs/small.txt", "docs/reports/short.bin", "fragmented.bin"}) {
    tntfsfilerecord* r = volume.Find(path);
    ASSERT_NE(r, nullptr) << path;
    const std::string data = volume.Recover(*r);
    std::array<uint8_t, 2048> preview;
    EXPECT_TRUE(volume.Engine().EntryOf(*r).ReadPreview(preview));
    const size_t n = std::min<size_t>(data.size(), 2048);
    EXPECT_EQ(std::string(preview.begin(), preview.begin() + n), data.substr(0, n)) << path;
  }
}

TEST_F(MixedVolume, StopDuringRecoveryLogsTheStoppedLine) {
  ASSERT_TRUE(volume.Scanned());
  tntfsfilerecord* r = volume.Find("sparse.bin");
  ASSERT_NE(r, nullptr);
  volume.Pump().actOnCall = volume.Pump().calls + 1;
  volume.Pump().action = [&] { volume.Engine().RequestStop(); };
  EXPECT_EQ(volume.Recover(*r), "<failed>");
  ASSERT_EQ(volume.Log().lines.size(), 1u);
  EXPECT_EQ(volume.Log().lines[0].text, r->Name + platform::SystemText(":  恢复被用户终止"));
  EXPECT_EQ(volume.Log().lines[0].icon, kLogStopped);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
