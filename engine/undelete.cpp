#include "engine/undelete.h"

#include <cctype>

#include "disk/volume_reader.h"
#include "engine/drive_list.h"
#include "engine/identify.h"
#include "engine/scoped_flag.h"

namespace tarnwell::engine {
namespace {

// The modification time every synthetic NTFS folder shows.
constexpr uint64_t kTemplateFolderTime = 0x01C2B3E89E384F50ULL;

}  // namespace

TUndelete::TUndelete(MessageBoxes& boxes, MessagePump& pump) : boxes_(boxes), pump_(pump) {
  FolderTemplate.FileName.SetAttributes(kNtfsAttrDirectory);
  FolderTemplate.FileName.SetModificationTime(kTemplateFolderTime);
  Drives = BuildDriveList();
}

TUndelete::~TUndelete() = default;

TLogiDrive* TUndelete::FindDrive(char letter) {
  const char upper = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
  for (auto& d : Drives)
    if (!d->DriveName.empty() && d->DriveName[0] == upper) return d.get();
  return nullptr;
}

void TUndelete::ShowUnrecognisedFormat(const TLogiDrive& drive) {
  boxes_.Error(drive.DriveName + " - Unrecognized drive format.");
}

bool TUndelete::ScanVolume(TLogiDrive& drive, bool force, StatusPanel& status,
                           ProgressBar& progress) {
  CurrentDrive = &drive;
  StopRequested = false;
  ScopedFlag scanning(Scanning);

  if (!force && drive.Identified) {
    if (drive.FsKind == kUnrecognised) {
      ShowUnrecognisedFormat(drive);
      return false;
    }
    return true;
  }

  std::array<uint8_t, 512> sector{};
  if (!disk::ReadVolumeSectors(drive.DriveName, 0, 1, sector.data())) return false;

  drive.Identified = true;
  drive.FsKind = kUnrecognised;
  drive.ClearEntries();
  SearchResults.clear();

  const uint8_t kind = AcceptedVolumeKind(drive.DriveName, sector);
  if (kind == kUnrecognised) {
    ShowUnrecognisedFormat(drive);
    return false;
  }
  drive.FsKind = kind;
  drive.BootSector = sector;
  if (kind == kNtfs) {
    const bool scanned = ScanNtfsVolume(progress);
    LinkNtfsTree();
    return scanned;
  }
  if (kind == kExfat) return ScanExfatVolume(status);
  return ScanFatVolume(status);
}

}  // namespace tarnwell::engine
