#include "standard/quick_settings.h"

#include <string>

#include "platform/program_paths.h"

namespace tarnwell::standard {
namespace {

std::string WidthKey(size_t i) { return "wp" + std::to_string(i); }

template <size_t N>
void ReadWidths(const platform::ProfileFile& file, const char* section, std::array<int, N>& widths) {
  for (size_t i = 0; i < N; ++i) widths[i] = file.ReadInteger(section, WidthKey(i), widths[i]);
}

template <size_t N>
bool WriteWidths(platform::ProfileFile& file, const char* section, const std::array<int, N>& widths) {
  bool ok = true;
  for (size_t i = 0; i < N; ++i) ok = file.WriteInteger(section, WidthKey(i), widths[i]) && ok;
  return ok;
}

}  // namespace

platform::ProfileFile OpenQuickSettingsFile() {
  return platform::ProfileFile(platform::SettingsFilePath(kQuickSettingsFileName));
}

QuickSettings DefaultQuickSettings(int screenWidth) {
  QuickSettings s;
  if (screenWidth > 1024) {
    s.fileListWidths = {250, 110, 110, 110, 150};
    s.propertyWidths = {140, 810};
    s.leftColumnWidth = 260;
    s.lowerPanelHeight = 250;
  } else if (screenWidth > 800) {
    s.fileListWidths = {230, 110, 90, 110, 150};
    s.propertyWidths = {140, 600};
    s.leftColumnWidth = 225;
    s.lowerPanelHeight = 240;
  } else {
    s.fileListWidths = {190, 75, 75, 75, 160};
    s.propertyWidths = {100, 465};
    s.leftColumnWidth = 180;
    s.lowerPanelHeight = 190;
  }
  s.logWidths = {350, 100};
  s.openDestDir = true;
  return s;
}

QuickSettings ReadQuickSettings(const platform::ProfileFile& file, int screenWidth) {
  QuickSettings s = DefaultQuickSettings(screenWidth);
  ReadWidths(file, "Lv1", s.fileListWidths);
  ReadWidths(file, "Lv2", s.propertyWidths);
  ReadWidths(file, "Lv3", s.logWidths);
  s.leftColumnWidth = file.ReadInteger("Partition List", "Width", s.leftColumnWidth);
  s.lowerPanelHeight = file.ReadInteger("Partition List", "Height", s.lowerPanelHeight);
  s.openDestDir = file.ReadBool("Options", "OpenDestDir", s.openDestDir);
  return s;
}

bool WriteQuickSettings(platform::ProfileFile& file, const QuickSettings& s) {
  bool ok = WriteWidths(file, "Lv1", s.fileListWidths);
  ok = WriteWidths(file, "Lv2", s.propertyWidths) && ok;
  ok = WriteWidths(file, "Lv3", s.logWidths) && ok;
  ok = file.WriteInteger("Partition List", "Width", s.leftColumnWidth) && ok;
  ok = file.WriteInteger("Partition List", "Height", s.lowerPanelHeight) && ok;
  ok = file.WriteBool("Options", "OpenDestDir", s.openDestDir) && ok;
  return ok;
}

}  // namespace tarnwell::standard
