#include "controls/display_format.h"

#include <cmath>
#include <cstdio>

#include "engine/filetime.h"

namespace tarnwell::controls {
namespace {

// Two decimals, shortest form: 1.25, 2, 0.5.
QString ShortNumber(double hundredths) {
  const double value = std::nearbyint(hundredths) / 100.0;
  char text[48];
  std::snprintf(text, sizeof text, "%.15g", value);
  return QString::fromLatin1(text);
}

}  // namespace

QString FormatSize(int64_t bytes) {
  // nearbyint rounds ties to even in the default rounding mode.
  if (bytes >= 1000000) return ShortNumber(static_cast<double>(bytes) / 10000.0) + "M";
  if (bytes >= 1000) return ShortNumber(static_cast<double>(bytes) / 10.0) + "K";
  return QString::number(bytes);
}

QString FormatListDateTime(double value) {
  if (value == 0) return {};
  const engine::CivilTime t = engine::DateTimeToCivil(value);
  const int hour12 = t.hour % 12 == 0 ? 12 : t.hour % 12;
  char text[40];
  std::snprintf(text, sizeof text, "%02d/%02d/%02d %02d:%02d %s", t.month, t.day, t.year % 100,
                hour12, t.minute, t.hour < 12 ? "AM" : "PM");
  return QString::fromLatin1(text);
}

QString FormatListDate(double value) {
  if (value == 0) return {};
  return FormatListDateTime(std::floor(value));
}

double DayStartValue(int year, int month, int day) {
  return static_cast<double>(engine::DaysFromCivil(year, month, day));
}

}  // namespace tarnwell::controls
