// What the front ends rely on when they hold entry handles: the top of a
// drive's tree, children that are a folder's own, parents up to the root,
// folder paths, and recovery results that tell a stop from a failure.
#include <gtest/gtest.h>

#include "engine/recovery/output_path.h"
#include "tests/engine/fat/fat_test_volume.h"
#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine {
namespace {

std::vector<std::string> Names(const std::vector<EntryHandle>& entries) {
  std::vector<std::string> names;
  for (const EntryHandle& e : entries) names.push_back(e.Name());
  return names;
}

const EntryHandle* Named(const std::vector<EntryHandle>& entries, const std::string& name) {
  for (const EntryHandle& e : entries)
    if (e.Name() == name) return &e;
  return nullptr;
}

TEST(FatEntryHandles, FoldersSharingAClusterListTheirOwnChildrenUpToTheRoot) {
  testing::CraftedFat v(kFat16, 1 + 8 + 1 + 200, 8);
  testing::AddFoldersSharingACluster(v);
  testing::ScannedVolume s(v.Take());
  ASSERT_TRUE(s.Scanned());

  const EntryHandle top = s.Engine().TopEntry();
  EXPECT_TRUE(top.IsRoot() && top.IsFolder());
  const std::vector<EntryHandle> rootEntries = top.ChildRange();
  EXPECT_EQ(Names(rootEntries), (std::vector<std::string>{"NEW", "?LD"}));
  const EntryHandle fresh = *Named(rootEntries, "NEW");
  const EntryHandle old = *Named(rootEntries, "?LD");
  EXPECT_EQ(fresh.Parent(), top);
  // Both list "Child.txt" and "Sub", each its own records, in its own state.
  const std::vector<EntryHandle> freshChildren = fresh.ChildRange(), oldChildren = old.ChildRange();
  const std::vector<std::string> both{"CHILD.TXT", "SUB"};
  ASSERT_EQ(Names(freshChildren), both);
  ASSERT_EQ(Names(oldChildren), both);
  const EntryHandle freshSub = freshChildren[1], oldSub = oldChildren[1];
  EXPECT_NE(freshSub, oldSub);
  EXPECT_EQ(freshSub.Status(), EntryStatus::kExisting);
  EXPECT_EQ(oldSub.Status(), EntryStatus::kDeleted);
  const EntryHandle deep = freshSub.ChildRange().at(0);
  EXPECT_EQ(deep.Size(), 700u);
  EXPECT_TRUE(deep.ChildRange().empty());
  EXPECT_EQ(deep.FolderPath(), "\\NEW\\SUB");
  EXPECT_EQ(deep.ParentKey(), freshSub.FolderKey());

  // A stop during the copy is a stop, not a failure.
  s.pump.calls = 0;
  s.pump.actOnCall = 1;
  s.pump.action = [&] { s.Engine().RequestStop(); };
  const std::optional<OutputFolder> out = OutputFolder::Open(tarnwell::testing::MakeTempFolder("handles"));
  ASSERT_TRUE(out);
  NullProgressBar progress;
  EXPECT_EQ(deep.Recover({*out, s.log, s.status, progress}), RecoverResult::kStopped);
}

TEST(NtfsEntryHandles, TheTopListsTheRootAndTheLostFolders) {
  ntfs::testing::ScannedVolume volume("ntfs/ntfs-mixed.img");
  ASSERT_TRUE(volume.Scanned());
  const std::vector<EntryHandle> top = volume.Engine().TopEntry().ChildRange();
  ASSERT_GE(top.size(), 2u);
  EXPECT_TRUE(top[0].IsRoot());
  EXPECT_EQ(top[0].Name(), "\\");
  for (size_t i = 1; i < top.size(); ++i) {
    EXPECT_FALSE(top[i].IsRoot());
    EXPECT_EQ(top[i].Name().rfind("[Folder]", 0), 0u) << top[i].Name();
    EXPECT_FALSE(top[i].Parent());
  }
  EXPECT_TRUE(top[0].ListsChildrenByKey());
  const EntryHandle docs = *Named(top[0].ChildRange(), "docs");
  EXPECT_EQ(docs.Parent(), top[0]);
  const std::vector<EntryHandle> inDocs = docs.ChildRange();
  const EntryHandle* small = Named(inDocs, "small.txt");
  ASSERT_NE(small, nullptr);
  EXPECT_EQ(small->FolderPath(), "\\docs");
  EXPECT_EQ(small->Size(), 42u);
  EXPECT_GT(small->Stamp(kDateModified), 0);
  PreviewBuffer preview;
  ASSERT_TRUE(small->ReadPreview(preview));
  EXPECT_NE(preview[0], 0);
}

}  // namespace
}  // namespace tarnwell::engine
