#include "advanced/adv_settings.h"

#include <string>

#include "platform/program_paths.h"

namespace tarnwell::advanced {
namespace {

constexpr const char* kLayout = "Layout";
constexpr const char* kOptions = "Options";

// Every integer key of the file with the field it fills.
template <typename Settings, typename Visit>
void ForEachLayoutKey(Settings& s, Visit visit) {
  visit("P4W", s.leftColumnWidth);
  visit("P8H", s.diskTreeHeight);
  for (size_t i = 0; i < s.fileListWidths.size(); ++i)
    visit("Col" + std::to_string(i) + "W", s.fileListWidths[i]);
  for (size_t i = 0; i < s.propertyWidths.size(); ++i)
    visit("Lv2Col" + std::to_string(i) + "W", s.propertyWidths[i]);
  for (size_t i = 0; i < s.logWidths.size(); ++i)
    visit("Lv3Col" + std::to_string(i) + "W", s.logWidths[i]);
}

}  // namespace

platform::ProfileFile OpenAdvSettingsFile() {
  return platform::ProfileFile(platform::SettingsFilePath(kAdvSettingsFileName));
}

AdvSettings DefaultAdvSettings(int screenWidth) {
  AdvSettings s;
  if (screenWidth > 1024) {
    s.leftColumnWidth = 255;
    s.diskTreeHeight = 250;
    s.fileListWidths = {200, 100, 80, 130, 130};
    s.propertyWidths = {120, 810};
  } else if (screenWidth > 800) {
    s.leftColumnWidth = 230;
    s.diskTreeHeight = 240;
    s.fileListWidths = {200, 100, 80, 130, 130};
    s.propertyWidths = {120, 600};
  } else {
    s.leftColumnWidth = 190;
    s.diskTreeHeight = 190;
    s.fileListWidths = {145, 100, 70, 120, 120};
    s.propertyWidths = {120, 440};
  }
  s.logWidths = {300, 120};
  return s;
}

AdvSettings ReadAdvSettings(const platform::ProfileFile& file, int screenWidth) {
  AdvSettings s = DefaultAdvSettings(screenWidth);
  ForEachLayoutKey(s, [&](const std::string& key, int& value) {
    value = file.ReadInteger(kLayout, key, value);
  });
  s.showNtFolders = file.ReadBool(kOptions, "ShowNTFolder", s.showNtFolders);
  s.openDestDir = file.ReadBool(kOptions, "OpenDestDir", s.openDestDir);
  s.carveBeside = file.ReadBool(kOptions, "FindByType", s.carveBeside);
  return s;
}

bool WriteAdvSettings(platform::ProfileFile& file, const AdvSettings& settings) {
  AdvSettings s = settings;
  bool ok = true;
  ForEachLayoutKey(s, [&](const std::string& key, int& value) {
    ok = file.WriteInteger(kLayout, key, value) && ok;
  });
  ok = file.WriteBool(kOptions, "ShowNTFolder", s.showNtFolders) && ok;
  ok = file.WriteBool(kOptions, "OpenDestDir", s.openDestDir) && ok;
  ok = file.WriteBool(kOptions, "FindByType", s.carveBeside) && ok;
  return ok;
}

}  // namespace tarnwell::advanced
