#include "platform/profile_file.h"

#include <gtest/gtest.h>

#include <fstream>

#include "tests/support/fixtures.h"

namespace tarnwell::platform {
namespace {

void WriteText(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

TEST(ProfileDocument, FindsValuesBySectionAndKeyIgnoringCaseAndBlanks) {
  ProfileDocument doc = ProfileDocument::Parse(
      "; comment\r\n[Lv1]\r\nwp0=250\r\n  WP1 = 110 \r\n[Options]\r\nOpenDestDir=0\r\nwp0=7\r\n");
  EXPECT_EQ(doc.Find("lv1", "wp0"), "250");
  EXPECT_EQ(doc.Find("LV1", "wp1"), "110");
  EXPECT_EQ(doc.Find("options", "opendestdir"), "0");
  EXPECT_EQ(doc.Find("Options", "wp0"), "7");  // same key, other section
  EXPECT_FALSE(doc.Find("Lv1", "wp2"));
  EXPECT_FALSE(doc.Find("Missing", "wp0"));
}

TEST(ProfileDocument, SetReplacesInPlaceAppendsToSectionAndKeepsOtherLines) {
  ProfileDocument doc = ProfileDocument::Parse("; keep me\n[A]\nx=1\n\n[B]\ny=2\n");
  doc.Set("a", "X", "5");    // existing key, other case: replaced where it stands
  doc.Set("A", "z", "6");    // new key of an existing section: after its last value
  doc.Set("C", "w", "7");    // new section at the end
  EXPECT_EQ(doc.Serialize(), "; keep me\n[A]\nX=5\nz=6\n\n[B]\ny=2\n\n[C]\nw=7\n");
}

TEST(ProfileDocument, LineBreaksInValuesCannotForgeKeys) {
  ProfileDocument doc;
  doc.Set("S", "k", "1\n[Other]\nevil=1");
  ProfileDocument again = ProfileDocument::Parse(doc.Serialize());
  EXPECT_FALSE(again.Find("Other", "evil"));
  EXPECT_EQ(again.Find("S", "k"), "1 [Other] evil=1");
}

TEST(ProfileInteger, AcceptsOnlyDecimal32BitNumbers) {
  struct Case {
    const char* text;
    std::optional<int> value;
  } cases[] = {
      {"12", 12},         {" -5 ", -5},          {"+7", 7},         {"0", 0},
      {"2147483647", 2147483647}, {"-2147483648", -2147483647 - 1},
      {"2147483648", std::nullopt}, {"", std::nullopt}, {"abc", std::nullopt},
      {"12abc", std::nullopt},     {"0x10", std::nullopt}, {"1 2", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(ParseProfileInteger(c.text), c.value) << c.text;
}

TEST(ProfileFile, MissingFileSectionOrKeyAndBadValuesGiveTheFallback) {
  std::string dir = testing::MakeTempFolder("profile");
  ProfileFile missing(dir + "/none.ini");
  EXPECT_EQ(missing.ReadInteger("S", "k", 42), 42);
  EXPECT_TRUE(missing.ReadBool("S", "k", true));
  EXPECT_EQ(missing.ReadString("S", "k", "d"), "d");

  WriteText(dir + "/t.ini", "[S]\nnum=x1\nb0=0\nb2=2\nbx=yes\n");
  ProfileFile file(dir + "/t.ini");
  EXPECT_EQ(file.ReadInteger("S", "num", 9), 9);
  EXPECT_EQ(file.ReadInteger("T", "num", 8), 8);
  EXPECT_FALSE(file.ReadBool("S", "b0", true));
  EXPECT_TRUE(file.ReadBool("S", "b2", false));
  EXPECT_TRUE(file.ReadBool("S", "bx", true));
  EXPECT_FALSE(file.ReadBool("S", "bx", false));
}

TEST(ProfileFile, WritesAreReadBackAndLeaveNoTemporaryFile) {
  std::string dir = testing::MakeTempFolder("profile");
  ProfileFile file(dir + "/w.ini");
  EXPECT_TRUE(file.WriteInteger("Partition List", "Width", -3));
  EXPECT_TRUE(file.WriteBool("Options", "OpenDestDir", false));
  EXPECT_TRUE(file.WriteInteger("Partition List", "Width", 260));
  EXPECT_EQ(file.ReadInteger("Partition List", "Width", 0), 260);
  EXPECT_FALSE(file.ReadBool("Options", "OpenDestDir", true));
  EXPECT_EQ(testing::ReadTextFile(dir + "/w.ini"), "[Partition List]\nWidth=260\n\n[Options]\nOpenDestDir=0\n");
  EXPECT_FALSE(std::ifstream(dir + "/w.ini.tmp").good());
}

TEST(ProfileFile, AFileThatCannotBeWrittenReportsFalse) {
  ProfileFile file("/nonexistent-folder-for-tarnwell/x.ini");
  EXPECT_FALSE(file.WriteInteger("S", "k", 1));
}

}  // namespace
}  // namespace tarnwell::platform
