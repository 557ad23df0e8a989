#include "engine/undelete.h"

#include <cctype>

#include "engine/drive_list.h"
#include "engine/identify.h"
#include "engine/scoped_flag.h"

namespace tarnwell::engine {
namespace {

// The modification time every synthetic NTFS folder shows.
constexpr uint64_t kTemplateFolderTime = 0x01C2B3E89E384F50ULL;

}  // namespace

TUndelete::TUndelete(MessageBoxes& boxes, MessagePump& pump) : TUndelete(boxes, pump, BuildDriveList()) {}

TUndelete::TUndelete(MessageBoxes& boxes, MessagePump& pump, std::vector<std::unique_ptr<TLogiDrive>> drives)
    : Drives(std::move(drives)), boxes_(boxes), pump_(pump) {
  FolderTemplate.FileName.SetAttributes(kNtfsAttrDirectory);
  FolderTemplate.FileName.SetModificationTime(kTemplateFolderTime);
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
  // A scan started from inside another (through the pump) would free the
  // entries the outer one is walking.
  if (Scanning) return false;
  StopRequested = false;
  ScopedFlag scanning(Scanning);

  if (!force && drive.Identified) {
    if (drive.FsKind == kUnrecognised) {
      ShowUnrecognisedFormat(drive);
      return false;
    }
    CurrentDrive = &drive;
    return true;
  }

  // The current drive and its entries stay as they are until the scan is
  // sure to go ahead: the window still shows rows that point at them.
  std::array<uint8_t, 512> sector{};
  if (!drive.Reader().Read(0, 1, sector.data())) return false;
  const uint8_t kind = AcceptedVolumeKind(drive.Reader(), sector);
  if (kind == kUnrecognised) {
    if (&drive != CurrentDrive) {
      drive.ClearEntries();
      drive.Identified = true;
      drive.FsKind = kUnrecognised;
    }
    ShowUnrecognisedFormat(drive);
    return false;
  }

  CurrentDrive = &drive;
  SearchResults.clear();
  drive.ClearEntries();
  drive.Identified = true;
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
