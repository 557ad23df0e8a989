#include "health/smart_verdict.h"

#include <array>

#include "platform/text_codec.h"

namespace tarnwell::health {
namespace {

const std::string& Converted(int index) {
  static const std::array<std::string, 8> texts = {
      platform::SystemText("总是通过"),
      platform::SystemText("危险"),
      platform::SystemText("警告"),
      platform::SystemText("正常值"),
      platform::SystemText("状态良好。"),
      platform::SystemText("某些属性正接近它们的阈值，请备份您的重要信息。"),
      platform::SystemText("该硬盘驱动器处于危险状态，您应该考虑更换此硬盘。"),
      std::string(),
  };
  return texts[static_cast<size_t>(index)];
}

}  // namespace

AttributeState JudgeAttribute(uint8_t value, uint8_t threshold) {
  if (threshold == 0) return AttributeState::AlwaysPasses;
  if (value <= threshold) return AttributeState::Danger;
  // Computed in int: a threshold of 250 still warns up to 255.
  if (value <= threshold + 10) return AttributeState::Warning;
  return AttributeState::Normal;
}

const std::string& StateText(AttributeState state) { return Converted(static_cast<int>(state)); }

int StateImage(AttributeState state) {
  switch (state) {
    case AttributeState::Danger: return kImageDanger;
    case AttributeState::Warning: return kImageWarning;
    default: return kImageTick;
  }
}

int CombineVerdict(int overall, AttributeState state) {
  if (state == AttributeState::Danger) return kVerdictDanger;
  if (state == AttributeState::Warning && overall != kVerdictDanger) return kVerdictWarning;
  return overall;
}

const std::string& VerdictMessage(int verdict) {
  if (verdict < kVerdictGood || verdict > kVerdictDanger) return Converted(7);
  return Converted(4 + verdict);
}

std::string SmartReportText(int verdict) {
  if (verdict < kVerdictGood || verdict > kVerdictDanger) return std::string();
  return platform::SystemText(" S.M.A.R.T. 报告 ") + VerdictMessage(verdict);
}

}  // namespace tarnwell::health
