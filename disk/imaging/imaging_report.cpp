#include "disk/imaging/imaging_report.h"

#include <cstdio>
#include <cstring>

#include "engine/duration_text.h"
#include "platform/text_codec.h"

namespace tarnwell::disk::imaging {
namespace {

const char* PhaseName(Phase phase) {
  switch (phase) {
    case Phase::kCopying: return "复制";
    case Phase::kTrimming: return "修整失败区的边缘";
    case Phase::kScraping: return "逐扇区读取失败区";
    case Phase::kRetrying: return "重试坏扇区";
    case Phase::kFilling:
    case Phase::kGenerating: return "准备";
    case Phase::kFinished: return "完成";
  }
  return "";
}

std::string PhaseWithPass(const MapPosition& position) {
  std::string text = PhaseName(position.phase);
  if (position.phase == Phase::kCopying || position.phase == Phase::kRetrying)
    text += " 第 " + std::to_string(position.pass) + " 遍";
  return text;
}

const char* MapFaultText(MapFileFault fault) {
  switch (fault) {
    case MapFileFault::kNone: return "";
    case MapFileFault::kNoStatusLine: return "没有状态行";
    case MapFileFault::kBadStatusLine: return "状态行应为“位置 状态 遍数”";
    case MapFileFault::kBadBlockLine: return "区块行应为“位置 大小 状态”";
    case MapFileFault::kBadNumber: return "数字无效";
    case MapFileFault::kBadStatus: return "未知的状态字符";
    case MapFileFault::kNotContiguous: return "区块不接续上一个区块";
    case MapFileFault::kTooLarge: return "区块超出 2^63 字节";
    case MapFileFault::kLargerThanDisk: return "描述的磁盘比源大";
  }
  return "";
}

std::string WithError(const std::string& text, int errorNumber) {
  return errorNumber ? text + "：" + std::strerror(errorNumber) : text;
}

}  // namespace

std::string SizeText(uint64_t bytes) {
  static const char* const kUnits[] = {"B", "KB", "MB", "GB", "TB", "PB"};
  if (bytes < 1024) return std::to_string(bytes) + " B";
  double value = static_cast<double>(bytes);
  int unit = 0;
  while (value >= 1024 && unit < 5) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  return text;
}

std::string ImagingStatusText(const ImagingFigures& f) {
  std::string text = PhaseWithPass(f.position) + "：已复制 " + SizeText(f.finishedBytes) + " / " +
                     SizeText(f.diskBytes) + "，" + SizeText(static_cast<uint64_t>(f.BytesPerSecond())) +
                     "/秒，坏区 " + std::to_string(f.badAreas) + " 个 (" + SizeText(f.FailedBytes()) + ")";
  if (f.secondsLeft >= 0) text += "，剩余 " + engine::DurationText(f.secondsLeft);
  return platform::SystemText(text);
}

std::string PhaseLogText(const MapPosition& position) {
  std::string text = PhaseWithPass(position);
  if (position.phase == Phase::kCopying || position.phase == Phase::kRetrying)
    text += PassRunsForward(position) ? "（向前）" : "（向后）";
  return platform::SystemText(text);
}

std::string ImagingSummaryText(const ImagingResult& result) {
  const ImagingFigures& f = result.figures;
  std::string text = result.stopped ? "已停止，映射文件已保存：" : "映像完成：";
  text += "已复制 " + SizeText(f.finishedBytes) + " / " + SizeText(f.diskBytes);
  if (f.FailedBytes() > 0) text += "，坏区 " + std::to_string(f.badAreas) + " 个 (" + SizeText(f.FailedBytes()) + ")";
  if (f.nonTriedBytes > 0) text += "，未读 " + SizeText(f.nonTriedBytes);
  text += "，用时 " + engine::DurationText(f.seconds);
  return platform::SystemText(text);
}

std::string ImagingFaultText(const ImagingResult& r) {
  const std::string& p = r.path;
  std::string text;
  switch (r.fault) {
    case ImagingFault::kNone: return std::string();
    case ImagingFault::kBusy: text = "正在复制另一个磁盘映像。"; break;
    case ImagingFault::kEmptySource: text = "源不含任何扇区。"; break;
    case ImagingFault::kImageExists:
      text = "映像文件 " + p + " 已存在，但没有可据以继续复制的映射文件。";
      break;
    case ImagingFault::kMapWithoutImage:
      text = "映射文件 " + p + " 已存在，但它所描述的映像文件不存在。";
      break;
    case ImagingFault::kMapUnreadable: text = WithError("无法读取映射文件 " + p, r.errorNumber); break;
    case ImagingFault::kMapDamaged:
      text = "映射文件 " + p;
      if (r.mapError.line) text += " 第 " + std::to_string(r.mapError.line) + " 行";
      text += std::string("有误：") + MapFaultText(r.mapError.fault);
      break;
    case ImagingFault::kImageNotRegular: text = "映像文件 " + p + " 不是普通文件。"; break;
    case ImagingFault::kImageLargerThanSource:
      text = "映像文件 " + p + " 比源大，不是这个源的映像。";
      break;
    case ImagingFault::kDestinationIsSource: text = "写入 " + p + " 会改写要复制的源。"; break;
    case ImagingFault::kDestinationOnSource:
      text = p + " 位于要复制的磁盘上：写入它会改写这个磁盘。";
      break;
    case ImagingFault::kNotEnoughSpace:
      text = p + " 所在位置的可用空间不足：需要 " + SizeText(r.neededBytes) + "，只有 " + SizeText(r.freeBytes) + "。";
      break;
    case ImagingFault::kCannotCreateImage: text = WithError("无法创建映像文件 " + p, r.errorNumber); break;
    case ImagingFault::kCannotCreateMap: text = WithError("无法创建映射文件 " + p, r.errorNumber); break;
    case ImagingFault::kWriteFailed: text = WithError("写入映像文件 " + p + " 失败", r.errorNumber); break;
    case ImagingFault::kMapSaveFailed: text = WithError("无法保存映射文件 " + p, r.errorNumber); break;
  }
  return platform::SystemText(text);
}

}  // namespace tarnwell::disk::imaging
