// The volume made by tests/fixtures/ntfs/make_ntfs_extended.sh, written by
// ntfs-3g: records whose attributes spread over extension records. Folders
// of thousands of long-named entries (their index root moved out), files of
// hundreds of runs (their data in pieces), a file of many hard links (its
// names moved out), and the deleted forms of each: every one is listed once,
// under its own name and folder, and comes back byte-exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include "engine/entry_helpers.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Digest;
using testing::ScannedVolume;

struct Row {
  std::vector<std::string> fields;  // path, size or "crowd", sha256 or count, state
};

std::vector<Row> Manifest() {
  std::vector<Row> rows;
  for (std::vector<std::string>& cells : tarnwell::testing::TabSeparatedRows("ntfs/ntfs-extended.manifest"))
    if (cells.size() == 4) rows.push_back({std::move(cells)});
  return rows;
}

class ExtendedVolume : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { volume_ = new ScannedVolume("ntfs/ntfs-extended.img"); }
  static void TearDownTestSuite() {
    delete volume_;
    volume_ = nullptr;
  }
  static ScannedVolume& Volume() { return *volume_; }
  static int ChildrenOf(const tntfsfilerecord* folder) {
    int n = 0;
    for (const auto& r : Volume().Drive().NtfsEntries) n += r->Parent == folder;
    return n;
  }

 private:
  static ScannedVolume* volume_;
};
ScannedVolume* ExtendedVolume::volume_ = nullptr;

TEST_F(ExtendedVolume, SpreadFilesAreListedWithTheirSizesAndRecoveredByteExact) {
  ASSERT_TRUE(Volume().Scanned());
  int files = 0;
  for (const Row& row : Manifest()) {
    const auto& f = row.fields;
    if (f[1] == "crowd" || f[3] != "present") continue;
    // A record of many names (hard links) is one entry, under one of them.
    tntfsfilerecord* r = Volume().Find(f[0]);
    for (const auto& [path, record] : Volume().ByPath())
      if (!r && path.rfind(f[0] + " also known", 0) == 0) r = record;
    ASSERT_NE(r, nullptr) << f[0];
    EXPECT_EQ(r->RecordFlags & 1, 1) << f[0];
    EXPECT_EQ(std::to_string(r->DataSize), f[1]) << f[0];
    EXPECT_EQ(Digest("sha256sum", Volume().Recover(*r)), f[2]) << f[0];
    ++files;
  }
  EXPECT_EQ(files, 2);
  EXPECT_TRUE(Volume().Log().lines.empty());
}

TEST_F(ExtendedVolume, DeletedFilesThatLostTheirNamesAreListedByRecord) {
  ASSERT_TRUE(Volume().Scanned());
  // Unlinking a spread record, ntfs-3g removes its file names and, from the
  // list, the data pieces in extension records. The many-named file kept
  // its data in the base record; the file of 600 runs lost the list entry
  // of its second piece, which its freed extension record still holds, so
  // both come back whole (fls and icat give up on the second).
  std::map<std::string, const tntfsfilerecord*> nameless;
  for (const auto& r : Volume().Drive().NtfsEntries) {
    if (r->Name.rfind("[File]", 0) != 0) continue;
    {
      EXPECT_EQ(r->Name, "[File]" + std::to_string(r->RecordNumber));
      EXPECT_EQ(r->Parent, nullptr) << r->Name;
      EXPECT_EQ(r->RecordFlags & 1, 0) << r->Name;
      nameless[std::to_string(r->DataSize)] = r.get();
    }
  }
  EXPECT_EQ(nameless.size(), 2u);
  for (const Row& row : Manifest()) {
    const auto& f = row.fields;
    if (f[1] == "crowd" || f[3] != "deleted") continue;
    ASSERT_TRUE(nameless.count(f[1])) << f[0];
    auto* r = const_cast<tntfsfilerecord*>(nameless[f[1]]);
    EXPECT_EQ(Digest("sha256sum", Volume().Recover(*r)), f[2]) << f[0];
  }
}

TEST_F(ExtendedVolume, CrowdedFoldersHoldAllTheirEntries) {
  ASSERT_TRUE(Volume().Scanned());
  // Each entry holds "FOLDER NUMBER\n", so its contents say which folder
  // it was written in. ntfs-3g removes the names of a deleted record whose
  // attributes were spread, so the deleted folder is a synthetic
  // "[Folder]N" holding its entries.
  const auto entry = [](const std::string& number) {
    return "entry number " + number + " with a deliberately long name that fills the index of its folder quickly.txt";
  };
  int folders = 0;
  for (const Row& row : Manifest()) {
    const auto& f = row.fields;
    if (f[1] != "crowd") continue;
    const tntfsfilerecord* folder = nullptr;
    for (const auto& r : Volume().Drive().NtfsEntries)
      if (!folder && r->Name == entry("0001") && Volume().Recover(*r) == f[0] + " 0001\n") folder = r->Parent;
    ASSERT_NE(folder, nullptr) << f[0];
    EXPECT_FALSE(IsNtfsFile(*folder)) << f[0];
    EXPECT_EQ(folder->Name, f[3] == "deleted" ? "[Folder]" + std::to_string(folder->RecordNumber) : f[0]);
    EXPECT_EQ(ChildrenOf(folder), std::stoi(f[2])) << f[0];
    for (const std::string number : {"0777", "1500"}) {
      const tntfsfilerecord* r = nullptr;
      for (const auto& e : Volume().Drive().NtfsEntries)
        if (e->Parent == folder && e->Name == entry(number)) r = e.get();
      ASSERT_NE(r, nullptr) << f[0] << " " << number;
      EXPECT_EQ(Volume().Recover(*const_cast<tntfsfilerecord*>(r)), f[0] + " " + number + "\n");
    }
    ++folders;
  }
  EXPECT_EQ(folders, 2);
}

TEST_F(ExtendedVolume, ListsEveryRecordTheSleuthKitListsAndNoOther) {
  ASSERT_TRUE(Volume().Scanned());
  if (std::system("command -v fls >/dev/null 2>&1") != 0) GTEST_SKIP() << "fls (sleuthkit) is not installed";
  // fls lists each name of a record, and so is a file with hard links
  // listed here once per name (linked.txt has thirteen). Extension records
  // are never among them. fls lists the deleted files whose name moved out
  // as orphans without a name; here they keep theirs (checked above).
  std::map<int64_t, int> tsk;  // record -> names
  std::istringstream in(tarnwell::testing::ShellOutput(
      "fls -r -p '" + tarnwell::testing::FixturePath("ntfs/ntfs-extended.img") + "'"));
  for (std::string line; std::getline(in, line);) {
    // "r/r 4079-128-2:", "-/r * 4080-128-2:" (deleted); its own folder of
    // orphans ("V/V") and unused records without attributes ("-/r * 16:")
    // are no files.
    std::istringstream fields(line.substr(0, line.find('\t')));
    std::string kind, address;
    fields >> kind >> address;
    if (address == "*") fields >> address;
    if (kind == "V/V" || address.find('-') == std::string::npos) continue;
    // The file system's own files, $Extend's included, are left out here;
    // fls's orphans are files.
    const std::string path = line.substr(line.find('\t') + 1);
    if (path.rfind("$", 0) == 0 && path.rfind("$OrphanFiles/", 0) != 0) continue;
    const int64_t record = std::stoll(address);
    if (record >= 16) ++tsk[record];
  }
  ASSERT_GT(tsk.size(), 4000u);
  EXPECT_GT(std::count_if(tsk.begin(), tsk.end(), [](const auto& r) { return r.second > 1; }), 0)
      << "the volume has a file with hard links";
  std::map<int64_t, int> ours;
  std::set<std::pair<uint64_t, std::string>> places;
  for (const auto& r : Volume().Drive().NtfsEntries)
    if (r->RecordNumber >= 16 && r->StreamName.empty()) {  // a stream shares its file's record
      ++ours[r->RecordNumber];
      EXPECT_TRUE(places.emplace(r->FileName.ParentRecord(), r->Name).second) << "listed twice: " << r->Name;
    }
  for (const auto& [n, names] : tsk) EXPECT_EQ(ours[n], names) << "names of record " << n;
  for (const auto& [n, names] : ours) EXPECT_TRUE(tsk.count(n)) << "record " << n << " listed, not by fls";
}

TEST_F(ExtendedVolume, EveryNameOfAHardLinkedFileIsListedInItsFolderAndRecoversTheSameBytes) {
  ASSERT_TRUE(Volume().Scanned());
  std::string digest;
  for (const Row& row : Manifest())
    if (row.fields[0] == "linked.txt") digest = row.fields[2];
  ASSERT_FALSE(digest.empty());
  int64_t record = -1;
  for (const auto& r : Volume().Drive().NtfsEntries)
    if (r->Name == "linked.txt") record = r->RecordNumber;
  ASSERT_GE(record, 16);
  std::set<std::string> names;
  for (const auto& r : Volume().Drive().NtfsEntries) {
    if (r->RecordNumber != record) continue;
    names.insert(r->Name);
    ASSERT_NE(r->Parent, nullptr) << r->Name;
    EXPECT_EQ(r->Parent->RecordNumber, kNtfsRootRecord) << r->Name;
    EXPECT_EQ(r->DataSize, 11400) << r->Name;
    EXPECT_EQ(Digest("sha256sum", Volume().Recover(*const_cast<tntfsfilerecord*>(r.get()))), digest) << r->Name;
  }
  EXPECT_EQ(names.size(), 13u);
  EXPECT_TRUE(names.count("linked.txt also known under a long hard-linked name number 12 that takes room in the record"));
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
