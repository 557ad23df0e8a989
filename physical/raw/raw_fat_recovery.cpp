// FAT files and folders of a raw-range scan, copied contiguously from their
// start cluster through the worked-out geometry.
#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <vector>

#include "disk/device_reader.h"
#include "disk/salvaging_read.h"
#include "disk/sector_source.h"
#include "engine/event_log_line.h"
#include "engine/recovery/output_path.h"
#include "engine/recovery/output_times.h"
#include "physical/physical_drive.h"
#include "physical/raw/directory_chunk.h"
#include "physical/raw/fat_geometry.h"
#include "physical/raw/found_lookup.h"
#include "physical/raw/landmarks.h"
#include "physical/raw/raw_recovery.h"
#include "physical/raw/recovery_report.h"
#include "platform/text_codec.h"

namespace tarnwell::physical::raw {
namespace {

constexpr uint32_t kFatReadSectors = 100;

// Copies `sectors` from `first`; a sector that cannot be read becomes zeros
// (a refused read is taken again in halves, so only the bad sectors are
// lost) and the item is reported once, so the file keeps its size and the
// user knows it is incomplete. 1 when stopped.
int CopySectors(TPhysicalDrive& drive, disk::DiskDevice& device, engine::OutputFile& out, uint64_t first,
                uint64_t sectors, const std::string& name, engine::ProgressBar& progress) {
  std::vector<uint8_t> buffer(size_t{kFatReadSectors} * kSectorBytes);
  bool reported = false;
  std::vector<disk::SectorRun> bad;
  uint32_t n = kFatReadSectors;
  for (uint64_t done = 0; done < sectors; done += n) {
    drive.Window().pump.Pump();
    progress.SetPosition(static_cast<int>(done * 100 / sectors));
    n = static_cast<uint32_t>(std::min<uint64_t>(n, sectors - done));
    const size_t bytes = size_t{n} * kSectorBytes;
    uint32_t bytesRead = 0;
    bad.clear();
    disk::SectorSource* source = device.Source();
    const bool ok = source && disk::ReadSalvaging(*source, first + done, n, buffer.data(), bytesRead, bad);
    const size_t good = ok ? std::min<size_t>(bytesRead, bytes) : 0;
    if (good < bytes || !bad.empty()) {
      std::memset(buffer.data() + good, 0, bytes - good);
      if (!reported) LogItemFailure(drive, name, kRecoveryFailed);
      reported = true;
    }
    if (out.Write(buffer.data(), bytes) < bytes) {
      LogItemFailure(drive, name, kWriteFailed);
      return 0;
    }
    if (drive.StopRequested) {
      LogRecoveryStopped(drive);
      return kRecoveryStopped;
    }
  }
  return 0;
}

int RecoverFolderOnce(TPhysicalDrive& drive, const FoundFatEntry& folder, engine::StatusPanel& status,
                      engine::ProgressBar& progress, const engine::OutputFolder& destination,
                      std::set<uint64_t>& entered);

// The entries found in the folder at `sector`, written into destination;
// subfolders recurse through RecoverFolderOnce.
int RecoverFolderEntries(TPhysicalDrive& drive, uint64_t sector, engine::StatusPanel& status,
                         engine::ProgressBar& progress, const engine::OutputFolder& destination,
                         std::set<uint64_t>& entered) {
  const TPartiEntry& entry = *drive.CurrentPartition;
  int first = -1, last = -1;
  if (!FindFatFolderRange(drive, sector, first, last)) return 0;
  for (int i = first; i <= last; ++i) {
    const FoundFatEntry& child = *entry.FatEntries[static_cast<size_t>(i)];
    const int result = (child.DirEntry.Attributes() & engine::kFatAttrDirectory)
                           ? RecoverFolderOnce(drive, child, status, progress, destination, entered)
                           : RecoverItem(drive, child, status, progress, destination);
    if (result == kRecoveryStopped) return result;
  }
  return 0;
}

int RecoverFolderOnce(TPhysicalDrive& drive, const FoundFatEntry& folder, engine::StatusPanel& status,
                      engine::ProgressBar& progress, const engine::OutputFolder& destination,
                      std::set<uint64_t>& entered) {
  const TPartiEntry& entry = *drive.CurrentPartition;
  const std::string name = RawEntryName(folder);
  const std::optional<uint64_t> sector = ClusterSector(entry, EntryCluster(folder.DirEntry, entry.FatKind));
  if (!sector) {
    LogItemFailure(drive, name, kRecoveryFailed);
    return 0;
  }
  // A deleted folder can point back at one of its ancestors, and two
  // entries at one folder: its contents are written once.
  if (!entered.insert(*sector).second) return 0;
  const std::optional<engine::OutputFolder> path = engine::CreateUniqueFolder(name, destination);
  if (!path) {
    LogItemFailure(drive, name, kWriteFailed);
    return 0;
  }
  // Set last: every file made inside would move the folder's time again.
  const engine::ScopedOutputTimes timesOnExit(path->Path(), engine::FatEntryTimes(folder.DirEntry));
  return RecoverFolderEntries(drive, *sector, status, progress, *path, entered);
}

}  // namespace

int RecoverItem(TPhysicalDrive& drive, const FoundFatEntry& item, engine::StatusPanel& status,
                engine::ProgressBar& progress, const engine::OutputFolder& destination) {
  if (!drive.CurrentPartition) return 0;
  const TPartiEntry& entry = *drive.CurrentPartition;
  const std::string name = RawEntryName(item);
  ItemScope scope(status, progress, name);
  const uint32_t size = item.DirEntry.FileSize();
  const std::optional<uint64_t> first = ClusterSector(entry, EntryCluster(item.DirEntry, entry.FatKind));
  // Without a geometry there is no address to copy from (and a cluster
  // below 2 has no data): said, not guessed.
  if (!first && size > 0) {
    LogItemFailure(drive, name, kRecoveryFailed);
    return 0;
  }
  disk::DiskDevice device(entry.DriveCode);
  if (!device.IsOpen()) {
    LogItemFailure(drive, name, kRecoveryFailed);
    return 0;
  }
  std::optional<engine::CreatedFile> created = engine::CreateUniqueFile(name, destination);
  if (!created) {
    LogItemFailure(drive, name, kWriteFailed);
    return 0;
  }
  engine::OutputFile out(std::move(created->fd), created->path);
  // Nothing is copied from past the scanned range: a size that reaches
  // beyond it is damage, and the file keeps what the range holds.
  const uint64_t wanted = (uint64_t{size} + kSectorBytes - 1) / kSectorBytes;
  const uint64_t available = first && *first < entry.AbsoluteEnd() ? entry.AbsoluteEnd() - *first : 0;
  const uint64_t sectors = std::min(wanted, available);
  const int result = sectors ? CopySectors(drive, device, out, *first, sectors, name, progress) : 0;
  progress.SetPosition(100);
  if (sectors < wanted && result != kRecoveryStopped) LogItemFailure(drive, name, kRecoveryFailed);
  // A stopped or cut copy keeps what was copied rather than posing as
  // complete.
  if (!out.SetSize(std::min<uint64_t>(out.Position(), size)) && result != kRecoveryStopped)
    LogItemFailure(drive, name, kRecoveryFailed);
  if (sectors > 0 && entry.FatGeometryFrom == FatGeometrySource::kGuessed) ++drive.UnverifiedRecoveries;
  if (result != kRecoveryStopped) (void)engine::ApplyOutputTimes(out.Path(), engine::FatEntryTimes(item.DirEntry));
  return result;
}

int RecoverFatFolder(TPhysicalDrive& drive, const FoundFatEntry& folder, engine::StatusPanel& status,
                     engine::ProgressBar& progress, const engine::OutputFolder& destination) {
  if (!drive.CurrentPartition) return 0;
  std::set<uint64_t> entered;
  return RecoverFolderOnce(drive, folder, status, progress, destination, entered);
}

FoundFolderTree::FoundFolderTree(TPhysicalDrive& drive) : drive_(drive) {
  if (!drive.CurrentPartition) return;
  const TPartiEntry& entry = *drive.CurrentPartition;
  // Where the subfolder entries lead, leaving out an entry that leads back
  // to its own folder: that folder is not inside another one.
  std::set<uint64_t> ledTo;
  for (const auto& e : entry.FatEntries) {
    if (!(e->DirEntry.Attributes() & engine::kFatAttrDirectory)) continue;
    const std::optional<uint64_t> sector = ClusterSector(entry, EntryCluster(e->DirEntry, entry.FatKind));
    if (sector && *sector != e->DirSector) ledTo.insert(*sector);
  }
  for (size_t i = 0; i < entry.DirSectors.size(); ++i)
    if (!ledTo.contains(entry.DirSectors[i])) topLevel_.push_back(i);
}

bool FoundFolderTree::Written(size_t index) const {
  if (!drive_.CurrentPartition || index >= drive_.CurrentPartition->DirSectors.size()) return true;
  const uint64_t sector = drive_.CurrentPartition->DirSectors[index];
  if (entered_.contains(sector)) return true;
  int first = -1, last = -1;
  return !FindFatFolderRange(drive_, sector, first, last);
}

int FoundFolderTree::RecoverContents(size_t index, engine::StatusPanel& status, engine::ProgressBar& progress,
                                     const engine::OutputFolder& destination) {
  if (Written(index)) return 0;
  const uint64_t sector = drive_.CurrentPartition->DirSectors[index];
  entered_.insert(sector);
  return RecoverFolderEntries(drive_, sector, status, progress, destination, entered_);
}

}  // namespace tarnwell::physical::raw
