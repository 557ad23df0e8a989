#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>

#include "engine/entry_helpers.h"
#include "engine/recovery/output_path.h"
#include "platform/text_codec.h"
#include "tests/support/fixtures.h"

namespace tarnwell::engine {
namespace {

namespace fs = std::filesystem;

std::string Sys(const char* utf8) { return platform::Utf8ToSystem(utf8); }

TEST(SafeOutputName, NamesFromDiskStayOneComponent) {
  EXPECT_EQ(SafeOutputName("a/b"), "a_b");
  EXPECT_EQ(SafeOutputName("../../etc/passwd"), ".._.._etc_passwd");
  EXPECT_EQ(SafeOutputName(std::string("x\0y", 3)), "x_y");
  EXPECT_EQ(SafeOutputName("."), "_.");
  EXPECT_EQ(SafeOutputName(".."), "_..");
  EXPECT_EQ(SafeOutputName(""), "_");
  EXPECT_EQ(SafeOutputName(Sys("客户名单.txt")), "客户名单.txt");
}

TEST(SafeOutputName, PortableFormsReplaceWhatWindowsFileSystemsRefuse) {
  EXPECT_EQ(PortableOutputName("a:b?c*d<e>f|g\"h\\i.txt"), "a_b_c_d_e_f_g_h_i.txt");
  EXPECT_EQ(PortableOutputName("客户名单 (1).txt"), "客户名单 (1).txt");
  EXPECT_EQ(PortableOutputName(SafeOutputName("Re: plan?")), "Re_ plan_");
}

TEST(SafeOutputName, ControlCharactersBecomeDistinctVisibleEscapes) {
  const struct {
    std::string disk, output;
  } cases[] = {
      {"\x1b[2Jx.txt", "%1B[2Jx.txt"},   // ESC
      {"bell\a.txt", "bell%07.txt"},     // BEL
      {"a\r\nb", "a%0D%0Ab"},             // CR LF: no forged line in a listing
      {"del\x7f", "del%7F"},              // DEL
      {"tab\tx", "tab%09x"},
      {"50%.txt", "50%.txt"},             // an ordinary per cent sign stays
  };
  for (const auto& c : cases) EXPECT_EQ(SafeOutputName(c.disk), c.output) << c.output;
  // A C1 control, U+009B (the one-byte escape), written in UTF-16 on disk.
  EXPECT_EQ(SafeOutputName(Sys("x\xc2\x9by")), "x%9By");
  EXPECT_NE(SafeOutputName("a\x1b"), SafeOutputName("a\x1c"));
}

TEST(SafeOutputName, LongNamesAreCutOnCharactersAndKeepTheirExtension) {
  std::string name;
  for (int i = 0; i < 120; ++i) name += "文";  // 3 bytes each in UTF-8
  const std::string out = SafeOutputName(Sys((name + ".docx").c_str()));
  EXPECT_LE(out.size(), 255u);
  EXPECT_EQ(out.substr(out.size() - 5), ".docx");
  // The cut never splits a character: the result converts back cleanly.
  EXPECT_EQ(platform::SystemToUtf8(platform::Utf8ToSystem(out)), out);
}

class UniquePathTest : public ::testing::Test {
 protected:
  std::string dir = testing::MakeTempFolder("out");
  void Touch(const std::string& name) { std::ofstream(dir + "/" + name) << "old"; }
};

TEST_F(UniquePathTest, ClashesGetNumberedBeforeTheExtension) {
  EXPECT_EQ(MakeUniquePath("a.txt", dir + "/"), dir + "/a.txt");
  Touch("a.txt");
  EXPECT_EQ(MakeUniquePath("a.txt", dir), dir + "/a_1.txt");
  fs::create_directory(dir + "/a_1.txt");  // a folder takes the name too
  ASSERT_EQ(::symlink("/nonexistent", (dir + "/a_2.txt").c_str()), 0);  // and a dangling link
  EXPECT_EQ(MakeUniquePath("a.txt", dir), dir + "/a_3.txt");
  Touch("noext");
  EXPECT_EQ(MakeUniquePath("noext", dir), dir + "/noext_1");
}

TEST_F(UniquePathTest, DeletedMarksAndChineseLeadBytes) {
  EXPECT_EQ(MakeUniquePath("?OO.TXT", dir), dir + "/@OO.TXT");
  // 0xE5 opens the GB18030 code of 妃: a long name beginning with it is kept.
  const std::string name = Sys("妃子.txt");
  ASSERT_EQ(static_cast<uint8_t>(name[0]), 0xE5);
  EXPECT_EQ(MakeUniquePath(name, dir), dir + "/妃子.txt");

  TMidEntry entry;
  entry.LongName = name;
  EXPECT_EQ(FatEntryName(entry, true), name);
  EXPECT_EQ(FatEntryName(entry, false), name);
  entry.LongName.clear();
  const char shortName[] = "\xE5OO     TXT";
  for (int i = 0; i < 11; ++i) entry.DirEntry.bytes[i] = static_cast<uint8_t>(shortName[i]);
  EXPECT_EQ(FatEntryName(entry, true), "@OO.TXT");
  EXPECT_EQ(FatEntryName(entry, false), "?OO.TXT");
}

TEST_F(UniquePathTest, CreationNeverOverwritesOrFollowsLinks) {
  Touch("keep.txt");
  const std::string target = dir + "/target";
  Touch("target");
  ASSERT_EQ(::symlink(target.c_str(), (dir + "/link.txt").c_str()), 0);

  auto a = CreateUniqueFile("keep.txt", dir);
  ASSERT_TRUE(a);
  EXPECT_EQ(a->path, dir + "/keep_1.txt");
  auto b = CreateUniqueFile("link.txt", dir);
  ASSERT_TRUE(b);
  EXPECT_EQ(b->path, dir + "/link_1.txt");
  EXPECT_EQ(testing::ReadTextFile(dir + "/keep.txt"), "old");
  EXPECT_EQ(testing::ReadTextFile(target), "old");

  auto f1 = CreateUniqueFolder("sub", dir);
  auto f2 = CreateUniqueFolder("sub", dir);
  ASSERT_TRUE(f1 && f2);
  EXPECT_EQ(*f1, dir + "/sub");
  EXPECT_EQ(*f2, dir + "/sub_1");
  EXPECT_FALSE(CreateUniqueFile("x", dir + "/missing-folder"));
}

TEST_F(UniquePathTest, FoldersAreMadeBesideLinksAndUsedThroughTheirOpenedDescriptor) {
  const std::string elsewhere = testing::MakeTempFolder("elsewhere");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (dir + "/plant").c_str()), 0);
  std::optional<OutputFolder> top = OutputFolder::Open(dir);
  ASSERT_TRUE(top);
  std::optional<OutputFolder> made = CreateUniqueFolder("plant", *top);
  ASSERT_TRUE(made);
  EXPECT_EQ(made->Path(), dir + "/plant_1");
  ASSERT_TRUE(CreateUniqueFile("first.txt", *made));
  EXPECT_TRUE(fs::is_regular_file(dir + "/plant_1/first.txt"));
  // The folder is swapped for a link once made: what follows still goes
  // into the folder that was made, never through the link.
  fs::rename(dir + "/plant_1", dir + "/moved");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (dir + "/plant_1").c_str()), 0);
  ASSERT_TRUE(CreateUniqueFile("late.txt", *made));
  ASSERT_TRUE(CreateUniqueFolder("sub", *made));
  EXPECT_TRUE(fs::is_regular_file(dir + "/moved/late.txt"));
  EXPECT_TRUE(fs::is_directory(dir + "/moved/sub"));
  EXPECT_TRUE(fs::is_empty(elsewhere));
}

TEST_F(UniquePathTest, FoldersNestDeeperThanAPathCanName) {
  const std::string name(200, 'n');
  std::vector<OutputFolder> chain;
  chain.push_back(std::move(*OutputFolder::Open(dir)));
  for (int i = 0; i < 100; ++i) {
    std::optional<OutputFolder> next = CreateUniqueFolder(name, chain.back());
    ASSERT_TRUE(next) << "level " << i;
    chain.push_back(std::move(*next));
  }
  ASSERT_TRUE(CreateUniqueFile("deep.txt", chain.back()));
  EXPECT_GT(chain.back().Path().size(), size_t{PATH_MAX});
  // Taken down the same way, through the descriptors.
  EXPECT_EQ(::unlinkat(chain.back().Fd(), "deep.txt", 0), 0);
  for (size_t i = chain.size() - 1; i > 0; --i) EXPECT_EQ(::unlinkat(chain[i - 1].Fd(), name.c_str(), AT_REMOVEDIR), 0);
}

}  // namespace
}  // namespace tarnwell::engine
