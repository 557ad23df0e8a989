#include "health/smart_rows.h"

#include <cinttypes>
#include <cstdio>

#include "health/attribute_names.h"
#include "platform/text_codec.h"

namespace tarnwell::health {
namespace {

constexpr uint8_t kStartStopCount = 4, kPowerOnHours = 9, kPowerCycleCount = 12,
                  kPowerOffRetractCount = 192, kTemperature = 194;

std::string Printf(const char* format, uint64_t value) {
  char text[32];
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string Decimal(uint64_t value) { return Printf("%" PRIu64, value); }

}  // namespace

std::string AverageText(const TSmartAttribute& attribute) {
  const uint8_t* raw = attribute.RawBytes();
  switch (attribute.Id()) {
    case kStartStopCount:
    case kPowerCycleCount:
    case kPowerOffRetractCount:
      return Decimal(LoadLE32(raw)) + platform::SystemText(" 次");
    case kPowerOnHours:
      return Decimal(LoadLE32(raw));
    case kTemperature:
      return Decimal(LoadLE16(raw)) + platform::SystemText(" 摄氏度");
    default:
      return std::string();
  }
}

std::string RawDataText(const TSmartAttribute& attribute) {
  return Printf("%012" PRIX64, attribute.Raw());
}

std::vector<TSmartRow> BuildSmartRows(const TSmartData& attributes, const TSmartData& thresholds,
                                      int* verdict) {
  std::vector<TSmartRow> rows;
  int overall = kVerdictGood;
  for (int slot = 0; slot < kSmartSlots; ++slot) {
    const TSmartAttribute attribute = attributes.Attribute(slot);
    // The attribute table alone says whether a slot is used; whatever
    // number the threshold table holds at that position does not matter.
    if (attribute.Id() == 0) continue;
    TSmartRow row;
    row.slot = slot;
    row.id = attribute.Id();
    row.worst = attribute.Worst();
    row.value = attribute.Value();
    row.threshold = thresholds.Threshold(slot).Threshold();
    row.raw = attribute.Raw();
    row.state = JudgeAttribute(row.value, row.threshold);
    row.image = StateImage(row.state);
    row.caption = GetAttributeName(row.id);
    row.idText = Printf("%" PRIX64, row.id);
    row.worstText = Decimal(row.worst);
    row.valueText = Decimal(row.value);
    row.thresholdText = Decimal(row.threshold);
    row.rawText = RawDataText(attribute);
    row.average = AverageText(attribute);
    row.statusText = StateText(row.state);
    overall = CombineVerdict(overall, row.state);
    rows.push_back(std::move(row));
  }
  if (verdict) *verdict = overall;
  return rows;
}

}  // namespace tarnwell::health
