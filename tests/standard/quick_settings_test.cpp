#include "standard/quick_settings.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/fixtures.h"

namespace tarnwell::standard {
namespace {

TEST(QuickSettings, DefaultsFollowTheScreenWidth) {
  struct Case {
    int width;
    std::array<int, 5> lv1;
    std::array<int, 2> lv2;
    int left, lower;
  } cases[] = {
      {1280, {250, 110, 110, 110, 150}, {140, 810}, 260, 250},
      {1025, {250, 110, 110, 110, 150}, {140, 810}, 260, 250},
      {1024, {230, 110, 90, 110, 150}, {140, 600}, 225, 240},
      {801, {230, 110, 90, 110, 150}, {140, 600}, 225, 240},
      {800, {190, 75, 75, 75, 160}, {100, 465}, 180, 190},
      {640, {190, 75, 75, 75, 160}, {100, 465}, 180, 190},
  };
  for (const Case& c : cases) {
    QuickSettings s = DefaultQuickSettings(c.width);
    EXPECT_EQ(s.fileListWidths, c.lv1) << c.width;
    EXPECT_EQ(s.propertyWidths, c.lv2) << c.width;
    EXPECT_EQ(s.logWidths, (std::array<int, 2>{350, 100})) << c.width;
    EXPECT_EQ(s.leftColumnWidth, c.left) << c.width;
    EXPECT_EQ(s.lowerPanelHeight, c.lower) << c.width;
    EXPECT_TRUE(s.openDestDir) << c.width;
  }
}

TEST(QuickSettings, AMissingFileGivesTheDefaults) {
  std::string dir = testing::MakeTempFolder("ini");
  platform::ProfileFile file(dir + "/Tarnwell.ini");
  EXPECT_EQ(ReadQuickSettings(file, 1024), DefaultQuickSettings(1024));
}

TEST(QuickSettings, EveryKeyRoundTripsAndNoLongerFollowsTheScreen) {
  std::string dir = testing::MakeTempFolder("ini");
  platform::ProfileFile file(dir + "/Tarnwell.ini");
  QuickSettings s;
  s.fileListWidths = {1, 2, 3, 4, 5};
  s.propertyWidths = {6, 7};
  s.logWidths = {8, -9};  // taken as they are: no range check
  s.leftColumnWidth = 10;
  s.lowerPanelHeight = 11;
  s.openDestDir = false;
  ASSERT_TRUE(WriteQuickSettings(file, s));
  EXPECT_EQ(ReadQuickSettings(file, 640), s);
  EXPECT_EQ(ReadQuickSettings(file, 1920), s);

  std::string text = testing::ReadTextFile(dir + "/Tarnwell.ini");
  for (const char* line : {"[Lv1]", "wp4=5", "[Lv2]", "wp1=7", "[Lv3]", "wp1=-9",
                           "[Partition List]", "Width=10", "Height=11", "[Options]",
                           "OpenDestDir=0"}) {
    EXPECT_NE(text.find(line), std::string::npos) << line;
  }
}

TEST(QuickSettings, OptionOffAndUnreadableValuesFromAHandWrittenFile) {
  std::string dir = testing::MakeTempFolder("ini");
  std::ofstream(dir + "/Tarnwell.ini") << "[Options]\nOpenDestDir=0\n[Lv1]\nwp2=wide\nwp3=77\n";
  platform::ProfileFile file(dir + "/Tarnwell.ini");
  QuickSettings s = ReadQuickSettings(file, 1280);
  EXPECT_FALSE(s.openDestDir);
  EXPECT_EQ(s.fileListWidths[2], 110);  // not a number: the default
  EXPECT_EQ(s.fileListWidths[3], 77);
}

}  // namespace
}  // namespace tarnwell::standard
