#pragma once
// The rows of the attribute list: one per non-empty slot of the attribute
// table, in slot order, with the texts of every column and the verdict.
// The health window and the command-line front end show these rows.
#include <cstdint>
#include <string>
#include <vector>

#include "health/smart_records.h"
#include "health/smart_verdict.h"

namespace tarnwell::health {

struct TSmartRow {
  int slot = 0;
  uint8_t id = 0;
  uint8_t worst = 0, value = 0, threshold = 0;
  uint64_t raw = 0;
  AttributeState state = AttributeState::Normal;
  int image = kImageTick;
  // Column texts, in the system code page.
  std::string caption;    // "属性名称": the name as stored
  std::string idText;     // "ID": hexadecimal, no leading zeros
  std::string worstText, valueText, thresholdText;  // decimal
  std::string rawText;    // "原始数据": 12 upper-case hex digits
  std::string average;    // "平均": decoded raw value, or empty
  std::string statusText; // "状态"
};

// "平均": for start/stop count (4), power cycle count (12) and power-off
// retract count (192) the low 4 raw bytes and " 次"; for power-on hours (9)
// the same number alone; for temperature (194) the low 2 raw bytes and
// " 摄氏度"; empty for every other number.
std::string AverageText(const TSmartAttribute& attribute);
std::string RawDataText(const TSmartAttribute& attribute);

// Rows for the tables, paired slot by slot; *verdict receives the overall
// verdict (0 when no row raises it).
std::vector<TSmartRow> BuildSmartRows(const TSmartData& attributes, const TSmartData& thresholds,
                                      int* verdict);

}  // namespace tarnwell::health
