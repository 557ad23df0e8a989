#include "cli/progress_line.h"

#include <algorithm>
#include <cstdio>

#include "engine/duration_text.h"

namespace tarnwell::cli {
namespace {

constexpr int kBarWidth = 24;

std::string Rate(double bytesPerSecond) {
  static const char* const kUnits[] = {"B/s", "KB/s", "MB/s", "GB/s"};
  int unit = 0;
  while (bytesPerSecond >= 1024 && unit < 3) {
    bytesPerSecond /= 1024;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%.1f %s", bytesPerSecond, kUnits[unit]);
  return text;
}

}  // namespace

std::string ProgressBarText(int percent) {
  percent = std::clamp(percent, 0, 100);
  const int filled = percent * kBarWidth / 100;
  char head[16];
  std::snprintf(head, sizeof head, "%3d%% [", percent);
  std::string line = head;
  line.append(static_cast<size_t>(filled), '#');
  line.append(static_cast<size_t>(kBarWidth - filled), '-');
  line += ']';
  return line;
}

std::string ProgressLine(int percent, double elapsedSeconds, uint64_t totalBytes) {
  percent = std::clamp(percent, 0, 100);
  std::string line = ProgressBarText(percent);
  if (percent == 0 || elapsedSeconds <= 0) return line;
  const double done = percent / 100.0;
  if (totalBytes > 0) line += "  " + Rate(static_cast<double>(totalBytes) * done / elapsedSeconds);
  if (percent < 100) line += "  " + engine::DurationText(elapsedSeconds * (1 - done) / done) + " left";
  return line;
}

}  // namespace tarnwell::cli
