// Deleted folders that grew after their files were written, so that their
// later clusters lie among the files' data, on volumes made with real tools
// (mtools on FAT32 and FAT16, exfat-fuse on exFAT). Nothing but their bytes
// leads to those clusters; the scan still lists every deleted file once
// and brings each back whole.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "engine/lost_entries_node.h"
#include "engine/recovery/recovery_log.h"
#include "platform/text_codec.h"
#include "tests/engine/fat/fat_test_volume.h"

namespace tarnwell::engine {
namespace {

struct OrphanImage {
  const char* image;
  // The deleted folder's directory clusters: a long name that a boundary
  // between two of them cuts can be lost (FAT keeps no check that would
  // join the pieces), at most once per boundary.
  int folderClusters;
  bool namesJoined;  // exFAT: the set checksum joins cut sets again
};

class LostEntriesImages : public ::testing::TestWithParam<OrphanImage> {};

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

TEST_P(LostEntriesImages, EveryDeletedFileIsListedOnceAndComesBackWhole) {
  const OrphanImage& param = GetParam();
  testing::ScannedVolume s(testing::FixturePath(std::string("orphans/") + param.image));
  ASSERT_TRUE(s.Scanned());
  const uint8_t fs = s.Drive().FsKind;
  const std::string lostName = platform::SystemText("丢失的条目");

  // One lost-entries node, at the top, deleted, made up and without a date.
  std::vector<const TMidEntry*> nodes;
  for (const auto& e : s.Entries())
    if (IsLostEntriesNode(*e, fs)) nodes.push_back(e.get());
  ASSERT_EQ(nodes.size(), 1u);
  const EntryHandle node = s.Engine().EntryOf(*nodes[0]);
  EXPECT_EQ(node.Name(), lostName);
  EXPECT_TRUE(node.IsFolder());
  EXPECT_TRUE(node.IsDeleted());
  EXPECT_TRUE(node.IsMadeUp());
  EXPECT_EQ(node.Stamp(kDateModified), 0);
  EXPECT_FALSE(node.ChildRange().empty());
  EXPECT_EQ(node.Parent(), s.Engine().TopEntry());

  // A lost entry is found by the search of the whole volume.
  EntryHandle lostFile;
  for (const EntryHandle& child : node.ChildRange())
    if (!child.IsFolder()) lostFile = child;
  ASSERT_TRUE(lostFile);
  TSearchCriteria criteria;
  criteria.Names = lostFile.Name();
  criteria.DeletedOnly = true;
  s.Engine().SearchResults.clear();
  ASSERT_TRUE(s.Engine().Search(criteria));
  EXPECT_NE(std::find(s.Engine().SearchResults.begin(), s.Engine().SearchResults.end(), lostFile),
            s.Engine().SearchResults.end());

  // No directory entry is listed twice.
  std::set<uint64_t> offsets;
  for (const auto& e : s.Entries())
    if (e->EntryOffset != 0) {
      EXPECT_TRUE(offsets.insert(e->EntryOffset).second) << s.PathOf(*e);
    }

  // Every listed file name is one the volume held.
  std::map<std::string, std::string> manifest;  // base name -> sha256
  int deleted = 0;
  for (const testing::ManifestRow& row : testing::ManifestRows("orphans/MANIFEST")) {
    if (row.image != param.image || row.kind != "file") continue;
    manifest[BaseName(row.path)] = row.sha256;
    deleted += row.state == "deleted";
    if (row.state == "existing") {
      const TMidEntry* live = s.Find(row.path);
      ASSERT_NE(live, nullptr) << row.path;
      EXPECT_EQ(live->Status, kExisting) << row.path;
    }
  }
  std::set<std::string> named;
  for (const auto& e : s.Entries()) {
    if (e->LongName.empty() || !IsFatFile(*e)) continue;
    const std::string name = platform::SystemToUtf8(e->LongName);
    EXPECT_TRUE(manifest.contains(name)) << name;
    named.insert(name);
  }
  int deletedNamed = 0;
  for (const testing::ManifestRow& row : testing::ManifestRows("orphans/MANIFEST"))
    if (row.image == param.image && row.kind == "file" && row.state == "deleted")
      deletedNamed += named.contains(BaseName(row.path));
  if (param.namesJoined)
    EXPECT_EQ(deletedNamed, deleted);
  else
    EXPECT_GE(deletedNamed, deleted - (param.folderClusters - 1));

  // The whole volume recovered: every file, live and deleted, byte-exact,
  // and nothing that matches no file.
  const std::string out = testing::MakeTempFolder("lost_entries_images");
  const std::string name = "volume";
  const std::optional<OutputFolder> destination = OpenDestination(out, name, s.log);
  ASSERT_TRUE(destination);
  NullProgressBar progress;
  for (const EntryHandle& top : s.Engine().TopEntry().ChildRange()) {
    const std::string topName = top.Name();
    EXPECT_EQ(top.Recover({*destination, s.log, s.status, progress, &topName, nullptr}), RecoverResult::kRecovered)
        << topName;
  }
  const std::multiset<std::string> hashes = testing::HashesBelow(out);
  std::set<std::string> wanted;
  for (const auto& [file, sha] : manifest) wanted.insert(sha);
  for (const std::string& sha : wanted) EXPECT_TRUE(hashes.contains(sha)) << "not recovered: " << sha;
  for (const std::string& sha : hashes) EXPECT_TRUE(wanted.contains(sha)) << "matches no file: " << sha;
  EXPECT_EQ(hashes.size(), manifest.size()) << "each file once";
}

INSTANTIATE_TEST_SUITE_P(MadeWithRealTools, LostEntriesImages,
                         ::testing::Values(OrphanImage{"fat32-orphans.img", 19, false},
                                           OrphanImage{"fat16-orphans.img", 10, false},
                                           OrphanImage{"exfat-orphans.img", 8, true}),
                         [](const auto& info) {
                           std::string n = info.param.image;
                           return n.substr(0, n.find('-'));
                         });

// The exFAT folder's first cluster cuts a set whose rest lies in a lost
// cluster: joined by its checksum, that cluster is the folder's own, and
// the files in it are listed in the folder, not among the lost entries.
TEST(LostEntriesExfat, ClustersThatContinueADeletedFolderAreListedInIt) {
  testing::ScannedVolume s(testing::FixturePath("orphans/exfat-orphans.img"));
  ASSERT_TRUE(s.Scanned());
  int inFolder = 0;
  for (const auto& e : s.Entries()) inFolder += e->Parent && platform::SystemToUtf8(e->Parent->LongName) == "grown";
  // Its first cluster alone holds 21 whole sets.
  EXPECT_GT(inFolder, 22);
  EXPECT_NE(s.Find("grown/A rather long file name number 022 of grown.txt"), nullptr);
}

// Volumes whose deleted folders lie in one piece keep no lost node.
TEST(LostEntriesImagesWithout, NoNodeWhenEveryDirectoryClusterIsOwned) {
  for (const char* image : {"fat-deleted/fat32-512.img", "fat-deleted/fat16-1k.img", "exfat/exfat.img"}) {
    testing::ScannedVolume s(testing::FixturePath(image));
    ASSERT_TRUE(s.Scanned()) << image;
    for (const auto& e : s.Entries()) EXPECT_FALSE(IsLostEntriesNode(*e, s.Drive().FsKind)) << image;
  }
}

}  // namespace
}  // namespace tarnwell::engine
