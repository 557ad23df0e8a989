// NTFS images made by others: every file The Sleuth Kit lists (deleted ones
// included) is listed by us at the same path and recovered with the same
// MD5 as icat gives; the published answer keys hold as well.
#include <gtest/gtest.h>

#include <map>

#include "tests/engine/ntfs/scanned_volume.h"

namespace tarnwell::engine::ntfs {
namespace {

using testing::Digest;
using testing::ScannedVolume;

struct Expected {
  std::string path;
  bool deleted;
  std::string md5;
};

std::map<std::string, std::vector<Expected>> ReadExpectations() {
  std::map<std::string, std::vector<Expected>> byImage;
  for (const std::vector<std::string>& cells : tarnwell::testing::TabSeparatedRows("ntfs/corpus-icat.tsv")) {
    if (cells.size() < 4) continue;
    byImage[cells[0]].push_back({cells[1], cells[2] == "1", cells[3]});
  }
  return byImage;
}

class CorpusImage : public ::testing::TestWithParam<std::string> {};

TEST_P(CorpusImage, ListsAndRecoversWhatTheSleuthKitRecovers) {
  const auto expectations = ReadExpectations();
  const auto it = expectations.find(GetParam());
  ASSERT_NE(it, expectations.end());
  ScannedVolume volume(GetParam());
  ASSERT_TRUE(volume.Scanned());
  EXPECT_TRUE(volume.Boxes().errors.empty());
  for (const Expected& e : it->second) {
    tntfsfilerecord* r = volume.Find(e.path);
    ASSERT_NE(r, nullptr) << e.path;
    EXPECT_EQ((r->RecordFlags & 1) == 0, e.deleted) << e.path;
    EXPECT_EQ(Digest("md5sum", volume.Recover(*r)), e.md5) << e.path;
  }
}

INSTANTIATE_TEST_SUITE_P(Ntfs, CorpusImage,
                         ::testing::Values("corpus/dftt-07-ntfs-undel/7-ntfs-undel.dd",
                                           "corpus/dftt-08-jpeg-search/8-jpeg-search.dd",
                                           "corpus/dfirntfs-ntfs/ntfs_index.raw",
                                           "corpus/dfirntfs-ntfs/ntfs3.raw",
                                           "corpus/ntfs-samples-win10/ntfs-ramslack.raw",
                                           "corpus/ntfs-samples-win10/ntfs-lastaccess.raw"));

TEST(DfttNtfsUndelete, EveryDeletedFileOfTheAnswerKeyComesBack) {
  // The published key (MFT entry, name, MD5). The alternate stream
  // mult1.dat:ADS is not a file of its own here and is not listed.
  struct Key {
    const char* path;
    const char* md5;
  };
  const Key keys[] = {
      {"res1.dat", "9036637712b491904cd0bfbdbe648453"},
      {"sing1.dat", "59b20779f69ff9f0ac5fcd2c38835a79"},
      {"mult1.dat", "ffd27bd782bdce67750b6b9ee069d2ef"},
      {"frag1.dat", "7a3bc5b763bef201202108f4ba128149"},
      {"frag2.dat", "0e80ab84ef0087e60dfc67b88a1cf13e"},
      {"dir1/mult2.dat", "59cf0e9cd107bc1e75afb7374f6e05bb"},
      {"dir1/dir2/frag3.dat", "21121699487f3fbbdb9a4b3391b6d3e0"},
      // dir3's record now holds res1.dat (entry 37): its file is found
      // under the lost folder of that record.
      {"[Folder]37/sing2.dat", "c229626f6a71b167ad7e50c4f2fccdb1"},
  };
  ScannedVolume volume("corpus/dftt-07-ntfs-undel/7-ntfs-undel.dd");
  ASSERT_TRUE(volume.Scanned());
  for (const Key& k : keys) {
    tntfsfilerecord* r = volume.Find(k.path);
    ASSERT_NE(r, nullptr) << k.path;
    EXPECT_EQ(r->RecordFlags & 1, 0) << k.path;
    EXPECT_EQ(Digest("md5sum", volume.Recover(*r)), k.md5) << k.path;
  }
  // The deleted folders are listed as deleted folders.
  for (const char* folder : {"dir1", "dir1/dir2"}) {
    tntfsfilerecord* r = volume.Find(folder);
    ASSERT_NE(r, nullptr) << folder;
    EXPECT_EQ(r->RecordFlags & 1, 0) << folder;
  }
}

TEST(NtfsIndexImage, ListsNamesLongerThanTwelveCharacters) {
  ScannedVolume volume("corpus/dfirntfs-ntfs/ntfs_index.raw");
  ASSERT_TRUE(volume.Scanned());
  const std::string as(120, 'A');
  EXPECT_NE(volume.Find(as + ".txt"), nullptr);
  EXPECT_NE(volume.Find(as + " - Copy (16).txt"), nullptr);
  EXPECT_NE(volume.Find("test_dir/777777777777777.txt"), nullptr);
}

}  // namespace
}  // namespace tarnwell::engine::ntfs
