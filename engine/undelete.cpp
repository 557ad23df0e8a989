#include "engine/undelete.h"

#include <cctype>

#include "engine/drive_list.h"
#include "engine/fat/fat_entry_kind.h"
#include "engine/identify.h"
#include "engine/ntfs/ntfs_entry_kind.h"
#include "engine/scoped_flag.h"

namespace tarnwell::engine {
namespace {

// The modification time every synthetic NTFS folder shows.
constexpr uint64_t kTemplateFolderTime = 0x01C2B3E89E384F50ULL;

}  // namespace

TUndelete::TUndelete(MessageBoxes& boxes, MessagePump& pump) : TUndelete(boxes, pump, BuildDriveList()) {}

TUndelete::TUndelete(MessageBoxes& boxes, MessagePump& pump, std::vector<std::unique_ptr<TLogiDrive>> drives)
    : Drives(std::move(drives)),
      boxes_(boxes),
      pump_(pump),
      fatKind_(std::make_unique<FatEntryKind>(*this)),
      ntfsKind_(std::make_unique<NtfsEntryKind>(*this)) {
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

EntryHandle TUndelete::EntryOf(const TMidEntry& entry) const { return fatKind_->Of(entry); }

EntryHandle TUndelete::EntryOf(const tntfsfilerecord& record) const { return ntfsKind_->Of(record); }

EntryHandle TUndelete::TopEntry() const {
  if (!CurrentDrive) return {};
  return CurrentDrive->IsFat() ? fatKind_->Top() : ntfsKind_->Top();
}

TMidEntry* TUndelete::FatEntryOf(const EntryHandle& handle) const { return fatKind_->EntryOf(handle); }

bool TUndelete::RescanDamagedFolder(const EntryHandle& folder, StatusPanel& status) {
  TMidEntry* entry = FatEntryOf(folder);
  return entry && RescanDamagedFolder(*entry, status);
}

disk::Outcome TUndelete::ShowUnrecognisedFormat(const TLogiDrive& drive) {
  disk::Outcome unrecognised = disk::Outcome::Unrecognised(drive.DriveName + " - Unrecognized drive format.");
  boxes_.Error(unrecognised.what);
  unrecognised.shown = true;
  return unrecognised;
}

disk::Outcome TUndelete::ScanVolume(TLogiDrive& drive, bool force, StatusPanel& status,
                                    ProgressBar& progress) {
  // A scan started from inside another (through the pump) would free the
  // entries the outer one is walking.
  if (Scanning) return disk::Outcome::Busy(drive.DriveName + " - another scan is under way");
  StopRequested = false;
  ScopedFlag scanning(Scanning);

  if (!force && drive.Identified) {
    if (drive.FsKind == kUnrecognised) return ShowUnrecognisedFormat(drive);
    CurrentDrive = &drive;
    return disk::Outcome::Success();
  }

  // The current drive and its entries stay as they are until the scan is
  // sure to go ahead: the window still shows rows that point at them.
  std::array<uint8_t, 512> sector{};
  if (disk::Outcome read = disk::ReadFor(drive.Reader(), "the boot sector", 0, 1, sector.data());
      !read)
    return read;
  const uint8_t kind = AcceptedVolumeKind(drive.Reader(), sector);
  if (kind == kUnrecognised) {
    if (&drive != CurrentDrive) {
      drive.ClearEntries();
      drive.Identified = true;
      drive.FsKind = kUnrecognised;
    }
    return ShowUnrecognisedFormat(drive);
  }

  CurrentDrive = &drive;
  // The map of the volume as it is now, read again when first asked.
  allocation_.reset();
  allocationOpened_ = false;
  SearchResults.clear();
  drive.ClearEntries();
  drive.Identified = true;
  drive.FsKind = kind;
  drive.BootSector = sector;
  if (kind == kNtfs) {
    disk::Outcome scanned = ScanNtfsVolume(progress);
    LinkNtfsTree();
    return scanned;
  }
  if (kind == kExfat) return ScanExfatVolume(status, progress);
  return ScanFatVolume(status, progress);
}

}  // namespace tarnwell::engine
