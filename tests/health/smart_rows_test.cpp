// Verdict rules and the column texts of the attribute list, from crafted
// attribute and threshold tables.
#include <gtest/gtest.h>

#include "health/smart_rows.h"
#include "platform/text_codec.h"
#include "tests/health/smart_test_support.h"

namespace tarnwell::health {
namespace {

using testing::CraftedAttribute;

std::string Utf8(const std::string& s) { return platform::SystemToUtf8(s); }

TSmartData Kept(const testing::Sector& sector) {
  TSmartData data;  // the 16-byte result header, then the sector's start
  for (size_t i = 16; i < data.bytes.size(); ++i) data.bytes[i] = sector[i - 16];
  return data;
}

std::vector<TSmartRow> Rows(const std::vector<CraftedAttribute>& attributes, int* verdict) {
  return BuildSmartRows(Kept(testing::AttributeSector(attributes)),
                        Kept(testing::ThresholdSector(attributes)), verdict);
}

TEST(SmartVerdict, RulesInOrder) {
  struct Case {
    int value, threshold;
    AttributeState state;
    const char* text;
    int image;
  };
  const Case cases[] = {
      {0, 0, AttributeState::AlwaysPasses, "总是通过", 0},
      {255, 0, AttributeState::AlwaysPasses, "总是通过", 0},
      {36, 36, AttributeState::Danger, "危险", 3},
      {1, 36, AttributeState::Danger, "危险", 3},
      {0, 1, AttributeState::Danger, "危险", 3},
      {101, 100, AttributeState::Warning, "警告", 2},
      {110, 100, AttributeState::Warning, "警告", 2},
      {111, 100, AttributeState::Normal, "正常值", 0},
      // T + 10 past 255 does not wrap: 255 is still within ten of 250.
      {255, 250, AttributeState::Warning, "警告", 2},
      {255, 245, AttributeState::Warning, "警告", 2},
      {255, 244, AttributeState::Normal, "正常值", 0},
      {255, 255, AttributeState::Danger, "危险", 3},
  };
  for (const Case& c : cases) {
    const AttributeState state =
        JudgeAttribute(static_cast<uint8_t>(c.value), static_cast<uint8_t>(c.threshold));
    EXPECT_EQ(state, c.state) << c.value << " vs " << c.threshold;
    EXPECT_EQ(Utf8(StateText(state)), c.text);
    EXPECT_EQ(StateImage(state), c.image);
  }
}

TEST(SmartVerdict, OverallVerdict) {
  struct Case {
    std::vector<std::pair<int, int>> valueThreshold;
    int verdict;
  };
  const Case cases[] = {
      {{}, 0},
      {{{0, 0}, {50, 0}, {253, 0}}, 0},           // all T = 0
      {{{200, 100}, {105, 100}}, 1},              // a warning
      {{{36, 36}, {105, 100}}, 2},                // danger, then a warning
      {{{105, 100}, {36, 36}, {200, 100}}, 2},    // a warning, then danger
  };
  for (const Case& c : cases) {
    std::vector<CraftedAttribute> attributes;
    int slot = 0;
    for (auto [v, t] : c.valueThreshold)
      attributes.push_back({slot, static_cast<uint8_t>(slot + 1), static_cast<uint8_t>(v),
                            static_cast<uint8_t>(v), {}, static_cast<uint8_t>(t)}), ++slot;
    int verdict = -7;
    Rows(attributes, &verdict);
    EXPECT_EQ(verdict, c.verdict);
  }
  EXPECT_EQ(Utf8(SmartReportText(0)), " S.M.A.R.T. 报告 状态良好。");
  EXPECT_EQ(Utf8(SmartReportText(1)), " S.M.A.R.T. 报告 某些属性正接近它们的阈值，请备份您的重要信息。");
  EXPECT_EQ(Utf8(SmartReportText(2)), " S.M.A.R.T. 报告 该硬盘驱动器处于危险状态，您应该考虑更换此硬盘。");
  EXPECT_EQ(SmartReportText(-1), "");
}

TEST(SmartRows, ColumnTexts) {
  int verdict = -1;
  const auto rows = Rows({{0, 194, 45, 55, {0x2D, 0x00, 0x12, 0x34, 0x00, 0x00}, 0},
                          {1, 12, 100, 100, {0x2C, 0x01, 0x00, 0x00, 0x00, 0x00}, 20},
                          {2, 4, 100, 99, {0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x00}, 20},
                          {3, 9, 91, 91, {0x38, 0x22, 0, 0, 0x10, 0}, 0},
                          {4, 192, 100, 100, {7, 0, 0, 0, 0, 1}, 0},
                          {5, 5, 100, 100, {0x2C, 0x01}, 36},
                          {6, 250, 100, 100, {0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB}, 0}},
                         &verdict);
  ASSERT_EQ(rows.size(), 7u);
  struct Expect {
    const char* id;
    const char* raw;
    const char* average;
  };
  const Expect expect[] = {
      {"C2", "00003412002D", "45 摄氏度"},
      {"C", "00000000012C", "300 次"},
      {"4", "0001FFFFFFFF", "4294967295 次"},  // only the low 4 raw bytes
      {"9", "001000002238", "8760"},
      {"C0", "010000000007", "7 次"},
      {"5", "00000000012C", ""},  // no decoded value for other numbers
      {"FA", "ABCDEF123456", ""},
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    std::string raw = expect[i].raw;
    
    EXPECT_EQ(rows[i].idText, expect[i].id) << i;
    EXPECT_EQ(rows[i].rawText, raw) << i;
    EXPECT_EQ(Utf8(rows[i].average), expect[i].average) << i;
  }
  EXPECT_EQ(rows[1].raw, 300u);
  EXPECT_EQ(rows[0].worstText, "55");
  EXPECT_EQ(rows[0].valueText, "45");
  EXPECT_EQ(rows[1].thresholdText, "20");
  EXPECT_EQ(Utf8(rows[0].caption), "温度             ");
}

TEST(SmartRows, SlotOrderEmptySlotsAndPairingByPosition) {
  TSmartData attributes = Kept(testing::AttributeSector({{0, 5, 100, 100, {}, 0},
                                                         {1, 1, 100, 100, {}, 0},
                                                         {29, 194, 40, 40, {}, 0}}));
  // Threshold slots pair by position: slot 1 holds number 9 with threshold
  // 100, so attribute 1 there is judged against 100. Slot 5 names 197 but
  // the attribute table leaves it empty.
  TSmartData thresholds = Kept(testing::ThresholdSector({{0, 5, 0, 0, {}, 36},
                                                         {1, 9, 0, 0, {}, 100},
                                                         {5, 197, 0, 0, {}, 10},
                                                         {29, 194, 0, 0, {}, 40}}));
  int verdict = -1;
  const auto rows = BuildSmartRows(attributes, thresholds, &verdict);
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].id, 5);
  EXPECT_EQ(rows[0].slot, 0);
  EXPECT_EQ(rows[1].id, 1);
  EXPECT_EQ(rows[1].threshold, 100);
  EXPECT_EQ(Utf8(rows[1].statusText), "危险");
  EXPECT_EQ(rows[2].slot, 29);
  EXPECT_EQ(Utf8(rows[2].statusText), "危险");
  EXPECT_EQ(verdict, 2);
}

}  // namespace
}  // namespace tarnwell::health
