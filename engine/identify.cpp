#include "engine/identify.h"

#include <optional>
#include <string>
#include <string_view>

#include "engine/boot_sector.h"
#include "engine/exfat/exfat_boot.h"
#include "engine/records.h"

namespace tarnwell::engine {
namespace {

// 8 bytes taken up to the first zero byte, lower-cased and trimmed of blanks.
std::string TypeText(const uint8_t* p) {
  std::string s;
  for (int i = 0; i < 8 && p[i] != 0; ++i) {
    char c = static_cast<char>(p[i]);
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    s.push_back(c);
  }
  const size_t first = s.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const size_t last = s.find_last_not_of(' ');
  return s.substr(first, last - first + 1);
}

}  // namespace

uint8_t IdentifyFileSystem(const uint8_t* b) {
  if (HasExfatSignature(b)) return kExfat;
  if (TypeText(b + 54) == "fat12") return kFat12;
  if (TypeText(b + 54) == "fat16") return kFat16;
  if (TypeText(b + 82) == "fat32") return kFat32;
  if (TypeText(b + 3) == "ntfs") return kNtfs;
  return kUnrecognised;
}

// A cluster of zero sectors would turn every size into a division by zero
// further on; such a boot sector is refused like any other unusable one.
uint8_t AcceptedKind(const uint8_t* b) {
  const uint8_t kind = IdentifyFileSystem(b);
  const BootSectorView boot(b);
  switch (kind) {
    case kFat12:
    case kFat16:
    case kFat32:
      return boot.BytesPerSector() == 512 && boot.SectorsPerCluster() != 0 ? kind : uint8_t{kUnrecognised};
    case kNtfs:
      return boot.NtfsRecordSize() == 1024 && boot.BytesPerSector() == 512 &&
                     boot.SectorsPerCluster() != 0
                 ? kind
                 : uint8_t{kUnrecognised};
    case kExfat:
      return IsUsableExfatBoot(b) ? kind : uint8_t{kUnrecognised};
    default:
      return kUnrecognised;
  }
}

uint8_t AcceptedVolumeKind(const disk::VolumeReader& volume, std::array<uint8_t, 512>& sector) {
  const uint8_t kind = AcceptedKind(sector.data());
  if (kind != kExfat && kind != kUnrecognised) return kind;
  const std::optional<std::array<uint8_t, 512>> boot = ReadExfatBootSector(volume);
  if (!boot) return kUnrecognised;
  sector = *boot;
  return kExfat;
}

}  // namespace tarnwell::engine
