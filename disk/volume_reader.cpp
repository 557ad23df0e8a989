#include "disk/volume_reader.h"

#include <array>
#include <cctype>
#include <memory>

#include "disk/read_error_reporter.h"
#include "disk/source_opener.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::disk {
namespace {

// One open source per letter, so that a scan reading one sector at a time
// does not reopen the device for every call. Nothing read is kept.
struct OpenVolumes {
  uint64_t generation = 0;
  std::array<std::unique_ptr<SectorSource>, 26> sources;
};

OpenVolumes& Volumes() {
  static OpenVolumes volumes;
  return volumes;
}

SectorSource* SourceFor(char letter) {
  OpenVolumes& v = Volumes();
  const uint64_t generation = platform::DeviceTable::Instance().Generation();
  if (v.generation != generation) {
    for (auto& s : v.sources) s.reset();
    v.generation = generation;
  }
  auto& slot = v.sources[letter - 'A'];
  if (!slot) slot = OpenSourceForDriveCode(DriveCodeOfLetter(letter));
  return slot.get();
}

}  // namespace

std::string FormatVolumeReadError(int errorCode, char letter, uint32_t lba, uint16_t count) {
  std::string text = "读取数据时发生错误:\r\n错误代码:";
  text += std::to_string(errorCode);
  text += "\r\n驱动器:";
  text += letter;
  text += "   扇区号:";
  text += std::to_string(lba);
  text += "   块:";
  text += std::to_string(count);
  return platform::SystemText(text);
}

bool ReadVolumeSectors(std::string_view driveName, uint32_t lba, uint16_t count, void* buffer) {
  if (driveName.empty()) return false;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(driveName[0])));
  if (letter < 'A' || letter > 'Z') return false;
  SectorSource* source = SourceFor(letter);
  if (!source) return false;
  uint32_t bytesRead = 0;
  if (!source->Read(lba, count, buffer, bytesRead)) {
    ReportReadError(FormatVolumeReadError(source->LastError(), letter, lba, count));
    return false;
  }
  return bytesRead == static_cast<uint32_t>(count) * kSectorSize;
}

void CloseVolumeSources() {
  for (auto& s : Volumes().sources) s.reset();
}

}  // namespace tarnwell::disk
