#include "controls/destination_check.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

#include "tests/support/fixtures.h"

namespace tarnwell::controls {
namespace {

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TEST(ParentFolder, GoesUpOneLevelAndStopsAtTheRoot) {
  struct Case {
    const char* path;
    const char* parent;
  } cases[] = {{"/a/b", "/a"}, {"/a/b/", "/a"}, {"/a", "/"}, {"/", "/"},
               {"//", "/"},   {"name", "/"},   {"/a//b", "/a/"}};
  for (const Case& c : cases) EXPECT_EQ(ParentFolder(c.path), c.parent) << c.path;
}

TEST(DestinationCheck, RefusesWhatCannotHoldRecoveredFiles) {
  std::string dir = testing::MakeTempFolder("dest");
  std::ofstream(dir + "/taken.txt") << "x";
  ASSERT_EQ(::symlink((dir + "/nowhere").c_str(), (dir + "/dangling").c_str()), 0);

  struct Case {
    std::string path;
    DestinationVerdict verdict;
    std::string message;
  } cases[] = {
      {"", DestinationVerdict::kWarning, "请输入或选择保存恢复文件的目录。"},
      {"   ", DestinationVerdict::kWarning, "请输入或选择保存恢复文件的目录。"},
      {"relative/out", DestinationVerdict::kError, "不是有效的驱动器 ID"},
      {"C:\\out", DestinationVerdict::kError, "不是有效的驱动器 ID"},
      {"/proc/tarnwell-out", DestinationVerdict::kWarning, "无法打开驱动器，驱动器可能尚未就绪。"},
      {dir + "/taken.txt", DestinationVerdict::kError,
       "文件 '" + dir + "/taken.txt' 已存在，请选择另一个目录。"},
      {" " + dir + "/taken.txt ", DestinationVerdict::kError,
       "文件 '" + dir + "/taken.txt' 已存在，请选择另一个目录。"},
      {dir + "/dangling", DestinationVerdict::kError,
       "文件 '" + dir + "/dangling' 已存在，请选择另一个目录。"},
      {dir + "/missing/child", DestinationVerdict::kError,
       "上级目录 '" + dir + "/missing' 不存在，请先创建它或选择另一个目录。"},
      {dir + "/" + std::string(300, 'x'), DestinationVerdict::kError, "无效目录名。"},
  };
  for (const Case& c : cases) {
    DestinationCheck check = CheckDestinationFolder(c.path);
    EXPECT_EQ(check.verdict, c.verdict) << c.path;
    EXPECT_EQ(check.message, c.message) << c.path;
  }
  EXPECT_FALSE(IsFolder(dir + "/missing"));
}

TEST(DestinationCheck, AcceptsAFolderOrCreatesOneLevel) {
  std::string dir = testing::MakeTempFolder("dest");
  EXPECT_EQ(CheckDestinationFolder(dir).verdict, DestinationVerdict::kAccept);
  EXPECT_EQ(CheckDestinationFolder(dir + "/").verdict, DestinationVerdict::kAccept);
  EXPECT_EQ(CheckDestinationFolder(dir + "/新目录").verdict, DestinationVerdict::kAccept);
  EXPECT_TRUE(IsFolder(dir + "/新目录"));
  // Created once, then simply accepted.
  EXPECT_EQ(CheckDestinationFolder(dir + "/新目录").verdict, DestinationVerdict::kAccept);
}

}  // namespace
}  // namespace tarnwell::controls
