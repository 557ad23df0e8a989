#include "disk/volume_reader.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <memory>

#include "disk/read_error_reporter.h"
#include "disk/source_opener.h"
#include "platform/device_table.h"
#include "platform/text_codec.h"

namespace tarnwell::disk {
namespace {

// One open source per letter, so that a caller reading one sector at a
// time does not reopen the device for every call. Nothing read is kept.
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

std::string FormatVolumeReadError(int errorCode, char letter, uint64_t lba, uint32_t count) {
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

ReadResult VolumeReader::Read(uint64_t lba, uint32_t count, void* buffer) const {
  ReadResult failed;
  failed.sector = lba;
  failed.count = count;
  if (!source_) {
    failed.failure = ReadFailure::kNoSource;
    return failed;
  }
  // The part that lies inside the volume is read all the same, so a caller
  // keeps what did arrive, as from a read that ends at a disk's end.
  const uint64_t total = source_->SectorCount();
  const uint64_t inside = lba < total ? std::min<uint64_t>(count, total - lba) : 0;
  auto* out = static_cast<uint8_t*>(buffer);
  for (uint64_t done = 0; done < inside;) {
    const auto n = static_cast<uint32_t>(std::min<uint64_t>(inside - done, kMaxSectorsPerRead));
    uint32_t bytesRead = 0;
    if (!source_->Read(lba + done, n, out + done * kSectorSize, bytesRead)) {
      failed.failure = ReadFailure::kReadError;
      failed.error = source_->LastError();
      if (letter_) ReportReadError(FormatVolumeReadError(failed.error, letter_, lba, count));
      return failed;
    }
    if (bytesRead != n * kSectorSize) {
      failed.failure = ReadFailure::kShortRead;
      return failed;
    }
    done += n;
  }
  if (inside < count) {
    failed.failure = ReadFailure::kOutOfRange;
    return failed;
  }
  return {};
}

bool ReadVolumeSectors(std::string_view driveName, uint32_t lba, uint16_t count, void* buffer) {
  if (driveName.empty()) return false;
  const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(driveName[0])));
  if (letter < 'A' || letter > 'Z') return false;
  SectorSource* source = SourceFor(letter);
  return source && VolumeReader(source, letter).Read(lba, count, buffer).Ok();
}

void CloseVolumeSources() {
  for (auto& s : Volumes().sources) s.reset();
}

}  // namespace tarnwell::disk
