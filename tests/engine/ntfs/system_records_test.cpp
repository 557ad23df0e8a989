// The file system's own records stay out of the list with everything filed
// below them ($Extend and its folders), so no volume shows a made-up
// "[Folder]11"; and a folder the scan makes up has no stamps.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "engine/entry_helpers.h"
#include "engine/ntfs/system_records.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

std::unique_ptr<tntfsfilerecord> Record(int64_t number, uint64_t parent, bool folder) {
  auto r = std::make_unique<tntfsfilerecord>();
  r->RecordNumber = number;
  r->RecordSector = 1000 + 2 * number;
  r->Name = "r" + std::to_string(number);
  r->FileName.SetParentRecord(parent);
  if (folder) r->FileName.SetAttributes(kNtfsAttrDirectory);
  return r;
}

std::set<int64_t> Numbers(const NtfsEntryList& list) {
  std::set<int64_t> n;
  for (const auto& r : list) n.insert(r->RecordNumber);
  return n;
}

TEST(DropSystemFilesTest, DropsWhatLiesBelowMetadataAtAnyDepthAndNothingElse) {
  NtfsEntryList list;
  list.push_back(Record(16, 5, false));   // a user file in the root
  list.push_back(Record(24, 11, false));  // $Extend/$Quota
  list.push_back(Record(27, 11, true));   // $Extend/$RmMetadata
  list.push_back(Record(30, 27, true));   // $Extend/$RmMetadata/$TxfLog
  list.push_back(Record(33, 30, false));  // .../$TxfLog/$TxfLog.blf
  list.push_back(Record(40, 0, false));   // a deleted file that lost its names
  list.push_back(Record(41, 99, false));  // a file of a lost folder
  list.push_back(Record(42, 42, true));   // a folder naming itself
  list.push_back(Record(43, 44, true));   // two folders naming each other
  list.push_back(Record(44, 43, true));
  list.push_back(Record(45, 9, true));    // an empty folder below $Secure (record 9)
  EXPECT_EQ(DropSystemFiles(list), 5u);
  EXPECT_EQ(Numbers(list), (std::set<int64_t>{16, 40, 41, 42, 43, 44}));
  for (size_t i = 1; i < list.size(); ++i) EXPECT_LT(list[i - 1]->RecordNumber, list[i]->RecordNumber);
}

// Volumes of both writers: ntfs-3g's $Extend holds $ObjId, $Quota and
// $Reparse; Windows 10's also $Deleted and $RmMetadata with two levels of
// folders.
class SystemRecordsOnVolume : public ::testing::TestWithParam<const char*> {};

TEST_P(SystemRecordsOnVolume, NeitherExtendNorItsFilesNorAFolderForThemIsListed) {
  testing::ScannedVolume volume(GetParam());
  ASSERT_TRUE(volume.Scanned());
  TUndelete& engine = volume.Engine();
  int lostFolders = 0;
  for (const auto& r : volume.Drive().NtfsEntries) {
    EXPECT_TRUE(r->Name.empty() || r->Name[0] != '$' || r->Name == "$RECYCLE.BIN") << r->Name;
    if (r.get() == volume.Drive().NtfsEntries.front().get()) continue;  // the root "\"
    EXPECT_FALSE(IsSystemParent(r->FileName.ParentRecord())) << r->Name;
    const EntryHandle h = engine.EntryOf(*r);
    if (r->Name.rfind("[Folder]", 0) == 0) {
      ++lostFolders;
      EXPECT_GE(r->RecordNumber, kFirstUserRecord) << r->Name;
      // A folder the scan made up was never written: no date at all.
      EXPECT_TRUE(h.IsMadeUp());
      for (DateKind k : {kDateCreated, kDateModified, kDateAccessed}) EXPECT_EQ(h.Stamp(k), 0) << r->Name;
    } else {
      EXPECT_FALSE(h.IsMadeUp()) << r->Name;
    }
  }
  const EntryHandle root = engine.EntryOf(*volume.Drive().NtfsEntries.front());
  EXPECT_TRUE(root.IsMadeUp());
  EXPECT_EQ(root.Stamp(kDateModified), 0);
  // ntfs-mixed keeps one real lost folder: a deleted file's parent whose
  // record a file took.
  if (std::string(GetParam()).find("mixed") != std::string::npos) {
    EXPECT_EQ(lostFolders, 1);
  }
}

INSTANTIATE_TEST_SUITE_P(Ntfs, SystemRecordsOnVolume,
                         ::testing::Values("ntfs/ntfs-mixed.img", "corpus/ntfs-samples-win10/ntfs-lastaccess.raw",
                                           "corpus/dfirntfs-ntfs/ntfs3.raw"));

}  // namespace
}  // namespace tarnwell::engine::ntfs
