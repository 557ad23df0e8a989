#pragma once
// The advanced window's settings file "advrec.ini": panel sizes, column
// widths of its three lists and its options.
#include <array>

#include "platform/profile_file.h"

namespace tarnwell::advanced {

inline constexpr const char* kAdvSettingsFileName = "advrec.ini";

struct AdvSettings {
  int leftColumnWidth = 0;              // [Layout] P4W
  int diskTreeHeight = 0;               // [Layout] P8H
  std::array<int, 5> fileListWidths{};  // [Layout] Col0W..Col4W
  std::array<int, 2> propertyWidths{};  // [Layout] Lv2Col0W, Lv2Col1W
  std::array<int, 2> logWidths{};       // [Layout] Lv3Col0W, Lv3Col1W
  bool showNtFolders = true;            // [Options] ShowNTFolder
  bool openDestDir = true;              // [Options] OpenDestDir
  // The scan also finds files by their type, in the same read; off unless
  // asked, so that a scan behaves as it always did.
  bool carveBeside = false;             // [Options] FindByType

  bool operator==(const AdvSettings&) const = default;
};

// The settings file where it lives on this machine (the program directory
// when writable, else the user's configuration folder).
platform::ProfileFile OpenAdvSettingsFile();

// Defaults for the primary screen's width: wider than 1024, 801 to 1024,
// or 800 and less.
AdvSettings DefaultAdvSettings(int screenWidth);
// Every key read with its default; values are taken as they are.
AdvSettings ReadAdvSettings(const platform::ProfileFile& file, int screenWidth);
// Every key written with its current value. False when the file cannot be
// written (the window does not report it).
bool WriteAdvSettings(platform::ProfileFile& file, const AdvSettings& settings);

}  // namespace tarnwell::advanced
