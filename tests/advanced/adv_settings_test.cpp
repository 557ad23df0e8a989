#include "advanced/adv_settings.h"

#include <gtest/gtest.h>

#include "tests/support/fixtures.h"

namespace tarnwell::advanced {
namespace {

TEST(AdvSettings, DefaultsFollowTheScreenWidth) {
  struct Case {
    int width, p4w, p8h;
    std::array<int, 5> cols;
    int lv2Col1;
  } cases[] = {
      {640, 190, 190, {145, 100, 70, 120, 120}, 440}, {800, 190, 190, {145, 100, 70, 120, 120}, 440},
      {801, 230, 240, {200, 100, 80, 130, 130}, 600}, {1024, 230, 240, {200, 100, 80, 130, 130}, 600},
      {1025, 255, 250, {200, 100, 80, 130, 130}, 810},
  };
  for (const Case& c : cases) {
    const AdvSettings s = DefaultAdvSettings(c.width);
    EXPECT_EQ(s.leftColumnWidth, c.p4w) << c.width;
    EXPECT_EQ(s.diskTreeHeight, c.p8h) << c.width;
    EXPECT_EQ(s.fileListWidths, c.cols) << c.width;
    EXPECT_EQ(s.propertyWidths, (std::array<int, 2>{120, c.lv2Col1})) << c.width;
    EXPECT_EQ(s.logWidths, (std::array<int, 2>{300, 120})) << c.width;
    EXPECT_TRUE(s.showNtFolders && s.openDestDir) << c.width;
    EXPECT_FALSE(s.carveBeside) << "a scan finds files by type only when asked";
  }
}

TEST(AdvSettings, EveryKeyRoundTripsUnderItsOwnName) {
  const std::string dir = testing::MakeTempFolder("advini");
  platform::ProfileFile file(dir + "/advrec.ini");
  EXPECT_EQ(ReadAdvSettings(file, 1024), DefaultAdvSettings(1024));  // no file yet
  AdvSettings s;
  s.leftColumnWidth = 11;
  s.diskTreeHeight = 12;
  s.fileListWidths = {1, 2, 3, 4, 5};
  s.propertyWidths = {6, 7};
  s.logWidths = {8, 9};
  s.showNtFolders = false;
  s.openDestDir = false;
  s.carveBeside = true;
  ASSERT_TRUE(WriteAdvSettings(file, s));
  EXPECT_EQ(ReadAdvSettings(file, 640), s);
  const std::string text = testing::ReadTextFile(dir + "/advrec.ini");
  for (const char* line : {"[Layout]", "P4W=11", "P8H=12", "Col0W=1", "Col4W=5", "Lv2Col0W=6", "Lv2Col1W=7",
                           "Lv3Col0W=8", "Lv3Col1W=9", "[Options]", "ShowNTFolder=0", "OpenDestDir=0", "FindByType=1"})
    EXPECT_NE(text.find(line), std::string::npos) << line;
}

TEST(AdvSettings, AnUnwritableFileIsNotAnError) {
  platform::ProfileFile file("/proc/no-such-dir/advrec.ini");
  EXPECT_FALSE(WriteAdvSettings(file, DefaultAdvSettings(1024)));
  EXPECT_EQ(ReadAdvSettings(file, 1024), DefaultAdvSettings(1024));
}

}  // namespace
}  // namespace tarnwell::advanced
