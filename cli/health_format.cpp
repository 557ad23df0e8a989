#include "cli/health_format.h"

#include <array>

#include "health/drive_identity_text.h"
#include "health/smart_verdict.h"
#include "platform/text_codec.h"

namespace tarnwell::cli {
namespace {

std::string Utf8(const std::string& system) { return platform::SystemToUtf8(system); }

// Identify strings come from the drive: no control character of theirs
// reaches the terminal.
std::string DriveText(const std::string& system) { return health::PrintableDriveText(Utf8(system)); }

constexpr size_t kColumns = 8;
using Line = std::array<std::string, kColumns>;

Line HeaderLine() {
  return {"属性名称", "ID", "最差", "值", "阈值", "原始数据", "平均", "状态"};
}

Line RowLine(const health::TSmartRow& row) {
  return {Utf8(row.caption), row.idText, row.worstText, row.valueText, row.thresholdText,
          row.rawText, Utf8(row.average), Utf8(row.statusText)};
}

std::string TableText(const std::vector<health::TSmartRow>& rows) {
  std::vector<Line> lines{HeaderLine()};
  for (const auto& row : rows) lines.push_back(RowLine(row));
  std::array<size_t, kColumns> widths{};
  for (const Line& line : lines)
    for (size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], DisplayWidth(line[c]));
  std::string out;
  for (const Line& line : lines) {
    std::string text;
    for (size_t c = 0; c < kColumns; ++c) {
      text += line[c];
      if (c + 1 < kColumns) text += std::string(widths[c] - DisplayWidth(line[c]) + 2, ' ');
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    out += text + "\n";
  }
  return out;
}

}  // namespace

size_t DisplayWidth(const std::string& utf8) {
  size_t width = 0;
  for (size_t i = 0; i < utf8.size();) {
    const unsigned char lead = static_cast<unsigned char>(utf8[i]);
    const size_t length = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
    uint32_t cp = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t k = 1; k < length && i + k < utf8.size(); ++k)
      cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
    // CJK ideographs, their punctuation and the full-width forms.
    width += cp >= 0x2E80 && cp <= 0xFFEF ? 2 : 1;
    i += length;
  }
  return width;
}

std::string FormatDriveHealthText(const DriveHealth& drive) {
  const auto& id = drive.identity;
  std::string out;
  out += "驱动器 " + std::to_string(id.DriveNumber()) + ": " + DriveText(health::ModelText(id)) + "\n";
  out += "固件版本: " + DriveText(health::FirmwareText(id)) + "\n";
  out += "序列号: " + DriveText(health::SerialText(id)) + "\n";
  out += "容量: " + health::CapacityText(id) + "\n";
  out += std::string("S.M.A.R.T.:") + (drive.verdict >= 0 ? " 启用" : "") + "\n";
  if (!drive.rows.empty()) out += TableText(drive.rows);
  if (drive.verdict >= 0) out += Utf8(health::SmartReportText(drive.verdict)) + "\n";
  return out;
}

nlohmann::json DriveHealthJson(const DriveHealth& drive) {
  const auto& id = drive.identity;
  nlohmann::json attributes = nlohmann::json::array();
  for (const auto& row : drive.rows) {
    attributes.push_back({{"slot", row.slot},
                          {"id", row.id},
                          {"id_text", row.idText},
                          {"name", Utf8(row.caption)},
                          {"worst", row.worst},
                          {"value", row.value},
                          {"threshold", row.threshold},
                          {"raw", row.rawText},
                          {"raw_value", row.raw},
                          {"average", Utf8(row.average)},
                          {"status", Utf8(row.statusText)},
                          {"image", row.image}});
  }
  return {{"drive", id.DriveNumber()},
          {"source", drive.source},
          {"model", DriveText(health::ModelText(id))},
          {"firmware", DriveText(health::FirmwareText(id))},
          {"serial", DriveText(health::SerialText(id))},
          {"capacity", health::CapacityText(id)},
          {"sectors", health::CapacitySectors(id)},
          {"smart", drive.verdict >= 0},
          {"attributes", attributes},
          {"verdict", drive.verdict},
          {"report", Utf8(health::SmartReportText(drive.verdict))}};
}

}  // namespace tarnwell::cli
