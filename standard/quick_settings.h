#pragma once
// The standard window's settings file "Tarnwell.ini": column widths, panel
// sizes and the option to open the destination folder after recovery.
#include <array>

#include "platform/profile_file.h"

namespace tarnwell::standard {

inline constexpr const char* kQuickSettingsFileName = "Tarnwell.ini";

struct QuickSettings {
  std::array<int, 5> fileListWidths{};    // [Lv1] wp0..wp4
  std::array<int, 2> propertyWidths{};    // [Lv2] wp0, wp1
  std::array<int, 2> logWidths{};         // [Lv3] wp0, wp1
  int leftColumnWidth = 0;                // [Partition List] Width
  int lowerPanelHeight = 0;               // [Partition List] Height
  bool openDestDir = true;                // [Options] OpenDestDir

  bool operator==(const QuickSettings&) const = default;
};

// The settings file where it lives on this machine (the program directory
// when writable, else the user's configuration folder).
platform::ProfileFile OpenQuickSettingsFile();

// Defaults for the primary screen's width: wider than 1024, 801 to 1024,
// or 800 and less.
QuickSettings DefaultQuickSettings(int screenWidth);
// Every key read with its default; values are taken as they are.
QuickSettings ReadQuickSettings(const platform::ProfileFile& file, int screenWidth);
// Every key written with its current value. False when the file cannot be
// written (the window does not report it).
bool WriteQuickSettings(platform::ProfileFile& file, const QuickSettings& settings);

}  // namespace tarnwell::standard
