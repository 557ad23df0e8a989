#include <gtest/gtest.h>

#include <set>

#include "health/attribute_names.h"
#include "platform/text_codec.h"

namespace tarnwell::health {
namespace {

std::string Utf8(const std::string& s) { return platform::SystemToUtf8(s); }

std::string TrimmedName(uint8_t id) {
  std::string name = Utf8(GetAttributeName(id));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return name;
}

TEST(AttributeNames, SharedEntries) {
  EXPECT_EQ(GetAttributeName(225), GetAttributeName(193));
  EXPECT_EQ(GetAttributeDescription(225), GetAttributeDescription(193));
  EXPECT_EQ(GetAttributeName(201), GetAttributeName(13));
  EXPECT_NE(GetAttributeDescription(201), GetAttributeDescription(13));
  EXPECT_EQ(GetAttributeDescription(231), GetAttributeDescription(194));
  EXPECT_EQ(GetAttributeName(250), GetAttributeName(241));
  EXPECT_EQ(GetAttributeDescription(250), GetAttributeDescription(241));
  EXPECT_EQ(GetAttributeName(221), GetAttributeName(191));
  EXPECT_EQ(TrimmedName(228), TrimmedName(192));
  EXPECT_NE(GetAttributeDescription(228), GetAttributeDescription(192));
}

TEST(AttributeNames, SampleTexts) {
  EXPECT_EQ(Utf8(GetAttributeName(5)), "重分配扇区计数");
  EXPECT_EQ(TrimmedName(194), "温度");
  EXPECT_EQ(Utf8(GetAttributeDescription(194)), "驱动器温度。");
  EXPECT_EQ(Utf8(GetAttributeName(191)), "G-Sense 错误率");
  EXPECT_EQ(Utf8(GetAttributeDescription(13)),
            "当从磁盘读取发生“程序”错误的频率。该属性值较低指示更多事件(错误)。");
  EXPECT_EQ(Utf8(GetAttributeDescription(0)), "此处无属性       ");
}

TEST(AttributeNames, UnknownNumbers) {
  for (int id : {14, 100, 190, 210, 219, 229, 232, 239, 242, 249, 251, 255}) {
    EXPECT_FALSE(IsKnownAttribute(static_cast<uint8_t>(id))) << id;
    EXPECT_EQ(Utf8(GetAttributeName(static_cast<uint8_t>(id))), "未知属性") << id;
    EXPECT_EQ(Utf8(GetAttributeDescription(static_cast<uint8_t>(id))), "未知属性") << id;
  }
}

TEST(AttributeNames, FortySevenNumbersWithStoredBlanksOnTheListedRows) {
  const std::set<int> padded = {0, 1, 2, 3, 4, 6, 7, 8, 9, 10, 11, 12, 194, 196, 199, 200, 231};
  int known = 0;
  for (int id = 0; id < 256; ++id) {
    if (!IsKnownAttribute(static_cast<uint8_t>(id))) continue;
    ++known;
    const std::string name = Utf8(GetAttributeName(static_cast<uint8_t>(id)));
    size_t blanks = 0;
    while (blanks < name.size() && name[name.size() - 1 - blanks] == ' ') ++blanks;
    if (padded.count(id)) {
      EXPECT_GE(blanks, 1u) << id;
      EXPECT_LE(blanks, 13u) << id;
    } else {
      EXPECT_EQ(blanks, 0u) << id;
    }
    EXPECT_NE(name, "未知属性");
  }
  EXPECT_EQ(known, 47);
}

}  // namespace
}  // namespace tarnwell::health
